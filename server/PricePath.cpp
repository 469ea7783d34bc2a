#include "server/PricePath.h"

#include <cmath>

namespace {

constexpr double kMeanReversion = 0.002; // per day, pulls the walk back towards the base price
constexpr size_t kHourCacheDays = 64;
constexpr size_t kMinuteCacheHours = 256;

quint64 splitmix(quint64 x)
{
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

quint64 hashOf(quint64 a, quint64 b, quint64 c = 0, quint64 d = 0)
{
    return splitmix(splitmix(splitmix(splitmix(a) ^ b) ^ c) ^ d);
}

// Approximately standard normal: the sum of four 16-bit uniforms of one hash, centred and scaled.
double gaussian(quint64 h)
{
    double sum = 0.0;
    for (int i = 0; i < 4; ++i) {
        sum += (static_cast<double>(h & 0xFFFF) + 0.5) / 65536.0;
        h >>= 16;
    }
    return (sum - 2.0) * 1.7320508075688772;
}

qint64 floorDiv(qint64 a, qint64 b)
{
    qint64 q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

enum : quint64
{
    TagDay = 1,
    TagDayRange = 2,
    TagHour = 3,
    TagMinute = 4,
    TagLeg = 5
};

} // namespace

PricePath::PricePath(quint64 seed, quint64 symbolKey, qint64 basePoints, double dailyVolatility)
    : m_seed(hashOf(seed, symbolKey)), m_basePoints(std::max<qint64>(basePoints, 1)),
      m_dailyVolatility(dailyVolatility)
{
}

double PricePath::dayLog(qint64 day) const
{
    if (day < kAnchorDay)
        return 0.0;
    const size_t index = static_cast<size_t>(day - kAnchorDay);
    while (m_dayLogs.size() <= index) {
        const qint64 d = kAnchorDay + static_cast<qint64>(m_dayLogs.size());
        const double previous = m_dayLogs.empty() ? 0.0 : m_dayLogs.back();
        const double z = gaussian(hashOf(m_seed, TagDay, static_cast<quint64>(d)));
        m_dayLogs.push_back((1.0 - kMeanReversion) * previous + m_dailyVolatility * z);
    }
    return m_dayLogs[index];
}

qint64 PricePath::dayClose(qint64 day) const
{
    return std::max<qint64>(1, std::llround(static_cast<double>(m_basePoints) * std::exp(dayLog(day))));
}

PriceBar PricePath::dayBar(qint64 day) const
{
    PriceBar bar;
    if (day < kAnchorDay)
        return bar;
    bar.time = day * 86400;
    bar.open = day == kAnchorDay ? m_basePoints : dayClose(day - 1);
    bar.close = dayClose(day);
    const quint64 h = hashOf(m_seed, TagDayRange, static_cast<quint64>(day));
    const double scale = static_cast<double>(bar.open) * m_dailyVolatility * 0.6;
    bar.high = std::max(bar.open, bar.close) + std::llround(std::fabs(gaussian(h)) * scale);
    bar.low = std::min(bar.open, bar.close) - std::llround(std::fabs(gaussian(splitmix(h))) * scale);
    bar.low = std::max<qint64>(bar.low, 1);
    bar.valid = true;
    return bar;
}

std::vector<PriceBar> PricePath::split(const PriceBar &parent, int parts, qint64 spanSeconds,
                                       quint64 key) const
{
    std::vector<PriceBar> children(static_cast<size_t>(parts));
    if (!parent.valid)
        return children;

    // A pinned random walk from the parent's open to its close, with wiggles for highs and lows.
    const double n = parts;
    const double step =
        std::max<double>(1.0, static_cast<double>(parent.high - parent.low)) / (1.6 * std::sqrt(n));
    std::vector<double> walk(static_cast<size_t>(parts) + 1, 0.0);
    for (int i = 1; i <= parts; ++i)
        walk[i] = walk[i - 1] + gaussian(hashOf(key, static_cast<quint64>(i)));
    std::vector<double> path(static_cast<size_t>(parts) + 1);
    for (int i = 0; i <= parts; ++i) {
        const double f = i / n;
        path[i] = parent.open + (walk[i] - f * walk[parts]) * step + f * (parent.close - parent.open);
    }
    path[0] = parent.open;
    path[parts] = parent.close;
    std::vector<double> highs(static_cast<size_t>(parts)), lows(static_cast<size_t>(parts));
    for (int i = 0; i < parts; ++i) {
        const quint64 h = hashOf(key, static_cast<quint64>(parts + 1 + i));
        highs[i] = std::max(path[i], path[i + 1]) + std::fabs(gaussian(h)) * step * 0.5;
        lows[i] = std::min(path[i], path[i + 1]) - std::fabs(gaussian(splitmix(h))) * step * 0.5;
    }

    // Monotone map onto the parent's range: the band between open and close stays as it is,
    // what lies above is scaled to end exactly at the high, what lies below at the low.
    const double upper = std::max(parent.open, parent.close);
    const double lower = std::min(parent.open, parent.close);
    int top = 0, bottom = 0;
    for (int i = 1; i < parts; ++i) {
        if (highs[i] > highs[top])
            top = i;
        if (lows[i] < lows[bottom])
            bottom = i;
    }
    const double rawHigh = highs[top];
    const double rawLow = lows[bottom];
    auto map = [&](double x) -> qint64 {
        double y = x;
        if (x > upper)
            y = rawHigh > upper ? upper + (x - upper) * (parent.high - upper) / (rawHigh - upper) : upper;
        else if (x < lower)
            y = rawLow < lower ? lower - (lower - x) * (lower - parent.low) / (lower - rawLow) : lower;
        return std::llround(y);
    };

    for (int i = 0; i < parts; ++i) {
        PriceBar &c = children[i];
        c.time = parent.time + i * spanSeconds / parts;
        c.open = i == 0 ? parent.open : map(path[i]);
        c.close = i == parts - 1 ? parent.close : map(path[i + 1]);
        c.high = map(highs[i]);
        c.low = map(lows[i]);
        c.valid = true;
    }
    children[top].high = parent.high;
    children[bottom].low = parent.low;
    for (PriceBar &c : children) {
        c.high = std::min(parent.high, std::max({c.high, c.open, c.close}));
        c.low = std::max(parent.low, std::min({c.low, c.open, c.close}));
    }
    return children;
}

const std::vector<PriceBar> &PricePath::hoursOf(qint64 day) const
{
    auto it = m_hours.find(day);
    if (it != m_hours.end())
        return it->second;
    if (m_hours.size() >= kHourCacheDays)
        m_hours.clear();
    return m_hours
        .emplace(day, split(dayBar(day), 24, 86400, hashOf(m_seed, TagHour, static_cast<quint64>(day))))
        .first->second;
}

const std::vector<PriceBar> &PricePath::minutesOf(qint64 hour) const
{
    auto it = m_minutes.find(hour);
    if (it != m_minutes.end())
        return it->second;
    if (m_minutes.size() >= kMinuteCacheHours)
        m_minutes.clear();
    return m_minutes
        .emplace(hour, split(hourBar(hour), 60, 3600, hashOf(m_seed, TagMinute, static_cast<quint64>(hour))))
        .first->second;
}

const std::vector<PricePath::Leg> &PricePath::legsOf(qint64 minute) const
{
    if (minute != m_legMinute) {
        const std::vector<PriceBar> bars =
            split(minuteBar(minute), 12, 60, hashOf(m_seed, TagLeg, static_cast<quint64>(minute)));
        m_legs.clear();
        for (int i = 0; i < 12; ++i) {
            Leg leg;
            leg.bar = bars[i];
            leg.highFirst =
                (hashOf(m_seed, TagLeg + 100, static_cast<quint64>(minute), static_cast<quint64>(i)) & 1) !=
                0;
            m_legs.push_back(leg);
        }
        m_legMinute = minute;
    }
    return m_legs;
}

PriceBar PricePath::hourBar(qint64 hour) const
{
    if (hour < kAnchorDay * 24)
        return PriceBar();
    return hoursOf(floorDiv(hour, 24))[static_cast<size_t>(hour - floorDiv(hour, 24) * 24)];
}

PriceBar PricePath::minuteBar(qint64 minute) const
{
    if (minute < kAnchorDay * 1440)
        return PriceBar();
    const qint64 hour = floorDiv(minute, 60);
    return minutesOf(hour)[static_cast<size_t>(minute - hour * 60)];
}

void PricePath::legPoints(qint64 minute, int legIndex, const Leg &leg, qint64 times[4],
                          qint64 prices[4]) const
{
    // The last leg ends a second early, so the minute's close holds through its last second
    // and any tick in it shows the close the bar will keep.
    const qint64 start = minute * 60000 + legIndex * 5000;
    const qint64 length = legIndex == 11 ? 4000 : 5000;
    times[0] = start;
    times[1] = start + length / 3;
    times[2] = start + 2 * length / 3;
    times[3] = start + length;
    prices[0] = leg.bar.open;
    prices[1] = leg.highFirst ? leg.bar.high : leg.bar.low;
    prices[2] = leg.highFirst ? leg.bar.low : leg.bar.high;
    prices[3] = leg.bar.close;
}

qint64 PricePath::priceAt(qint64 ms) const
{
    const qint64 minute = floorDiv(ms, 60000);
    if (minute < kAnchorDay * 1440)
        return m_basePoints;
    const std::vector<Leg> &legs = legsOf(minute);
    const int index = static_cast<int>((ms - minute * 60000) / 5000);
    qint64 times[4], prices[4];
    legPoints(minute, index, legs[static_cast<size_t>(index)], times, prices);
    if (ms >= times[3])
        return prices[3];
    for (int k = 0; k < 3; ++k) {
        if (ms < times[k + 1]) {
            const double f =
                static_cast<double>(ms - times[k]) / static_cast<double>(times[k + 1] - times[k]);
            return std::llround(prices[k] + (prices[k + 1] - prices[k]) * f);
        }
    }
    return prices[3];
}

void PricePath::extremes(qint64 fromMs, qint64 toMs, qint64 &high, qint64 &low) const
{
    const qint64 a = priceAt(fromMs);
    const qint64 b = priceAt(toMs);
    high = std::max(a, b);
    low = std::min(a, b);
    const qint64 minute = floorDiv(fromMs, 60000);
    if (minute < kAnchorDay * 1440)
        return;
    const std::vector<Leg> &legs = legsOf(minute);
    const int first = static_cast<int>((fromMs - minute * 60000) / 5000);
    const int last = std::min<int>(11, static_cast<int>((toMs - minute * 60000) / 5000));
    for (int j = first; j <= last; ++j) {
        qint64 times[4], prices[4];
        legPoints(minute, j, legs[static_cast<size_t>(j)], times, prices);
        for (int k = 0; k < 4; ++k) {
            if (times[k] > fromMs && times[k] < toMs) {
                high = std::max(high, prices[k]);
                low = std::min(low, prices[k]);
            }
        }
    }
}

void PricePath::keyTimes(qint64 minute, qint64 &highMs, qint64 &lowMs, qint64 &closeMs) const
{
    const PriceBar bar = minuteBar(minute);
    const std::vector<Leg> &legs = legsOf(minute);
    highMs = lowMs = -1;
    for (int j = 0; j < 12; ++j) {
        qint64 times[4], prices[4];
        legPoints(minute, j, legs[static_cast<size_t>(j)], times, prices);
        for (int k = 0; k < 4; ++k) {
            if (highMs < 0 && prices[k] == bar.high)
                highMs = times[k];
            if (lowMs < 0 && prices[k] == bar.low)
                lowMs = times[k];
        }
    }
    closeMs = minute * 60000 + 59000;
}
