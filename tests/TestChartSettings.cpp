#include "chart/ChartManager.h"
#include "chart/ChartSettingsFile.h"
#include "data/AccountPaths.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QtTest>

namespace {
// The expected bytes are assembled by hand, not with a data stream, so the
// tests pin the layout itself.
QByteArray int32(qint32 v)
{
    QByteArray b(4, '\0');
    qToBigEndian(v, b.data());
    return b;
}

QByteArray float64(double v)
{
    quint64 bits;
    memcpy(&bits, &v, sizeof bits);
    QByteArray b(8, '\0');
    qToBigEndian(bits, b.data());
    return b;
}

QByteArray text(const QString &s)
{
    QByteArray b = int32(s.size() * 2);
    for (const QChar c : s) {
        b.append(char(c.unicode() >> 8));
        b.append(char(c.unicode() & 0xff));
    }
    return b;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

ChartObjectRecord record(qint32 x1, double y1, qint32 x2, double y2, const QString &name)
{
    ChartObjectRecord r;
    r.x1 = x1;
    r.y1 = y1;
    r.x2 = x2;
    r.y2 = y2;
    r.name = name;
    return r;
}

bool sameRecords(const QList<ChartObjectRecord> &a, const QList<ChartObjectRecord> &b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        if (!a.at(i).samePlace(b.at(i)) || a.at(i).name != b.at(i).name)
            return false;
    }
    return true;
}
} // namespace

class TestChartSettings : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void fileBytesAreExact();
    void roundTripThroughAnotherManager();
    void fiveColoursArePaddedWithDefaults();
    void invalidColourIsReplaced_data();
    void invalidColourIsReplaced();
    void damagedFilesLoadWhatIsComplete_data();
    void damagedFilesLoadWhatIsComplete();
    void coloursAreSharedAndSavedOnlyOnChange();
    void objectsCompareByPositionOnly();
    void emptyValuesStillWriteTheFile();
    void missingFileLoadsNothing();
    void unsafeSymbolIsNeverSaved();
    void filesFollowTheAccount();

private:
    quint64 nextLogin() { return ++m_lastLogin; }
    QString settingsFile(quint64 login, const QString &symbol, int period) const
    {
        return AccountPaths::chartSettingsFolder(m_server, login) + '/' +
               ChartSettingsFile::fileName(symbol, period);
    }

    QString m_server;
    quint64 m_lastLogin = 2000;
};

void TestChartSettings::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    m_server = QStringLiteral("Settings Test %1").arg(QCoreApplication::applicationPid());
    QDir(AccountPaths::configFolder() + '/' + m_server).removeRecursively();
}

void TestChartSettings::cleanupTestCase()
{
    QDir(AccountPaths::configFolder() + '/' + m_server).removeRecursively();
}

void TestChartSettings::fileBytesAreExact()
{
    const quint64 login = nextLogin();
    ChartManager manager(nullptr);
    manager.setAccount(login, m_server);
    const QList<QColor> colours{QColor(Qt::black), QColor(0, 200, 200), QColor(18, 52, 86, 120)};
    manager.setChartColours("EURUSD", 60, colours, false);
    manager.setChartObjects("EURUSD", 60, {record(2, 1.25, 7, 1.5, "Trend Line 3")}, false);
    manager.setChartValues("EURUSD", 60, {1.1, -2.0}, false);
    QVERIFY(manager.saveChartSettings("EURUSD", 60));

    const QByteArray expected = int32(3) + text("#ff000000") + text("#ff00c8c8") + text("#78123456") +
                                int32(1) + int32(2) + float64(1.25) + int32(7) + float64(1.5) +
                                text("Trend Line 3") + int32(2) + float64(1.1) + float64(-2.0);
    QCOMPARE(readAll(settingsFile(login, "EURUSD", 60)), expected);
    QCOMPARE(QFileInfo(settingsFile(login, "EURUSD", 60)).fileName(), QString("EURUSD_60.csf"));
    QCOMPARE(
        QDir(AccountPaths::chartSettingsFolder(m_server, login)).entryList(QDir::Files | QDir::Hidden).size(),
        1);
}

void TestChartSettings::roundTripThroughAnotherManager()
{
    const quint64 login = nextLogin();
    QList<QColor> colours = ChartManager::defaultChartColours();
    colours[0] = QColor(10, 20, 30);
    colours[5] = QColor(1, 2, 3, 4);
    const QList<ChartObjectRecord> objects{record(0, 1.0855, 124, 1.0855, "Horizontal Line 1"),
                                           record(40, 1.07, 80, 1.09, "Trend Line 2"),
                                           record(-3, -0.5, 2147483647, 1e300, QString())};
    {
        ChartManager manager(nullptr);
        manager.setAccount(login, m_server);
        manager.setChartColours("XAUUSD", 240, colours, false);
        manager.setChartObjects("XAUUSD", 240, objects, false);
        manager.setChartValues("XAUUSD", 240, {2050.25, 1999.5}, false);
        QVERIFY(manager.saveChartSettings("XAUUSD", 240));
    }
    const QByteArray written = readAll(settingsFile(login, "XAUUSD", 240));

    ChartManager other(nullptr);
    other.setAccount(login, m_server);
    QVERIFY(sameRecords(other.chartObjects("XAUUSD", 240), objects)); // loaded on first use
    QCOMPARE(other.chartColours("XAUUSD", 240), colours);
    // Saving what was loaded gives the same bytes, values included.
    QVERIFY(QFile::remove(settingsFile(login, "XAUUSD", 240)));
    QVERIFY(other.saveChartSettings("XAUUSD", 240));
    QCOMPARE(readAll(settingsFile(login, "XAUUSD", 240)), written);
}

void TestChartSettings::fiveColoursArePaddedWithDefaults()
{
    const quint64 login = nextLogin();
    const QList<QColor> five{QColor(1, 1, 1), QColor(2, 2, 2), QColor(3, 3, 3), QColor(4, 4, 4),
                             QColor(5, 5, 5)};
    QVERIFY(writeAll(settingsFile(login, "EURUSD", 60), ChartSettingsFile::encode(five, {}, {})));
    ChartManager manager(nullptr);
    manager.setAccount(login, m_server);
    const QList<QColor> expected =
        five + QList<QColor>{QColor(70, 70, 70), QColor(0, 200, 200), QColor(220, 38, 38)};
    QCOMPARE(manager.chartColours("EURUSD", 60), expected);
    QCOMPARE(ChartManager::defaultChartColours(),
             (QList<QColor>{Qt::black, Qt::white, Qt::white, QColor(0, 200, 200), QColor(220, 38, 38),
                            QColor(70, 70, 70), QColor(0, 200, 200), QColor(220, 38, 38)}));
}

void TestChartSettings::invalidColourIsReplaced_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("unreadable name") << "#zz00ff";
    QTest::newRow("empty name") << "";
    QTest::newRow("too many digits") << "#ff00ff00ff";
}

void TestChartSettings::invalidColourIsReplaced()
{
    QFETCH(QString, name);
    const quint64 login = nextLogin();
    QByteArray bytes = int32(8);
    for (int i = 0; i < 8; ++i)
        bytes += text(i == 2 ? name : QStringLiteral("#ff102030"));
    bytes += int32(0) + int32(0);
    QVERIFY(writeAll(settingsFile(login, "EURUSD", 60), bytes));

    ChartManager manager(nullptr);
    manager.setAccount(login, m_server);
    QTest::ignoreMessage(
        QtWarningMsg,
        "Invalid color in chart settings for symbol EURUSD at index 2. Replacing with default.");
    const QList<QColor> colours = manager.chartColours("EURUSD", 60);
    QCOMPARE(colours.size(), 8);
    QCOMPARE(colours.at(2), QColor(Qt::white));
    QCOMPARE(colours.at(1), QColor(0x10, 0x20, 0x30));
    QCOMPARE(colours.at(3), QColor(0x10, 0x20, 0x30));
}

void TestChartSettings::damagedFilesLoadWhatIsComplete_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("colours");
    QTest::addColumn<int>("objects");
    const QByteArray oneColour = int32(1) + text("#ff0000ff");
    const QByteArray oneObject = int32(4) + float64(1.5) + int32(9) + float64(2.5) + text("Trend Line 1");
    QTest::newRow("empty file") << QByteArray() << 0 << 0;
    QTest::newRow("ends after the colours") << oneColour << 1 << 0;
    QTest::newRow("ends inside an object") << oneColour + int32(2) + oneObject + int32(5) << 1 << 1;
    QTest::newRow("colour count far beyond the data") << int32(0x7fffffff) + text("#ff0000ff") << 1 << 0;
    QTest::newRow("object count far beyond the data") << oneColour + int32(0x7fffffff) + oneObject << 1 << 1;
    QTest::newRow("negative counts") << int32(-5) + int32(-1) + int32(-7) << 0 << 0;
}

void TestChartSettings::damagedFilesLoadWhatIsComplete()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, colours);
    QFETCH(int, objects);
    const quint64 login = nextLogin();
    QVERIFY(writeAll(settingsFile(login, "EURUSD", 60), bytes));
    ChartManager manager(nullptr);
    manager.setAccount(login, m_server);

    QElapsedTimer timer;
    timer.start();
    const QList<ChartObjectRecord> loaded = manager.chartObjects("EURUSD", 60);
    QCOMPARE(loaded.size(), objects);
    if (objects > 0)
        QVERIFY(sameRecords(loaded, {record(4, 1.5, 9, 2.5, "Trend Line 1")}));
    const QList<QColor> shown = manager.chartColours("EURUSD", 60);
    QVERIFY2(timer.elapsed() < 2000, "a damaged count must not make the reader spin");
    QCOMPARE(shown.size(), 8);
    if (colours > 0)
        QCOMPARE(shown.at(0), QColor(Qt::blue));
    QCOMPARE(shown.mid(colours), ChartManager::defaultChartColours().mid(colours));
}

void TestChartSettings::coloursAreSharedAndSavedOnlyOnChange()
{
    const quint64 login = nextLogin();
    ChartManager manager(nullptr);
    manager.setAccount(login, m_server);
    QList<QColor> colours = ChartManager::defaultChartColours();
    colours[4] = QColor(200, 0, 200);
    manager.setChartColours("GBPUSD", 60, colours, true);
    QVERIFY(QFileInfo::exists(settingsFile(login, "GBPUSD", 60)));
    // Every timeframe of the symbol sees the same list.
    QCOMPARE(manager.chartColours("GBPUSD", 5), colours);

    // The same list again changes nothing, so nothing is saved.
    QVERIFY(QFile::remove(settingsFile(login, "GBPUSD", 60)));
    manager.setChartColours("GBPUSD", 60, colours, true);
    QVERIFY(!QFileInfo::exists(settingsFile(login, "GBPUSD", 60)));
    colours[4] = QColor(201, 0, 200);
    manager.setChartColours("GBPUSD", 60, colours, true);
    QVERIFY(QFileInfo::exists(settingsFile(login, "GBPUSD", 60)));
}

void TestChartSettings::objectsCompareByPositionOnly()
{
    const quint64 login = nextLogin();
    const QString path = settingsFile(login, "EURUSD", 15);
    ChartManager manager(nullptr);
    manager.setAccount(login, m_server);
    manager.setChartObjects("EURUSD", 15, {record(1, 1.1, 2, 1.2, "Trend Line 1")}, false);
    manager.setChartObjects("EURUSD", 15, {record(1, 1.1, 2, 1.2, "renamed")}, true);
    QVERIFY(!QFileInfo::exists(path));
    QCOMPARE(manager.chartObjects("EURUSD", 15).first().name, QString("Trend Line 1"));
    manager.setChartObjects("EURUSD", 15, {record(1, 1.1, 3, 1.2, "Trend Line 1")}, true);
    QVERIFY(QFileInfo::exists(path));
    QCOMPARE(manager.chartObjects("EURUSD", 15).first().x2, 3);
}

void TestChartSettings::emptyValuesStillWriteTheFile()
{
    const quint64 login = nextLogin();
    const QString path = settingsFile(login, "USDJPY", 60);
    ChartManager manager(nullptr);
    manager.setAccount(login, m_server);
    QVERIFY(manager.saveChartSettings("USDJPY", 60)); // nothing held: nothing to write
    QVERIFY(!QFileInfo::exists(path));
    // Leaving a timeframe with nothing drawn still records that.
    manager.setChartValues("USDJPY", 60, {}, true);
    QCOMPARE(readAll(path), int32(0) + int32(0) + int32(0));
}

void TestChartSettings::missingFileLoadsNothing()
{
    const quint64 login = nextLogin();
    ChartManager manager(nullptr);
    QVERIFY(!manager.loadChartSettings("EURUSD", 60)); // no account yet
    manager.setAccount(login, m_server);
    QVERIFY(!manager.loadChartSettings("EURUSD", 60)); // no settings folder
    QVERIFY(QDir().mkpath(AccountPaths::chartSettingsFolder(m_server, login)));
    QVERIFY(!manager.loadChartSettings("EURUSD", 60)); // no file
    QVERIFY(manager.chartObjects("EURUSD", 60).isEmpty());
    QCOMPARE(manager.chartColours("EURUSD", 60), ChartManager::defaultChartColours());
}

void TestChartSettings::unsafeSymbolIsNeverSaved()
{
    const quint64 login = nextLogin();
    ChartManager manager(nullptr);
    manager.setAccount(login, m_server);
    const QRegularExpression refused("Refusing symbol name");
    QTest::ignoreMessage(QtWarningMsg, refused);
    manager.setChartValues("../../EURUSD", 60, {1.0}, true);
    QTest::ignoreMessage(QtWarningMsg, refused);
    QVERIFY(!manager.saveChartSettings("../../EURUSD", 60));
    QVERIFY(!QFileInfo::exists(AccountPaths::chartSettingsFolder(m_server, login)));
    QVERIFY(!QFileInfo::exists(AccountPaths::accountFolder(m_server, login) + "/EURUSD_60.csf"));
}

void TestChartSettings::filesFollowTheAccount()
{
    const quint64 first = nextLogin();
    const quint64 second = nextLogin();
    QList<QColor> colours = ChartManager::defaultChartColours();
    colours[0] = QColor(5, 5, 5);
    ChartManager manager(nullptr);
    manager.setAccount(first, m_server);
    manager.setChartColours("EURUSD", 60, colours, true);
    manager.setAccount(second, m_server);
    // The maps survive the account change; the next save goes to the new folder.
    QCOMPARE(manager.chartColours("EURUSD", 60), colours);
    QVERIFY(manager.saveChartSettings("EURUSD", 60));
    QCOMPARE(readAll(settingsFile(second, "EURUSD", 60)), readAll(settingsFile(first, "EURUSD", 60)));
}

QTEST_GUILESS_MAIN(TestChartSettings)
#include "TestChartSettings.moc"
