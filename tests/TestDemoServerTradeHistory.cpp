#include "tests/DemoServerClient.h"
#include "tests/DemoServerControl.h"
#include "tests/DemoServerProcess.h"

#include <QJsonArray>
#include <QStandardPaths>
#include <QtTest>
#include <memory>

// Trade history (code 5): closed positions, orders of every state and deals within [from, to).
// The server clock is moved on between three sessions of trading, two days apart.
class TestDemoServerTradeHistory : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void everythingWithZeroAndMinusOne();
    void elementsCarryEveryKey();
    void windows_data();
    void windows();
    void otherAccountsStayOut();

private:
    QJsonObject history(qint64 from, qint64 to);
    QJsonObject trade(QJsonObject request);

    std::unique_ptr<DemoServerProcess> m_server;
    std::unique_ptr<DemoServerControl> m_control;
    DemoServerClient m_client;
    DemoServerControl::Account m_account;
    qint64 m_created = 0;  // the deposit
    qint64 m_firstDay = 0; // open, close, cancel, reject
    qint64 m_closedAt = 0;
    qint64 m_secondDay = 0; // an open position and a placed order
    qint64 m_closedTicket = 0;
};

void TestDemoServerTradeHistory::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    m_server = std::make_unique<DemoServerProcess>();
    QVERIFY(m_server->start());
    m_control = std::make_unique<DemoServerControl>(*m_server);
    QVERIFY(m_control->holdPrice("EURUSD", 1.20000, 1.20010));
    m_account = m_control->createAccount(5000, 100);
    QVERIFY(m_account.login);
    QVERIFY(m_client.open(m_server->tradeUrl()));
    m_client.setKeepPrices(false);
    const QJsonObject login = m_client.login(m_account.login, m_account.master);
    QCOMPARE(login.value("state").toInt(), 1);
    m_created = login.value("server_time").toVariant().toLongLong();

    QVERIFY(m_control->advanceClock(2 * 86400));
    const QJsonObject opened =
        trade({{"type", 0}, {"order_type", 0}, {"symbol", "EURUSD"}, {"volume", 1000}});
    QCOMPARE(opened.value("status").toInt(), 10009);
    m_firstDay = opened.value("server_time").toVariant().toLongLong();
    m_closedTicket = opened.value("order").toVariant().toLongLong();
    // A minute between the steps, so every window edge falls between two of them.
    QVERIFY(m_control->advanceClock(60));
    QVERIFY(m_control->holdPrice("EURUSD", 1.20100, 1.20110));
    const QJsonObject closed = trade({{"type", 4}, {"order_id", m_closedTicket}});
    QCOMPARE(closed.value("status").toInt(), 10009);
    m_closedAt = closed.value("server_time").toVariant().toLongLong();
    QVERIFY(m_control->advanceClock(60));
    const QJsonObject placed = trade({{"type", 0},
                                      {"order_type", 2},
                                      {"symbol", "EURUSD"},
                                      {"volume", 1000},
                                      {"price", 1.19},
                                      {"t_time", 0}});
    QCOMPARE(trade({{"type", 3}, {"order_id", placed.value("order")}}).value("status").toInt(), 10009);
    QCOMPARE(trade({{"type", 0}, {"order_type", 0}, {"symbol", "EURUSD"}, {"volume", 1000000}})
                 .value("status")
                 .toInt(),
             10019);

    QVERIFY(m_control->advanceClock(2 * 86400));
    const QJsonObject later = trade({{"type", 0}, {"order_type", 1}, {"symbol", "EURUSD"}, {"volume", 200}});
    QCOMPARE(later.value("status").toInt(), 10009);
    m_secondDay = later.value("server_time").toVariant().toLongLong();
    QCOMPARE(trade({{"type", 0}, {"order_type", 5}, {"symbol", "EURUSD"}, {"volume", 100}, {"price", 1.1}})
                 .value("status")
                 .toInt(),
             10009);
    QVERIFY(m_secondDay - m_firstDay >= 2 * 86400);
}

void TestDemoServerTradeHistory::cleanupTestCase()
{
    m_client.close();
    QCOMPARE(m_server->stop(), 0);
}

QJsonObject TestDemoServerTradeHistory::history(qint64 from, qint64 to)
{
    return m_client.request(
        QJsonObject{{"req_code", 5}, {"from", from}, {"to", to}, {"login", m_account.login}}, 5);
}

QJsonObject TestDemoServerTradeHistory::trade(QJsonObject request)
{
    request.insert("req_code", 4);
    request.insert("login", m_account.login);
    return m_client.request(request, 7);
}

void TestDemoServerTradeHistory::everythingWithZeroAndMinusOne()
{
    const QJsonObject all = history(0, -1);
    const QJsonArray positions = all.value("positions").toArray();
    const QJsonArray orders = all.value("orders").toArray();
    const QJsonArray deals = all.value("deals").toArray();
    QCOMPARE(positions.size(), 1); // closed ones only
    QCOMPARE(positions.first().toObject().value("ticket").toVariant().toLongLong(), m_closedTicket);
    // (1.20100 - 1.20010) × 100000 × 0.10
    QCOMPARE(positions.first().toObject().value("profit").toDouble(), 9.0);

    QMap<int, int> states;
    for (const QJsonValue &o : orders)
        ++states[o.toObject().value("state").toInt()];
    QCOMPARE(states.value(4), 3); // two market orders and the close
    QCOMPARE(states.value(2), 1); // canceled
    QCOMPARE(states.value(5), 1); // rejected for want of money
    QCOMPARE(states.value(1), 1); // still placed

    QCOMPARE(deals.size(), 4);
    const QJsonObject deposit = deals.first().toObject();
    QCOMPARE(deposit.value("type").toInt(), 2);
    QCOMPARE(deposit.value("profit").toDouble(), 5000.0);
    QCOMPARE(deposit.value("comment").toString(), QStringLiteral("Deposit"));
    QVERIFY(qAbs(deposit.value("time").toVariant().toLongLong() - m_created) <= 2);
    qint64 previous = 0;
    for (const QJsonValue &d : deals) {
        const qint64 time = d.toObject().value("time").toVariant().toLongLong();
        QVERIFY(time >= previous);
        previous = time;
    }
    // 0 as "to" means everything too.
    QCOMPARE(history(0, 0).value("deals").toArray().size(), 4);
}

void TestDemoServerTradeHistory::elementsCarryEveryKey()
{
    const QJsonObject all = history(0, -1);
    const QJsonObject position = all.value("positions").toArray().first().toObject();
    for (const char *key : {"ticket", "time", "time_c", "digits", "volume", "price_o", "price_c", "profit",
                            "swap", "commission", "sl", "tp"})
        QVERIFY2(position.value(QLatin1String(key)).isDouble(), key);
    QVERIFY(position.value("symbol").isString());
    QCOMPARE(position.value("type").toString(), QStringLiteral("buy"));
    QCOMPARE(position.value("volume").toInt(), 1000);
    QCOMPARE(position.value("digits").toInt(), 5);
    for (const QJsonValue &v : all.value("orders").toArray()) {
        const QJsonObject order = v.toObject();
        for (const char *key :
             {"ticket", "type", "time", "volume", "price", "s_price", "state", "sl", "tp", "digits"})
            QVERIFY2(order.value(QLatin1String(key)).isDouble(), key);
        QVERIFY(order.value("symbol").isString());
        QVERIFY(order.value("type").toInt() >= 0 && order.value("type").toInt() <= 7);
    }
    for (const QJsonValue &v : all.value("deals").toArray()) {
        const QJsonObject deal = v.toObject();
        for (const char *key : {"ticket", "type", "time", "order", "digits", "volume", "price", "profit",
                                "swap", "fee", "commission"})
            QVERIFY2(deal.value(QLatin1String(key)).isDouble(), key);
        QVERIFY(deal.value("symbol").isString());
        QVERIFY(deal.value("comment").isString());
    }
}

void TestDemoServerTradeHistory::windows_data()
{
    QTest::addColumn<int>("fromMark");
    QTest::addColumn<qint64>("fromOffset");
    QTest::addColumn<int>("toMark"); // -1: the open end
    QTest::addColumn<qint64>("toOffset");
    QTest::addColumn<int>("positions");
    QTest::addColumn<int>("orders");
    QTest::addColumn<int>("deals");
    // Marks: 0 account created, 1 first trading day (open), 2 the close a minute later, 3 second
    // trading day. The cancelled and the rejected order come a minute after the close.
    QTest::newRow("the creation day: the deposit only") << 0 << qint64(-60) << 0 << qint64(60) << 0 << 0 << 1;
    QTest::newRow("the first trading day") << 1 << qint64(-60) << 1 << qint64(3600) << 1 << 4 << 2;
    QTest::newRow("from the second trading day on") << 3 << qint64(0) << -1 << qint64(0) << 0 << 2 << 1;
    QTest::newRow("up to the close, excluded") << 1 << qint64(-60) << 2 << qint64(0) << 0 << 1 << 1;
    QTest::newRow("from the close, included") << 2 << qint64(0) << 2 << qint64(1) << 1 << 1 << 1;
    QTest::newRow("after everything") << 3 << qint64(3600) << -1 << qint64(0) << 0 << 0 << 0;
    QTest::newRow("between the trading days") << 1 << qint64(86400) << 3 << qint64(-86400) << 0 << 0 << 0;
}

void TestDemoServerTradeHistory::windows()
{
    QFETCH(int, fromMark);
    QFETCH(qint64, fromOffset);
    QFETCH(int, toMark);
    QFETCH(qint64, toOffset);
    QFETCH(int, positions);
    QFETCH(int, orders);
    QFETCH(int, deals);
    const qint64 marks[] = {m_created, m_firstDay, m_closedAt, m_secondDay};
    const qint64 from = marks[fromMark] + fromOffset;
    const qint64 to = toMark < 0 ? -1 : marks[toMark] + toOffset;
    // Orders count by their placing time, deals by their own time, positions by their close.
    const QJsonObject answer = history(from, to);
    QCOMPARE(answer.value("positions").toArray().size(), positions);
    QCOMPARE(answer.value("orders").toArray().size(), orders);
    QCOMPARE(answer.value("deals").toArray().size(), deals);
}

void TestDemoServerTradeHistory::otherAccountsStayOut()
{
    DemoServerClient other;
    QVERIFY(other.open(m_server->tradeUrl()));
    QCOMPARE(other.login(50001, QStringLiteral("Master1")).value("state").toInt(), 1);
    const QJsonObject answer =
        other.request(QJsonObject{{"req_code", 5}, {"from", 0}, {"to", -1}, {"login", 50001}}, 5);
    for (const QJsonValue &d : answer.value("deals").toArray())
        QVERIFY(d.toObject().value("ticket").toVariant().toLongLong() != m_closedTicket);
    QCOMPARE(answer.value("positions").toArray().size(), 0);
    // Its own deposit is there.
    QCOMPARE(answer.value("deals").toArray().size(), 1);
    QCOMPARE(answer.value("deals").toArray().first().toObject().value("profit").toDouble(), 10000.0);
}

QTEST_GUILESS_MAIN(TestDemoServerTradeHistory)
#include "TestDemoServerTradeHistory.moc"
