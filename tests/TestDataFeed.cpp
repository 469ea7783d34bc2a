// The price and symbol road end to end: a trade server peer on a loopback
// port, the real connection, the tick buffer at 100 ms and the symbol storage.
#include "data/PriceDataBuffer.h"
#include "data/SymbolDataStorage.h"
#include "net/TradeClient.h"
#include "support/Logger.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebSocket>
#include <QWebSocketServer>
#include <QtTest>

namespace {

QString compact(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

// A minimal trade server: answers the login, sends the symbol list, then
// pushes bursts of prices until stopped.
class TradePeer : public QObject
{
    Q_OBJECT
public:
    static constexpr int kBurst = 5;

    TradePeer() : m_server(QStringLiteral("peer"), QWebSocketServer::NonSecureMode)
    {
        connect(&m_server, &QWebSocketServer::newConnection, this, &TradePeer::onNewConnection);
        connect(&m_pushTimer, &QTimer::timeout, this, &TradePeer::pushBurst);
    }

    bool listen() { return m_server.listen(QHostAddress::LocalHost, 0); }
    QUrl url() const { return QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(m_server.serverPort())); }
    void stopPushing() { m_pushTimer.stop(); }

    QJsonObject loginMessage;
    QMap<QString, int> pushed;     // price pushes sent per symbol
    QMap<QString, double> lastBid; // newest bid sent per symbol

    static double bidFor(const QString &symbol, int sequence)
    {
        return (symbol == QLatin1String("USDJPY") ? 150.0 : 1.1) + sequence * 0.00001;
    }

private:
    void onNewConnection()
    {
        m_client = m_server.nextPendingConnection();
        m_client->setParent(this); // the server hands the socket over to us
        connect(m_client, &QWebSocket::textMessageReceived, this, &TradePeer::onMessage);
    }

    void onMessage(const QString &text)
    {
        const QJsonObject message = QJsonDocument::fromJson(text.toUtf8()).object();
        if (message.value(QLatin1String("req_code")).toInt() != 1)
            return;
        loginMessage = message;
        m_client->sendTextMessage(compact({{"res_code", 1},
                                           {"state", 1},
                                           {"login", message.value(QLatin1String("id"))},
                                           {"name", "Test Trader"},
                                           {"group", "demo"},
                                           {"timezone", "+02:00"}}));
        QJsonArray symbols;
        for (const char *name : {"USDJPY", "EURUSD", "AUDUSD", "GBPUSD"})
            symbols.append(QJsonObject{{"symbol", name},
                                       {"desc", QStringLiteral("%1 description").arg(QLatin1String(name))},
                                       {"digits", QLatin1String(name) == QLatin1String("USDJPY") ? 3 : 5},
                                       {"c_size", 100000},
                                       {"min_vol", 100},
                                       {"max_vol", 1000000},
                                       {"step_vol", 100},
                                       {"path", "Forex"}});
        m_client->sendTextMessage(compact({{"res_code", 8}, {"array", symbols}}));
        m_pushTimer.start(20);
    }

    void pushBurst()
    {
        if (!m_client)
            return;
        for (const QString &symbol : {QStringLiteral("EURUSD"), QStringLiteral("USDJPY")}) {
            for (int i = 0; i < kBurst; ++i) {
                const int sequence = ++pushed[symbol];
                const double bid = bidFor(symbol, sequence);
                lastBid[symbol] = bid;
                m_client->sendTextMessage(compact({{"res_code", 2},
                                                   {"symbol", symbol},
                                                   {"timestamp", 1700000000 + sequence},
                                                   {"server_time", 1700000000 + sequence},
                                                   {"tm_ms", 1700000000000LL + sequence},
                                                   {"bid", bid},
                                                   {"ask", bid + 0.0002},
                                                   {"volume", 10000},
                                                   {"digits", symbol == QLatin1String("USDJPY") ? 3 : 5}}));
            }
        }
    }

    QWebSocketServer m_server;
    QPointer<QWebSocket> m_client;
    QTimer m_pushTimer;
};

} // namespace

class TestDataFeed : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void symbolListAndBatchedTicks();

private:
    QTemporaryDir m_dir;
};

void TestDataFeed::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dir.isValid());
    // The log folder is made in the current directory.
    QVERIFY(QDir::setCurrent(m_dir.path()));
}

void TestDataFeed::cleanupTestCase()
{
    logger()->finish();
}

void TestDataFeed::symbolListAndBatchedTicks()
{
    TradePeer peer;
    QVERIFY(peer.listen());

    // Wired as the main window wires them.
    PriceDataBuffer buffer;
    buffer.setInterval(100);
    SymbolDataStorage storage;
    TradeClient client; // after the buffer: it must stop feeding it first
    connect(&client, &TradeClient::websocketConnected, &buffer, &PriceDataBuffer::beginTimer);
    connect(&client, &TradeClient::websocketDisconnected, &buffer, &PriceDataBuffer::endTimer);
    connect(&client, &TradeClient::symbolListReceived, &storage, &SymbolDataStorage::onSymbolList);
    connect(&buffer, &PriceDataBuffer::tickUpdated, &storage, &SymbolDataStorage::onUpdatedTicks);
    client.setPriceBuffer(&buffer);

    // The client emits on its worker thread; the spy listens on this thread's relay.
    QObject relay;
    QList<QJsonObject> logins;
    connect(&client, &TradeClient::loginSuccess, &relay, [&](const QJsonObject &info) { logins << info; });
    QSignalSpy listSpy(&storage, &SymbolDataStorage::symbolListChanged);
    QList<qint64> batchTimes;
    bool repeatedInBatch = false;
    bool wentBack = false;
    QElapsedTimer clock;
    clock.start();
    connect(&buffer, &PriceDataBuffer::tickUpdated, this, [&](const QList<TickData> &batch) {
        batchTimes << clock.elapsed();
        QSet<QString> symbols;
        for (const TickData &tick : batch) {
            repeatedInBatch |= symbols.contains(tick.symbol);
            symbols.insert(tick.symbol);
        }
    });
    QMap<QString, int> delivered;
    QMap<QString, double> lastDelivered;
    connect(&storage, &SymbolDataStorage::tickChanged, this, [&](const TickData &tick) {
        ++delivered[tick.symbol];
        wentBack |= tick.bid <= lastDelivered.value(tick.symbol, 0.0);
        lastDelivered.insert(tick.symbol, tick.bid);
    });

    client.connectToServer(peer.url(), 5001, QStringLiteral("secret"), QStringLiteral("Test Server"));
    QTRY_COMPARE_WITH_TIMEOUT(logins.size(), 1, 10000);
    QCOMPARE(peer.loginMessage,
             (QJsonObject{{"req_code", 1}, {"id", 5001}, {"password", "secret"}, {"type", 3}}));
    QCOMPARE(logins.first().value(QLatin1String("name")).toString(), QStringLiteral("Test Trader"));
    QVERIFY(client.isLoggedIn());

    QTRY_COMPARE_WITH_TIMEOUT(listSpy.count(), 1, 10000);
    QCOMPARE(listSpy.at(0).at(0).toStringList(), (QStringList{"EURUSD", "GBPUSD", "AUDUSD", "USDJPY"}));
    QCOMPARE(storage.digits(QStringLiteral("USDJPY")), 3);
    QCOMPARE(storage.setting(QStringLiteral("EURUSD")).desc, QStringLiteral("EURUSD description"));

    // Twelve batches of the live stream.
    QTRY_VERIFY_WITH_TIMEOUT(batchTimes.size() >= 12, 20000);
    peer.stopPushing();

    // The newest price of each symbol gets through once the stream stops.
    for (const QString &symbol : {QStringLiteral("EURUSD"), QStringLiteral("USDJPY")})
        QTRY_COMPARE_WITH_TIMEOUT(storage.tick(symbol).bid, peer.lastBid.value(symbol), 5000);
    QCOMPARE(storage.tick(QStringLiteral("USDJPY")).digits, 3);
    QVERIFY(!repeatedInBatch);
    QVERIFY(!wentBack);

    // Pushes arrive in bursts of five, every 20 ms: a 100 ms batch holds only the
    // newest of many, so far fewer ticks reach the storage than were sent.
    for (const QString &symbol : {QStringLiteral("EURUSD"), QStringLiteral("USDJPY")}) {
        QVERIFY2(delivered.value(symbol) * 2 < peer.pushed.value(symbol),
                 qPrintable(QStringLiteral("%1: %2 delivered of %3")
                                .arg(symbol)
                                .arg(delivered.value(symbol))
                                .arg(peer.pushed.value(symbol))));
    }

    // Batches come on the 100 ms period. Single gaps can be short after a late
    // timer, so the mean over the run is checked, with room for a loaded machine.
    const int gaps = batchTimes.size() - 1;
    const double meanGap = double(batchTimes.last() - batchTimes.first()) / gaps;
    QVERIFY2(meanGap >= 80.0 && meanGap <= 300.0, qPrintable(QString::number(meanGap)));

    client.logout();
    QVERIFY(!client.isRunning());
}

QTEST_GUILESS_MAIN(TestDataFeed)
#include "TestDataFeed.moc"
