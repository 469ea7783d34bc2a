#include "SilentWebSocketPeer.h"
#include "WebSocketTestPeer.h"

#include "net/SessionFlags.h"
#include "net/TickSink.h"
#include "net/TradeClient.h"
#include "support/Logger.h"

#include <QJsonDocument>
#include <QMutex>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Collects the client's signals on the test (main) thread, where they arrive queued.
class Recorder : public QObject
{
    Q_OBJECT
public:
    explicit Recorder(TradeClient *client)
    {
        connect(client, &TradeClient::websocketConnected, this, [this] { ++connected; });
        connect(client, &TradeClient::websocketDisconnected, this, [this] { ++disconnected; });
        connect(client, &TradeClient::loginSuccess, this, [this](const QJsonObject &o) {
            ++loginSuccess;
            lastLogin = o;
        });
        connect(client, &TradeClient::loginFail, this, [this] { ++loginFail; });
        connect(client, &TradeClient::chartHistoryReceived, this, [this](const QJsonObject &) { ++chart; });
        connect(client, &TradeClient::openPositionsReceived, this,
                [this](const QJsonObject &) { ++positions; });
        connect(client, &TradeClient::tradeHistoryReceived, this, [this](const QJsonObject &) { ++history; });
        connect(client, &TradeClient::pendingOrdersReceived, this,
                [this](const QJsonObject &) { ++pendings; });
        connect(client, &TradeClient::tradeResponseReceived, this, [this](const QJsonObject &) { ++trades; });
        connect(client, &TradeClient::symbolListReceived, this, [this](const QJsonObject &) { ++symbols; });
        connect(logger(), &Logger::logMessage, this,
                [this](const QDateTime &, const QString &title, const QString &message) {
                    logLines.append(title + QLatin1Char('|') + message);
                });
    }
    int logCount(const QString &line) const { return logLines.count(line); }

    int connected = 0, disconnected = 0, loginSuccess = 0, loginFail = 0;
    int chart = 0, positions = 0, history = 0, pendings = 0, trades = 0, symbols = 0;
    QJsonObject lastLogin;
    QStringList logLines;
};

class CountingSink : public TickSink
{
public:
    void addTick(const TickData &tick) override
    {
        QMutexLocker locker(&mutex);
        ticks.append(tick);
    }
    int count()
    {
        QMutexLocker locker(&mutex);
        return ticks.size();
    }
    QMutex mutex;
    QList<TickData> ticks;
};

QJsonObject obj(const char *json)
{
    return QJsonDocument::fromJson(QByteArray(json)).object();
}

} // namespace

class TestTradeClient : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void loginMessage();
    void connectToServerRestartsOnlyWhenNeeded();
    void refusedLoginDoesNotReconnect();
    void reconnectsEveryThreeSecondsAfterDrop();
    void silentPeerIsDroppedAfterUnansweredPing();
    void queueLeavesInRoundsOfFive();
    void sendRequestAddsLogin();
    void sendWhileDisconnectedIsDropped();
    void historyRequestIsRateLimited();
    void loginVariants_data();
    void loginVariants();
    void groupDisabledInAnyMessageEndsSession();
    void dispatchRoutesByCode();
    void errorFieldBecomesLoginFailure();
    void tradeResultLogLine_data();
    void tradeResultLogLine();
    void priceGoesToTickSink();
    void detachedTickSinkIsNeverCalledAgain();
    void timeZones_data();
    void timeZones();
    void formattersNeedValidZone();

private:
    void loginTo(TradeClient &client, Recorder &recorder, const QUrl &url, quint64 login = 1001);
    QTemporaryDir m_dir;
};

void TestTradeClient::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QDir::setCurrent(m_dir.path());
    logger();
}

void TestTradeClient::init()
{
    SessionFlags::setAccountDisabled(false);
    SessionFlags::setInvestor(false);
}

void TestTradeClient::loginTo(TradeClient &client, Recorder &recorder, const QUrl &url, quint64 login)
{
    QVERIFY(client.connectToServer(url, login, QStringLiteral("secret"), QStringLiteral("Demo")));
    QTRY_COMPARE_WITH_TIMEOUT(recorder.loginSuccess, 1, 5000);
}

void TestTradeClient::loginMessage()
{
    WebSocketTestPeer peer;
    peer.setHandler(WebSocketTestPeer::loginHandler(true));
    TradeClient client;
    Recorder recorder(&client);
    loginTo(client, recorder, peer.url(), 5000123456789);
    QCOMPARE(recorder.connected, 1);
    const QJsonObject login = peer.received().first().object;
    QCOMPARE(login, obj(R"({"req_code":1,"id":5000123456789,"password":"secret","type":3})"));
    QVERIFY(!peer.received().first().text.contains(QLatin1Char(' '))); // compact JSON
    QVERIFY(client.isLoggedIn());
    QVERIFY(recorder.logLines.contains("Terminal|5000123456789 try to connect to Demo"));
    QTRY_VERIFY(recorder.logLines.contains("Network|Connected to Demo"));
    QVERIFY(recorder.logLines.contains("Terminal|5000123456789 login to Demo successfully"));
    client.logout();
    QVERIFY(!client.isRunning());
    QVERIFY(recorder.logLines.contains("Terminal|5000123456789 Log out from Demo"));
}

void TestTradeClient::connectToServerRestartsOnlyWhenNeeded()
{
    WebSocketTestPeer peer;
    peer.setHandler(WebSocketTestPeer::loginHandler(true));
    TradeClient client;
    Recorder recorder(&client);
    loginTo(client, recorder, peer.url());

    // Same arguments while logged in: nothing happens.
    QVERIFY(!client.connectToServer(peer.url(), 1001, "secret", "Demo"));
    QTest::qWait(200);
    QCOMPARE(peer.connectionCount(), 1);

    // A changed password restarts the session.
    QVERIFY(client.connectToServer(peer.url(), 1001, "other", "Demo"));
    QTRY_COMPARE_WITH_TIMEOUT(peer.connectionCount(), 2, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(recorder.loginSuccess, 2, 5000);

    // Same arguments while not logged in: restarts but reports no change.
    peer.setHandler(WebSocketTestPeer::loginHandler(false));
    QVERIFY(client.connectToServer(peer.url(), 1001, "third", "Demo"));
    QTRY_COMPARE_WITH_TIMEOUT(recorder.loginFail, 1, 5000);
    QVERIFY(!client.connectToServer(peer.url(), 1001, "third", "Demo"));
    QTRY_COMPARE_WITH_TIMEOUT(peer.connectionCount(), 4, 5000);
}

void TestTradeClient::refusedLoginDoesNotReconnect()
{
    WebSocketTestPeer peer;
    peer.setHandler(WebSocketTestPeer::loginHandler(false));
    TradeClient client;
    Recorder recorder(&client);
    QVERIFY(client.connectToServer(peer.url(), 1001, "wrong", "Demo"));
    QTRY_COMPARE_WITH_TIMEOUT(recorder.loginFail, 1, 5000);
    QVERIFY(recorder.logLines.contains("Terminal|1001 login failed to Demo"));
    QVERIFY(!client.isLoggedIn());
    QVERIFY(client.isConnected()); // a refusal leaves the socket open

    peer.closeAll();
    QTRY_COMPARE_WITH_TIMEOUT(recorder.disconnected, 1, 5000);
    QTest::qWait(4000);
    QCOMPARE(peer.connectionCount(), 1);
}

void TestTradeClient::reconnectsEveryThreeSecondsAfterDrop()
{
    WebSocketTestPeer peer;
    peer.setHandler(WebSocketTestPeer::loginHandler(true));
    TradeClient client;
    Recorder recorder(&client);
    loginTo(client, recorder, peer.url());

    // Drop after every login: each drop is followed by a new attempt about 3 s later.
    for (int drop = 1; drop <= 2; ++drop) {
        const qint64 droppedAt = peer.elapsedMs();
        peer.closeAll();
        QTRY_COMPARE_WITH_TIMEOUT(recorder.disconnected, drop, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(peer.connectionCount(), drop + 1, 8000);
        const qint64 gap = peer.connectionTimesMs().last() - droppedAt;
        QVERIFY2(gap >= 2900 && gap < 4500, qPrintable(QString::number(gap)));
        QTRY_COMPARE_WITH_TIMEOUT(recorder.loginSuccess, drop + 1, 5000);
        QCOMPARE(recorder.logCount("Network|Disconnected from Demo"), drop);
    }
    client.logout();
}

void TestTradeClient::silentPeerIsDroppedAfterUnansweredPing()
{
    SilentWebSocketPeer peer;
    peer.setGreeting(R"({"res_code":1,"state":1,"login":1001,"timezone":"+00:00"})");
    TradeClient client;
    Recorder recorder(&client);
    QVERIFY(client.connectToServer(peer.url(), 1001, "secret", "Demo"));
    QTRY_COMPARE_WITH_TIMEOUT(recorder.loginSuccess, 1, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(recorder.disconnected, 1, 8000);
    QVERIFY(peer.disconnectedMs() > 0);
    const qint64 silence = peer.disconnectedMs() - peer.lastSentMs();
    QVERIFY2(silence >= 4400 && silence < 5800, qPrintable(QString::number(silence)));
    client.logout();
}

void TestTradeClient::queueLeavesInRoundsOfFive()
{
    WebSocketTestPeer peer;
    peer.setHandler(WebSocketTestPeer::loginHandler(true));
    TradeClient client;
    Recorder recorder(&client);
    loginTo(client, recorder, peer.url());

    for (int i = 0; i < 11; ++i)
        client.sendMessage(QStringLiteral(R"({"req_code":99,"seq":%1})").arg(i));
    QTRY_COMPARE_WITH_TIMEOUT(peer.received().size(), 12, 5000);
    const QList<WebSocketTestPeer::Received> got = peer.received().mid(1);
    for (int i = 0; i < 11; ++i)
        QCOMPARE(got[i].object.value("seq").toInt(), i);
    // Rounds run 5 ms apart: the 6th message cannot leave before the second round,
    // the 11th not before the third. Network delays only make the gaps longer.
    QVERIFY2(got[5].atMs - got[0].atMs >= 4, qPrintable(QString::number(got[5].atMs - got[0].atMs)));
    QVERIFY2(got[10].atMs - got[0].atMs >= 9, qPrintable(QString::number(got[10].atMs - got[0].atMs)));
    client.logout();
}

void TestTradeClient::sendRequestAddsLogin()
{
    WebSocketTestPeer peer;
    peer.setHandler(WebSocketTestPeer::loginHandler(true));
    TradeClient client;
    Recorder recorder(&client);
    loginTo(client, recorder, peer.url(), 77);
    client.sendRequest(obj(R"({"req_code":4,"type":5,"is_last":1})"));
    client.sendRequest(obj(R"({"req_code":4,"type":9,"sub_type":0,"login":12})"));
    QTRY_COMPARE_WITH_TIMEOUT(peer.received().size(), 3, 5000);
    QCOMPARE(peer.received()[1].object, obj(R"({"req_code":4,"type":5,"is_last":1,"login":77})"));
    QCOMPARE(peer.received()[2].object.value("login").toInt(), 12);
    client.logout();
}

void TestTradeClient::sendWhileDisconnectedIsDropped()
{
    SilentWebSocketPeer peer; // never completes a login
    TradeClient client;
    Recorder recorder(&client);
    client.sendMessage(QStringLiteral("{}")); // not running: silently ignored
    QCOMPARE(recorder.logLines.size(), 0);

    // Running but not yet connected: a port nobody listens on.
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost, 0);
    const quint16 port = closed.serverPort();
    closed.close();
    client.connectToServer(QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(port)), 1, "p", "Nowhere");
    QTRY_VERIFY(client.isRunning());
    client.sendMessage(QStringLiteral(R"({"req_code":3})"));
    QTRY_VERIFY(recorder.logLines.contains("Network|Attempted to send message when WebSocket not connected"));
    client.logout();
}

void TestTradeClient::historyRequestIsRateLimited()
{
    WebSocketTestPeer peer;
    peer.setHandler(WebSocketTestPeer::loginHandler(true));
    TradeClient client;
    Recorder recorder(&client);
    loginTo(client, recorder, peer.url());
    client.requestHistory(-1);
    client.requestHistory(-7);
    QTRY_COMPARE_WITH_TIMEOUT(peer.received().size(), 2, 5000);
    QTest::qWait(100);
    QCOMPARE(peer.received().size(), 2);
    QCOMPARE(recorder.logCount("Network|History request rate limited - skipping"), 1);

    const QJsonObject request = peer.received()[1].object;
    QCOMPARE(request.value("req_code").toInt(), 5);
    const QDate today = QDate::currentDate();
    QCOMPARE(qint64(request.value("from").toDouble()),
             QDateTime(today.addDays(-1), QTime(0, 0)).toSecsSinceEpoch());
    QCOMPARE(qint64(request.value("to").toDouble()),
             QDateTime(today.addDays(1), QTime(0, 0)).toSecsSinceEpoch());
    QCOMPARE(request.value("login").toInt(), 1001);
    client.logout();
}

void TestTradeClient::loginVariants_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("success");
    QTest::addColumn<bool>("disabledFlag");
    QTest::addColumn<bool>("investorFlag");
    QTest::addColumn<bool>("socketStaysOpen");
    QTest::newRow("accepted") << QByteArray(R"({"res_code":1,"state":1})") << true << false << false << true;
    QTest::newRow("accepted read-only")
        << QByteArray(R"({"res_code":1,"state":1,"is_investor_password":true})") << true << false << true
        << true;
    QTest::newRow("refused") << QByteArray(R"({"res_code":1,"state":0})") << false << false << false << true;
    QTest::newRow("state 1 but group disabled")
        << QByteArray(R"({"res_code":1,"state":1,"is_disabled":true})") << false << true << false << false;
    QTest::newRow("state as string is refused")
        << QByteArray(R"({"res_code":1,"state":"1"})") << false << false << false << true;
}

void TestTradeClient::loginVariants()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, success);
    QFETCH(bool, disabledFlag);
    QFETCH(bool, investorFlag);
    QFETCH(bool, socketStaysOpen);
    WebSocketTestPeer peer;
    const QJsonObject answer = QJsonDocument::fromJson(reply).object();
    peer.setHandler([answer](const QJsonObject &) { return QList<QJsonObject>{answer}; });
    TradeClient client;
    Recorder recorder(&client);
    QVERIFY(client.connectToServer(peer.url(), 1001, "secret", "Demo"));
    QTRY_COMPARE_WITH_TIMEOUT(recorder.loginSuccess + recorder.loginFail, 1, 5000);
    QCOMPARE(recorder.loginSuccess, success ? 1 : 0);
    QCOMPARE(client.isLoggedIn(), success);
    QCOMPARE(SessionFlags::accountDisabled(), disabledFlag);
    QCOMPARE(SessionFlags::investor(), investorFlag);
    if (!socketStaysOpen) {
        QTRY_COMPARE_WITH_TIMEOUT(peer.openClients(), 0, 5000);
        QVERIFY(recorder.logLines.contains("Terminal|1001 login failed - Group is disabled"));
        QTest::qWait(3500);
        QCOMPARE(peer.connectionCount(), 1);
    } else {
        QTest::qWait(100);
        QCOMPARE(peer.openClients(), 1);
    }
    client.logout();
}

void TestTradeClient::groupDisabledInAnyMessageEndsSession()
{
    WebSocketTestPeer peer;
    peer.setHandler(WebSocketTestPeer::loginHandler(true));
    TradeClient client;
    Recorder recorder(&client);
    loginTo(client, recorder, peer.url());
    peer.sendToAll(obj(R"({"res_code":7,"status":10017,"msg":"Trade refused: GROUP IS DISABLED"})"));
    QTRY_COMPARE_WITH_TIMEOUT(recorder.loginFail, 1, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(recorder.disconnected, 1, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!client.isRunning(), 5000);
    QVERIFY(SessionFlags::accountDisabled());
    QVERIFY(!client.isLoggedIn());
    QCOMPARE(recorder.trades, 0); // handled before routing
    QVERIFY(recorder.logLines.contains("Terminal|1001 account disabled - Group is disabled"));
    QTRY_COMPARE_WITH_TIMEOUT(peer.openClients(), 0, 5000);
    QTest::qWait(3500);
    QCOMPARE(peer.connectionCount(), 1);
}

void TestTradeClient::dispatchRoutesByCode()
{
    WebSocketTestPeer peer;
    peer.setHandler(WebSocketTestPeer::loginHandler(true));
    TradeClient client;
    Recorder recorder(&client);
    loginTo(client, recorder, peer.url());
    peer.sendTextToAll(R"({"res_code":3,"symbol":"EURUSD","interval":60,"array":[]})");
    peer.sendTextToAll(R"({"res_code":4,"array":[],"is_last":1})");
    peer.sendTextToAll(R"({"res_code":5})");
    peer.sendTextToAll(R"({"res_code":6,"array":[]})");
    peer.sendTextToAll(R"({"res_code":7,"req_code":4,"status":10009})"); // res_code wins
    peer.sendTextToAll(R"({"req_code":8,"array":[]})");                  // req_code alone is used
    peer.sendTextToAll(R"({"res_code":4.5,"array":[]})");                // not an integer: ignored
    peer.sendTextToAll(R"({"array":[]})");                               // no code: ignored
    peer.sendTextToAll(R"({"res_code":42})");
    peer.sendTextToAll(R"(not json at all)");
    peer.sendTextToAll(R"([1,2,3])");
    peer.sendTextToAll(R"({"res_code":6,"error":""})"); // empty error is routed
    peer.sendTextToAll(R"({"res_code":8,"array":[]})");
    QTRY_COMPARE_WITH_TIMEOUT(recorder.symbols, 2, 5000);
    QCOMPARE(recorder.chart, 1);
    QCOMPARE(recorder.positions, 1);
    QCOMPARE(recorder.history, 1);
    QCOMPARE(recorder.pendings, 2);
    QCOMPARE(recorder.trades, 1);
    QCOMPARE(recorder.loginFail, 0);
    QVERIFY(client.isLoggedIn());
    client.logout();
}

void TestTradeClient::errorFieldBecomesLoginFailure()
{
    WebSocketTestPeer peer;
    peer.setHandler(WebSocketTestPeer::loginHandler(true));
    TradeClient client;
    Recorder recorder(&client);
    loginTo(client, recorder, peer.url());
    peer.sendTextToAll(R"({"res_code":4,"error":"Session expired","array":[]})");
    QTRY_COMPARE_WITH_TIMEOUT(recorder.loginFail, 1, 5000);
    QCOMPARE(client.lastError(), QStringLiteral("Session expired"));
    QCOMPARE(recorder.positions, 0);
    peer.sendTextToAll(R"({"res_code":7,"msg":"Your login disabled by dealer"})");
    QTRY_COMPARE_WITH_TIMEOUT(recorder.loginFail, 2, 5000);
    QCOMPARE(client.lastError(), QStringLiteral("Your login disabled by dealer"));
    QCOMPARE(recorder.trades, 0);
    client.clearLastError();
    QVERIFY(client.lastError().isEmpty());
    client.logout();
}

void TestTradeClient::tradeResultLogLine_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QString>("line");
    QTest::newRow("full")
        << QByteArray(R"({"res_code":7,"status":10009,"msg":"Done","type":0,"order":123})")
        << "Trade Response|TradeClient: Status: 10009. Server Msg: 'Done'., Type: 0, Order: 123";
    QTest::newRow("order as text")
        << QByteArray(R"({"res_code":7,"status":10019,"msg":"No money","order":"77"})")
        << "Trade Response|TradeClient: Status: 10019. Server Msg: 'No money'., Order: 77";
    QTest::newRow("no status") << QByteArray(R"({"res_code":7,"msg":"?"})")
                               << "Trade Response|TradeClient: Status: -1. Server Msg: '?'.";
}

void TestTradeClient::tradeResultLogLine()
{
    QFETCH(QByteArray, message);
    QFETCH(QString, line);
    WebSocketTestPeer peer;
    peer.setHandler(WebSocketTestPeer::loginHandler(true));
    TradeClient client;
    Recorder recorder(&client);
    loginTo(client, recorder, peer.url());
    peer.sendTextToAll(QString::fromUtf8(message));
    QTRY_COMPARE_WITH_TIMEOUT(recorder.trades, 1, 5000);
    QTRY_VERIFY2(recorder.logLines.contains(line), qPrintable(recorder.logLines.join('\n')));
    client.logout();
}

void TestTradeClient::priceGoesToTickSink()
{
    WebSocketTestPeer peer;
    peer.setHandler(WebSocketTestPeer::loginHandler(true));
    TradeClient client;
    CountingSink sink;
    client.setPriceBuffer(&sink);
    Recorder recorder(&client);
    loginTo(client, recorder, peer.url());
    peer.sendTextToAll(R"({"res_code":2,"symbol":"EURUSD","bid":1.1,"ask":1.2,"digits":5,"volume":12500})");
    peer.sendTextToAll(R"({"res_code":2,"symbol":"GBPUSD","bid":"bad"})");
    QTRY_COMPARE_WITH_TIMEOUT(sink.count(), 2, 5000);
    client.logout();
    QCOMPARE(sink.ticks[0].symbol, QStringLiteral("EURUSD"));
    QCOMPARE(sink.ticks[0].volume, 1.25);
    QCOMPARE(sink.ticks[1].bid, 0.0);
}

void TestTradeClient::detachedTickSinkIsNeverCalledAgain()
{
    WebSocketTestPeer peer;
    peer.setHandler(WebSocketTestPeer::loginHandler(true));
    TradeClient client;
    CountingSink sink;
    client.setPriceBuffer(&sink);
    Recorder recorder(&client);
    loginTo(client, recorder, peer.url());
    QTimer pusher;
    connect(&pusher, &QTimer::timeout, &peer, [&peer] {
        for (int i = 0; i < 20; ++i)
            peer.sendTextToAll(R"({"res_code":2,"symbol":"EURUSD","bid":1.1,"ask":1.2})");
    });
    pusher.start(2);
    QTRY_VERIFY_WITH_TIMEOUT(sink.count() > 50, 5000);
    // Once this returns the worker is not inside the sink and never enters it again,
    // so the sink's owner may delete it (the window does, while the connection lives on).
    client.setPriceBuffer(nullptr);
    const int atDetach = sink.count();
    QTest::qWait(300);
    QCOMPARE(sink.count(), atDetach);
    client.logout();
}

void TestTradeClient::timeZones_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("offsetSeconds");
    QTest::addColumn<QString>("shown");
    // 1700000000 is 2023-11-14 22:13:20 UTC.
    QTest::newRow("+03:00") << "+03:00" << 3 * 3600 << "2023-11-15 01:13:20";
    QTest::newRow("+05:30") << "+05:30" << 5 * 3600 + 1800 << "2023-11-15 03:43:20";
    QTest::newRow("-03:30 is three and a half hours west")
        << "-03:30" << -(3 * 3600 + 1800) << "2023-11-14 18:43:20";
    QTest::newRow("empty is UTC") << "" << 0 << "2023-11-14 22:13:20";
    QTest::newRow("-00:30") << "-00:30" << -1800 << "2023-11-14 21:43:20";
    QTest::newRow("garbage is UTC") << "zone" << 0 << "2023-11-14 22:13:20";
}

void TestTradeClient::timeZones()
{
    QFETCH(QString, text);
    QFETCH(int, offsetSeconds);
    QFETCH(QString, shown);
    const QTimeZone zone = TradeClient::parseTimeZone(text);
    QVERIFY(zone.isValid());
    QCOMPARE(zone.offsetFromUtc(QDateTime::currentDateTimeUtc()), offsetSeconds);
    QCOMPARE(TradeClient::formatDateTime(1700000000, zone), shown);
    QCOMPARE(TradeClient::formatTime(1700000000, zone), shown.mid(11));
}

void TestTradeClient::formattersNeedValidZone()
{
    QVERIFY(TradeClient::formatDateTime(1700000000, QTimeZone()).isEmpty());
    QVERIFY(TradeClient::formatTime(1700000000, QTimeZone()).isEmpty());
    TradeClient client;
    QVERIFY(!client.serverZone().isValid());
}

QTEST_GUILESS_MAIN(TestTradeClient)
#include "TestTradeClient.moc"
