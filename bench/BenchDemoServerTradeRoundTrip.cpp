// Trade round trips per second on one connection: a market order and its close, each sent
// when the answer (code 7) to the previous request has arrived. Every answer is given only
// after the change is committed to the server's SQLite database.
#include "tests/DemoServerProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QWebSocket>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <functional>

namespace {

struct Session
{
    DemoServerProcess server;
    QWebSocket socket;
    bool loggedIn = false;
    int answers = 0;
    QJsonObject lastAnswer;
};

Session *g_session = nullptr;

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

void send(const QJsonObject &message)
{
    g_session->socket.sendTextMessage(
        QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact)));
}

bool startSession()
{
    g_session = new Session;
    if (!g_session->server.start())
        return false;
    QObject::connect(&g_session->socket, &QWebSocket::textMessageReceived, [](const QString &text) {
        if (text.contains(QLatin1String("\"res_code\":7"))) {
            g_session->lastAnswer = QJsonDocument::fromJson(text.toUtf8()).object();
            ++g_session->answers;
        } else if (text.contains(QLatin1String("\"res_code\":1,"))) {
            g_session->loggedIn = text.contains(QLatin1String("\"state\":1"));
        }
    });
    g_session->socket.open(g_session->server.tradeUrl());
    if (!waitUntil([] { return g_session->socket.state() == QAbstractSocket::ConnectedState; }, 10000))
        return false;
    send({{"req_code", 1}, {"id", 50001}, {"password", "Master1"}, {"type", 3}});
    return waitUntil([] { return g_session->loggedIn; }, 10000);
}

// Sends one trade request and waits for its answer; false on time-out or refusal.
bool roundTrip(const QJsonObject &request)
{
    const int before = g_session->answers;
    send(request);
    return waitUntil([before] { return g_session->answers > before; }, 10000) &&
           g_session->lastAnswer.value("status").toInt() == 10009;
}

void BM_TradeRoundTripsOnOneConnection(benchmark::State &state)
{
    if (!g_session || !g_session->loggedIn) {
        state.SkipWithError("demo-server did not start or refused the login");
        return;
    }
    int64_t trips = 0;
    for (auto _ : state) {
        if (!roundTrip({{"req_code", 4},
                        {"type", 0},
                        {"order_type", 0},
                        {"symbol", "EURUSD"},
                        {"volume", 100},
                        {"login", 50001}})) {
            state.SkipWithError("the market order was not filled");
            return;
        }
        const qint64 ticket = g_session->lastAnswer.value("order").toVariant().toLongLong();
        if (!roundTrip({{"req_code", 4}, {"type", 4}, {"order_id", ticket}, {"login", 50001}})) {
            state.SkipWithError("the close was refused");
            return;
        }
        trips += 2;
    }
    state.SetItemsProcessed(trips);
    state.counters["round_trips_per_s"] =
        benchmark::Counter(static_cast<double>(trips), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TradeRoundTripsOnOneConnection)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(5.0);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (!startSession())
        std::fprintf(stderr, "bench: demo-server did not start: %s\n",
                     g_session ? g_session->server.errorOutput().toLocal8Bit().constData() : "");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete g_session;
    return 0;
}
