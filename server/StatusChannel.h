#pragma once

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QWebSocketServer>

class QWebSocket;

// The broker status WebSocket: pushes "server_status_change" to every connected listener.
class StatusChannel : public QObject
{
    Q_OBJECT
public:
    explicit StatusChannel(QObject *parent = nullptr);
    ~StatusChannel() override;

    bool listen(const QHostAddress &address, quint16 port, QString &error);
    quint16 port() const { return m_server.serverPort(); }
    void close();
    int listenerCount() const { return m_clients.size(); }

    // serverAddress as the terminal writes its own connection: "ws://host:port".
    void publishStatusChange(const QString &serverName, const QString &serverAddress, bool suspended);

private:
    void onNewConnection();

    QWebSocketServer m_server;
    QList<QWebSocket *> m_clients;
};
