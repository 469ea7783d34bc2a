#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

// A WebSocket peer that completes the opening handshake, sends the frames it
// is told to send and otherwise never answers anything, pings included.
// Qt's own WebSocket server always answers pings, so this one is raw TCP.
class SilentWebSocketPeer : public QObject
{
    Q_OBJECT
public:
    explicit SilentWebSocketPeer(QObject *parent = nullptr);

    QUrl url() const;
    // Text frame sent right after the handshake (empty: nothing).
    void setGreeting(const QByteArray &text) { m_greeting = text; }

    qint64 lastSentMs() const { return m_lastSentMs; }
    qint64 disconnectedMs() const { return m_disconnectedMs; }
    int connectionCount() const { return m_connections; }
    qint64 elapsedMs() const { return m_clock.elapsed(); }

    static QByteArray textFrame(const QByteArray &payload);

signals:
    void handshakeDone();
    void clientDisconnected();

private:
    void onReadyRead(QTcpSocket *socket);

    QTcpServer m_server;
    QElapsedTimer m_clock;
    QByteArray m_greeting;
    QByteArray m_request;
    bool m_upgraded = false;
    qint64 m_lastSentMs = -1;
    qint64 m_disconnectedMs = -1;
    int m_connections = 0;
};
