#pragma once

#include "net/PendingOrder.h"
#include "net/Position.h"
#include "net/TickData.h"

#include <QJsonArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QVector>

// The account's open positions and pending orders as last reported by the
// server, with every position's profit kept current from the price stream.
// Main thread only.
class PositionDataStore : public QObject
{
    Q_OBJECT
public:
    explicit PositionDataStore(QObject *parent = nullptr);

    // The positions array of an open-positions push that completes a list.
    void setOpenPositions(const QJsonArray &array);
    // The array of a pending-orders push.
    void setPendingOrders(const QJsonArray &array);

    // Ascending ticket order.
    QList<Position> openPositions() const;
    QList<PendingOrder> pendingOrders() const;

    // Lookups never insert; an unknown ticket gives a default record and found false.
    Position position(qint64 ticket, bool *found = nullptr) const;
    PendingOrder order(qint64 ticket, bool *found = nullptr) const;

    // Close-by partners: the positions of the same symbol on the other side,
    // ascending ticket order; empty for an unknown ticket.
    QList<Position> oppositePositions(qint64 ticket) const;

public slots:
    void onPriceChanged(const TickData &tick);
    // Empties positions and orders; the latest ticks stay so the next
    // positions are priced at once. Emits nothing.
    void clear();

signals:
    void openPositionChanged();
    void positionProfitChanged(const Position &position);
    void netProfitChanged(double netProfit);
    void symbolNetProfitChanged(const QString &symbol, int positions, double buy_volume, double buy_price,
                                double sell_volume, double sell_price, double net_profit);

private:
    double totalProfit();

    // One symbol's positions: their tickets, ascending, and the sum of their
    // profits, so the account total never needs a pass over every position.
    struct SymbolBook
    {
        QVector<qint64> tickets;
        double profit = 0.0;
    };

    QMap<qint64, Position> m_positions;
    QMap<qint64, PendingOrder> m_orders;
    // Rebuilt together with m_positions.
    QMap<QString, SymbolBook> m_ticketsBySymbol;
    QMap<QString, TickData> m_latestTicks;

    // The account total, recomputed from the books only after some profit changed.
    double m_totalProfit = 0.0;
    bool m_totalProfitValid = false;
};
