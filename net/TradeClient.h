#pragma once

#include <QAbstractSocket>
#include <QJsonObject>
#include <QStringList>
#include <QThread>
#include <QTimeZone>
#include <QUrl>
#include <mutex>

#include <atomic>

class QTimer;
class QWebSocket;
class TickSink;

// The single link to the trade server. The worker thread owns the socket and
// its timers; the main thread configures the connection and queues requests,
// and results come back as signals (queued to receivers on the main thread).
class TradeClient : public QThread
{
    Q_OBJECT
public:
    explicit TradeClient(QObject *parent = nullptr);
    ~TradeClient() override;

    // Starts (or restarts) a session. Returns true when any parameter changed.
    bool connectToServer(const QUrl &url, quint64 login, const QString &password, const QString &serverName);
    void logout();
    // The password of later logins (the reconnects of this session), once the
    // server has accepted a change; the running session goes on.
    void setPassword(const QString &password);
    // Ends the worker without a log line; for the end of the process.
    void shutdown();

    // Adds "login" unless present and queues the object as compact JSON.
    void sendRequest(const QJsonObject &object);
    void sendMessage(const QString &text);
    // History from local midnight of today + dayOffset to tomorrow's midnight,
    // at most one request per 5 s across all callers.
    void requestHistory(int dayOffset);

    QTimeZone serverZone() const;
    quint64 login() const { return m_login; }
    QString password() const { return m_password; }
    QString serverName() const { return m_serverName; }
    QUrl url() const { return m_url; }
    QString lastError() const;
    void clearLastError();
    bool isLoggedIn() const { return m_loggedIn.load(); }
    bool isConnected() const { return m_connected.load(); }

    // Not owned; may be null. Once this returns, the previous buffer is no longer
    // in use by the worker, so its owner may delete it.
    void setPriceBuffer(TickSink *buffer);

    // One received text as an object; malformed text or a non-object gives an empty one.
    static QJsonObject parseMessage(const QString &text);

    // An empty text is UTC; "+HH:MM" / "-HH:MM" is that fixed offset.
    static QTimeZone parseTimeZone(const QString &text);
    static QString formatDateTime(qint64 seconds, const QTimeZone &zone);
    static QString formatTime(qint64 seconds, const QTimeZone &zone);

signals:
    void websocketConnected();
    void websocketDisconnected();
    void loginSuccess(const QJsonObject &info);
    void loginFail();
    void chartHistoryReceived(const QJsonObject &chart);
    void openPositionsReceived(const QJsonObject &positions);
    void tradeHistoryReceived(const QJsonObject &trade);
    void pendingOrdersReceived(const QJsonObject &pendings);
    void tradeResponseReceived(const QJsonObject &response);
    void symbolListReceived(const QJsonObject &symbols);
    void error(const QString &errorString);

protected:
    void run() override;

private:
    // Worker-thread handlers.
    void onConnected();
    void closed();
    void onMessageReceived(const QString &msg);
    void reconnect();
    void onError(QAbstractSocket::SocketError code);
    void pingToServer();
    void onPong();
    void forceDisconnect();
    void drainSendQueue();
    void scheduleReconnect();

    // The protocol dispatcher and its login handling.
    void dispatch(const QJsonObject &object);
    void handleLoginResult(const QJsonObject &object);
    void handleTradeResult(const QJsonObject &object);
    void setLastError(const QString &text);
    void stopWorker();

    // Written by the main thread only while the worker is stopped.
    QUrl m_url;
    quint64 m_login = 0;
    QString m_serverName;
    // Written by the main thread only; setPassword may change it while the worker runs.
    QString m_password;
    std::mutex m_passwordMutex;

    QStringList m_sendQueue;
    std::mutex m_queueMutex;

    mutable std::mutex m_stateMutex; // lastError and serverZone, written by the worker
    QString m_lastError;
    QTimeZone m_serverZone;

    std::atomic<bool> m_connected{false};
    std::atomic<bool> m_loggedIn{false};
    bool m_pongPending = false; // worker only
    std::atomic<bool> m_workerDone{false};

    // Worker-thread objects, alive while run() is.
    QTimer *m_pingTimer = nullptr;
    QTimer *m_sendTimer = nullptr;
    QTimer *m_pongTimer = nullptr;
    QTimer *m_reconnectTimer = nullptr;
    QWebSocket *m_socket = nullptr;

    std::mutex m_sinkMutex; // held while the worker hands a tick to the buffer
    TickSink *m_priceBuffer = nullptr;
};
