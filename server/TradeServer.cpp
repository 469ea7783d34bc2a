#include "server/TradeServer.h"

#include "server/PriceFeed.h"
#include "server/TradeSession.h"

#include <QDebug>
#include <QTcpSocket>
#include <QWebSocket>

namespace {

QString peerKey(const QHostAddress &address, quint16 port)
{
    return QStringLiteral("%1:%2").arg(address.toString()).arg(port);
}

} // namespace

TradeServer::TradeServer(const ServerContext &context, QObject *parent)
    : QObject(parent), m_context(context),
      m_ws(QStringLiteral("demo-server trade"), QWebSocketServer::NonSecureMode)
{
    m_tcp.setMaxPendingConnections(1024);
    connect(&m_tcp, &QTcpServer::newConnection, this, &TradeServer::onTcpConnection);
    connect(&m_ws, &QWebSocketServer::newConnection, this, &TradeServer::onWebSocketConnection);
    connect(&m_ws, &QWebSocketServer::serverError, this, [](QWebSocketProtocol::CloseCode code) {
        qWarning() << "trade: handshake failed with code" << code;
    });
}

TradeServer::~TradeServer()
{
    close();
}

bool TradeServer::listen(const QHostAddress &address, quint16 port, QString &error)
{
    if (!m_tcp.listen(address, port)) {
        error = QStringLiteral("cannot listen on %1:%2: %3")
                    .arg(address.toString())
                    .arg(port)
                    .arg(m_tcp.errorString());
        return false;
    }
    return true;
}

void TradeServer::close()
{
    m_tcp.close();
    const QList<TradeSession *> sessions = m_sessions;
    m_sessions.clear();
    for (TradeSession *session : sessions) {
        session->disconnect(this);
        session->drop();
        delete session;
    }
}

int TradeServer::dropAll()
{
    const QList<TradeSession *> sessions = m_sessions;
    for (TradeSession *session : sessions)
        session->drop();
    return sessions.size();
}

void TradeServer::onTcpConnection()
{
    while (QTcpSocket *socket = m_tcp.nextPendingConnection()) {
        // Answers are small and should leave at once rather than wait for more to send.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        const QString key = peerKey(socket->peerAddress(), socket->peerPort());
        m_handshaking.insert(key, socket);
        connect(socket, &QObject::destroyed, this, [this, key] {
            auto it = m_handshaking.find(key);
            if (it != m_handshaking.end() && it.value().isNull())
                m_handshaking.erase(it);
        });
        m_ws.handleConnection(socket);
    }
}

void TradeServer::onWebSocketConnection()
{
    while (QWebSocket *socket = m_ws.nextPendingConnection()) {
        QTcpSocket *tcp = m_handshaking.take(peerKey(socket->peerAddress(), socket->peerPort()));
        auto *session = new TradeSession(socket, tcp, m_context, this);
        connect(session, &TradeSession::finished, this, &TradeServer::onSessionFinished,
                Qt::QueuedConnection);
        m_sessions.append(session);
    }
}

void TradeServer::onSessionFinished(TradeSession *session)
{
    if (m_sessions.removeOne(session))
        session->deleteLater();
}

void TradeServer::broadcastTicks(const QVector<int> &symbols)
{
    for (int symbol : symbols) {
        const QString &message = m_context.feed->tickMessage(symbol);
        for (TradeSession *session : qAsConst(m_sessions))
            session->sendTick(message);
    }
}

void TradeServer::pushAccount(qint64 login)
{
    for (TradeSession *session : qAsConst(m_sessions))
        if (session->login() == login)
            session->pushAccount();
}
