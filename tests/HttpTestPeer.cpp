#include "HttpTestPeer.h"

#include <QTcpSocket>

HttpTestPeer::HttpTestPeer(QObject *parent) : QObject(parent)
{
    m_clock.start();
    setAnswer(200, "{}");
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            ++m_open;
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                --m_open;
                socket->deleteLater();
            });
        }
    });
}

QUrl HttpTestPeer::url(const QString &path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path));
}

void HttpTestPeer::setAnswer(int status, const QByteArray &body)
{
    m_handler = [status, body](const Request &) { return Answer{status, body, false}; };
}

void HttpTestPeer::setSilent()
{
    m_handler = [](const Request &) { return Answer{0, QByteArray(), true}; };
}

void HttpTestPeer::onReadyRead(QTcpSocket *socket)
{
    QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    for (;;) {
        const int end = buffer.indexOf("\r\n\r\n");
        if (end < 0)
            break;
        Request request;
        const QList<QByteArray> lines = buffer.left(end).split('\n');
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        request.method = first.value(0);
        request.path = first.value(1);
        for (int i = 1; i < lines.size(); ++i) {
            const int colon = lines[i].indexOf(':');
            if (colon > 0)
                request.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                       lines[i].mid(colon + 1).trimmed());
        }
        const int length = request.headers.value("content-length").toInt();
        if (buffer.size() < end + 4 + length)
            break;
        request.body = buffer.mid(end + 4, length);
        buffer.remove(0, end + 4 + length);
        request.atMs = m_clock.elapsed();
        m_requests.append(request);
        const Answer answer = m_handler(request);
        if (!answer.silent) {
            QByteArray reply = "HTTP/1.1 " + QByteArray::number(answer.status) + " Answer\r\n";
            reply += "Content-Type: application/json\r\n";
            reply += "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\n";
            reply += "Connection: close\r\n\r\n";
            reply += answer.body;
            socket->write(reply);
            socket->disconnectFromHost();
        }
        emit requestReceived();
    }
    socket->setProperty("buffer", buffer);
}
