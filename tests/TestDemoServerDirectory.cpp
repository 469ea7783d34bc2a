#include "tests/DemoServerClient.h"
#include "tests/DemoServerHttp.h"
#include "tests/DemoServerProcess.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QNetworkInterface>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QtTest>
#include <memory>

// The broker directory (GET /brokers), the broker status channel and the control surface's
// suspension switch.
class TestDemoServerDirectory : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void directoryListsThisServerAndFilterCases();
    void terminalFilterKeepsOnlyThisServer();
    void unknownPathsAreNotFound();
    void suspensionIsPushedOnTheStatusChannel();
    void suspendingAnUnknownServerIsRefused_data();
    void suspendingAnUnknownServerIsRefused();
    void controlSurfaceAnswersLoopbackOnly();

private:
    QJsonArray brokers();

    std::unique_ptr<DemoServerProcess> m_server;
    DemoServerHttp m_http;
};

void TestDemoServerDirectory::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    m_server = std::make_unique<DemoServerProcess>();
    QVERIFY(m_server->start());
}

void TestDemoServerDirectory::cleanupTestCase()
{
    QCOMPARE(m_server->stop(), 0);
}

QJsonArray TestDemoServerDirectory::brokers()
{
    const DemoServerHttp::Reply reply = m_http.get(m_server->directoryUrl("/brokers"));
    if (reply.status != 200 || !reply.json().isArray())
        return QJsonArray();
    return reply.json().array();
}

void TestDemoServerDirectory::directoryListsThisServerAndFilterCases()
{
    const QJsonArray list = brokers();
    QCOMPARE(list.size(), 2);
    bool ownSeen = false, suspendedServerSeen = false, otherBrokerSeen = false, suspendedBrokerSeen = false;
    for (const QJsonValue &b : list) {
        const QJsonObject broker = b.toObject();
        QVERIFY(broker.value("isSuspend").isBool());
        QVERIFY(broker.value("servers").isArray());
        if (broker.value("isSuspend").toBool())
            suspendedBrokerSeen = true;
        for (const QJsonValue &s : broker.value("servers").toArray()) {
            const QJsonObject server = s.toObject();
            QVERIFY(server.value("name").isString());
            QVERIFY(server.value("ipaddr").isString());
            QVERIFY(server.value("brokerId").isDouble());
            QVERIFY(server.value("isSuspend").isBool());
            if (server.value("name") == "Zelvant Demo Server 2") {
                ownSeen = true;
                QCOMPARE(server.value("ipaddr").toString(),
                         QStringLiteral("127.0.0.1:%1").arg(m_server->tradePort()));
                QCOMPARE(server.value("brokerId").toInt(), 59);
                QCOMPARE(server.value("isSuspend").toBool(), false);
                QCOMPARE(broker.value("isSuspend").toBool(), false);
            } else if (server.value("isSuspend").toBool()) {
                suspendedServerSeen = server.value("brokerId").toInt() == 59;
            } else if (server.value("brokerId").toInt() == 60) {
                otherBrokerSeen = true;
            }
        }
    }
    QVERIFY(ownSeen);
    QVERIFY(suspendedServerSeen);
    QVERIFY(otherBrokerSeen);
    QVERIFY(suspendedBrokerSeen);
}

void TestDemoServerDirectory::terminalFilterKeepsOnlyThisServer()
{
    // The terminal takes servers of brokerId 59 that are not suspended, under brokers that are not.
    QStringList taken;
    for (const QJsonValue &b : brokers()) {
        if (b.toObject().value("isSuspend").toBool(false))
            continue;
        for (const QJsonValue &s : b.toObject().value("servers").toArray()) {
            const QJsonObject server = s.toObject();
            if (!server.value("isSuspend").toBool(false) && server.value("brokerId").toInt(0) == 59)
                taken.append(server.value("name").toString() + ":" + server.value("ipaddr").toString());
        }
    }
    QCOMPARE(taken,
             QStringList{QStringLiteral("Zelvant Demo Server 2:127.0.0.1:%1").arg(m_server->tradePort())});
}

void TestDemoServerDirectory::unknownPathsAreNotFound()
{
    QCOMPARE(m_http.get(m_server->directoryUrl("/brokerz")).status, 404);
    QCOMPARE(m_http.get(m_server->directoryUrl("/")).status, 404);
    // A POST to the directory itself is not a listing.
    QCOMPARE(m_http.post(m_server->directoryUrl("/brokers"), QByteArray("{}")).status, 404);
}

void TestDemoServerDirectory::suspensionIsPushedOnTheStatusChannel()
{
    DemoServerClient listener;
    QVERIFY(listener.open(m_server->statusUrl()));
    QSignalSpy pushed(&listener.socket(), &QWebSocket::textMessageReceived);

    const QString address = QStringLiteral("ws://127.0.0.1:%1").arg(m_server->tradePort());
    const DemoServerHttp::Reply suspend =
        m_http.post(m_server->directoryUrl("/control/suspend"), QByteArray());
    QCOMPARE(suspend.status, 200);
    QCOMPARE(suspend.json().object().value("changed").toBool(), true);
    QCOMPARE(suspend.json().object().value("server_address").toString(), address);
    QVERIFY(pushed.count() > 0 || pushed.wait(5000));
    const QJsonObject message =
        QJsonDocument::fromJson(pushed.takeFirst().first().toString().toUtf8()).object();
    QCOMPARE(message.value("type").toString(), QStringLiteral("server_status_change"));
    QCOMPARE(message.value("server_name").toString(), QStringLiteral("Zelvant Demo Server 2"));
    QCOMPARE(message.value("server_address").toString(), address);
    QCOMPARE(message.value("is_suspended").toBool(), true);

    // The directory says so too, and the terminal's filter drops the server.
    bool listedSuspended = false;
    for (const QJsonValue &b : brokers())
        for (const QJsonValue &s : b.toObject().value("servers").toArray())
            if (s.toObject().value("name") == "Zelvant Demo Server 2")
                listedSuspended = s.toObject().value("isSuspend").toBool();
    QVERIFY(listedSuspended);

    // Suspending again changes nothing and pushes nothing.
    const DemoServerHttp::Reply again = m_http.post(m_server->directoryUrl("/control/suspend"),
                                                    QJsonObject{{"name", "Zelvant Demo Server 2"}});
    QCOMPARE(again.status, 200);
    QCOMPARE(again.json().object().value("changed").toBool(), false);

    const DemoServerHttp::Reply resume =
        m_http.post(m_server->directoryUrl("/control/resume"), QByteArray("{}"));
    QCOMPARE(resume.status, 200);
    QVERIFY(pushed.count() > 0 || pushed.wait(5000));
    const QJsonObject back = QJsonDocument::fromJson(pushed.takeFirst().first().toString().toUtf8()).object();
    QCOMPARE(back.value("is_suspended").toBool(), false);
    QCOMPARE(back.value("server_name").toString(), QStringLiteral("Zelvant Demo Server 2"));
    // Exactly two pushes: the repeated suspension sent none.
    QCOMPARE(pushed.count(), 0);

    // Other directory entries can be switched too: the suspended test server comes back.
    const DemoServerHttp::Reply other = m_http.post(m_server->directoryUrl("/control/resume"),
                                                    QJsonObject{{"name", "Zelvant Maintenance Server"}});
    QCOMPARE(other.status, 200);
    QVERIFY(pushed.count() > 0 || pushed.wait(5000));
    const QJsonObject otherMessage =
        QJsonDocument::fromJson(pushed.takeFirst().first().toString().toUtf8()).object();
    QCOMPARE(otherMessage.value("server_address").toString(), QStringLiteral("ws://127.0.0.1:9011"));
    QCOMPARE(m_http
                 .post(m_server->directoryUrl("/control/suspend"),
                       QJsonObject{{"name", "Zelvant Maintenance Server"}})
                 .status,
             200);
}

void TestDemoServerDirectory::suspendingAnUnknownServerIsRefused_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    QTest::newRow("unknown name") << QByteArray(R"({"name": "No Such Server"})") << 404;
    QTest::newRow("name not a string") << QByteArray(R"({"name": 59})") << 400;
    QTest::newRow("malformed JSON") << QByteArray(R"({"name": )") << 400;
    QTest::newRow("JSON array") << QByteArray(R"(["Zelvant Demo Server 2"])") << 400;
}

void TestDemoServerDirectory::suspendingAnUnknownServerIsRefused()
{
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    const DemoServerHttp::Reply reply = m_http.post(m_server->directoryUrl("/control/suspend"), body);
    QCOMPARE(reply.status, status);
    QVERIFY(reply.json().object().value("error").isString());
    // Nothing changed in the directory.
    for (const QJsonValue &b : brokers())
        for (const QJsonValue &s : b.toObject().value("servers").toArray())
            if (s.toObject().value("name") == "Zelvant Demo Server 2")
                QCOMPARE(s.toObject().value("isSuspend").toBool(), false);
}

void TestDemoServerDirectory::controlSurfaceAnswersLoopbackOnly()
{
    QHostAddress outside;
    for (const QHostAddress &a : QNetworkInterface::allAddresses())
        if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback())
            outside = a;
    if (outside.isNull())
        QSKIP("this machine has no non-loopback IPv4 address");
    DemoServerProcess server;
    QVERIFY(server.start({"--listen", "0.0.0.0"}));
    const QString base = QStringLiteral("http://%1:%2").arg(outside.toString()).arg(server.directoryPort());
    // The directory is public; the controls are not.
    QCOMPARE(m_http.get(QUrl(base + "/brokers")).status, 200);
    const DemoServerHttp::Reply refused = m_http.post(QUrl(base + "/control/suspend"), QByteArray());
    QCOMPARE(refused.status, 403);
    QCOMPARE(m_http.post(QUrl(base + "/control/drop"), QByteArray()).status, 403);
    const DemoServerHttp::Reply local = m_http.post(
        QUrl(QStringLiteral("http://127.0.0.1:%1/control/drop").arg(server.directoryPort())), QByteArray());
    QCOMPARE(local.status, 200);
    // Listening on every interface, the directory still names an address terminals can reach.
    const DemoServerHttp::Reply listing = m_http.get(QUrl(base + "/brokers"));
    QVERIFY(listing.body.contains(QStringLiteral("\"127.0.0.1:%1\"").arg(server.tradePort()).toUtf8()));
    QCOMPARE(server.listeningLines().first(),
             QStringLiteral("listening trade ws://0.0.0.0:%1").arg(server.tradePort()));
}

QTEST_GUILESS_MAIN(TestDemoServerDirectory)
#include "TestDemoServerDirectory.moc"
