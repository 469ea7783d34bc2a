#pragma once

#include "server/ServerAccount.h"
#include "server/ServerOrder.h"
#include "server/ServerPosition.h"

#include <QJsonObject>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <QVector>

class AccountRegistry;
class AccountStore;
class Clock;
class PriceFeed;
class SymbolCatalog;
struct SymbolInfo;

// Executes trade requests, triggers pending orders, stop losses, take profits and stop-outs,
// expires orders, and builds the account messages (open positions, pending orders, history).
// Every change is committed to the store before anyone hears of it. Main thread only.
class TradeEngine : public QObject
{
    Q_OBJECT
public:
    enum Status
    {
        Done = 10009,
        InvalidRequest = 10013,
        InvalidVolume = 10014,
        InvalidPrice = 10015,
        InvalidStops = 10016,
        Refused = 10017,
        MarketClosed = 10018,
        NoMoney = 10019,
        PriceChanged = 10020,
        InvalidExpiration = 10022,
        InvalidOrderType = 10035,
        TooManyOrders = 10040,
        SellDisabled = 10042,
        BuyDisabled = 10043,
        CloseOnly = 10044,
        ServerError = 10011,
    };
    static constexpr double kStopOutLevel = 50.0;        // percent of margin
    static constexpr qint64 kPriceDeviationPoints = 100; // a market order's "price" may lag this much
    static constexpr int kMaxOpenItems = 1000;           // positions plus pending orders per account

    struct Outcome
    {
        QJsonObject result; // the code 7 answer; empty for a refresh
        bool refresh = false;
    };

    TradeEngine(AccountStore &store, AccountRegistry &registry, const SymbolCatalog &catalog, PriceFeed &feed,
                const Clock &clock, int timezoneOffsetSeconds, QObject *parent = nullptr);

    bool load(QString &error);
    void start();

    // A code 4 request of a logged-in session.
    Outcome execute(qint64 login, bool investor, const QJsonObject &request);
    // Emits accountChanged for every account changed since the last call.
    void publishChanges();

    QJsonObject positionsMessage(qint64 login) const;
    QJsonObject ordersMessage(qint64 login) const;
    QJsonObject historyMessage(qint64 login, qint64 from, qint64 to);

    // Opens a market position outside any request (seeding of the demo accounts).
    bool openSeedPosition(qint64 login, const QString &symbol, int side, qint64 volume);
    void checkExpirations();
    // Triggers pending orders, stops and stop-outs on new prices of these symbols.
    void onTicked(const QVector<int> &symbols);

    // Conversion rate from a currency to the account currency (USD).
    double usdRate(const QString &currency) const;
    double profitOf(const ServerPosition &position, double closePrice) const;

signals:
    void accountChanged(qint64 login);

private:
    struct Figures
    {
        double balance = 0.0;
        double credit = 0.0;
        double margin = 0.0;
        double profit = 0.0;
        double equity = 0.0;
        double freeMargin = 0.0;
    };

    Figures figures(const ServerAccount &account) const;
    double marginOf(const SymbolInfo &info, qint64 volume, double price, int leverage) const;
    double currentClosePrice(const ServerPosition &position) const;
    int openItems(qint64 login) const;

    QJsonObject result(int type, int status, const QString &msg, const QString &reason = QString(),
                       qint64 order = 0, const QString &symbol = QString(), int orderType = 0,
                       double price = 0.0) const;

    QJsonObject newOrder(const ServerAccount &account, int type, const QJsonObject &request);
    QJsonObject marketOrder(const ServerAccount &account, int type, const QJsonObject &request, int symbol,
                            int orderType, qint64 volume);
    QJsonObject pendingOrder(const ServerAccount &account, int type, const QJsonObject &request, int symbol,
                             int orderType, qint64 volume);
    QJsonObject modifyOrder(const ServerAccount &account, int type, const QJsonObject &request);
    QJsonObject modifyPosition(const ServerAccount &account, int type, const QJsonObject &request);
    QJsonObject deleteOrder(const ServerAccount &account, int type, const QJsonObject &request);
    QJsonObject closePosition(const ServerAccount &account, int type, const QJsonObject &request);
    QJsonObject closeSeveral(const ServerAccount &account, int type, const QJsonObject &request);
    QJsonObject closeBy(const ServerAccount &account, int type, const QJsonObject &request);

    // Checks of the order-edit fields shared by placing and modifying; empty when valid.
    QJsonObject checkPendingFields(int type, int symbol, int orderType, double price, double stopPrice,
                                   double sl, double tp) const;
    bool expirationOf(const QJsonObject &request, int &expirationType, qint64 &expiration) const;

    // Fills at the market: order, deal and position in one transaction.
    bool fill(ServerOrder order, double price, qint64 &positionTicket);
    // Writes the closing order and deal of (part of) a position and books the profit into
    // account; the caller runs it inside a transaction and writes the account.
    bool writeClose(const ServerPosition &position, double price, const QString &comment, qint64 volume,
                    ServerAccount &account);
    bool close(const ServerPosition &position, double price, const QString &comment);
    bool recordRejected(const ServerAccount &account, int symbol, int orderType, qint64 volume, double price,
                        const QString &comment);
    void stopOut(qint64 login);
    void triggerOrder(const ServerOrder &order);

    AccountStore &m_store;
    AccountRegistry &m_registry;
    const SymbolCatalog &m_catalog;
    PriceFeed &m_feed;
    const Clock &m_clock;
    int m_timezoneOffset;
    QMap<qint64, ServerPosition> m_positions; // open, by ticket
    QMap<qint64, ServerOrder> m_orders;       // placed, by ticket
    QSet<qint64> m_changed;
    QTimer m_expiryTimer;
};
