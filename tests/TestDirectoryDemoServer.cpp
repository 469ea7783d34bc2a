#include "DemoServerClient.h"
#include "DemoServerHttp.h"
#include "DemoServerProcess.h"
#include "ModalBoxCatcher.h"
#include "TemporaryProfile.h"
#include "accounts/ChangePasswordDlg.h"
#include "accounts/LoginDialog.h"
#include "accounts/LoginFile.h"
#include "accounts/OpenDemoDlg.h"
#include "accounts/SavedAccountsFile.h"
#include "app/BrokerDirectoryMonitor.h"
#include "app/Client_Terminal.h"
#include "app/ConnectionFlow.h"
#include "app/ConnectionStatusWidget.h"
#include "app/LatencyProbe.h"
#include "app/MainWindowForm.h"
#include "data/AccountPaths.h"
#include "net/TradeClient.h"
#include "support/Logger.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QWebSocket>
#include <QtTest>

#include <memory>

namespace {
const char *kServer = "Zelvant Demo Server 2";
} // namespace

// The terminal's window against the demo broker server: its directory, its
// status channel, its control surface and its account service.
class TestDirectoryDemoServer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void suspensionDuringASession_data();
    void suspensionDuringASession();
    void passwordChange_data();
    void passwordChange();
    void changedPasswordUsedAfterADrop();
    void demoAccountCreatedAndLoggedIn();

private:
    bool logIn(qint64 login, const QString &password);
    QJsonObject loginAtServer(qint64 login, const QString &password);

    TemporaryProfile m_profile;
    std::unique_ptr<DemoServerProcess> m_server;
    TradeClient *m_client = nullptr;
    std::unique_ptr<ModalBoxCatcher> m_boxes;
    std::unique_ptr<Client_Terminal> m_window;
    QStringList m_log;
};

void TestDirectoryDemoServer::initTestCase()
{
    QVERIFY(m_profile.isValid());
    QCoreApplication::setOrganizationName("Client");
    QCoreApplication::setApplicationName("Zelvant");
    qputenv("XDG_DATA_HOME", QDir(m_profile.home()).filePath("xdg-data").toLocal8Bit());
    QVERIFY(QDir::setCurrent(m_profile.home()));
    m_server = std::make_unique<DemoServerProcess>();
    // Accounts of the password rows, one each, so the rows do not depend on one another.
    QStringList accounts;
    for (int i = 1; i <= 8; ++i)
        accounts << "--account" << QString("6000%1:Main%1:Read%1").arg(i);
    QVERIFY2(m_server->start(accounts), qPrintable(m_server->errorOutput()));
    m_client = new TradeClient;
    connect(logger(), &Logger::logMessage, this,
            [this](const QDateTime &, const QString &title, const QString &message) {
                m_log << title + "|" + message;
            });
}

void TestDirectoryDemoServer::cleanupTestCase()
{
    m_client->shutdown();
    delete m_client;
    const int code = m_server->stop();
    if (code != 0)
        qWarning().noquote() << m_server->errorOutput().right(6000);
    QCOMPARE(code, 0);
}

void TestDirectoryDemoServer::init()
{
    QVERIFY(m_profile.resetConfig());
    // Whatever an earlier case left suspended is active again.
    QCOMPARE(DemoServerHttp().post(m_server->directoryUrl("/control/resume"), QJsonObject()).status, 200);
    m_boxes = std::make_unique<ModalBoxCatcher>();
    m_window = std::make_unique<Client_Terminal>(m_client);
    BrokerDirectoryMonitor *monitor = m_window->brokerDirectory();
    QSignalSpy listed(monitor, &BrokerDirectoryMonitor::brokerServersChanged);
    monitor->setDirectoryUrl(m_server->directoryUrl("/brokers"));
    monitor->setStatusUrl(m_server->statusUrl());
    m_window->openDemo()->setAccountPort(m_server->accountPort());
    m_window->changePassword()->setAccountPort(m_server->accountPort());
    m_window->latencyProbe()->stop();
    QVERIFY(listed.wait(10000));
    QTRY_VERIFY_WITH_TIMEOUT(monitor->statusSocket()->state() == QAbstractSocket::ConnectedState, 10000);
    m_log.clear();
}

void TestDirectoryDemoServer::cleanup()
{
    m_window.reset();
    m_client->logout();
    m_boxes.reset();
}

bool TestDirectoryDemoServer::logIn(qint64 login, const QString &password)
{
    LoginDialog *dialog = m_window->loginBox();
    dialog->setLogin(login);
    dialog->setPassword(password);
    dialog->setServerName(kServer);
    QSignalSpy loggedIn(m_window->connectionFlow(), &ConnectionFlow::loggedIn);
    m_window->connectToBroker();
    return loggedIn.wait(15000) && m_client->isConnected();
}

QJsonObject TestDirectoryDemoServer::loginAtServer(qint64 login, const QString &password)
{
    DemoServerClient client;
    if (!client.open(m_server->tradeUrl()))
        return QJsonObject();
    const QJsonObject answer = client.login(login, password);
    client.close();
    return answer;
}

void TestDirectoryDemoServer::suspensionDuringASession_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("told by the status channel") << "status";
    QTest::newRow("seen in the directory") << "directory";
}

void TestDirectoryDemoServer::suspensionDuringASession()
{
    QFETCH(QString, path);
    QVERIFY(logIn(50001, "Master1"));
    BrokerDirectoryMonitor *monitor = m_window->brokerDirectory();
    if (path == "status")
        monitor->brokerRefreshTimer()->stop(); // only the channel can tell
    else
        monitor->setStatusUrl(QUrl()); // only the directory can tell

    DemoServerHttp http;
    const DemoServerHttp::Reply suspended =
        http.post(m_server->directoryUrl("/control/suspend"), QJsonObject());
    QCOMPARE(suspended.status, 200);
    QTRY_COMPARE_WITH_TIMEOUT(m_boxes->count(), 1, 15000);
    QCOMPARE(m_boxes->last().title, QString("Server Suspended"));
    QCOMPARE(m_boxes->last().text, QString("Server Unavailable. Please contact your broker."));
    QCOMPARE(m_boxes->last().icon, QMessageBox::Critical);
    QTRY_COMPARE(m_window->statusWidget()->statusText(), QString("Server Suspended"));
    QVERIFY(!m_client->isConnected());
    QVERIFY(m_window->form()->actionConnect->isEnabled());
    if (path == "status") {
        QVERIFY(
            m_log.contains("Network|Real-time: Connected server Zelvant Demo Server 2 is now suspended!"));
        QVERIFY(m_log.contains("Network|Real-time: Server Zelvant Demo Server 2 is now suspended"));
    }

    // The directory no longer lists the server, so a saved login to it is refused.
    monitor->brokerRefreshTimer()->start();
    QTRY_VERIFY_WITH_TIMEOUT(monitor->brokerServers().size() == 0, 10000);
    m_window->connectionFlow()->loginSavedAccount(kServer, 50001);
    QTRY_COMPARE_WITH_TIMEOUT(m_boxes->count(), 2, 10000);
    QCOMPARE(m_boxes->last().title, QString("Server Suspended"));
    QVERIFY(!m_client->isConnected());

    // Active again: listed again, and a login works.
    QCOMPARE(http.post(m_server->directoryUrl("/control/resume"), QJsonObject()).status, 200);
    QTRY_VERIFY_WITH_TIMEOUT(
        !m_window->isServerSuspended(kServer, QString("127.0.0.1:%1").arg(m_server->tradePort())), 10000);
    QVERIFY(logIn(50001, "Master1"));
    QCOMPARE(m_boxes->count(), 2);
}

void TestDirectoryDemoServer::passwordChange_data()
{
    QTest::addColumn<qint64>("login");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("new1");
    QTest::addColumn<QString>("new2");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("mainAfter");
    QTest::addColumn<QString>("readOnlyAfter");

    QTest::newRow("main password changed") << qint64(60001) << 0 << "Main1"
                                           << "Fresh1"
                                           << "Fresh1"
                                           << "Password changed successfully!"
                                           << "Fresh1"
                                           << "Read1";
    QTest::newRow("read-only password changed") << qint64(60002) << 1 << "Main2"
                                                << "Look2"
                                                << "Look2"
                                                << "Password changed successfully!"
                                                << "Main2"
                                                << "Look2";
    QTest::newRow("current password wrong") << qint64(60003) << 0 << "main3"
                                            << "Fresh3"
                                            << "Fresh3"
                                            << "Main password is not correct!"
                                            << "Main3"
                                            << "Read3";
    QTest::newRow("confirmation differs") << qint64(60004) << 0 << "Main4"
                                          << "Fresh4"
                                          << "Fresh5"
                                          << "New password does not match!"
                                          << "Main4"
                                          << "Read4";
    QTest::newRow("new password empty") << qint64(60005) << 1 << "Main5"
                                        << ""
                                        << ""
                                        << "New password can not be empty!"
                                        << "Main5"
                                        << "Read5";
    const QString tooLong(65, QChar('x'));
    QTest::newRow("refused by the service")
        << qint64(60006) << 0 << "Main6" << tooLong << tooLong << "Error occured!"
        << "Main6"
        << "Read6";
}

void TestDirectoryDemoServer::passwordChange()
{
    QFETCH(qint64, login);
    QFETCH(int, type);
    QFETCH(QString, current);
    QFETCH(QString, new1);
    QFETCH(QString, new2);
    QFETCH(QString, text);
    QFETCH(QString, mainAfter);
    QFETCH(QString, readOnlyAfter);
    const QString mainBefore = QString("Main%1").arg(login - 60000);
    QVERIFY(logIn(login, mainBefore));

    m_window->form()->actionChangePassword->trigger();
    ChangePasswordDlg *dialog = m_window->changePassword();
    QVERIFY(dialog->isVisible());
    dialog->passwordTypeBox()->setCurrentIndex(type);
    dialog->mainPasswordEdit()->setText(current);
    dialog->newPasswordEdit()->setText(new1);
    dialog->confirmPasswordEdit()->setText(new2);
    QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_boxes->count(), 1, 15000);
    QCOMPARE(m_boxes->last().title, QString("Change Password"));
    QCOMPARE(m_boxes->last().text, text);
    QCOMPARE(m_boxes->last().icon,
             text == "Password changed successfully!" ? QMessageBox::Information : QMessageBox::Critical);
    QVERIFY(dialog->isVisible());

    // The server holds the passwords the row expects.
    QCOMPARE(loginAtServer(login, mainAfter).value("state").toInt(), 1);
    QCOMPARE(loginAtServer(login, readOnlyAfter).value("state").toInt(), 1);
    if (mainAfter != mainBefore)
        QCOMPARE(loginAtServer(login, mainBefore).value("state").toInt(), 0);
    dialog->hide();
}

// After a change, the reconnect of a dropped session, the saved account and the
// login file carry the new password (the old one would be refused).
void TestDirectoryDemoServer::changedPasswordUsedAfterADrop()
{
    QVERIFY(logIn(60007, "Main7")); // "Save Password" is checked
    m_window->form()->actionChangePassword->trigger();
    ChangePasswordDlg *dialog = m_window->changePassword();
    dialog->passwordTypeBox()->setCurrentIndex(0);
    dialog->mainPasswordEdit()->setText("Main7");
    dialog->newPasswordEdit()->setText("Fresh7");
    dialog->confirmPasswordEdit()->setText("Fresh7");
    QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_boxes->count(), 1, 15000);
    QCOMPARE(m_boxes->last().text, QString("Password changed successfully!"));
    dialog->hide();

    QCOMPARE(m_client->password(), QString("Fresh7"));
    bool saved = false;
    for (const QJsonValue &value : SavedAccountsFile().read()) {
        const QJsonObject element = value.toObject();
        if (element.value("account").toString() != "60007")
            continue;
        QCOMPARE(element.value("master_password").toString(), QString("Fresh7"));
        QVERIFY(!element.contains("investor_password"));
        saved = true;
    }
    QVERIFY(saved);
    const auto loginFile = LoginFile::read(AccountPaths::accountFolder(kServer, 60007));
    QVERIFY(loginFile);
    QCOMPARE(loginFile->password, QString("Fresh7"));
    QCOMPARE(m_window->loginBox()->password(), QString("Fresh7"));

    QSignalSpy loggedIn(m_window->connectionFlow(), &ConnectionFlow::loggedIn);
    QCOMPARE(DemoServerHttp().post(m_server->directoryUrl("/control/drop"), QJsonObject()).status, 200);
    QVERIFY(loggedIn.wait(15000));
    QVERIFY(m_client->isLoggedIn());
    QCOMPARE(m_boxes->count(), 1); // no "Login Failed"
}

void TestDirectoryDemoServer::demoAccountCreatedAndLoggedIn()
{
    MainWindowForm *ui = m_window->form();
    ui->actionOpenDemo->trigger();
    OpenDemoDlg *dialog = m_window->openDemo();
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->serverBox()->currentText(), QString(kServer));
    dialog->firstNameEdit()->setText("Grace");
    dialog->lastNameEdit()->setText("Hopper");
    dialog->emailEdit()->setText("grace@example.net");
    dialog->phoneEdit()->setText("+1 555 0100");
    dialog->leverageBox()->setCurrentIndex(4);
    dialog->depositBox()->setCurrentIndex(1);
    dialog->agreeBox()->setChecked(true);
    QTest::mouseClick(dialog->registerButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(dialog->detailsFrame()->isVisible(), 15000);
    QCOMPARE(m_boxes->count(), 0);
    const int login = dialog->loginLabel()->text().toInt();
    QVERIFY(login > 0);
    const QString main = dialog->passwordLabel()->text();
    const QString readOnly = dialog->readOnlyPasswordLabel()->text();
    QCOMPARE(main.size(), 5);
    QCOMPARE(readOnly.size(), 5);
    QCOMPARE(dialog->serverNameLabel()->text(), QString(kServer));
    QTest::mouseClick(dialog->copyButton(), Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QString("{Login: %1, Main Password: %2, Investor Password: %3}").arg(login).arg(main, readOnly));

    // "Proceed to Login" logs the window in to the new account.
    QSignalSpy loggedIn(m_window->connectionFlow(), &ConnectionFlow::loggedIn);
    QTest::mouseClick(dialog->proceedButton(), Qt::LeftButton);
    QVERIFY(loggedIn.wait(15000));
    QCOMPARE(m_window->connectionFlow()->login(), qint64(login));
    QCOMPARE(m_window->connectionFlow()->serverName(), QString(kServer));
    QCOMPARE(m_client->login(), quint64(login));
    QCOMPARE(m_client->password(), main);
    QCOMPARE(m_client->url().toString(), m_server->tradeUrl().toString());
    QVERIFY(m_window->windowTitle().contains(QString::number(login)));
    QVERIFY(!dialog->isVisible());
    QCOMPARE(m_window->statusWidget()->statusText(), QString("connected"));
    QCOMPARE(loginAtServer(login, readOnly).value("state").toInt(), 1);
    QCOMPARE(m_boxes->count(), 0);
}

QTEST_MAIN(TestDirectoryDemoServer)
#include "TestDirectoryDemoServer.moc"
