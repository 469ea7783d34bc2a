#pragma once

#include "server/ServerContext.h"

#include <QJsonObject>
#include <QObject>
#include <QPointer>

class QTcpSocket;
class QWebSocket;

// One terminal's connection to the trade server: login, requests and the pushes it receives.
class TradeSession : public QObject
{
    Q_OBJECT
public:
    // Price pushes are skipped while more than this is waiting to be written to a slow client.
    static constexpr qint64 kTickBacklogBytes = 256 * 1024;
    // A client this far behind is dropped rather than buffered without end.
    static constexpr qint64 kMaxBacklogBytes = 64 * 1024 * 1024;

    TradeSession(QWebSocket *socket, QTcpSocket *tcp, const ServerContext &context,
                 QObject *parent = nullptr);
    ~TradeSession() override;

    qint64 login() const { return m_login; }
    bool isLoggedIn() const { return m_login != 0; }
    QString peer() const { return m_peer; }

    void sendTick(const QString &message);
    // Open positions with account figures (code 4), then pending orders (code 6).
    void pushAccount();
    void drop();

signals:
    void finished(TradeSession *session);

private:
    void onText(const QString &text);
    void onBinary(const QByteArray &data);
    void onDisconnected();
    void handleLogin(const QJsonObject &request);
    void handleChartHistory(const QJsonObject &request);
    void handleTrade(const QJsonObject &request);
    void handleHistory(const QJsonObject &request);
    void send(const QJsonObject &message);
    void sendText(const QString &text);
    qint64 backlog() const;

    QWebSocket *m_socket;
    QPointer<QTcpSocket> m_tcp;
    ServerContext m_context;
    QString m_peer;
    qint64 m_login = 0;
    bool m_investor = false;
    bool m_finished = false;
    qint64 m_skippedTicks = 0;
};
