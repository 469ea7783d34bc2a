// Loading and rewriting a cache file of a million candles, each beside the
// time it takes just to read the file's bytes.
#include "chart/CandleCache.h"
#include "chart/ChartManager.h"
#include "data/AccountPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <benchmark/benchmark.h>

namespace {
constexpr int kCandles = 1000000;
constexpr quint64 kLogin = 777;

QString g_server;

QString historyFolder()
{
    return AccountPaths::chartHistoryFolder(g_server, kLogin);
}

QString cacheFile()
{
    return historyFolder() + QStringLiteral("/EURUSD_1");
}

QVector<CandleStick> candles()
{
    QVector<CandleStick> out;
    out.reserve(kCandles);
    double price = 1.1;
    for (int i = 0; i < kCandles; ++i) {
        price += (i % 7 - 3) * 1e-5;
        out.append(CandleStick(1000000000 + qint64(i) * 60, price, price + 2e-4, price - 2e-4, price + 1e-4));
    }
    return out;
}

void plainRead(benchmark::State &state)
{
    for (auto _ : state) {
        QFile file(cacheFile());
        if (!file.open(QIODevice::ReadOnly)) {
            state.SkipWithError("cannot open the cache file");
            return;
        }
        const QByteArray bytes = file.readAll();
        benchmark::DoNotOptimize(bytes.constData());
        if (bytes.size() != qint64(kCandles) * CandleCache::recordSize) {
            state.SkipWithError("unexpected file size");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * qint64(kCandles) * CandleCache::recordSize);
}

// What the loader thread does per file.
void readFile(benchmark::State &state)
{
    for (auto _ : state) {
        const CandleSeries series = CandleCache::readFile(cacheFile());
        if (series.size() != kCandles) {
            state.SkipWithError("wrong candle count");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * qint64(kCandles) * CandleCache::recordSize);
}

// The whole road at login: setAccount, the loader on its thread, the hand-over
// and the history in memory on this thread.
void loaderPath(benchmark::State &state)
{
    for (auto _ : state) {
        ChartManager manager(nullptr);
        manager.setAccount(kLogin, g_server);
        manager.waitForCacheJobs();
        QCoreApplication::sendPostedEvents(&manager, QEvent::MetaCall);
        if (manager.chartHistory(QStringLiteral("EURUSD"), 1).size() != kCandles) {
            state.SkipWithError("history did not arrive");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * qint64(kCandles) * CandleCache::recordSize);
}

// What the worker does after a server answer: the whole file through QSaveFile
// (which also syncs it to disk).
void rewrite(benchmark::State &state)
{
    const QVector<CandleStick> data = candles();
    for (auto _ : state) {
        if (!CandleCache::writeFile(historyFolder(), QStringLiteral("EURUSD_1"), data)) {
            state.SkipWithError("rewrite failed");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * qint64(kCandles) * CandleCache::recordSize);
}

// The same bytes written in one call without QSaveFile, for scale.
void plainWrite(benchmark::State &state)
{
    const QByteArray bytes = CandleCache::encode(candles().constData(), kCandles);
    const QString path = historyFolder() + QStringLiteral("/plain_write");
    for (auto _ : state) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
            state.SkipWithError("plain write failed");
            return;
        }
    }
    QFile::remove(path);
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
} // namespace

BENCHMARK(plainRead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(readFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(loaderPath)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(rewrite)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(plainWrite)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    g_server = QStringLiteral("Bench %1").arg(QCoreApplication::applicationPid());
    if (!CandleCache::writeFile(historyFolder(), QStringLiteral("EURUSD_1"), candles()))
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    QDir(AccountPaths::configFolder() + QLatin1Char('/') + g_server).removeRecursively();
    return 0;
}
