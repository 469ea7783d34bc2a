#pragma once

#include "accounts/SavedAccount.h"

#include <QDialog>
#include <QStringList>
#include <QVector>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;

// "Trade account login": the remembered logins (from the ACCOUNTS file), the
// password and the broker's trade servers. It also owns the list of accounts
// found in the account folders, which the accounts tree shows, and reads and
// writes the shown symbols of the account it currently names.
class LoginDialog : public QDialog
{
    Q_OBJECT
public:
    explicit LoginDialog(QWidget *parent = nullptr);

    qint64 currentLogin() const;
    void setLogin(qint64 login);
    QString password() const;
    void setPassword(const QString &text);

    QString serverNameText() const;
    void setServerName(const QString &name);
    QString serverAddressText() const;
    void setServerAddress(const QString &address);
    void addServer(const QString &name, const QString &address);
    void clearServers();

    bool isSavePassword() const;

    const QVector<SavedAccount> &savedAccountList() const { return m_savedAccounts; }
    void reload();
    bool removeSavedAccount(const QString &serverName, qint64 login);

    QString accountFolder() const;
    QStringList readShownSymbols() const;
    void writeShownSymbols(const QStringList &list);

    // The server that addServer falls back to when the chosen account's is absent.
    static QString fallbackServerName() { return QStringLiteral("Zelvant demo server 2"); }

public slots:
    void onOk();

private slots:
    void on_loginBox_currentIndexChanged(int index);
    void on_serverBox_activated(int index);

private:
    struct Form
    {
        QLabel *pictureLabel = nullptr;
        QLabel *headerLabel = nullptr;
        QComboBox *loginBox = nullptr;
        QLineEdit *passwordLineEdit = nullptr;
        QCheckBox *saveCheckBox = nullptr;
        QComboBox *serverBox = nullptr;
        QDialogButtonBox *buttonBox = nullptr;
    };
    void setupForm();
    void fillRememberedLogins();
    void selectServerByName(const QString &name);
    const SavedAccount *findSavedAccount(qint64 login, const QString &serverName) const;
    // The saved account that the login box and the last given server name point at.
    const SavedAccount *chosenAccount() const;

    Form m_form;
    QVector<SavedAccount> m_savedAccounts;
    QString m_serverName;    // last name given to setServerName
    QString m_serverAddress; // last address given to setServerAddress
    // Server name of the chosen login: its ACCOUNTS entry's, or the last one given.
    QString m_accountServer;
    // The server the user or the window picked; a refreshed server list keeps it.
    QString m_keptServer;
};
