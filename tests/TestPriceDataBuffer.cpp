#include "data/PriceDataBuffer.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

TickData makeTick(const QString &symbol, double bid)
{
    TickData tick;
    tick.symbol = symbol;
    tick.bid = bid;
    tick.ask = bid + 0.0002;
    tick.digits = 5;
    return tick;
}

using Quotes = QList<QPair<QString, double>>;

QList<TickData> batchAt(const QSignalSpy &spy, int index)
{
    return spy.at(index).at(0).value<QList<TickData>>();
}

// Batch as symbol -> bid; a symbol repeated in a batch shows up as two entries.
using QuoteMap = QMultiMap<QString, double>;
QuoteMap quotesOf(const QList<TickData> &batch)
{
    QuoteMap quotes;
    for (const TickData &tick : batch)
        quotes.insert(tick.symbol, tick.bid);
    return quotes;
}

} // namespace

class TestPriceDataBuffer : public QObject
{
    Q_OBJECT
private slots:
    void oneBatchPerPeriod_data();
    void oneBatchPerPeriod();
    void quietPeriodsEmitNothing();
    void ticksWhileStoppedAreLost();
    void intervalWhileStoppedAppliesAtNextStart();
    void intervalWhileRunningRestarts();
    void ticksFromWorkerThread();
};

void TestPriceDataBuffer::oneBatchPerPeriod_data()
{
    QTest::addColumn<Quotes>("added");
    QTest::addColumn<Quotes>("expected");
    const QString eur = QStringLiteral("EURUSD");
    const QString gbp = QStringLiteral("GBPUSD");
    QTest::newRow("three ticks of one symbol keep the third")
        << Quotes{{eur, 1.1}, {eur, 1.2}, {eur, 1.3}} << Quotes{{eur, 1.3}};
    QTest::newRow("two symbols give one batch of two")
        << Quotes{{eur, 1.1}, {gbp, 1.25}} << Quotes{{eur, 1.1}, {gbp, 1.25}};
    QTest::newRow("empty symbol is dropped")
        << Quotes{{QString(), 9.9}, {eur, 1.1}, {QString(), 8.8}} << Quotes{{eur, 1.1}};
    QTest::newRow("interleaved symbols keep the newest of each")
        << Quotes{{eur, 1.1}, {gbp, 1.25}, {eur, 1.2}, {gbp, 1.26}, {gbp, 1.27}}
        << Quotes{{eur, 1.2}, {gbp, 1.27}};
}

void TestPriceDataBuffer::oneBatchPerPeriod()
{
    QFETCH(Quotes, added);
    QFETCH(Quotes, expected);
    PriceDataBuffer buffer;
    buffer.setInterval(40);
    QSignalSpy spy(&buffer, &PriceDataBuffer::tickUpdated);
    buffer.beginTimer();
    // No event is processed between these calls, so they all fall into one period.
    for (const auto &quote : added)
        buffer.addTick(makeTick(quote.first, quote.second));
    QVERIFY(spy.wait(2000));
    QCOMPARE(spy.count(), 1);

    QuoteMap want;
    for (const auto &quote : expected)
        want.insert(quote.first, quote.second);
    const QList<TickData> batch = batchAt(spy, 0);
    QCOMPARE(quotesOf(batch), want);
    for (const TickData &tick : batch)
        QCOMPARE(tick.ask, tick.bid + 0.0002); // the whole tick travels, not just the bid
}

void TestPriceDataBuffer::quietPeriodsEmitNothing()
{
    PriceDataBuffer buffer;
    buffer.setInterval(20);
    QSignalSpy spy(&buffer, &PriceDataBuffer::tickUpdated);
    buffer.beginTimer();
    buffer.addTick(makeTick(QStringLiteral("EURUSD"), 1.1));
    QVERIFY(spy.wait(2000));
    QCOMPARE(spy.count(), 1);

    // Ten periods without ticks: a delivered symbol only returns with a new tick,
    // and a tick with an empty symbol does not count as one.
    buffer.addTick(makeTick(QString(), 1.2));
    QVERIFY(!spy.wait(200));
    QCOMPARE(spy.count(), 1);

    // Still running: the next tick goes out again.
    buffer.addTick(makeTick(QStringLiteral("EURUSD"), 1.3));
    QVERIFY(spy.wait(2000));
    QCOMPARE(spy.count(), 2);
    QCOMPARE(quotesOf(batchAt(spy, 1)), (QuoteMap{{QStringLiteral("EURUSD"), 1.3}}));
}

void TestPriceDataBuffer::ticksWhileStoppedAreLost()
{
    PriceDataBuffer buffer;
    buffer.setInterval(20);
    QSignalSpy spy(&buffer, &PriceDataBuffer::tickUpdated);
    QVERIFY(!buffer.isRunning());

    buffer.addTick(makeTick(QStringLiteral("EURUSD"), 1.1));
    buffer.beginTimer();
    QVERIFY(!spy.wait(200)); // ten periods
    QCOMPARE(spy.count(), 0);

    buffer.addTick(makeTick(QStringLiteral("GBPUSD"), 1.25));
    QVERIFY(spy.wait(2000));
    QCOMPARE(quotesOf(batchAt(spy, 0)), (QuoteMap{{QStringLiteral("GBPUSD"), 1.25}}));

    buffer.endTimer();
    QVERIFY(!buffer.isRunning());
    buffer.addTick(makeTick(QStringLiteral("GBPUSD"), 1.26));
    QVERIFY(!spy.wait(200));
    buffer.beginTimer();
    QVERIFY(!spy.wait(200));
    QCOMPARE(spy.count(), 1);
}

void TestPriceDataBuffer::intervalWhileStoppedAppliesAtNextStart()
{
    PriceDataBuffer buffer;
    QCOMPARE(buffer.interval(), 50);
    buffer.setInterval(400);
    QCOMPARE(buffer.interval(), 400);
    QVERIFY(!buffer.isRunning());
    buffer.addTick(makeTick(QStringLiteral("EURUSD"), 1.1));

    QSignalSpy spy(&buffer, &PriceDataBuffer::tickUpdated);
    QElapsedTimer clock;
    clock.start();
    buffer.beginTimer();
    QVERIFY(buffer.isRunning());
    buffer.addTick(makeTick(QStringLiteral("EURUSD"), 1.2));
    QVERIFY(spy.wait(5000));
    // The first batch comes one 400 ms period after the start (timers may be
    // late on a loaded machine, never much early), far from the old 50 ms.
    QVERIFY2(clock.elapsed() >= 300, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(quotesOf(batchAt(spy, 0)), (QuoteMap{{QStringLiteral("EURUSD"), 1.2}}));
}

void TestPriceDataBuffer::intervalWhileRunningRestarts()
{
    PriceDataBuffer buffer;
    buffer.setInterval(20);
    QSignalSpy spy(&buffer, &PriceDataBuffer::tickUpdated);
    buffer.beginTimer();
    buffer.addTick(makeTick(QStringLiteral("EURUSD"), 1.1));
    QVERIFY(spy.wait(2000));

    QElapsedTimer clock;
    clock.start();
    buffer.setInterval(400);
    QVERIFY(buffer.isRunning());
    buffer.addTick(makeTick(QStringLiteral("EURUSD"), 1.2));
    QVERIFY(spy.wait(5000));
    QVERIFY2(clock.elapsed() >= 300, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(spy.count(), 2);

    // Same value again: no restart, and the period stays 400 ms.
    buffer.setInterval(400);
    QCOMPARE(buffer.interval(), 400);
    QVERIFY(buffer.isRunning());
}

void TestPriceDataBuffer::ticksFromWorkerThread()
{
    // The connection's worker feeds the buffer while the main thread drains it.
    PriceDataBuffer buffer;
    buffer.setInterval(10);
    const QStringList symbols{QStringLiteral("EURUSD"), QStringLiteral("GBPUSD"), QStringLiteral("USDJPY")};
    constexpr int perSymbol = 3000;

    QMap<QString, double> lastSeen;
    bool repeated = false;
    bool wentBack = false;
    int batches = 0;
    connect(&buffer, &PriceDataBuffer::tickUpdated, this, [&](const QList<TickData> &batch) {
        ++batches;
        QSet<QString> inBatch;
        for (const TickData &tick : batch) {
            repeated |= inBatch.contains(tick.symbol);
            inBatch.insert(tick.symbol);
            wentBack |= tick.bid <= lastSeen.value(tick.symbol, 0.0);
            lastSeen.insert(tick.symbol, tick.bid);
        }
    });
    buffer.beginTimer();

    // A plain thread: the toolkit's own thread bookkeeping is invisible to
    // ThreadSanitizer and would only add noise here.
    std::atomic<bool> done{false};
    std::thread worker([&buffer, &done, symbols] {
        for (int i = 1; i <= perSymbol; ++i) {
            for (const QString &symbol : symbols)
                buffer.addTick(makeTick(symbol, i));
            if (i % 100 == 0)
                std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        done = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(done.load(), 20000);
    worker.join();

    QTRY_COMPARE_WITH_TIMEOUT(lastSeen.size(), symbols.size(), 5000);
    for (const QString &symbol : symbols)
        QTRY_COMPARE_WITH_TIMEOUT(lastSeen.value(symbol), double(perSymbol), 5000);
    QVERIFY(!repeated);
    QVERIFY(!wentBack);
    QVERIFY(batches >= 1);
}

QTEST_GUILESS_MAIN(TestPriceDataBuffer)
#include "TestPriceDataBuffer.moc"
