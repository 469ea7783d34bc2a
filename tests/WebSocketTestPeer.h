#pragma once

#include <QElapsedTimer>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QWebSocketServer>
#include <functional>

class QWebSocket;

// A scripted trade-server peer on an ephemeral loopback port. Every received
// text is recorded with its arrival time; a handler may answer it.
class WebSocketTestPeer : public QObject
{
    Q_OBJECT
public:
    struct Received
    {
        QJsonObject object;
        QString text;
        qint64 atMs;
    };

    // Called for each received object; returns the objects to send back.
    using Handler = std::function<QList<QJsonObject>(const QJsonObject &)>;

    explicit WebSocketTestPeer(QObject *parent = nullptr);
    ~WebSocketTestPeer() override;

    QUrl url() const;
    void setHandler(Handler handler) { m_handler = std::move(handler); }

    // Answers a login with state 1 (or 0 when refuse is set).
    static Handler loginHandler(bool accept, const QJsonObject &extra = QJsonObject());

    void sendToAll(const QJsonObject &object);
    void sendTextToAll(const QString &text);
    void closeAll();

    int connectionCount() const { return m_connections; }
    QList<qint64> connectionTimesMs() const { return m_connectionTimes; }
    QList<Received> received() const { return m_received; }
    int openClients() const { return m_clients.size(); }
    qint64 elapsedMs() const { return m_clock.elapsed(); }

signals:
    void clientConnected();
    void messageReceived(const QJsonObject &object);
    void clientDisconnected();

private:
    QWebSocketServer m_server;
    QList<QWebSocket *> m_clients;
    QList<Received> m_received;
    QList<qint64> m_connectionTimes;
    Handler m_handler;
    QElapsedTimer m_clock;
    int m_connections = 0;
};
