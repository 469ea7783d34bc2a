#pragma once

#include "accounts/BrokerServer.h"
#include "app/BrokerDirectoryRules.h"

#include <QDateTime>
#include <QObject>
#include <QUrl>

class Client_Terminal;
class ConnectionFlow;
class ConnectionStatusWidget;
class LoginDialog;
class QNetworkAccessManager;
class QNetworkReply;
class QTimer;
class QWebSocket;
class TradeClient;

// Keeps the broker's server list current from the broker directory, feeds it
// to the login dialog, and drops the session when its server is suspended:
// when it leaves the directory, when the status channel says so, or when the
// half-minute check no longer finds it.
class BrokerDirectoryMonitor : public QObject
{
    Q_OBJECT
public:
    struct Parts
    {
        Client_Terminal *window = nullptr;
        TradeClient *tradeClient = nullptr;
        LoginDialog *loginDialog = nullptr;
        ConnectionStatusWidget *status = nullptr;
        ConnectionFlow *flow = nullptr;
    };

    static constexpr int refreshIntervalMs = 3000;
    static constexpr int suspensionCheckIntervalMs = 30000;
    static constexpr int statusReopenDelayMs = 3000;
    // A directory that accepts and never answers must not pile up requests.
    static constexpr int directoryTimeoutMs = 10000;

    BrokerDirectoryMonitor(const Parts &parts, const QUrl &directoryUrl, const QUrl &statusUrl,
                           QObject *parent = nullptr);

    // The first request, the polling, the suspension check and the status channel.
    void start();

    // A new directory or status address: answers still due from the old
    // directory are ignored and the next answer is the new baseline.
    void setDirectoryUrl(const QUrl &url);
    void setStatusUrl(const QUrl &url);
    QUrl directoryUrl() const { return m_directoryUrl; }
    QUrl statusUrl() const { return m_statusUrl; }

    void refreshBrokerList();
    void onBrokerListReceived(QNetworkReply *reply);
    void checkServerStateChanges(const BrokerDirectoryRules::ServerStates &currentStates);
    void setupBrokerStatusWebSocket();
    void onBrokerStatusMessage(const QString &message);
    // False until the first directory has arrived.
    bool isServerSuspended(const QString &serverName, const QString &serverAddress) const;
    void handleSuspendedServerDisconnection();
    // The half-minute check of the current server.
    void checkCurrentServer();
    void setSuspensionDetection(bool enabled);

    bool suspensionDetection() const { return m_suspensionDetection; }
    bool firstStateCheck() const { return m_firstStateCheck; }
    const BrokerServerList &brokerServers() const { return m_brokerServers; }
    const BrokerDirectoryRules::ServerStates &serverStates() const { return m_serverStates; }
    QDateTime lastDirectoryTime() const { return m_lastDirectoryTime; }
    QTimer *brokerRefreshTimer() const { return m_brokerRefreshTimer; }
    QTimer *suspensionTimer() const { return m_suspensionTimer; }
    QWebSocket *statusSocket() const { return m_statusSocket; }

signals:
    // A directory answer has replaced the server list.
    void brokerServersChanged();

private:
    BrokerDirectoryRules::Session session() const;
    void openStatusSocket();

    Parts m_parts;
    QUrl m_directoryUrl;
    QUrl m_statusUrl;
    QNetworkAccessManager *m_brokerListAccess;
    QTimer *m_brokerRefreshTimer;
    QTimer *m_suspensionTimer;
    QTimer *m_statusReopenTimer;
    QWebSocket *m_statusSocket = nullptr;

    BrokerDirectoryRules::ServerStates m_serverStates;
    bool m_firstStateCheck = true;
    bool m_suspensionDetection = true;
    BrokerServerList m_brokerServers;
    QDateTime m_lastDirectoryTime;

    // Answers are applied in the order they were asked for; a slow one that
    // arrives after a newer one is dropped.
    quint64 m_requestsSent = 0;
    quint64 m_lastApplied = 0;
    bool m_statusConnected = false;
    bool m_suspendedBoxOpen = false;
};
