#include "tests/DemoServerClient.h"

#include <QJsonDocument>
#include <QSignalSpy>
#include <QtTest>

DemoServerClient::DemoServerClient(QObject *parent) : QObject(parent)
{
    connect(&m_socket, &QWebSocket::textMessageReceived, this, &DemoServerClient::onText);
}

bool DemoServerClient::open(const QUrl &url, int timeoutMs)
{
    QSignalSpy connected(&m_socket, &QWebSocket::connected);
    m_socket.open(url);
    return connected.count() > 0 || connected.wait(timeoutMs);
}

void DemoServerClient::close()
{
    if (m_socket.state() == QAbstractSocket::UnconnectedState)
        return;
    QSignalSpy disconnected(&m_socket, &QWebSocket::disconnected);
    m_socket.close();
    if (m_socket.state() != QAbstractSocket::UnconnectedState)
        disconnected.wait(5000);
}

bool DemoServerClient::isConnected() const
{
    return m_socket.state() == QAbstractSocket::ConnectedState;
}

int DemoServerClient::codeOf(const QJsonObject &message)
{
    const QJsonValue code = message.contains(QStringLiteral("res_code"))
                                ? message.value(QStringLiteral("res_code"))
                                : message.value(QStringLiteral("req_code"));
    return code.toInt(0);
}

void DemoServerClient::onText(const QString &text)
{
    const QJsonObject message = QJsonDocument::fromJson(text.toUtf8()).object();
    const int code = codeOf(message);
    if (code == 2)
        ++m_priceCount;
    if (code != 2 || m_keepPrices)
        m_messages.append(message);
    emit received(message);
}

void DemoServerClient::send(const QJsonObject &message)
{
    m_socket.sendTextMessage(QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact)));
}

void DemoServerClient::sendText(const QString &text)
{
    m_socket.sendTextMessage(text);
}

QJsonObject DemoServerClient::login(qint64 account, const QString &password, int timeoutMs)
{
    send(QJsonObject{{QStringLiteral("req_code"), 1},
                     {QStringLiteral("id"), account},
                     {QStringLiteral("password"), password},
                     {QStringLiteral("type"), 3}});
    return take(1, timeoutMs);
}

int DemoServerClient::find(int code, const Match &match, int from) const
{
    for (int i = from; i < m_messages.size(); ++i)
        if (codeOf(m_messages[i]) == code && (!match || match(m_messages[i])))
            return i;
    return -1;
}

QJsonObject DemoServerClient::peek(int code, int timeoutMs, const Match &match)
{
    int index = -1;
    (void)QTest::qWaitFor([&] { return (index = find(code, match, 0)) >= 0 || !isConnected(); }, timeoutMs);
    if (index < 0)
        index = find(code, match, 0);
    return index >= 0 ? m_messages[index] : QJsonObject();
}

QJsonObject DemoServerClient::take(int code, int timeoutMs, const Match &match)
{
    int index = -1;
    (void)QTest::qWaitFor([&] { return (index = find(code, match, 0)) >= 0 || !isConnected(); }, timeoutMs);
    if (index < 0)
        index = find(code, match, 0);
    if (index < 0)
        return QJsonObject();
    const QJsonObject message = m_messages[index];
    for (int i = index; i >= 0; --i)
        if (codeOf(m_messages[i]) == code)
            m_messages.removeAt(i);
    return message;
}

void DemoServerClient::discard(int code)
{
    for (int i = m_messages.size() - 1; i >= 0; --i)
        if (codeOf(m_messages[i]) == code)
            m_messages.removeAt(i);
}

QJsonObject DemoServerClient::request(const QJsonObject &message, int answerCode, int timeoutMs)
{
    // Anything of that code already received belongs to earlier traffic.
    discard(answerCode);
    send(message);
    return take(answerCode, timeoutMs);
}

int DemoServerClient::countOf(int code) const
{
    int count = 0;
    for (const QJsonObject &m : m_messages)
        count += codeOf(m) == code;
    return count;
}

void DemoServerClient::clear()
{
    m_messages.clear();
}
