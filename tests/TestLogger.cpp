#include "support/JournalWidget.h"
#include "support/Logger.h"

#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

class TestLogger : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void lineFormatAndFileName();
    void emptyMessageIsIgnored();
    void burstReachesTheFile();
    void keepsWorkingWithoutLogsFolder();
    void journalShowsEventsInOrder();

private:
    QStringList fileLines() const;
    QTemporaryDir m_dir;
};

void TestLogger::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QDir::setCurrent(m_dir.path());
    QVERIFY(logger()->isRunning());
}

QStringList TestLogger::fileLines() const
{
    QFile file(m_dir.filePath(Logger::fileNameFor(QDate::currentDate())));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void TestLogger::lineFormatAndFileName()
{
    const QDateTime t(QDate(2025, 10, 28), QTime(9, 15, 2, 45));
    QCOMPARE(Logger::formatLine(t, "Network", "Connected to Demo"),
             QStringLiteral("2025-10-28 09:15:02.045\tNetwork\tConnected to Demo"));
    QCOMPARE(Logger::fileNameFor(QDate(2025, 10, 28)), QStringLiteral("Logs/2025-10-28.log"));

    QSignalSpy spy(logger(), &Logger::logMessage);
    logger()->log("Network", "Connected to Demo");
    QCOMPARE(spy.count(), 1);
    const QDateTime logged = spy.first().at(0).toDateTime();
    QCOMPARE(spy.first().at(1).toString(), QStringLiteral("Network"));
    const QString expected = logged.toString("yyyy-MM-dd HH:mm:ss.zzz") + "\tNetwork\tConnected to Demo";
    QTRY_VERIFY_WITH_TIMEOUT(fileLines().contains(expected), 3000);
}

void TestLogger::emptyMessageIsIgnored()
{
    QSignalSpy spy(logger(), &Logger::logMessage);
    const int before = fileLines().size();
    logger()->log("Terminal", QString());
    QTest::qWait(100);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(fileLines().size(), before);
}

void TestLogger::burstReachesTheFile()
{
    const int before = fileLines().size();
    for (int i = 0; i < 500; ++i)
        logger()->log("Burst", QStringLiteral("line %1").arg(i));
    QTRY_COMPARE_WITH_TIMEOUT(fileLines().size(), before + 500, 10000);
    const QStringList lines = fileLines();
    static const QRegularExpression shape(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}\tBurst\tline (\d+)$)");
    for (int i = 0; i < 500; ++i) {
        const QRegularExpressionMatch m = shape.match(lines[before + i]);
        QVERIFY2(m.hasMatch(), qPrintable(lines[before + i]));
        QCOMPARE(m.captured(1).toInt(), i);
    }
}

void TestLogger::keepsWorkingWithoutLogsFolder()
{
    QTemporaryDir blocked;
    QFile blocker(blocked.filePath("Logs")); // a file where the folder should be
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QDir::setCurrent(blocked.path());
    Logger local;
    QTRY_VERIFY(local.isFinished());
    QSignalSpy spy(&local, &Logger::logMessage);
    local.log("Terminal", "still announced");
    QCOMPARE(spy.count(), 1);
    QVERIFY(QFileInfo(blocked.filePath("Logs")).isFile());
    QDir::setCurrent(m_dir.path());
}

void TestLogger::journalShowsEventsInOrder()
{
    JournalWidget journal;
    QTableWidget *table = journal.table();
    QCOMPARE(table->columnCount(), 3);
    QCOMPARE(table->horizontalHeaderItem(0)->text(), QStringLiteral("Time"));
    QCOMPARE(table->horizontalHeaderItem(1)->text(), QStringLiteral("Source"));
    QCOMPARE(table->horizontalHeaderItem(2)->text(), QStringLiteral("Message"));

    const QDateTime t(QDate(2025, 10, 28), QTime(9, 15, 2, 45));
    journal.addItem(t, "Network", "Connected to Demo");
    journal.addItem(t.addMSecs(-1000), "Terminal", "earlier event from another thread");
    QCOMPARE(table->rowCount(), 2);
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("2025.10.28 09:15:01.045"));
    QCOMPARE(table->item(1, 0)->text(), QStringLiteral("2025.10.28 09:15:02.045"));
    QCOMPARE(table->item(1, 1)->text(), QStringLiteral("Network"));
    QCOMPARE(table->item(1, 2)->text(), QStringLiteral("Connected to Demo"));
    QCOMPARE(table->item(1, 0)->data(Qt::UserRole).toDateTime(), t);
    QVERIFY(!(table->item(1, 2)->flags() & Qt::ItemIsEditable));

    // Events logged anywhere reach the journal; empty ones do not.
    logger()->log("Terminal", "via the logger");
    logger()->log("Terminal", "");
    QCOMPARE(table->rowCount(), 3);
    QCOMPARE(table->item(2, 2)->text(), QStringLiteral("via the logger"));
}

QTEST_MAIN(TestLogger)
#include "TestLogger.moc"
