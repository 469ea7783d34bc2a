#pragma once

#include "server/PriceBar.h"
#include "server/PricePath.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <QVector>
#include <limits>
#include <memory>
#include <vector>

class Clock;
class SymbolCatalog;

// Live prices and chart history of every symbol, both read from the same deterministic path.
// A price pushed through the control surface holds the symbol at that price for a while; the
// bars of the minutes it touches include it, so history and live prices keep agreeing.
// Lives on the main thread.
class PriceFeed : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMaxBars = 3000;
    static constexpr qint64 kHoldForever = std::numeric_limits<qint64>::max();

    PriceFeed(const SymbolCatalog &catalog, const Clock &clock, quint64 seed, int tickIntervalMs,
              QObject *parent = nullptr);
    ~PriceFeed() override;

    void start();
    void stop();

    double bid(int symbol) const;
    double ask(int symbol) const;
    qint64 bidPoints(int symbol) const;
    qint64 askPoints(int symbol) const;
    qint64 lastTickMs(int symbol) const;
    // The latest price push of a symbol, as compact JSON text.
    const QString &tickMessage(int symbol) const;

    static bool isValidInterval(int minutes);
    // Bars of a timeframe opening within [from, to] (seconds; to < 0 means now), oldest first,
    // at most kMaxBars of the newest. The newest bar is forming at the current price.
    QVector<PriceBar> candles(int symbol, int intervalMinutes, qint64 from, qint64 to);

    // Holds a symbol at a price; holdMs <= 0 holds until released. Pushes the price at once.
    void holdPrice(int symbol, qint64 bidPoints, qint64 askPoints, qint64 holdMs);
    void releasePrice(int symbol);

signals:
    // New quotes for these symbols are available (after every tick round and every pushed price).
    void ticked(const QVector<int> &symbols);

private:
    struct Hold
    {
        qint64 startMs = 0;
        qint64 endMs = kHoldForever;
        qint64 bid = 0;
        qint64 ask = 0;
    };
    struct State
    {
        std::unique_ptr<PricePath> path;
        qint64 lastTickMs = -1;
        qint64 bid = 0;
        qint64 ask = 0;
        qint64 dayHigh = 0;
        qint64 dayLow = 0;
        qint64 stickyMinute = -1;
        bool shown[3] = {false, false, false};
        QVector<Hold> holds;
        int holdsVersion = 0;
        qint64 prefixMinute = -1;
        int prefixVersion = -1;
        PriceBar dayPrefix;
        QString message;
    };

    void onTimer();
    void tickSymbol(int symbol, qint64 nowMs);
    const Hold *holdAt(const State &state, qint64 ms) const;
    bool holdOverlaps(const State &state, qint64 fromMs, qint64 toMs) const;
    // Aggregate of the path over [fromMs, toMs), never past the latest tick, whose price
    // closes the forming part.
    PriceBar rangeBar(int symbol, qint64 fromMs, qint64 toMs);
    PriceBar minuteBar(int symbol, qint64 minute, qint64 toMs, bool forming);
    void buildMessage(int symbol);

    const SymbolCatalog &m_catalog;
    const Clock &m_clock;
    quint64 m_seed;
    int m_intervalMs;
    QTimer m_timer;
    std::vector<State> m_states;
};
