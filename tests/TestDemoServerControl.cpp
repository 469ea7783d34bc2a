#include "tests/DemoServerClient.h"
#include "tests/DemoServerControl.h"
#include "tests/DemoServerProcess.h"

#include <QJsonArray>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>
#include <memory>

// The fault and state controls: freeze, drop, group switch, pushed prices and the clock.
class TestDemoServerControl : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void listingNamesTheEndpoints();
    void freezeStopsAnswersAndPongs();
    void badControlBodiesAreRefused_data();
    void badControlBodiesAreRefused();
    void dropEndsEveryTradeConnection();
    void disabledGroupShowsInTheNextTradeAnswer();
    void pushedPriceIsStreamedHeldAndCharted();
    void heldPriceLapses();
    void clockAdvanceMovesServerTime();

private:
    std::unique_ptr<DemoServerClient> loggedIn(qint64 login, const QString &password);

    std::unique_ptr<DemoServerProcess> m_server;
    std::unique_ptr<DemoServerControl> m_control;
};

void TestDemoServerControl::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    m_server = std::make_unique<DemoServerProcess>();
    QVERIFY(m_server->start());
    m_control = std::make_unique<DemoServerControl>(*m_server);
}

void TestDemoServerControl::cleanupTestCase()
{
    QCOMPARE(m_server->stop(), 0);
}

std::unique_ptr<DemoServerClient> TestDemoServerControl::loggedIn(qint64 login, const QString &password)
{
    auto client = std::make_unique<DemoServerClient>();
    if (!client->open(m_server->tradeUrl()) || client->login(login, password).value("state").toInt() != 1)
        return nullptr;
    return client;
}

void TestDemoServerControl::listingNamesTheEndpoints()
{
    const DemoServerHttp::Reply reply = m_control->http().get(m_server->directoryUrl("/control"));
    QCOMPARE(reply.status, 200);
    const QString text = QString::fromUtf8(reply.body);
    for (const char *path : {"/control/suspend", "/control/resume", "/control/group", "/control/drop",
                             "/control/freeze", "/control/price", "/control/clock"})
        QVERIFY2(text.contains(QLatin1String(path)), path);
}

void TestDemoServerControl::freezeStopsAnswersAndPongs()
{
    auto client = loggedIn(50001, "Master1");
    QVERIFY(client);
    client->setKeepPrices(false);
    client->discard(4);
    QSignalSpy pongs(&client->socket(), &QWebSocket::pong);
    const DemoServerHttp::Reply reply = m_control->post("/control/freeze", QJsonObject{{"seconds", 4}});
    QCOMPARE(reply.status, 200);
    QCOMPARE(reply.json().object().value("frozen_seconds").toInt(), 4);
    QElapsedTimer frozen;
    frozen.start();
    // What was on the way before the freeze may still arrive; then silence.
    QTest::qWait(300);
    const qint64 pricesBefore = client->priceCount();
    client->socket().ping();
    client->send(QJsonObject{{"req_code", 4}, {"type", 5}, {"is_last", 1}});
    QTest::qWait(1500);
    QCOMPARE(pongs.count(), 0);
    QCOMPARE(client->priceCount(), pricesBefore);
    QCOMPARE(client->countOf(4), 0);
    // A new connection is not answered either.
    DemoServerClient late;
    QSignalSpy connected(&late.socket(), &QWebSocket::connected);
    late.socket().open(m_server->tradeUrl());
    QTest::qWait(500);
    QCOMPARE(connected.count(), 0);
    // After the freeze everything queued is served: the pong, the refresh, the new session.
    QVERIFY(pongs.count() > 0 || pongs.wait(10000));
    QVERIFY2(frozen.elapsed() >= 3500, qPrintable(QString::number(frozen.elapsed())));
    QVERIFY(!client->take(4, 5000).isEmpty());
    QVERIFY(connected.count() > 0 || connected.wait(5000));
    QTRY_VERIFY_WITH_TIMEOUT(client->priceCount() > pricesBefore, 5000);
}

void TestDemoServerControl::badControlBodiesAreRefused_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    QTest::newRow("freeze for 0 s") << "/control/freeze" << QByteArray(R"({"seconds": 0})") << 400;
    QTest::newRow("freeze too long") << "/control/freeze" << QByteArray(R"({"seconds": 301})") << 400;
    QTest::newRow("freeze without seconds") << "/control/freeze" << QByteArray("{}") << 400;
    QTest::newRow("freeze, seconds as object")
        << "/control/freeze" << QByteArray(R"({"seconds": {}})") << 400;
    QTest::newRow("price of unknown symbol")
        << "/control/price" << QByteArray(R"({"symbol": "XXX", "bid": 1})") << 404;
    QTest::newRow("price without bid") << "/control/price" << QByteArray(R"({"symbol": "EURUSD"})") << 400;
    QTest::newRow("price with ask below bid")
        << "/control/price" << QByteArray(R"({"symbol": "EURUSD", "bid": 1.2, "ask": 1.1})") << 400;
    QTest::newRow("negative price") << "/control/price" << QByteArray(R"({"symbol": "EURUSD", "bid": -1})")
                                    << 400;
    QTest::newRow("price as text") << "/control/price" << QByteArray(R"({"symbol": "EURUSD", "bid": "1.1"})")
                                   << 400;
    QTest::newRow("group of unknown login") << "/control/group" << QByteArray(R"({"login": 424242})") << 404;
    QTest::newRow("unknown group") << "/control/group" << QByteArray(R"({"group": "nobody"})") << 404;
    QTest::newRow("group by login and name")
        << "/control/group" << QByteArray(R"({"login": 50001, "group": "demo"})") << 400;
    QTest::newRow("group, disabled as text")
        << "/control/group" << QByteArray(R"({"login": 50001, "disabled": "yes"})") << 400;
    QTest::newRow("clock backwards") << "/control/clock" << QByteArray(R"({"advance_seconds": -60})") << 400;
    QTest::newRow("malformed JSON") << "/control/drop" << QByteArray(R"({"x": )") << 400;
    QTest::newRow("unknown control") << "/control/explode" << QByteArray("{}") << 404;
}

void TestDemoServerControl::badControlBodiesAreRefused()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    const DemoServerHttp::Reply reply = m_control->http().post(m_server->directoryUrl(path), body);
    QCOMPARE(reply.status, status);
    if (status != 404 || path != QLatin1String("/control/explode"))
        QVERIFY(reply.json().object().value("error").isString());
    // Nothing was changed: the ordinary account still trades.
    auto client = loggedIn(50001, "Master1");
    QVERIFY(client);
}

void TestDemoServerControl::dropEndsEveryTradeConnection()
{
    std::vector<std::unique_ptr<DemoServerClient>> clients;
    for (int i = 0; i < 3; ++i) {
        clients.push_back(loggedIn(50001, "Master1"));
        QVERIFY(clients.back());
    }
    DemoServerClient notLoggedIn;
    QVERIFY(notLoggedIn.open(m_server->tradeUrl()));
    const DemoServerHttp::Reply reply = m_control->post("/control/drop", QJsonObject());
    QCOMPARE(reply.status, 200);
    QVERIFY(reply.json().object().value("dropped").toInt() >= 4);
    for (auto &c : clients)
        QTRY_VERIFY_WITH_TIMEOUT(!c->isConnected(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!notLoggedIn.isConnected(), 10000);
    // The server takes new connections at once, as a terminal's reconnect expects.
    QVERIFY(loggedIn(50001, "Master1"));
}

void TestDemoServerControl::disabledGroupShowsInTheNextTradeAnswer()
{
    auto client = loggedIn(50003, "Master3");
    QVERIFY(client);
    const DemoServerHttp::Reply off = m_control->post("/control/group", QJsonObject{{"login", 50003}});
    QCOMPARE(off.status, 200);
    QCOMPARE(off.json().object().value("group").toString(), QStringLiteral("demo-sell-disabled"));
    QCOMPARE(off.json().object().value("disabled").toBool(), true);

    const QJsonObject answer = client->request(QJsonObject{{"req_code", 4},
                                                           {"type", 0},
                                                           {"order_type", 0},
                                                           {"symbol", "EURUSD"},
                                                           {"volume", 100},
                                                           {"login", 50003}},
                                               7);
    QVERIFY2(answer.value("msg").toString().contains("group is disabled", Qt::CaseInsensitive),
             qPrintable(answer.value("msg").toString()));
    QVERIFY(answer.value("status").toInt() != 10009);
    DemoServerClient again;
    QVERIFY(again.open(m_server->tradeUrl()));
    QCOMPARE(again.login(50003, "Master3").value("is_disabled").toBool(), true);

    // Switched back, both work again; the group was switched, not one account.
    QCOMPARE(
        m_control->post("/control/group", QJsonObject{{"group", "demo-sell-disabled"}, {"disabled", false}})
            .status,
        200);
    QCOMPARE(again.login(50003, "Master3").value("is_disabled").toBool(), false);
    QCOMPARE(client
                 ->request(QJsonObject{{"req_code", 4},
                                       {"type", 0},
                                       {"order_type", 1},
                                       {"symbol", "EURUSD"},
                                       {"volume", 100},
                                       {"login", 50003}},
                           7)
                 .value("fail_reason")
                 .toString(),
             QStringLiteral("Sell orders disabled by group settings"));
}

void TestDemoServerControl::pushedPriceIsStreamedHeldAndCharted()
{
    auto client = loggedIn(50001, "Master1");
    QVERIFY(client);
    client->clear();
    const DemoServerHttp::Reply reply =
        m_control->post("/control/price", QJsonObject{{"symbol", "EURUSD"}, {"bid", 1.23456}});
    QCOMPARE(reply.status, 200);
    QCOMPARE(reply.json().object().value("bid").toDouble(), 1.23456);
    QCOMPARE(reply.json().object().value("ask").toDouble(), 1.23468); // the symbol's 1.2 pip spread
    const QJsonObject tick = client->take(2, 5000, [](const QJsonObject &m) {
        return m.value("symbol") == "EURUSD" && m.value("bid") == 1.23456;
    });
    QVERIFY(!tick.isEmpty());
    // The day's range takes the pushed price in.
    QVERIFY(tick.value("bid_high").toDouble() >= 1.23456);
    QVERIFY(tick.value("bid_low").toDouble() <= 1.23456);
    // Held: the following pushes keep it.
    client->clear();
    QTest::qWait(1000);
    int held = 0;
    for (const QJsonObject &m : client->messages()) {
        if (DemoServerClient::codeOf(m) == 2 && m.value("symbol") == "EURUSD") {
            QCOMPARE(m.value("bid").toDouble(), 1.23456);
            ++held;
        }
    }
    QVERIFY(held >= 2);
    // The forming bar closes at it and reaches it.
    const QJsonObject bars = client->request(
        QJsonObject{{"req_code", 3}, {"symbol", "EURUSD"}, {"interval", 1}, {"from", 0}, {"to", -1}}, 3);
    const QJsonObject newest = bars.value("array").toArray().last().toObject();
    QCOMPARE(newest.value("close").toDouble(), 1.23456);
    QVERIFY(newest.value("high").toDouble() >= 1.23456);
    // Released, the path takes over again.
    QCOMPARE(m_control->post("/control/price", QJsonObject{{"symbol", "EURUSD"}, {"release", true}}).status,
             200);
    QVERIFY(!client
                 ->take(2, 5000,
                        [](const QJsonObject &m) {
                            return m.value("symbol") == "EURUSD" && m.value("bid") != 1.23456;
                        })
                 .isEmpty());
}

void TestDemoServerControl::heldPriceLapses()
{
    auto client = loggedIn(50001, "Master1");
    QVERIFY(client);
    client->clear();
    QCOMPARE(
        m_control
            ->post("/control/price",
                   QJsonObject{{"symbol", "GBPUSD"}, {"bid", 1.11111}, {"ask", 1.11131}, {"hold_seconds", 1}})
            .status,
        200);
    const QJsonObject pinned = client->take(2, 5000, [](const QJsonObject &m) {
        return m.value("symbol") == "GBPUSD" && m.value("bid") == 1.11111;
    });
    QCOMPARE(pinned.value("ask").toDouble(), 1.11131);
    QVERIFY(!client
                 ->take(2, 5000,
                        [](const QJsonObject &m) {
                            return m.value("symbol") == "GBPUSD" && m.value("bid") != 1.11111;
                        })
                 .isEmpty());
}

void TestDemoServerControl::clockAdvanceMovesServerTime()
{
    auto client = loggedIn(50001, "Master1");
    QVERIFY(client);
    const DemoServerHttp::Reply reply =
        m_control->post("/control/clock", QJsonObject{{"advance_seconds", 7200}});
    QCOMPARE(reply.status, 200);
    QCOMPARE(reply.json().object().value("offset_seconds").toInt(), 7200);
    client->clear();
    const QJsonObject tick = client->take(2, 5000);
    const qint64 ahead =
        tick.value("timestamp").toVariant().toLongLong() - QDateTime::currentSecsSinceEpoch();
    QVERIFY2(ahead > 7100 && ahead < 7300, qPrintable(QString::number(ahead)));
    DemoServerClient fresh;
    QVERIFY(fresh.open(m_server->tradeUrl()));
    const qint64 loginAhead = fresh.login(50001, "Master1").value("server_time").toVariant().toLongLong() -
                              QDateTime::currentSecsSinceEpoch();
    QVERIFY(loginAhead > 7100 && loginAhead < 7300);
}

QTEST_GUILESS_MAIN(TestDemoServerControl)
#include "TestDemoServerControl.moc"
