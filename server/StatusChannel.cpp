#include "server/StatusChannel.h"

#include <QDebug>
#include <QJsonDocument>
#include <QJsonObject>
#include <QWebSocket>

StatusChannel::StatusChannel(QObject *parent)
    : QObject(parent), m_server(QStringLiteral("demo-server status"), QWebSocketServer::NonSecureMode)
{
    m_server.setMaxPendingConnections(256);
    connect(&m_server, &QWebSocketServer::newConnection, this, &StatusChannel::onNewConnection);
}

StatusChannel::~StatusChannel()
{
    close();
}

bool StatusChannel::listen(const QHostAddress &address, quint16 port, QString &error)
{
    if (!m_server.listen(address, port)) {
        error = QStringLiteral("cannot listen on %1:%2: %3")
                    .arg(address.toString())
                    .arg(port)
                    .arg(m_server.errorString());
        return false;
    }
    return true;
}

void StatusChannel::close()
{
    m_server.close();
    const QList<QWebSocket *> clients = m_clients;
    m_clients.clear();
    for (QWebSocket *socket : clients) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
}

void StatusChannel::onNewConnection()
{
    while (QWebSocket *socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        socket->setMaxAllowedIncomingMessageSize(4096);
        m_clients.append(socket);
        connect(socket, &QWebSocket::textMessageReceived, this, [](const QString &message) {
            qDebug().noquote() << "status channel: ignoring a message from a listener:" << message.left(200);
        });
        connect(socket, &QWebSocket::disconnected, this, [this, socket] {
            m_clients.removeAll(socket);
            socket->deleteLater();
        });
    }
}

void StatusChannel::publishStatusChange(const QString &serverName, const QString &serverAddress,
                                        bool suspended)
{
    QJsonObject message;
    message.insert(QStringLiteral("type"), QStringLiteral("server_status_change"));
    message.insert(QStringLiteral("server_name"), serverName);
    message.insert(QStringLiteral("server_address"), serverAddress);
    message.insert(QStringLiteral("is_suspended"), suspended);
    const QString text = QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact));
    qInfo().noquote() << "status channel:" << text << "to" << m_clients.size() << "listener(s)";
    for (QWebSocket *socket : qAsConst(m_clients))
        socket->sendTextMessage(text);
}
