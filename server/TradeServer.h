#pragma once

#include "server/ServerContext.h"

#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QVector>
#include <QWebSocketServer>

class QTcpSocket;
class TradeSession;

// The trade server's WebSocket endpoint and its sessions. Connections are accepted by our own
// TCP server and handed to the WebSocket server, so each session can see how much is still
// waiting to be written to its client.
class TradeServer : public QObject
{
    Q_OBJECT
public:
    explicit TradeServer(const ServerContext &context, QObject *parent = nullptr);
    ~TradeServer() override;

    bool listen(const QHostAddress &address, quint16 port, QString &error);
    quint16 port() const { return m_tcp.serverPort(); }
    void close();
    int sessionCount() const { return m_sessions.size(); }
    // Drops every connection at once; returns how many there were.
    int dropAll();

    void broadcastTicks(const QVector<int> &symbols);
    void pushAccount(qint64 login);

private:
    void onTcpConnection();
    void onWebSocketConnection();
    void onSessionFinished(TradeSession *session);

    ServerContext m_context;
    QTcpServer m_tcp;
    QWebSocketServer m_ws;
    QHash<QString, QPointer<QTcpSocket>> m_handshaking; // by peer address:port
    QList<TradeSession *> m_sessions;
};
