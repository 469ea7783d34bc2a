#include "data/PositionDataStore.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QSignalSpy>
#include <QtTest>

namespace {

// volume in wire units (10000 = 1 lot).
QJsonObject positionJson(qint64 ticket, const QString &symbol, const QString &type, int volume, double price,
                         double profit = 0.0)
{
    return QJsonObject{{QStringLiteral("login"), 5001},      {QStringLiteral("ticket"), ticket},
                       {QStringLiteral("symbol"), symbol},   {QStringLiteral("type"), type},
                       {QStringLiteral("volume"), volume},   {QStringLiteral("price_o"), price},
                       {QStringLiteral("sl"), 0.0},          {QStringLiteral("tp"), 0.0},
                       {QStringLiteral("profit"), profit},   {QStringLiteral("csize"), 100000.0},
                       {QStringLiteral("time"), 1700000000}, {QStringLiteral("r_profit"), 1.0},
                       {QStringLiteral("swap"), -0.5},       {QStringLiteral("digits"), 5}};
}

QJsonObject orderJson(qint64 ticket, const QString &symbol, int type, double price)
{
    return QJsonObject{{QStringLiteral("ticket"), ticket}, {QStringLiteral("symbol"), symbol},
                       {QStringLiteral("type"), type},     {QStringLiteral("volume"), 10000},
                       {QStringLiteral("price"), price},   {QStringLiteral("digits"), 5}};
}

QJsonObject withField(QJsonObject object, const QString &key, const QJsonValue &value)
{
    object.insert(key, value);
    return object;
}

TickData makeTick(const QString &symbol, double bid, double ask, int digits = 5)
{
    TickData tick;
    tick.symbol = symbol;
    tick.bid = bid;
    tick.ask = ask;
    tick.digits = digits;
    return tick;
}

QList<qint64> tickets(const QList<Position> &positions)
{
    QList<qint64> result;
    for (const Position &position : positions)
        result << position.ticket;
    return result;
}

// The arguments of one symbolNetProfitChanged.
struct Summary
{
    QString symbol;
    int positions = 0;
    double buyVolume = 0, buyPrice = 0, sellVolume = 0, sellPrice = 0, netProfit = 0;
};

Summary summaryAt(const QSignalSpy &spy, int index)
{
    const QList<QVariant> args = spy.at(index);
    return Summary{args.at(0).toString(), args.at(1).toInt(),    args.at(2).toDouble(), args.at(3).toDouble(),
                   args.at(4).toDouble(), args.at(5).toDouble(), args.at(6).toDouble()};
}

} // namespace

class TestPositionDataStore : public QObject
{
    Q_OBJECT
private slots:
    void pricing_data();
    void pricing();
    void bidOnlyChangeMovesBuysOnly();
    void sameQuoteTwiceChangesNothing();
    void symbolWithoutPositions();
    void summaryAverages_data();
    void summaryAverages();
    void netProfitSumsAllSymbols();
    void identicalPushKeepsLocalProfits();
    void changedPushRebuilds_data();
    void changedPushRebuilds();
    void newPositionPricedFromLastTick();
    void repeatedTicketInOnePush();
    void lookupsNeverInsert();
    void oppositePositions_data();
    void oppositePositions();
    void pendingOrders();
    void clearKeepsLatestTicks();
};

void TestPositionDataStore::pricing_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("volume");
    QTest::addColumn<double>("price");
    QTest::addColumn<double>("rProfit");
    QTest::addColumn<double>("bid");
    QTest::addColumn<double>("ask");
    QTest::addColumn<double>("currentPrice");
    QTest::addColumn<double>("profit");
    QTest::newRow("buy uses the bid") << "buy" << 1000 << 1.1000 << 1.0 << 1.1010 << 1.1030 << 1.1010 << 10.0;
    QTest::newRow("buy in loss") << "buy" << 10000 << 1.1000 << 1.0 << 1.0990 << 1.0992 << 1.0990 << -100.0;
    QTest::newRow("sell uses the ask")
        << "sell" << 1000 << 1.1000 << 1.0 << 1.0980 << 1.0990 << 1.0990 << 10.0;
    QTest::newRow("sell in loss") << "sell" << 1000 << 1.1000 << 1.0 << 1.1010 << 1.1020 << 1.1020 << -20.0;
    QTest::newRow("rate scales the profit")
        << "buy" << 1000 << 1.1000 << 0.5 << 1.1010 << 1.1030 << 1.1010 << 5.0;
    QTest::newRow("Sell with a capital is a buy")
        << "Sell" << 1000 << 1.1000 << 1.0 << 1.1010 << 1.1030 << 1.1010 << 10.0;
    QTest::newRow("empty type is a buy") << "" << 1000 << 1.1000 << 1.0 << 1.1010 << 1.1030 << 1.1010 << 10.0;
}

void TestPositionDataStore::pricing()
{
    QFETCH(QString, type);
    QFETCH(int, volume);
    QFETCH(double, price);
    QFETCH(double, rProfit);
    QFETCH(double, bid);
    QFETCH(double, ask);
    QFETCH(double, currentPrice);
    QFETCH(double, profit);

    PositionDataStore store;
    store.setOpenPositions({withField(positionJson(7, "EURUSD", type, volume, price, 123.0),
                                      QStringLiteral("r_profit"), rProfit)});
    QSignalSpy profitSpy(&store, &PositionDataStore::positionProfitChanged);
    QSignalSpy netSpy(&store, &PositionDataStore::netProfitChanged);
    store.onPriceChanged(makeTick("EURUSD", bid, ask, 4));

    QCOMPARE(profitSpy.count(), 1);
    const Position emitted = profitSpy.at(0).at(0).value<Position>();
    QCOMPARE(emitted.ticket, qint64(7));
    QCOMPARE(emitted.current_price, currentPrice);
    QVERIFY2(qAbs(emitted.profit - profit) < 1e-6, qPrintable(QString::number(emitted.profit, 'f', 10)));
    QCOMPARE(emitted.digits, 4); // taken from the tick
    const Position stored = store.position(7);
    QCOMPARE(stored.current_price, currentPrice);
    QCOMPARE(stored.profit, emitted.profit);
    QCOMPARE(netSpy.count(), 1);
    QCOMPARE(netSpy.at(0).at(0).toDouble(), emitted.profit);
}

void TestPositionDataStore::bidOnlyChangeMovesBuysOnly()
{
    PositionDataStore store;
    store.setOpenPositions({positionJson(1, "EURUSD", "buy", 10000, 1.1000),
                            positionJson(2, "EURUSD", "sell", 20000, 1.1010),
                            positionJson(3, "GBPUSD", "buy", 10000, 1.2500)});
    store.onPriceChanged(makeTick("EURUSD", 1.1000, 1.1002));
    const double sellProfit = store.position(2).profit;

    QSignalSpy profitSpy(&store, &PositionDataStore::positionProfitChanged);
    QSignalSpy summarySpy(&store, &PositionDataStore::symbolNetProfitChanged);
    store.onPriceChanged(makeTick("EURUSD", 1.1005, 1.1002));

    QCOMPARE(profitSpy.count(), 1);
    QCOMPARE(profitSpy.at(0).at(0).value<Position>().ticket, qint64(1));
    QCOMPARE(store.position(2).profit, sellProfit);
    QCOMPARE(store.position(2).current_price, 1.1002);

    // Both sides are counted; the other symbol is not.
    QCOMPARE(summarySpy.count(), 1);
    const Summary summary = summaryAt(summarySpy, 0);
    QCOMPARE(summary.symbol, QStringLiteral("EURUSD"));
    QCOMPARE(summary.positions, 2);
    QCOMPARE(summary.buyVolume, 1.0);
    QCOMPARE(summary.sellVolume, 2.0);
    QCOMPARE(summary.buyPrice, 1.1000);
    QCOMPARE(summary.sellPrice, 1.1010);
    QVERIFY(qAbs(summary.netProfit - (store.position(1).profit + sellProfit)) < 1e-9);
    QVERIFY(qAbs(store.position(1).profit - 50.0) < 1e-6);
}

void TestPositionDataStore::sameQuoteTwiceChangesNothing()
{
    PositionDataStore store;
    store.setOpenPositions({positionJson(1, "EURUSD", "buy", 10000, 1.1000)});
    QSignalSpy profitSpy(&store, &PositionDataStore::positionProfitChanged);
    QSignalSpy summarySpy(&store, &PositionDataStore::symbolNetProfitChanged);
    QSignalSpy netSpy(&store, &PositionDataStore::netProfitChanged);

    TickData tick = makeTick("EURUSD", 1.1010, 1.1012);
    store.onPriceChanged(tick);
    tick.volume = 5.0; // not part of the quote
    tick.timestamp = 1700000100;
    store.onPriceChanged(tick);
    QCOMPARE(profitSpy.count(), 1);
    QCOMPARE(summarySpy.count(), 1);
    QCOMPARE(netSpy.count(), 1);

    // Changing only the digits is a new quote.
    tick.digits = 4;
    store.onPriceChanged(tick);
    QCOMPARE(summarySpy.count(), 2);
    QCOMPARE(netSpy.count(), 2);
    QCOMPARE(profitSpy.count(), 1); // the bid did not move

    // An empty symbol is ignored entirely.
    store.onPriceChanged(makeTick(QString(), 1.0, 1.0));
    QCOMPARE(netSpy.count(), 2);
}

void TestPositionDataStore::symbolWithoutPositions()
{
    PositionDataStore store;
    store.setOpenPositions({positionJson(1, "EURUSD", "buy", 10000, 1.1000)});
    store.onPriceChanged(makeTick("EURUSD", 1.1010, 1.1012));
    QSignalSpy profitSpy(&store, &PositionDataStore::positionProfitChanged);
    QSignalSpy summarySpy(&store, &PositionDataStore::symbolNetProfitChanged);
    QSignalSpy netSpy(&store, &PositionDataStore::netProfitChanged);

    store.onPriceChanged(makeTick("USDJPY", 150.0, 150.02, 3));
    QCOMPARE(profitSpy.count(), 0);
    QCOMPARE(summarySpy.count(), 0);
    QCOMPARE(netSpy.count(), 1);
    QVERIFY(qAbs(netSpy.at(0).at(0).toDouble() - 100.0) < 1e-6);
    QCOMPARE(store.openPositions().size(), 1);
}

void TestPositionDataStore::summaryAverages_data()
{
    QTest::addColumn<QJsonArray>("positions");
    QTest::addColumn<int>("count");
    QTest::addColumn<double>("buyVolume");
    QTest::addColumn<double>("buyPrice");
    QTest::addColumn<double>("sellVolume");
    QTest::addColumn<double>("sellPrice");

    QTest::newRow("two buys weighted by volume")
        << QJsonArray{positionJson(1, "EURUSD", "buy", 10000, 1.1000),
                      positionJson(2, "EURUSD", "buy", 30000, 1.2000)}
        << 2 << 4.0 << 1.1750 << 0.0 << 0.0;
    QTest::newRow("two sells weighted by volume")
        << QJsonArray{positionJson(1, "EURUSD", "sell", 1000, 1.3000),
                      positionJson(2, "EURUSD", "sell", 3000, 1.1000)}
        << 2 << 0.0 << 0.0 << 0.4 << 1.1500;
    QTest::newRow("one position per side gives its price")
        << QJsonArray{positionJson(1, "EURUSD", "buy", 2500, 1.1000),
                      positionJson(2, "EURUSD", "sell", 100, 1.1050)}
        << 2 << 0.25 << 1.1000 << 0.01 << 1.1050;
    QTest::newRow("sides averaged apart") << QJsonArray{positionJson(1, "EURUSD", "buy", 10000, 1.1000),
                                                        positionJson(2, "EURUSD", "sell", 10000, 1.3000),
                                                        positionJson(3, "EURUSD", "buy", 10000, 1.2000),
                                                        positionJson(4, "EURUSD", "sell", 30000, 1.1000)}
                                          << 4 << 2.0 << 1.1500 << 4.0 << 1.1500;
    QTest::newRow("zero volumes fall back to the plain mean")
        << QJsonArray{positionJson(1, "EURUSD", "buy", 0, 1.1000),
                      positionJson(2, "EURUSD", "buy", 0, 1.2000)}
        << 2 << 0.0 << 1.1500 << 0.0 << 0.0;
    QTest::newRow("other symbols do not count") << QJsonArray{positionJson(1, "EURUSD", "buy", 10000, 1.1000),
                                                              positionJson(2, "GBPUSD", "buy", 90000, 1.5000)}
                                                << 1 << 1.0 << 1.1000 << 0.0 << 0.0;
}

void TestPositionDataStore::summaryAverages()
{
    QFETCH(QJsonArray, positions);
    QFETCH(int, count);
    QFETCH(double, buyVolume);
    QFETCH(double, buyPrice);
    QFETCH(double, sellVolume);
    QFETCH(double, sellPrice);
    PositionDataStore store;
    store.setOpenPositions(positions);
    QSignalSpy summarySpy(&store, &PositionDataStore::symbolNetProfitChanged);
    store.onPriceChanged(makeTick("EURUSD", 1.1500, 1.1502));
    QCOMPARE(summarySpy.count(), 1);
    const Summary summary = summaryAt(summarySpy, 0);
    QCOMPARE(summary.positions, count);
    QVERIFY(qAbs(summary.buyVolume - buyVolume) < 1e-9);
    QVERIFY2(qAbs(summary.buyPrice - buyPrice) < 1e-9,
             qPrintable(QString::number(summary.buyPrice, 'f', 10)));
    QVERIFY(qAbs(summary.sellVolume - sellVolume) < 1e-9);
    QVERIFY2(qAbs(summary.sellPrice - sellPrice) < 1e-9,
             qPrintable(QString::number(summary.sellPrice, 'f', 10)));
    QVERIFY(std::isfinite(summary.buyPrice) && std::isfinite(summary.sellPrice));

    double expectedNet = 0.0;
    for (const Position &position : store.openPositions())
        if (position.symbol == QLatin1String("EURUSD"))
            expectedNet += position.profit;
    QVERIFY(qAbs(summary.netProfit - expectedNet) < 1e-9);
}

void TestPositionDataStore::netProfitSumsAllSymbols()
{
    PositionDataStore store;
    store.setOpenPositions({positionJson(1, "EURUSD", "buy", 10000, 1.1000, 0.0),
                            positionJson(2, "GBPUSD", "sell", 10000, 1.2500, -7.5)});
    QSignalSpy netSpy(&store, &PositionDataStore::netProfitChanged);
    store.onPriceChanged(makeTick("EURUSD", 1.1010, 1.1012));
    // GBPUSD has no price yet: its server profit counts as it is.
    QVERIFY(qAbs(netSpy.last().at(0).toDouble() - (100.0 - 7.5)) < 1e-6);
    store.onPriceChanged(makeTick("GBPUSD", 1.2480, 1.2490));
    QVERIFY(qAbs(netSpy.last().at(0).toDouble() - (100.0 + 100.0)) < 1e-6);
    store.onPriceChanged(makeTick("EURUSD", 1.0990, 1.0992));
    QVERIFY(qAbs(netSpy.last().at(0).toDouble() - (-100.0 + 100.0)) < 1e-6);
    QCOMPARE(netSpy.count(), 3);
}

void TestPositionDataStore::identicalPushKeepsLocalProfits()
{
    PositionDataStore store;
    const QJsonArray push{positionJson(1, "EURUSD", "buy", 10000, 1.1000, 3.0),
                          positionJson(2, "EURUSD", "sell", 10000, 1.1000, 4.0)};
    QSignalSpy changedSpy(&store, &PositionDataStore::openPositionChanged);
    store.setOpenPositions(push);
    QCOMPARE(changedSpy.count(), 1);
    store.onPriceChanged(makeTick("EURUSD", 1.1010, 1.1012));
    const double local = store.position(1).profit;
    QVERIFY(qAbs(local - 100.0) < 1e-6);

    // The server's own profit values differ; nothing else does.
    QJsonArray again;
    for (const QJsonValue &element : push)
        again.append(withField(element.toObject(), QStringLiteral("profit"), 55.0));
    store.setOpenPositions(again);
    QCOMPARE(changedSpy.count(), 1);
    QCOMPARE(store.position(1).profit, local);
    QCOMPARE(store.position(1).current_price, 1.1010);
    QCOMPARE(store.position(2).current_price, 1.1012);
}

void TestPositionDataStore::changedPushRebuilds_data()
{
    QTest::addColumn<QJsonArray>("second");
    const QJsonObject one = positionJson(1, "EURUSD", "buy", 10000, 1.1000);
    const QJsonObject two = positionJson(2, "GBPUSD", "sell", 10000, 1.2500);
    QTest::newRow("position added") << QJsonArray{one, two, positionJson(3, "EURUSD", "buy", 10000, 1.1)};
    QTest::newRow("position closed") << QJsonArray{one};
    QTest::newRow("all closed") << QJsonArray{};
    QTest::newRow("ticket replaced") << QJsonArray{one, withField(two, QStringLiteral("ticket"), 9)};
    QTest::newRow("stop loss moved") << QJsonArray{one, withField(two, QStringLiteral("sl"), 1.26)};
    QTest::newRow("take profit moved") << QJsonArray{withField(one, QStringLiteral("tp"), 1.2), two};
    QTest::newRow("partly closed") << QJsonArray{withField(one, QStringLiteral("volume"), 5000), two};
    QTest::newRow("swap charged") << QJsonArray{one, withField(two, QStringLiteral("swap"), -1.0)};
    QTest::newRow("type differs") << QJsonArray{
        withField(one, QStringLiteral("type"), QStringLiteral("sell")), two};
}

void TestPositionDataStore::changedPushRebuilds()
{
    QFETCH(QJsonArray, second);
    PositionDataStore store;
    store.setOpenPositions(
        {positionJson(1, "EURUSD", "buy", 10000, 1.1000), positionJson(2, "GBPUSD", "sell", 10000, 1.2500)});
    QSignalSpy changedSpy(&store, &PositionDataStore::openPositionChanged);
    store.setOpenPositions(second);
    QCOMPARE(changedSpy.count(), 1);

    QList<qint64> expected;
    for (const QJsonValue &element : second)
        expected << element.toObject().value(QLatin1String("ticket")).toVariant().toLongLong();
    std::sort(expected.begin(), expected.end());
    QCOMPARE(tickets(store.openPositions()), expected);
    for (const QJsonValue &element : second) {
        const Position sent(element.toObject());
        bool found = false;
        QVERIFY(store.position(sent.ticket, &found).sameAs(sent));
        QVERIFY(found);
    }
}

void TestPositionDataStore::newPositionPricedFromLastTick()
{
    PositionDataStore store;
    store.onPriceChanged(makeTick("EURUSD", 1.1010, 1.1012));
    store.setOpenPositions({positionJson(1, "EURUSD", "buy", 10000, 1.1000, 9.0)});
    QSignalSpy changedSpy(&store, &PositionDataStore::openPositionChanged);
    store.setOpenPositions({positionJson(1, "EURUSD", "buy", 10000, 1.1000, 9.0),
                            positionJson(2, "EURUSD", "sell", 10000, 1.1000, 8.0),
                            positionJson(3, "USDJPY", "buy", 10000, 150.0, 7.0)});
    QCOMPARE(changedSpy.count(), 1);
    QCOMPARE(store.position(1).current_price, 1.1010);
    QCOMPARE(store.position(2).current_price, 1.1012);
    QCOMPARE(store.position(3).current_price, 0.0);
    // The server's profit stands until a price moves.
    QCOMPARE(store.position(1).profit, 9.0);
    QCOMPARE(store.position(2).profit, 8.0);
    QCOMPARE(store.position(3).profit, 7.0);

    // The new positions are re-priced by the next tick of their symbol.
    QSignalSpy profitSpy(&store, &PositionDataStore::positionProfitChanged);
    store.onPriceChanged(makeTick("USDJPY", 151.0, 151.02, 3));
    QCOMPARE(profitSpy.count(), 1);
    QVERIFY(qAbs(store.position(3).profit - 100000.0) < 1e-6);
}

void TestPositionDataStore::repeatedTicketInOnePush()
{
    PositionDataStore store;
    store.setOpenPositions(
        {positionJson(1, "EURUSD", "buy", 10000, 1.1000), positionJson(1, "GBPUSD", "sell", 20000, 1.2500)});
    QCOMPARE(store.openPositions().size(), 1);
    QCOMPARE(store.position(1).symbol, QStringLiteral("GBPUSD"));

    // The replaced copy leaves nothing behind under its old symbol.
    QSignalSpy summarySpy(&store, &PositionDataStore::symbolNetProfitChanged);
    store.onPriceChanged(makeTick("EURUSD", 1.1010, 1.1012));
    QCOMPARE(summarySpy.count(), 0);
    store.onPriceChanged(makeTick("GBPUSD", 1.2400, 1.2410));
    QCOMPARE(summarySpy.count(), 1);
    QCOMPARE(summaryAt(summarySpy, 0).sellVolume, 2.0);
}

void TestPositionDataStore::lookupsNeverInsert()
{
    PositionDataStore store;
    store.setOpenPositions({positionJson(5, "EURUSD", "buy", 10000, 1.1000)});
    store.setPendingOrders({orderJson(8, "EURUSD", 2, 1.0900)});

    bool found = true;
    const Position missing = store.position(6, &found);
    QVERIFY(!found);
    QCOMPARE(missing.ticket, qint64(0));
    QVERIFY(missing.symbol.isEmpty());
    const PendingOrder missingOrder = store.order(5, &found); // a position ticket is no order
    QVERIFY(!found);
    QCOMPARE(missingOrder.ticket, qint64(0));
    QVERIFY(store.oppositePositions(6).isEmpty());
    QCOMPARE(tickets(store.openPositions()), QList<qint64>{5});
    QCOMPARE(store.pendingOrders().size(), 1);

    QCOMPARE(store.position(5, &found).symbol, QStringLiteral("EURUSD"));
    QVERIFY(found);
    QCOMPARE(store.order(8, &found).price, 1.0900);
    QVERIFY(found);
    QCOMPARE(store.position(5).ticket, qint64(5)); // found is optional
}

void TestPositionDataStore::oppositePositions_data()
{
    QTest::addColumn<qint64>("ticket");
    QTest::addColumn<QList<qint64>>("opposite");
    QTest::newRow("buy gets the sells of its symbol") << qint64(1) << QList<qint64>{2, 5};
    QTest::newRow("sell gets the buys of its symbol") << qint64(2) << QList<qint64>{1, 4, 6};
    QTest::newRow("capital Sell counts as a buy") << qint64(6) << QList<qint64>{2, 5};
    QTest::newRow("no opposite side") << qint64(3) << QList<qint64>{};
    QTest::newRow("unknown ticket") << qint64(99) << QList<qint64>{};
}

void TestPositionDataStore::oppositePositions()
{
    QFETCH(qint64, ticket);
    QFETCH(QList<qint64>, opposite);
    PositionDataStore store;
    // Sent out of ticket order on purpose.
    store.setOpenPositions(
        {positionJson(5, "EURUSD", "sell", 10000, 1.1), positionJson(1, "EURUSD", "buy", 10000, 1.1),
         positionJson(2, "EURUSD", "sell", 10000, 1.1), positionJson(3, "GBPUSD", "buy", 10000, 1.2),
         positionJson(4, "EURUSD", "buy", 10000, 1.1), positionJson(6, "EURUSD", "Sell", 10000, 1.1),
         positionJson(7, "GBPUSD", "buy", 10000, 1.2)});
    QCOMPARE(tickets(store.oppositePositions(ticket)), opposite);
    QCOMPARE(tickets(store.openPositions()), (QList<qint64>{1, 2, 3, 4, 5, 6, 7}));
}

void TestPositionDataStore::pendingOrders()
{
    PositionDataStore store;
    QSignalSpy changedSpy(&store, &PositionDataStore::openPositionChanged);
    const QJsonArray push{orderJson(30, "EURUSD", 2, 1.09), orderJson(10, "GBPUSD", 5, 1.24),
                          orderJson(20, "EURUSD", 4, 1.12), orderJson(10, "GBPUSD", 7, 1.23)};
    store.setPendingOrders(push);
    QCOMPARE(changedSpy.count(), 1);
    const QList<PendingOrder> orders = store.pendingOrders();
    QCOMPARE(orders.size(), 3);
    QCOMPARE(orders.at(0).ticket, qint64(10));
    QCOMPARE(orders.at(0).type, 7); // the later element wins
    QCOMPARE(orders.at(1).ticket, qint64(20));
    QCOMPARE(orders.at(2).ticket, qint64(30));

    // Every push emits, identical or not; an empty one empties the orders.
    store.setPendingOrders(push);
    QCOMPARE(changedSpy.count(), 2);
    store.setPendingOrders(QJsonArray{});
    QCOMPARE(changedSpy.count(), 3);
    QVERIFY(store.pendingOrders().isEmpty());
    QVERIFY(store.openPositions().isEmpty());
}

void TestPositionDataStore::clearKeepsLatestTicks()
{
    PositionDataStore store;
    store.setOpenPositions({positionJson(1, "EURUSD", "buy", 10000, 1.1000)});
    store.setPendingOrders({orderJson(8, "EURUSD", 2, 1.09)});
    store.onPriceChanged(makeTick("EURUSD", 1.1010, 1.1012));

    QSignalSpy changedSpy(&store, &PositionDataStore::openPositionChanged);
    QSignalSpy netSpy(&store, &PositionDataStore::netProfitChanged);
    store.clear();
    QCOMPARE(changedSpy.count(), 0);
    QCOMPARE(netSpy.count(), 0);
    QVERIFY(store.openPositions().isEmpty());
    QVERIFY(store.pendingOrders().isEmpty());

    // No positions left to price, and no stale profit in the total.
    QSignalSpy summarySpy(&store, &PositionDataStore::symbolNetProfitChanged);
    store.onPriceChanged(makeTick("EURUSD", 1.1020, 1.1022));
    QCOMPARE(summarySpy.count(), 0);
    QCOMPARE(netSpy.count(), 1);
    QCOMPARE(netSpy.at(0).at(0).toDouble(), 0.0);

    // The next session's positions are priced from the surviving tick, and the
    // same push as before the clear is a change.
    store.setOpenPositions({positionJson(1, "EURUSD", "buy", 10000, 1.1000)});
    QCOMPARE(changedSpy.count(), 1);
    QCOMPARE(store.position(1).current_price, 1.1020);
}

QTEST_GUILESS_MAIN(TestPositionDataStore)
#include "TestPositionDataStore.moc"
