#pragma once

#include "server/AccountSeed.h"
#include "server/ServerAccount.h"

#include <QString>

class AccountStore;
class Clock;

// Logins, account creation and password changes, over the account store.
class AccountRegistry
{
public:
    enum class LoginOutcome
    {
        Accepted,
        Investor,
        Refused,
        Disabled
    };

    struct NewAccount
    {
        QString name;
        QString email;
        QString phone;
        QString group = QStringLiteral("demo");
        QString masterPassword;
        QString investorPassword;
        double deposit = 10000.0;
        int leverage = 100;
        qint64 login = 0; // 0: the next free login
    };

    AccountRegistry(AccountStore &store, const Clock &clock);

    LoginOutcome checkLogin(qint64 login, const QString &password) const;
    // Whether trading is closed to the account: the account or its group is disabled.
    bool isDisabled(const ServerAccount &account) const;

    // Creates the account and its deposit deal in one transaction. 0 on failure.
    qint64 createAccount(const NewAccount &account, QString &error);
    // Changes either password; an empty text leaves it as it is.
    bool changePasswords(qint64 login, const QString &master, const QString &investor, QString &error);
    // Creates the group (no restriction) if it does not exist yet.
    bool ensureGroup(const QString &name);
    bool setGroupDisabled(const QString &name, bool disabled);
    // --account at start: creates the account, or updates its passwords and group.
    bool applySeed(const AccountSeed &seed, QString &error);
    // The documented demo accounts and their groups, written once into an empty database.
    bool seedDemoAccounts(QString &error);

private:
    AccountStore &m_store;
    const Clock &m_clock;
};
