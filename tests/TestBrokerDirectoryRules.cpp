#include "app/BrokerDirectoryRules.h"

#include <QtTest>

using namespace BrokerDirectoryRules;

Q_DECLARE_METATYPE(BrokerServerList)
Q_DECLARE_METATYPE(BrokerDirectoryRules::ServerStates)

namespace {
BrokerServer server(const QString &name, const QString &address)
{
    return BrokerServer{name, address, ownBrokerId, false};
}
} // namespace

class TestBrokerDirectoryRules : public QObject
{
    Q_OBJECT
private slots:
    void parseDirectory_data();
    void parseDirectory();
    void compareStates_data();
    void compareStates();
    void isServerSuspended_data();
    void isServerSuspended();
    void statusMessage_data();
    void statusMessage();
    void statusMessageSuspendsSession_data();
    void statusMessageSuspendsSession();
};

void TestBrokerDirectoryRules::parseDirectory_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<BrokerServerList>("servers");

    QTest::newRow("two servers of broker 59, in answer order")
        << QByteArray(R"([{"servers":[{"name":"B","ipaddr":"10.0.0.2:9001","brokerId":59},
                                     {"name":"A","ipaddr":"10.0.0.1","brokerId":59,"isSuspend":false}]}])")
        << true << BrokerServerList{server("B", "10.0.0.2:9001"), server("A", "10.0.0.1")};
    QTest::newRow("suspended broker adds none of its servers")
        << QByteArray(R"([{"isSuspend":true,"servers":[{"name":"A","ipaddr":"h","brokerId":59}]}])") << true
        << BrokerServerList{};
    QTest::newRow("suspended server is skipped")
        << QByteArray(R"([{"servers":[{"name":"A","ipaddr":"h1","brokerId":59,"isSuspend":true},
                                     {"name":"B","ipaddr":"h2","brokerId":59}]}])")
        << true << BrokerServerList{server("B", "h2")};
    QTest::newRow("brokerId 60 is ignored, 59 listed")
        << QByteArray(R"([{"servers":[{"name":"Other","ipaddr":"h1","brokerId":60},
                                     {"name":"Own","ipaddr":"h2","brokerId":59,"isSuspend":false}]}])")
        << true << BrokerServerList{server("Own", "h2")};
    QTest::newRow("missing brokerId counts as 0")
        << QByteArray(R"([{"servers":[{"name":"A","ipaddr":"h"}]}])") << true << BrokerServerList{};
    QTest::newRow("brokerId as text is not 59")
        << QByteArray(R"([{"servers":[{"name":"A","ipaddr":"h","brokerId":"59"}]}])") << true
        << BrokerServerList{};
    QTest::newRow("servers of a later broker follow")
        << QByteArray(
               R"([{"servers":[{"name":"A","ipaddr":"h1","brokerId":59}]},{"isSuspend":true,"servers":[]},
                         {"servers":[{"name":"C","ipaddr":"h3","brokerId":59}]}])")
        << true << BrokerServerList{server("A", "h1"), server("C", "h3")};
    QTest::newRow("isSuspend that is not a bool counts as false")
        << QByteArray(
               R"([{"isSuspend":1,"servers":[{"name":"A","ipaddr":"h","brokerId":59,"isSuspend":"yes"}]}])")
        << true << BrokerServerList{server("A", "h")};
    QTest::newRow("empty array is a directory without servers")
        << QByteArray("[]") << true << BrokerServerList{};
    QTest::newRow("object is not a directory")
        << QByteArray(R"({"servers":[]})") << false << BrokerServerList{};
    QTest::newRow("garbage is not a directory")
        << QByteArray("<html>502</html>") << false << BrokerServerList{};
    QTest::newRow("empty body is not a directory") << QByteArray() << false << BrokerServerList{};
}

void TestBrokerDirectoryRules::parseDirectory()
{
    QFETCH(QByteArray, body);
    QFETCH(bool, valid);
    QFETCH(BrokerServerList, servers);
    const Directory directory = parse(body);
    QCOMPARE(directory.valid, valid);
    QCOMPARE(directory.servers, servers);
    ServerStates expected;
    for (const BrokerServer &s : servers)
        expected.insert(s.name + ':' + s.address, false);
    QCOMPARE(directory.states, expected);
}

void TestBrokerDirectoryRules::compareStates_data()
{
    QTest::addColumn<ServerStates>("previous");
    QTest::addColumn<ServerStates>("current");
    QTest::addColumn<bool>("firstCheck");
    QTest::addColumn<bool>("detection");
    QTest::addColumn<QString>("serverName");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<bool>("disconnect");
    QTest::addColumn<bool>("store");
    QTest::addColumn<QStringList>("lines");

    const QString url = "ws://10.0.0.1:9001";
    const ServerStates listed{{"Live:10.0.0.1:9001", false}, {"Demo:10.0.0.2:9001", false}};
    const ServerStates withoutLive{{"Demo:10.0.0.2:9001", false}};

    QTest::newRow("first answer is the baseline, even without the server")
        << listed << withoutLive << true << true << "Live" << true << false << true << QStringList();
    QTest::newRow("connected server still listed")
        << listed << listed << false << true << "Live" << true << false << true << QStringList();
    QTest::newRow("connected server left the directory")
        << listed << withoutLive << false << true << "Live" << true << true << false << QStringList();
    QTest::newRow("server name matched case-insensitively inside a key")
        << listed << ServerStates{{"LIVE:10.9.9.9", false}} << false << true << "Live" << true << false
        << true << QStringList();
    QTest::newRow("key of name and connection url")
        << listed << ServerStates{{"Other:" + url, false}, {"Live:" + url, false}} << false << true << "Live"
        << true << false << true << QStringList();
    QTest::newRow("not connected: no disconnection")
        << listed << withoutLive << false << true << "Live" << false << false << true << QStringList();
    QTest::newRow("no server name: no disconnection")
        << listed << withoutLive << false << true << "" << true << false << true << QStringList();
    QTest::newRow("detection off: stored, nothing else")
        << ServerStates{{"Demo:h", false}} << ServerStates{{"Demo:h", true}} << false << false << "Live"
        << true << false << true << QStringList();
    QTest::newRow("state changes are logged by name")
        << ServerStates{{"A:h1", false}, {"B:h2", true}, {"C:h3", false}}
        << ServerStates{{"A:h1", true}, {"B:h2", false}, {"C:h3", false}} << false << true << "" << false
        << false << true << QStringList{"Server A is now suspended", "Server B is now active"};
    QTest::newRow("keys only in one answer and keys without a colon say nothing")
        << ServerStates{{"A:h1", false}, {"plain", false}} << ServerStates{{"B:h2", true}, {"plain", true}}
        << false << true << "" << false << false << true << QStringList();
    QTest::newRow("first answer never logs changes")
        << ServerStates{{"A:h1", false}} << ServerStates{{"A:h1", true}} << true << true << "" << false
        << false << true << QStringList();
}

void TestBrokerDirectoryRules::compareStates()
{
    QFETCH(ServerStates, previous);
    QFETCH(ServerStates, current);
    QFETCH(bool, firstCheck);
    QFETCH(bool, detection);
    QFETCH(QString, serverName);
    QFETCH(bool, connected);
    const StateCheck check = compare(previous, current, firstCheck, detection,
                                     Session{serverName, connected, "ws://10.0.0.1:9001"});
    QTEST(check.disconnect, "disconnect");
    QTEST(check.store, "store");
    QTEST(check.logLines, "lines");
}

void TestBrokerDirectoryRules::isServerSuspended_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("suspended");
    QTest::newRow("listed name and address") << "Live"
                                             << "10.0.0.1:9001" << false;
    QTest::newRow("listed name, other address") << "Live"
                                                << "10.0.0.9:9001" << true;
    QTest::newRow("address of another name") << "Demo"
                                             << "10.0.0.1:9001" << true;
    QTest::newRow("name differs in case") << "live"
                                          << "10.0.0.1:9001" << true;
    QTest::newRow("unknown server") << "Gone"
                                    << "" << true;
    QTest::newRow("second server of the name") << "Live"
                                               << "10.0.0.3" << false;
}

void TestBrokerDirectoryRules::isServerSuspended()
{
    QFETCH(QString, name);
    QFETCH(QString, address);
    const BrokerServerList servers{server("Live", "10.0.0.1:9001"), server("Demo", "10.0.0.2"),
                                   server("Live", "10.0.0.3")};
    QTEST(BrokerDirectoryRules::isServerSuspended(servers, name, address), "suspended");
    QCOMPARE(addressOf(servers, "Live"), QString("10.0.0.1:9001"));
    QCOMPARE(addressOf(servers, "Gone"), QString());
    QVERIFY(BrokerDirectoryRules::isServerSuspended({}, "Live", "10.0.0.1:9001"));
}

void TestBrokerDirectoryRules::statusMessage_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("suspended");

    QTest::newRow("suspension")
        << R"({"type":"server_status_change","server_name":"Live","server_address":"ws://h:9001","is_suspended":true})"
        << true << "Live"
        << "ws://h:9001" << true;
    QTest::newRow("back to active")
        << R"({"type":"server_status_change","server_name":"Live","server_address":"ws://h:9001","is_suspended":false})"
        << true << "Live"
        << "ws://h:9001" << false;
    QTest::newRow("missing fields read as empty and false")
        << R"({"type":"server_status_change"})" << true << ""
        << "" << false;
    QTest::newRow("is_suspended as text is false")
        << R"({"type":"server_status_change","server_name":"Live","is_suspended":"true"})" << true << "Live"
        << "" << false;
    QTest::newRow("other type") << R"({"type":"heartbeat","server_name":"Live","is_suspended":true})" << false
                                << ""
                                << "" << false;
    QTest::newRow("no type") << R"({"server_name":"Live","is_suspended":true})" << false << ""
                             << "" << false;
    QTest::newRow("array") << R"([{"type":"server_status_change"}])" << false << ""
                           << "" << false;
    QTest::newRow("not JSON") << "server Live suspended" << false << ""
                              << "" << false;
    QTest::newRow("names in UTF-8")
        << QString::fromUtf8(
               R"({"type":"server_status_change","server_name":"Sunucu Ç","is_suspended":true})")
        << true << QString::fromUtf8("Sunucu Ç") << "" << true;
}

void TestBrokerDirectoryRules::statusMessage()
{
    QFETCH(QString, message);
    const StatusChange change = parseStatusMessage(message);
    QTEST(change.valid, "valid");
    QTEST(change.serverName, "name");
    QTEST(change.serverAddress, "address");
    QTEST(change.suspended, "suspended");
}

void TestBrokerDirectoryRules::statusMessageSuspendsSession_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("suspended");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<bool>("drops");
    QTest::newRow("own server suspended") << "Live"
                                          << "ws://h:9001" << true << true << true;
    QTest::newRow("own server active again") << "Live"
                                             << "ws://h:9001" << false << true << false;
    QTest::newRow("own name, other address") << "Live"
                                             << "ws://other:9001" << true << true << false;
    QTest::newRow("other server") << "Demo"
                                  << "ws://h:9001" << true << true << false;
    QTest::newRow("not connected") << "Live"
                                   << "ws://h:9001" << true << false << false;
}

void TestBrokerDirectoryRules::statusMessageSuspendsSession()
{
    QFETCH(QString, name);
    QFETCH(QString, address);
    QFETCH(bool, suspended);
    QFETCH(bool, connected);
    const StatusChange change{true, name, address, suspended};
    QTEST(suspendsSession(change, Session{"Live", connected, "ws://h:9001"}), "drops");
    QVERIFY(!suspendsSession(change, Session{"", connected, "ws://h:9001"}));
    QVERIFY(!suspendsSession(StatusChange{}, Session{"Live", true, "ws://h:9001"}));
}

QTEST_GUILESS_MAIN(TestBrokerDirectoryRules)
#include "TestBrokerDirectoryRules.moc"
