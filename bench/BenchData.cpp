#include "data/PositionDataStore.h"
#include "data/SymbolDataStorage.h"

#include <QJsonArray>
#include <QJsonObject>

#include <benchmark/benchmark.h>

namespace {

constexpr int kPositions = 1000;
constexpr int kSymbols = 50;

QString symbolName(int index)
{
    return QStringLiteral("SYM%1").arg(index, 3, 10, QLatin1Char('0'));
}

// 1,000 positions spread evenly over 50 symbols, both sides, with a receiver on
// every signal as the trade panel has.
void loadPositions(PositionDataStore &store, int &received)
{
    QJsonArray array;
    for (int i = 0; i < kPositions; ++i) {
        array.append(
            QJsonObject{{QStringLiteral("ticket"), 100000 + i},
                        {QStringLiteral("symbol"), symbolName(i % kSymbols)},
                        {QStringLiteral("type"), i % 3 == 0 ? QStringLiteral("sell") : QStringLiteral("buy")},
                        {QStringLiteral("volume"), 1000 + 100 * (i % 7)},
                        {QStringLiteral("price_o"), 1.1 + 0.0001 * (i % 13)},
                        {QStringLiteral("csize"), 100000.0},
                        {QStringLiteral("r_profit"), 1.0},
                        {QStringLiteral("digits"), 5}});
    }
    store.setOpenPositions(array);
    QObject::connect(&store, &PositionDataStore::positionProfitChanged,
                     [&received](const Position &) { ++received; });
    QObject::connect(&store, &PositionDataStore::netProfitChanged, [&received](double) { ++received; });
    QObject::connect(
        &store, &PositionDataStore::symbolNetProfitChanged,
        [&received](const QString &, int, double, double, double, double, double) { ++received; });
}

TickData makeTick(const QString &symbol, double bid)
{
    TickData tick;
    tick.symbol = symbol;
    tick.bid = bid;
    tick.ask = bid + 0.0002;
    tick.digits = 5;
    return tick;
}

// Each tick moves the price, so none is dropped as a repeated quote.
void runTicks(benchmark::State &state, const QString &symbol)
{
    PositionDataStore store;
    int received = 0;
    loadPositions(store, received);
    TickData up = makeTick(symbol, 1.1050);
    TickData down = makeTick(symbol, 1.1040);
    bool flip = false;
    for (auto _ : state) {
        store.onPriceChanged(flip ? up : down);
        flip = !flip;
    }
    benchmark::DoNotOptimize(received);
    state.SetItemsProcessed(state.iterations());
    state.counters["per_tick"] = benchmark::Counter(
        double(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_PositionTick_SymbolWithPositions(benchmark::State &state)
{
    runTicks(state, symbolName(7)); // 20 positions on it
}
BENCHMARK(BM_PositionTick_SymbolWithPositions);

void BM_PositionTick_SymbolWithoutPositions(benchmark::State &state)
{
    runTicks(state, QStringLiteral("XAUUSD"));
}
BENCHMARK(BM_PositionTick_SymbolWithoutPositions);

void BM_SymbolStorage_Batch200(benchmark::State &state)
{
    constexpr int kBatch = 200;
    SymbolDataStorage storage;
    int received = 0;
    QObject::connect(&storage, &SymbolDataStorage::tickChanged,
                     [&received](const TickData &) { ++received; });
    QList<TickData> batch;
    for (int i = 0; i < kBatch; ++i)
        batch.append(makeTick(QStringLiteral("SYM%1").arg(i, 3, 10, QLatin1Char('0')), 1.1 + i * 0.001));
    for (auto _ : state)
        storage.onUpdatedTicks(batch);
    benchmark::DoNotOptimize(received);
    state.SetItemsProcessed(state.iterations() * kBatch);
    state.counters["per_tick"] = benchmark::Counter(
        double(state.iterations()) * kBatch, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_SymbolStorage_Batch200);

} // namespace

BENCHMARK_MAIN();
