#include "tests/DemoServerClient.h"
#include "tests/DemoServerControl.h"
#include "tests/DemoServerProcess.h"

#include <QJsonArray>
#include <QStandardPaths>
#include <QtTest>
#include <memory>

// The trading engine through the trade protocol: every request type, the refusals, triggers of
// pending orders and stops, stop-out, margin and profit. Prices are pinned through the control
// surface so every expectation is exact.
class TestDemoServerTrading : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void marketOrderFillsAtItsSide_data();
    void marketOrderFillsAtItsSide();
    void pendingOrderIsPlacedModifiedAndDeleted();
    void pendingOrderTriggers_data();
    void pendingOrderTriggers();
    void stopLimitPlacesItsLimitAtTheStopPrice_data();
    void stopLimitPlacesItsLimitAtTheStopPrice();
    void stopsCloseWithTheirComment_data();
    void stopsCloseWithTheirComment();
    void positionStopsAreModified();
    void closingBooksTheProfit();
    void profitUsesTheConversionRate_data();
    void profitUsesTheConversionRate();
    void marginFollowsLeverage();
    void closeSeveral_data();
    void closeSeveral();
    void closeByAnOppositePosition();
    void refusals_data();
    void refusals();
    void groupRestrictions_data();
    void groupRestrictions();
    void closeOnlyAccountMayClose();
    void pendingOrdersExpire_data();
    void pendingOrdersExpire();
    void stopOutClosesTheWorstPosition();
    void pushesReachEverySessionOfTheAccount();

private:
    struct Trader
    {
        std::unique_ptr<DemoServerClient> client;
        DemoServerControl::Account account;
    };
    Trader newTrader(double deposit = 10000, int leverage = 100);
    Trader seededTrader(qint64 login, const QString &password);
    static QJsonObject trade(Trader &trader, QJsonObject request);
    static void refresh(Trader &trader, QJsonObject *positions, QJsonArray *orders);
    static QJsonArray positions(Trader &trader);
    static QJsonArray orders(Trader &trader);
    static QJsonObject history(Trader &trader);
    static QJsonObject market(const QString &symbol, int side, int volume);
    static QJsonObject pending(const QString &symbol, int orderType, double price, int volume = 1000);

    std::unique_ptr<DemoServerProcess> m_server;
    std::unique_ptr<DemoServerControl> m_control;
};

void TestDemoServerTrading::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    m_server = std::make_unique<DemoServerProcess>();
    QVERIFY(m_server->start());
    m_control = std::make_unique<DemoServerControl>(*m_server);
    QVERIFY(m_control->holdPrice("EURUSD", 1.10000, 1.10012));
    QVERIFY(m_control->holdPrice("GBPUSD", 1.25000, 1.25015));
    QVERIFY(m_control->holdPrice("USDJPY", 150.000, 150.014));
    QVERIFY(m_control->holdPrice("EURGBP", 0.88000, 0.88015));
}

void TestDemoServerTrading::cleanupTestCase()
{
    QCOMPARE(m_server->stop(), 0);
}

TestDemoServerTrading::Trader TestDemoServerTrading::newTrader(double deposit, int leverage)
{
    Trader trader;
    trader.account = m_control->createAccount(deposit, leverage);
    if (!trader.account.login)
        return trader;
    return seededTrader(trader.account.login, trader.account.master);
}

TestDemoServerTrading::Trader TestDemoServerTrading::seededTrader(qint64 login, const QString &password)
{
    Trader trader;
    trader.account.login = login;
    trader.account.master = password;
    trader.client = std::make_unique<DemoServerClient>();
    trader.client->setKeepPrices(false);
    if (!trader.client->open(m_server->tradeUrl()) ||
        trader.client->login(login, password).value("state").toInt() != 1)
        trader.client.reset();
    else
        trader.client->take(4); // the positions pushed at login
    return trader;
}

QJsonObject TestDemoServerTrading::trade(Trader &trader, QJsonObject request)
{
    request.insert("req_code", 4);
    request.insert("login", trader.account.login);
    return trader.client->request(request, 7);
}

void TestDemoServerTrading::refresh(Trader &trader, QJsonObject *positionsMessage, QJsonArray *orderArray)
{
    // Older pushes are not the answer to this refresh.
    trader.client->discard(4);
    trader.client->discard(6);
    trader.client->send(
        QJsonObject{{"req_code", 4}, {"type", 5}, {"login", trader.account.login}, {"is_last", 1}});
    const QJsonObject p = trader.client->take(4);
    const QJsonObject o = trader.client->take(6);
    if (positionsMessage)
        *positionsMessage = p;
    if (orderArray)
        *orderArray = o.value("array").toArray();
}

QJsonArray TestDemoServerTrading::positions(Trader &trader)
{
    QJsonObject message;
    refresh(trader, &message, nullptr);
    return message.value("array").toArray();
}

QJsonArray TestDemoServerTrading::orders(Trader &trader)
{
    QJsonArray array;
    refresh(trader, nullptr, &array);
    return array;
}

QJsonObject TestDemoServerTrading::history(Trader &trader)
{
    return trader.client->request(
        QJsonObject{{"req_code", 5}, {"from", 0}, {"to", -1}, {"login", trader.account.login}}, 5);
}

QJsonObject TestDemoServerTrading::market(const QString &symbol, int side, int volume)
{
    return QJsonObject{{"type", 0}, {"order_type", side}, {"symbol", symbol}, {"volume", volume}};
}

QJsonObject TestDemoServerTrading::pending(const QString &symbol, int orderType, double price, int volume)
{
    return QJsonObject{{"type", 0},        {"order_type", orderType},
                       {"symbol", symbol}, {"volume", volume},
                       {"price", price},   {"sl", 0},
                       {"tp", 0},          {"t_time", 0},
                       {"order_id", 0}};
}

namespace {

QJsonObject byTicket(const QJsonArray &array, qint64 ticket)
{
    for (const QJsonValue &v : array)
        if (v.toObject().value("ticket").toVariant().toLongLong() == ticket)
            return v.toObject();
    return QJsonObject();
}

qint64 ticketOf(const QJsonObject &result)
{
    return result.value("order").toVariant().toLongLong();
}

} // namespace

void TestDemoServerTrading::marketOrderFillsAtItsSide_data()
{
    QTest::addColumn<int>("side");
    QTest::addColumn<double>("price");
    QTest::addColumn<QString>("type");
    QTest::newRow("buy fills at the ask") << 0 << 1.10012 << "buy";
    QTest::newRow("sell fills at the bid") << 1 << 1.10000 << "sell";
}

void TestDemoServerTrading::marketOrderFillsAtItsSide()
{
    QFETCH(int, side);
    QFETCH(double, price);
    QFETCH(QString, type);
    Trader trader = newTrader();
    QVERIFY(trader.client);
    trader.client->clear();
    const QJsonObject result = trade(trader, market("EURUSD", side, 2500));
    for (const char *key : {"status", "msg", "type", "order", "symbol", "order_type", "price", "server_time"})
        QVERIFY2(result.contains(QLatin1String(key)), key);
    QCOMPARE(result.value("status").toInt(), 10009);
    QVERIFY(!result.value("msg").toString().isEmpty());
    QCOMPARE(result.value("type").toInt(), 0);
    QCOMPARE(result.value("symbol").toString(), QStringLiteral("EURUSD"));
    QCOMPARE(result.value("order_type").toInt(), side);
    QCOMPARE(result.value("price").toDouble(), price);
    QVERIFY(qAbs(result.value("server_time").toVariant().toLongLong() - QDateTime::currentSecsSinceEpoch()) <
            60);

    // The answer, then the positions, then the pending orders.
    const QJsonObject pushed = trader.client->take(4);
    QCOMPARE(pushed.value("is_last").toInt(), 1);
    QVERIFY(!trader.client->take(6).isEmpty());
    const QJsonObject position = byTicket(pushed.value("array").toArray(), ticketOf(result));
    QVERIFY(!position.isEmpty());
    QCOMPARE(position.value("type").toString(), type);
    QCOMPARE(position.value("price_o").toDouble(), price);
    QCOMPARE(position.value("volume").toInt(), 2500);
    QCOMPARE(position.value("symbol").toString(), QStringLiteral("EURUSD"));
    QCOMPARE(position.value("csize").toDouble(), 100000.0);
    QCOMPARE(position.value("digits").toInt(), 5);
    QCOMPARE(position.value("r_profit").toDouble(), 1.0);
    // Marked at the side it closes on: a buy loses the spread at once.
    QCOMPARE(position.value("profit").toDouble(), side == 0 ? -3.0 : -3.0);
    QCOMPARE(pushed.value("balance").toDouble(), 10000.0);
}

void TestDemoServerTrading::pendingOrderIsPlacedModifiedAndDeleted()
{
    Trader trader = newTrader();
    QVERIFY(trader.client);
    QJsonObject placing = pending("EURUSD", 2, 1.09500);
    placing.insert("sl", 1.09000);
    placing.insert("tp", 1.10500);
    const QJsonObject placed = trade(trader, placing);
    QCOMPARE(placed.value("status").toInt(), 10009);
    const qint64 ticket = ticketOf(placed);
    QJsonObject order = byTicket(orders(trader), ticket);
    for (const char *key :
         {"login", "ticket", "symbol", "type", "volume", "price", "s_price", "sl", "tp", "time", "digits"})
        QVERIFY2(order.contains(QLatin1String(key)), key);
    QCOMPARE(order.value("type").toInt(), 2);
    QCOMPARE(order.value("price").toDouble(), 1.095);
    QCOMPARE(order.value("sl").toDouble(), 1.09);
    QCOMPARE(order.value("tp").toDouble(), 1.105);

    // Modify as the order dialog sends it: every edit field, s_price included.
    const QJsonObject modified = trade(trader, QJsonObject{{"type", 1},
                                                           {"order_id", ticket},
                                                           {"order_type", 2},
                                                           {"price", 1.09400},
                                                           {"s_price", 0},
                                                           {"sl", 1.08800},
                                                           {"tp", 0},
                                                           {"volume", 1000},
                                                           {"symbol", "EURUSD"},
                                                           {"t_time", 0}});
    QCOMPARE(modified.value("status").toInt(), 10009);
    QCOMPARE(modified.value("type").toInt(), 1);
    order = byTicket(orders(trader), ticket);
    QCOMPARE(order.value("price").toDouble(), 1.094);
    QCOMPARE(order.value("sl").toDouble(), 1.088);
    QCOMPARE(order.value("tp").toDouble(), 0.0);

    const QJsonObject deleted = trade(trader, QJsonObject{{"type", 3}, {"order_id", ticket}});
    QCOMPARE(deleted.value("status").toInt(), 10009);
    QVERIFY(byTicket(orders(trader), ticket).isEmpty());
    const QJsonObject done = byTicket(history(trader).value("orders").toArray(), ticket);
    QCOMPARE(done.value("state").toInt(), 2); // canceled
}

void TestDemoServerTrading::pendingOrderTriggers_data()
{
    QTest::addColumn<int>("orderType");
    QTest::addColumn<double>("level");
    QTest::addColumn<double>("nearBid");
    QTest::addColumn<double>("triggerBid");
    QTest::addColumn<double>("fillPrice");
    QTest::addColumn<QString>("positionType");
    // EURUSD rests at 1.10000 / 1.10012 (spread 0.00012). nearBid leaves the order one point short.
    QTest::newRow("buy limit: the ask falls to it") << 2 << 1.09900 << 1.09889 << 1.09880 << 1.09892 << "buy";
    QTest::newRow("sell limit: the bid rises to it")
        << 3 << 1.10100 << 1.10099 << 1.10100 << 1.10100 << "sell";
    QTest::newRow("buy stop: the ask rises to it") << 4 << 1.10100 << 1.10087 << 1.10090 << 1.10102 << "buy";
    QTest::newRow("sell stop: the bid falls to it")
        << 5 << 1.09900 << 1.09901 << 1.09850 << 1.09850 << "sell";
}

void TestDemoServerTrading::pendingOrderTriggers()
{
    QFETCH(int, orderType);
    QFETCH(double, level);
    QFETCH(double, nearBid);
    QFETCH(double, triggerBid);
    QFETCH(double, fillPrice);
    QFETCH(QString, positionType);
    Trader trader = newTrader();
    QVERIFY(trader.client);
    const QJsonObject placed = trade(trader, pending("EURUSD", orderType, level));
    QCOMPARE(placed.value("status").toInt(), 10009);
    const qint64 ticket = ticketOf(placed);

    QVERIFY(m_control->holdPrice("EURUSD", nearBid));
    QVERIFY(!byTicket(orders(trader), ticket).isEmpty());
    QVERIFY(positions(trader).isEmpty());

    trader.client->clear();
    QVERIFY(m_control->holdPrice("EURUSD", triggerBid));
    const QJsonObject pushed = trader.client->take(4, 10000, [ticket](const QJsonObject &m) {
        return !byTicket(m.value("array").toArray(), ticket).isEmpty();
    });
    const QJsonObject position = byTicket(pushed.value("array").toArray(), ticket);
    QCOMPARE(position.value("type").toString(), positionType);
    QCOMPARE(position.value("price_o").toDouble(), fillPrice);
    QVERIFY(byTicket(orders(trader), ticket).isEmpty());
    QCOMPARE(byTicket(history(trader).value("orders").toArray(), ticket).value("state").toInt(), 4); // filled
    QVERIFY(m_control->holdPrice("EURUSD", 1.10000, 1.10012));
}

void TestDemoServerTrading::stopLimitPlacesItsLimitAtTheStopPrice_data()
{
    QTest::addColumn<int>("orderType");
    QTest::addColumn<double>("stopPrice");
    QTest::addColumn<double>("limitPrice");
    QTest::addColumn<double>("stopBid");
    QTest::addColumn<double>("fillBid");
    QTest::addColumn<int>("limitType");
    QTest::newRow("buy stop limit") << 6 << 1.10200 << 1.10150 << 1.10200 << 1.10130 << 2;
    QTest::newRow("sell stop limit") << 7 << 1.09800 << 1.09850 << 1.09800 << 1.09860 << 3;
}

void TestDemoServerTrading::stopLimitPlacesItsLimitAtTheStopPrice()
{
    QFETCH(int, orderType);
    QFETCH(double, stopPrice);
    QFETCH(double, limitPrice);
    QFETCH(double, stopBid);
    QFETCH(double, fillBid);
    QFETCH(int, limitType);
    Trader trader = newTrader();
    QVERIFY(trader.client);
    QJsonObject request = pending("EURUSD", orderType, limitPrice);
    request.insert("s_price", stopPrice);
    const QJsonObject placed = trade(trader, request);
    QCOMPARE(placed.value("status").toInt(), 10009);
    const qint64 ticket = ticketOf(placed);
    QCOMPARE(byTicket(orders(trader), ticket).value("s_price").toDouble(), stopPrice);

    // The stop price is reached: a limit order takes the stop limit's place.
    trader.client->clear();
    QVERIFY(m_control->holdPrice("EURUSD", stopBid));
    const QJsonObject pushed = trader.client->take(6, 10000, [ticket](const QJsonObject &m) {
        return byTicket(m.value("array").toArray(), ticket).isEmpty();
    });
    const QJsonArray now = pushed.value("array").toArray();
    QCOMPARE(now.size(), 1);
    const QJsonObject limit = now.first().toObject();
    QCOMPARE(limit.value("type").toInt(), limitType);
    QCOMPARE(limit.value("price").toDouble(), limitPrice);
    QVERIFY(positions(trader).isEmpty());

    // Then the limit fills when the market comes back to it.
    QVERIFY(m_control->holdPrice("EURUSD", fillBid));
    QTRY_VERIFY_WITH_TIMEOUT(positions(trader).size() == 1, 10000);
    QVERIFY(orders(trader).isEmpty());
    QVERIFY(m_control->holdPrice("EURUSD", 1.10000, 1.10012));
}

void TestDemoServerTrading::stopsCloseWithTheirComment_data()
{
    QTest::addColumn<int>("side");
    QTest::addColumn<double>("sl");
    QTest::addColumn<double>("tp");
    QTest::addColumn<double>("bid");
    QTest::addColumn<QString>("comment");
    QTest::addColumn<double>("profit");
    // 0.10 lot EURUSD: one pip (0.0001) is 1 USD.
    QTest::newRow("buy stop loss") << 0 << 1.09800 << 0.0 << 1.09790 << "SL" << -22.2;
    QTest::newRow("buy take profit") << 0 << 0.0 << 1.10300 << 1.10310 << "TP" << 29.8;
    QTest::newRow("sell stop loss") << 1 << 1.10200 << 0.0 << 1.10190 << "SL" << -20.2;
    QTest::newRow("sell take profit") << 1 << 0.0 << 1.09700 << 1.09680 << "TP" << 30.8;
}

void TestDemoServerTrading::stopsCloseWithTheirComment()
{
    QFETCH(int, side);
    QFETCH(double, sl);
    QFETCH(double, tp);
    QFETCH(double, bid);
    QFETCH(QString, comment);
    QFETCH(double, profit);
    Trader trader = newTrader();
    QVERIFY(trader.client);
    QJsonObject request = market("EURUSD", side, 1000);
    request.insert("sl", sl);
    request.insert("tp", tp);
    request.insert("price", side == 0 ? 1.10012 : 1.10000);
    const QJsonObject opened = trade(trader, request);
    QCOMPARE(opened.value("status").toInt(), 10009);
    const qint64 ticket = ticketOf(opened);

    trader.client->clear();
    QVERIFY(m_control->holdPrice("EURUSD", bid));
    const QJsonObject pushed = trader.client->take(4, 10000, [ticket](const QJsonObject &m) {
        return byTicket(m.value("array").toArray(), ticket).isEmpty();
    });
    QCOMPARE(pushed.value("balance").toDouble(), 10000.0 + profit);
    const QJsonObject record = history(trader);
    QJsonObject closing;
    for (const QJsonValue &d : record.value("deals").toArray())
        if (d.toObject().value("comment").toString() == comment)
            closing = d.toObject();
    QVERIFY2(!closing.isEmpty(), "no closing deal with the comment");
    QCOMPARE(closing.value("profit").toDouble(), profit);
    QCOMPARE(closing.value("type").toInt(), side == 0 ? 1 : 0);
    const QJsonObject closed = byTicket(record.value("positions").toArray(), ticket);
    QCOMPARE(closed.value("profit").toDouble(), profit);
    QVERIFY(m_control->holdPrice("EURUSD", 1.10000, 1.10012));
}

void TestDemoServerTrading::positionStopsAreModified()
{
    Trader trader = newTrader();
    QVERIFY(trader.client);
    const qint64 ticket = ticketOf(trade(trader, market("EURUSD", 0, 1000)));
    const QJsonObject modified =
        trade(trader, QJsonObject{{"type", 2}, {"order_id", ticket}, {"sl", 1.09}, {"tp", 1.12}});
    QCOMPARE(modified.value("status").toInt(), 10009);
    QCOMPARE(modified.value("type").toInt(), 2);
    QJsonObject position = byTicket(positions(trader), ticket);
    QCOMPARE(position.value("sl").toDouble(), 1.09);
    QCOMPARE(position.value("tp").toDouble(), 1.12);
    // A stop loss above the bid of a buy would close it at once: refused, nothing changes.
    const QJsonObject wrong =
        trade(trader, QJsonObject{{"type", 2}, {"order_id", ticket}, {"sl", 1.10005}, {"tp", 1.12}});
    QCOMPARE(wrong.value("status").toInt(), 10016);
    QVERIFY(!wrong.value("fail_reason").toString().isEmpty());
    QCOMPARE(byTicket(positions(trader), ticket).value("sl").toDouble(), 1.09);
    // Another account's position cannot be touched.
    Trader other = newTrader();
    QVERIFY(other.client);
    QVERIFY(
        trade(other, QJsonObject{{"type", 2}, {"order_id", ticket}, {"sl", 1.0}}).value("status").toInt() !=
        10009);
    QVERIFY(trade(other, QJsonObject{{"type", 4}, {"order_id", ticket}}).value("status").toInt() != 10009);
}

void TestDemoServerTrading::closingBooksTheProfit()
{
    Trader trader = newTrader();
    QVERIFY(trader.client);
    const qint64 ticket = ticketOf(trade(trader, market("EURUSD", 0, 3000)));
    QVERIFY(m_control->holdPrice("EURUSD", 1.10500));
    const QJsonObject closed = trade(trader, QJsonObject{{"type", 4}, {"order_id", ticket}});
    QCOMPARE(closed.value("status").toInt(), 10009);
    QCOMPARE(closed.value("type").toInt(), 4);
    QCOMPARE(closed.value("price").toDouble(), 1.105);
    QCOMPARE(closed.value("order_type").toInt(), 1); // closing a buy is a sell
    // (1.10500 - 1.10012) × 100000 × 0.30 × 1 = 146.40
    QJsonObject message;
    refresh(trader, &message, nullptr);
    QCOMPARE(message.value("balance").toDouble(), 10146.40);
    QVERIFY(message.value("array").toArray().isEmpty());
    const QJsonObject record = byTicket(history(trader).value("positions").toArray(), ticket);
    QCOMPARE(record.value("price_o").toDouble(), 1.10012);
    QCOMPARE(record.value("price_c").toDouble(), 1.105);
    QCOMPARE(record.value("profit").toDouble(), 146.40);
    QVERIFY(record.value("time_c").toVariant().toLongLong() >= record.value("time").toVariant().toLongLong());
    // Closing twice is refused.
    QVERIFY(trade(trader, QJsonObject{{"type", 4}, {"order_id", ticket}}).value("status").toInt() != 10009);
    QVERIFY(m_control->holdPrice("EURUSD", 1.10000, 1.10012));
}

void TestDemoServerTrading::profitUsesTheConversionRate_data()
{
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<double>("closeBid");
    QTest::addColumn<double>("rate");
    QTest::addColumn<double>("profit");
    // USDJPY: profit in JPY, converted at 1 / mid(USDJPY) = 1 / 150.007 (held there).
    QTest::newRow("JPY quoted") << "USDJPY" << 150.000 << 1.0 / 150.007 << -0.014 * 100000 * 0.1 / 150.007;
    // EURGBP: profit in GBP, converted at mid(GBPUSD) = 1.250075.
    QTest::newRow("GBP quoted") << "EURGBP" << 0.88000 << 1.250075 << -0.00015 * 100000 * 0.1 * 1.250075;
}

void TestDemoServerTrading::profitUsesTheConversionRate()
{
    QFETCH(QString, symbol);
    QFETCH(double, closeBid);
    QFETCH(double, rate);
    QFETCH(double, profit);
    Q_UNUSED(closeBid);
    Trader trader = newTrader();
    QVERIFY(trader.client);
    const qint64 ticket = ticketOf(trade(trader, market(symbol, 0, 1000)));
    const QJsonObject position = byTicket(positions(trader), ticket);
    QVERIFY(qAbs(position.value("r_profit").toDouble() - rate) < 1e-9);
    QVERIFY2(qAbs(position.value("profit").toDouble() - profit) < 0.006,
             qPrintable(QString::number(position.value("profit").toDouble())));
    // The terminal's own formula over the pushed fields gives the same figure.
    const double own = (position.value("price_c").toDouble() - position.value("price_o").toDouble()) *
                       position.value("csize").toDouble() * position.value("volume").toInt() / 10000.0 *
                       position.value("r_profit").toDouble();
    QVERIFY(qAbs(own - position.value("profit").toDouble()) < 0.006);
}

void TestDemoServerTrading::marginFollowsLeverage()
{
    // 0.20 lot EURUSD: 20000 EUR at mid 1.10006 is 22001.20 USD.
    for (int leverage : {100, 400}) {
        Trader trader = newTrader(10000, leverage);
        QVERIFY(trader.client);
        QCOMPARE(trade(trader, market("EURUSD", 1, 2000)).value("status").toInt(), 10009);
        QJsonObject message;
        refresh(trader, &message, nullptr);
        QVERIFY2(qAbs(message.value("margin").toDouble() - 22001.20 / leverage) < 0.011,
                 qPrintable(QString::number(message.value("margin").toDouble())));
    }
}

void TestDemoServerTrading::closeSeveral_data()
{
    QTest::addColumn<int>("subType");
    QTest::addColumn<int>("remaining");
    QTest::newRow("all") << 0 << 0;
    QTest::newRow("profitable") << 1 << 2;
    QTest::newRow("losing") << 2 << 2;
}

void TestDemoServerTrading::closeSeveral()
{
    QFETCH(int, subType);
    QFETCH(int, remaining);
    Trader trader = newTrader();
    QVERIFY(trader.client);
    // Two buys and two sells; a higher price makes the buys win and the sells lose.
    for (int side : {0, 0, 1, 1})
        QCOMPARE(trade(trader, market("EURUSD", side, 1000)).value("status").toInt(), 10009);
    QVERIFY(m_control->holdPrice("EURUSD", 1.10200));
    // As the trade panel sends it: type 9 with the login and the sub-type.
    const QJsonObject result = trade(trader, QJsonObject{{"type", 9}, {"sub_type", subType}});
    QCOMPARE(result.value("status").toInt(), 10009);
    QCOMPARE(result.value("type").toInt(), 9);
    const QJsonArray left = positions(trader);
    QCOMPARE(left.size(), remaining);
    for (const QJsonValue &p : left)
        QCOMPARE(p.toObject().value("type").toString(),
                 subType == 1 ? QStringLiteral("sell") : QStringLiteral("buy"));
    QVERIFY(m_control->holdPrice("EURUSD", 1.10000, 1.10012));
}

void TestDemoServerTrading::closeByAnOppositePosition()
{
    Trader trader = newTrader();
    QVERIFY(trader.client);
    const qint64 buy = ticketOf(trade(trader, market("EURUSD", 0, 2000))); // at 1.10012
    QVERIFY(m_control->holdPrice("EURUSD", 1.10300));
    const qint64 sell = ticketOf(trade(trader, market("EURUSD", 1, 500))); // at 1.10300
    QVERIFY(m_control->holdPrice("EURUSD", 1.09000));
    const QJsonObject result = trade(
        trader, QJsonObject{{"type", 10}, {"order_id", buy}, {"position_id", buy}, {"position_by_id", sell}});
    QCOMPARE(result.value("status").toInt(), 10009);
    QCOMPARE(result.value("type").toInt(), 10);
    // The sell is gone; the buy keeps the rest of its volume.
    const QJsonArray left = positions(trader);
    QCOMPARE(left.size(), 1);
    QCOMPARE(left.first().toObject().value("ticket").toVariant().toLongLong(), buy);
    QCOMPARE(left.first().toObject().value("volume").toInt(), 1500);
    // The pair made the distance between the two open prices on 0.05 lot, whatever the market.
    QJsonObject message;
    refresh(trader, &message, nullptr);
    QCOMPARE(message.value("balance").toDouble(), 10000.0 + 14.40);
    int closeByDeals = 0;
    for (const QJsonValue &d : history(trader).value("deals").toArray())
        closeByDeals += d.toObject().value("comment").toString().startsWith("close by #");
    QCOMPARE(closeByDeals, 2);
    // A position cannot close itself or one of its own side.
    QVERIFY(trade(trader, QJsonObject{{"type", 10}, {"order_id", buy}, {"position_by_id", buy}})
                .value("status")
                .toInt() != 10009);
    QVERIFY(m_control->holdPrice("EURUSD", 1.10000, 1.10012));
}

void TestDemoServerTrading::refusals_data()
{
    QTest::addColumn<QJsonObject>("request");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("reason"); // a part of "fail_reason"; empty: any
    QTest::newRow("market closed") << market("JP225", 0, 10000) << 10018 << "JP225";
    QTest::newRow("not enough money") << market("EURUSD", 0, 1000000) << 10019 << "Free margin";
    QTest::newRow("volume below the minimum") << market("EURUSD", 0, 10) << 10014 << "lots";
    QTest::newRow("volume above the maximum") << market("EURUSD", 0, 1000100) << 10014 << "lots";
    QTest::newRow("volume off the step") << market("EURUSD", 0, 150) << 10014 << "lots";
    QJsonObject fraction = market("EURUSD", 0, 100);
    fraction.insert("volume", 100.5);
    QTest::newRow("volume not whole") << fraction << 10014 << "";
    QJsonObject text = market("EURUSD", 0, 100);
    text.insert("volume", "lots");
    QTest::newRow("volume as text") << text << 10014 << "";
    QTest::newRow("unknown symbol") << market("EURUSDX", 0, 100) << 10013 << "EURUSDX";
    QTest::newRow("order type 8") << market("EURUSD", 8, 100) << 10035 << "";
    QJsonObject stale = market("EURUSD", 0, 100);
    stale.insert("price", 1.09000);
    QTest::newRow("price changed") << stale << 10020 << "1.09000";
    QJsonObject badStop = market("EURUSD", 0, 100);
    badStop.insert("sl", 1.10500);
    QTest::newRow("stop loss above a buy") << badStop << 10016 << "";
    QTest::newRow("buy limit above the ask") << pending("EURUSD", 2, 1.10100) << 10015 << "below the ask";
    QTest::newRow("sell stop above the bid") << pending("EURUSD", 5, 1.10100) << 10015 << "below the bid";
    QJsonObject noStop = pending("EURUSD", 6, 1.10100);
    QTest::newRow("stop limit without stop price") << noStop << 10015 << "s_price";
    QJsonObject expiry = pending("EURUSD", 2, 1.09);
    expiry.insert("t_time", 2);
    QTest::newRow("expiry without minutes") << expiry << 10022 << "exp_mins";
    QTest::newRow("unknown request type") << QJsonObject{{"type", 7}} << 10013 << "type";
    QTest::newRow("close of an unknown position")
        << QJsonObject{{"type", 4}, {"order_id", 123}} << 10013 << "123";
    QTest::newRow("delete of an unknown order")
        << QJsonObject{{"type", 3}, {"order_id", 123}} << 10013 << "123";
    QTest::newRow("close several with bad sub-type")
        << QJsonObject{{"type", 9}, {"sub_type", 5}} << 10013 << "";
    QJsonObject foreign = market("EURUSD", 0, 100);
    foreign.insert("login", 50001);
    QTest::newRow("request for another account") << foreign << 10013 << "another account";
}

void TestDemoServerTrading::refusals()
{
    QFETCH(QJsonObject, request);
    QFETCH(int, status);
    QFETCH(QString, reason);
    Trader trader = newTrader(1000);
    QVERIFY(trader.client);
    // trade() adds this trader's login unless the row brings its own.
    QJsonObject sent = request;
    sent.insert("req_code", 4);
    if (!sent.contains("login"))
        sent.insert("login", trader.account.login);
    const QJsonObject result = trader.client->request(sent, 7);
    QCOMPARE(result.value("status").toInt(), status);
    QVERIFY(!result.value("msg").toString().isEmpty());
    const QString failReason = result.value("fail_reason").toString();
    // The order dialog shows "msg - fail_reason" for statuses it has no text of its own for.
    if (!QList<int>{10017, 10018, 10019, 10020, 10021, 10035}.contains(status))
        QVERIFY2(!failReason.isEmpty(), "a status outside the table needs a reason");
    QVERIFY2(failReason.contains(reason), qPrintable(failReason));
    // None of these words: they would end the terminal's session.
    for (const char *words : {"group is disabled", "account is disabled", "login disabled"})
        QVERIFY(!result.value("msg").toString().contains(QLatin1String(words), Qt::CaseInsensitive));
    QVERIFY(positions(trader).isEmpty());
    QVERIFY(orders(trader).isEmpty());
}

void TestDemoServerTrading::groupRestrictions_data()
{
    QTest::addColumn<qint64>("login");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QJsonObject>("request");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("reason");
    QTest::newRow("sell-disabled group, sell") << qint64(50003) << "Master3" << market("EURUSD", 1, 100)
                                               << 10042 << "Sell orders disabled by group settings";
    QTest::newRow("sell-disabled group, sell limit")
        << qint64(50003) << "Master3" << pending("EURUSD", 3, 1.102) << 10042
        << "Sell orders disabled by group settings";
    QTest::newRow("sell-disabled group, buy")
        << qint64(50003) << "Master3" << market("EURUSD", 0, 100) << 10009 << "";
    QTest::newRow("buy-disabled group, buy") << qint64(50004) << "Master4" << market("EURUSD", 0, 100)
                                             << 10043 << "Buy orders disabled by group settings";
    QTest::newRow("buy-disabled group, buy stop") << qint64(50004) << "Master4" << pending("EURUSD", 4, 1.102)
                                                  << 10043 << "Buy orders disabled by group settings";
    QTest::newRow("buy-disabled group, sell")
        << qint64(50004) << "Master4" << market("EURUSD", 1, 100) << 10009 << "";
    QTest::newRow("close-only group, buy") << qint64(50005) << "Master5" << market("EURUSD", 0, 100) << 10044
                                           << "Close-only mode by group settings";
    QTest::newRow("close-only group, sell limit") << qint64(50005) << "Master5" << pending("EURUSD", 3, 1.102)
                                                  << 10044 << "Close-only mode by group settings";
    QTest::newRow("trading-disabled group, buy") << qint64(50006) << "Master6" << market("EURUSD", 0, 100)
                                                 << 10017 << "Trading disabled by group settings";
    QTest::newRow("trading-disabled group, refresh is still served")
        << qint64(50006) << "Master6" << QJsonObject{{"type", 5}} << 0 << "";
    QTest::newRow("investor session")
        << qint64(50001) << "Invest1" << market("EURUSD", 0, 100) << 10017 << "";
}

void TestDemoServerTrading::groupRestrictions()
{
    QFETCH(qint64, login);
    QFETCH(QString, password);
    QFETCH(QJsonObject, request);
    QFETCH(int, status);
    QFETCH(QString, reason);
    Trader trader = seededTrader(login, password);
    QVERIFY(trader.client);
    if (status == 0) {
        trader.client->clear();
        QJsonObject sent = request;
        sent.insert("req_code", 4);
        trader.client->send(sent);
        QVERIFY(!trader.client->take(4).isEmpty());
        QCOMPARE(trader.client->countOf(7), 0);
        return;
    }
    const QJsonObject result = trade(trader, request);
    QCOMPARE(result.value("status").toInt(), status);
    QVERIFY2(result.value("fail_reason").toString().contains(reason),
             qPrintable(result.value("fail_reason").toString()));
    // The terminal keys its per-symbol trade buttons on the answer's symbol.
    QCOMPARE(result.value("symbol").toString(), QStringLiteral("EURUSD"));
    if (status == 10009)
        QCOMPARE(
            trade(trader, QJsonObject{{"type", 4}, {"order_id", ticketOf(result)}}).value("status").toInt(),
            10009);
}

void TestDemoServerTrading::closeOnlyAccountMayClose()
{
    Trader trader = seededTrader(50005, "Master5");
    QVERIFY(trader.client);
    const QJsonArray seeded = positions(trader);
    QCOMPARE(seeded.size(), 1);
    const qint64 ticket = seeded.first().toObject().value("ticket").toVariant().toLongLong();
    const QJsonObject stops =
        trade(trader, QJsonObject{{"type", 2}, {"order_id", ticket}, {"sl", 0.9}, {"tp", 0}});
    QCOMPARE(stops.value("status").toInt(), 10009);
    const QJsonObject closed = trade(trader, QJsonObject{{"type", 4}, {"order_id", ticket}});
    QCOMPARE(closed.value("status").toInt(), 10009);
    QVERIFY(positions(trader).isEmpty());
}

void TestDemoServerTrading::pendingOrdersExpire_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<qint64>("advance");
    QTest::addColumn<bool>("expires");
    QTest::newRow("until a time: one minute, passed") << 2 << 1 << qint64(61) << true;
    QTest::newRow("until a time: ten minutes, not yet") << 2 << 10 << qint64(61) << false;
    QTest::newRow("today: the server's midnight passed") << 1 << 0 << qint64(86400) << true;
    QTest::newRow("good till cancelled: two days on") << 0 << 0 << qint64(2 * 86400) << false;
}

void TestDemoServerTrading::pendingOrdersExpire()
{
    QFETCH(int, kind);
    QFETCH(int, minutes);
    QFETCH(qint64, advance);
    QFETCH(bool, expires);
    Trader trader = newTrader();
    QVERIFY(trader.client);
    QJsonObject request = pending("EURUSD", 2, 1.09000);
    request.insert("t_time", kind);
    if (minutes > 0)
        request.insert("exp_mins", minutes);
    const QJsonObject placed = trade(trader, request);
    QCOMPARE(placed.value("status").toInt(), 10009);
    const qint64 ticket = ticketOf(placed);
    QVERIFY(!byTicket(orders(trader), ticket).isEmpty());
    trader.client->clear();
    QVERIFY(m_control->advanceClock(advance));
    if (expires) {
        QVERIFY(!trader.client
                     ->take(6, 5000,
                            [ticket](const QJsonObject &m) {
                                return byTicket(m.value("array").toArray(), ticket).isEmpty();
                            })
                     .isEmpty());
        QCOMPARE(byTicket(history(trader).value("orders").toArray(), ticket).value("state").toInt(), 6);
    } else {
        QVERIFY(!byTicket(orders(trader), ticket).isEmpty());
        QVERIFY(trade(trader, QJsonObject{{"type", 3}, {"order_id", ticket}}).value("status").toInt() ==
                10009);
    }
}

void TestDemoServerTrading::stopOutClosesTheWorstPosition()
{
    // 1000 USD at 1:100: sells of 0.40 and 0.20 lot EURUSD use about 660 USD of margin.
    Trader trader = newTrader(1000, 100);
    QVERIFY(trader.client);
    const qint64 first = ticketOf(trade(trader, market("EURUSD", 1, 4000))); // at 1.10000
    QVERIFY(m_control->holdPrice("EURUSD", 1.10050));
    const qint64 second = ticketOf(trade(trader, market("EURUSD", 1, 2000))); // at 1.10050, loses less
    QVERIFY(first && second);
    trader.client->clear();
    // At ask 1.11212 the two lose 484.80 and 232.40: equity 282.80 against 667 of margin, below
    // the 50 % stop-out level. Closing the worse one is enough.
    QVERIFY(m_control->holdPrice("EURUSD", 1.11200));
    const QJsonObject pushed = trader.client->take(4, 10000, [first](const QJsonObject &m) {
        return byTicket(m.value("array").toArray(), first).isEmpty();
    });
    QVERIFY(!pushed.isEmpty());
    bool stoppedOut = false;
    for (const QJsonValue &d : history(trader).value("deals").toArray())
        if (d.toObject().value("comment") == "SO" &&
            d.toObject().value("position").toVariant().toLongLong() == first)
            stoppedOut = true;
    QVERIFY(stoppedOut);
    const QJsonArray left = positions(trader);
    QCOMPARE(left.size(), 1);
    QCOMPARE(left.first().toObject().value("ticket").toVariant().toLongLong(), second);
    QVERIFY(m_control->holdPrice("EURUSD", 1.10000, 1.10012));
}

void TestDemoServerTrading::pushesReachEverySessionOfTheAccount()
{
    Trader trader = newTrader();
    QVERIFY(trader.client);
    Trader watcher = seededTrader(trader.account.login, trader.account.master);
    QVERIFY(watcher.client);
    watcher.client->clear();
    const qint64 ticket = ticketOf(trade(trader, market("EURUSD", 0, 100)));
    const QJsonObject seen = watcher.client->take(4, 10000, [ticket](const QJsonObject &m) {
        return !byTicket(m.value("array").toArray(), ticket).isEmpty();
    });
    QVERIFY(!seen.isEmpty());
    QCOMPARE(watcher.client->countOf(7), 0); // the answer goes to the requester only
}

QTEST_GUILESS_MAIN(TestDemoServerTrading)
#include "TestDemoServerTrading.moc"
