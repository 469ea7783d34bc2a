#pragma once

#include "chart/CandleSeries.h"
#include "chart/ChartObjectRecord.h"
#include "net/CandleStick.h"

#include <QColor>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QSet>
#include <QString>
#include <QVector>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

class CandleCacheQueue;
class TradeClient;

// The one owner of candle history: keeps the candles of every (symbol, period)
// in memory, asks the trade server for history, merges its answers, keeps a
// cache file per pair and account on disk, and records the bars that charts
// complete. It also keeps the charts' colours, drawn objects and line values.
//
// Every public function runs on the GUI thread, and only the GUI thread
// touches the maps. Disk work for the candle cache runs on one queue thread
// in submission order: the loader hands what it read back to the GUI thread,
// which applies it (results of an account that is no longer current are
// dropped), and rewrites and appends take copies of what they write.
class ChartManager : public QObject
{
    Q_OBJECT
public:
    explicit ChartManager(TradeClient *connection, QObject *parent = nullptr);
    ~ChartManager() override;

    // On every successful login. A different account empties the history and
    // loads that account's cache in the background; the same one does nothing.
    void setAccount(quint64 login, const QString &server);
    quint64 login() const { return m_login; }
    QString server() const { return m_server; }

    // Sends a history request (code 3); to = -1 means up to now. Nothing is
    // sent without a connection, with an empty symbol, period <= 0 or from < 0.
    void requestChartHistory(const QString &symbol, int period, qint64 from, qint64 to);
    // The candles held for the pair in ascending time order.
    QVector<CandleStick> chartHistory(const QString &symbol, int period) const;

    // Chart settings. Colours are kept per symbol, objects and values per
    // symbol and period; the maps outlive an account change, the files follow it.
    QList<QColor> chartColours(const QString &symbol, int period);
    void setChartColours(const QString &symbol, int period, const QList<QColor> &colours, bool save);
    QList<ChartObjectRecord> chartObjects(const QString &symbol, int period);
    void setChartObjects(const QString &symbol, int period, const QList<ChartObjectRecord> &records,
                         bool save);
    void setChartValues(const QString &symbol, int period, const QList<double> &values, bool save);
    // True when the file was written or there was nothing to write.
    bool saveChartSettings(const QString &symbol, int period);
    // True when the file could be opened.
    bool loadChartSettings(const QString &symbol, int period);
    static QList<QColor> defaultChartColours();

    // Blocks until every cache file job queued so far has finished; what the
    // loader read is then waiting in the event queue. For tests and benchmarks.
    void waitForCacheJobs();

public slots:
    void updateChartHistoryFromServer(const QJsonObject &chart_object);
    void appendCandleStick(const QString &symbol, int period, qint64 timestamp, double open, double high,
                           double low, double close);

signals:
    void readyChartHistory(const QString &symbol, int period);

private:
    struct LoadedSeries
    {
        quint64 generation = 0;
        bool finished = false; // the loader's last word for its account
        QString symbol;
        int period = 0;
        CandleSeries series;
    };
    using Pair = QPair<QString, int>;

    // Queue thread.
    void loadCache(const QString &folder, quint64 generation);
    void handOver(LoadedSeries loaded);
    // GUI thread.
    Q_INVOKABLE void applyLoadedHistory();
    void queueRewrite(const QString &symbol, int period);
    QString settingsFolder(const QString &symbol) const;

    quint64 m_login = 0;
    QString m_server;
    TradeClient *m_connection = nullptr;
    QMap<QString, QMap<int, CandleSeries>> m_history;
    QMap<QString, QList<QColor>> m_colours;
    QMap<QString, QMap<int, QList<ChartObjectRecord>>> m_objects;
    QMap<QString, QMap<int, QList<double>>> m_values;

    // Bumped by every account change; the loader stops when it no longer matches.
    std::atomic<quint64> m_generation{0};
    // While the current account's cache is still loading, a server answer must
    // not rewrite a file whose older bars are not in memory yet; such pairs are
    // rewritten once the load has been applied.
    bool m_loading = false;
    QSet<Pair> m_deferredRewrites;

    std::mutex m_loadedLock; // guards m_loaded between the queue and GUI threads
    std::vector<LoadedSeries> m_loaded;

    std::unique_ptr<CandleCacheQueue> m_queue; // last: joined first in destruction
};
