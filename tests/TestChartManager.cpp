#include "chart/CandleCache.h"
#include "chart/ChartManager.h"
#include "data/AccountPaths.h"
#include "net/TradeClient.h"

#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QWebSocket>
#include <QWebSocketServer>
#include <QtTest>

#include <memory>

namespace {
using Pair = QPair<QString, int>;

QVector<CandleStick> bars(int count, qint64 start = 1700000000, qint64 step = 60, double base = 1.0)
{
    QVector<CandleStick> out;
    for (int i = 0; i < count; ++i)
        out.append(CandleStick(start + i * step, base + i, base + i + 0.5, base + i - 0.5, base + i + 0.25));
    return out;
}

QJsonObject answer(const QString &symbol, const QJsonValue &interval, const QVector<CandleStick> &candles)
{
    QJsonArray array;
    for (const CandleStick &c : candles) {
        array.append(QJsonObject{{"datetime", c.timestamp},
                                 {"open", c.open},
                                 {"high", c.high},
                                 {"low", c.low},
                                 {"close", c.close}});
    }
    return QJsonObject{{"symbol", symbol}, {"interval", interval}, {"array", array}};
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The records of a cache file in file order, duplicates included.
QVector<CandleStick> records(const QString &path)
{
    return CandleCache::decode(readAll(path));
}

QList<Pair> signalled(const QSignalSpy &spy)
{
    QList<Pair> pairs;
    for (const QList<QVariant> &args : spy)
        pairs.append(Pair(args.at(0).toString(), args.at(1).toInt()));
    std::sort(pairs.begin(), pairs.end());
    return pairs;
}
} // namespace

class TestChartManager : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void answerMergesByTimestamp();
    void malformedAnswerIsIgnored_data();
    void malformedAnswerIsIgnored();
    void rewriteLeavesOutNewestBar();
    void appendAfterReplaceReadsBackAsOne();
    void appendIgnored_data();
    void appendIgnored();
    void nothingWrittenBeforeFirstAccount();
    void loaderReadsCacheFolder();
    void sameAccountDoesNotReload();
    void accountSwitchDropsStaleLoad_data();
    void accountSwitchDropsStaleLoad();
    void answerWhileLoadingKeepsCachedBars();
    void unsafeServerNameBuildsNoPath_data();
    void unsafeServerNameBuildsNoPath();
    void unsafeSymbolBuildsNoPath_data();
    void unsafeSymbolBuildsNoPath();
    void rewritesAndAppendsStayOrdered();
    void destructionFlushesPendingWrites();
    void requestGoesOnTheWire();

private:
    quint64 nextLogin() { return ++m_lastLogin; }
    QString historyFolder(quint64 login) const { return AccountPaths::chartHistoryFolder(m_server, login); }
    QString historyFile(quint64 login, const QString &symbol, int period) const
    {
        return historyFolder(login) + '/' + CandleCache::fileName(symbol, period);
    }
    // Lets the queue thread finish and the GUI thread apply what it handed over.
    static void settle(ChartManager &manager)
    {
        for (int round = 0; round < 2; ++round) {
            manager.waitForCacheJobs();
            QCoreApplication::sendPostedEvents(&manager, QEvent::MetaCall);
        }
        manager.waitForCacheJobs();
    }

    QTemporaryDir m_cwd;
    QString m_server;
    quint64 m_lastLogin = 1000;
};

void TestChartManager::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_cwd.isValid());
    QDir::setCurrent(m_cwd.path()); // the logger writes Logs/ here
    // One server folder per run, so parallel runs never share files.
    m_server = QStringLiteral("Chart Test %1").arg(QCoreApplication::applicationPid());
    QDir(AccountPaths::configFolder() + '/' + m_server).removeRecursively();
}

void TestChartManager::cleanupTestCase()
{
    QDir(AccountPaths::configFolder() + '/' + m_server).removeRecursively();
}

void TestChartManager::answerMergesByTimestamp()
{
    ChartManager manager(nullptr);
    QSignalSpy ready(&manager, &ChartManager::readyChartHistory);
    const QVector<CandleStick> first = bars(5);
    manager.updateChartHistoryFromServer(answer("EURUSD", 60, first));
    QCOMPARE(ready.count(), 1);
    QCOMPARE(ready.at(0).at(0).toString(), QString("EURUSD"));
    QCOMPARE(ready.at(0).at(1).toInt(), 60);
    QCOMPARE(manager.chartHistory("EURUSD", 60), first);

    // Repeats replace by timestamp, within one answer the later element wins,
    // and candles the answer does not mention stay.
    const CandleStick revised(first.at(3).timestamp, 9, 9.5, 8.5, 9.25);
    const CandleStick later(first.at(4).timestamp + 60, 7, 7, 7, 7);
    const CandleStick beforeRevision(first.at(3).timestamp, 5, 5, 5, 5);
    manager.updateChartHistoryFromServer(answer("EURUSD", 60, {later, beforeRevision, revised}));
    QCOMPARE(ready.count(), 2);
    const QVector<CandleStick> expected{first.at(0), first.at(1), first.at(2), revised, first.at(4), later};
    QCOMPARE(manager.chartHistory("EURUSD", 60), expected);
    QVERIFY(manager.chartHistory("EURUSD", 5).isEmpty());
    QVERIFY(manager.chartHistory("GBPUSD", 60).isEmpty());
}

void TestChartManager::malformedAnswerIsIgnored_data()
{
    QTest::addColumn<QJsonObject>("object");
    const QJsonObject good = answer("EURUSD", 60, bars(3));
    QJsonObject noArray = good;
    noArray.remove("array");
    QTest::newRow("empty array") << answer("EURUSD", 60, {});
    QTest::newRow("no array") << noArray;
    QTest::newRow("array of numbers")
        << QJsonObject{{"symbol", "EURUSD"}, {"interval", 60}, {"array", QJsonArray{1, 2}}};
    QTest::newRow("empty symbol") << answer("", 60, bars(3));
    QTest::newRow("symbol not text") << QJsonObject{
        {"symbol", 5}, {"interval", 60}, {"array", good.value("array")}};
    QTest::newRow("interval zero") << answer("EURUSD", 0, bars(3));
    QTest::newRow("negative interval") << answer("EURUSD", -60, bars(3));
    QTest::newRow("interval as text") << answer("EURUSD", "60", bars(3));
    QTest::newRow("fractional interval") << answer("EURUSD", 60.5, bars(3));
}

void TestChartManager::malformedAnswerIsIgnored()
{
    QFETCH(QJsonObject, object);
    const quint64 login = nextLogin();
    ChartManager manager(nullptr);
    manager.setAccount(login, m_server);
    settle(manager);
    QSignalSpy ready(&manager, &ChartManager::readyChartHistory);
    manager.updateChartHistoryFromServer(object);
    settle(manager);
    QCOMPARE(ready.count(), 0);
    QVERIFY(manager.chartHistory("EURUSD", 60).isEmpty());
    QVERIFY(!QFileInfo::exists(historyFolder(login)));
}

void TestChartManager::rewriteLeavesOutNewestBar()
{
    const quint64 login = nextLogin();
    ChartManager manager(nullptr);
    manager.setAccount(login, m_server);
    settle(manager);
    const QVector<CandleStick> candles = bars(5);
    manager.updateChartHistoryFromServer(answer("EURUSD", 60, candles));
    settle(manager);
    QCOMPARE(records(historyFile(login, "EURUSD", 60)), candles.mid(0, 4));

    // The next answer revises the forming bar and opens another: the whole
    // file is rewritten with all but the new newest bar.
    const CandleStick revised(candles.at(4).timestamp, 3, 4, 2, 3.5);
    const CandleStick next(candles.at(4).timestamp + 60, 3.5, 3.5, 3.5, 3.5);
    manager.updateChartHistoryFromServer(answer("EURUSD", 60, {revised, next}));
    settle(manager);
    QCOMPARE(records(historyFile(login, "EURUSD", 60)), candles.mid(0, 4) << revised);

    // A single bar leaves nothing to write; the file stays as it was.
    manager.updateChartHistoryFromServer(answer("GBPUSD", 5, bars(1)));
    settle(manager);
    QVERIFY(!QFileInfo::exists(historyFile(login, "GBPUSD", 5)));
}

void TestChartManager::appendAfterReplaceReadsBackAsOne()
{
    const quint64 login = nextLogin();
    const QString path = historyFile(login, "EURUSD", 60);
    const QVector<CandleStick> candles = bars(5);
    QVector<CandleStick> held;
    {
        ChartManager manager(nullptr);
        manager.setAccount(login, m_server);
        settle(manager);
        manager.updateChartHistoryFromServer(answer("EURUSD", 60, candles));
        settle(manager);

        // The chart closes the newest bar with its final prices: it replaces the
        // held one in memory and lands in the file.
        const CandleStick closed(candles.at(4).timestamp, 5, 6.5, 4.5, 6);
        manager.appendCandleStick("EURUSD", 60, closed.timestamp, closed.open, closed.high, closed.low,
                                  closed.close);
        QCOMPARE(manager.chartHistory("EURUSD", 60), candles.mid(0, 4) << closed);
        // The same bar handed over twice gives two records for one timestamp.
        const CandleStick again(closed.timestamp, 5, 7, 4, 6.75);
        manager.appendCandleStick("EURUSD", 60, again.timestamp, again.open, again.high, again.low,
                                  again.close);
        const CandleStick next(closed.timestamp + 60, 6.75, 7, 6.5, 6.9);
        manager.appendCandleStick("EURUSD", 60, next.timestamp, next.open, next.high, next.low, next.close);
        settle(manager);
        QCOMPARE(records(path), candles.mid(0, 4) << closed << again << next);
        held = manager.chartHistory("EURUSD", 60);
        QCOMPARE(held, candles.mid(0, 4) << again << next);
    }

    ChartManager reloaded(nullptr);
    QSignalSpy ready(&reloaded, &ChartManager::readyChartHistory);
    reloaded.setAccount(login, m_server);
    QVERIFY(ready.wait(5000));
    QCOMPARE(reloaded.chartHistory("EURUSD", 60), held);
}

void TestChartManager::appendIgnored_data()
{
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<int>("period");
    QTest::addColumn<qint64>("timestamp");
    const qint64 newest = bars(5).last().timestamp;
    QTest::newRow("older than newest held") << "EURUSD" << 60 << newest - 60;
    QTest::newRow("no history for the period") << "EURUSD" << 15 << newest + 60;
    QTest::newRow("no history for the symbol") << "GBPUSD" << 60 << newest + 60;
}

void TestChartManager::appendIgnored()
{
    QFETCH(QString, symbol);
    QFETCH(int, period);
    QFETCH(qint64, timestamp);
    const quint64 login = nextLogin();
    ChartManager manager(nullptr);
    manager.setAccount(login, m_server);
    settle(manager);
    manager.updateChartHistoryFromServer(answer("EURUSD", 60, bars(5)));
    settle(manager);
    const QByteArray before = readAll(historyFile(login, "EURUSD", 60));

    manager.appendCandleStick(symbol, period, timestamp, 9, 9, 9, 9);
    settle(manager);
    QCOMPARE(manager.chartHistory("EURUSD", 60), bars(5));
    QVERIFY(manager.chartHistory(symbol, period) == bars(5) ||
            manager.chartHistory(symbol, period).isEmpty());
    QCOMPARE(readAll(historyFile(login, "EURUSD", 60)), before);
    QCOMPARE(QDir(historyFolder(login)).entryList(QDir::Files), QStringList{"EURUSD_60"});
}

void TestChartManager::nothingWrittenBeforeFirstAccount()
{
    const QString symbol = QStringLiteral("NOACCOUNT%1").arg(QCoreApplication::applicationPid());
    const QVector<CandleStick> candles = bars(4);
    {
        ChartManager manager(nullptr);
        manager.updateChartHistoryFromServer(answer(symbol, 60, candles));
        const CandleStick closed = candles.last();
        manager.appendCandleStick(symbol, 60, closed.timestamp, 1, 2, 0, 1);
        manager.appendCandleStick(symbol, 60, closed.timestamp + 60, 1, 2, 0, 1);
        manager.setChartValues(symbol, 60, {1.5}, true);
        QCOMPARE(manager.chartHistory(symbol, 60).size(), 5); // memory still works
        settle(manager);
    }
    QDirIterator it(AccountPaths::dataFolder(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString name = QFileInfo(it.next()).fileName();
        QVERIFY2(!name.startsWith(symbol), qPrintable(it.filePath()));
    }
}

void TestChartManager::loaderReadsCacheFolder()
{
    const quint64 login = nextLogin();
    const QString folder = historyFolder(login);
    const QVector<CandleStick> eurusd = bars(3);
    const QVector<CandleStick> gbpusd = bars(2, 1700003600, 300, 2.0);
    QVERIFY(CandleCache::writeFile(folder, "EURUSD_60", eurusd));
    // Appended twice at one time, and torn at the end by an interrupted append.
    const CandleStick replaced(gbpusd.at(1).timestamp, 4, 4, 4, 4);
    QVERIFY(CandleCache::writeFile(folder, "GBPUSD_5", QVector<CandleStick>(gbpusd) << replaced));
    {
        QFile file(folder + "/GBPUSD_5");
        QVERIFY(file.open(QIODevice::Append));
        file.write(QByteArray(21, '\x01'));
    }
    const QStringList ignored{"EUR_USD_60", "USDJPY", "XAUUSD_H1", "XAUUSD_60.Tmp1Ab", "_60"};
    for (const QString &name : ignored)
        QVERIFY(CandleCache::writeFile(folder, name, bars(3)));
    QFile empty(folder + "/EMPTY_5");
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();
    QVERIFY(QDir(folder).mkdir("AUDUSD_60")); // a folder, not a file

    ChartManager manager(nullptr);
    QSignalSpy ready(&manager, &ChartManager::readyChartHistory);
    manager.setAccount(login, m_server);
    QVERIFY(manager.chartHistory("EURUSD", 60).isEmpty()); // loading runs off this thread
    QTRY_COMPARE_WITH_TIMEOUT(ready.count(), 2, 5000);
    settle(manager);
    QCOMPARE(signalled(ready), (QList<Pair>{{"EURUSD", 60}, {"GBPUSD", 5}}));
    QCOMPARE(manager.chartHistory("EURUSD", 60), eurusd);
    QCOMPARE(manager.chartHistory("GBPUSD", 5), (QVector<CandleStick>{gbpusd.at(0), replaced}));
    QVERIFY(manager.chartHistory("EUR", 0).isEmpty());
    QVERIFY(manager.chartHistory("EMPTY", 5).isEmpty());
}

void TestChartManager::sameAccountDoesNotReload()
{
    const quint64 login = nextLogin();
    QVERIFY(CandleCache::writeFile(historyFolder(login), "EURUSD_60", bars(3)));
    ChartManager manager(nullptr);
    QSignalSpy ready(&manager, &ChartManager::readyChartHistory);
    manager.setAccount(login, m_server);
    QVERIFY(ready.wait(5000));
    const QVector<CandleStick> extra = bars(2, bars(3).last().timestamp + 60, 60, 9.0);
    manager.updateChartHistoryFromServer(answer("EURUSD", 60, extra));
    const QVector<CandleStick> held = manager.chartHistory("EURUSD", 60);
    QCOMPARE(held.size(), 5);
    ready.clear();

    manager.setAccount(login, m_server);
    settle(manager);
    QCOMPARE(ready.count(), 0);
    QCOMPARE(manager.chartHistory("EURUSD", 60), held);
}

void TestChartManager::accountSwitchDropsStaleLoad_data()
{
    QTest::addColumn<bool>("firstLoadRan");
    QTest::newRow("switch before the load ran") << false;
    QTest::newRow("switch after the load ran, before it was applied") << true;
}

void TestChartManager::accountSwitchDropsStaleLoad()
{
    QFETCH(bool, firstLoadRan);
    const quint64 first = nextLogin();
    const quint64 second = nextLogin();
    QVERIFY(CandleCache::writeFile(historyFolder(first), "EURUSD_60", bars(3)));
    QVERIFY(CandleCache::writeFile(historyFolder(second), "GBPUSD_60", bars(4)));

    ChartManager manager(nullptr);
    QSignalSpy ready(&manager, &ChartManager::readyChartHistory);
    manager.setAccount(first, m_server);
    if (firstLoadRan)
        manager.waitForCacheJobs();
    manager.setAccount(second, m_server);
    QVERIFY(ready.wait(5000));
    settle(manager);
    QCOMPARE(signalled(ready), (QList<Pair>{{"GBPUSD", 60}}));
    QVERIFY(manager.chartHistory("EURUSD", 60).isEmpty());
    QCOMPARE(manager.chartHistory("GBPUSD", 60), bars(4));

    // Back to the first account: the other account's history goes.
    ready.clear();
    manager.setAccount(first, m_server);
    QVERIFY(manager.chartHistory("GBPUSD", 60).isEmpty());
    QVERIFY(ready.wait(5000));
    QCOMPARE(manager.chartHistory("EURUSD", 60), bars(3));
}

void TestChartManager::answerWhileLoadingKeepsCachedBars()
{
    const quint64 login = nextLogin();
    const QVector<CandleStick> cached = bars(100);
    QVERIFY(CandleCache::writeFile(historyFolder(login), "EURUSD_60", cached));

    ChartManager manager(nullptr);
    manager.setAccount(login, m_server);
    // The server answers before the loaded bars have reached memory.
    const QVector<CandleStick> fresh = bars(3, cached.last().timestamp, 60, 50.0);
    manager.updateChartHistoryFromServer(answer("EURUSD", 60, fresh));
    settle(manager);

    const QVector<CandleStick> expected = cached.mid(0, 99) << fresh;
    QCOMPARE(manager.chartHistory("EURUSD", 60), expected);
    QCOMPARE(records(historyFile(login, "EURUSD", 60)), expected.mid(0, expected.size() - 1));
}

void TestChartManager::unsafeServerNameBuildsNoPath_data()
{
    QTest::addColumn<QString>("server");
    QTest::newRow("empty") << QString();
    QTest::newRow("dot") << ".";
    QTest::newRow("dot-dot") << "..";
    QTest::newRow("slash") << "evil/server";
    QTest::newRow("backslash") << "evil\\server";
    QTest::newRow("NUL") << QString::fromUtf16(u"evil\0server", 11);
}

void TestChartManager::unsafeServerNameBuildsNoPath()
{
    QFETCH(QString, server);
    const quint64 login = nextLogin();
    const QRegularExpression refused("Refusing server name");
    ChartManager manager(nullptr);
    QTest::ignoreMessage(QtWarningMsg, refused); // setAccount
    manager.setAccount(login, server);
    QTest::ignoreMessage(QtWarningMsg, refused); // the rewrite after the answer
    manager.updateChartHistoryFromServer(answer("EURUSD", 60, bars(3)));
    QTest::ignoreMessage(QtWarningMsg, refused); // the append
    manager.appendCandleStick("EURUSD", 60, bars(3).last().timestamp, 1, 1, 1, 1);
    settle(manager);
    QCOMPARE(manager.chartHistory("EURUSD", 60).size(), 3);

    const QString naive = AccountPaths::configFolder() + '/' + server + '/' + QString::number(login);
    if (!server.contains(QChar(0))) // the toolkit itself refuses such a path
        QVERIFY(!QFileInfo::exists(naive));
    QVERIFY(!QFileInfo::exists(AccountPaths::configFolder() + '/' + QString::number(login)));
}

void TestChartManager::unsafeSymbolBuildsNoPath_data()
{
    QTest::addColumn<QString>("symbol");
    QTest::newRow("dot-dot") << "..";
    QTest::newRow("climbs out") << "../../EURUSD";
    QTest::newRow("backslash") << "EUR\\USD";
}

void TestChartManager::unsafeSymbolBuildsNoPath()
{
    QFETCH(QString, symbol);
    const quint64 login = nextLogin();
    ChartManager manager(nullptr);
    manager.setAccount(login, m_server);
    settle(manager);
    const QRegularExpression refused("Refusing symbol name");
    QTest::ignoreMessage(QtWarningMsg, refused);
    manager.updateChartHistoryFromServer(answer(symbol, 60, bars(3)));
    QTest::ignoreMessage(QtWarningMsg, refused);
    manager.appendCandleStick(symbol, 60, bars(3).last().timestamp, 1, 1, 1, 1);
    settle(manager);
    QCOMPARE(manager.chartHistory(symbol, 60).size(), 3);
    QVERIFY(!QFileInfo::exists(historyFolder(login)));
    QVERIFY(!QFileInfo::exists(historyFolder(login) + '/' + symbol + "_60"));
}

void TestChartManager::rewritesAndAppendsStayOrdered()
{
    // Every round a server answer rewrites the file on the queue thread and the
    // chart at once closes the newest bar; neither may undo the other.
    const quint64 login = nextLogin();
    ChartManager manager(nullptr);
    manager.setAccount(login, m_server);
    QVector<CandleStick> candles = bars(2000);
    manager.updateChartHistoryFromServer(answer("EURUSD", 1, candles));
    settle(manager);
    for (int round = 0; round < 150; ++round) {
        const CandleStick newest = manager.chartHistory("EURUSD", 1).last();
        const CandleStick revised(newest.timestamp, newest.open, newest.high + 0.1, newest.low, newest.close);
        const CandleStick forming(newest.timestamp + 60, round, round + 1, round - 1, round);
        manager.updateChartHistoryFromServer(answer("EURUSD", 1, {revised, forming}));
        manager.appendCandleStick("EURUSD", 1, forming.timestamp, forming.open, forming.high + 2, forming.low,
                                  forming.close);
    }
    settle(manager);
    const QVector<CandleStick> held = manager.chartHistory("EURUSD", 1);
    QCOMPARE(held.size(), 2150);
    QCOMPARE(CandleCache::readFile(historyFile(login, "EURUSD", 1)).candles(), held);
}

void TestChartManager::destructionFlushesPendingWrites()
{
    const quint64 login = nextLogin();
    const QVector<CandleStick> candles = bars(50000);
    {
        ChartManager manager(nullptr);
        manager.setAccount(login, m_server);
        settle(manager);
        manager.updateChartHistoryFromServer(answer("EURUSD", 1, candles));
        manager.appendCandleStick("EURUSD", 1, candles.last().timestamp, 1, 2, 0, 1);
    }
    QCOMPARE(records(historyFile(login, "EURUSD", 1)),
             candles.mid(0, candles.size() - 1) << CandleStick(candles.last().timestamp, 1, 2, 0, 1));
}

void TestChartManager::requestGoesOnTheWire()
{
    ChartManager unconnected(nullptr);
    unconnected.requestChartHistory("EURUSD", 60, 0, -1); // nowhere to send; must not crash

    QWebSocketServer server("peer", QWebSocketServer::NonSecureMode);
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    QList<QJsonObject> received;
    std::unique_ptr<QWebSocket> peer;
    connect(&server, &QWebSocketServer::newConnection, this, [&] {
        peer.reset(server.nextPendingConnection());
        connect(peer.get(), &QWebSocket::textMessageReceived, this, [&](const QString &text) {
            received.append(QJsonDocument::fromJson(text.toUtf8()).object());
        });
    });

    TradeClient client;
    // The client emits on its worker thread; count on this thread.
    int connected = 0;
    connect(&client, &TradeClient::websocketConnected, this, [&] { ++connected; });
    client.connectToServer(QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(server.serverPort())), 4242, "secret",
                           "Demo");
    QTRY_COMPARE_WITH_TIMEOUT(connected, 1, 10000);

    ChartManager manager(&client);
    manager.requestChartHistory("", 60, 0, -1);
    manager.requestChartHistory("EURUSD", 0, 0, -1);
    manager.requestChartHistory("EURUSD", -1, 0, -1);
    manager.requestChartHistory("EURUSD", 60, -1, -1);
    manager.requestChartHistory("EURUSD", 240, 1699990000, -1);

    const auto historyRequests = [&] {
        QList<QJsonObject> found;
        for (const QJsonObject &o : received) {
            if (o.value("req_code").toInt() == 3)
                found.append(o);
        }
        return found;
    };
    // The send queue is ordered, so an invalid request sent before the valid one
    // would have arrived first.
    QTRY_VERIFY_WITH_TIMEOUT(!historyRequests().isEmpty(), 10000);
    const QJsonObject request = historyRequests().first();
    QCOMPARE(request.value("symbol").toString(), QString("EURUSD"));
    QCOMPARE(request.value("interval").toInt(), 240);
    QCOMPARE(request.value("from").toDouble(), 1699990000.0);
    QCOMPARE(request.value("to").toInt(), -1);
    QCOMPARE(request.value("login").toDouble(), 4242.0);
    QCOMPARE(request.keys().size(), 6);
    client.logout();
}

QTEST_GUILESS_MAIN(TestChartManager)
#include "TestChartManager.moc"
