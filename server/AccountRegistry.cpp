#include "server/AccountRegistry.h"

#include "server/AccountStore.h"
#include "server/Clock.h"

#include <QDebug>

AccountRegistry::AccountRegistry(AccountStore &store, const Clock &clock) : m_store(store), m_clock(clock) {}

bool AccountRegistry::isDisabled(const ServerAccount &account) const
{
    const GroupSettings *group = m_store.group(account.group);
    return account.disabled || (group && group->disabled);
}

AccountRegistry::LoginOutcome AccountRegistry::checkLogin(qint64 login, const QString &password) const
{
    const ServerAccount *account = m_store.account(login);
    if (!account || password.isEmpty())
        return LoginOutcome::Refused;
    const bool master = password == account->masterPassword;
    const bool investor = password == account->investorPassword;
    if (!master && !investor)
        return LoginOutcome::Refused;
    if (isDisabled(*account))
        return LoginOutcome::Disabled;
    return master ? LoginOutcome::Accepted : LoginOutcome::Investor;
}

bool AccountRegistry::ensureGroup(const QString &name)
{
    if (m_store.group(name))
        return true;
    GroupSettings group;
    group.name = name;
    return m_store.transaction([&] { return m_store.writeGroup(group); }, [&] { m_store.cacheGroup(group); });
}

bool AccountRegistry::setGroupDisabled(const QString &name, bool disabled)
{
    const GroupSettings *existing = m_store.group(name);
    if (!existing)
        return false;
    GroupSettings group = *existing;
    group.disabled = disabled;
    return m_store.transaction([&] { return m_store.writeGroup(group); }, [&] { m_store.cacheGroup(group); });
}

qint64 AccountRegistry::createAccount(const NewAccount &request, QString &error)
{
    if (request.masterPassword.isEmpty() || request.investorPassword.isEmpty()) {
        error = QStringLiteral("both passwords are required");
        return 0;
    }
    if (!ensureGroup(request.group)) {
        error = QStringLiteral("cannot create the group");
        return 0;
    }
    ServerAccount account;
    account.login = request.login > 0 ? request.login : m_store.nextLogin();
    if (m_store.account(account.login)) {
        error = QStringLiteral("login %1 exists already").arg(account.login);
        return 0;
    }
    account.name = request.name;
    account.email = request.email;
    account.phone = request.phone;
    account.group = request.group;
    account.masterPassword = request.masterPassword;
    account.investorPassword = request.investorPassword;
    account.leverage = request.leverage;
    account.created = m_clock.nowSeconds();
    account.balance = request.deposit;

    ServerDeal deposit;
    deposit.login = account.login;
    deposit.type = ServerDeal::Balance;
    deposit.comment = QStringLiteral("Deposit");
    deposit.time = account.created;
    deposit.profit = request.deposit;

    const bool ok = m_store.transaction(
        [&] {
            deposit.ticket = m_store.takeTicket();
            return m_store.writeAccount(account) && (request.deposit == 0.0 || m_store.writeDeal(deposit));
        },
        [&] { m_store.cacheAccount(account); });
    if (!ok) {
        error = QStringLiteral("the database refused the account: %1").arg(m_store.lastError());
        return 0;
    }
    qInfo().noquote() << "account" << account.login << "created in group" << account.group;
    return account.login;
}

bool AccountRegistry::changePasswords(qint64 login, const QString &master, const QString &investor,
                                      QString &error)
{
    const ServerAccount *existing = m_store.account(login);
    if (!existing) {
        error = QStringLiteral("unknown account %1").arg(login);
        return false;
    }
    ServerAccount account = *existing;
    if (!master.isEmpty())
        account.masterPassword = master;
    if (!investor.isEmpty())
        account.investorPassword = investor;
    const bool ok = m_store.transaction([&] { return m_store.writeAccount(account); },
                                        [&] { m_store.cacheAccount(account); });
    if (!ok)
        error = QStringLiteral("the database refused the change: %1").arg(m_store.lastError());
    return ok;
}

bool AccountRegistry::applySeed(const AccountSeed &seed, QString &error)
{
    const QString group = seed.group.isEmpty() ? QStringLiteral("demo") : seed.group;
    if (!ensureGroup(group)) {
        error = QStringLiteral("cannot create group %1").arg(group);
        return false;
    }
    if (const ServerAccount *existing = m_store.account(seed.login)) {
        ServerAccount account = *existing;
        account.masterPassword = seed.masterPassword;
        account.investorPassword = seed.investorPassword;
        account.group = group;
        if (!m_store.transaction([&] { return m_store.writeAccount(account); },
                                 [&] { m_store.cacheAccount(account); })) {
            error = QStringLiteral("cannot update account %1").arg(seed.login);
            return false;
        }
        return true;
    }
    NewAccount account;
    account.login = seed.login;
    account.name = QStringLiteral("Account %1").arg(seed.login);
    account.group = group;
    account.masterPassword = seed.masterPassword;
    account.investorPassword = seed.investorPassword;
    return createAccount(account, error) != 0;
}

bool AccountRegistry::seedDemoAccounts(QString &error)
{
    if (m_store.isSeeded())
        return true;
    struct GroupSeed
    {
        const char *name;
        bool disabled;
        GroupSettings::Restriction restriction;
    };
    const GroupSeed groups[] = {
        {"demo", false, GroupSettings::None},
        {"demo-disabled", true, GroupSettings::None},
        {"demo-sell-disabled", false, GroupSettings::SellDisabled},
        {"demo-buy-disabled", false, GroupSettings::BuyDisabled},
        {"demo-close-only", false, GroupSettings::CloseOnly},
        {"demo-no-trading", false, GroupSettings::TradingDisabled},
    };
    for (const GroupSeed &g : groups) {
        GroupSettings group;
        group.name = QString::fromLatin1(g.name);
        group.disabled = g.disabled;
        group.restriction = g.restriction;
        if (!m_store.transaction([&] { return m_store.writeGroup(group); },
                                 [&] { m_store.cacheGroup(group); })) {
            error = QStringLiteral("cannot seed group %1").arg(group.name);
            return false;
        }
    }
    struct Seed
    {
        qint64 login;
        const char *name;
        const char *group;
    };
    const Seed seeds[] = {
        {50001, "Demo Trader", "demo"},
        {50002, "Disabled Group", "demo-disabled"},
        {50003, "Sell Disabled", "demo-sell-disabled"},
        {50004, "Buy Disabled", "demo-buy-disabled"},
        {50005, "Close Only", "demo-close-only"},
        {50006, "No Trading", "demo-no-trading"},
        {50007, "Disabled Account", "demo"},
    };
    for (const Seed &s : seeds) {
        if (m_store.account(s.login))
            continue;
        NewAccount account;
        account.login = s.login;
        account.name = QString::fromLatin1(s.name);
        account.group = QString::fromLatin1(s.group);
        account.masterPassword = QStringLiteral("Master%1").arg(s.login - 50000);
        account.investorPassword = QStringLiteral("Invest%1").arg(s.login - 50000);
        account.email = QStringLiteral("demo%1@example.com").arg(s.login);
        if (!createAccount(account, error))
            return false;
    }
    if (const ServerAccount *disabled = m_store.account(50007)) {
        ServerAccount account = *disabled;
        account.disabled = true;
        if (!m_store.transaction([&] { return m_store.writeAccount(account); },
                                 [&] { m_store.cacheAccount(account); })) {
            error = QStringLiteral("cannot seed account 50007");
            return false;
        }
    }
    if (!m_store.transaction([&] { return m_store.writeSeeded(); })) {
        error = QStringLiteral("cannot mark the database as seeded");
        return false;
    }
    return true;
}
