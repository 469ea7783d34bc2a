#pragma once

#include "server/GroupSettings.h"
#include "server/ServerAccount.h"
#include "server/ServerDeal.h"
#include "server/ServerOrder.h"
#include "server/ServerPosition.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVector>
#include <functional>
#include <memory>
#include <vector>

// The server's SQLite database through QtSql: accounts, groups, positions, orders and deals.
// Accounts and groups are also mirrored in memory; the mirror changes only after the database
// has accepted the change. Every write that a client is told about is committed first.
// Used from the main thread only (a QtSql connection belongs to its thread).
class AccountStore
{
public:
    AccountStore();
    ~AccountStore();
    AccountStore(const AccountStore &) = delete;
    AccountStore &operator=(const AccountStore &) = delete;

    bool open(const QString &path, QString &error);
    void close();

    // Runs sqlWork in one transaction; when it returns true and the commit succeeds,
    // committed runs (to update in-memory state). Returns whether the change was committed.
    bool transaction(const std::function<bool()> &sqlWork, const std::function<void()> &committed = {});

    bool isSeeded();
    bool writeSeeded();

    // Groups
    const GroupSettings *group(const QString &name) const;
    QVector<GroupSettings> groups() const;
    bool writeGroup(const GroupSettings &group);
    void cacheGroup(const GroupSettings &group);

    // Accounts
    const ServerAccount *account(qint64 login) const;
    QVector<ServerAccount> accounts() const;
    bool writeAccount(const ServerAccount &account);
    void cacheAccount(const ServerAccount &account);
    qint64 nextLogin() const;

    // Trades
    qint64 takeTicket() { return m_nextTicket++; }
    bool writePosition(const ServerPosition &position);
    bool writeOrder(const ServerOrder &order);
    bool writeDeal(const ServerDeal &deal);
    QVector<ServerPosition> openPositions();
    QVector<ServerOrder> placedOrders();
    // History of one account; to <= 0 means no upper bound.
    QVector<ServerPosition> closedPositions(qint64 login, qint64 from, qint64 to);
    QVector<ServerOrder> orders(qint64 login, qint64 from, qint64 to);
    QVector<ServerDeal> deals(qint64 login, qint64 from, qint64 to);

    QString lastError() const { return m_lastError; }

private:
    bool exec(const QString &sql);
    bool run(QSqlQuery &query);
    bool createSchema();
    bool loadMirror();
    QSqlQuery prepare(const QString &sql);

    QString m_connectionName;
    QSqlDatabase m_db;
    QHash<qint64, ServerAccount> m_accounts;
    QHash<QString, GroupSettings> m_groups;
    qint64 m_nextTicket = 10000001;
    QString m_lastError;
    bool m_inTransaction = false;
    std::vector<std::function<void()>> m_afterCommit;
    std::unique_ptr<QSqlQuery> m_writeAccount, m_writeGroup, m_writePosition, m_writeOrder, m_writeDeal;
};
