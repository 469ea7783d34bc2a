#pragma once

#include <QJsonObject>
#include <QObject>
#include <QString>

#include <functional>

class AccountTreePanel;
class ChartManager;
class Client_Terminal;
class ConnectionStatusWidget;
class LoginDialog;
class PositionDataStore;
class QTimer;
class SoundEffects;
class SymbolDataStorage;
class TradeClient;

// How a session with the trade server starts, is watched and ends: the login
// dialog, saved accounts, the automatic login at start, success, failure,
// time-out, lost connections, read-only mode and the status bar texts.
class ConnectionFlow : public QObject
{
    Q_OBJECT
public:
    struct Parts
    {
        Client_Terminal *window = nullptr;
        TradeClient *tradeClient = nullptr;
        LoginDialog *loginDialog = nullptr;
        ConnectionStatusWidget *status = nullptr;
        PositionDataStore *positions = nullptr;
        SymbolDataStorage *symbols = nullptr;
        ChartManager *chartManager = nullptr;
        SoundEffects *sounds = nullptr;
        AccountTreePanel *accountTree = nullptr;
    };

    explicit ConnectionFlow(const Parts &parts, QObject *parent = nullptr);

    static constexpr int defaultLoginTimeoutMs = 30000;
    void setLoginTimeoutMs(int ms) { m_loginTimeoutMs = ms; }

    // The address the connection is given: "ws://" + address, ":<trade port>" added without a port.
    static QString serverUrlFor(const QString &address);
    // The host part of an address or URL, for the latency probe.
    static QString hostOf(const QString &address);

    void showLoginDialog();
    void connectToBroker();
    void disconnectToBroker();
    void relogin(qint64 login, const QString &password, const QString &server);
    void loginSavedAccount(const QString &serverName, qint64 login);
    void switchAccount(const QString &serverName, qint64 login);
    void autoLoginSavedAccount();

    void onWebsocketConnected();
    void onWebsocketClosed();
    void onWebsocketDisconnectedNotice();
    void onLogin(const QJsonObject &obj);
    void onLoginFailed();
    void onLoginTimeout();
    // The server accepted a new password for this account: reconnects, the saved
    // accounts and the login file use it from now on.
    void onPasswordChanged(bool mainPassword, const QString &newPassword);

    void updateComponents(bool isLogin);
    void applyShownSymbols();
    void loadAccountTree();

    // Answers whether a server is suspended; the broker directory installs it.
    void setSuspensionCheck(std::function<bool(const QString &, const QString &)> check)
    {
        m_isServerSuspended = std::move(check);
    }

    qint64 login() const { return m_login; }
    QString accountName() const { return m_accountName; }
    QString accountGroup() const { return m_accountGroup; }
    QString serverName() const { return m_serverName; }
    QString savedPassword() const { return m_savedPassword; }
    QString pingTarget() const { return m_pingTarget; }
    QStringList accountShownSymbols() const { return m_accountShownSymbols; }
    void setAccountShownSymbols(const QStringList &symbols) { m_accountShownSymbols = symbols; }
    bool reconnectNoticeShown() const { return m_reconnectNoticeShown; }
    QTimer *loginTimeoutTimer() const { return m_loginTimeoutTimer; }

signals:
    // A new host to measure latency to; probeNow asks for one probe at once.
    void pingTargetChanged(const QString &host, bool probeNow);
    // A login was accepted: the panels drop what belonged to the previous session.
    void loginStarting();
    // The accepted login has been fully handled.
    void loggedIn();
    // The account's shown symbols were applied again, half a second after login.
    void shownSymbolsApplied();
    void sessionEnded();

private:
    void setStatus(const QString &text, const QColor &colour);
    void setPingTarget(const QString &host, bool probeNow = false);
    void criticalBox(const QString &title, const QString &text);
    void updateWindowTitle();

    Parts m_parts;
    QTimer *m_loginTimeoutTimer;
    int m_loginTimeoutMs = defaultLoginTimeoutMs;
    std::function<bool(const QString &, const QString &)> m_isServerSuspended;

    qint64 m_login = 0;
    QString m_accountName;
    QString m_accountGroup;
    QString m_serverName;
    QString m_savedPassword;
    QString m_pingTarget;
    QStringList m_accountShownSymbols;
    bool m_reconnectNoticeShown = false;
};
