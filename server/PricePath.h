#pragma once

#include "server/PriceBar.h"

#include <QtGlobal>
#include <unordered_map>
#include <vector>

// The deterministic price path of one symbol, built top-down: a mean-reverting random walk
// of daily closes, each day split into 24 hours, each hour into 60 minutes and each minute
// into twelve 5-second legs that the live price follows. Every split keeps its parent's
// open, high, low and close exactly, so bars of any timeframe aggregated from smaller ones
// agree with each other. Prices are integer points. Not thread-safe (one owner thread).
class PricePath
{
public:
    static constexpr qint64 kAnchorDay = 16436; // 2015-01-01, the first day with prices
    static constexpr qint64 kAnchorSeconds = kAnchorDay * 86400;

    PricePath(quint64 seed, quint64 symbolKey, qint64 basePoints, double dailyVolatility);

    PriceBar dayBar(qint64 day) const;
    PriceBar hourBar(qint64 hour) const;
    PriceBar minuteBar(qint64 minute) const;

    // Price of the path at an instant, in points.
    qint64 priceAt(qint64 ms) const;
    // Highest and lowest price of the path over [fromMs, toMs], both inside one minute.
    void extremes(qint64 fromMs, qint64 toMs, qint64 &high, qint64 &low) const;
    // Instants at which the minute reaches its high, its low and (for good) its close.
    void keyTimes(qint64 minute, qint64 &highMs, qint64 &lowMs, qint64 &closeMs) const;

private:
    struct Leg
    {
        PriceBar bar;
        bool highFirst = true;
    };

    double dayLog(qint64 day) const;
    qint64 dayClose(qint64 day) const;
    std::vector<PriceBar> split(const PriceBar &parent, int parts, qint64 spanSeconds, quint64 key) const;
    const std::vector<PriceBar> &hoursOf(qint64 day) const;
    const std::vector<PriceBar> &minutesOf(qint64 hour) const;
    const std::vector<Leg> &legsOf(qint64 minute) const;
    // Waypoints of one leg: times (ms) and prices of its open, two extremes and close.
    void legPoints(qint64 minute, int legIndex, const Leg &leg, qint64 times[4], qint64 prices[4]) const;

    quint64 m_seed;
    qint64 m_basePoints;
    double m_dailyVolatility;
    mutable std::vector<double> m_dayLogs; // index: day - kAnchorDay
    mutable std::unordered_map<qint64, std::vector<PriceBar>> m_hours;
    mutable std::unordered_map<qint64, std::vector<PriceBar>> m_minutes;
    mutable qint64 m_legMinute = -1;
    mutable std::vector<Leg> m_legs;
};
