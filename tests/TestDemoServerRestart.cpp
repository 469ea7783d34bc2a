#include "tests/DemoServerClient.h"
#include "tests/DemoServerControl.h"
#include "tests/DemoServerProcess.h"

#include <QJsonArray>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

// A server killed (SIGKILL) while answering a stream of trade requests and started again on the
// same database has kept everything it confirmed.
class TestDemoServerRestart : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void confirmedOpeningsSurviveAKill();
    void confirmedClosesSurviveAKill();
    void ticketsAreNotReusedAfterARestart();

private:
    bool restart();
    std::unique_ptr<DemoServerClient> session();
    void refresh(DemoServerClient &client, QJsonObject &positions, QJsonArray &orders);
    // Streams the requests with a window of them in flight and kills the server once
    // `confirmations` answers have come, while it is still working on the next ones.
    QList<QJsonObject> sendAndKill(const QList<QJsonObject> &requests, int confirmations);

    QTemporaryDir m_dir;
    std::unique_ptr<DemoServerProcess> m_server;
    DemoServerControl::Account m_account;
    QSet<qint64> m_open;    // confirmed open positions
    QSet<qint64> m_pending; // confirmed placed orders
};

void TestDemoServerRestart::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(restart());
    DemoServerControl control(*m_server);
    m_account = control.createAccount(100000, 100);
    QVERIFY(m_account.login);
}

bool TestDemoServerRestart::restart()
{
    m_server = std::make_unique<DemoServerProcess>(m_dir.filePath("kept.sqlite"));
    return m_server->start();
}

std::unique_ptr<DemoServerClient> TestDemoServerRestart::session()
{
    auto client = std::make_unique<DemoServerClient>();
    client->setKeepPrices(false);
    if (!client->open(m_server->tradeUrl()) ||
        client->login(m_account.login, m_account.master).value("state").toInt() != 1)
        return nullptr;
    return client;
}

void TestDemoServerRestart::refresh(DemoServerClient &client, QJsonObject &positions, QJsonArray &orders)
{
    client.discard(4);
    client.discard(6);
    client.send(QJsonObject{{"req_code", 4}, {"type", 5}, {"login", m_account.login}});
    positions = client.take(4);
    orders = client.take(6).value("array").toArray();
}

QList<QJsonObject> TestDemoServerRestart::sendAndKill(const QList<QJsonObject> &requests, int confirmations)
{
    auto client = session();
    if (!client)
        return {};
    int sent = 0;
    auto sendNext = [&] {
        if (sent >= requests.size())
            return;
        QJsonObject request = requests[sent++];
        request.insert("req_code", 4);
        request.insert("login", m_account.login);
        client->send(request);
    };
    for (int i = 0; i < 40; ++i)
        sendNext();
    QList<QJsonObject> answers;
    connect(client.get(), &DemoServerClient::received, this, [&](const QJsonObject &m) {
        if (DemoServerClient::codeOf(m) != 7 || !m_server->isRunning())
            return;
        answers.append(m);
        if (answers.size() == confirmations)
            m_server->kill();
        else
            sendNext();
    });
    (void)QTest::qWaitFor([&] { return !m_server->isRunning(); }, 60000);
    client->disconnect(this);
    return answers;
}

void TestDemoServerRestart::confirmedOpeningsSurviveAKill()
{
    QList<QJsonObject> requests;
    for (int i = 0; i < 400; ++i) {
        if (i % 3 == 2)
            requests.append({{"type", 0},
                             {"order_type", 2},
                             {"symbol", "EURUSD"},
                             {"volume", 100 * (i % 20 + 1)},
                             {"price", 0.5},
                             {"t_time", 0}});
        else
            requests.append({{"type", 0},
                             {"order_type", i % 2},
                             {"symbol", i % 4 ? "EURUSD" : "USDJPY"},
                             {"volume", 100 * (i % 20 + 1)}});
    }
    const QList<QJsonObject> answers = sendAndKill(requests, 250);
    QVERIFY2(answers.size() >= 250, qPrintable(QString::number(answers.size())));
    for (const QJsonObject &a : answers) {
        QCOMPARE(a.value("status").toInt(), 10009);
        (a.value("order_type").toInt() >= 2 ? m_pending : m_open)
            .insert(a.value("order").toVariant().toLongLong());
    }

    QVERIFY(restart());
    auto client = session();
    QVERIFY(client);
    QJsonObject positions;
    QJsonArray orders;
    refresh(*client, positions, orders);
    QSet<qint64> openNow, placedNow;
    for (const QJsonValue &p : positions.value("array").toArray())
        openNow.insert(p.toObject().value("ticket").toVariant().toLongLong());
    for (const QJsonValue &o : orders)
        placedNow.insert(o.toObject().value("ticket").toVariant().toLongLong());
    qInfo() << "confirmed" << answers.size() << "stored" << openNow.size() + placedNow.size();
    QVERIFY(openNow.contains(m_open));
    QVERIFY(placedNow.contains(m_pending));
    // Whatever else was written is whole: each position has its opening deal.
    const QJsonObject record =
        client->request(QJsonObject{{"req_code", 5}, {"from", 0}, {"to", -1}, {"login", m_account.login}}, 5);
    int openingDeals = 0;
    for (const QJsonValue &d : record.value("deals").toArray())
        openingDeals += d.toObject().value("type").toInt() <= 1;
    QCOMPARE(openingDeals, openNow.size());
    QCOMPARE(positions.value("balance").toDouble(), 100000.0);
    m_open = openNow;
    m_pending = placedNow;
}

void TestDemoServerRestart::confirmedClosesSurviveAKill()
{
    QVERIFY(!m_open.isEmpty());
    QList<QJsonObject> requests;
    for (qint64 ticket : qAsConst(m_open))
        requests.append({{"type", 4}, {"order_id", ticket}});
    for (qint64 ticket : qAsConst(m_pending))
        requests.append({{"type", 3}, {"order_id", ticket}});
    const int confirmations = (requests.size() * 2) / 3;
    const QList<QJsonObject> answers = sendAndKill(requests, confirmations);
    QVERIFY(answers.size() >= confirmations);
    QSet<qint64> closed, deleted;
    for (const QJsonObject &a : answers) {
        QCOMPARE(a.value("status").toInt(), 10009);
        (a.value("type").toInt() == 4 ? closed : deleted).insert(a.value("order").toVariant().toLongLong());
    }

    QVERIFY(restart());
    auto client = session();
    QVERIFY(client);
    QJsonObject positions;
    QJsonArray orders;
    refresh(*client, positions, orders);
    for (const QJsonValue &p : positions.value("array").toArray())
        QVERIFY(!closed.contains(p.toObject().value("ticket").toVariant().toLongLong()));
    for (const QJsonValue &o : orders)
        QVERIFY(!deleted.contains(o.toObject().value("ticket").toVariant().toLongLong()));
    const QJsonObject record =
        client->request(QJsonObject{{"req_code", 5}, {"from", 0}, {"to", -1}, {"login", m_account.login}}, 5);
    QSet<qint64> closedInHistory;
    for (const QJsonValue &p : record.value("positions").toArray())
        closedInHistory.insert(p.toObject().value("ticket").toVariant().toLongLong());
    QVERIFY(closedInHistory.contains(closed));
    // The balance is the sum of its deals: no close was booked half.
    double sum = 0.0;
    for (const QJsonValue &d : record.value("deals").toArray())
        sum += d.toObject().value("profit").toDouble();
    QVERIFY2(qAbs(positions.value("balance").toDouble() - sum) < 0.005,
             qPrintable(QStringLiteral("%1 against %2").arg(positions.value("balance").toDouble()).arg(sum)));
}

void TestDemoServerRestart::ticketsAreNotReusedAfterARestart()
{
    auto client = session();
    QVERIFY(client);
    const QJsonObject record =
        client->request(QJsonObject{{"req_code", 5}, {"from", 0}, {"to", -1}, {"login", m_account.login}}, 5);
    qint64 highest = 0;
    for (const QString &list :
         {QStringLiteral("positions"), QStringLiteral("orders"), QStringLiteral("deals")})
        for (const QJsonValue &v : record.value(list).toArray())
            highest = qMax(highest, v.toObject().value("ticket").toVariant().toLongLong());
    const QJsonObject answer = client->request(QJsonObject{{"req_code", 4},
                                                           {"type", 0},
                                                           {"order_type", 0},
                                                           {"symbol", "EURUSD"},
                                                           {"volume", 100},
                                                           {"login", m_account.login}},
                                               7);
    QCOMPARE(answer.value("status").toInt(), 10009);
    QVERIFY(answer.value("order").toVariant().toLongLong() > highest);
    QCOMPARE(m_server->stop(), 0);
}

QTEST_GUILESS_MAIN(TestDemoServerRestart)
#include "TestDemoServerRestart.moc"
