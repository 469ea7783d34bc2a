#include "HttpTestPeer.h"
#include "ModalBoxCatcher.h"
#include "TemporaryProfile.h"
#include "WebSocketTestPeer.h"
#include "accounts/ChangePasswordDlg.h"
#include "accounts/LoginDialog.h"
#include "accounts/OpenDemoDlg.h"
#include "app/BrokerDirectoryMonitor.h"
#include "app/Client_Terminal.h"
#include "app/ConnectionFlow.h"
#include "app/ConnectionStatusWidget.h"
#include "app/LatencyProbe.h"
#include "app/MainWindowForm.h"
#include "net/TradeClient.h"
#include "support/Logger.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTimer>
#include <QWebSocket>
#include <QtTest>

#include <memory>

namespace {
const char *kServer = "Test Server";

QJsonObject serverEntry(const QString &name, const QString &address, int brokerId = 59,
                        bool suspended = false)
{
    return QJsonObject{{"name", name}, {"ipaddr", address}, {"brokerId", brokerId}, {"isSuspend", suspended}};
}

QByteArray directoryOf(const QJsonArray &servers, bool brokerSuspended = false)
{
    const QJsonArray brokers{QJsonObject{{"isSuspend", brokerSuspended}, {"servers", servers}}};
    return QJsonDocument(brokers).toJson(QJsonDocument::Compact);
}

// Every log event of the run, for the lines the monitor writes.
class LogCollector : public QObject
{
public:
    LogCollector()
    {
        connect(logger(), &Logger::logMessage, this,
                [this](const QDateTime &, const QString &title, const QString &message) {
                    m_lines << title + "|" + message;
                });
    }
    QStringList lines() const { return m_lines; }
    bool has(const QString &line) const { return m_lines.contains("Network|" + line); }
    void clear() { m_lines.clear(); }

private:
    QStringList m_lines;
};
} // namespace

// The real main window against a directory, a status channel and a trade
// server of the test's own, each on an ephemeral loopback port.
class TestDirectoryWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void viewMenuActions();
    void directoryReachesTheLoginDialog();
    void failedOrGarbledAnswerKeepsTheList_data();
    void failedOrGarbledAnswerKeepsTheList();
    void pollingAndRefreshCommands();
    void connectedServerLeavingTheDirectory_data();
    void connectedServerLeavingTheDirectory();
    void detectionOffLeavesTheHalfMinuteCheck();
    void halfMinuteCheckRunsWhileLoggedOut();
    void nothingIsSuspendedBeforeADirectoryArrives();
    void statusChannelMessages_data();
    void statusChannelMessages();
    void statusChannelReopensAfterADrop();
    void latencyLabelAfterLogin_data();
    void latencyLabelAfterLogin();
    void accountDialogsFromTheWindow();

private:
    QByteArray ownDirectory() const;
    bool waitForDirectory(int answers = 1);
    bool logIn();
    QString writeScript(const QString &name, const QByteArray &output, int exitCode);

    TemporaryProfile m_profile;
    TradeClient *m_client = nullptr;
    LogCollector *m_log = nullptr;
    std::unique_ptr<HttpTestPeer> m_directory;
    std::unique_ptr<WebSocketTestPeer> m_status;
    std::unique_ptr<WebSocketTestPeer> m_trade;
    std::unique_ptr<ModalBoxCatcher> m_boxes;
    std::unique_ptr<Client_Terminal> m_window;
    QByteArray m_directoryBody;
    int m_directoryStatus = 200;
};

void TestDirectoryWindow::initTestCase()
{
    QVERIFY(m_profile.isValid());
    QCoreApplication::setOrganizationName("Client");
    QCoreApplication::setApplicationName("Zelvant");
    qputenv("XDG_DATA_HOME", QDir(m_profile.home()).filePath("xdg-data").toLocal8Bit());
    // The log folder lies in the current directory.
    QVERIFY(QDir::setCurrent(m_profile.home()));
    m_client = new TradeClient;
    m_log = new LogCollector;
}

void TestDirectoryWindow::cleanupTestCase()
{
    m_client->shutdown();
    delete m_client;
    delete m_log;
}

void TestDirectoryWindow::init()
{
    QVERIFY(m_profile.resetConfig());
    m_directory = std::make_unique<HttpTestPeer>();
    m_status = std::make_unique<WebSocketTestPeer>();
    m_trade = std::make_unique<WebSocketTestPeer>();
    m_trade->setHandler(
        WebSocketTestPeer::loginHandler(true, QJsonObject{{"name", "Tester"}, {"group", "demo"}}));
    m_boxes = std::make_unique<ModalBoxCatcher>();
    m_directoryBody = ownDirectory();
    m_directoryStatus = 200;
    m_directory->setHandler([this](const HttpTestPeer::Request &) {
        return HttpTestPeer::Answer{m_directoryStatus, m_directoryBody, false};
    });

    m_window = std::make_unique<Client_Terminal>(m_client);
    BrokerDirectoryMonitor *monitor = m_window->brokerDirectory();
    monitor->setDirectoryUrl(m_directory->url("/brokers"));
    monitor->setStatusUrl(m_status->url());
    // No real ping in these tests: a script answers in its place.
    m_window->latencyProbe()->setProgram(
        writeScript("ping-ok", "64 bytes from 127.0.0.1: icmp_seq=1 ttl=64 time=0.057 ms\n", 0), {});
    m_log->clear();
}

void TestDirectoryWindow::cleanup()
{
    m_window.reset();
    m_client->logout();
    m_boxes.reset();
    m_trade.reset();
    m_status.reset();
    m_directory.reset();
}

QByteArray TestDirectoryWindow::ownDirectory() const
{
    const QString tradeAddress = QString("127.0.0.1:%1").arg(m_trade->url().port());
    return directoryOf({serverEntry(kServer, tradeAddress), serverEntry("Partner Server", "127.0.0.1:1", 60),
                        serverEntry("Maintenance Server", "127.0.0.1:2", 59, true),
                        serverEntry("Second Server", "127.0.0.1:3")});
}

bool TestDirectoryWindow::waitForDirectory(int answers)
{
    QSignalSpy changed(m_window->brokerDirectory(), &BrokerDirectoryMonitor::brokerServersChanged);
    while (changed.size() < answers) {
        if (!changed.wait(10000))
            return false;
    }
    return true;
}

bool TestDirectoryWindow::logIn()
{
    if (m_window->brokerDirectory()->brokerServers().isEmpty() && !waitForDirectory())
        return false;
    LoginDialog *dialog = m_window->loginBox();
    dialog->setLogin(1001);
    dialog->setPassword("secret");
    dialog->setServerName(kServer);
    QSignalSpy loggedIn(m_window->connectionFlow(), &ConnectionFlow::loggedIn);
    m_window->connectToBroker();
    return loggedIn.wait(10000) && m_client->isConnected() &&
           m_window->connectionFlow()->serverName() == kServer;
}

QString TestDirectoryWindow::writeScript(const QString &name, const QByteArray &output, int exitCode)
{
    const QString path = QDir(m_profile.home()).filePath(name + ".sh");
    QFile file(path);
    const QByteArray text =
        "#!/bin/sh\ncat <<'REPLY'\n" + output + "REPLY\nexit " + QByteArray::number(exitCode) + "\n";
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size())
        return QString();
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

void TestDirectoryWindow::viewMenuActions()
{
    MainWindowForm *ui = m_window->form();
    const QList<QAction *> view = ui->menuView->actions();
    const int refresh = view.indexOf(ui->actionRefreshBrokerList);
    const int toggle = view.indexOf(ui->actionToggleSuspensionDetection);
    QVERIFY(refresh >= 2); // after the two dock toggles
    QCOMPARE(toggle, refresh + 1);
    QCOMPARE(ui->actionRefreshBrokerList->text(), QString("Refresh Broker List"));
    QCOMPARE(ui->actionRefreshBrokerList->shortcut(), QKeySequence(Qt::Key_F5));
    QCOMPARE(ui->actionToggleSuspensionDetection->text(), QString("Toggle Suspension Detection"));
    QVERIFY(ui->actionToggleSuspensionDetection->isCheckable());
    QVERIFY(ui->actionToggleSuspensionDetection->isChecked());
    BrokerDirectoryMonitor *monitor = m_window->brokerDirectory();
    QVERIFY(monitor->suspensionDetection());
    QCOMPARE(monitor->brokerRefreshTimer()->interval(), 3000);
    QVERIFY(monitor->brokerRefreshTimer()->isActive());
    QCOMPARE(monitor->suspensionTimer()->interval(), 30000);
    QVERIFY(monitor->suspensionTimer()->isActive());
    QCOMPARE(m_window->latencyProbe()->latencyTimer()->interval(), 3000);
    QVERIFY(m_window->latencyProbe()->latencyTimer()->isActive());

    ui->actionToggleSuspensionDetection->trigger();
    QVERIFY(!monitor->suspensionDetection());
    QVERIFY(m_log->has("Suspension detection disabled"));
    ui->actionToggleSuspensionDetection->trigger();
    QVERIFY(monitor->suspensionDetection());
    QVERIFY(m_log->has("Suspension detection enabled"));
}

void TestDirectoryWindow::directoryReachesTheLoginDialog()
{
    QVERIFY(waitForDirectory());
    BrokerDirectoryMonitor *monitor = m_window->brokerDirectory();
    const QString tradeAddress = QString("127.0.0.1:%1").arg(m_trade->url().port());
    QCOMPARE(monitor->brokerServers(), BrokerServerList({{kServer, tradeAddress, 59, false},
                                                         {"Second Server", "127.0.0.1:3", 59, false}}));
    QVERIFY(monitor->lastDirectoryTime().isValid());
    QVERIFY(qAbs(monitor->lastDirectoryTime().msecsTo(QDateTime::currentDateTime())) < 10000);

    const auto *box = m_window->loginBox()->findChild<QComboBox *>("serverBox");
    QVERIFY(box);
    QCOMPARE(box->count(), 2);
    QCOMPARE(box->itemText(0), QString(kServer));
    QCOMPARE(box->itemText(1), QString("Second Server"));
    m_window->loginBox()->setServerName("Second Server");
    QCOMPARE(m_window->loginBox()->serverAddressText(), QString("127.0.0.1:3"));

    const HttpTestPeer::Request request = m_directory->requests().first();
    QCOMPARE(request.method, QByteArray("GET"));
    QCOMPARE(request.path, QByteArray("/brokers"));

    QVERIFY(!m_window->isServerSuspended(kServer, tradeAddress));
    QVERIFY(m_window->isServerSuspended(kServer, "127.0.0.1:9"));
    QVERIFY(m_window->isServerSuspended("Partner Server", "127.0.0.1:1"));
    QVERIFY(m_window->isServerSuspended("Maintenance Server", "127.0.0.1:2"));

    // A broker whose "isSuspend" is true empties the dialog's list.
    m_directoryBody = directoryOf({serverEntry(kServer, tradeAddress)}, true);
    QVERIFY(waitForDirectory());
    QCOMPARE(box->count(), 0);
    QVERIFY(monitor->brokerServers().isEmpty());
    QCOMPARE(m_boxes->count(), 0); // nobody was connected
}

void TestDirectoryWindow::failedOrGarbledAnswerKeepsTheList_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("server error") << 500 << QByteArray("[]");
    QTest::newRow("not an array") << 200 << QByteArray(R"({"brokers":[]})");
    QTest::newRow("not JSON") << 200 << QByteArray("<html>Bad gateway</html>");
}

void TestDirectoryWindow::failedOrGarbledAnswerKeepsTheList()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QVERIFY(logIn());
    const BrokerServerList before = m_window->brokerDirectory()->brokerServers();
    QCOMPARE(before.size(), 2);
    m_directoryStatus = status;
    m_directoryBody = body;
    const int asked = m_directory->requestCount();
    m_window->refreshBrokerList();
    m_window->refreshBrokerList();
    QTRY_COMPARE_WITH_TIMEOUT(m_directory->requestCount() >= asked + 2, true, 10000);
    QTest::qWait(300);
    QCOMPARE(m_window->brokerDirectory()->brokerServers(), before);
    QCOMPARE(m_window->loginBox()->findChild<QComboBox *>("serverBox")->count(), 2);
    QCOMPARE(m_boxes->count(), 0);
    QVERIFY(m_client->isConnected());
}

void TestDirectoryWindow::pollingAndRefreshCommands()
{
    QVERIFY(waitForDirectory());
    // Two consecutive polls of the timer, about 3 s apart.
    QSignalSpy asked(m_directory.get(), &HttpTestPeer::requestReceived);
    QVERIFY(asked.wait(8000));
    const qint64 first = m_directory->requests().last().atMs;
    QVERIFY(asked.wait(8000));
    const qint64 gap = m_directory->requests().last().atMs - first;
    QVERIFY2(gap >= 2000 && gap <= 6000, qPrintable(QString::number(gap)));

    // With the timer stopped, each command asks once.
    m_window->brokerDirectory()->brokerRefreshTimer()->stop();
    QTest::qWait(200);
    int count = m_directory->requestCount();
    m_window->form()->actionRefreshBrokerList->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(m_directory->requestCount(), count + 1, 5000);
    m_window->show();
    QApplication::setActiveWindow(m_window.get());
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    count = m_directory->requestCount();
    QTest::keyClick(m_window.get(), Qt::Key_F5);
    QTRY_COMPARE_WITH_TIMEOUT(m_directory->requestCount(), count + 1, 5000);
    count = m_directory->requestCount();
    m_window->form()->actionLogin_to_Trade_Account->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(m_directory->requestCount(), count + 1, 5000);
    QVERIFY(m_window->loginBox()->isVisible());
    m_window->loginBox()->hide();
    count = m_directory->requestCount();
    m_window->form()->actionConnect->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(m_directory->requestCount(), count + 1, 5000);
    m_window->loginBox()->hide();
}

void TestDirectoryWindow::connectedServerLeavingTheDirectory_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("removed from the directory") << "removed";
    QTest::newRow("server suspended") << "server";
    QTest::newRow("broker suspended") << "broker";
    QTest::newRow("moved to brokerId 60") << "broker60";
}

void TestDirectoryWindow::connectedServerLeavingTheDirectory()
{
    QFETCH(QString, change);
    QVERIFY(logIn());
    QVERIFY(m_window->form()->actionDisconnect->isEnabled());
    // An unchanged directory leaves the session alone.
    QVERIFY(waitForDirectory(2));
    QCOMPARE(m_boxes->count(), 0);
    QVERIFY(m_client->isConnected());

    const QString tradeAddress = QString("127.0.0.1:%1").arg(m_trade->url().port());
    const QJsonObject other = serverEntry("Second Server", "127.0.0.1:3");
    if (change == "removed")
        m_directoryBody = directoryOf({other});
    else if (change == "server")
        m_directoryBody = directoryOf({serverEntry(kServer, tradeAddress, 59, true), other});
    else if (change == "broker")
        m_directoryBody = directoryOf({serverEntry(kServer, tradeAddress), other}, true);
    else
        m_directoryBody = directoryOf({serverEntry(kServer, tradeAddress, 60), other});

    QTRY_COMPARE_WITH_TIMEOUT(m_boxes->count(), 1, 10000);
    QCOMPARE(m_boxes->last().title, QString("Server Suspended"));
    QCOMPARE(m_boxes->last().text, QString("Server Unavailable. Please contact your broker."));
    QCOMPARE(m_boxes->last().icon, QMessageBox::Critical);
    ConnectionStatusWidget *status = m_window->statusWidget();
    QTRY_COMPARE(status->statusText(), QString("Server Suspended"));
    QVERIFY(status->textLabel()->styleSheet().contains("color: #ff0000"));
    QVERIFY(!m_client->isConnected());
    QVERIFY(m_window->form()->actionConnect->isEnabled());
    QVERIFY(!m_window->form()->actionDisconnect->isEnabled());
    // Later answers see no session and stay quiet.
    QVERIFY(waitForDirectory(2));
    QCOMPARE(m_boxes->count(), 1);
}

void TestDirectoryWindow::detectionOffLeavesTheHalfMinuteCheck()
{
    QVERIFY(logIn());
    m_window->form()->actionToggleSuspensionDetection->trigger();
    QVERIFY(m_log->has("Suspension detection disabled"));
    m_directoryBody = directoryOf({serverEntry("Second Server", "127.0.0.1:3")});
    QVERIFY(waitForDirectory(2));
    QCOMPARE(m_boxes->count(), 0);
    QVERIFY(m_client->isConnected());

    // The half-minute check (shortened here) still finds the server gone.
    QTimer *check = m_window->brokerDirectory()->suspensionTimer();
    QCOMPARE(check->interval(), 30000);
    check->start(300);
    QTRY_COMPARE_WITH_TIMEOUT(m_boxes->count(), 1, 10000);
    QCOMPARE(m_boxes->last().title, QString("Server Suspended"));
    QTRY_COMPARE(m_window->statusWidget()->statusText(), QString("Server Suspended"));
    QVERIFY(!m_client->isConnected());
}

void TestDirectoryWindow::halfMinuteCheckRunsWhileLoggedOut()
{
    QVERIFY(logIn());
    m_window->disconnectToBroker();
    QVERIFY(!m_client->isConnected());
    QTimer *check = m_window->brokerDirectory()->suspensionTimer();
    check->start(300);
    QTest::qWait(1000); // still listed: nothing happens
    QCOMPARE(m_boxes->count(), 0);
    // The window keeps the server's name after the logout.
    m_directoryBody = directoryOf({serverEntry("Second Server", "127.0.0.1:3")});
    QVERIFY(waitForDirectory());
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->count() >= 1, 10000);
    QCOMPARE(m_boxes->last().title, QString("Server Suspended"));
    check->stop();
}

void TestDirectoryWindow::nothingIsSuspendedBeforeADirectoryArrives()
{
    HttpTestPeer silent;
    silent.setSilent();
    BrokerDirectoryMonitor *monitor = m_window->brokerDirectory();
    monitor->setDirectoryUrl(silent.url("/brokers"));
    QVERIFY(!monitor->lastDirectoryTime().isValid());
    QVERIFY(!m_window->isServerSuspended(kServer, "127.0.0.1:1"));

    // A session opened while the directory does not answer is left alone.
    const QString tradeAddress = QString("127.0.0.1:%1").arg(m_trade->url().port());
    LoginDialog *dialog = m_window->loginBox();
    dialog->addServer(kServer, tradeAddress);
    dialog->setLogin(1001);
    dialog->setPassword("secret");
    dialog->setServerName(kServer);
    QSignalSpy loggedIn(m_window->connectionFlow(), &ConnectionFlow::loggedIn);
    m_window->connectToBroker();
    QVERIFY(loggedIn.wait(10000));
    monitor->suspensionTimer()->start(200);
    QTest::qWait(1000);
    QCOMPARE(m_boxes->count(), 0);
    QVERIFY(m_client->isConnected());

    // Once a directory has come without the server, the check drops the session.
    monitor->setDirectoryUrl(m_directory->url("/brokers"));
    m_directoryBody = directoryOf({serverEntry("Second Server", "127.0.0.1:3")});
    monitor->brokerRefreshTimer()->stop();
    m_window->refreshBrokerList();
    QTRY_COMPARE_WITH_TIMEOUT(m_boxes->count() >= 1, true, 10000);
    QCOMPARE(m_boxes->boxes().first().title, QString("Server Suspended"));
    QVERIFY(!m_client->isConnected());
    monitor->suspensionTimer()->stop();
}

void TestDirectoryWindow::statusChannelMessages_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("drops");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("own server suspended")
        << "own" << true
        << QStringList{"Real-time: Connected server Test Server is now suspended!",
                       "Real-time: Server Test Server is now suspended"};
    QTest::newRow("own server active")
        << "active" << false << QStringList{"Real-time: Server Test Server is now active"};
    QTest::newRow("own name, other address")
        << "address" << false << QStringList{"Real-time: Server Test Server is now suspended"};
    QTest::newRow("another server suspended")
        << "other" << false << QStringList{"Real-time: Server Second Server is now suspended"};
    QTest::newRow("other message type ignored") << "type" << false << QStringList();
    QTest::newRow("not an object ignored") << "array" << false << QStringList();
    QTest::newRow("not JSON ignored") << "text" << false << QStringList();
}

void TestDirectoryWindow::statusChannelMessages()
{
    QFETCH(QString, kind);
    QFETCH(bool, drops);
    QFETCH(QStringList, lines);
    QTRY_COMPARE_WITH_TIMEOUT(m_status->openClients(), 1, 10000);
    QTRY_VERIFY(m_log->has("Connected to broker status WebSocket"));
    QVERIFY(logIn());
    const QString url = m_client->url().toString();
    auto change = [](const QString &name, const QString &address, bool suspended) {
        return QString::fromUtf8(QJsonDocument(QJsonObject{{"type", "server_status_change"},
                                                           {"server_name", name},
                                                           {"server_address", address},
                                                           {"is_suspended", suspended}})
                                     .toJson(QJsonDocument::Compact));
    };
    QString message;
    if (kind == "own")
        message = change(kServer, url, true);
    else if (kind == "active")
        message = change(kServer, url, false);
    else if (kind == "address")
        message = change(kServer, "ws://127.0.0.1:1", true);
    else if (kind == "other")
        message = change("Second Server", url, true);
    else if (kind == "type")
        message = R"({"type":"server_added","server_name":"Test Server","is_suspended":true})";
    else if (kind == "array")
        message = R"([{"type":"server_status_change","server_name":"Test Server","is_suspended":true}])";
    else
        message = "Test Server suspended";
    m_log->clear();
    m_status->sendTextToAll(message);
    // Frames arrive in order: the marker tells that the message was handled.
    m_status->sendTextToAll(change("Marker Server", "ws://0.0.0.0:0", false));
    QTRY_VERIFY_WITH_TIMEOUT(m_log->has("Real-time: Server Marker Server is now active"), 10000);
    QStringList seen;
    for (const QString &line : m_log->lines()) {
        if (line.startsWith("Network|Real-time:") && !line.contains("Marker Server"))
            seen << line.mid(QString("Network|").size());
    }
    QCOMPARE(seen, lines);
    if (drops) {
        QTRY_COMPARE_WITH_TIMEOUT(m_boxes->count(), 1, 10000);
        QCOMPARE(m_boxes->last().title, QString("Server Suspended"));
        QCOMPARE(m_boxes->last().text, QString("Server Unavailable. Please contact your broker."));
        QTRY_COMPARE(m_window->statusWidget()->statusText(), QString("Server Suspended"));
        QVERIFY(!m_client->isConnected());
    } else {
        QCOMPARE(m_boxes->count(), 0);
        QVERIFY(m_client->isConnected());
    }
}

void TestDirectoryWindow::statusChannelReopensAfterADrop()
{
    QTRY_COMPARE_WITH_TIMEOUT(m_status->openClients(), 1, 10000);
    QTRY_VERIFY(m_log->has("Connected to broker status WebSocket"));
    m_log->clear();
    QSignalSpy connected(m_status.get(), &WebSocketTestPeer::clientConnected);
    QElapsedTimer clock;
    clock.start();
    m_status->closeAll();
    QTRY_VERIFY_WITH_TIMEOUT(m_log->has("Disconnected from broker status WebSocket"), 5000);
    QVERIFY(connected.wait(10000));
    const qint64 after = clock.elapsed();
    QVERIFY2(after >= 2000 && after <= 8000, qPrintable(QString::number(after)));
    QTRY_VERIFY(m_log->has("Connected to broker status WebSocket"));

    // A channel that is not there is retried quietly until it is.
    auto replacement = std::make_unique<WebSocketTestPeer>();
    const QUrl address = replacement->url();
    replacement.reset();
    m_window->brokerDirectory()->setStatusUrl(address);
    QVERIFY(m_log->has("Disconnected from broker status WebSocket")); // the working channel was closed
    m_log->clear();
    QTest::qWait(4000);
    QVERIFY(!m_log->has("Disconnected from broker status WebSocket"));
    m_window->brokerDirectory()->setStatusUrl(m_status->url());
    QTRY_VERIFY_WITH_TIMEOUT(m_log->has("Connected to broker status WebSocket"), 10000);
}

void TestDirectoryWindow::latencyLabelAfterLogin_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("colour");
    QTest::newRow("below a millisecond shows 1 ms in green")
        << QByteArray("Reply from 127.0.0.1: bytes=32 time<1ms TTL=128\n") << 0 << "1 ms"
        << "#1dbf4e";
    QTest::newRow("250 ms in red") << QByteArray("64 bytes from 127.0.0.1: icmp_seq=1 ttl=64 time=249.2 ms\n")
                                   << 0 << "250 ms"
                                   << "#d32f2f";
    QTest::newRow("failed ping leaves the label empty")
        << QByteArray("1 packets transmitted, 0 received, 100% packet loss, time 0ms\n") << 1 << ""
        << "#888888";
}

void TestDirectoryWindow::latencyLabelAfterLogin()
{
    QFETCH(QByteArray, output);
    QFETCH(int, exitCode);
    QFETCH(QString, text);
    QFETCH(QString, colour);
    m_window->latencyProbe()->setProgram(writeScript("ping-row", output, exitCode), {});
    QVERIFY(logIn());
    QCOMPARE(m_window->latencyProbe()->target(), QString("127.0.0.1"));
    QLabel *label = m_window->statusWidget()->latencyLabel();
    QSignalSpy measured(m_window->latencyProbe(), &LatencyProbe::latencyMeasured);
    QSignalSpy unavailable(m_window->latencyProbe(), &LatencyProbe::latencyUnavailable);
    QTRY_VERIFY_WITH_TIMEOUT(measured.size() + unavailable.size() > 0, 10000);
    QCOMPARE(label->text(), text);
    QVERIFY2(label->styleSheet().contains("color: " + colour), qPrintable(label->styleSheet()));
    QCOMPARE(m_boxes->count(), 0);
}

void TestDirectoryWindow::accountDialogsFromTheWindow()
{
    QVERIFY(waitForDirectory());
    MainWindowForm *ui = m_window->form();
    QVERIFY(ui->actionOpenDemo->isEnabled());
    QVERIFY(!ui->actionChangePassword->isEnabled());
    ui->actionOpenDemo->trigger();
    OpenDemoDlg *demo = m_window->openDemo();
    QVERIFY(demo->isVisible());
    QCOMPARE(demo->serverBox()->count(), 2);
    QCOMPARE(demo->serverBox()->itemText(0), QString(kServer));
    QCOMPARE(demo->serverBox()->itemData(1).toString(), QString("127.0.0.1:3"));

    QVERIFY(logIn());
    QVERIFY(!demo->isVisible()); // a login hides the demo dialog
    QVERIFY(ui->actionChangePassword->isEnabled());
    ChangePasswordDlg *password = m_window->changePassword();
    password->mainPasswordEdit()->setText("left over");
    ui->actionChangePassword->trigger();
    QVERIFY(password->isVisible());
    QVERIFY(password->mainPasswordEdit()->text().isEmpty());
}

QTEST_MAIN(TestDirectoryWindow)
#include "TestDirectoryWindow.moc"
