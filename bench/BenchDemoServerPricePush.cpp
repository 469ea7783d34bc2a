// Highest sustained rate of price pushes (code 2) that one client receives from demo-server
// running with --tick-interval-ms 0, where it pushes as fast as the client takes them.
#include "tests/DemoServerProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QWebSocket>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace {

struct Feed
{
    DemoServerProcess server;
    QWebSocket socket;
    qint64 prices = 0;
    bool loggedIn = false;
};

Feed *g_feed = nullptr;

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

bool startFeed()
{
    g_feed = new Feed;
    if (!g_feed->server.start({"--tick-interval-ms", "0"}))
        return false;
    QObject::connect(&g_feed->socket, &QWebSocket::textMessageReceived, [](const QString &text) {
        // Counting, not parsing: the figure is the server's, not this client's JSON reader.
        if (text.startsWith(QLatin1String("{\"ask\"")) || text.contains(QLatin1String("\"res_code\":2,")))
            ++g_feed->prices;
        else if (text.contains(QLatin1String("\"res_code\":1,")))
            g_feed->loggedIn = text.contains(QLatin1String("\"state\":1"));
    });
    g_feed->socket.open(g_feed->server.tradeUrl());
    if (!waitUntil([] { return g_feed->socket.state() == QAbstractSocket::ConnectedState; }, 10000))
        return false;
    const QJsonObject login{{"req_code", 1}, {"id", 50001}, {"password", "Master1"}, {"type", 3}};
    g_feed->socket.sendTextMessage(QString::fromUtf8(QJsonDocument(login).toJson(QJsonDocument::Compact)));
    return waitUntil([] { return g_feed->loggedIn; }, 10000) &&
           waitUntil([] { return g_feed->prices > 1000; }, 10000);
}

void BM_PricePushesToOneClient(benchmark::State &state)
{
    if (!g_feed || !g_feed->loggedIn) {
        state.SkipWithError("demo-server did not start or refused the login");
        return;
    }
    const qint64 batch = 2000;
    qint64 received = 0;
    for (auto _ : state) {
        const qint64 target = g_feed->prices + batch;
        if (!waitUntil([target] { return g_feed->prices >= target; }, 30000)) {
            state.SkipWithError("the price stream stalled");
            return;
        }
        received += batch;
    }
    state.SetItemsProcessed(received);
    state.counters["pushes_per_s"] =
        benchmark::Counter(static_cast<double>(received), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PricePushesToOneClient)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(5.0);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (!startFeed())
        std::fprintf(stderr, "bench: demo-server did not start: %s\n",
                     g_feed ? g_feed->server.errorOutput().toLocal8Bit().constData() : "");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete g_feed;
    return 0;
}
