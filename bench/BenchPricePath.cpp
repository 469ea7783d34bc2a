// The connection worker's price path: received text -> JSON object -> TickData
// -> PriceDataBuffer::addTick, the work done for every price push.
#include "data/PriceDataBuffer.h"
#include "net/TickData.h"
#include "net/TradeClient.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <benchmark/benchmark.h>

namespace {

QStringList makePushes(int count)
{
    static const char *symbols[] = {"EURUSD", "GBPUSD", "USDJPY", "AUDUSD", "USDCHF", "USDCAD", "NZDUSD",
                                    "EURGBP", "EURJPY", "GBPJPY", "XAUUSD", "US30",   "EURCHF", "AUDJPY"};
    QStringList pushes;
    for (int i = 0; i < count; ++i) {
        const double bid = 1.08 + (i % 977) * 0.00001;
        QJsonObject o;
        o.insert("res_code", 2);
        o.insert("symbol", symbols[i % 14]);
        o.insert("timestamp", 1765450000 + i / 4);
        o.insert("server_time", 1765450000 + i / 4);
        o.insert("tm_ms", 1765450000000LL + i * 250);
        o.insert("bid", bid);
        o.insert("ask", bid + 0.00012);
        o.insert("volume", 100 + i % 50);
        o.insert("digits", 5);
        o.insert("bid_high", 1.0912);
        o.insert("bid_low", 1.0788);
        o.insert("ask_high", 1.09132);
        o.insert("ask_low", 1.07892);
        o.insert("min_vol", 100);
        o.insert("max_vol", 1000000);
        o.insert("step_vol", 100);
        pushes.append(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)));
    }
    return pushes;
}

void BM_PricePushToBuffer(benchmark::State &state)
{
    const QStringList pushes = makePushes(4096);
    PriceDataBuffer buffer;
    buffer.beginTimer();
    TickSink *sink = &buffer;
    int i = 0;
    for (auto _ : state) {
        const QJsonObject object = TradeClient::parseMessage(pushes[i++ & 4095]);
        sink->addTick(TickData(object));
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["msgs_per_s"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PricePushToBuffer);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
