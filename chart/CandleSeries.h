#pragma once

#include "net/CandleStick.h"

#include <QVector>

// The candles of one (symbol, period): ascending by timestamp, at most one
// candle per timestamp. Held as a sorted vector rather than a node map, since
// bars nearly always arrive in time order and a million of them are loaded at
// once from the cache.
class CandleSeries
{
public:
    CandleSeries() = default;
    // Records in any order; of several with one timestamp the later one is kept.
    explicit CandleSeries(QVector<CandleStick> records);

    bool isEmpty() const { return m_candles.isEmpty(); }
    int size() const { return m_candles.size(); }
    const QVector<CandleStick> &candles() const { return m_candles; }
    // Only for a series that is not empty.
    const CandleStick &newest() const { return m_candles.constLast(); }

    // Inserts the candle, replacing one with the same timestamp.
    void insert(const CandleStick &candle);
    // Adds the other series' candles; where both hold a timestamp, the other's
    // candle is kept when otherWins, this series' candle otherwise.
    void merge(const CandleSeries &other, bool otherWins);
    // A copy of every candle but the newest.
    QVector<CandleStick> withoutNewest() const;

private:
    QVector<CandleStick> m_candles;
};
