#include "HttpTestPeer.h"
#include "ModalBoxCatcher.h"
#include "WebSocketTestPeer.h"
#include "accounts/ChangePasswordDlg.h"
#include "accounts/OpenDemoDlg.h"
#include "net/TradeClient.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFrame>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest>

namespace {
const QString kSessionPassword = "Secret1";
const qint64 kLogin = 1001;

QJsonObject bodyOf(const HttpTestPeer::Request &request)
{
    return QJsonDocument::fromJson(request.body).object();
}

BrokerServerList demoServers(quint16 anyPort)
{
    return {{"Zelvant Live", QString("127.0.0.1:%1").arg(anyPort), 59, false},
            {"Zelvant Demo Server 2", QString("127.0.0.1:%1").arg(anyPort), 59, false}};
}
} // namespace

class TestAccountDialogs : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void passwordUrl_data();
    void passwordUrl();
    void passwordBody_data();
    void passwordBody();
    void passwordFormAndFields();
    void passwordRefusedBeforeSending_data();
    void passwordRefusedBeforeSending();
    void passwordChangeSent_data();
    void passwordChangeSent();
    void passwordRequestTimesOut();

    void demoUrl_data();
    void demoUrl();
    void demoChoices();
    void demoPrepareForm();
    void demoRefusedBeforeSending_data();
    void demoRefusedBeforeSending();
    void demoRegistration();
    void demoAnswerVariants_data();
    void demoAnswerVariants();
    void demoRegistrationsUseNewPasswords();
    void demoProceedNeedsTheServerListed();
    void demoRequestTimesOut();

private:
    // Fills the demo form with valid entries.
    void fillDemoForm(OpenDemoDlg &dialog);

    WebSocketTestPeer *m_tradePeer = nullptr;
    TradeClient *m_client = nullptr;
    HttpTestPeer *m_service = nullptr;
    ModalBoxCatcher *m_boxes = nullptr;
};

void TestAccountDialogs::initTestCase()
{
    // The password dialog reads the session's address, login and password.
    m_tradePeer = new WebSocketTestPeer(this);
    m_tradePeer->setHandler(WebSocketTestPeer::loginHandler(true));
    m_client = new TradeClient;
    m_client->connectToServer(m_tradePeer->url(), kLogin, kSessionPassword, "Test Server");
    // Its signals come from the worker thread, so the state is polled instead.
    QTRY_VERIFY_WITH_TIMEOUT(m_client->isLoggedIn(), 10000);
    m_boxes = new ModalBoxCatcher(this);
}

void TestAccountDialogs::cleanupTestCase()
{
    m_client->shutdown();
    delete m_client;
}

void TestAccountDialogs::init()
{
    delete m_service;
    m_service = new HttpTestPeer(this);
    m_boxes->clear();
}

void TestAccountDialogs::passwordUrl_data()
{
    QTest::addColumn<QString>("serverUrl");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("url");
    QTest::newRow("ws with port 9001 goes to http on 9004")
        << "ws://trade.example.net:9001" << 9004 << "http://trade.example.net:9004/account/update";
    QTest::newRow("address") << "ws://10.0.0.1:9001" << 9004 << "http://10.0.0.1:9004/account/update";
    QTest::newRow("bare host is taken whole")
        << "trade.example.net" << 9004 << "http://trade.example.net:9004/account/update";
    QTest::newRow("port given by the caller")
        << "ws://127.0.0.1:40001" << 40002 << "http://127.0.0.1:40002/account/update";
}

void TestAccountDialogs::passwordUrl()
{
    QFETCH(QString, serverUrl);
    QFETCH(int, port);
    QTEST(ChangePasswordDlg::updateUrl(serverUrl, port).toString(), "url");
}

void TestAccountDialogs::passwordBody_data()
{
    QTest::addColumn<bool>("mainPassword");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("otherKey");
    QTest::newRow("main password") << true << "master_password"
                                   << "investor_password";
    QTest::newRow("read-only password") << false << "investor_password"
                                        << "master_password";
}

void TestAccountDialogs::passwordBody()
{
    QFETCH(bool, mainPassword);
    QFETCH(QString, key);
    QFETCH(QString, otherKey);
    const QByteArray body = ChangePasswordDlg::requestBody(mainPassword, "N3w", 50001);
    QVERIFY(body.contains("\n    ")); // indented layout
    const QJsonObject object = QJsonDocument::fromJson(body).object();
    QCOMPARE(object.size(), 3);
    QCOMPARE(object.value(key).toString(), QString("N3w"));
    QVERIFY(!object.contains(otherKey));
    QVERIFY(object.value("dealer").isDouble());
    QCOMPARE(object.value("dealer").toInt(), 50001);
    QCOMPARE(object.value("manager_login").toInt(), 1000);
}

void TestAccountDialogs::passwordFormAndFields()
{
    ChangePasswordDlg dialog(m_client);
    QCOMPARE(dialog.windowTitle(), QString("Change Password"));
    QCOMPARE(dialog.size(), QSize(356, 200));
    QCOMPARE(dialog.passwordTypeBox()->count(), 2);
    QCOMPARE(dialog.passwordTypeBox()->itemText(0), QString("Main Password"));
    QCOMPARE(dialog.passwordTypeBox()->itemText(1), QString("Read-Only Password"));
    QCOMPARE(dialog.passwordTypeBox()->currentIndex(), 0);
    QCOMPARE(dialog.mainPasswordEdit()->echoMode(), QLineEdit::Normal);
    QCOMPARE(dialog.requestTimer()->interval(), 10000);
    QCOMPARE(dialog.accountPort(), 9004);
    dialog.mainPasswordEdit()->setText("a");
    dialog.newPasswordEdit()->setText("b");
    dialog.confirmPasswordEdit()->setText("c");
    dialog.clearFields();
    QVERIFY(dialog.mainPasswordEdit()->text().isEmpty());
    QVERIFY(dialog.newPasswordEdit()->text().isEmpty());
    QVERIFY(dialog.confirmPasswordEdit()->text().isEmpty());
    dialog.show();
    QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
}

void TestAccountDialogs::passwordRefusedBeforeSending_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("new1");
    QTest::addColumn<QString>("new2");
    QTest::addColumn<QString>("text");
    QTest::newRow("wrong current password") << 0 << "secret1"
                                            << "N3w"
                                            << "N3w"
                                            << "Main password is not correct!";
    QTest::newRow("read-only change needs the session password") << 1 << ""
                                                                 << "N3w"
                                                                 << "N3w"
                                                                 << "Main password is not correct!";
    QTest::newRow("confirmation differs") << 0 << kSessionPassword << "N3w"
                                          << "N3W"
                                          << "New password does not match!";
    QTest::newRow("empty new password") << 0 << kSessionPassword << ""
                                        << ""
                                        << "New password can not be empty!";
}

void TestAccountDialogs::passwordRefusedBeforeSending()
{
    QFETCH(int, type);
    QFETCH(QString, current);
    QFETCH(QString, new1);
    QFETCH(QString, new2);
    QFETCH(QString, text);
    ChangePasswordDlg dialog(m_client);
    dialog.setAccountPort(m_service->port());
    dialog.show();
    dialog.passwordTypeBox()->setCurrentIndex(type);
    dialog.mainPasswordEdit()->setText(current);
    dialog.newPasswordEdit()->setText(new1);
    dialog.confirmPasswordEdit()->setText(new2);
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    QTRY_COMPARE(m_boxes->count(), 1);
    QCOMPARE(m_boxes->last().title, QString("Change Password"));
    QCOMPARE(m_boxes->last().text, text);
    QCOMPARE(m_boxes->last().icon, QMessageBox::Critical);
    QVERIFY(!m_boxes->last().hasParent);
    QVERIFY(!dialog.isRequestPending());
    QTest::qWait(200);
    QCOMPARE(m_service->requestCount(), 0);
}

void TestAccountDialogs::passwordChangeSent_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("currentCleared");
    QTest::newRow("main password changed") << 0 << 200 << "master_password" << int(QMessageBox::Information)
                                           << "Password changed successfully!" << true;
    QTest::newRow("read-only password changed")
        << 1 << 200 << "investor_password" << int(QMessageBox::Information)
        << "Password changed successfully!" << true;
    QTest::newRow("refused by the service")
        << 0 << 400 << "master_password" << int(QMessageBox::Critical) << "Error occured!" << false;
    QTest::newRow("unknown account") << 1 << 404 << "investor_password" << int(QMessageBox::Critical)
                                     << "Error occured!" << false;
}

void TestAccountDialogs::passwordChangeSent()
{
    QFETCH(int, type);
    QFETCH(int, status);
    QFETCH(QString, key);
    QFETCH(int, icon);
    QFETCH(QString, text);
    QFETCH(bool, currentCleared);
    m_service->setAnswer(status, R"({"login":1001})");
    ChangePasswordDlg dialog(m_client);
    dialog.setAccountPort(m_service->port());
    dialog.show();
    dialog.passwordTypeBox()->setCurrentIndex(type);
    dialog.mainPasswordEdit()->setText(kSessionPassword);
    dialog.newPasswordEdit()->setText("N3wPass");
    dialog.confirmPasswordEdit()->setText("N3wPass");
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_boxes->count(), 1, 10000);
    QCOMPARE(m_boxes->last().title, QString("Change Password"));
    QCOMPARE(m_boxes->last().text, text);
    QCOMPARE(int(m_boxes->last().icon), icon);

    QCOMPARE(m_service->requestCount(), 1);
    const HttpTestPeer::Request request = m_service->requests().first();
    QCOMPARE(request.method, QByteArray("POST"));
    QCOMPARE(request.path, QByteArray("/account/update"));
    QCOMPARE(request.headers.value("content-type"), QByteArray("application/json"));
    const QJsonObject body = bodyOf(request);
    QCOMPARE(body.value(key).toString(), QString("N3wPass"));
    QCOMPARE(body.value("dealer").toInt(), int(kLogin));
    QCOMPARE(body.value("manager_login").toInt(), 1000);

    QCOMPARE(dialog.mainPasswordEdit()->text().isEmpty(), currentCleared);
    QVERIFY(dialog.isVisible());
    QVERIFY(dialog.okButton()->isEnabled());
    QVERIFY(!dialog.requestTimer()->isActive());
}

void TestAccountDialogs::passwordRequestTimesOut()
{
    m_service->setSilent();
    ChangePasswordDlg dialog(m_client);
    dialog.setAccountPort(m_service->port());
    dialog.show();
    dialog.mainPasswordEdit()->setText(kSessionPassword);
    dialog.newPasswordEdit()->setText("N3wPass");
    dialog.confirmPasswordEdit()->setText("N3wPass");
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requestCount(), 1, 5000);
    QVERIFY(!dialog.okButton()->isEnabled()); // one request at a time
    QTRY_COMPARE_WITH_TIMEOUT(m_boxes->count(), 1, 20000);
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed >= 9500 && elapsed < 16000, qPrintable(QString::number(elapsed)));
    QCOMPARE(m_boxes->last().title, QString("Demo Account"));
    QCOMPARE(m_boxes->last().text, QString("Server is not unreachable"));
    QCOMPARE(m_boxes->last().icon, QMessageBox::Critical);
    // The request is gone, no second box follows, and the dialog takes a new request.
    QTRY_COMPARE_WITH_TIMEOUT(m_service->openConnections(), 0, 5000);
    QTest::qWait(300);
    QCOMPARE(m_boxes->count(), 1);
    QVERIFY(!dialog.isRequestPending());
    QVERIFY(dialog.okButton()->isEnabled());
    QCOMPARE(dialog.mainPasswordEdit()->text(), kSessionPassword);

    m_service->setAnswer(200, "{}");
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_boxes->count(), 2, 10000);
    QCOMPARE(m_boxes->last().text, QString("Password changed successfully!"));
    QCOMPARE(m_service->requestCount(), 2);
}

void TestAccountDialogs::demoUrl_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("url");
    QTest::newRow("host and port") << "10.0.0.2:9001" << 9004 << "http://10.0.0.2:9004/account/create";
    QTest::newRow("address without a colon is the host")
        << "demo.example.net" << 9004 << "http://demo.example.net:9004/account/create";
    QTest::newRow("port given by the caller")
        << "127.0.0.1:40001" << 40003 << "http://127.0.0.1:40003/account/create";
}

void TestAccountDialogs::demoUrl()
{
    QFETCH(QString, address);
    QFETCH(int, port);
    QTEST(OpenDemoDlg::createUrl(address, port).toString(), "url");
}

void TestAccountDialogs::demoChoices()
{
    QCOMPARE(OpenDemoDlg::leverageOf("1:200"), 200);
    QCOMPARE(OpenDemoDlg::leverageOf("1:500"), 500);
    QCOMPARE(OpenDemoDlg::depositOf("25000 USD"), 25000);
    QCOMPARE(OpenDemoDlg::depositOf("100000 USD"), 100000);
    const QRegularExpression alphabet("^[A-Za-z0-9]{5}$");
    for (int i = 0; i < 50; ++i)
        QVERIFY(alphabet.match(OpenDemoDlg::generatePassword()).hasMatch());
}

void TestAccountDialogs::demoPrepareForm()
{
    OpenDemoDlg dialog;
    QCOMPARE(dialog.windowTitle(), QString("Open demo account"));
    QCOMPARE(dialog.width(), 500);
    QVERIFY(dialog.height() == 650 || dialog.height() == 700);
    QCOMPARE(dialog.requestTimer()->interval(), 10000);
    QStringList leverages, deposits;
    for (int i = 0; i < dialog.leverageBox()->count(); ++i)
        leverages << dialog.leverageBox()->itemText(i);
    for (int i = 0; i < dialog.depositBox()->count(); ++i)
        deposits << dialog.depositBox()->itemText(i);
    QCOMPARE(leverages, QStringList({"1:100", "1:200", "1:300", "1:400", "1:500"}));
    QCOMPARE(deposits, QStringList({"5000 USD", "10000 USD", "25000 USD", "50000 USD", "100000 USD"}));

    dialog.show();
    fillDemoForm(dialog);
    dialog.prepareForm(demoServers(9001));
    QCOMPARE(dialog.serverBox()->count(), 2);
    QCOMPARE(dialog.serverBox()->currentText(), QString("Zelvant Demo Server 2"));
    QCOMPARE(dialog.serverBox()->currentData().toString(), QString("127.0.0.1:9001"));
    QCOMPARE(dialog.leverageBox()->currentIndex(), 0);
    QCOMPARE(dialog.depositBox()->currentIndex(), 0);
    QVERIFY(dialog.firstNameEdit()->text().isEmpty());
    QVERIFY(dialog.lastNameEdit()->text().isEmpty());
    QVERIFY(dialog.emailEdit()->text().isEmpty());
    QVERIFY(dialog.phoneEdit()->text().isEmpty());
    QVERIFY(!dialog.agreeBox()->isChecked());
    QVERIFY(dialog.registerButton()->isVisible());
    QVERIFY(!dialog.waitLabel()->isVisible());
    QVERIFY(!dialog.detailsFrame()->isVisible());
    QVERIFY(!dialog.copyButton()->isVisible());
    QVERIFY(!dialog.proceedButton()->isVisible());

    dialog.prepareForm({{"Only Live", "10.0.0.1", 59, false}});
    QCOMPARE(dialog.serverBox()->count(), 1);
    QCOMPARE(dialog.serverBox()->currentText(), QString("Only Live"));
}

void TestAccountDialogs::fillDemoForm(OpenDemoDlg &dialog)
{
    dialog.firstNameEdit()->setText("Ada");
    dialog.lastNameEdit()->setText("Lovelace");
    dialog.emailEdit()->setText("ada@example.net");
    dialog.phoneEdit()->setText("+44 20 7946 0000");
    dialog.agreeBox()->setChecked(true);
}

void TestAccountDialogs::demoRefusedBeforeSending_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::newRow("no server") << "server"
                               << "Server is not available";
    QTest::newRow("no deposit") << "deposit"
                                << "Deposit is not available";
    QTest::newRow("no leverage") << "leverage"
                                 << "Leverage is not available";
    QTest::newRow("terms not accepted") << "agree"
                                        << "Please check accept button";
    QTest::newRow("first name of blanks") << "first"
                                          << "Please input first name correctly";
    QTest::newRow("empty last name") << "last"
                                     << "Please input last name correctly";
    QTest::newRow("empty email") << "email"
                                 << "Please input email correctly";
    QTest::newRow("phone of blanks only") << "phone"
                                          << "Please input phone number correctly";
}

void TestAccountDialogs::demoRefusedBeforeSending()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    OpenDemoDlg dialog;
    dialog.setAccountPort(m_service->port());
    dialog.prepareForm(field == "server" ? BrokerServerList() : demoServers(9001));
    dialog.show();
    fillDemoForm(dialog);
    if (field == "deposit")
        dialog.depositBox()->setCurrentIndex(-1);
    else if (field == "leverage")
        dialog.leverageBox()->setCurrentIndex(-1);
    else if (field == "agree")
        dialog.agreeBox()->setChecked(false);
    else if (field == "first")
        dialog.firstNameEdit()->setText(" \t ");
    else if (field == "last")
        dialog.lastNameEdit()->clear();
    else if (field == "email")
        dialog.emailEdit()->clear();
    else if (field == "phone")
        dialog.phoneEdit()->setText("    ");
    QTest::mouseClick(dialog.registerButton(), Qt::LeftButton);
    QTRY_COMPARE(m_boxes->count(), 1);
    QCOMPARE(m_boxes->last().title, QString("Demo Account"));
    QCOMPARE(m_boxes->last().text, text);
    QCOMPARE(m_boxes->last().icon, QMessageBox::Critical);
    QVERIFY(!m_boxes->last().hasParent);
    QVERIFY(dialog.registerButton()->isVisible());
    QVERIFY(!dialog.waitLabel()->isVisible());
    QTest::qWait(200);
    QCOMPARE(m_service->requestCount(), 0);
}

void TestAccountDialogs::demoRegistration()
{
    m_service->setHandler([](const HttpTestPeer::Request &request) {
        const QJsonObject body = bodyOf(request);
        QJsonObject answer{{"login", 50123},
                           {"master_password", body.value("master_password")},
                           {"investor_password", body.value("investor_password")}};
        return HttpTestPeer::Answer{200, QJsonDocument(answer).toJson(QJsonDocument::Compact), false};
    });
    OpenDemoDlg dialog;
    dialog.setAccountPort(m_service->port());
    dialog.prepareForm(demoServers(9001));
    dialog.show();
    fillDemoForm(dialog);
    dialog.firstNameEdit()->setText(" Ada"); // sent as typed
    dialog.leverageBox()->setCurrentIndex(1);
    dialog.depositBox()->setCurrentIndex(2);
    QSignalSpy relogin(&dialog, &OpenDemoDlg::relogin);
    QTest::mouseClick(dialog.registerButton(), Qt::LeftButton);
    QVERIFY(dialog.waitLabel()->isVisible());
    QCOMPARE(dialog.waitLabel()->text(), QString("Please waitting while processing..."));
    QVERIFY(!dialog.registerButton()->isVisible());

    QTRY_VERIFY_WITH_TIMEOUT(dialog.detailsFrame()->isVisible(), 10000);
    QCOMPARE(m_boxes->count(), 0);
    QCOMPARE(m_service->requestCount(), 1);
    const HttpTestPeer::Request request = m_service->requests().first();
    QCOMPARE(request.method, QByteArray("POST"));
    QCOMPARE(request.path, QByteArray("/account/create"));
    QCOMPARE(request.headers.value("content-type"), QByteArray("application/json"));
    QVERIFY(!request.body.contains('\n')); // compact
    const QJsonObject body = bodyOf(request);
    QCOMPARE(body.value("name").toString(), QString(" Ada Lovelace"));
    QCOMPARE(body.value("email").toString(), QString("ada@example.net"));
    QCOMPARE(body.value("phone").toString(), QString("+44 20 7946 0000"));
    QCOMPARE(body.value("leverage").toInt(), 200);
    QCOMPARE(body.value("amount").toInt(), 25000);
    QCOMPARE(body.value("group").toString(), QString("demo"));
    QCOMPARE(body.value("manager_login").toInt(), 1000);
    const QString main = body.value("master_password").toString();
    const QString readOnly = body.value("investor_password").toString();
    QVERIFY(QRegularExpression("^[A-Za-z0-9]{5}$").match(main).hasMatch());
    QVERIFY(QRegularExpression("^[A-Za-z0-9]{5}$").match(readOnly).hasMatch());
    QCOMPARE(body.size(), 9);

    QVERIFY(!dialog.waitLabel()->isVisible());
    QVERIFY(!dialog.registerButton()->isVisible());
    QVERIFY(dialog.copyButton()->isVisible());
    QVERIFY(dialog.proceedButton()->isVisible());
    QCOMPARE(dialog.loginLabel()->text(), QString("50123"));
    QCOMPARE(dialog.passwordLabel()->text(), main);
    QCOMPARE(dialog.readOnlyPasswordLabel()->text(), readOnly);
    QCOMPARE(dialog.serverNameLabel()->text(), QString("Zelvant Demo Server 2"));
    const QString copy =
        QString("{Login: 50123, Main Password: %1, Investor Password: %2}").arg(main, readOnly);
    QCOMPARE(dialog.copyText(), copy);
    QTest::mouseClick(dialog.copyButton(), Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), copy);

    QTest::mouseClick(dialog.proceedButton(), Qt::LeftButton);
    QCOMPARE(relogin.size(), 1);
    QCOMPARE(relogin.at(0).at(0).toInt(), 50123);
    QCOMPARE(relogin.at(0).at(1).toString(), main);
    QCOMPARE(relogin.at(0).at(2).toString(), QString("Zelvant Demo Server 2"));
}

void TestAccountDialogs::demoAnswerVariants_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("resultShown");
    QTest::addColumn<QString>("login"); // label after the answer
    QTest::newRow("refused by the service") << 400 << QByteArray(R"({"error":"bad"})") << false << "";
    QTest::newRow("server error") << 500 << QByteArray() << false << "";
    QTest::newRow("answer that is not an object leaves the labels")
        << 200 << QByteArray("[1,2]") << true << "";
    QTest::newRow("unparsable answer reads as empty") << 200 << QByteArray("oops") << true << "0";
    QTest::newRow("missing passwords read as empty") << 200 << QByteArray(R"({"login":7})") << true << "7";
}

void TestAccountDialogs::demoAnswerVariants()
{
    QFETCH(int, status);
    QFETCH(QByteArray, answer);
    QFETCH(bool, resultShown);
    QFETCH(QString, login);
    m_service->setAnswer(status, answer);
    OpenDemoDlg dialog;
    dialog.setAccountPort(m_service->port());
    dialog.prepareForm(demoServers(9001));
    dialog.show();
    fillDemoForm(dialog);
    QTest::mouseClick(dialog.registerButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.isRequestPending(), 10000);
    QCOMPARE(dialog.detailsFrame()->isVisible(), resultShown);
    QCOMPARE(dialog.copyButton()->isVisible(), resultShown);
    QCOMPARE(dialog.proceedButton()->isVisible(), resultShown);
    QVERIFY(!dialog.registerButton()->isVisible());
    if (!resultShown) {
        QVERIFY(dialog.waitLabel()->isVisible());
        QCOMPARE(dialog.waitLabel()->text(), QString("Can not create demo account!"));
    } else {
        QVERIFY(!dialog.waitLabel()->isVisible());
    }
    QCOMPARE(dialog.loginLabel()->text(), login);
    QVERIFY(dialog.passwordLabel()->text().isEmpty());
    QCOMPARE(m_boxes->count(), 0);
    QVERIFY(!dialog.requestTimer()->isActive());
}

void TestAccountDialogs::demoRegistrationsUseNewPasswords()
{
    m_service->setAnswer(200, R"({"login":1})");
    OpenDemoDlg dialog;
    dialog.setAccountPort(m_service->port());
    QStringList passwords;
    for (int round = 0; round < 2; ++round) {
        dialog.prepareForm(demoServers(9001));
        fillDemoForm(dialog);
        dialog.on_Register();
        QTRY_COMPARE_WITH_TIMEOUT(m_service->requestCount(), round + 1, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.isRequestPending(), 10000);
        const QJsonObject body = bodyOf(m_service->requests().last());
        passwords << body.value("master_password").toString() << body.value("investor_password").toString();
    }
    QCOMPARE(passwords.size(), 4);
    QCOMPARE(QSet<QString>(passwords.begin(), passwords.end()).size(), 4);
}

void TestAccountDialogs::demoProceedNeedsTheServerListed()
{
    m_service->setAnswer(200, R"({"login":77,"master_password":"Mm1","investor_password":"Ii1"})");
    OpenDemoDlg dialog;
    dialog.setAccountPort(m_service->port());
    dialog.prepareForm(demoServers(9001));
    fillDemoForm(dialog);
    QSignalSpy relogin(&dialog, &OpenDemoDlg::relogin);
    dialog.on_Register();
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.isRequestPending(), 10000);
    dialog.serverBox()->removeItem(dialog.serverBox()->findText("Zelvant Demo Server 2"));
    dialog.on_Logout();
    QCOMPARE(relogin.size(), 0);
    dialog.serverBox()->addItem("Zelvant Demo Server 2", "127.0.0.1:9001");
    dialog.on_Logout();
    QCOMPARE(relogin.size(), 1);
    QCOMPARE(relogin.at(0).at(0).toInt(), 77);
    QCOMPARE(relogin.at(0).at(1).toString(), QString("Mm1"));
}

void TestAccountDialogs::demoRequestTimesOut()
{
    m_service->setSilent();
    OpenDemoDlg dialog;
    dialog.setAccountPort(m_service->port());
    dialog.prepareForm(demoServers(9001));
    dialog.show();
    fillDemoForm(dialog);
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(dialog.registerButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requestCount(), 1, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(m_boxes->count(), 1, 20000);
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed >= 9500 && elapsed < 16000, qPrintable(QString::number(elapsed)));
    QCOMPARE(m_boxes->last().title, QString("Demo Account"));
    QCOMPARE(m_boxes->last().text, QString("No connection with Server"));
    QCOMPARE(m_boxes->last().icon, QMessageBox::Critical);
    QTRY_COMPARE_WITH_TIMEOUT(m_service->openConnections(), 0, 5000);
    QTest::qWait(300);
    QCOMPARE(m_boxes->count(), 1);
    QVERIFY(!dialog.isRequestPending());
    QVERIFY(dialog.waitLabel()->text().isEmpty());
    QVERIFY(dialog.registerButton()->isVisible());
    QVERIFY(!dialog.detailsFrame()->isVisible());

    // Ready for another attempt.
    m_service->setAnswer(200, R"({"login":5})");
    QTest::mouseClick(dialog.registerButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(dialog.detailsFrame()->isVisible(), 10000);
    QCOMPARE(dialog.loginLabel()->text(), QString("5"));
}

QTEST_MAIN(TestAccountDialogs)
#include "TestAccountDialogs.moc"
