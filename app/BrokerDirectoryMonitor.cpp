#include "app/BrokerDirectoryMonitor.h"

#include "accounts/LoginDialog.h"
#include "app/Client_Terminal.h"
#include "app/ConnectionFlow.h"
#include "app/ConnectionStatusWidget.h"
#include "net/TradeClient.h"
#include "support/Logger.h"

#include <QDebug>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QWebSocket>

namespace {
const char *kRequestNumber = "directoryRequest";

void logNetwork(const QString &message)
{
    logger()->log(QStringLiteral("Network"), message);
}
} // namespace

BrokerDirectoryMonitor::BrokerDirectoryMonitor(const Parts &parts, const QUrl &directoryUrl,
                                               const QUrl &statusUrl, QObject *parent)
    : QObject(parent), m_parts(parts), m_directoryUrl(directoryUrl), m_statusUrl(statusUrl),
      m_brokerListAccess(new QNetworkAccessManager(this)), m_brokerRefreshTimer(new QTimer(this)),
      m_suspensionTimer(new QTimer(this)), m_statusReopenTimer(new QTimer(this))
{
    m_brokerListAccess->setObjectName(QStringLiteral("brokerListAccess"));
    connect(m_brokerListAccess, &QNetworkAccessManager::finished, this,
            &BrokerDirectoryMonitor::onBrokerListReceived);

    m_brokerRefreshTimer->setObjectName(QStringLiteral("brokerRefreshTimer"));
    m_brokerRefreshTimer->setInterval(refreshIntervalMs);
    connect(m_brokerRefreshTimer, &QTimer::timeout, this, &BrokerDirectoryMonitor::refreshBrokerList);

    m_suspensionTimer->setObjectName(QStringLiteral("suspensionTimer"));
    m_suspensionTimer->setInterval(suspensionCheckIntervalMs);
    connect(m_suspensionTimer, &QTimer::timeout, this, &BrokerDirectoryMonitor::checkCurrentServer);

    m_statusReopenTimer->setObjectName(QStringLiteral("statusReopenTimer"));
    m_statusReopenTimer->setSingleShot(true);
    m_statusReopenTimer->setInterval(statusReopenDelayMs);
    connect(m_statusReopenTimer, &QTimer::timeout, this, &BrokerDirectoryMonitor::openStatusSocket);
}

void BrokerDirectoryMonitor::start()
{
    refreshBrokerList();
    m_brokerRefreshTimer->start();
    setupBrokerStatusWebSocket();
    openStatusSocket();
    QTimer::singleShot(0, this, &BrokerDirectoryMonitor::refreshBrokerList);
    m_suspensionTimer->start();
}

void BrokerDirectoryMonitor::setDirectoryUrl(const QUrl &url)
{
    m_directoryUrl = url;
    // Whatever the old address still answers is not this directory's.
    m_lastApplied = m_requestsSent;
    m_firstStateCheck = true;
}

void BrokerDirectoryMonitor::setStatusUrl(const QUrl &url)
{
    m_statusUrl = url;
    if (!m_statusSocket)
        return;
    m_statusReopenTimer->stop();
    m_statusSocket->abort();
    openStatusSocket();
}

BrokerDirectoryRules::Session BrokerDirectoryMonitor::session() const
{
    BrokerDirectoryRules::Session current;
    current.serverName = m_parts.flow->serverName();
    current.connected = m_parts.tradeClient->isConnected();
    current.url = m_parts.tradeClient->url().toString();
    return current;
}

void BrokerDirectoryMonitor::refreshBrokerList()
{
    if (!m_directoryUrl.isValid())
        return;
    QNetworkRequest request(m_directoryUrl);
    request.setTransferTimeout(directoryTimeoutMs);
    QNetworkReply *reply = m_brokerListAccess->get(request);
    reply->setProperty(kRequestNumber, ++m_requestsSent);
}

void BrokerDirectoryMonitor::onBrokerListReceived(QNetworkReply *reply)
{
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError)
        return;
    const quint64 number = reply->property(kRequestNumber).toULongLong();
    if (number <= m_lastApplied)
        return;
    const BrokerDirectoryRules::Directory directory = BrokerDirectoryRules::parse(reply->readAll());
    if (!directory.valid) {
        // A garbled answer is a directory error like any other: the list in force stays.
        qWarning() << "broker directory: the answer from" << m_directoryUrl.toString()
                   << "is not a JSON array";
        return;
    }
    m_lastApplied = number;

    LoginDialog *dialog = m_parts.loginDialog;
    dialog->clearServers();
    for (const BrokerServer &server : directory.servers)
        dialog->addServer(server.name, server.address);
    m_brokerServers = directory.servers;
    m_lastDirectoryTime = QDateTime::currentDateTime();
    emit brokerServersChanged();

    checkServerStateChanges(directory.states);
}

void BrokerDirectoryMonitor::checkServerStateChanges(const BrokerDirectoryRules::ServerStates &currentStates)
{
    const BrokerDirectoryRules::StateCheck check = BrokerDirectoryRules::compare(
        m_serverStates, currentStates, m_firstStateCheck, m_suspensionDetection, session());
    m_firstStateCheck = false;
    for (const QString &line : check.logLines)
        logNetwork(line);
    if (check.store)
        m_serverStates = currentStates;
    if (check.disconnect)
        handleSuspendedServerDisconnection();
}

void BrokerDirectoryMonitor::setupBrokerStatusWebSocket()
{
    if (m_statusSocket)
        return;
    m_statusSocket = new QWebSocket(QString(), QWebSocketProtocol::Version13, this);
    m_statusSocket->setObjectName(QStringLiteral("statusSocket"));
    connect(m_statusSocket, &QWebSocket::connected, this, [this] {
        m_statusConnected = true;
        logNetwork(QStringLiteral("Connected to broker status WebSocket"));
    });
    connect(m_statusSocket, &QWebSocket::disconnected, this, [this] {
        // Attempts that never got through are retried quietly.
        if (m_statusConnected)
            logNetwork(QStringLiteral("Disconnected from broker status WebSocket"));
        m_statusConnected = false;
        m_statusReopenTimer->start();
    });
    connect(m_statusSocket, QOverload<QAbstractSocket::SocketError>::of(&QWebSocket::error), this,
            [this](QAbstractSocket::SocketError) {
                if (m_statusSocket->state() == QAbstractSocket::UnconnectedState)
                    m_statusReopenTimer->start();
            });
    connect(m_statusSocket, &QWebSocket::textMessageReceived, this,
            &BrokerDirectoryMonitor::onBrokerStatusMessage);
}

void BrokerDirectoryMonitor::openStatusSocket()
{
    if (!m_statusSocket || !m_statusUrl.isValid() ||
        m_statusSocket->state() != QAbstractSocket::UnconnectedState)
        return;
    m_statusSocket->open(m_statusUrl);
}

void BrokerDirectoryMonitor::onBrokerStatusMessage(const QString &message)
{
    const BrokerDirectoryRules::StatusChange change = BrokerDirectoryRules::parseStatusMessage(message);
    if (!change.valid)
        return;
    const bool dropSession = BrokerDirectoryRules::suspendsSession(change, session());
    if (dropSession)
        logNetwork(QStringLiteral("Real-time: Connected server ") + change.serverName +
                   QStringLiteral(" is now suspended!"));
    logNetwork(QStringLiteral("Real-time: Server %1 is now %2")
                   .arg(change.serverName,
                        change.suspended ? QStringLiteral("suspended") : QStringLiteral("active")));
    if (dropSession)
        handleSuspendedServerDisconnection();
}

bool BrokerDirectoryMonitor::isServerSuspended(const QString &serverName, const QString &serverAddress) const
{
    // Before any directory has arrived nothing is known about any server; an
    // unreachable directory is not a suspension.
    if (!m_lastDirectoryTime.isValid())
        return false;
    return BrokerDirectoryRules::isServerSuspended(m_brokerServers, serverName, serverAddress);
}

void BrokerDirectoryMonitor::checkCurrentServer()
{
    const QString name = m_parts.flow->serverName();
    if (name.isEmpty() || !m_lastDirectoryTime.isValid())
        return;
    if (isServerSuspended(name, BrokerDirectoryRules::addressOf(m_brokerServers, name)))
        handleSuspendedServerDisconnection();
}

void BrokerDirectoryMonitor::handleSuspendedServerDisconnection()
{
    // The box is modal and the timers keep running under it: one box is enough.
    if (m_suspendedBoxOpen)
        return;
    m_parts.window->disconnectToBroker();
    m_suspendedBoxOpen = true;
    QMessageBox::critical(m_parts.window, tr("Server Suspended"),
                          tr("Server Unavailable. Please contact your broker."));
    m_suspendedBoxOpen = false;
    m_parts.status->setConnectionStatus(tr("Server Suspended"), ConnectionStatusWidget::red);
}

void BrokerDirectoryMonitor::setSuspensionDetection(bool enabled)
{
    m_suspensionDetection = enabled;
    logNetwork(QStringLiteral("Suspension detection ") +
               (enabled ? QStringLiteral("enabled") : QStringLiteral("disabled")));
}
