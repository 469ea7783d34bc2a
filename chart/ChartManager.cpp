#include "chart/ChartManager.h"

#include "chart/CandleCache.h"
#include "chart/CandleCacheQueue.h"
#include "chart/ChartSettingsFile.h"
#include "data/AccountPaths.h"
#include "net/JsonRead.h"
#include "net/TradeClient.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QJsonArray>

#include <algorithm>
#include <utility>

ChartManager::ChartManager(TradeClient *connection, QObject *parent)
    : QObject(parent), m_connection(connection), m_queue(new CandleCacheQueue)
{
}

ChartManager::~ChartManager()
{
    ++m_generation;  // a running loader stops at its next file
    m_queue.reset(); // pending rewrites and appends still reach the disk
}

void ChartManager::setAccount(quint64 login, const QString &server)
{
    if (login == m_login && server == m_server)
        return;
    m_login = login;
    m_server = server;
    m_history.clear();
    m_deferredRewrites.clear();
    const quint64 generation = ++m_generation;
    m_loading = false;
    const QString folder = AccountPaths::chartHistoryFolder(server, login);
    if (folder.isEmpty())
        return;
    m_loading = true;
    m_queue->post([this, folder, generation] { loadCache(folder, generation); });
}

void ChartManager::loadCache(const QString &folder, quint64 generation)
{
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (m_generation.load() != generation)
            return; // another account by now; its own load follows in the queue
        LoadedSeries loaded;
        if (!CandleCache::parseFileName(entry.fileName(), &loaded.symbol, &loaded.period))
            continue;
        loaded.series = CandleCache::readFile(entry.filePath());
        if (loaded.series.isEmpty())
            continue;
        loaded.generation = generation;
        handOver(std::move(loaded));
    }
    LoadedSeries finished;
    finished.generation = generation;
    finished.finished = true;
    handOver(std::move(finished));
}

void ChartManager::handOver(LoadedSeries loaded)
{
    {
        std::lock_guard<std::mutex> guard(m_loadedLock);
        m_loaded.push_back(std::move(loaded));
    }
    QMetaObject::invokeMethod(this, "applyLoadedHistory", Qt::QueuedConnection);
}

void ChartManager::applyLoadedHistory()
{
    std::vector<LoadedSeries> batch;
    {
        std::lock_guard<std::mutex> guard(m_loadedLock);
        batch.swap(m_loaded);
    }
    const quint64 current = m_generation.load();
    for (LoadedSeries &loaded : batch) {
        if (loaded.generation != current)
            continue;
        if (loaded.finished) {
            m_loading = false;
            const QSet<Pair> deferred = std::exchange(m_deferredRewrites, {});
            for (const Pair &pair : deferred)
                queueRewrite(pair.first, pair.second);
            continue;
        }
        CandleSeries &held = m_history[loaded.symbol][loaded.period];
        // A server answer that came in while loading is newer than the file.
        if (held.isEmpty())
            held = std::move(loaded.series);
        else
            held.merge(loaded.series, false);
        emit readyChartHistory(loaded.symbol, loaded.period);
    }
}

void ChartManager::requestChartHistory(const QString &symbol, int period, qint64 from, qint64 to)
{
    if (!m_connection || symbol.isEmpty() || period <= 0 || from < 0)
        return;
    QJsonObject request;
    request.insert(QStringLiteral("req_code"), 3);
    request.insert(QStringLiteral("from"), from);
    request.insert(QStringLiteral("to"), to);
    request.insert(QStringLiteral("symbol"), symbol);
    request.insert(QStringLiteral("interval"), period);
    m_connection->sendRequest(request);
}

QVector<CandleStick> ChartManager::chartHistory(const QString &symbol, int period) const
{
    const auto bySymbol = m_history.constFind(symbol);
    if (bySymbol == m_history.constEnd())
        return {};
    return bySymbol->value(period).candles();
}

void ChartManager::updateChartHistoryFromServer(const QJsonObject &chart_object)
{
    const QJsonArray array = chart_object.value(QLatin1String("array")).toArray();
    if (array.isEmpty())
        return;
    const QString symbol = JsonRead::toText(chart_object, QLatin1String("symbol"));
    const int interval = JsonRead::toInt(chart_object, QLatin1String("interval"));
    if (symbol.isEmpty() || interval <= 0)
        return;

    QVector<CandleStick> received;
    received.reserve(array.size());
    for (const QJsonValue &element : array) {
        if (element.isObject())
            received.append(CandleStick(element.toObject()));
    }
    if (received.isEmpty())
        return;
    m_history[symbol][interval].merge(CandleSeries(std::move(received)), true);
    emit readyChartHistory(symbol, interval);

    if (m_loading)
        m_deferredRewrites.insert(Pair(symbol, interval));
    else
        queueRewrite(symbol, interval);
}

void ChartManager::queueRewrite(const QString &symbol, int period)
{
    if (m_login == 0 || period <= 0 || !AccountPaths::checkSegment(symbol, "symbol"))
        return;
    const QString folder = AccountPaths::chartHistoryFolder(m_server, m_login);
    if (folder.isEmpty())
        return;
    // The newest bar is still forming; it reaches the file when a chart closes it.
    const QVector<CandleStick> candles = m_history.value(symbol).value(period).withoutNewest();
    const QString name = CandleCache::fileName(symbol, period);
    m_queue->post([folder, name, candles] { CandleCache::writeFile(folder, name, candles); });
}

void ChartManager::appendCandleStick(const QString &symbol, int period, qint64 timestamp, double open,
                                     double high, double low, double close)
{
    const auto bySymbol = m_history.find(symbol);
    if (bySymbol == m_history.end())
        return;
    const auto byPeriod = bySymbol->find(period);
    if (byPeriod == bySymbol->end() || byPeriod->isEmpty())
        return;
    if (timestamp < byPeriod->newest().timestamp)
        return;
    const CandleStick candle(timestamp, open, high, low, close);
    byPeriod->insert(candle);

    if (m_login == 0 || period < 1 || !AccountPaths::checkSegment(symbol, "symbol"))
        return;
    const QString folder = AccountPaths::chartHistoryFolder(m_server, m_login);
    if (folder.isEmpty())
        return;
    const QString name = CandleCache::fileName(symbol, period);
    m_queue->post([folder, name, candle] { CandleCache::appendRecord(folder, name, candle); });
}

void ChartManager::waitForCacheJobs()
{
    m_queue->waitForIdle();
}

// Chart settings ------------------------------------------------------------

QList<QColor> ChartManager::defaultChartColours()
{
    return {QColor(Qt::black),   QColor(Qt::white),  QColor(Qt::white),   QColor(0, 200, 200),
            QColor(220, 38, 38), QColor(70, 70, 70), QColor(0, 200, 200), QColor(220, 38, 38)};
}

QString ChartManager::settingsFolder(const QString &symbol) const
{
    if (!AccountPaths::checkSegment(symbol, "symbol"))
        return QString();
    return AccountPaths::chartSettingsFolder(m_server, m_login);
}

QList<QColor> ChartManager::chartColours(const QString &symbol, int period)
{
    QList<QColor> colours = m_colours.value(symbol);
    if (colours.isEmpty() && loadChartSettings(symbol, period))
        colours = m_colours.value(symbol);
    const QList<QColor> defaults = defaultChartColours();
    while (colours.size() < defaults.size())
        colours.append(defaults.at(colours.size()));
    for (int j = 0; j < defaults.size(); ++j) {
        if (!colours.at(j).isValid()) {
            qWarning("%s",
                     qPrintable(QStringLiteral("Invalid color in chart settings for symbol %1 at index %2. "
                                               "Replacing with default.")
                                    .arg(symbol)
                                    .arg(j)));
            colours[j] = defaults.at(j);
        }
    }
    return colours;
}

void ChartManager::setChartColours(const QString &symbol, int period, const QList<QColor> &colours, bool save)
{
    if (m_colours.value(symbol) == colours)
        return;
    m_colours.insert(symbol, colours);
    if (save)
        saveChartSettings(symbol, period);
}

QList<ChartObjectRecord> ChartManager::chartObjects(const QString &symbol, int period)
{
    QList<ChartObjectRecord> records = m_objects.value(symbol).value(period);
    if (records.isEmpty() && loadChartSettings(symbol, period))
        records = m_objects.value(symbol).value(period);
    return records;
}

void ChartManager::setChartObjects(const QString &symbol, int period, const QList<ChartObjectRecord> &records,
                                   bool save)
{
    const auto bySymbol = m_objects.constFind(symbol);
    if (bySymbol != m_objects.constEnd() && bySymbol->contains(period)) {
        const QList<ChartObjectRecord> &held = bySymbol->value(period);
        const bool same =
            held.size() == records.size() &&
            std::equal(held.cbegin(), held.cend(), records.cbegin(),
                       [](const ChartObjectRecord &a, const ChartObjectRecord &b) { return a.samePlace(b); });
        if (same)
            return;
    }
    m_objects[symbol].insert(period, records);
    if (save)
        saveChartSettings(symbol, period);
}

void ChartManager::setChartValues(const QString &symbol, int period, const QList<double> &values, bool save)
{
    QMap<int, QList<double>> &bySymbol = m_values[symbol];
    const auto held = bySymbol.find(period);
    if (held != bySymbol.end() && *held == values)
        return;
    bySymbol.insert(period, values);
    if (save)
        saveChartSettings(symbol, period);
}

bool ChartManager::saveChartSettings(const QString &symbol, int period)
{
    const bool hasValues = m_values.value(symbol).contains(period);
    const bool hasObjects = m_objects.value(symbol).contains(period);
    if (!hasValues && !hasObjects && !m_colours.contains(symbol))
        return true;
    const QString folder = settingsFolder(symbol);
    if (folder.isEmpty())
        return false;
    return ChartSettingsFile::write(folder, ChartSettingsFile::fileName(symbol, period),
                                    m_colours.value(symbol), m_objects.value(symbol).value(period),
                                    m_values.value(symbol).value(period));
}

bool ChartManager::loadChartSettings(const QString &symbol, int period)
{
    const QString folder = settingsFolder(symbol);
    if (folder.isEmpty() || !QDir(folder).exists())
        return false;
    QFile file(folder + QLatin1Char('/') + ChartSettingsFile::fileName(symbol, period));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QList<QColor> colours;
    QList<ChartObjectRecord> objects;
    QList<double> values;
    ChartSettingsFile::decode(file.readAll(), &colours, &objects, &values);
    if (m_colours.value(symbol).isEmpty() && !colours.isEmpty())
        m_colours.insert(symbol, colours);
    m_objects[symbol].insert(period, objects);
    m_values[symbol].insert(period, values);
    return true;
}
