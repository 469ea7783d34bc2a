#include "tests/DemoServerClient.h"
#include "tests/DemoServerProcess.h"

#include <QDateTime>
#include <QJsonArray>
#include <QStandardPaths>
#include <QtTest>
#include <memory>

// Chart history (code 3): bars of every timeframe drawn from one price path.
class TestDemoServerHistory : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void timeframesAgree_data();
    void timeframesAgree();
    void barsAreAlignedAscendingAndContinuous_data();
    void barsAreAlignedAscendingAndContinuous();
    void fromAndToAreHonoured();
    void answersAreCapped();
    void newestBarFormsAtTheCurrentPrice();
    void liveTicksStayInsideTheirMinuteBars();
    void theSeedFixesThePath();

private:
    struct Bar
    {
        qint64 time = 0;
        double open = 0, high = 0, low = 0, close = 0;
        bool operator==(const Bar &o) const
        {
            return time == o.time && open == o.open && high == o.high && low == o.low && close == o.close;
        }
    };
    static QVector<Bar> history(DemoServerClient &client, const QString &symbol, int interval, qint64 from,
                                qint64 to, QJsonObject *answer = nullptr);
    static qint64 bucketOf(qint64 time, int interval);
    static qint64 nextBucket(qint64 start, int interval);

    std::unique_ptr<DemoServerProcess> m_server;
    std::unique_ptr<DemoServerClient> m_client;
};

void TestDemoServerHistory::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    m_server = std::make_unique<DemoServerProcess>();
    QVERIFY(m_server->start());
    m_client = std::make_unique<DemoServerClient>();
    QVERIFY(m_client->open(m_server->tradeUrl()));
    QCOMPARE(m_client->login(50001, QStringLiteral("Master1")).value("state").toInt(), 1);
    m_client->setKeepPrices(false);
}

void TestDemoServerHistory::cleanupTestCase()
{
    m_client.reset();
    QCOMPARE(m_server->stop(), 0);
}

QVector<TestDemoServerHistory::Bar> TestDemoServerHistory::history(DemoServerClient &client,
                                                                   const QString &symbol, int interval,
                                                                   qint64 from, qint64 to,
                                                                   QJsonObject *answer)
{
    const QJsonObject reply = client.request(QJsonObject{{"req_code", 3},
                                                         {"symbol", symbol},
                                                         {"interval", interval},
                                                         {"from", from},
                                                         {"to", to},
                                                         {"login", 50001}},
                                             3, 20000);
    if (answer)
        *answer = reply;
    QVector<Bar> bars;
    for (const QJsonValue &v : reply.value("array").toArray()) {
        const QJsonObject o = v.toObject();
        bars.append({o.value("datetime").toVariant().toLongLong(), o.value("open").toDouble(),
                     o.value("high").toDouble(), o.value("low").toDouble(), o.value("close").toDouble()});
    }
    return bars;
}

qint64 TestDemoServerHistory::bucketOf(qint64 time, int interval)
{
    if (interval == 40000) {
        const QDate d = QDateTime::fromSecsSinceEpoch(time, Qt::UTC).date();
        return QDateTime(QDate(d.year(), d.month(), 1), QTime(0, 0), Qt::UTC).toSecsSinceEpoch();
    }
    const qint64 length = interval * 60LL;
    return time - ((time % length) + length) % length;
}

qint64 TestDemoServerHistory::nextBucket(qint64 start, int interval)
{
    if (interval == 40000)
        return QDateTime::fromSecsSinceEpoch(start, Qt::UTC).addMonths(1).toSecsSinceEpoch();
    return start + interval * 60LL;
}

void TestDemoServerHistory::timeframesAgree_data()
{
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<int>("small");
    QTest::addColumn<int>("large");
    QTest::addColumn<int>("largeBars");
    QTest::newRow("M1 into M5") << "EURUSD" << 1 << 5 << 120;
    QTest::newRow("M1 into H1") << "GBPUSD" << 1 << 60 << 40;
    QTest::newRow("M5 into M15") << "USDJPY" << 5 << 15 << 100;
    QTest::newRow("M15 into M30") << "XAUUSD" << 15 << 30 << 100;
    QTest::newRow("M30 into H1") << "US500" << 30 << 60 << 100;
    QTest::newRow("H1 into H4") << "EURUSD" << 60 << 240 << 120;
    QTest::newRow("H4 into D1") << "AUDJPY" << 240 << 1440 << 100;
    QTest::newRow("D1 into W1") << "EURGBP" << 1440 << 10080 << 120;
    QTest::newRow("D1 into MN") << "EURUSD" << 1440 << 40000 << 30;
}

void TestDemoServerHistory::timeframesAgree()
{
    QFETCH(QString, symbol);
    QFETCH(int, small);
    QFETCH(int, large);
    QFETCH(int, largeBars);
    // Complete bars only: the forming one moves between the two requests.
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const qint64 to = bucketOf(now, large) - 1;
    qint64 from = bucketOf(now, large);
    for (int i = 0; i < largeBars; ++i)
        from = bucketOf(from - 1, large);

    const QVector<Bar> larger = history(*m_client, symbol, large, from, to);
    const QVector<Bar> smaller = history(*m_client, symbol, small, from, to);
    QCOMPARE(larger.size(), largeBars);
    QVector<Bar> built;
    for (const Bar &b : smaller) {
        const qint64 bucket = bucketOf(b.time, large);
        if (built.isEmpty() || built.last().time != bucket) {
            built.append({bucket, b.open, b.high, b.low, b.close});
        } else {
            Bar &last = built.last();
            last.high = qMax(last.high, b.high);
            last.low = qMin(last.low, b.low);
            last.close = b.close;
        }
    }
    QCOMPARE(built.size(), larger.size());
    for (int i = 0; i < built.size(); ++i)
        QVERIFY2(built[i] == larger[i],
                 qPrintable(QStringLiteral("bar at %1: %2/%3/%4/%5 built, %6/%7/%8/%9 answered")
                                .arg(larger[i].time)
                                .arg(built[i].open)
                                .arg(built[i].high)
                                .arg(built[i].low)
                                .arg(built[i].close)
                                .arg(larger[i].open)
                                .arg(larger[i].high)
                                .arg(larger[i].low)
                                .arg(larger[i].close)));
}

void TestDemoServerHistory::barsAreAlignedAscendingAndContinuous_data()
{
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<int>("interval");
    for (int interval : {1, 5, 15, 30, 60, 240, 1440, 10080, 40000})
        QTest::newRow(qPrintable(QStringLiteral("EURUSD %1").arg(interval))) << "EURUSD" << interval;
    QTest::newRow("JP225 60, a closed market") << "JP225" << 60;
    QTest::newRow("XAGUSD 1440") << "XAGUSD" << 1440;
}

void TestDemoServerHistory::barsAreAlignedAscendingAndContinuous()
{
    QFETCH(QString, symbol);
    QFETCH(int, interval);
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const qint64 from = interval == 40000 ? 0 : now - interval * 60LL * 400;
    QJsonObject answer;
    const QVector<Bar> bars = history(*m_client, symbol, interval, from, -1, &answer);
    QCOMPARE(answer.value("symbol").toString(), symbol);
    QCOMPARE(answer.value("interval").toInt(), interval);
    QVERIFY(bars.size() > 20);
    for (int i = 0; i < bars.size(); ++i) {
        const Bar &b = bars[i];
        QCOMPARE(bucketOf(b.time, interval), b.time);
        QVERIFY(b.low > 0);
        QVERIFY(b.low <= qMin(b.open, b.close));
        QVERIFY(b.high >= qMax(b.open, b.close));
        if (i > 0) {
            // No gaps, and each bar opens where the one before closed.
            QCOMPARE(b.time, nextBucket(bars[i - 1].time, interval));
            QCOMPARE(b.open, bars[i - 1].close);
        }
    }
    // The newest bar is the one forming now.
    QCOMPARE(bars.last().time, bucketOf(QDateTime::currentSecsSinceEpoch(), interval));
}

void TestDemoServerHistory::fromAndToAreHonoured()
{
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const qint64 from = now - 86400 * 2 + 123; // not on a bar boundary
    const qint64 to = now - 86400 + 77;
    const QVector<Bar> bars = history(*m_client, "EURUSD", 15, from, to);
    QVERIFY(!bars.isEmpty());
    QCOMPARE(bars.first().time, bucketOf(from, 15) + 900);
    QCOMPARE(bars.last().time, bucketOf(to, 15));
    for (const Bar &b : bars)
        QVERIFY(b.time >= from && b.time <= to);

    QVERIFY(history(*m_client, "EURUSD", 15, to, from).isEmpty());
    // A bar's own opening time as "from" includes that bar: how a chart asks for what it lacks.
    const qint64 held = bucketOf(now, 60) - 3 * 3600;
    const QVector<Bar> update = history(*m_client, "EURUSD", 60, held, -1);
    QCOMPARE(update.first().time, held);
    QCOMPARE(update.size(), 4);
}

void TestDemoServerHistory::answersAreCapped()
{
    const QVector<Bar> minutes = history(*m_client, "EURUSD", 1, 0, -1);
    QCOMPARE(minutes.size(), 3000);
    QCOMPARE(minutes.last().time, bucketOf(QDateTime::currentSecsSinceEpoch(), 1));
    // The monthly chart asks from 0 and gets every month since the first day of prices.
    const QVector<Bar> months = history(*m_client, "EURUSD", 40000, 0, -1);
    QCOMPARE(months.first().time, QDateTime(QDate(2015, 1, 1), QTime(0, 0), Qt::UTC).toSecsSinceEpoch());
    QVERIFY(months.size() > 100 && months.size() < 3000);
    // About 2000 bars back, as a chart first asks.
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const QVector<Bar> hours = history(*m_client, "EURUSD", 60, now - 60 * 120000, -1);
    QVERIFY(hours.size() >= 1999 && hours.size() <= 2001);
}

void TestDemoServerHistory::newestBarFormsAtTheCurrentPrice()
{
    DemoServerClient client;
    QVERIFY(client.open(m_server->tradeUrl()));
    QCOMPARE(client.login(50001, QStringLiteral("Master1")).value("state").toInt(), 1);
    for (int interval : {1, 60, 1440}) {
        client.clear();
        QVERIFY(!client.peek(2, 5000, [](const QJsonObject &m) { return m.value("symbol") == "EURGBP"; })
                     .isEmpty());
        client.send(QJsonObject{
            {"req_code", 3}, {"symbol", "EURGBP"}, {"interval", interval}, {"from", 0}, {"to", -1}});
        const QJsonObject answer = client.peek(3, 10000);
        QVERIFY(!answer.isEmpty());
        // The last EURGBP price that arrived before the answer is the price the answer was built at.
        QJsonObject tick;
        for (const QJsonObject &m : client.messages()) {
            if (DemoServerClient::codeOf(m) == 3)
                break;
            if (DemoServerClient::codeOf(m) == 2 && m.value("symbol") == "EURGBP")
                tick = m;
        }
        const QJsonObject newest = answer.value("array").toArray().last().toObject();
        QCOMPARE(newest.value("close").toDouble(), tick.value("bid").toDouble());
        QVERIFY(newest.value("high").toDouble() >= tick.value("bid").toDouble());
        QVERIFY(newest.value("low").toDouble() <= tick.value("bid").toDouble());
        if (interval == 1440) {
            // The day's high and low of the price pushes are the forming daily bar's.
            QCOMPARE(newest.value("high").toDouble(), tick.value("bid_high").toDouble());
            QCOMPARE(newest.value("low").toDouble(), tick.value("bid_low").toDouble());
        }
    }
}

void TestDemoServerHistory::liveTicksStayInsideTheirMinuteBars()
{
    DemoServerClient client;
    QVERIFY(client.open(m_server->tradeUrl()));
    QCOMPARE(client.login(50001, QStringLiteral("Master1")).value("state").toInt(), 1);
    client.clear();
    QTest::qWait(2500);
    QList<QJsonObject> ticks;
    for (const QJsonObject &m : client.messages())
        if (DemoServerClient::codeOf(m) == 2 && m.value("symbol") == "GBPJPY")
            ticks.append(m);
    QVERIFY(ticks.size() >= 5);
    const QVector<Bar> bars =
        history(client, "GBPJPY", 1, ticks.first().value("timestamp").toVariant().toLongLong() - 60, -1);
    QHash<qint64, Bar> byTime;
    for (const Bar &b : bars)
        byTime.insert(b.time, b);
    for (const QJsonObject &t : ticks) {
        const qint64 minute = bucketOf(t.value("timestamp").toVariant().toLongLong(), 1);
        QVERIFY(byTime.contains(minute));
        const double bid = t.value("bid").toDouble();
        QVERIFY2(bid >= byTime[minute].low && bid <= byTime[minute].high,
                 qPrintable(QStringLiteral("%1 outside %2..%3")
                                .arg(bid)
                                .arg(byTime[minute].low)
                                .arg(byTime[minute].high)));
    }
}

void TestDemoServerHistory::theSeedFixesThePath()
{
    // The same seed gives the same past on another server; another seed gives another one.
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const qint64 from = bucketOf(now, 1440) - 10 * 86400;
    const qint64 to = bucketOf(now, 1440) - 3 * 86400;
    QMap<QString, QVector<Bar>> paths;
    for (const QString &seed : {QStringLiteral("7"), QStringLiteral("7"), QStringLiteral("8")}) {
        DemoServerProcess server;
        QVERIFY(server.start({"--seed", seed}));
        DemoServerClient client;
        QVERIFY(client.open(server.tradeUrl()));
        QCOMPARE(client.login(50001, QStringLiteral("Master1")).value("state").toInt(), 1);
        const QVector<Bar> bars = history(client, "EURUSD", 60, from, to);
        QVERIFY(bars.size() > 100);
        if (paths.contains(seed))
            QVERIFY(paths.value(seed) == bars);
        paths.insert(seed, bars);
    }
    QVERIFY(!(paths.value("7") == paths.value("8")));
}

QTEST_GUILESS_MAIN(TestDemoServerHistory)
#include "TestDemoServerHistory.moc"
