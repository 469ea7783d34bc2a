#include "chart/CandleCache.h"
#include "chart/CandleSeries.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>

namespace {
QByteArray streamed(const QVector<CandleStick> &candles)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    for (const CandleStick &c : candles)
        out << c.timestamp << c.open << c.high << c.low << c.close;
    return bytes;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QVector<CandleStick> bars(int count, qint64 start = 1700000000, qint64 step = 60)
{
    QVector<CandleStick> out;
    for (int i = 0; i < count; ++i)
        out.append(CandleStick(start + i * step, 1.0 + i, 2.0 + i, 0.5 + i, 1.5 + i));
    return out;
}
} // namespace

class TestCandleCache : public QObject
{
    Q_OBJECT
private slots:
    void recordBytesMatchDataStream_data();
    void recordBytesMatchDataStream();
    void recordLayoutIsBigEndian();
    void tornTrailingRecordIsDropped_data();
    void tornTrailingRecordIsDropped();
    void laterRecordWins();
    void seriesInsertAndMerge();
    void fileNames_data();
    void fileNames();
    void rewriteRoundTrip();
    void rewriteOfNothingKeepsFile();
    void rewriteFailsWhenFolderIsBlocked();
    void appendRealignsAfterTornRecord();
    void missingFileReadsEmpty();
};

void TestCandleCache::recordBytesMatchDataStream_data()
{
    QTest::addColumn<CandleStick>("candle");
    QTest::newRow("ordinary bar") << CandleStick(1700000040, 1.08543, 1.08601, 1.08511, 1.0859);
    QTest::newRow("negative time and prices") << CandleStick(-86400, -1.5, -0.25, -2.75, -1e-9);
    QTest::newRow("extremes") << CandleStick(std::numeric_limits<qint64>::max(), 1e308, -0.0,
                                             std::numeric_limits<double>::denorm_min(),
                                             std::numeric_limits<double>::infinity());
}

void TestCandleCache::recordBytesMatchDataStream()
{
    QFETCH(CandleStick, candle);
    const QByteArray expected = streamed({candle});
    QCOMPARE(expected.size(), CandleCache::recordSize);
    QCOMPARE(CandleCache::encode(&candle, 1), expected);

    const QVector<CandleStick> back = CandleCache::decode(expected);
    QCOMPARE(back.size(), 1);
    QCOMPARE(CandleCache::encode(back.constData(), 1), expected);
}

void TestCandleCache::recordLayoutIsBigEndian()
{
    const CandleStick candle(1700000000, 1.5, 2.0, 0.5, -1.0);
    const QByteArray expected = QByteArray::fromHex("000000006553f100"
                                                    "3ff8000000000000"
                                                    "4000000000000000"
                                                    "3fe0000000000000"
                                                    "bff0000000000000");
    QCOMPARE(CandleCache::encode(&candle, 1), expected);
    QCOMPARE(CandleCache::decode(expected).value(0), candle);
}

void TestCandleCache::tornTrailingRecordIsDropped_data()
{
    QTest::addColumn<int>("tail");
    QTest::newRow("one stray byte") << 1;
    QTest::newRow("timestamp only") << 8;
    QTest::newRow("one byte short") << 39;
}

void TestCandleCache::tornTrailingRecordIsDropped()
{
    QFETCH(int, tail);
    const QVector<CandleStick> complete = bars(2);
    const QByteArray torn = streamed(bars(3)).left(2 * CandleCache::recordSize + tail);
    QCOMPARE(CandleCache::decode(torn), complete);

    QTemporaryDir dir;
    const QString path = dir.filePath("EURUSD_60");
    QVERIFY(writeAll(path, torn));
    QCOMPARE(CandleCache::readFile(path).candles(), complete);
}

void TestCandleCache::laterRecordWins()
{
    const CandleStick first(100, 1, 1, 1, 1);
    const CandleStick other(160, 2, 2, 2, 2);
    const CandleStick replaced(100, 3, 3, 3, 3);
    const CandleStick older(40, 4, 4, 4, 4);
    QTemporaryDir dir;
    const QString path = dir.filePath("EURUSD_1");
    QVERIFY(writeAll(path, streamed({first, other, replaced, older, replaced})));
    const QVector<CandleStick> expected{older, replaced, other};
    QCOMPARE(CandleCache::readFile(path).candles(), expected);
}

void TestCandleCache::seriesInsertAndMerge()
{
    CandleSeries series(bars(3, 100, 10)); // 100, 110, 120
    series.insert(CandleStick(115, 9, 9, 9, 9));
    series.insert(CandleStick(110, 8, 8, 8, 8));
    series.insert(CandleStick(130, 7, 7, 7, 7));
    QVector<qint64> times;
    for (const CandleStick &c : series.candles())
        times.append(c.timestamp);
    QCOMPARE(times, (QVector<qint64>{100, 110, 115, 120, 130}));
    QCOMPARE(series.candles().at(1).open, 8.0);
    QCOMPARE(series.newest().timestamp, qint64(130));
    QCOMPARE(series.withoutNewest().size(), 4);

    const CandleSeries incoming(
        QVector<CandleStick>{CandleStick(90, 5, 5, 5, 5), CandleStick(120, 6, 6, 6, 6)});
    CandleSeries theirs = series;
    theirs.merge(incoming, true);
    CandleSeries ours = series;
    ours.merge(incoming, false);
    QCOMPARE(theirs.size(), 6);
    QCOMPARE(theirs.candles().first().timestamp, qint64(90));
    QCOMPARE(theirs.candles().at(4).open, 6.0); // 120 from the incoming series
    QCOMPARE(ours.candles().at(4).open, series.candles().at(3).open);
}

void TestCandleCache::fileNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("used");
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<int>("period");
    QTest::newRow("symbol and period") << "EURUSD_60" << true << "EURUSD" << 60;
    QTest::newRow("monthly") << "XAUUSD.m_40000" << true << "XAUUSD.m" << 40000;
    QTest::newRow("underscore in symbol") << "EUR_USD_60" << false << "" << 0;
    QTest::newRow("no underscore") << "EURUSD" << false << "" << 0;
    QTest::newRow("empty symbol") << "_60" << false << "" << 0;
    QTest::newRow("empty period") << "EURUSD_" << false << "" << 0;
    QTest::newRow("period not a number") << "EURUSD_H1" << false << "" << 0;
    QTest::newRow("period zero") << "EURUSD_0" << false << "" << 0;
    QTest::newRow("negative period") << "EURUSD_-5" << false << "" << 0;
    QTest::newRow("leftover rewrite temporary") << "EURUSD_60.Xy12Ab" << false << "" << 0;
    QTest::newRow("symbol dot-dot") << ".._60" << false << "" << 0;
}

void TestCandleCache::fileNames()
{
    QFETCH(QString, name);
    QFETCH(bool, used);
    QString symbol;
    int period = 0;
    QCOMPARE(CandleCache::parseFileName(name, &symbol, &period), used);
    if (used) {
        QTEST(symbol, "symbol");
        QTEST(period, "period");
        QCOMPARE(CandleCache::fileName(symbol, period), name);
    }
}

void TestCandleCache::rewriteRoundTrip()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("a/b/ChartHistory");
    const QVector<CandleStick> candles = bars(5);
    QVERIFY(CandleCache::writeFile(folder, "EURUSD_60", candles, 4));
    QCOMPARE(readAll(folder + "/EURUSD_60"), streamed(candles.mid(0, 4)));
    // A rewrite replaces the whole file and leaves no temporary beside it.
    QVERIFY(CandleCache::writeFile(folder, "EURUSD_60", candles.mid(1, 2)));
    QCOMPARE(CandleCache::readFile(folder + "/EURUSD_60").candles(), candles.mid(1, 2));
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"EURUSD_60"});
}

void TestCandleCache::rewriteOfNothingKeepsFile()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("ChartHistory");
    QVERIFY(CandleCache::writeFile(folder, "EURUSD_60", {}));
    QVERIFY(QFileInfo(folder).isDir());
    QVERIFY(!QFileInfo::exists(folder + "/EURUSD_60"));

    const QByteArray old = streamed(bars(3));
    QVERIFY(writeAll(folder + "/EURUSD_60", old));
    QVERIFY(CandleCache::writeFile(folder, "EURUSD_60", bars(1), 0));
    QCOMPARE(readAll(folder + "/EURUSD_60"), old);
}

void TestCandleCache::rewriteFailsWhenFolderIsBlocked()
{
    QTemporaryDir dir;
    QVERIFY(writeAll(dir.filePath("ChartHistory"), "not a folder"));
    QVERIFY(!CandleCache::writeFile(dir.filePath("ChartHistory"), "EURUSD_60", bars(3)));
    QVERIFY(!CandleCache::appendRecord(dir.filePath("ChartHistory"), "EURUSD_60", bars(1).first()));
    QCOMPARE(readAll(dir.filePath("ChartHistory")), QByteArray("not a folder"));
}

void TestCandleCache::appendRealignsAfterTornRecord()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("ChartHistory");
    const QVector<CandleStick> candles = bars(3);
    QVERIFY(CandleCache::appendRecord(folder, "EURUSD_60", candles.at(0)));
    QCOMPARE(readAll(folder + "/EURUSD_60"), streamed(candles.mid(0, 1)));

    // An append cut short by a crash leaves 13 stray bytes.
    QVERIFY(writeAll(folder + "/EURUSD_60", streamed(candles.mid(0, 2)) + QByteArray(13, '\x7f')));
    QVERIFY(CandleCache::appendRecord(folder, "EURUSD_60", candles.at(2)));
    QCOMPARE(readAll(folder + "/EURUSD_60"), streamed(candles));
}

void TestCandleCache::missingFileReadsEmpty()
{
    QTemporaryDir dir;
    QVERIFY(CandleCache::readFile(dir.filePath("EURUSD_60")).isEmpty());
    QVERIFY(writeAll(dir.filePath("EMPTY_60"), QByteArray()));
    QVERIFY(CandleCache::readFile(dir.filePath("EMPTY_60")).isEmpty());
}

QTEST_GUILESS_MAIN(TestCandleCache)
#include "TestCandleCache.moc"
