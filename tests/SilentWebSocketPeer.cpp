#include "SilentWebSocketPeer.h"

#include <QCryptographicHash>
#include <QTcpSocket>

SilentWebSocketPeer::SilentWebSocketPeer(QObject *parent) : QObject(parent)
{
    m_clock.start();
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            ++m_connections;
            m_upgraded = false;
            m_request.clear();
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                m_disconnectedMs = m_clock.elapsed();
                socket->deleteLater();
                emit clientDisconnected();
            });
        }
    });
}

QUrl SilentWebSocketPeer::url() const
{
    return QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(m_server.serverPort()));
}

QByteArray SilentWebSocketPeer::textFrame(const QByteArray &payload)
{
    QByteArray frame;
    frame.append(char(0x81)); // FIN + text
    const int n = payload.size();
    if (n < 126) {
        frame.append(char(n));
    } else {
        frame.append(char(126));
        frame.append(char((n >> 8) & 0xff));
        frame.append(char(n & 0xff));
    }
    return frame + payload;
}

void SilentWebSocketPeer::onReadyRead(QTcpSocket *socket)
{
    const QByteArray data = socket->readAll();
    if (m_upgraded)
        return; // frames, pings included, are ignored
    m_request += data;
    if (!m_request.contains("\r\n\r\n"))
        return;
    QByteArray key;
    for (const QByteArray &line : m_request.split('\n')) {
        if (line.toLower().startsWith("sec-websocket-key:"))
            key = line.mid(line.indexOf(':') + 1).trimmed();
    }
    const QByteArray accept =
        QCryptographicHash::hash(key + "258EAFA5-E914-47DA-95CA-C5AB0DC85B11", QCryptographicHash::Sha1)
            .toBase64();
    socket->write("HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                  "Sec-WebSocket-Accept: " +
                  accept + "\r\n\r\n");
    m_upgraded = true;
    if (!m_greeting.isEmpty())
        socket->write(textFrame(m_greeting));
    socket->flush();
    m_lastSentMs = m_clock.elapsed();
    emit handshakeDone();
}
