#include "tests/DemoServerClient.h"
#include "tests/DemoServerProcess.h"

#include <QDateTime>
#include <QJsonArray>
#include <QStandardPaths>
#include <QtTest>
#include <memory>

// The trade server seen by a terminal: login variants, the pushes after a login, live prices,
// bad input and many sessions at once.
class TestDemoServerSession : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void loginResult_data();
    void loginResult();
    void acceptedLoginPushesListsThenPrices();
    void refusedLoginGetsNoPushes();
    void symbolListDescribesEverySymbol();
    void pricePushCarriesEveryKey();
    void pricesMoveAboutFourTimesASecond();
    void badInputIsSurvived_data();
    void badInputIsSurvived();
    void requestsBeforeLoginAreRefused();
    void manySessionsAtOnce();

private:
    std::unique_ptr<DemoServerProcess> m_server;
    std::unique_ptr<DemoServerClient> loggedIn(qint64 login = 50001, const QString &password = "Master1");
};

void TestDemoServerSession::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    m_server = std::make_unique<DemoServerProcess>();
    QVERIFY(m_server->start());
}

void TestDemoServerSession::cleanupTestCase()
{
    QCOMPARE(m_server->stop(), 0);
}

std::unique_ptr<DemoServerClient> TestDemoServerSession::loggedIn(qint64 login, const QString &password)
{
    auto client = std::make_unique<DemoServerClient>();
    if (!client->open(m_server->tradeUrl()))
        return nullptr;
    if (client->login(login, password).value("state").toInt() != 1)
        return nullptr;
    return client;
}

void TestDemoServerSession::loginResult_data()
{
    QTest::addColumn<QJsonValue>("id");
    QTest::addColumn<QJsonValue>("password");
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("disabled");
    QTest::addColumn<bool>("investor");
    QTest::addColumn<QString>("group");
    QTest::newRow("main password") << QJsonValue(50001) << QJsonValue("Master1") << 1 << false << false
                                   << "demo";
    QTest::newRow("investor password")
        << QJsonValue(50001) << QJsonValue("Invest1") << 1 << false << true << "demo";
    QTest::newRow("login as decimal text")
        << QJsonValue("50001") << QJsonValue("Master1") << 1 << false << false << "demo";
    QTest::newRow("wrong password") << QJsonValue(50001) << QJsonValue("master1") << 0 << false << false
                                    << "";
    QTest::newRow("unknown login") << QJsonValue(99999) << QJsonValue("Master1") << 0 << false << false << "";
    QTest::newRow("empty password") << QJsonValue(50001) << QJsonValue("") << 0 << false << false << "";
    QTest::newRow("password of wrong type")
        << QJsonValue(50001) << QJsonValue(1234) << 0 << false << false << "";
    QTest::newRow("login of wrong type")
        << QJsonValue(QJsonArray{50001}) << QJsonValue("Master1") << 0 << false << false << "";
    QTest::newRow("disabled group") << QJsonValue(50002) << QJsonValue("Master2") << 0 << true << false
                                    << "demo-disabled";
    QTest::newRow("disabled group, investor")
        << QJsonValue(50002) << QJsonValue("Invest2") << 0 << true << false << "demo-disabled";
    QTest::newRow("disabled account")
        << QJsonValue(50007) << QJsonValue("Master7") << 0 << true << false << "demo";
    QTest::newRow("disabled group, wrong password")
        << QJsonValue(50002) << QJsonValue("nope") << 0 << false << false << "";
}

void TestDemoServerSession::loginResult()
{
    QFETCH(QJsonValue, id);
    QFETCH(QJsonValue, password);
    QFETCH(int, state);
    QFETCH(bool, disabled);
    QFETCH(bool, investor);
    QFETCH(QString, group);
    DemoServerClient client;
    QVERIFY(client.open(m_server->tradeUrl()));
    const QJsonObject answer =
        client.request(QJsonObject{{"req_code", 1}, {"id", id}, {"password", password}, {"type", 3}}, 1);
    for (const char *key :
         {"state", "is_disabled", "is_investor_password", "timezone", "login", "name", "group"})
        QVERIFY2(answer.contains(QLatin1String(key)), key);
    QVERIFY(answer.value("state").isDouble());
    QVERIFY(answer.value("is_disabled").isBool());
    QVERIFY(answer.value("is_investor_password").isBool());
    QCOMPARE(answer.value("state").toInt(), state);
    QCOMPARE(answer.value("is_disabled").toBool(), disabled);
    QCOMPARE(answer.value("is_investor_password").toBool(), investor);
    QCOMPARE(answer.value("timezone").toString(), QStringLiteral("+02:00"));
    QCOMPARE(answer.value("group").toString(), group);
    // The terminal stops at these words before its own login handling.
    const QString msg = answer.value("msg").toString();
    QVERIFY(!msg.contains(QLatin1String("Login Disabled"), Qt::CaseInsensitive));
    QVERIFY(!msg.contains(QLatin1String("group is disabled"), Qt::CaseInsensitive));
    QVERIFY(answer.value("error").toString().isEmpty());
    if (state == 1) {
        QCOMPARE(answer.value("login").toVariant().toLongLong(), 50001);
        QCOMPARE(answer.value("name").toString(), QStringLiteral("Demo Trader"));
    }
    // A refused socket stays usable: the right password still gets in.
    if (state == 0 && !disabled)
        QCOMPARE(client.login(50001, QStringLiteral("Master1")).value("state").toInt(), 1);
}

void TestDemoServerSession::acceptedLoginPushesListsThenPrices()
{
    DemoServerClient client;
    QVERIFY(client.open(m_server->tradeUrl()));
    QCOMPARE(client.login(50005, QStringLiteral("Master5")).value("state").toInt(), 1);
    const QJsonObject symbols = client.peek(8);
    QVERIFY(!symbols.isEmpty());
    const int symbolCount = symbols.value("array").toArray().size();
    QTRY_VERIFY_WITH_TIMEOUT(client.countOf(2) >= symbolCount, 10000);

    // Order on the wire: login result, symbols, pending orders, positions, then prices.
    QList<int> order;
    for (const QJsonObject &m : client.messages())
        if (order.isEmpty() || order.last() != DemoServerClient::codeOf(m))
            order.append(DemoServerClient::codeOf(m));
    QCOMPARE(order.mid(0, 4), (QList<int>{8, 6, 4, 2}));

    const QJsonObject positions = client.peek(4);
    QCOMPARE(positions.value("is_last").toInt(), 1);
    for (const char *key : {"balance", "margin", "credit", "array"})
        QVERIFY2(positions.contains(QLatin1String(key)), key);
    // The close-only demo account starts with one EURUSD position, so every key can be checked.
    const QJsonArray array = positions.value("array").toArray();
    QCOMPARE(array.size(), 1);
    const QJsonObject position = array.first().toObject();
    for (const char *key : {"login", "ticket", "symbol", "type", "volume", "price_o", "price_c", "sl", "tp",
                            "profit", "csize", "time", "time_c", "r_profit", "swap", "fee", "digits"})
        QVERIFY2(position.contains(QLatin1String(key)), key);
    QCOMPARE(position.value("symbol").toString(), QStringLiteral("EURUSD"));
    QCOMPARE(position.value("type").toString(), QStringLiteral("buy"));
    QCOMPARE(position.value("volume").toInt(), 1000);
    QCOMPARE(position.value("login").toInt(), 50005);
    QVERIFY(client.peek(6).value("array").isArray());

    // One price push for every symbol of the list.
    QSet<QString> priced;
    for (const QJsonObject &m : client.messages())
        if (DemoServerClient::codeOf(m) == 2)
            priced.insert(m.value("symbol").toString());
    for (const QJsonValue &s : symbols.value("array").toArray())
        QVERIFY2(priced.contains(s.toObject().value("symbol").toString()),
                 qPrintable(s.toObject().value("symbol").toString()));
}

void TestDemoServerSession::refusedLoginGetsNoPushes()
{
    DemoServerClient client;
    QVERIFY(client.open(m_server->tradeUrl()));
    QCOMPARE(client.login(50001, QStringLiteral("wrong")).value("state").toInt(), 0);
    // Prices go out four times a second; a second of silence shows none are meant for us.
    QTest::qWait(1000);
    QCOMPARE(client.countOf(2), 0);
    QCOMPARE(client.countOf(8), 0);
    QCOMPARE(client.countOf(4), 0);
}

void TestDemoServerSession::symbolListDescribesEverySymbol()
{
    auto client = loggedIn();
    QVERIFY(client);
    const QJsonArray symbols = client->take(8).value("array").toArray();
    QVERIFY2(symbols.size() >= 18 && symbols.size() <= 25, qPrintable(QString::number(symbols.size())));
    QHash<QString, QJsonObject> byName;
    for (const QJsonValue &v : symbols) {
        const QJsonObject s = v.toObject();
        for (const char *key : {"symbol", "desc", "path"})
            QVERIFY2(s.value(QLatin1String(key)).isString(), key);
        for (const char *key : {"digits", "c_size", "min_vol", "max_vol", "step_vol"})
            QVERIFY2(s.value(QLatin1String(key)).isDouble(), key);
        QVERIFY(!s.value("symbol").toString().isEmpty());
        QVERIFY(s.value("min_vol").toInt() > 0);
        QVERIFY(s.value("step_vol").toInt() > 0);
        QVERIFY(s.value("max_vol").toInt() >= s.value("min_vol").toInt());
        QVERIFY(s.value("c_size").toDouble() > 0);
        byName.insert(s.value("symbol").toString(), s);
    }
    QCOMPARE(byName.size(), symbols.size());
    QCOMPARE(byName.value("EURUSD").value("digits").toInt(), 5);
    QCOMPARE(byName.value("EURUSD").value("c_size").toDouble(), 100000.0);
    QCOMPARE(byName.value("EURUSD").value("min_vol").toInt(), 100);
    QCOMPARE(byName.value("USDJPY").value("digits").toInt(), 3);
    QCOMPARE(byName.value("XAUUSD").value("digits").toInt(), 2);
    QCOMPARE(byName.value("XAUUSD").value("c_size").toDouble(), 100.0);
    QVERIFY(byName.contains("EURGBP"));
    QCOMPARE(byName.value("US500").value("path").toString(), QStringLiteral("Indices"));
}

void TestDemoServerSession::pricePushCarriesEveryKey()
{
    auto client = loggedIn();
    QVERIFY(client);
    const QJsonArray symbols = client->take(8).value("array").toArray();
    QHash<QString, int> digits;
    for (const QJsonValue &v : symbols)
        digits.insert(v.toObject().value("symbol").toString(), v.toObject().value("digits").toInt());
    // A live push, not one of those sent at login.
    client->clear();
    const QJsonObject tick =
        client->take(2, 5000, [](const QJsonObject &m) { return m.value("symbol") == "USDJPY"; });
    QVERIFY(!tick.isEmpty());
    for (const char *key : {"symbol", "timestamp", "server_time", "tm_ms", "bid", "ask", "volume", "digits",
                            "ask_high", "ask_low", "bid_high", "bid_low", "min_vol", "max_vol", "step_vol"})
        QVERIFY2(tick.contains(QLatin1String(key)), key);
    const qint64 tmMs = tick.value("tm_ms").toVariant().toLongLong();
    QCOMPARE(tick.value("timestamp").toVariant().toLongLong(), tmMs / 1000);
    QCOMPARE(tick.value("server_time").toVariant().toLongLong(), tmMs / 1000);
    QVERIFY(qAbs(tmMs - QDateTime::currentMSecsSinceEpoch()) < 10000);
    QCOMPARE(tick.value("digits").toInt(), digits.value("USDJPY"));
    const double bid = tick.value("bid").toDouble();
    const double ask = tick.value("ask").toDouble();
    QVERIFY(bid > 0 && ask > bid);
    QVERIFY(tick.value("bid_low").toDouble() <= bid && bid <= tick.value("bid_high").toDouble());
    QVERIFY(tick.value("ask_low").toDouble() <= ask && ask <= tick.value("ask_high").toDouble());
    // Prices carry no more decimals than the symbol's digits.
    QCOMPARE(QString::number(bid * 1000.0, 'f', 6).section('.', 1), QStringLiteral("000000"));
    QCOMPARE(tick.value("volume").toInt() % 10000, 0);
    QCOMPARE(tick.value("min_vol").toInt(), 100);
}

void TestDemoServerSession::pricesMoveAboutFourTimesASecond()
{
    auto client = loggedIn();
    QVERIFY(client);
    client->clear();
    QElapsedTimer timer;
    timer.start();
    QTest::qWait(3000);
    const double seconds = timer.elapsed() / 1000.0;
    // A quiet symbol may hold its price for a few seconds; across the board prices move.
    QMap<QString, QSet<double>> bids;
    int pushes = 0;
    for (const QJsonObject &m : client->messages()) {
        if (DemoServerClient::codeOf(m) != 2)
            continue;
        bids[m.value("symbol").toString()].insert(m.value("bid").toDouble());
        if (m.value("symbol") == "EURUSD")
            ++pushes;
    }
    const double rate = pushes / seconds;
    QVERIFY2(rate > 2.0 && rate < 6.0, qPrintable(QString::number(rate)));
    int moved = 0;
    for (const QSet<double> &seen : qAsConst(bids))
        moved += seen.size() > 1 ? 1 : 0;
    QVERIFY2(moved >= bids.size() / 2,
             qPrintable(QStringLiteral("%1 of %2 symbols moved").arg(moved).arg(bids.size())));
}

void TestDemoServerSession::badInputIsSurvived_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("answerCode"); // 0: no answer is expected
    QTest::newRow("malformed JSON") << QString("{\"req_code\": 3, ") << 0;
    QTest::newRow("JSON array") << QString("[1, 2, 3]") << 0;
    QTest::newRow("JSON string") << QString("\"hello\"") << 0;
    QTest::newRow("empty text") << QString("") << 0;
    QTest::newRow("no request code") << QString("{\"symbol\": \"EURUSD\"}") << 0;
    QTest::newRow("request code as text") << QString("{\"req_code\": \"three\"}") << 0;
    QTest::newRow("request code fraction") << QString("{\"req_code\": 3.5}") << 0;
    QTest::newRow("unknown request code") << QString("{\"req_code\": 99}") << 0;
    QTest::newRow("server-only code") << QString("{\"req_code\": 2, \"symbol\": \"EURUSD\"}") << 0;
    QTest::newRow("history with interval as bool")
        << QString("{\"req_code\": 3, \"symbol\": \"EURUSD\", \"interval\": true, \"from\": 0, \"to\": -1}")
        << 3;
    QTest::newRow("history with symbol as number")
        << QString("{\"req_code\": 3, \"symbol\": 1, \"interval\": 60, \"from\": 0, \"to\": -1}") << 3;
    QTest::newRow("history of unknown symbol")
        << QString("{\"req_code\": 3, \"symbol\": \"NOPE\", \"interval\": 60, \"from\": 0, \"to\": -1}") << 3;
    QTest::newRow("history with huge interval")
        << QString("{\"req_code\": 3, \"symbol\": \"EURUSD\", \"interval\": 1e300, \"from\": 0, \"to\": -1}")
        << 3;
    QTest::newRow("history with object as from")
        << QString("{\"req_code\": 3, \"symbol\": \"EURUSD\", \"interval\": 60, \"from\": {}, \"to\": -1}")
        << 3;
    QTest::newRow("trade with type as text") << QString("{\"req_code\": 4, \"type\": \"buy\"}") << 7;
    QTest::newRow("trade without type") << QString("{\"req_code\": 4}") << 7;
    QTest::newRow("trade history with text bounds")
        << QString("{\"req_code\": 5, \"from\": \"yesterday\", \"to\": null}") << 5;
    QTest::newRow("nested beyond the parser's limit")
        << (QString("{\"req_code\": 4, \"type\": ") + QString(5000, '[') + QString(5000, ']') + "}") << 0;
    QTest::newRow("array as trade type")
        << (QString("{\"req_code\": 4, \"type\": ") + QString(50, '[') + QString(50, ']') + "}") << 7;
    QTest::newRow("login with nulls") << QString("{\"req_code\": 1, \"id\": null, \"password\": null}") << 1;
}

void TestDemoServerSession::badInputIsSurvived()
{
    QFETCH(QString, text);
    QFETCH(int, answerCode);
    auto client = loggedIn();
    QVERIFY(client);
    client->setKeepPrices(false);
    client->clear();
    client->sendText(text);
    if (answerCode != 0) {
        const QJsonObject answer = client->take(answerCode);
        QVERIFY2(!answer.isEmpty(), "no answer");
        if (answerCode == 3)
            QCOMPARE(answer.value("array").toArray().size(), 0);
        if (answerCode == 7)
            QVERIFY(answer.value("status").toInt() != 10009);
    }
    // Still the same session, still answering.
    if (answerCode != 1) {
        const QJsonObject refreshed =
            client->request(QJsonObject{{"req_code", 4}, {"type", 5}, {"is_last", 1}}, 4);
        QCOMPARE(refreshed.value("is_last").toInt(), 1);
    }
    QVERIFY(client->isConnected());
    // And the server as a whole.
    QVERIFY(loggedIn());
}

void TestDemoServerSession::requestsBeforeLoginAreRefused()
{
    DemoServerClient client;
    QVERIFY(client.open(m_server->tradeUrl()));
    client.send(
        QJsonObject{{"req_code", 3}, {"symbol", "EURUSD"}, {"interval", 60}, {"from", 0}, {"to", -1}});
    client.send(QJsonObject{{"req_code", 5}, {"from", 0}, {"to", -1}});
    const QJsonObject trade = client.request(
        QJsonObject{{"req_code", 4}, {"type", 0}, {"order_type", 0}, {"symbol", "EURUSD"}, {"volume", 100}},
        7);
    QVERIFY(!trade.isEmpty());
    QVERIFY(trade.value("status").toInt() != 10009);
    QVERIFY(!trade.value("fail_reason").toString().isEmpty());
    // The trade answer came after the other two requests were read, so they were refused.
    QCOMPARE(client.countOf(3), 0);
    QCOMPARE(client.countOf(5), 0);
    QCOMPARE(client.countOf(2), 0);
    QVERIFY(client.isConnected());
}

void TestDemoServerSession::manySessionsAtOnce()
{
    // Forty terminals, each logged in to one of three accounts; each gets its own answers.
    const QList<QPair<qint64, QString>> accounts{{50001, "Master1"}, {50001, "Invest1"}, {50003, "Master3"}};
    std::vector<std::unique_ptr<DemoServerClient>> clients;
    for (int i = 0; i < 40; ++i) {
        auto client = std::make_unique<DemoServerClient>();
        client->setKeepPrices(false);
        client->socket().open(m_server->tradeUrl());
        clients.push_back(std::move(client));
    }
    for (auto &c : clients)
        QTRY_VERIFY_WITH_TIMEOUT(c->isConnected(), 15000);
    for (size_t i = 0; i < clients.size(); ++i) {
        const auto &account = accounts[static_cast<int>(i) % accounts.size()];
        clients[i]->send(
            QJsonObject{{"req_code", 1}, {"id", account.first}, {"password", account.second}, {"type", 3}});
    }
    for (size_t i = 0; i < clients.size(); ++i) {
        const auto &account = accounts[static_cast<int>(i) % accounts.size()];
        const QJsonObject answer = clients[i]->take(1, 15000);
        QCOMPARE(answer.value("state").toInt(), 1);
        QCOMPARE(answer.value("login").toVariant().toLongLong(), account.first);
        QCOMPARE(answer.value("is_investor_password").toBool(), account.second.startsWith("Invest"));
        QVERIFY(!clients[i]->take(8, 15000).isEmpty());
    }
    // Half of them leave; the others keep receiving prices.
    for (size_t i = 0; i < clients.size(); i += 2)
        clients[i]->close();
    for (size_t i = 1; i < clients.size(); i += 2) {
        const qint64 before = clients[i]->priceCount();
        QTRY_VERIFY_WITH_TIMEOUT(clients[i]->priceCount() > before, 10000);
    }
}

QTEST_GUILESS_MAIN(TestDemoServerSession)
#include "TestDemoServerSession.moc"
