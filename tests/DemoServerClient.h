#pragma once

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QUrl>
#include <QWebSocket>
#include <functional>

// A bare WebSocket client of the trade protocol, written from the protocol itself (not the
// terminal's classes), that keeps every message it receives for the test to look through.
class DemoServerClient : public QObject
{
    Q_OBJECT
public:
    using Match = std::function<bool(const QJsonObject &)>;

    explicit DemoServerClient(QObject *parent = nullptr);

    bool open(const QUrl &url, int timeoutMs = 10000);
    void close();
    bool isConnected() const;
    QWebSocket &socket() { return m_socket; }

    void send(const QJsonObject &message);
    void sendText(const QString &text);
    // Logs in and returns the login result (an empty object on time-out).
    QJsonObject login(qint64 account, const QString &password, int timeoutMs = 10000);

    // The first message with this code (and matching) not taken yet, waiting up to timeoutMs.
    // It and every earlier message of the same code are taken.
    QJsonObject take(int code, int timeoutMs = 10000, const Match &match = Match());
    // Like take, but leaves the messages in place.
    QJsonObject peek(int code, int timeoutMs = 10000, const Match &match = Match());
    // Sends a request and takes the next message of the answer's code that arrives after it.
    QJsonObject request(const QJsonObject &message, int answerCode, int timeoutMs = 10000);

    QList<QJsonObject> messages() const { return m_messages; }
    int countOf(int code) const;
    // Forgets every message of this code received so far.
    void discard(int code);
    void clear();
    // Price pushes are counted but not kept (they come many times a second).
    void setKeepPrices(bool keep) { m_keepPrices = keep; }
    qint64 priceCount() const { return m_priceCount; }

    static int codeOf(const QJsonObject &message);

signals:
    void received(const QJsonObject &message);

private:
    int find(int code, const Match &match, int from) const;
    void onText(const QString &text);

    QWebSocket m_socket;
    QList<QJsonObject> m_messages;
    bool m_keepPrices = true;
    qint64 m_priceCount = 0;
};
