#include "server/AccountStore.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlRecord>
#include <QVariant>
#include <limits>

namespace {

int g_connectionCounter = 0;

ServerPosition readPosition(const QSqlQuery &q)
{
    ServerPosition p;
    p.ticket = q.value(0).toLongLong();
    p.login = q.value(1).toLongLong();
    p.symbol = q.value(2).toString();
    p.type = q.value(3).toInt();
    p.volume = q.value(4).toLongLong();
    p.priceOpen = q.value(5).toDouble();
    p.sl = q.value(6).toDouble();
    p.tp = q.value(7).toDouble();
    p.timeOpen = q.value(8).toLongLong();
    p.timeClose = q.value(9).toLongLong();
    p.priceClose = q.value(10).toDouble();
    p.profit = q.value(11).toDouble();
    p.swap = q.value(12).toDouble();
    p.commission = q.value(13).toDouble();
    p.fee = q.value(14).toDouble();
    p.closed = q.value(15).toInt() != 0;
    p.comment = q.value(16).toString();
    return p;
}

ServerOrder readOrder(const QSqlQuery &q)
{
    ServerOrder o;
    o.ticket = q.value(0).toLongLong();
    o.login = q.value(1).toLongLong();
    o.symbol = q.value(2).toString();
    o.type = q.value(3).toInt();
    o.volume = q.value(4).toLongLong();
    o.price = q.value(5).toDouble();
    o.stopPrice = q.value(6).toDouble();
    o.sl = q.value(7).toDouble();
    o.tp = q.value(8).toDouble();
    o.time = q.value(9).toLongLong();
    o.timeDone = q.value(10).toLongLong();
    o.state = q.value(11).toInt();
    o.expirationType = q.value(12).toInt();
    o.expiration = q.value(13).toLongLong();
    o.position = q.value(14).toLongLong();
    o.comment = q.value(15).toString();
    return o;
}

ServerDeal readDeal(const QSqlQuery &q)
{
    ServerDeal d;
    d.ticket = q.value(0).toLongLong();
    d.login = q.value(1).toLongLong();
    d.type = q.value(2).toInt();
    d.symbol = q.value(3).toString();
    d.comment = q.value(4).toString();
    d.time = q.value(5).toLongLong();
    d.order = q.value(6).toLongLong();
    d.position = q.value(7).toLongLong();
    d.volume = q.value(8).toLongLong();
    d.price = q.value(9).toDouble();
    d.profit = q.value(10).toDouble();
    d.swap = q.value(11).toDouble();
    d.fee = q.value(12).toDouble();
    d.commission = q.value(13).toDouble();
    d.entry = q.value(14).toInt();
    return d;
}

// QtSql binds a null QString as SQL NULL; the columns are NOT NULL.
QVariant sqlText(const QString &value)
{
    return value.isNull() ? QVariant(QStringLiteral("")) : QVariant(value);
}

const char *kPositionColumns =
    "ticket, login, symbol, type, volume, price_o, sl, tp, time, time_c, price_c, profit, "
    "swap, commission, fee, closed, comment";
const char *kOrderColumns =
    "ticket, login, symbol, type, volume, price, s_price, sl, tp, time, time_done, state, "
    "t_time, expiration, position, comment";
const char *kDealColumns =
    "ticket, login, type, symbol, comment, time, order_ticket, position, volume, price, "
    "profit, swap, fee, commission, entry";

} // namespace

AccountStore::AccountStore() : m_connectionName(QStringLiteral("demo-server-%1").arg(++g_connectionCounter))
{
}

AccountStore::~AccountStore()
{
    close();
}

bool AccountStore::open(const QString &path, QString &error)
{
    // The file holds passwords: create it readable by its owner only, and tighten an old one.
    QFile file(path);
    if (!file.exists()) {
        if (!file.open(QIODevice::WriteOnly)) {
            error = QStringLiteral("cannot create the database %1: %2").arg(path, file.errorString());
            return false;
        }
        file.close();
    }
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    m_db.setDatabaseName(path);
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
    if (!m_db.open()) {
        error = QStringLiteral("cannot open the database %1: %2").arg(path, m_db.lastError().text());
        return false;
    }
    // WAL with synchronous NORMAL: a commit is in the operating system's hands before the client
    // hears of it, so a killed server loses nothing it confirmed. An exclusive lock keeps a
    // second server off the same file.
    if (!exec(QStringLiteral("PRAGMA locking_mode=EXCLUSIVE")) ||
        !exec(QStringLiteral("PRAGMA journal_mode=WAL")) ||
        !exec(QStringLiteral("PRAGMA synchronous=NORMAL")) || !exec(QStringLiteral("BEGIN IMMEDIATE")) ||
        !exec(QStringLiteral("COMMIT"))) {
        error = QStringLiteral("cannot use the database %1 (is another demo-server using it?): %2")
                    .arg(path, m_lastError);
        return false;
    }
    if (!createSchema() || !loadMirror()) {
        error = QStringLiteral("cannot prepare the database %1: %2").arg(path, m_lastError);
        return false;
    }
    return true;
}

void AccountStore::close()
{
    m_writeAccount.reset();
    m_writeGroup.reset();
    m_writePosition.reset();
    m_writeOrder.reset();
    m_writeDeal.reset();
    if (m_db.isValid()) {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
    }
}

bool AccountStore::exec(const QString &sql)
{
    QSqlQuery q(m_db);
    if (!q.exec(sql)) {
        m_lastError = q.lastError().text();
        qWarning().noquote() << "database:" << sql << "failed:" << m_lastError;
        return false;
    }
    return true;
}

bool AccountStore::run(QSqlQuery &query)
{
    if (!query.exec()) {
        m_lastError = query.lastError().text();
        qWarning().noquote() << "database: statement failed:" << m_lastError;
        return false;
    }
    return true;
}

QSqlQuery AccountStore::prepare(const QString &sql)
{
    QSqlQuery q(m_db);
    if (!q.prepare(sql)) {
        m_lastError = q.lastError().text();
        qWarning().noquote() << "database: cannot prepare" << sql << ":" << m_lastError;
    }
    return q;
}

bool AccountStore::createSchema()
{
    const char *statements[] = {
        "CREATE TABLE IF NOT EXISTS meta (key TEXT PRIMARY KEY, value TEXT)",
        "CREATE TABLE IF NOT EXISTS groups (name TEXT PRIMARY KEY, disabled INTEGER NOT NULL DEFAULT 0, "
        "restriction INTEGER NOT NULL DEFAULT 0)",
        "CREATE TABLE IF NOT EXISTS accounts (login INTEGER PRIMARY KEY, name TEXT NOT NULL, grp TEXT NOT "
        "NULL, "
        "master_password TEXT NOT NULL, investor_password TEXT NOT NULL, balance REAL NOT NULL, "
        "credit REAL NOT NULL, leverage INTEGER NOT NULL, currency TEXT NOT NULL, disabled INTEGER NOT NULL, "
        "email TEXT NOT NULL, phone TEXT NOT NULL, created INTEGER NOT NULL)",
        "CREATE TABLE IF NOT EXISTS positions (ticket INTEGER PRIMARY KEY, login INTEGER NOT NULL, "
        "symbol TEXT NOT NULL, type INTEGER NOT NULL, volume INTEGER NOT NULL, price_o REAL NOT NULL, "
        "sl REAL NOT NULL, tp REAL NOT NULL, time INTEGER NOT NULL, time_c INTEGER NOT NULL, "
        "price_c REAL NOT NULL, profit REAL NOT NULL, swap REAL NOT NULL, commission REAL NOT NULL, "
        "fee REAL NOT NULL, closed INTEGER NOT NULL, comment TEXT NOT NULL)",
        "CREATE INDEX IF NOT EXISTS positions_by_login ON positions (login, closed, time_c)",
        "CREATE TABLE IF NOT EXISTS orders (ticket INTEGER PRIMARY KEY, login INTEGER NOT NULL, "
        "symbol TEXT NOT NULL, type INTEGER NOT NULL, volume INTEGER NOT NULL, price REAL NOT NULL, "
        "s_price REAL NOT NULL, sl REAL NOT NULL, tp REAL NOT NULL, time INTEGER NOT NULL, "
        "time_done INTEGER NOT NULL, state INTEGER NOT NULL, t_time INTEGER NOT NULL, "
        "expiration INTEGER NOT NULL, position INTEGER NOT NULL, comment TEXT NOT NULL)",
        "CREATE INDEX IF NOT EXISTS orders_by_login ON orders (login, time)",
        "CREATE TABLE IF NOT EXISTS deals (ticket INTEGER PRIMARY KEY, login INTEGER NOT NULL, "
        "type INTEGER NOT NULL, symbol TEXT NOT NULL, comment TEXT NOT NULL, time INTEGER NOT NULL, "
        "order_ticket INTEGER NOT NULL, position INTEGER NOT NULL, volume INTEGER NOT NULL, price REAL NOT "
        "NULL, "
        "profit REAL NOT NULL, swap REAL NOT NULL, fee REAL NOT NULL, commission REAL NOT NULL, "
        "entry INTEGER NOT NULL)",
        "CREATE INDEX IF NOT EXISTS deals_by_login ON deals (login, time)",
    };
    for (const char *sql : statements)
        if (!exec(QString::fromLatin1(sql)))
            return false;

    m_writeAccount = std::make_unique<QSqlQuery>(prepare(
        QStringLiteral("INSERT OR REPLACE INTO accounts (login, name, grp, master_password, "
                       "investor_password, balance, credit, leverage, currency, disabled, email, phone, "
                       "created) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?)")));
    m_writeGroup = std::make_unique<QSqlQuery>(prepare(
        QStringLiteral("INSERT OR REPLACE INTO groups (name, disabled, restriction) VALUES (?,?,?)")));
    m_writePosition = std::make_unique<QSqlQuery>(prepare(
        QStringLiteral("INSERT OR REPLACE INTO positions (%1) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)")
            .arg(QLatin1String(kPositionColumns))));
    m_writeOrder = std::make_unique<QSqlQuery>(
        prepare(QStringLiteral("INSERT OR REPLACE INTO orders (%1) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)")
                    .arg(QLatin1String(kOrderColumns))));
    m_writeDeal = std::make_unique<QSqlQuery>(
        prepare(QStringLiteral("INSERT OR REPLACE INTO deals (%1) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)")
                    .arg(QLatin1String(kDealColumns))));
    return m_lastError.isEmpty();
}

bool AccountStore::loadMirror()
{
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("SELECT name, disabled, restriction FROM groups"))) {
        m_lastError = q.lastError().text();
        return false;
    }
    while (q.next()) {
        GroupSettings g;
        g.name = q.value(0).toString();
        g.disabled = q.value(1).toInt() != 0;
        const int r = q.value(2).toInt();
        g.restriction = r >= GroupSettings::None && r <= GroupSettings::TradingDisabled
                            ? static_cast<GroupSettings::Restriction>(r)
                            : GroupSettings::TradingDisabled;
        m_groups.insert(g.name, g);
    }
    if (!q.exec(
            QStringLiteral("SELECT login, name, grp, master_password, investor_password, balance, credit, "
                           "leverage, currency, disabled, email, phone, created FROM accounts"))) {
        m_lastError = q.lastError().text();
        return false;
    }
    while (q.next()) {
        ServerAccount a;
        a.login = q.value(0).toLongLong();
        a.name = q.value(1).toString();
        a.group = q.value(2).toString();
        a.masterPassword = q.value(3).toString();
        a.investorPassword = q.value(4).toString();
        a.balance = q.value(5).toDouble();
        a.credit = q.value(6).toDouble();
        a.leverage = q.value(7).toInt();
        a.currency = q.value(8).toString();
        a.disabled = q.value(9).toInt() != 0;
        a.email = q.value(10).toString();
        a.phone = q.value(11).toString();
        a.created = q.value(12).toLongLong();
        m_accounts.insert(a.login, a);
    }
    if (!q.exec(QStringLiteral("SELECT MAX(m) FROM (SELECT MAX(ticket) AS m FROM positions UNION ALL "
                               "SELECT MAX(ticket) FROM orders UNION ALL SELECT MAX(ticket) FROM deals)"))) {
        m_lastError = q.lastError().text();
        return false;
    }
    if (q.next() && !q.value(0).isNull())
        m_nextTicket = std::max(m_nextTicket, q.value(0).toLongLong() + 1);
    return true;
}

bool AccountStore::transaction(const std::function<bool()> &sqlWork, const std::function<void()> &committed)
{
    if (m_inTransaction) {
        // Nested use joins the outer transaction; its in-memory update waits for the outer commit.
        if (!sqlWork())
            return false;
        if (committed)
            m_afterCommit.push_back(committed);
        return true;
    }
    const qint64 ticketBefore = m_nextTicket;
    if (!m_db.transaction()) {
        m_lastError = m_db.lastError().text();
        qWarning().noquote() << "database: cannot begin a transaction:" << m_lastError;
        return false;
    }
    m_inTransaction = true;
    const bool ok = sqlWork();
    m_inTransaction = false;
    if (!ok || !m_db.commit()) {
        if (ok) {
            m_lastError = m_db.lastError().text();
            qWarning().noquote() << "database: commit failed:" << m_lastError;
        }
        m_db.rollback();
        m_nextTicket = ticketBefore;
        m_afterCommit.clear();
        return false;
    }
    const std::vector<std::function<void()>> pending = std::move(m_afterCommit);
    m_afterCommit.clear();
    for (const auto &update : pending)
        update();
    if (committed)
        committed();
    return true;
}

bool AccountStore::isSeeded()
{
    QSqlQuery q(m_db);
    return q.exec(QStringLiteral("SELECT value FROM meta WHERE key = 'seeded'")) && q.next();
}

bool AccountStore::writeSeeded()
{
    return exec(QStringLiteral("INSERT OR REPLACE INTO meta (key, value) VALUES ('seeded', '1')"));
}

const GroupSettings *AccountStore::group(const QString &name) const
{
    auto it = m_groups.constFind(name);
    return it == m_groups.constEnd() ? nullptr : &it.value();
}

QVector<GroupSettings> AccountStore::groups() const
{
    QVector<GroupSettings> list;
    for (const GroupSettings &g : m_groups)
        list.append(g);
    return list;
}

bool AccountStore::writeGroup(const GroupSettings &group)
{
    QSqlQuery &q = *m_writeGroup;
    q.bindValue(0, sqlText(group.name));
    q.bindValue(1, group.disabled ? 1 : 0);
    q.bindValue(2, static_cast<int>(group.restriction));
    return run(q);
}

void AccountStore::cacheGroup(const GroupSettings &group)
{
    m_groups.insert(group.name, group);
}

const ServerAccount *AccountStore::account(qint64 login) const
{
    auto it = m_accounts.constFind(login);
    return it == m_accounts.constEnd() ? nullptr : &it.value();
}

QVector<ServerAccount> AccountStore::accounts() const
{
    QVector<ServerAccount> list;
    for (const ServerAccount &a : m_accounts)
        list.append(a);
    return list;
}

bool AccountStore::writeAccount(const ServerAccount &a)
{
    QSqlQuery &q = *m_writeAccount;
    q.bindValue(0, a.login);
    q.bindValue(1, sqlText(a.name));
    q.bindValue(2, sqlText(a.group));
    q.bindValue(3, sqlText(a.masterPassword));
    q.bindValue(4, sqlText(a.investorPassword));
    q.bindValue(5, a.balance);
    q.bindValue(6, a.credit);
    q.bindValue(7, a.leverage);
    q.bindValue(8, sqlText(a.currency));
    q.bindValue(9, a.disabled ? 1 : 0);
    q.bindValue(10, sqlText(a.email));
    q.bindValue(11, sqlText(a.phone));
    q.bindValue(12, a.created);
    return run(q);
}

void AccountStore::cacheAccount(const ServerAccount &account)
{
    m_accounts.insert(account.login, account);
}

qint64 AccountStore::nextLogin() const
{
    // Accounts opened through the account service count up from 60001, clear of the seeded ones.
    qint64 next = 60001;
    for (auto it = m_accounts.constBegin(); it != m_accounts.constEnd(); ++it)
        if (it.key() >= next && it.key() < 2147483647)
            next = it.key() + 1;
    return next;
}

bool AccountStore::writePosition(const ServerPosition &p)
{
    QSqlQuery &q = *m_writePosition;
    q.bindValue(0, p.ticket);
    q.bindValue(1, p.login);
    q.bindValue(2, sqlText(p.symbol));
    q.bindValue(3, p.type);
    q.bindValue(4, p.volume);
    q.bindValue(5, p.priceOpen);
    q.bindValue(6, p.sl);
    q.bindValue(7, p.tp);
    q.bindValue(8, p.timeOpen);
    q.bindValue(9, p.timeClose);
    q.bindValue(10, p.priceClose);
    q.bindValue(11, p.profit);
    q.bindValue(12, p.swap);
    q.bindValue(13, p.commission);
    q.bindValue(14, p.fee);
    q.bindValue(15, p.closed ? 1 : 0);
    q.bindValue(16, sqlText(p.comment));
    return run(q);
}

bool AccountStore::writeOrder(const ServerOrder &o)
{
    QSqlQuery &q = *m_writeOrder;
    q.bindValue(0, o.ticket);
    q.bindValue(1, o.login);
    q.bindValue(2, sqlText(o.symbol));
    q.bindValue(3, o.type);
    q.bindValue(4, o.volume);
    q.bindValue(5, o.price);
    q.bindValue(6, o.stopPrice);
    q.bindValue(7, o.sl);
    q.bindValue(8, o.tp);
    q.bindValue(9, o.time);
    q.bindValue(10, o.timeDone);
    q.bindValue(11, o.state);
    q.bindValue(12, o.expirationType);
    q.bindValue(13, o.expiration);
    q.bindValue(14, o.position);
    q.bindValue(15, sqlText(o.comment));
    return run(q);
}

bool AccountStore::writeDeal(const ServerDeal &d)
{
    QSqlQuery &q = *m_writeDeal;
    q.bindValue(0, d.ticket);
    q.bindValue(1, d.login);
    q.bindValue(2, d.type);
    q.bindValue(3, sqlText(d.symbol));
    q.bindValue(4, sqlText(d.comment));
    q.bindValue(5, d.time);
    q.bindValue(6, d.order);
    q.bindValue(7, d.position);
    q.bindValue(8, d.volume);
    q.bindValue(9, d.price);
    q.bindValue(10, d.profit);
    q.bindValue(11, d.swap);
    q.bindValue(12, d.fee);
    q.bindValue(13, d.commission);
    q.bindValue(14, d.entry);
    return run(q);
}

QVector<ServerPosition> AccountStore::openPositions()
{
    QVector<ServerPosition> list;
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("SELECT %1 FROM positions WHERE closed = 0 ORDER BY ticket")
                    .arg(QLatin1String(kPositionColumns)))) {
        m_lastError = q.lastError().text();
        return list;
    }
    while (q.next())
        list.append(readPosition(q));
    return list;
}

QVector<ServerOrder> AccountStore::placedOrders()
{
    QVector<ServerOrder> list;
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("SELECT %1 FROM orders WHERE state = %2 ORDER BY ticket")
                    .arg(QLatin1String(kOrderColumns))
                    .arg(ServerOrder::Placed))) {
        m_lastError = q.lastError().text();
        return list;
    }
    while (q.next())
        list.append(readOrder(q));
    return list;
}

QVector<ServerPosition> AccountStore::closedPositions(qint64 login, qint64 from, qint64 to)
{
    QVector<ServerPosition> list;
    QSqlQuery q =
        prepare(QStringLiteral("SELECT %1 FROM positions WHERE login = ? AND closed = 1 AND time_c >= ? "
                               "AND time_c < ? ORDER BY time_c, ticket")
                    .arg(QLatin1String(kPositionColumns)));
    q.addBindValue(login);
    q.addBindValue(from);
    q.addBindValue(to > 0 ? to : std::numeric_limits<qint64>::max());
    if (!run(q))
        return list;
    while (q.next())
        list.append(readPosition(q));
    return list;
}

QVector<ServerOrder> AccountStore::orders(qint64 login, qint64 from, qint64 to)
{
    QVector<ServerOrder> list;
    QSqlQuery q =
        prepare(QStringLiteral(
                    "SELECT %1 FROM orders WHERE login = ? AND time >= ? AND time < ? ORDER BY time, ticket")
                    .arg(QLatin1String(kOrderColumns)));
    q.addBindValue(login);
    q.addBindValue(from);
    q.addBindValue(to > 0 ? to : std::numeric_limits<qint64>::max());
    if (!run(q))
        return list;
    while (q.next())
        list.append(readOrder(q));
    return list;
}

QVector<ServerDeal> AccountStore::deals(qint64 login, qint64 from, qint64 to)
{
    QVector<ServerDeal> list;
    QSqlQuery q =
        prepare(QStringLiteral(
                    "SELECT %1 FROM deals WHERE login = ? AND time >= ? AND time < ? ORDER BY time, ticket")
                    .arg(QLatin1String(kDealColumns)));
    q.addBindValue(login);
    q.addBindValue(from);
    q.addBindValue(to > 0 ? to : std::numeric_limits<qint64>::max());
    if (!run(q))
        return list;
    while (q.next())
        list.append(readDeal(q));
    return list;
}
