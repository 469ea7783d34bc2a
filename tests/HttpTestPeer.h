#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QObject>
#include <QTcpServer>
#include <QUrl>
#include <functional>

class QTcpSocket;

// A scripted HTTP/1.1 server on an ephemeral loopback port. Every request is
// recorded; the handler's answer is sent back with "Connection: close", or
// nothing at all when the answer says so (a peer that accepts and never answers).
class HttpTestPeer : public QObject
{
    Q_OBJECT
public:
    struct Request
    {
        QByteArray method;
        QByteArray path;
        QMap<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
        qint64 atMs = 0;
    };
    struct Answer
    {
        int status = 200;
        QByteArray body;
        bool silent = false;
    };
    using Handler = std::function<Answer(const Request &)>;

    explicit HttpTestPeer(QObject *parent = nullptr);

    quint16 port() const { return m_server.serverPort(); }
    QUrl url(const QString &path) const;

    void setHandler(Handler handler) { m_handler = std::move(handler); }
    // Every request gets this answer.
    void setAnswer(int status, const QByteArray &body);
    void setSilent();

    QList<Request> requests() const { return m_requests; }
    int requestCount() const { return m_requests.size(); }
    qint64 elapsedMs() const { return m_clock.elapsed(); }
    int openConnections() const { return m_open; }

signals:
    void requestReceived();

private:
    void onReadyRead(QTcpSocket *socket);

    QTcpServer m_server;
    QElapsedTimer m_clock;
    Handler m_handler;
    QList<Request> m_requests;
    int m_open = 0;
};
