#include "app/ConnectionFlow.h"

#include "BuildConfig.h"
#include "accounts/LoginDialog.h"
#include "accounts/LoginFile.h"
#include "accounts/SavedAccountsFile.h"
#include "app/AccountSession.h"
#include "app/AccountTreePanel.h"
#include "app/Client_Terminal.h"
#include "app/ConnectionStatusWidget.h"
#include "app/MainWindowForm.h"
#include "app/SoundEffects.h"
#include "chart/ChartManager.h"
#include "data/AccountPaths.h"
#include "data/PositionDataStore.h"
#include "data/SymbolDataStorage.h"
#include "net/JsonRead.h"
#include "net/SessionFlags.h"
#include "net/TradeClient.h"

#include <QAction>
#include <QMdiArea>
#include <QMessageBox>
#include <QTimer>
#include <QUrl>

using Status = ConnectionStatusWidget;

ConnectionFlow::ConnectionFlow(const Parts &parts, QObject *parent)
    : QObject(parent), m_parts(parts), m_loginTimeoutTimer(new QTimer(this))
{
    m_loginTimeoutTimer->setObjectName(QStringLiteral("loginTimeoutTimer"));
    m_loginTimeoutTimer->setSingleShot(true);
    connect(m_loginTimeoutTimer, &QTimer::timeout, this, &ConnectionFlow::onLoginTimeout);
    connect(m_parts.accountTree, &AccountTreePanel::switchRequested, this, &ConnectionFlow::switchAccount);
}

QString ConnectionFlow::serverUrlFor(const QString &address)
{
    QString url = QStringLiteral("ws://") + address;
    if (!address.contains(QLatin1Char(':')))
        url += QStringLiteral(":%1").arg(BuildConfig::tradePort);
    return url;
}

QString ConnectionFlow::hostOf(const QString &address)
{
    const QString host = QUrl(address).host();
    if (!host.isEmpty())
        return host;
    return address.section(QLatin1Char(':'), 0, 0);
}

void ConnectionFlow::setStatus(const QString &text, const QColor &colour)
{
    m_parts.status->setConnectionStatus(text, colour);
}

void ConnectionFlow::setPingTarget(const QString &host, bool probeNow)
{
    m_pingTarget = host;
    emit pingTargetChanged(host, probeNow);
}

void ConnectionFlow::criticalBox(const QString &title, const QString &text)
{
    QMessageBox::critical(m_parts.window, title, text);
}

void ConnectionFlow::showLoginDialog()
{
    m_parts.loginDialog->show();
    m_parts.loginDialog->raise();
    m_parts.loginDialog->activateWindow();
}

void ConnectionFlow::connectToBroker()
{
    setStatus(tr("Connecting..."), Status::blue);
    m_parts.status->setLatencyIdle(QStringLiteral("..."));
    LoginDialog *dialog = m_parts.loginDialog;
    const qint64 login = dialog->currentLogin();
    const QString password = dialog->password();
    const QString address = dialog->serverAddressText();
    const QString name = dialog->serverNameText();
    if (login == 0 || password.isEmpty() || address.isEmpty()) {
        setStatus(tr("Login Failed - Invalid Parameters"), Status::red);
        m_parts.status->setLatencyIdle(QStringLiteral("--"));
        return;
    }
    setPingTarget(address.section(QLatin1Char(':'), 0, 0));
    TradeClient *client = m_parts.tradeClient;
    const bool changed = client->connectToServer(QUrl(serverUrlFor(address)), quint64(login), password, name);
    if (!changed && client->isLoggedIn()) {
        // The same session is already up: say so instead of reporting a failure.
        setStatus(tr("connected"), Status::darkGreen);
        m_parts.status->setLatencyIdle(QString());
        return;
    }
    // Unchanged parameters without a session restart the attempt; it is a new attempt like any other.
    m_parts.window->clearUI();
    m_loginTimeoutTimer->start(m_loginTimeoutMs);
}

void ConnectionFlow::disconnectToBroker()
{
    m_loginTimeoutTimer->stop();
    m_reconnectNoticeShown = false;
    setStatus(tr("Disconnecting..."), Status::darkYellow);
    m_parts.status->setLatencyIdle(QStringLiteral("--"));
    m_parts.tradeClient->logout();
    setStatus(tr("disconnected"), Status::red);
    updateComponents(false);
    m_parts.window->clearUI();
    loadAccountTree();
    emit sessionEnded();
}

void ConnectionFlow::relogin(qint64 login, const QString &password, const QString &server)
{
    disconnectToBroker();
    m_parts.loginDialog->setLogin(login);
    m_parts.loginDialog->setPassword(password);
    m_parts.loginDialog->setServerName(server);
    connectToBroker();
}

void ConnectionFlow::loginSavedAccount(const QString &serverName, qint64 login)
{
    setStatus(tr("Connecting..."), Status::blue);
    m_parts.status->setLatencyIdle(QStringLiteral("..."));
    LoginDialog *dialog = m_parts.loginDialog;
    dialog->setServerName(serverName);
    dialog->setLogin(login);
    const SavedAccount *found = nullptr;
    const QVector<SavedAccount> &accounts = dialog->savedAccountList();
    for (const SavedAccount &account : accounts) {
        if (account.login == login && account.serverName == serverName) {
            found = &account;
            break;
        }
    }
    if (!found) {
        setStatus(tr("Login Failed - Account Not Found"), Status::red);
        return;
    }
    if (found->password.isEmpty()) {
        setStatus(tr("Login Failed - No Password"), Status::red);
        return;
    }
    dialog->setPassword(found->password);
    if (found->serverAddress.isEmpty()) {
        setStatus(tr("Login Failed - No Server Address"), Status::red);
        return;
    }
    dialog->setServerAddress(found->serverAddress);
    const QString address = dialog->serverAddressText();
    if (m_isServerSuspended && m_isServerSuspended(serverName, address)) {
        setStatus(tr("Server Suspended"), Status::red);
        criticalBox(tr("Server Suspended"), tr("Server Unavailable. Please contact your broker."));
        return;
    }
    if (!address.isEmpty())
        setPingTarget(hostOf(address));
    connectToBroker();
}

void ConnectionFlow::switchAccount(const QString &serverName, qint64 login)
{
    if (serverName.isEmpty() || login <= 0)
        return;
    if (m_parts.tradeClient->isConnected()) {
        disconnectToBroker();
        QTimer::singleShot(100, this, [this, serverName, login] { loginSavedAccount(serverName, login); });
    } else {
        loginSavedAccount(serverName, login);
    }
}

void ConnectionFlow::autoLoginSavedAccount()
{
    const std::optional<SavedAccountsFile::OnlineAccount> online = SavedAccountsFile().firstOnline();
    if (!online || online->login == 0 || online->serverAddress.isEmpty())
        return;
    const SavedAccountsFile::OnlineAccount &account = *online;
    m_accountName = account.name;
    m_login = account.login;
    m_serverName = account.serverName;
    // The dialog follows the account, so the tree marks it and its shown symbols are its own.
    m_parts.loginDialog->setLogin(account.login);
    m_parts.loginDialog->setServerName(account.serverName);
    m_parts.status->setLatencyIdle(QStringLiteral("..."));
    setPingTarget(hostOf(account.serverAddress), true);
    m_parts.tradeClient->connectToServer(QUrl(account.serverAddress), quint64(account.login),
                                         account.password, account.serverName);
    updateWindowTitle();
}

void ConnectionFlow::updateWindowTitle()
{
    QString title = QStringLiteral("%1 (%2, %3)").arg(m_accountName).arg(m_login).arg(m_serverName);
    if (SessionFlags::investor())
        title += QStringLiteral(" [READ-ONLY MODE]");
    m_parts.window->setWindowTitle(title);
}

void ConnectionFlow::onWebsocketConnected()
{
    m_reconnectNoticeShown = false;
    setStatus(tr("connected"), Status::darkGreen);
}

void ConnectionFlow::onWebsocketClosed()
{
    if (SessionFlags::accountDisabled()) {
        m_reconnectNoticeShown = false;
        setStatus(tr("disconnected"), Status::red);
        m_parts.window->showChartWindows(false);
        updateComponents(false);
        m_parts.positions->clear();
        m_parts.symbols->clear();
        m_parts.window->clearNetPositions();
        return;
    }
    m_parts.sounds->play(SoundEffects::Disconnected);
}

void ConnectionFlow::onWebsocketDisconnectedNotice()
{
    if (m_parts.status->statusText() == tr("disconnected"))
        return;
    if (m_login > 0 && !m_serverName.isEmpty()) {
        if (!m_reconnectNoticeShown) {
            m_reconnectNoticeShown = true;
            setStatus(tr("reconnecting..."), Status::orange);
        }
    } else if (!m_reconnectNoticeShown) {
        setStatus(tr("disconnected"), Status::red);
    }
}

void ConnectionFlow::onLoginTimeout()
{
    // The socket opening already shows "connected", so the status text cannot tell
    // whether the login was answered: an attempt times out when it never logged in.
    if (m_parts.tradeClient->isLoggedIn())
        return;
    setStatus(tr("Login Timeout"), Status::red);
    m_parts.status->setLatencyIdle(QStringLiteral("--"));
    m_parts.tradeClient->logout();
    m_parts.window->clearUI();
    loadAccountTree();
}

void ConnectionFlow::onPasswordChanged(bool mainPassword, const QString &newPassword)
{
    if (m_login == 0 || newPassword.isEmpty())
        return;
    const bool investorSession = SessionFlags::investor();
    SavedAccountsFile().replacePassword(m_login, m_serverName, !mainPassword, newPassword);
    // Only the password this session logged in with is in the connection and the login file.
    if (mainPassword == investorSession)
        return;
    TradeClient *client = m_parts.tradeClient;
    client->setPassword(newPassword);
    if (!m_savedPassword.isEmpty())
        m_savedPassword = newPassword;
    const QString folder = AccountPaths::accountFolder(m_serverName, quint64(m_login));
    if (!folder.isEmpty() && LoginFile::read(folder))
        LoginFile::write(folder, m_login, newPassword, client->url().toString());
    LoginDialog *dialog = m_parts.loginDialog;
    dialog->reload();
    if (dialog->currentLogin() == m_login && dialog->serverNameText() == m_serverName)
        dialog->setPassword(newPassword);
}

void ConnectionFlow::onLogin(const QJsonObject &obj)
{
    TradeClient *client = m_parts.tradeClient;
    m_loginTimeoutTimer->stop();
    setStatus(tr("connected"), Status::darkGreen);
    m_parts.sounds->play(SoundEffects::Login);
    client->requestHistory(-1);

    emit loginStarting();
    m_accountShownSymbols.clear();
    m_parts.positions->clear();
    m_parts.symbols->clear();

    // The session restored is the one that just logged in (not the previous account).
    const qint64 login = JsonRead::toInt64(obj.value(QLatin1String("login")));
    const QString serverName = client->serverName();
    AccountSession::restore(m_parts.window, m_parts.symbols, quint64(login), serverName);
    applyShownSymbols();

    m_login = login;
    m_accountName = obj.value(QLatin1String("name")).toString();
    m_accountGroup = obj.value(QLatin1String("group")).toString();
    m_serverName = serverName;
    m_parts.chartManager->setAccount(quint64(m_login), m_serverName);

    QJsonObject entry;
    entry.insert(QStringLiteral("account"), QString::number(m_login));
    entry.insert(QStringLiteral("server"), client->url().toString());
    entry.insert(QStringLiteral("server_name"), m_serverName);
    entry.insert(QStringLiteral("name"), m_accountName);
    const bool investor = SessionFlags::investor();
    if (m_parts.loginDialog->currentLogin() == m_login && m_parts.loginDialog->isSavePassword()) {
        entry.insert(investor ? QStringLiteral("investor_password") : QStringLiteral("master_password"),
                     client->password());
        m_savedPassword = client->password();
    } else {
        m_savedPassword.clear();
    }
    entry.insert(QStringLiteral("status"), QStringLiteral("online"));
    const SavedAccountsFile accountsFile;
    accountsFile.upsert(entry, investor);

    if (!client->password().isEmpty())
        AccountSession::save(m_parts.window, quint64(m_login), client->password(), m_serverName,
                             client->url().toString(), m_parts.symbols->shownSymbols());
    accountsFile.markOnline(m_login, m_serverName);

    updateWindowTitle();

    QJsonObject refresh;
    refresh.insert(QStringLiteral("req_code"), 4);
    refresh.insert(QStringLiteral("type"), 5);
    refresh.insert(QStringLiteral("login"), m_login);
    refresh.insert(QStringLiteral("is_last"), 1);
    client->sendRequest(refresh);

    updateComponents(true);
    loadAccountTree();
    QTimer::singleShot(500, this, [this] {
        applyShownSymbols();
        emit shownSymbolsApplied();
    });
    emit loggedIn();
}

void ConnectionFlow::onLoginFailed()
{
    TradeClient *client = m_parts.tradeClient;
    m_loginTimeoutTimer->stop();
    setStatus(tr("Login Failed"), Status::red);
    m_parts.status->setLatencyIdle(QStringLiteral("--"));
    const QString lastError = client->lastError();
    if (!lastError.isEmpty()) {
        criticalBox(tr("Login Failed"), lastError);
        client->clearLastError();
    } else if (SessionFlags::accountDisabled()) {
        setStatus(tr("Login Failed"), Status::red); // shows "Disabled"
        criticalBox(tr("Account Disabled"),
                    tr("This trading account's group is disabled. Trading is not allowed."));
        m_parts.window->showChartWindows(false);
        client->logout();
        updateComponents(false);
        m_parts.positions->clear();
        m_parts.symbols->clear();
        m_reconnectNoticeShown = false;
        setStatus(tr("disconnected"), Status::red);
        m_parts.window->clearUI();
    } else {
        m_parts.sounds->play(SoundEffects::Disconnected);
        criticalBox(tr("Login Failed"),
                    tr("Connecting to trade server failed. Please check your credentials and try again."));
        showLoginDialog();
        m_parts.window->clearUI();
    }
    loadAccountTree();
}

void ConnectionFlow::updateComponents(bool isLogin)
{
    MainWindowForm *ui = m_parts.window->form();
    ui->actionConnect->setEnabled(!isLogin);
    ui->actionDisconnect->setEnabled(isLogin);
    ui->actionChangePassword->setEnabled(isLogin && !SessionFlags::investor());
}

void ConnectionFlow::applyShownSymbols()
{
    m_accountShownSymbols = m_parts.loginDialog->readShownSymbols();
    if (m_accountShownSymbols.isEmpty()) {
        m_accountShownSymbols = m_parts.symbols->allSymbols();
        m_parts.loginDialog->writeShownSymbols(m_accountShownSymbols);
    }
    for (const QString &symbol : m_parts.symbols->allSymbols())
        m_parts.symbols->setSymbolShown(symbol, m_accountShownSymbols.contains(symbol));
}

void ConnectionFlow::loadAccountTree()
{
    m_parts.accountTree->loadAccountTree(m_accountName);
}
