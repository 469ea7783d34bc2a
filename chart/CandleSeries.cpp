#include "chart/CandleSeries.h"

#include <algorithm>

namespace {
bool earlier(const CandleStick &a, const CandleStick &b)
{
    return a.timestamp < b.timestamp;
}
} // namespace

CandleSeries::CandleSeries(QVector<CandleStick> records) : m_candles(std::move(records))
{
    const auto strictlyAscending = [this] {
        for (int i = 1; i < m_candles.size(); ++i) {
            if (m_candles.at(i - 1).timestamp >= m_candles.at(i).timestamp)
                return false;
        }
        return true;
    };
    if (strictlyAscending())
        return;
    // A stable sort keeps file order within one timestamp, so the last of each
    // run is the record that has to win.
    std::stable_sort(m_candles.begin(), m_candles.end(), earlier);
    int out = 0;
    for (int i = 0; i < m_candles.size(); ++i) {
        if (i + 1 < m_candles.size() && m_candles.at(i + 1).timestamp == m_candles.at(i).timestamp)
            continue;
        m_candles[out++] = m_candles.at(i);
    }
    m_candles.resize(out);
}

void CandleSeries::insert(const CandleStick &candle)
{
    if (m_candles.isEmpty() || m_candles.constLast().timestamp < candle.timestamp) {
        m_candles.append(candle);
        return;
    }
    const auto it = std::lower_bound(m_candles.begin(), m_candles.end(), candle, earlier);
    if (it != m_candles.end() && it->timestamp == candle.timestamp)
        *it = candle;
    else
        m_candles.insert(it, candle);
}

void CandleSeries::merge(const CandleSeries &other, bool otherWins)
{
    if (other.isEmpty())
        return;
    if (isEmpty()) {
        m_candles = other.m_candles;
        return;
    }
    const QVector<CandleStick> &a = m_candles;
    const QVector<CandleStick> &b = other.m_candles;
    QVector<CandleStick> merged;
    merged.reserve(a.size() + b.size());
    int i = 0;
    int j = 0;
    while (i < a.size() && j < b.size()) {
        if (a.at(i).timestamp < b.at(j).timestamp) {
            merged.append(a.at(i++));
        } else if (b.at(j).timestamp < a.at(i).timestamp) {
            merged.append(b.at(j++));
        } else {
            merged.append(otherWins ? b.at(j) : a.at(i));
            ++i;
            ++j;
        }
    }
    while (i < a.size())
        merged.append(a.at(i++));
    while (j < b.size())
        merged.append(b.at(j++));
    m_candles = std::move(merged);
}

QVector<CandleStick> CandleSeries::withoutNewest() const
{
    if (m_candles.size() <= 1)
        return {};
    return QVector<CandleStick>(m_candles.cbegin(), m_candles.cend() - 1);
}
