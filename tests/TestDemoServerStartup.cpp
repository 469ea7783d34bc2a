#include "tests/DemoServerClient.h"
#include "tests/DemoServerProcess.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

// Start-up options, the "listening" lines, clean stops and the account database across restarts.
class TestDemoServerStartup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void helpExplainsEveryOption();
    void badOptionExitsWithTwo_data();
    void badOptionExitsWithTwo();
    void listeningLinesNameRealPorts();
    void explicitPortsAreUsed();
    void stopsCleanlyOnSignal_data();
    void stopsCleanlyOnSignal();
    void busyPortIsReported();
    void secondServerOnSameDatabaseIsRefused();
    void accountOptionCreatesAndUpdates();
    void timezoneOptionReachesLogin();
};

namespace {

struct Finished
{
    int exitCode = -1;
    QString out;
    QString err;
};

Finished runToEnd(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(DEMO_SERVER_PATH), arguments);
    Finished result;
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

void TestDemoServerStartup::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestDemoServerStartup::helpExplainsEveryOption()
{
    const Finished run = runToEnd({QStringLiteral("--help")});
    QCOMPARE(run.exitCode, 0);
    for (const char *option :
         {"--listen", "--trade-port", "--directory-port", "--account-port", "--status-port", "--db", "--seed",
          "--tick-interval-ms", "--timezone", "--account"})
        QVERIFY2(run.out.contains(QLatin1String(option)), option);
    QVERIFY(run.out.contains(QLatin1String("50001")));
    QVERIFY(run.out.contains(QLatin1String("/control/freeze")));
}

void TestDemoServerStartup::badOptionExitsWithTwo_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("mentioned");
    QTest::newRow("unknown option") << QStringList{"--bogus"} << "--bogus";
    QTest::newRow("positional argument") << QStringList{"serve"} << "serve";
    QTest::newRow("missing value") << QStringList{"--db"} << "--db";
    QTest::newRow("port above 65535") << QStringList{"--trade-port", "70000"} << "--trade-port";
    QTest::newRow("port not a number") << QStringList{"--status-port", "x"} << "--status-port";
    QTest::newRow("negative tick interval")
        << QStringList{"--tick-interval-ms", "-5"} << "--tick-interval-ms";
    QTest::newRow("seed not a number") << QStringList{"--seed", "abc"} << "--seed";
    QTest::newRow("timezone without sign") << QStringList{"--timezone", "02:00"} << "--timezone";
    QTest::newRow("timezone beyond 14 h") << QStringList{"--timezone", "+15:00"} << "--timezone";
    QTest::newRow("listen on a name") << QStringList{"--listen", "localhost"} << "--listen";
    QTest::newRow("listen on IPv6") << QStringList{"--listen", "::1"} << "--listen";
    QTest::newRow("account without investor password") << QStringList{"--account", "70001:pw"} << "--account";
    QTest::newRow("account with zero login") << QStringList{"--account", "0:a:b"} << "--account";
    QTest::newRow("two endpoints on one port")
        << QStringList{"--trade-port", "9100", "--status-port", "9100"} << "9100";
}

void TestDemoServerStartup::badOptionExitsWithTwo()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, mentioned);
    QTemporaryDir dir;
    const Finished run = runToEnd(QStringList{"--db", dir.filePath("db.sqlite")} + arguments);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains(mentioned), qPrintable(run.err));
    QVERIFY(!run.out.contains(QLatin1String("listening")));
}

void TestDemoServerStartup::listeningLinesNameRealPorts()
{
    DemoServerProcess server;
    QVERIFY(server.start());
    const QStringList lines = server.listeningLines();
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], QStringLiteral("listening trade ws://127.0.0.1:%1").arg(server.tradePort()));
    QCOMPARE(lines[1], QStringLiteral("listening directory http://127.0.0.1:%1").arg(server.directoryPort()));
    QCOMPARE(lines[2], QStringLiteral("listening account http://127.0.0.1:%1").arg(server.accountPort()));
    QCOMPARE(lines[3], QStringLiteral("listening status ws://127.0.0.1:%1").arg(server.statusPort()));
    const QSet<quint16> ports{server.tradePort(), server.directoryPort(), server.accountPort(),
                              server.statusPort()};
    QCOMPARE(ports.size(), 4);
    QVERIFY(!ports.contains(0));

    DemoServerClient trade;
    QVERIFY(trade.open(server.tradeUrl()));
    DemoServerClient status;
    QVERIFY(status.open(server.statusUrl()));
    QCOMPARE(server.stop(), 0);
}

void TestDemoServerStartup::explicitPortsAreUsed()
{
    const quint16 trade = freePort();
    const quint16 status = freePort();
    DemoServerProcess server;
    QVERIFY(server.start({"--trade-port", QString::number(trade), "--status-port", QString::number(status)}));
    QCOMPARE(server.tradePort(), trade);
    QCOMPARE(server.statusPort(), status);
}

void TestDemoServerStartup::stopsCleanlyOnSignal_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void TestDemoServerStartup::stopsCleanlyOnSignal()
{
    QFETCH(int, signal);
    DemoServerProcess server;
    QVERIFY(server.start());
    // With a client attached, so the stop also has a session to end.
    DemoServerClient client;
    QVERIFY(client.open(server.tradeUrl()));
    QCOMPARE(client.login(50001, QStringLiteral("Master1")).value("state").toInt(), 1);
    QCOMPARE(server.stop(signal), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!client.isConnected(), 10000);
}

void TestDemoServerStartup::busyPortIsReported()
{
    QTcpServer occupant;
    QVERIFY(occupant.listen(QHostAddress::LocalHost, 0));
    DemoServerProcess server;
    QVERIFY(!server.start({"--trade-port", QString::number(occupant.serverPort())}, 15000));
    server.process().waitForFinished(15000);
    QCOMPARE(server.process().exitCode(), 1);
    QVERIFY2(server.errorOutput().contains(QString::number(occupant.serverPort())),
             qPrintable(server.errorOutput()));
}

void TestDemoServerStartup::secondServerOnSameDatabaseIsRefused()
{
    DemoServerProcess first;
    QVERIFY(first.start());
    DemoServerProcess second(first.databasePath());
    QVERIFY(!second.start({}, 15000));
    second.process().waitForFinished(15000);
    QCOMPARE(second.process().exitCode(), 1);
    QVERIFY2(second.errorOutput().contains(QLatin1String("another demo-server")),
             qPrintable(second.errorOutput()));
    // The first one is untouched.
    DemoServerClient client;
    QVERIFY(client.open(first.tradeUrl()));
    QCOMPARE(client.login(50001, QStringLiteral("Master1")).value("state").toInt(), 1);
}

void TestDemoServerStartup::accountOptionCreatesAndUpdates()
{
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("accounts.sqlite"));
    {
        DemoServerProcess server(db);
        QVERIFY(server.start({"--account", "70001:alpha:beta:demo-close-only"}));
        DemoServerClient client;
        QVERIFY(client.open(server.tradeUrl()));
        const QJsonObject master = client.login(70001, QStringLiteral("alpha"));
        QCOMPARE(master.value("state").toInt(), 1);
        QCOMPARE(master.value("group").toString(), QStringLiteral("demo-close-only"));
        QCOMPARE(client.login(70001, QStringLiteral("beta")).value("is_investor_password").toBool(), true);
        QCOMPARE(server.stop(), 0);
    }
    {
        // Restarted with new passwords and no group: the account is updated, not duplicated.
        DemoServerProcess server(db);
        QVERIFY(server.start({"--account", "70001:gamma:delta"}));
        DemoServerClient client;
        QVERIFY(client.open(server.tradeUrl()));
        QCOMPARE(client.login(70001, QStringLiteral("alpha")).value("state").toInt(), 0);
        const QJsonObject updated = client.login(70001, QStringLiteral("gamma"));
        QCOMPARE(updated.value("state").toInt(), 1);
        QCOMPARE(updated.value("group").toString(), QStringLiteral("demo"));
        QCOMPARE(server.stop(), 0);
    }
    {
        // Without the option the account and the seeded ones are still there.
        DemoServerProcess server(db);
        QVERIFY(server.start());
        DemoServerClient client;
        QVERIFY(client.open(server.tradeUrl()));
        QCOMPARE(client.login(70001, QStringLiteral("gamma")).value("state").toInt(), 1);
        QCOMPARE(client.login(50001, QStringLiteral("Master1")).value("state").toInt(), 1);
        QCOMPARE(server.stop(), 0);
    }
}

void TestDemoServerStartup::timezoneOptionReachesLogin()
{
    DemoServerProcess server;
    QVERIFY(server.start({"--timezone", "-03:30"}));
    DemoServerClient client;
    QVERIFY(client.open(server.tradeUrl()));
    QCOMPARE(client.login(50001, QStringLiteral("Master1")).value("timezone").toString(),
             QStringLiteral("-03:30"));
}

QTEST_GUILESS_MAIN(TestDemoServerStartup)
#include "TestDemoServerStartup.moc"
