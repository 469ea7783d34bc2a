#include "WebSocketTestPeer.h"

#include <QJsonDocument>
#include <QWebSocket>

WebSocketTestPeer::WebSocketTestPeer(QObject *parent)
    : QObject(parent), m_server(QStringLiteral("test peer"), QWebSocketServer::NonSecureMode)
{
    m_clock.start();
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QWebSocketServer::newConnection, this, [this] {
        while (QWebSocket *client = m_server.nextPendingConnection()) {
            ++m_connections;
            m_connectionTimes.append(m_clock.elapsed());
            m_clients.append(client);
            connect(client, &QWebSocket::textMessageReceived, this, [this, client](const QString &text) {
                const QJsonObject object = QJsonDocument::fromJson(text.toUtf8()).object();
                m_received.append({object, text, m_clock.elapsed()});
                if (m_handler) {
                    for (const QJsonObject &reply : m_handler(object))
                        client->sendTextMessage(
                            QString::fromUtf8(QJsonDocument(reply).toJson(QJsonDocument::Compact)));
                }
                emit messageReceived(object);
            });
            connect(client, &QWebSocket::disconnected, this, [this, client] {
                m_clients.removeAll(client);
                client->deleteLater();
                emit clientDisconnected();
            });
            emit clientConnected();
        }
    });
}

WebSocketTestPeer::~WebSocketTestPeer()
{
    for (QWebSocket *client : qAsConst(m_clients))
        client->abort();
    qDeleteAll(m_clients);
}

QUrl WebSocketTestPeer::url() const
{
    return QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(m_server.serverPort()));
}

WebSocketTestPeer::Handler WebSocketTestPeer::loginHandler(bool accept, const QJsonObject &extra)
{
    return [accept, extra](const QJsonObject &request) -> QList<QJsonObject> {
        if (request.value(QLatin1String("req_code")).toInt() != 1)
            return {};
        QJsonObject reply = extra;
        reply.insert(QStringLiteral("res_code"), 1);
        reply.insert(QStringLiteral("state"), accept ? 1 : 0);
        reply.insert(QStringLiteral("login"), request.value(QLatin1String("id")));
        if (!reply.contains(QLatin1String("timezone")))
            reply.insert(QStringLiteral("timezone"), QStringLiteral("+02:00"));
        return {reply};
    };
}

void WebSocketTestPeer::sendToAll(const QJsonObject &object)
{
    sendTextToAll(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
}

void WebSocketTestPeer::sendTextToAll(const QString &text)
{
    for (QWebSocket *client : qAsConst(m_clients))
        client->sendTextMessage(text);
}

void WebSocketTestPeer::closeAll()
{
    for (QWebSocket *client : qAsConst(m_clients))
        client->close();
}
