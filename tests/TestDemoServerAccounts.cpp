#include "tests/DemoServerClient.h"
#include "tests/DemoServerHttp.h"
#include "tests/DemoServerProcess.h"

#include <QJsonArray>
#include <QNetworkReply>
#include <QStandardPaths>
#include <QtTest>
#include <memory>

// The account service: POST /account/create and POST /account/update on the account port.
class TestDemoServerAccounts : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void createOpensADemoAccount();
    void createAlwaysUsesTheDemoGroup();
    void createRefusesBadRequests_data();
    void createRefusesBadRequests();
    void concurrentCreatesGetDistinctLogins();
    void updateChangesOnePassword_data();
    void updateChangesOnePassword();
    void updateRefusesBadRequests_data();
    void updateRefusesBadRequests();
    void otherPathsAreNotServed();

private:
    static QJsonObject demoRequest(const QString &master, const QString &investor);
    QJsonObject loginWith(qint64 login, const QString &password);

    std::unique_ptr<DemoServerProcess> m_server;
    DemoServerHttp m_http;
};

void TestDemoServerAccounts::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    m_server = std::make_unique<DemoServerProcess>();
    QVERIFY(m_server->start());
}

void TestDemoServerAccounts::cleanupTestCase()
{
    QCOMPARE(m_server->stop(), 0);
}

QJsonObject TestDemoServerAccounts::demoRequest(const QString &master, const QString &investor)
{
    // As the open-demo dialog sends it.
    return QJsonObject{{"name", "Ada Lovelace"},
                       {"email", "ada@example.com"},
                       {"phone", "+44 20 7946 0000"},
                       {"leverage", 200},
                       {"master_password", master},
                       {"investor_password", investor},
                       {"amount", 25000},
                       {"group", "demo"},
                       {"manager_login", 1000}};
}

QJsonObject TestDemoServerAccounts::loginWith(qint64 login, const QString &password)
{
    DemoServerClient client;
    if (!client.open(m_server->tradeUrl()))
        return QJsonObject();
    QJsonObject answer = client.login(login, password);
    if (answer.value("state").toInt() == 1)
        answer.insert("balance", client.take(4).value("balance"));
    return answer;
}

void TestDemoServerAccounts::createOpensADemoAccount()
{
    const DemoServerHttp::Reply reply =
        m_http.post(m_server->accountUrl("/account/create"), demoRequest("Ab3dE", "xY7zQ"));
    QCOMPARE(reply.status, 200);
    const QJsonObject answer = reply.json().object();
    QVERIFY(answer.value("login").isDouble());
    const qint64 login = answer.value("login").toVariant().toLongLong();
    QVERIFY(login > 0);
    QCOMPARE(answer.value("master_password").toString(), QStringLiteral("Ab3dE"));
    QCOMPARE(answer.value("investor_password").toString(), QStringLiteral("xY7zQ"));

    const QJsonObject master = loginWith(login, "Ab3dE");
    QCOMPARE(master.value("state").toInt(), 1);
    QCOMPARE(master.value("is_investor_password").toBool(), false);
    QCOMPARE(master.value("group").toString(), QStringLiteral("demo"));
    QCOMPARE(master.value("name").toString(), QStringLiteral("Ada Lovelace"));
    QCOMPARE(master.value("leverage").toInt(), 200);
    QCOMPARE(master.value("balance").toDouble(), 25000.0);
    QCOMPARE(loginWith(login, "xY7zQ").value("is_investor_password").toBool(), true);
}

void TestDemoServerAccounts::createAlwaysUsesTheDemoGroup()
{
    QJsonObject request = demoRequest("pass1", "pass2");
    request.insert("group", "demo-no-trading");
    const DemoServerHttp::Reply reply = m_http.post(m_server->accountUrl("/account/create"), request);
    QCOMPARE(reply.status, 200);
    QCOMPARE(loginWith(reply.json().object().value("login").toVariant().toLongLong(), "pass1")
                 .value("group")
                 .toString(),
             QStringLiteral("demo"));
}

void TestDemoServerAccounts::createRefusesBadRequests_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("malformed JSON") << QByteArray(R"({"master_password": "a", )");
    QTest::newRow("JSON array") << QByteArray(R"([1, 2])");
    QTest::newRow("empty body") << QByteArray();
    QTest::newRow("no main password") << QByteArray(R"({"investor_password": "b", "amount": 100})");
    QTest::newRow("empty investor password")
        << QByteArray(R"({"master_password": "a", "investor_password": ""})");
    QTest::newRow("password as number")
        << QByteArray(R"({"master_password": 12345, "investor_password": "b"})");
    QTest::newRow("password too long")
        << (QByteArray(R"({"investor_password": "b", "master_password": ")") + QByteArray(65, 'x') + "\"}");
    QTest::newRow("control character in password")
        << QByteArray("{\"master_password\": \"a\\u0001b\", \"investor_password\": \"b\"}");
    QTest::newRow("leverage zero") << QByteArray(
        R"({"master_password": "a", "investor_password": "b", "leverage": 0})");
    QTest::newRow("leverage as object")
        << QByteArray(R"({"master_password": "a", "investor_password": "b", "leverage": {}})");
    QTest::newRow("negative deposit")
        << QByteArray(R"({"master_password": "a", "investor_password": "b", "amount": -100})");
    QTest::newRow("deposit as text") << QByteArray(
        R"({"master_password": "a", "investor_password": "b", "amount": "25000 USD"})");
    QTest::newRow("absurd deposit") << QByteArray(
        R"({"master_password": "a", "investor_password": "b", "amount": 1e300})");
    QTest::newRow("name as number") << QByteArray(
        R"({"master_password": "a", "investor_password": "b", "name": 7})");
}

void TestDemoServerAccounts::createRefusesBadRequests()
{
    QFETCH(QByteArray, body);
    const DemoServerHttp::Reply reply = m_http.post(m_server->accountUrl("/account/create"), body);
    QCOMPARE(reply.status, 400);
    QVERIFY(reply.json().object().value("error").isString());
    // The service is still there.
    QCOMPARE(m_http.post(m_server->accountUrl("/account/create"), demoRequest("ok1", "ok2")).status, 200);
}

void TestDemoServerAccounts::concurrentCreatesGetDistinctLogins()
{
    QNetworkAccessManager manager;
    QList<QNetworkReply *> replies;
    for (int i = 0; i < 12; ++i) {
        QNetworkRequest request(m_server->accountUrl("/account/create"));
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        replies.append(manager.post(
            request, QJsonDocument(demoRequest(QStringLiteral("m%1").arg(i), QStringLiteral("i%1").arg(i)))
                         .toJson(QJsonDocument::Compact)));
    }
    QSet<qint64> logins;
    for (QNetworkReply *reply : replies) {
        QTRY_VERIFY_WITH_TIMEOUT(reply->isFinished(), 20000);
        QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
        logins.insert(
            QJsonDocument::fromJson(reply->readAll()).object().value("login").toVariant().toLongLong());
        reply->deleteLater();
    }
    QCOMPARE(logins.size(), 12);
}

void TestDemoServerAccounts::updateChangesOnePassword_data()
{
    QTest::addColumn<QString>("key");
    QTest::newRow("main password") << "master_password";
    QTest::newRow("read-only password") << "investor_password";
}

void TestDemoServerAccounts::updateChangesOnePassword()
{
    QFETCH(QString, key);
    const DemoServerHttp::Reply created =
        m_http.post(m_server->accountUrl("/account/create"), demoRequest("oldM1", "oldI1"));
    QCOMPARE(created.status, 200);
    const qint64 login = created.json().object().value("login").toVariant().toLongLong();
    // The change-password dialog writes the indented layout.
    const QJsonObject body{{key, "newPw9"}, {"dealer", login}, {"manager_login", 1000}};
    const DemoServerHttp::Reply changed = m_http.post(m_server->accountUrl("/account/update"),
                                                      QJsonDocument(body).toJson(QJsonDocument::Indented));
    QCOMPARE(changed.status, 200);
    const bool main = key == QLatin1String("master_password");
    QCOMPARE(loginWith(login, main ? "oldM1" : "oldI1").value("state").toInt(), 0);
    const QJsonObject fresh = loginWith(login, "newPw9");
    QCOMPARE(fresh.value("state").toInt(), 1);
    QCOMPARE(fresh.value("is_investor_password").toBool(), !main);
    // The other password is untouched.
    QCOMPARE(loginWith(login, main ? "oldI1" : "oldM1").value("state").toInt(), 1);
}

void TestDemoServerAccounts::updateRefusesBadRequests_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    QTest::newRow("unknown dealer")
        << QByteArray(R"({"master_password": "x1", "dealer": 987654, "manager_login": 1000})") << 404;
    QTest::newRow("no password") << QByteArray(R"({"dealer": 50001, "manager_login": 1000})") << 400;
    QTest::newRow("empty password") << QByteArray(R"({"master_password": "", "dealer": 50001})") << 400;
    QTest::newRow("dealer as words") << QByteArray(R"({"master_password": "x1", "dealer": "me"})") << 400;
    QTest::newRow("no dealer") << QByteArray(R"({"master_password": "x1"})") << 400;
    QTest::newRow("malformed JSON") << QByteArray(R"({"dealer": )") << 400;
    QTest::newRow("JSON string") << QByteArray(R"("hello")") << 400;
}

void TestDemoServerAccounts::updateRefusesBadRequests()
{
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    const DemoServerHttp::Reply reply = m_http.post(m_server->accountUrl("/account/update"), body);
    QCOMPARE(reply.status, status);
    QVERIFY(reply.json().object().value("error").isString());
    QCOMPARE(loginWith(50001, "Master1").value("state").toInt(), 1);
}

void TestDemoServerAccounts::otherPathsAreNotServed()
{
    QCOMPARE(m_http.get(m_server->accountUrl("/account/create")).status, 404);
    QCOMPARE(m_http.post(m_server->accountUrl("/account/delete"), QByteArray("{}")).status, 404);
    QCOMPARE(m_http.get(m_server->accountUrl("/brokers")).status, 404);
}

QTEST_GUILESS_MAIN(TestDemoServerAccounts)
#include "TestDemoServerAccounts.moc"
