// The market watch's cell rules, without a table.
#include "app/MarketWatchPanel.h"

#include <QtTest>

class TestMarketWatchCells : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void trendColour_data();
    void trendColour();
    void spreadPoints_data();
    void spreadPoints();
    void priceText_data();
    void priceText();
    void timeText_data();
    void timeText();
    void changeText_data();
    void changeText();
    void acceptedTicks_data();
    void acceptedTicks();
};

void TestMarketWatchCells::trendColour_data()
{
    QTest::addColumn<QString>("oldText");
    QTest::addColumn<QString>("newText");
    QTest::addColumn<QColor>("colour");
    const QColor blue(Qt::blue), red(Qt::red), black(Qt::black);
    QTest::newRow("bid up turns blue") << "1.10000"
                                       << "1.10010" << blue;
    QTest::newRow("same bid again turns black") << "1.10010"
                                                << "1.10010" << black;
    QTest::newRow("bid down turns red") << "1.10010"
                                        << "1.09990" << red;
    QTest::newRow("same value with other decimals is equal") << "1.1001"
                                                             << "1.10010" << black;
    QTest::newRow("first price over the zero of an empty row") << "0.00000"
                                                               << "1.08500" << blue;
    QTest::newRow("empty old text counts as zero") << ""
                                                   << "149.500" << blue;
    QTest::newRow("spread wider turns blue") << "12"
                                             << "13" << blue;
    QTest::newRow("spread narrower turns red") << "12"
                                               << "9" << red;
    QTest::newRow("spread unchanged turns black") << "12"
                                                  << "12" << black;
    QTest::newRow("numbers, not texts: 9 is below 10") << "10"
                                                       << "9" << red;
    QTest::newRow("negative spread rising") << "-3"
                                            << "-2" << blue;
}

void TestMarketWatchCells::trendColour()
{
    QFETCH(QString, oldText);
    QFETCH(QString, newText);
    QFETCH(QColor, colour);
    QCOMPARE(MarketWatchPanel::trendColour(oldText, newText), colour);
}

void TestMarketWatchCells::spreadPoints_data()
{
    QTest::addColumn<double>("bid");
    QTest::addColumn<double>("ask");
    QTest::addColumn<int>("digits");
    QTest::addColumn<qint64>("points");
    QTest::newRow("5 digits, 12 points") << 1.10000 << 1.10012 << 5 << qint64(12);
    QTest::newRow("3 digits, 14 points") << 149.500 << 149.514 << 3 << qint64(14);
    QTest::newRow("half a point rounds up") << 1.10000 << 1.100125 << 5 << qint64(13);
    QTest::newRow("just under a half rounds down") << 1.10000 << 1.1001249 << 5 << qint64(12);
    QTest::newRow("negative half rounds towards positive infinity") << 1.10000 << 1.099975 << 5 << qint64(-2);
    QTest::newRow("equal prices") << 1.2 << 1.2 << 5 << qint64(0);
    QTest::newRow("no digits") << 100.0 << 102.5 << 0 << qint64(3);
    QTest::newRow("gold, 2 digits") << 2034.10 << 2034.45 << 2 << qint64(35);
    QTest::newRow("empty tick") << 0.0 << 0.0 << 0 << qint64(0);
    QTest::newRow("absurd digits are bounded") << 1.0 << 1.0 << 400 << qint64(0);
}

void TestMarketWatchCells::spreadPoints()
{
    QFETCH(double, bid);
    QFETCH(double, ask);
    QFETCH(int, digits);
    QFETCH(qint64, points);
    QCOMPARE(MarketWatchPanel::spreadPoints(bid, ask, digits), points);
}

void TestMarketWatchCells::priceText_data()
{
    QTest::addColumn<double>("price");
    QTest::addColumn<int>("digits");
    QTest::addColumn<QString>("text");
    QTest::newRow("5 digits keep trailing zeros") << 1.1 << 5 << "1.10000";
    QTest::newRow("3 digits") << 149.5 << 3 << "149.500";
    QTest::newRow("no digits") << 101.6 << 0 << "102";
    QTest::newRow("fixed notation for large prices") << 68000000.0 << 2 << "68000000.00";
    QTest::newRow("negative digits read as none") << 1.5 << -1 << "2";
}

void TestMarketWatchCells::priceText()
{
    QFETCH(double, price);
    QFETCH(int, digits);
    QFETCH(QString, text);
    QCOMPARE(MarketWatchPanel::priceText(price, digits), text);
}

void TestMarketWatchCells::timeText_data()
{
    QTest::addColumn<qint64>("serverTime");
    QTest::addColumn<bool>("zoneKnown");
    QTest::addColumn<int>("offsetSeconds");
    QTest::addColumn<QString>("text");
    // 2023-11-14 22:13:20 UTC
    const qint64 t = 1700000000;
    QTest::newRow("server time 0") << qint64(0) << true << 7200 << "00:00:00";
    QTest::newRow("negative server time") << qint64(-5) << true << 7200 << "00:00:00";
    QTest::newRow("first second of the epoch") << qint64(1) << true << 0 << "00:00:01";
    QTest::newRow("UTC") << t << true << 0 << "22:13:20";
    QTest::newRow("server zone +02:00 crosses midnight") << t << true << 7200 << "00:13:20";
    QTest::newRow("server zone -05:30") << t << true << -19800 << "16:43:20";
    QTest::newRow("no zone known yet reads as UTC") << t << false << 0 << "22:13:20";
}

void TestMarketWatchCells::timeText()
{
    QFETCH(qint64, serverTime);
    QFETCH(bool, zoneKnown);
    QFETCH(int, offsetSeconds);
    QFETCH(QString, text);
    const QTimeZone zone = zoneKnown ? QTimeZone(offsetSeconds) : QTimeZone();
    QCOMPARE(MarketWatchPanel::timeText(serverTime, zone), text);
}

void TestMarketWatchCells::changeText_data()
{
    QTest::addColumn<double>("price");
    QTest::addColumn<double>("extreme");
    QTest::addColumn<QString>("text");
    QTest::newRow("ask below the high") << 1.0800 << 1.0854 << "-0.50%";
    QTest::newRow("bid above the low") << 1.0850 << 1.0800 << "0.46%";
    QTest::newRow("at the extreme") << 1.085 << 1.085 << "0.00%";
    QTest::newRow("price 0") << 0.0 << 1.2 << "0.00%";
    QTest::newRow("a tiny fall is not minus zero") << 1.10000 << 1.10001 << "0.00%";
    QTest::newRow("no extreme yet") << 2.0 << 0.0 << "100.00%";
}

void TestMarketWatchCells::changeText()
{
    QFETCH(double, price);
    QFETCH(double, extreme);
    QFETCH(QString, text);
    QCOMPARE(MarketWatchPanel::changeText(price, extreme), text);
}

void TestMarketWatchCells::acceptedTicks_data()
{
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<qint64>("timestamp");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("symbol and time") << "EURUSD" << qint64(1700000000) << true;
    QTest::newRow("no symbol") << "" << qint64(1700000000) << false;
    QTest::newRow("time 0") << "EURUSD" << qint64(0) << false;
}

void TestMarketWatchCells::acceptedTicks()
{
    QFETCH(QString, symbol);
    QFETCH(qint64, timestamp);
    QFETCH(bool, accepted);
    TickData tick;
    tick.symbol = symbol;
    tick.timestamp = timestamp;
    QCOMPARE(MarketWatchPanel::isAcceptedTick(tick), accepted);
}

QTEST_GUILESS_MAIN(TestMarketWatchCells)
#include "TestMarketWatchCells.moc"
