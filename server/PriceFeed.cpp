#include "server/PriceFeed.h"

#include "server/Clock.h"
#include "server/SymbolCatalog.h"

#include <QDateTime>
#include <QLocale>

namespace {

constexpr qint64 kMinuteMs = 60000;
constexpr qint64 kHourMs = 3600000;
constexpr qint64 kDayMs = 86400000;

qint64 floorDiv(qint64 a, qint64 b)
{
    qint64 q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

qint64 ceilDiv(qint64 a, qint64 b)
{
    return -floorDiv(-a, b);
}

quint64 symbolKey(const QString &name)
{
    // FNV-1a over the name keeps each symbol's path independent of its place in the list.
    quint64 h = 1469598103934665603ULL;
    for (const QChar c : name) {
        h ^= c.unicode();
        h *= 1099511628211ULL;
    }
    return h;
}

qint64 monthStart(int year, int month)
{
    return QDateTime(QDate(year, month, 1), QTime(0, 0), Qt::UTC).toSecsSinceEpoch();
}

} // namespace

PriceFeed::PriceFeed(const SymbolCatalog &catalog, const Clock &clock, quint64 seed, int tickIntervalMs,
                     QObject *parent)
    : QObject(parent), m_catalog(catalog), m_clock(clock), m_seed(seed), m_intervalMs(tickIntervalMs)
{
    m_states.resize(static_cast<size_t>(catalog.count()));
    for (int i = 0; i < catalog.count(); ++i) {
        const SymbolInfo &info = catalog.at(i);
        m_states[i].path = std::make_unique<PricePath>(seed, symbolKey(info.name),
                                                       info.toPoints(info.basePrice), info.dailyVolatility);
    }
    // Every symbol has a price from the start, so sessions and the engine never see an empty quote.
    const qint64 now = m_clock.nowMs();
    for (int i = 0; i < static_cast<int>(m_states.size()); ++i)
        tickSymbol(i, now);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &PriceFeed::onTimer);
}

PriceFeed::~PriceFeed() = default;

void PriceFeed::start()
{
    m_timer.start(m_intervalMs);
}

void PriceFeed::stop()
{
    m_timer.stop();
}

double PriceFeed::bid(int symbol) const
{
    return m_catalog.at(symbol).fromPoints(m_states[symbol].bid);
}

double PriceFeed::ask(int symbol) const
{
    return m_catalog.at(symbol).fromPoints(m_states[symbol].ask);
}

qint64 PriceFeed::bidPoints(int symbol) const
{
    return m_states[symbol].bid;
}

qint64 PriceFeed::askPoints(int symbol) const
{
    return m_states[symbol].ask;
}

qint64 PriceFeed::lastTickMs(int symbol) const
{
    return m_states[symbol].lastTickMs;
}

const QString &PriceFeed::tickMessage(int symbol) const
{
    return m_states[symbol].message;
}

bool PriceFeed::isValidInterval(int minutes)
{
    switch (minutes) {
    case 1:
    case 5:
    case 15:
    case 30:
    case 60:
    case 240:
    case 1440:
    case 10080:
    case 40000:
        return true;
    default:
        return false;
    }
}

void PriceFeed::onTimer()
{
    const qint64 now = m_clock.nowMs();
    QVector<int> symbols;
    symbols.reserve(static_cast<int>(m_states.size()));
    for (int i = 0; i < static_cast<int>(m_states.size()); ++i) {
        tickSymbol(i, now);
        symbols.append(i);
    }
    emit ticked(symbols);
}

const PriceFeed::Hold *PriceFeed::holdAt(const State &state, qint64 ms) const
{
    for (const Hold &h : state.holds)
        if (h.startMs <= ms && ms < h.endMs)
            return &h;
    return nullptr;
}

bool PriceFeed::holdOverlaps(const State &state, qint64 fromMs, qint64 toMs) const
{
    for (const Hold &h : state.holds)
        if (h.startMs < toMs && h.endMs > fromMs)
            return true;
    return false;
}

void PriceFeed::tickSymbol(int symbol, qint64 nowMs)
{
    State &s = m_states[symbol];
    const SymbolInfo &info = m_catalog.at(symbol);
    // Ticks never go back in time, even if the wall clock does.
    const qint64 t = std::max(nowMs, s.lastTickMs);
    const qint64 minute = floorDiv(t, kMinuteMs);
    if (s.stickyMinute != minute) {
        s.stickyMinute = minute;
        s.shown[0] = s.shown[1] = s.shown[2] = false;
    }

    qint64 bid = 0;
    qint64 ask = 0;
    if (const Hold *hold = holdAt(s, t)) {
        bid = hold->bid;
        ask = hold->ask;
    } else {
        // The minute's high, low and close are shown by the first tick after they happen, so a
        // chart built from ticks reaches the same bar as the history answer.
        qint64 keyMs[3];
        s.path->keyTimes(minute, keyMs[0], keyMs[1], keyMs[2]);
        const PriceBar bar = s.path->minuteBar(minute);
        const qint64 keyPrice[3] = {bar.high, bar.low, bar.close};
        int pending = -1;
        for (int k = 0; k < 3; ++k)
            if (!s.shown[k] && keyMs[k] >= 0 && keyMs[k] <= t && (pending < 0 || keyMs[k] < keyMs[pending]))
                pending = k;
        bid = pending >= 0 ? keyPrice[pending] : s.path->priceAt(t);
        for (int k = 0; k < 3; ++k)
            if (keyMs[k] >= 0 && keyMs[k] <= t && keyPrice[k] == bid)
                s.shown[k] = true;
        ask = bid + info.spreadPoints;
    }
    s.lastTickMs = t;
    s.bid = bid;
    s.ask = ask;

    // The day so far: cached up to the current minute, then the forming minute.
    const qint64 dayStart = floorDiv(t, kDayMs) * kDayMs;
    if (s.prefixMinute != minute || s.prefixVersion != s.holdsVersion) {
        s.dayPrefix =
            minute * kMinuteMs > dayStart ? rangeBar(symbol, dayStart, minute * kMinuteMs) : PriceBar();
        s.prefixMinute = minute;
        s.prefixVersion = s.holdsVersion;
    }
    PriceBar day = s.dayPrefix;
    day.merge(minuteBar(symbol, minute, t + 1, true));
    s.dayHigh = day.high;
    s.dayLow = day.low;
    buildMessage(symbol);
}

namespace {

// The shortest text that reads back as the same double, as QJsonDocument writes numbers.
QLatin1String number(double value, QByteArray &buffer)
{
    buffer = QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
    return QLatin1String(buffer);
}

} // namespace

void PriceFeed::buildMessage(int symbol)
{
    State &s = m_states[symbol];
    const SymbolInfo &info = m_catalog.at(symbol);
    // Written by hand: this runs for every symbol on every tick, and the generic JSON writer
    // was the largest cost of the price stream.
    const qint64 seconds = s.lastTickMs / 1000;
    // Tick volume: a deterministic whole number of lots.
    const quint64 h =
        (static_cast<quint64>(s.lastTickMs) * 0x9E3779B97F4A7C15ULL) ^ m_seed ^ (symbol * 7919ULL);
    const qint64 volume = static_cast<qint64>(((h >> 33) % 20 + 1) * 10000);
    QByteArray b[6];
    s.message =
        QStringLiteral("{\"res_code\":2,\"symbol\":\"") % info.name % QStringLiteral("\",\"timestamp\":") %
        QString::number(seconds) % QStringLiteral(",\"server_time\":") % QString::number(seconds) %
        QStringLiteral(",\"tm_ms\":") % QString::number(s.lastTickMs) % QStringLiteral(",\"bid\":") %
        number(info.fromPoints(s.bid), b[0]) % QStringLiteral(",\"ask\":") %
        number(info.fromPoints(s.ask), b[1]) % QStringLiteral(",\"volume\":") % QString::number(volume) %
        QStringLiteral(",\"digits\":") % QString::number(info.digits) % QStringLiteral(",\"bid_high\":") %
        number(info.fromPoints(s.dayHigh), b[2]) % QStringLiteral(",\"bid_low\":") %
        number(info.fromPoints(s.dayLow), b[3]) % QStringLiteral(",\"ask_high\":") %
        number(info.fromPoints(std::max(s.dayHigh + info.spreadPoints, s.ask)), b[4]) %
        QStringLiteral(",\"ask_low\":") %
        number(info.fromPoints(std::min(s.dayLow + info.spreadPoints, s.ask)), b[5]) %
        QStringLiteral(",\"min_vol\":") % QString::number(info.minVolume) % QStringLiteral(",\"max_vol\":") %
        QString::number(info.maxVolume) % QStringLiteral(",\"step_vol\":") %
        QString::number(info.stepVolume) % QLatin1Char('}');
}

PriceBar PriceFeed::minuteBar(int symbol, qint64 minute, qint64 toMs, bool forming)
{
    State &s = m_states[symbol];
    const qint64 start = minute * kMinuteMs;
    const PriceBar formula = s.path->minuteBar(minute);
    if (!formula.valid)
        return formula;
    if (!forming && !holdOverlaps(s, start, toMs))
        return formula;

    PriceBar bar;
    bar.time = minute * 60;
    bar.valid = true;
    const Hold *atOpen = holdAt(s, start);
    bar.open = atOpen ? atOpen->bid : formula.open;
    bar.high = bar.low = bar.open;
    auto include = [&bar](qint64 high, qint64 low) {
        bar.high = std::max(bar.high, high);
        bar.low = std::min(bar.low, low);
    };
    qint64 cursor = start;
    for (const Hold &h : s.holds) {
        if (!(h.startMs < toMs && h.endMs > start))
            continue;
        if (h.startMs > cursor) {
            qint64 hi, lo;
            s.path->extremes(cursor, h.startMs - 1, hi, lo);
            include(hi, lo);
        }
        include(h.bid, h.bid);
        cursor = std::max(cursor, std::min(toMs, h.endMs));
    }
    if (cursor < toMs) {
        qint64 hi, lo;
        s.path->extremes(cursor, toMs - 1, hi, lo);
        include(hi, lo);
    }
    if (forming) {
        bar.close = s.bid;
    } else {
        const Hold *atClose = holdAt(s, toMs - 1);
        bar.close = atClose ? atClose->bid : formula.close;
    }
    include(bar.close, bar.close);
    return bar;
}

PriceBar PriceFeed::rangeBar(int symbol, qint64 fromMs, qint64 toMs)
{
    State &s = m_states[symbol];
    PriceBar result;
    const qint64 end = std::min(toMs, s.lastTickMs + 1);
    qint64 t = std::max(fromMs, PricePath::kAnchorSeconds * 1000);
    while (t < end) {
        if (t % kDayMs == 0 && t + kDayMs <= end && !holdOverlaps(s, t, t + kDayMs)) {
            result.merge(s.path->dayBar(t / kDayMs));
            t += kDayMs;
        } else if (t % kHourMs == 0 && t + kHourMs <= end && !holdOverlaps(s, t, t + kHourMs)) {
            result.merge(s.path->hourBar(t / kHourMs));
            t += kHourMs;
        } else if (t + kMinuteMs <= end) {
            result.merge(minuteBar(symbol, t / kMinuteMs, t + kMinuteMs, false));
            t += kMinuteMs;
        } else {
            result.merge(minuteBar(symbol, t / kMinuteMs, end, true));
            t = end;
        }
    }
    if (result.valid)
        result.time = fromMs / 1000;
    return result;
}

QVector<PriceBar> PriceFeed::candles(int symbol, int intervalMinutes, qint64 from, qint64 to)
{
    QVector<PriceBar> bars;
    if (symbol < 0 || symbol >= static_cast<int>(m_states.size()) || !isValidInterval(intervalMinutes))
        return bars;
    const qint64 nowSeconds = m_states[symbol].lastTickMs / 1000;
    if (to < 0 || to > nowSeconds)
        to = nowSeconds;
    from = std::max(from, PricePath::kAnchorSeconds);
    if (to < from)
        return bars;

    QVector<qint64> opens;
    if (intervalMinutes == 40000) {
        const QDate first = QDateTime::fromSecsSinceEpoch(from, Qt::UTC).date();
        int year = first.year();
        int month = first.month();
        if (monthStart(year, month) < from && ++month > 12) {
            month = 1;
            ++year;
        }
        for (qint64 start = monthStart(year, month); start <= to; start = monthStart(year, month)) {
            opens.append(start);
            if (++month > 12) {
                month = 1;
                ++year;
            }
        }
        if (opens.size() > kMaxBars)
            opens.remove(0, opens.size() - kMaxBars);
    } else {
        const qint64 length = intervalMinutes * 60LL;
        qint64 first = ceilDiv(from, length) * length;
        const qint64 last = floorDiv(to, length) * length;
        if (last < first)
            return bars;
        if ((last - first) / length + 1 > kMaxBars)
            first = last - (kMaxBars - 1) * length;
        for (qint64 start = first; start <= last; start += length)
            opens.append(start);
    }

    bars.reserve(opens.size());
    for (int i = 0; i < opens.size(); ++i) {
        qint64 end;
        if (intervalMinutes == 40000) {
            const QDate d = QDateTime::fromSecsSinceEpoch(opens[i], Qt::UTC).date().addMonths(1);
            end = monthStart(d.year(), d.month());
        } else {
            end = opens[i] + intervalMinutes * 60LL;
        }
        PriceBar bar = rangeBar(symbol, opens[i] * 1000, end * 1000);
        if (!bar.valid)
            continue;
        bar.time = opens[i];
        bars.append(bar);
    }
    return bars;
}

void PriceFeed::holdPrice(int symbol, qint64 bidPoints, qint64 askPoints, qint64 holdMs)
{
    State &s = m_states[symbol];
    const qint64 now = std::max(m_clock.nowMs(), s.lastTickMs);
    for (Hold &h : s.holds)
        if (h.endMs > now)
            h.endMs = now;
    Hold hold;
    hold.startMs = now;
    hold.endMs = holdMs > 0 ? now + holdMs : kHoldForever;
    hold.bid = bidPoints;
    hold.ask = askPoints;
    s.holds.append(hold);
    ++s.holdsVersion;
    tickSymbol(symbol, now);
    emit ticked({symbol});
}

void PriceFeed::releasePrice(int symbol)
{
    State &s = m_states[symbol];
    const qint64 now = std::max(m_clock.nowMs(), s.lastTickMs);
    bool changed = false;
    for (Hold &h : s.holds) {
        if (h.endMs > now) {
            h.endMs = now;
            changed = true;
        }
    }
    if (!changed)
        return;
    ++s.holdsVersion;
    tickSymbol(symbol, now);
    emit ticked({symbol});
}
