#include "chart/MyDateTimeTicker.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QtTest>

namespace {
// Reaches the three overridden steps the way the axis does, without a plot.
class Probe : public MyDateTimeTicker
{
public:
    using MyDateTimeTicker::createTickVector;
    using MyDateTimeTicker::getTickLabel;
    using MyDateTimeTicker::getTickStep;
};

struct Generated
{
    QVector<double> ticks;
    QVector<QString> labels;
};

Generated generate(MyDateTimeTicker &ticker, double lower, double upper)
{
    Generated g;
    ticker.generate(QCPRange(lower, upper), QLocale::c(), 'g', 6, g.ticks, nullptr, &g.labels);
    return g;
}

// Bar times one minute apart from a local date-time, so labels do not depend
// on the machine's time zone.
void fill(MyDateTimeTicker &ticker, int bars, const QDateTime &first)
{
    for (int i = 0; i < bars; ++i)
        ticker.appendTime(double(first.toSecsSinceEpoch() + 60 * i));
}
} // namespace

class TestDateTimeTicker : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void construction();
    void tickStep_data();
    void tickStep();
    void ticksFromFirstVisibleBar_data();
    void ticksFromFirstVisibleBar();
    void labels();
    void noTimesNoTicks();
    void degenerateRangesStayBounded_data();
    void degenerateRangesStayBounded();
};

void TestDateTimeTicker::construction()
{
    MyDateTimeTicker ticker;
    QCOMPARE(ticker.tickCount(), 5);
    QCOMPARE(ticker.format(), QString("hh:mm:ss\ndd.MM.yy"));
    QVERIFY(ticker.times().isEmpty());
}

void TestDateTimeTicker::tickStep_data()
{
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::addColumn<double>("step");
    QTest::newRow("125 bars step 30") << 175.0 << 300.0 << 30.0;
    QTest::newRow("5 bars step 1") << 0.0 << 5.0 << 1.0;
    QTest::newRow("below one bar: cleaned mantissa") << 0.0 << 2.0 << 0.5;
    QTest::newRow("between list entries, nearer the lower") << 0.0 << 5000.0 << 720.0;
    QTest::newRow("between list entries, nearer the upper") << 0.0 << 6000.0 << 1440.0;
    QTest::newRow("beyond the list") << 0.0 << 5e6 << 43830.0;
    QTest::newRow("years of minutes") << 0.0 << 2e7 << 5259600.0;
}

void TestDateTimeTicker::tickStep()
{
    QFETCH(double, lower);
    QFETCH(double, upper);
    Probe ticker;
    QTEST(ticker.getTickStep(QCPRange(lower, upper)), "step");
}

void TestDateTimeTicker::ticksFromFirstVisibleBar_data()
{
    QTest::addColumn<int>("bars");
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::addColumn<QVector<double>>("ticks");
    QTest::newRow("300 bars, newest 125 in view")
        << 300 << 175.0 << 300.0 << QVector<double>{175, 205, 235, 265, 295, 325};
    QTest::newRow("fractional lower bound is truncated")
        << 300 << 175.7 << 300.0 << QVector<double>{175, 205, 235, 265, 295, 325};
    QTest::newRow("view left of the first bar starts at 0")
        << 100 << -20.0 << 30.0 << QVector<double>{0, 10, 20, 30, 40};
    QTest::newRow("view past the newest bar ends within a step of it")
        << 50 << 0.0 << 250.0 << QVector<double>{0, 60};
}

void TestDateTimeTicker::ticksFromFirstVisibleBar()
{
    QFETCH(int, bars);
    QFETCH(double, lower);
    QFETCH(double, upper);
    Probe ticker;
    fill(ticker, bars, QDateTime(QDate(2024, 3, 5), QTime(9, 0)));
    const QCPRange range(lower, upper);
    QTEST(ticker.createTickVector(ticker.getTickStep(range), range), "ticks");
}

void TestDateTimeTicker::labels()
{
    Probe ticker;
    ticker.setFormat("dd MMM HH:mm");
    const QDateTime first(QDate(2024, 3, 5), QTime(12, 0));
    fill(ticker, 300, first);
    QCOMPARE(ticker.getTickLabel(175, QLocale::c(), 'g', 6), QString("05 Mar 14:55"));
    QCOMPARE(ticker.getTickLabel(175.9, QLocale::c(), 'g', 6), QString("05 Mar 14:55"));
    QCOMPARE(ticker.getTickLabel(299, QLocale::c(), 'g', 6),
             first.addSecs(299 * 60).toString("dd MMM HH:mm"));
    QCOMPARE(ticker.getTickLabel(300, QLocale::c(), 'g', 6), QString()); // no such bar
    QCOMPARE(ticker.getTickLabel(325, QLocale::c(), 'g', 6), QString());

    // Through the axis: the library drops ticks outside the view before labelling.
    const Generated g = generate(ticker, 175, 300);
    QCOMPARE(g.ticks, (QVector<double>{175, 205, 235, 265, 295}));
    QCOMPARE(g.labels.size(), 5);
    QCOMPARE(g.labels.at(4), first.addSecs(295 * 60).toString("dd MMM HH:mm"));

    MyDateTimeTicker plain;
    fill(plain, 300, QDateTime(QDate(2024, 3, 5), QTime(14, 30)));
    QCOMPARE(generate(plain, 0, 100).labels.first(), QString("14:30:00\n05.03.24"));
}

void TestDateTimeTicker::noTimesNoTicks()
{
    MyDateTimeTicker ticker;
    const Generated g = generate(ticker, 0, 125);
    QVERIFY(g.ticks.isEmpty());
    QVERIFY(g.labels.isEmpty());
}

void TestDateTimeTicker::degenerateRangesStayBounded_data()
{
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::newRow("empty range") << 100.5 << 100.5;
    QTest::newRow("deep zoom inside one bar") << 100.5 << 100.5000001;
    QTest::newRow("view far past the data") << 1e12 << 1e12 + 125;
}

void TestDateTimeTicker::degenerateRangesStayBounded()
{
    QFETCH(double, lower);
    QFETCH(double, upper);
    MyDateTimeTicker ticker;
    fill(ticker, 300, QDateTime(QDate(2024, 3, 5), QTime(9, 0)));
    QElapsedTimer timer;
    timer.start();
    const Generated g = generate(ticker, lower, upper);
    QVERIFY(timer.elapsed() < 2000);
    QVERIFY(g.ticks.size() <= 10001);
    QCOMPARE(g.labels.size(), g.ticks.size());
}

QTEST_GUILESS_MAIN(TestDateTimeTicker)
#include "TestDateTimeTicker.moc"
