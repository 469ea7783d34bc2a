#include "data/PositionDataStore.h"

#include <QJsonObject>
#include <QJsonValue>

PositionDataStore::PositionDataStore(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<TickData>();
    qRegisterMetaType<Position>();
    qRegisterMetaType<PendingOrder>();
}

void PositionDataStore::setOpenPositions(const QJsonArray &array)
{
    QMap<qint64, Position> positions;
    for (const QJsonValue &element : array) {
        Position position(element.toObject());
        const qint64 ticket = position.ticket;
        positions.insert(ticket, std::move(position));
    }

    // The server's report repeats itself between changes; the locally computed
    // prices and profits are kept unless something other than them differs.
    if (positions.size() == m_positions.size()) {
        bool same = true;
        for (auto it = positions.constBegin(), old = m_positions.constBegin();
             same && it != positions.constEnd(); ++it, ++old)
            same = it.key() == old.key() && it->sameAs(*old);
        if (same)
            return;
    }

    m_positions.clear();
    m_ticketsBySymbol.clear();
    for (auto it = positions.begin(); it != positions.end(); ++it) {
        Position &position = it.value();
        const auto tick = m_latestTicks.constFind(position.symbol);
        if (tick == m_latestTicks.constEnd())
            position.current_price = 0.0;
        else
            position.current_price = position.isSell() ? tick->ask : tick->bid;
        SymbolBook &book = m_ticketsBySymbol[position.symbol];
        book.tickets.append(it.key());
        book.profit += position.profit;
    }
    m_positions = positions;
    m_totalProfitValid = false;
    emit openPositionChanged();
}

void PositionDataStore::setPendingOrders(const QJsonArray &array)
{
    m_orders.clear();
    for (const QJsonValue &element : array) {
        PendingOrder order(element.toObject());
        const qint64 ticket = order.ticket;
        m_orders.insert(ticket, std::move(order));
    }
    emit openPositionChanged();
}

void PositionDataStore::onPriceChanged(const TickData &tick)
{
    if (tick.symbol.isEmpty())
        return;
    auto latest = m_latestTicks.find(tick.symbol);
    if (latest != m_latestTicks.end()) {
        if (latest->sameQuote(tick))
            return;
        *latest = tick;
    } else {
        m_latestTicks.insert(tick.symbol, tick);
    }

    const auto book = m_ticketsBySymbol.find(tick.symbol);
    if (book != m_ticketsBySymbol.end()) {
        int count = 0;
        double buyVolume = 0.0;
        double sellVolume = 0.0;
        double buyWeighted = 0.0;
        double sellWeighted = 0.0;
        double buyPriceSum = 0.0;
        double sellPriceSum = 0.0;
        int buys = 0;
        double netProfit = 0.0;
        for (const qint64 ticket : qAsConst(book->tickets)) {
            const auto found = m_positions.find(ticket);
            if (found == m_positions.end())
                continue;
            Position &position = found.value();
            const bool sell = position.isSell();
            const double price = sell ? tick.ask : tick.bid;
            if (price != position.current_price) {
                position.current_price = price;
                position.digits = tick.digits;
                position.profit = position.profitAt(price);
                m_totalProfitValid = false;
                emit positionProfitChanged(position);
            }
            ++count;
            if (sell) {
                sellVolume += position.volume;
                sellWeighted += position.price * position.volume;
                sellPriceSum += position.price;
            } else {
                ++buys;
                buyVolume += position.volume;
                buyWeighted += position.price * position.volume;
                buyPriceSum += position.price;
            }
            netProfit += position.profit;
        }
        book->profit = netProfit;
        if (count > 0) {
            // Volume-weighted, as the net positions view shows them; a side whose
            // volumes are all zero falls back to the plain mean instead of 0/0.
            const int sells = count - buys;
            const double buyPrice =
                buys == 0 ? 0.0 : (buyVolume != 0.0 ? buyWeighted / buyVolume : buyPriceSum / buys);
            const double sellPrice =
                sells == 0 ? 0.0 : (sellVolume != 0.0 ? sellWeighted / sellVolume : sellPriceSum / sells);
            emit symbolNetProfitChanged(tick.symbol, count, buyVolume, buyPrice, sellVolume, sellPrice,
                                        netProfit);
        }
    }

    emit netProfitChanged(totalProfit());
}

double PositionDataStore::totalProfit()
{
    if (!m_totalProfitValid) {
        double sum = 0.0;
        for (const SymbolBook &book : qAsConst(m_ticketsBySymbol))
            sum += book.profit;
        m_totalProfit = sum;
        m_totalProfitValid = true;
    }
    return m_totalProfit;
}

void PositionDataStore::clear()
{
    m_positions.clear();
    m_orders.clear();
    m_ticketsBySymbol.clear();
    m_totalProfitValid = false;
}

QList<Position> PositionDataStore::openPositions() const
{
    return m_positions.values();
}

QList<PendingOrder> PositionDataStore::pendingOrders() const
{
    return m_orders.values();
}

Position PositionDataStore::position(qint64 ticket, bool *found) const
{
    const auto it = m_positions.constFind(ticket);
    const bool known = it != m_positions.constEnd();
    if (found)
        *found = known;
    return known ? *it : Position();
}

PendingOrder PositionDataStore::order(qint64 ticket, bool *found) const
{
    const auto it = m_orders.constFind(ticket);
    const bool known = it != m_orders.constEnd();
    if (found)
        *found = known;
    return known ? *it : PendingOrder();
}

QList<Position> PositionDataStore::oppositePositions(qint64 ticket) const
{
    QList<Position> opposite;
    const auto it = m_positions.constFind(ticket);
    if (it == m_positions.constEnd())
        return opposite;
    // The side is decided as everywhere else (exactly "sell" or not), so an
    // unexpected type text is never offered as a partner of its own side.
    const bool sell = it->isSell();
    const auto book = m_ticketsBySymbol.constFind(it->symbol);
    if (book == m_ticketsBySymbol.constEnd())
        return opposite;
    for (const qint64 other : book->tickets) {
        const auto candidate = m_positions.constFind(other);
        if (candidate != m_positions.constEnd() && candidate->isSell() != sell)
            opposite.append(*candidate);
    }
    return opposite;
}
