#include "server/TradeEngine.h"

#include "server/AccountRegistry.h"
#include "server/AccountStore.h"
#include "server/Clock.h"
#include "server/GroupSettings.h"
#include "server/JsonFields.h"
#include "server/PriceFeed.h"
#include "server/SymbolCatalog.h"

#include <QDebug>
#include <QJsonArray>
#include <cmath>

using JsonFields::Presence;

namespace {

double money(double value)
{
    return std::round(value * 100.0) / 100.0;
}

bool isBuyType(int orderType)
{
    return orderType % 2 == 0;
}

QString lots(qint64 volume)
{
    return QString::number(volume / 10000.0, 'f', 2);
}

const QString kRefusedMsg = QStringLiteral("Trade request refused");
const QString kSellDisabled = QStringLiteral("Sell orders disabled by group settings");
const QString kBuyDisabled = QStringLiteral("Buy orders disabled by group settings");
const QString kCloseOnly = QStringLiteral("Close-only mode by group settings");
const QString kTradingDisabled = QStringLiteral("Trading disabled by group settings");

} // namespace

TradeEngine::TradeEngine(AccountStore &store, AccountRegistry &registry, const SymbolCatalog &catalog,
                         PriceFeed &feed, const Clock &clock, int timezoneOffsetSeconds, QObject *parent)
    : QObject(parent), m_store(store), m_registry(registry), m_catalog(catalog), m_feed(feed), m_clock(clock),
      m_timezoneOffset(timezoneOffsetSeconds)
{
    connect(&m_expiryTimer, &QTimer::timeout, this, &TradeEngine::checkExpirations);
}

bool TradeEngine::load(QString &error)
{
    for (const ServerPosition &p : m_store.openPositions())
        m_positions.insert(p.ticket, p);
    for (const ServerOrder &o : m_store.placedOrders())
        m_orders.insert(o.ticket, o);
    if (!m_store.lastError().isEmpty()) {
        error = m_store.lastError();
        return false;
    }
    qInfo().noquote() << "engine:" << m_positions.size() << "open position(s)," << m_orders.size()
                      << "pending order(s)";
    return true;
}

void TradeEngine::start()
{
    m_expiryTimer.start(1000);
}

void TradeEngine::publishChanges()
{
    const QSet<qint64> changed = m_changed;
    m_changed.clear();
    for (qint64 login : changed)
        emit accountChanged(login);
}

// ---- Money -------------------------------------------------------------------------------

double TradeEngine::usdRate(const QString &currency) const
{
    if (currency.isEmpty() || currency == QLatin1String("USD"))
        return 1.0;
    int direct = m_catalog.indexOf(currency + QLatin1String("USD"));
    if (direct >= 0)
        return (m_feed.bid(direct) + m_feed.ask(direct)) / 2.0;
    int inverse = m_catalog.indexOf(QLatin1String("USD") + currency);
    if (inverse >= 0)
        return 2.0 / (m_feed.bid(inverse) + m_feed.ask(inverse));
    qWarning().noquote() << "engine: no conversion rate for" << currency;
    return 1.0;
}

double TradeEngine::profitOf(const ServerPosition &position, double closePrice) const
{
    const int symbol = m_catalog.indexOf(position.symbol);
    if (symbol < 0)
        return 0.0;
    const SymbolInfo &info = m_catalog.at(symbol);
    const double move =
        position.type == 0 ? closePrice - position.priceOpen : position.priceOpen - closePrice;
    return move * info.contractSize * (position.volume / 10000.0) * usdRate(info.profitCurrency);
}

double TradeEngine::marginOf(const SymbolInfo &info, qint64 volume, double price, int leverage) const
{
    const double notional = (volume / 10000.0) * info.contractSize;
    const double value = info.baseCurrency.isEmpty() ? notional * price * usdRate(info.profitCurrency)
                                                     : notional * usdRate(info.baseCurrency);
    return value / std::max(1, leverage);
}

double TradeEngine::currentClosePrice(const ServerPosition &position) const
{
    const int symbol = m_catalog.indexOf(position.symbol);
    if (symbol < 0)
        return position.priceOpen;
    return position.type == 0 ? m_feed.bid(symbol) : m_feed.ask(symbol);
}

TradeEngine::Figures TradeEngine::figures(const ServerAccount &account) const
{
    Figures f;
    f.balance = account.balance;
    f.credit = account.credit;
    for (const ServerPosition &p : m_positions) {
        if (p.login != account.login)
            continue;
        const int symbol = m_catalog.indexOf(p.symbol);
        if (symbol < 0)
            continue;
        const double price = currentClosePrice(p);
        f.profit += profitOf(p, price);
        f.margin += marginOf(m_catalog.at(symbol), p.volume, price, account.leverage);
    }
    f.margin = money(f.margin);
    f.equity = f.balance + f.credit + f.profit;
    f.freeMargin = f.equity - f.margin;
    return f;
}

int TradeEngine::openItems(qint64 login) const
{
    int count = 0;
    for (const ServerPosition &p : m_positions)
        count += p.login == login;
    for (const ServerOrder &o : m_orders)
        count += o.login == login;
    return count;
}

// ---- Messages ----------------------------------------------------------------------------

QJsonObject TradeEngine::result(int type, int status, const QString &msg, const QString &reason, qint64 order,
                                const QString &symbol, int orderType, double price) const
{
    QJsonObject o;
    o.insert(QStringLiteral("res_code"), 7);
    o.insert(QStringLiteral("status"), status);
    o.insert(QStringLiteral("msg"), msg);
    o.insert(QStringLiteral("fail_reason"), reason);
    o.insert(QStringLiteral("type"), type);
    o.insert(QStringLiteral("order"), order);
    o.insert(QStringLiteral("symbol"), symbol);
    o.insert(QStringLiteral("order_type"), orderType);
    o.insert(QStringLiteral("price"), price);
    o.insert(QStringLiteral("server_time"), m_clock.nowSeconds());
    return o;
}

QJsonObject TradeEngine::positionsMessage(qint64 login) const
{
    QJsonObject message;
    message.insert(QStringLiteral("res_code"), 4);
    const ServerAccount *account = m_store.account(login);
    QJsonArray array;
    Figures f;
    if (account) {
        f = figures(*account);
        for (const ServerPosition &p : m_positions) {
            if (p.login != login)
                continue;
            const int symbol = m_catalog.indexOf(p.symbol);
            const SymbolInfo *info = symbol >= 0 ? &m_catalog.at(symbol) : nullptr;
            const double price = currentClosePrice(p);
            QJsonObject o;
            o.insert(QStringLiteral("login"), p.login);
            o.insert(QStringLiteral("ticket"), p.ticket);
            o.insert(QStringLiteral("symbol"), p.symbol);
            o.insert(QStringLiteral("type"), p.type == 0 ? QStringLiteral("buy") : QStringLiteral("sell"));
            o.insert(QStringLiteral("volume"), p.volume);
            o.insert(QStringLiteral("price"), p.priceOpen);
            o.insert(QStringLiteral("price_o"), p.priceOpen);
            o.insert(QStringLiteral("price_c"), price);
            o.insert(QStringLiteral("sl"), p.sl);
            o.insert(QStringLiteral("tp"), p.tp);
            o.insert(QStringLiteral("profit"), money(profitOf(p, price)));
            o.insert(QStringLiteral("csize"), info ? info->contractSize : 0.0);
            o.insert(QStringLiteral("time"), p.timeOpen);
            o.insert(QStringLiteral("time_c"), 0);
            o.insert(QStringLiteral("r_profit"), info ? usdRate(info->profitCurrency) : 1.0);
            o.insert(QStringLiteral("swap"), p.swap);
            o.insert(QStringLiteral("fee"), p.fee);
            o.insert(QStringLiteral("commission"), p.commission);
            o.insert(QStringLiteral("digits"), info ? info->digits : 5);
            o.insert(QStringLiteral("comment"), p.comment);
            array.append(o);
        }
    }
    message.insert(QStringLiteral("balance"), f.balance);
    message.insert(QStringLiteral("credit"), f.credit);
    message.insert(QStringLiteral("margin"), f.margin);
    message.insert(QStringLiteral("equity"), money(f.equity));
    message.insert(QStringLiteral("free_margin"), money(f.freeMargin));
    message.insert(QStringLiteral("margin_level"), f.margin > 0 ? money(f.equity / f.margin * 100.0) : 0.0);
    message.insert(QStringLiteral("profit"), money(f.profit));
    message.insert(QStringLiteral("array"), array);
    message.insert(QStringLiteral("is_last"), 1);
    return message;
}

QJsonObject TradeEngine::ordersMessage(qint64 login) const
{
    QJsonArray array;
    for (const ServerOrder &order : m_orders) {
        if (order.login != login)
            continue;
        const int symbol = m_catalog.indexOf(order.symbol);
        QJsonObject o;
        o.insert(QStringLiteral("login"), order.login);
        o.insert(QStringLiteral("ticket"), order.ticket);
        o.insert(QStringLiteral("symbol"), order.symbol);
        o.insert(QStringLiteral("type"), order.type);
        o.insert(QStringLiteral("volume"), order.volume);
        o.insert(QStringLiteral("price"), order.price);
        o.insert(QStringLiteral("s_price"), order.stopPrice);
        o.insert(QStringLiteral("sl"), order.sl);
        o.insert(QStringLiteral("tp"), order.tp);
        o.insert(QStringLiteral("time"), order.time);
        o.insert(QStringLiteral("digits"), symbol >= 0 ? m_catalog.at(symbol).digits : 5);
        o.insert(QStringLiteral("t_time"), order.expirationType);
        o.insert(QStringLiteral("expiration"), order.expiration);
        o.insert(QStringLiteral("state"), order.state);
        array.append(o);
    }
    QJsonObject message;
    message.insert(QStringLiteral("res_code"), 6);
    message.insert(QStringLiteral("array"), array);
    return message;
}

QJsonObject TradeEngine::historyMessage(qint64 login, qint64 from, qint64 to)
{
    if (from < 0)
        from = 0;
    auto digitsOf = [this](const QString &name) {
        const int symbol = m_catalog.indexOf(name);
        return symbol >= 0 ? m_catalog.at(symbol).digits : 2;
    };
    QJsonArray positions;
    for (const ServerPosition &p : m_store.closedPositions(login, from, to)) {
        QJsonObject o;
        o.insert(QStringLiteral("ticket"), p.ticket);
        o.insert(QStringLiteral("symbol"), p.symbol);
        o.insert(QStringLiteral("type"), p.type == 0 ? QStringLiteral("buy") : QStringLiteral("sell"));
        o.insert(QStringLiteral("time"), p.timeOpen);
        o.insert(QStringLiteral("time_c"), p.timeClose);
        o.insert(QStringLiteral("digits"), digitsOf(p.symbol));
        o.insert(QStringLiteral("volume"), p.volume);
        o.insert(QStringLiteral("price_o"), p.priceOpen);
        o.insert(QStringLiteral("price_c"), p.priceClose);
        o.insert(QStringLiteral("profit"), p.profit);
        o.insert(QStringLiteral("swap"), p.swap);
        o.insert(QStringLiteral("commission"), p.commission);
        o.insert(QStringLiteral("sl"), p.sl);
        o.insert(QStringLiteral("tp"), p.tp);
        positions.append(o);
    }
    QJsonArray orders;
    for (const ServerOrder &order : m_store.orders(login, from, to)) {
        QJsonObject o;
        o.insert(QStringLiteral("ticket"), order.ticket);
        o.insert(QStringLiteral("symbol"), order.symbol);
        o.insert(QStringLiteral("type"), order.type);
        o.insert(QStringLiteral("time"), order.time);
        o.insert(QStringLiteral("volume"), order.volume);
        o.insert(QStringLiteral("price"), order.price);
        o.insert(QStringLiteral("s_price"), order.stopPrice);
        o.insert(QStringLiteral("state"), order.state);
        o.insert(QStringLiteral("sl"), order.sl);
        o.insert(QStringLiteral("tp"), order.tp);
        o.insert(QStringLiteral("digits"), digitsOf(order.symbol));
        o.insert(QStringLiteral("time_done"), order.timeDone);
        o.insert(QStringLiteral("comment"), order.comment);
        orders.append(o);
    }
    QJsonArray deals;
    for (const ServerDeal &d : m_store.deals(login, from, to)) {
        QJsonObject o;
        o.insert(QStringLiteral("ticket"), d.ticket);
        o.insert(QStringLiteral("type"), d.type);
        o.insert(QStringLiteral("symbol"), d.symbol);
        o.insert(QStringLiteral("comment"), d.comment);
        o.insert(QStringLiteral("time"), d.time);
        o.insert(QStringLiteral("order"), d.order);
        o.insert(QStringLiteral("digits"), digitsOf(d.symbol));
        o.insert(QStringLiteral("volume"), d.volume);
        o.insert(QStringLiteral("price"), d.price);
        o.insert(QStringLiteral("profit"), d.profit);
        o.insert(QStringLiteral("swap"), d.swap);
        o.insert(QStringLiteral("fee"), d.fee);
        o.insert(QStringLiteral("commission"), d.commission);
        o.insert(QStringLiteral("position"), d.position);
        o.insert(QStringLiteral("entry"), d.entry);
        deals.append(o);
    }
    QJsonObject message;
    message.insert(QStringLiteral("res_code"), 5);
    message.insert(QStringLiteral("positions"), positions);
    message.insert(QStringLiteral("orders"), orders);
    message.insert(QStringLiteral("deals"), deals);
    return message;
}

// ---- Requests ----------------------------------------------------------------------------

TradeEngine::Outcome TradeEngine::execute(qint64 login, bool investor, const QJsonObject &request)
{
    Outcome outcome;
    qint64 type = -1;
    if (JsonFields::integer(request, QStringLiteral("type"), type) != Presence::Valid || type < 0 ||
        type > 1000) {
        outcome.result = result(-1, InvalidRequest, QStringLiteral("Invalid request"),
                                QStringLiteral("The request has no valid \"type\""));
        return outcome;
    }
    const int t = static_cast<int>(type);
    qint64 requestLogin = 0;
    const Presence loginField = JsonFields::integer(request, QStringLiteral("login"), requestLogin);
    if (loginField == Presence::Invalid || (loginField == Presence::Valid && requestLogin != login)) {
        outcome.result = result(t, InvalidRequest, QStringLiteral("Invalid request"),
                                QStringLiteral("The request names another account"));
        return outcome;
    }
    const ServerAccount *found = m_store.account(login);
    if (!found) {
        outcome.result = result(t, Refused, kRefusedMsg, QStringLiteral("Unknown account"));
        return outcome;
    }
    const ServerAccount account = *found;
    // Refusals name the symbol when the request has a known one: the terminal keys its
    // per-symbol trade buttons on it.
    QString symbolName;
    if (JsonFields::text(request, QStringLiteral("symbol"), symbolName) == Presence::Valid) {
        const int index = m_catalog.indexOf(symbolName);
        symbolName = index >= 0 ? m_catalog.at(index).name : QString();
    } else {
        symbolName.clear();
    }
    if (m_registry.isDisabled(account)) {
        // The terminal recognises these words and closes the session.
        const GroupSettings *group = m_store.group(account.group);
        outcome.result =
            result(t, Refused,
                   group && group->disabled ? QStringLiteral("Trade request refused: group is disabled")
                                            : QStringLiteral("Trade request refused: account is disabled"));
        return outcome;
    }
    if (investor) {
        outcome.result = result(t, Refused, QStringLiteral("Trading is not allowed in a read-only session"),
                                QStringLiteral("Logged in with the investor password"), 0, symbolName);
        return outcome;
    }
    switch (t) {
    case 0:
        outcome.result = newOrder(account, t, request);
        break;
    case 1:
        outcome.result = modifyOrder(account, t, request);
        break;
    case 2:
        outcome.result = modifyPosition(account, t, request);
        break;
    case 3:
        outcome.result = deleteOrder(account, t, request);
        break;
    case 4:
        outcome.result = closePosition(account, t, request);
        break;
    case 5:
        outcome.refresh = true;
        break;
    case 9:
        outcome.result = closeSeveral(account, t, request);
        break;
    case 10:
        outcome.result = closeBy(account, t, request);
        break;
    default:
        outcome.result = result(t, InvalidRequest, QStringLiteral("Invalid request"),
                                QStringLiteral("Unknown trade request type %1").arg(t));
        break;
    }
    return outcome;
}

namespace {

GroupSettings::Restriction restrictionOf(const AccountStore &store, const ServerAccount &account)
{
    const GroupSettings *group = store.group(account.group);
    return group ? group->restriction : GroupSettings::None;
}

} // namespace

QJsonObject TradeEngine::newOrder(const ServerAccount &account, int type, const QJsonObject &request)
{
    qint64 orderType = -1;
    if (JsonFields::integer(request, QStringLiteral("order_type"), orderType) != Presence::Valid ||
        orderType < 0 || orderType > 7)
        return result(type, InvalidOrderType, QStringLiteral("Invalid order type"),
                      QStringLiteral("\"order_type\" must be 0 to 7"), 0,
                      m_catalog.indexOf(request.value(QStringLiteral("symbol")).toString()) >= 0
                          ? request.value(QStringLiteral("symbol")).toString()
                          : QString());
    const int ot = static_cast<int>(orderType);

    QString name;
    if (JsonFields::text(request, QStringLiteral("symbol"), name) != Presence::Valid || name.isEmpty())
        return result(type, InvalidRequest, QStringLiteral("Invalid request"),
                      QStringLiteral("No symbol given"), 0, QString(), ot);
    const int symbol = m_catalog.indexOf(name);
    if (symbol < 0)
        return result(type, InvalidRequest, QStringLiteral("Invalid request"),
                      QStringLiteral("Unknown symbol %1").arg(name.left(32)), 0, QString(), ot);
    const SymbolInfo &info = m_catalog.at(symbol);

    // Symbols in replies re-use the catalogue's spelling, never the client's text.
    const GroupSettings::Restriction restriction = restrictionOf(m_store, account);
    if (restriction == GroupSettings::TradingDisabled)
        return result(type, Refused, kRefusedMsg, kTradingDisabled, 0, info.name, ot);
    if (restriction == GroupSettings::CloseOnly)
        return result(type, CloseOnly, kRefusedMsg, kCloseOnly, 0, info.name, ot);
    if (restriction == GroupSettings::BuyDisabled && isBuyType(ot))
        return result(type, BuyDisabled, kRefusedMsg, kBuyDisabled, 0, info.name, ot);
    if (restriction == GroupSettings::SellDisabled && !isBuyType(ot))
        return result(type, SellDisabled, kRefusedMsg, kSellDisabled, 0, info.name, ot);
    if (info.tradingClosed)
        return result(type, MarketClosed, QStringLiteral("Market is closed"),
                      QStringLiteral("The trading session of %1 is closed").arg(info.name), 0, info.name, ot);

    qint64 volume = 0;
    if (JsonFields::integer(request, QStringLiteral("volume"), volume) != Presence::Valid)
        return result(type, InvalidVolume, QStringLiteral("Invalid volume"),
                      QStringLiteral("\"volume\" must be a whole number of 1/10000 lot"), 0, info.name, ot);
    if (volume < info.minVolume || volume > info.maxVolume ||
        (volume - info.minVolume) % info.stepVolume != 0)
        return result(type, InvalidVolume, QStringLiteral("Invalid volume"),
                      QStringLiteral("%1 lots is not allowed for %2: %3 to %4 lots in steps of %5")
                          .arg(QString::number(volume / 10000.0), info.name, lots(info.minVolume),
                               lots(info.maxVolume), lots(info.stepVolume)),
                      0, info.name, ot);
    if (openItems(account.login) >= kMaxOpenItems)
        return result(type, TooManyOrders, kRefusedMsg,
                      QStringLiteral("At most %1 open positions and orders per account").arg(kMaxOpenItems),
                      0, info.name, ot);
    return ot <= 1 ? marketOrder(account, type, request, symbol, ot, volume)
                   : pendingOrder(account, type, request, symbol, ot, volume);
}

bool TradeEngine::recordRejected(const ServerAccount &account, int symbol, int orderType, qint64 volume,
                                 double price, const QString &comment)
{
    ServerOrder order;
    order.login = account.login;
    order.symbol = m_catalog.at(symbol).name;
    order.type = orderType;
    order.volume = volume;
    order.price = price;
    order.time = order.timeDone = m_clock.nowSeconds();
    order.state = ServerOrder::Rejected;
    order.comment = comment;
    return m_store.transaction([&] {
        order.ticket = m_store.takeTicket();
        return m_store.writeOrder(order);
    });
}

QJsonObject TradeEngine::marketOrder(const ServerAccount &account, int type, const QJsonObject &request,
                                     int symbol, int orderType, qint64 volume)
{
    const SymbolInfo &info = m_catalog.at(symbol);
    const bool buy = orderType == 0;
    double requested = 0.0, sl = 0.0, tp = 0.0;
    if (JsonFields::number(request, QStringLiteral("price"), requested) == Presence::Invalid)
        return result(type, InvalidPrice, QStringLiteral("Invalid price"),
                      QStringLiteral("\"price\" is not a number"), 0, info.name, orderType);
    if (JsonFields::number(request, QStringLiteral("sl"), sl) == Presence::Invalid ||
        JsonFields::number(request, QStringLiteral("tp"), tp) == Presence::Invalid || sl < 0 || tp < 0)
        return result(type, InvalidStops, QStringLiteral("Invalid stops"),
                      QStringLiteral("\"sl\" and \"tp\" must be prices, 0 for none"), 0, info.name,
                      orderType);
    sl = info.fromPoints(info.toPoints(sl));
    tp = info.fromPoints(info.toPoints(tp));

    const qint64 bid = m_feed.bidPoints(symbol);
    const qint64 ask = m_feed.askPoints(symbol);
    const qint64 execution = buy ? ask : bid;
    const double price = info.fromPoints(execution);
    if (requested > 0 && std::llabs(info.toPoints(requested) - execution) > kPriceDeviationPoints)
        return result(
            type, PriceChanged, QStringLiteral("Price changed"),
            QStringLiteral("Requested %1, market %2")
                .arg(QString::number(requested, 'f', info.digits), QString::number(price, 'f', info.digits)),
            0, info.name, orderType, price);
    // Stops are checked against the side the position will close at.
    const qint64 closeSide = buy ? bid : ask;
    const qint64 slPoints = info.toPoints(sl);
    const qint64 tpPoints = info.toPoints(tp);
    if ((sl > 0 && (buy ? slPoints >= closeSide : slPoints <= closeSide)) ||
        (tp > 0 && (buy ? tpPoints <= closeSide : tpPoints >= closeSide)))
        return result(type, InvalidStops, QStringLiteral("Invalid stops"),
                      QStringLiteral("Stop loss and take profit must lie on their own sides of %1")
                          .arg(QString::number(info.fromPoints(closeSide), 'f', info.digits)),
                      0, info.name, orderType, price);

    const Figures f = figures(account);
    const double needed = marginOf(info, volume, price, account.leverage);
    if (f.freeMargin - needed < 0) {
        recordRejected(account, symbol, orderType, volume, price, QStringLiteral("No money"));
        return result(type, NoMoney, QStringLiteral("Not enough money"),
                      QStringLiteral("Free margin %1 USD, required %2 USD")
                          .arg(QString::number(f.freeMargin, 'f', 2), QString::number(needed, 'f', 2)),
                      0, info.name, orderType, price);
    }

    ServerOrder order;
    order.login = account.login;
    order.symbol = info.name;
    order.type = orderType;
    order.volume = volume;
    order.price = price;
    order.sl = sl;
    order.tp = tp;
    order.time = m_clock.nowSeconds();
    qint64 position = 0;
    if (!fill(order, price, position))
        return result(type, ServerError, QStringLiteral("Server error"),
                      QStringLiteral("The order was not stored"), 0, info.name, orderType, price);
    return result(type, Done, QStringLiteral("Order executed"), QString(), position, info.name, orderType,
                  price);
}

bool TradeEngine::expirationOf(const QJsonObject &request, int &expirationType, qint64 &expiration) const
{
    qint64 kind = 0;
    const Presence presence = JsonFields::integer(request, QStringLiteral("t_time"), kind);
    if (presence == Presence::Invalid || kind < 0 || kind > 2)
        return false;
    expirationType = static_cast<int>(kind);
    const qint64 now = m_clock.nowSeconds();
    if (kind == 0) {
        expiration = 0;
    } else if (kind == 1) {
        // The end of the trading day in the server's time zone.
        const qint64 local = now + m_timezoneOffset;
        expiration = (local / 86400 + 1) * 86400 - m_timezoneOffset;
    } else {
        qint64 minutes = 0;
        if (JsonFields::integer(request, QStringLiteral("exp_mins"), minutes) != Presence::Valid ||
            minutes <= 0 || minutes > 10LL * 366 * 1440)
            return false;
        expiration = now + minutes * 60;
    }
    return true;
}

QJsonObject TradeEngine::checkPendingFields(int type, int symbol, int orderType, double price,
                                            double stopPrice, double sl, double tp) const
{
    const SymbolInfo &info = m_catalog.at(symbol);
    const qint64 bid = m_feed.bidPoints(symbol);
    const qint64 ask = m_feed.askPoints(symbol);
    const qint64 p = info.toPoints(price);
    const qint64 s = info.toPoints(stopPrice);
    QString problem;
    switch (orderType) {
    case 2:
        if (p >= ask)
            problem = QStringLiteral("A buy limit must lie below the ask");
        break;
    case 3:
        if (p <= bid)
            problem = QStringLiteral("A sell limit must lie above the bid");
        break;
    case 4:
        if (p <= ask)
            problem = QStringLiteral("A buy stop must lie above the ask");
        break;
    case 5:
        if (p >= bid)
            problem = QStringLiteral("A sell stop must lie below the bid");
        break;
    case 6:
        if (s <= ask || p > s)
            problem = QStringLiteral(
                "A buy stop limit needs a stop price above the ask and a limit at or below it");
        break;
    case 7:
        if (s >= bid || p < s)
            problem = QStringLiteral(
                "A sell stop limit needs a stop price below the bid and a limit at or above it");
        break;
    default:
        break;
    }
    if (!problem.isEmpty())
        return result(type, InvalidPrice, QStringLiteral("Invalid price"),
                      problem + QStringLiteral(" (bid %1, ask %2)")
                                    .arg(QString::number(info.fromPoints(bid), 'f', info.digits),
                                         QString::number(info.fromPoints(ask), 'f', info.digits)),
                      0, info.name, orderType, price);
    const bool buy = isBuyType(orderType);
    const qint64 slPoints = info.toPoints(sl);
    const qint64 tpPoints = info.toPoints(tp);
    if ((sl > 0 && (buy ? slPoints >= p : slPoints <= p)) ||
        (tp > 0 && (buy ? tpPoints <= p : tpPoints >= p)))
        return result(
            type, InvalidStops, QStringLiteral("Invalid stops"),
            QStringLiteral("Stop loss and take profit must lie on their own sides of the order price"), 0,
            info.name, orderType, price);
    return QJsonObject();
}

QJsonObject TradeEngine::pendingOrder(const ServerAccount &account, int type, const QJsonObject &request,
                                      int symbol, int orderType, qint64 volume)
{
    const SymbolInfo &info = m_catalog.at(symbol);
    double price = 0.0, stopPrice = 0.0, sl = 0.0, tp = 0.0;
    if (JsonFields::number(request, QStringLiteral("price"), price) != Presence::Valid || price <= 0)
        return result(type, InvalidPrice, QStringLiteral("Invalid price"),
                      QStringLiteral("A pending order needs a \"price\""), 0, info.name, orderType);
    if (orderType >= 6 &&
        (JsonFields::number(request, QStringLiteral("s_price"), stopPrice) != Presence::Valid ||
         stopPrice <= 0))
        return result(type, InvalidPrice, QStringLiteral("Invalid price"),
                      QStringLiteral("A stop limit order needs a stop price \"s_price\""), 0, info.name,
                      orderType);
    if (JsonFields::number(request, QStringLiteral("sl"), sl) == Presence::Invalid ||
        JsonFields::number(request, QStringLiteral("tp"), tp) == Presence::Invalid || sl < 0 || tp < 0)
        return result(type, InvalidStops, QStringLiteral("Invalid stops"),
                      QStringLiteral("\"sl\" and \"tp\" must be prices, 0 for none"), 0, info.name,
                      orderType);
    price = info.fromPoints(info.toPoints(price));
    stopPrice = orderType >= 6 ? info.fromPoints(info.toPoints(stopPrice)) : 0.0;
    sl = info.fromPoints(info.toPoints(sl));
    tp = info.fromPoints(info.toPoints(tp));
    const QJsonObject problem = checkPendingFields(type, symbol, orderType, price, stopPrice, sl, tp);
    if (!problem.isEmpty())
        return problem;
    ServerOrder order;
    if (!expirationOf(request, order.expirationType, order.expiration))
        return result(type, InvalidExpiration, QStringLiteral("Invalid expiration"),
                      QStringLiteral("\"t_time\" must be 0, 1 or 2, and 2 needs \"exp_mins\" above 0"), 0,
                      info.name, orderType, price);

    const Figures f = figures(account);
    const double needed = marginOf(info, volume, price, account.leverage);
    if (f.freeMargin - needed < 0) {
        recordRejected(account, symbol, orderType, volume, price, QStringLiteral("No money"));
        return result(type, NoMoney, QStringLiteral("Not enough money"),
                      QStringLiteral("Free margin %1 USD, required %2 USD")
                          .arg(QString::number(f.freeMargin, 'f', 2), QString::number(needed, 'f', 2)),
                      0, info.name, orderType, price);
    }

    order.login = account.login;
    order.symbol = info.name;
    order.type = orderType;
    order.volume = volume;
    order.price = price;
    order.stopPrice = stopPrice;
    order.sl = sl;
    order.tp = tp;
    order.time = m_clock.nowSeconds();
    order.state = ServerOrder::Placed;
    const bool ok = m_store.transaction(
        [&] {
            order.ticket = m_store.takeTicket();
            return m_store.writeOrder(order);
        },
        [&] {
            m_orders.insert(order.ticket, order);
            m_changed.insert(order.login);
        });
    if (!ok)
        return result(type, ServerError, QStringLiteral("Server error"),
                      QStringLiteral("The order was not stored"), 0, info.name, orderType, price);
    return result(type, Done, QStringLiteral("Order placed"), QString(), order.ticket, info.name, orderType,
                  price);
}

QJsonObject TradeEngine::modifyOrder(const ServerAccount &account, int type, const QJsonObject &request)
{
    qint64 ticket = 0;
    if (JsonFields::integer(request, QStringLiteral("order_id"), ticket) != Presence::Valid)
        return result(type, InvalidRequest, QStringLiteral("Invalid request"),
                      QStringLiteral("No \"order_id\" given"));
    const auto it = m_orders.constFind(ticket);
    if (it == m_orders.constEnd() || it->login != account.login)
        return result(type, InvalidRequest, QStringLiteral("Invalid request"),
                      QStringLiteral("Order %1 not found").arg(ticket), ticket);
    ServerOrder order = *it;
    const int symbol = m_catalog.indexOf(order.symbol);
    const SymbolInfo &info = m_catalog.at(symbol);
    if (info.tradingClosed)
        return result(type, MarketClosed, QStringLiteral("Market is closed"),
                      QStringLiteral("The trading session of %1 is closed").arg(info.name), ticket, info.name,
                      order.type);
    const GroupSettings::Restriction restriction = restrictionOf(m_store, account);
    if (restriction == GroupSettings::TradingDisabled)
        return result(type, Refused, kRefusedMsg, kTradingDisabled, ticket, info.name, order.type);
    if (restriction == GroupSettings::CloseOnly)
        return result(type, CloseOnly, kRefusedMsg, kCloseOnly, ticket, info.name, order.type);
    if (restriction == GroupSettings::BuyDisabled && isBuyType(order.type))
        return result(type, BuyDisabled, kRefusedMsg, kBuyDisabled, ticket, info.name, order.type);
    if (restriction == GroupSettings::SellDisabled && !isBuyType(order.type))
        return result(type, SellDisabled, kRefusedMsg, kSellDisabled, ticket, info.name, order.type);

    double value = 0.0;
    Presence presence = JsonFields::number(request, QStringLiteral("price"), value);
    if (presence == Presence::Invalid || (presence == Presence::Valid && value <= 0))
        return result(type, InvalidPrice, QStringLiteral("Invalid price"),
                      QStringLiteral("\"price\" must be above 0"), ticket, info.name, order.type);
    if (presence == Presence::Valid)
        order.price = info.fromPoints(info.toPoints(value));
    if (order.type >= 6) {
        presence = JsonFields::number(request, QStringLiteral("s_price"), value);
        if (presence == Presence::Invalid || (presence == Presence::Valid && value <= 0))
            return result(type, InvalidPrice, QStringLiteral("Invalid price"),
                          QStringLiteral("\"s_price\" must be above 0"), ticket, info.name, order.type);
        if (presence == Presence::Valid)
            order.stopPrice = info.fromPoints(info.toPoints(value));
    }
    for (const QString &key : {QStringLiteral("sl"), QStringLiteral("tp")}) {
        presence = JsonFields::number(request, key, value);
        if (presence == Presence::Invalid || (presence == Presence::Valid && value < 0))
            return result(type, InvalidStops, QStringLiteral("Invalid stops"),
                          QStringLiteral("\"sl\" and \"tp\" must be prices, 0 for none"), ticket, info.name,
                          order.type);
        if (presence == Presence::Valid)
            (key == QLatin1String("sl") ? order.sl : order.tp) = info.fromPoints(info.toPoints(value));
    }
    const QJsonObject problem =
        checkPendingFields(type, symbol, order.type, order.price, order.stopPrice, order.sl, order.tp);
    if (!problem.isEmpty())
        return problem;
    if (request.contains(QStringLiteral("t_time")) &&
        !expirationOf(request, order.expirationType, order.expiration))
        return result(type, InvalidExpiration, QStringLiteral("Invalid expiration"),
                      QStringLiteral("\"t_time\" must be 0, 1 or 2, and 2 needs \"exp_mins\" above 0"),
                      ticket, info.name, order.type);
    const bool ok = m_store.transaction([&] { return m_store.writeOrder(order); },
                                        [&] {
                                            m_orders[order.ticket] = order;
                                            m_changed.insert(order.login);
                                        });
    if (!ok)
        return result(type, ServerError, QStringLiteral("Server error"),
                      QStringLiteral("The change was not stored"), ticket, info.name, order.type);
    return result(type, Done, QStringLiteral("Order modified"), QString(), ticket, info.name, order.type,
                  order.price);
}

QJsonObject TradeEngine::deleteOrder(const ServerAccount &account, int type, const QJsonObject &request)
{
    qint64 ticket = 0;
    if (JsonFields::integer(request, QStringLiteral("order_id"), ticket) != Presence::Valid)
        return result(type, InvalidRequest, QStringLiteral("Invalid request"),
                      QStringLiteral("No \"order_id\" given"));
    const auto it = m_orders.constFind(ticket);
    if (it == m_orders.constEnd() || it->login != account.login)
        return result(type, InvalidRequest, QStringLiteral("Invalid request"),
                      QStringLiteral("Order %1 not found").arg(ticket), ticket);
    ServerOrder order = *it;
    const SymbolInfo &info = m_catalog.at(m_catalog.indexOf(order.symbol));
    if (info.tradingClosed)
        return result(type, MarketClosed, QStringLiteral("Market is closed"),
                      QStringLiteral("The trading session of %1 is closed").arg(info.name), ticket, info.name,
                      order.type);
    if (restrictionOf(m_store, account) == GroupSettings::TradingDisabled)
        return result(type, Refused, kRefusedMsg, kTradingDisabled, ticket, info.name, order.type);
    order.state = ServerOrder::Canceled;
    order.timeDone = m_clock.nowSeconds();
    const bool ok = m_store.transaction([&] { return m_store.writeOrder(order); },
                                        [&] {
                                            m_orders.remove(order.ticket);
                                            m_changed.insert(order.login);
                                        });
    if (!ok)
        return result(type, ServerError, QStringLiteral("Server error"),
                      QStringLiteral("The change was not stored"), ticket, info.name, order.type);
    return result(type, Done, QStringLiteral("Order deleted"), QString(), ticket, info.name, order.type,
                  order.price);
}

QJsonObject TradeEngine::modifyPosition(const ServerAccount &account, int type, const QJsonObject &request)
{
    qint64 ticket = 0;
    if (JsonFields::integer(request, QStringLiteral("order_id"), ticket) != Presence::Valid)
        return result(type, InvalidRequest, QStringLiteral("Invalid request"),
                      QStringLiteral("No \"order_id\" given"));
    const auto it = m_positions.constFind(ticket);
    if (it == m_positions.constEnd() || it->login != account.login)
        return result(type, InvalidRequest, QStringLiteral("Invalid request"),
                      QStringLiteral("Position %1 not found").arg(ticket), ticket);
    ServerPosition position = *it;
    const int symbol = m_catalog.indexOf(position.symbol);
    const SymbolInfo &info = m_catalog.at(symbol);
    if (info.tradingClosed)
        return result(type, MarketClosed, QStringLiteral("Market is closed"),
                      QStringLiteral("The trading session of %1 is closed").arg(info.name), ticket, info.name,
                      position.type);
    if (restrictionOf(m_store, account) == GroupSettings::TradingDisabled)
        return result(type, Refused, kRefusedMsg, kTradingDisabled, ticket, info.name, position.type);
    for (const QString &key : {QStringLiteral("sl"), QStringLiteral("tp")}) {
        double value = 0.0;
        const Presence presence = JsonFields::number(request, key, value);
        if (presence == Presence::Invalid || (presence == Presence::Valid && value < 0))
            return result(type, InvalidStops, QStringLiteral("Invalid stops"),
                          QStringLiteral("\"sl\" and \"tp\" must be prices, 0 for none"), ticket, info.name,
                          position.type);
        if (presence == Presence::Valid)
            (key == QLatin1String("sl") ? position.sl : position.tp) = info.fromPoints(info.toPoints(value));
    }
    const bool buy = position.type == 0;
    const qint64 closeSide = buy ? m_feed.bidPoints(symbol) : m_feed.askPoints(symbol);
    const qint64 sl = info.toPoints(position.sl);
    const qint64 tp = info.toPoints(position.tp);
    if ((position.sl > 0 && (buy ? sl >= closeSide : sl <= closeSide)) ||
        (position.tp > 0 && (buy ? tp <= closeSide : tp >= closeSide)))
        return result(type, InvalidStops, QStringLiteral("Invalid stops"),
                      QStringLiteral("Stop loss and take profit must lie on their own sides of %1")
                          .arg(QString::number(info.fromPoints(closeSide), 'f', info.digits)),
                      ticket, info.name, position.type);
    const bool ok = m_store.transaction([&] { return m_store.writePosition(position); },
                                        [&] {
                                            m_positions[position.ticket] = position;
                                            m_changed.insert(position.login);
                                        });
    if (!ok)
        return result(type, ServerError, QStringLiteral("Server error"),
                      QStringLiteral("The change was not stored"), ticket, info.name, position.type);
    return result(type, Done, QStringLiteral("Position modified"), QString(), ticket, info.name,
                  position.type, position.priceOpen);
}

QJsonObject TradeEngine::closePosition(const ServerAccount &account, int type, const QJsonObject &request)
{
    qint64 ticket = 0;
    if (JsonFields::integer(request, QStringLiteral("order_id"), ticket) != Presence::Valid)
        return result(type, InvalidRequest, QStringLiteral("Invalid request"),
                      QStringLiteral("No \"order_id\" given"));
    const auto it = m_positions.constFind(ticket);
    if (it == m_positions.constEnd() || it->login != account.login)
        return result(type, InvalidRequest, QStringLiteral("Invalid request"),
                      QStringLiteral("Position %1 not found").arg(ticket), ticket);
    const ServerPosition position = *it;
    const SymbolInfo &info = m_catalog.at(m_catalog.indexOf(position.symbol));
    const int dealSide = position.type == 0 ? 1 : 0;
    if (info.tradingClosed)
        return result(type, MarketClosed, QStringLiteral("Market is closed"),
                      QStringLiteral("The trading session of %1 is closed").arg(info.name), ticket, info.name,
                      dealSide);
    if (restrictionOf(m_store, account) == GroupSettings::TradingDisabled)
        return result(type, Refused, kRefusedMsg, kTradingDisabled, ticket, info.name, dealSide);
    const double price = currentClosePrice(position);
    if (!close(position, price, QString()))
        return result(type, ServerError, QStringLiteral("Server error"),
                      QStringLiteral("The close was not stored"), ticket, info.name, dealSide, price);
    return result(type, Done, QStringLiteral("Position closed"), QString(), ticket, info.name, dealSide,
                  price);
}

QJsonObject TradeEngine::closeSeveral(const ServerAccount &account, int type, const QJsonObject &request)
{
    qint64 kind = 0;
    const Presence presence = JsonFields::integer(request, QStringLiteral("sub_type"), kind);
    if (presence == Presence::Invalid || kind < 0 || kind > 2)
        return result(type, InvalidRequest, QStringLiteral("Invalid request"),
                      QStringLiteral("\"sub_type\" must be 0 (all), 1 (profitable) or 2 (losing)"));
    if (restrictionOf(m_store, account) == GroupSettings::TradingDisabled)
        return result(type, Refused, kRefusedMsg, kTradingDisabled);
    QVector<ServerPosition> chosen;
    int skipped = 0;
    for (const ServerPosition &p : m_positions) {
        if (p.login != account.login)
            continue;
        const double profit = profitOf(p, currentClosePrice(p));
        if ((kind == 1 && profit <= 0) || (kind == 2 && profit >= 0))
            continue;
        if (m_catalog.at(m_catalog.indexOf(p.symbol)).tradingClosed) {
            ++skipped;
            continue;
        }
        chosen.append(p);
    }
    ServerAccount working = account;
    const bool ok = m_store.transaction(
        [&] {
            for (const ServerPosition &p : chosen)
                if (!writeClose(p, currentClosePrice(p), QString(), 0, working))
                    return false;
            return m_store.writeAccount(working);
        },
        [&] { m_store.cacheAccount(working); });
    if (!ok)
        return result(type, ServerError, QStringLiteral("Server error"),
                      QStringLiteral("The close was not stored"));
    const QString reason =
        skipped ? QStringLiteral("%1 position(s) on closed markets left open").arg(skipped) : QString();
    return result(type, Done, QStringLiteral("Closed %1 position(s)").arg(chosen.size()), reason);
}

QJsonObject TradeEngine::closeBy(const ServerAccount &account, int type, const QJsonObject &request)
{
    qint64 first = 0, second = 0;
    if (JsonFields::integer(request, QStringLiteral("order_id"), first) != Presence::Valid ||
        JsonFields::integer(request, QStringLiteral("position_by_id"), second) != Presence::Valid)
        return result(type, InvalidRequest, QStringLiteral("Invalid request"),
                      QStringLiteral("Close by needs \"order_id\" and \"position_by_id\""));
    const auto a = m_positions.constFind(first);
    const auto b = m_positions.constFind(second);
    if (a == m_positions.constEnd() || b == m_positions.constEnd() || a->login != account.login ||
        b->login != account.login)
        return result(type, InvalidRequest, QStringLiteral("Invalid request"),
                      QStringLiteral("Position %1 or %2 not found").arg(first).arg(second), first);
    if (first == second || a->symbol != b->symbol || a->type == b->type)
        return result(type, InvalidRequest, QStringLiteral("Invalid request"),
                      QStringLiteral("Close by needs two opposite positions of one symbol"), first,
                      a->symbol);
    const ServerPosition position = *a;
    const ServerPosition opposite = *b;
    const SymbolInfo &info = m_catalog.at(m_catalog.indexOf(position.symbol));
    const int dealSide = position.type == 0 ? 1 : 0;
    if (info.tradingClosed)
        return result(type, MarketClosed, QStringLiteral("Market is closed"),
                      QStringLiteral("The trading session of %1 is closed").arg(info.name), first, info.name,
                      dealSide);
    if (restrictionOf(m_store, account) == GroupSettings::TradingDisabled)
        return result(type, Refused, kRefusedMsg, kTradingDisabled, first, info.name, dealSide);
    // Both close at the opposite position's open price: the pair's profit is the spread between
    // the two open prices, and the opposite position's own part is zero.
    const qint64 volume = std::min(position.volume, opposite.volume);
    const double price = opposite.priceOpen;
    ServerAccount working = account;
    const bool ok = m_store.transaction(
        [&] {
            return writeClose(position, price, QStringLiteral("close by #%1").arg(opposite.ticket), volume,
                              working) &&
                   writeClose(opposite, price, QStringLiteral("close by #%1").arg(position.ticket), volume,
                              working) &&
                   m_store.writeAccount(working);
        },
        [&] { m_store.cacheAccount(working); });
    if (!ok)
        return result(type, ServerError, QStringLiteral("Server error"),
                      QStringLiteral("The close was not stored"), first, info.name, dealSide, price);
    return result(type, Done, QStringLiteral("Position closed by #%1").arg(opposite.ticket), QString(), first,
                  info.name, dealSide, price);
}

// ---- Execution ---------------------------------------------------------------------------

bool TradeEngine::fill(ServerOrder order, double price, qint64 &positionTicket)
{
    const qint64 now = m_clock.nowSeconds();
    const bool wasPending = order.ticket != 0;
    ServerPosition position;
    ServerDeal deal;
    const bool ok = m_store.transaction(
        [&] {
            if (!order.ticket)
                order.ticket = m_store.takeTicket();
            order.state = ServerOrder::Filled;
            order.timeDone = now;
            order.position = order.ticket;
            position.ticket = order.ticket;
            position.login = order.login;
            position.symbol = order.symbol;
            position.type = isBuyType(order.type) ? 0 : 1;
            position.volume = order.volume;
            position.priceOpen = price;
            position.sl = order.sl;
            position.tp = order.tp;
            position.timeOpen = now;
            position.comment = order.comment;
            deal.ticket = m_store.takeTicket();
            deal.login = order.login;
            deal.type = position.type == 0 ? ServerDeal::Buy : ServerDeal::Sell;
            deal.symbol = order.symbol;
            deal.comment = order.comment;
            deal.time = now;
            deal.order = order.ticket;
            deal.position = position.ticket;
            deal.volume = order.volume;
            deal.price = price;
            deal.entry = ServerDeal::In;
            return m_store.writeOrder(order) && m_store.writePosition(position) && m_store.writeDeal(deal);
        },
        [&] {
            if (wasPending)
                m_orders.remove(order.ticket);
            m_positions.insert(position.ticket, position);
            m_changed.insert(order.login);
        });
    positionTicket = position.ticket;
    return ok;
}

bool TradeEngine::writeClose(const ServerPosition &position, double price, const QString &comment,
                             qint64 volume, ServerAccount &account)
{
    const qint64 now = m_clock.nowSeconds();
    const qint64 closing = volume > 0 && volume < position.volume ? volume : position.volume;
    ServerPosition part = position;
    part.volume = closing;
    const double profit = money(profitOf(part, price));
    account.balance = money(account.balance + profit);

    ServerOrder order;
    order.ticket = m_store.takeTicket();
    order.login = position.login;
    order.symbol = position.symbol;
    order.type = position.type == 0 ? 1 : 0;
    order.volume = closing;
    order.price = price;
    order.time = order.timeDone = now;
    order.state = ServerOrder::Filled;
    order.position = position.ticket;
    order.comment = comment;

    ServerDeal deal;
    deal.ticket = m_store.takeTicket();
    deal.login = position.login;
    deal.type = position.type == 0 ? ServerDeal::Sell : ServerDeal::Buy;
    deal.symbol = position.symbol;
    deal.comment = comment;
    deal.time = now;
    deal.order = order.ticket;
    deal.position = position.ticket;
    deal.volume = closing;
    deal.price = price;
    deal.profit = profit;
    deal.entry = ServerDeal::Out;

    ServerPosition after = position;
    after.profit = money(after.profit + profit);
    const bool whole = closing == position.volume;
    if (whole) {
        after.closed = true;
        after.timeClose = now;
        after.priceClose = price;
        if (!comment.isEmpty())
            after.comment = comment;
    } else {
        after.volume -= closing;
    }
    return m_store.transaction(
        [&] { return m_store.writeOrder(order) && m_store.writeDeal(deal) && m_store.writePosition(after); },
        [this, after, whole] {
            if (whole)
                m_positions.remove(after.ticket);
            else
                m_positions[after.ticket] = after;
            m_changed.insert(after.login);
        });
}

bool TradeEngine::close(const ServerPosition &position, double price, const QString &comment)
{
    const ServerAccount *found = m_store.account(position.login);
    if (!found)
        return false;
    ServerAccount working = *found;
    return m_store.transaction(
        [&] { return writeClose(position, price, comment, 0, working) && m_store.writeAccount(working); },
        [&] { m_store.cacheAccount(working); });
}

bool TradeEngine::openSeedPosition(qint64 login, const QString &name, int side, qint64 volume)
{
    const int symbol = m_catalog.indexOf(name);
    if (symbol < 0 || !m_store.account(login))
        return false;
    ServerOrder order;
    order.login = login;
    order.symbol = name;
    order.type = side;
    order.volume = volume;
    order.price = side == 0 ? m_feed.ask(symbol) : m_feed.bid(symbol);
    order.time = m_clock.nowSeconds();
    qint64 ticket = 0;
    return fill(order, order.price, ticket);
}

void TradeEngine::triggerOrder(const ServerOrder &order)
{
    const int symbol = m_catalog.indexOf(order.symbol);
    if (symbol < 0)
        return;
    const SymbolInfo &info = m_catalog.at(symbol);
    const qint64 bid = m_feed.bidPoints(symbol);
    const qint64 ask = m_feed.askPoints(symbol);
    const qint64 price = info.toPoints(order.price);
    const qint64 stop = info.toPoints(order.stopPrice);
    bool hit = false;
    switch (order.type) {
    case 2:
        hit = ask <= price;
        break;
    case 3:
        hit = bid >= price;
        break;
    case 4:
        hit = ask >= price;
        break;
    case 5:
        hit = bid <= price;
        break;
    case 6:
        hit = ask >= stop;
        break;
    case 7:
        hit = bid <= stop;
        break;
    default:
        break;
    }
    if (!hit)
        return;

    const qint64 now = m_clock.nowSeconds();
    if (order.type >= 6) {
        // The stop price was reached: the stop limit becomes a limit order at its own price.
        ServerOrder done = order;
        done.state = ServerOrder::Filled;
        done.timeDone = now;
        ServerOrder limit = order;
        limit.type = order.type == 6 ? 2 : 3;
        limit.stopPrice = 0.0;
        limit.time = now;
        limit.comment = QStringLiteral("from #%1").arg(order.ticket);
        const bool ok = m_store.transaction(
            [&] {
                limit.ticket = m_store.takeTicket();
                done.position = 0;
                return m_store.writeOrder(done) && m_store.writeOrder(limit);
            },
            [&] {
                m_orders.remove(done.ticket);
                m_orders.insert(limit.ticket, limit);
                m_changed.insert(order.login);
            });
        if (ok)
            qInfo().noquote() << "engine: stop limit" << order.ticket << "placed limit" << limit.ticket;
        return;
    }

    const ServerAccount *account = m_store.account(order.login);
    const double execution = info.fromPoints(isBuyType(order.type) ? ask : bid);
    if (!account)
        return;
    const Figures f = figures(*account);
    if (f.freeMargin - marginOf(info, order.volume, execution, account->leverage) < 0) {
        ServerOrder rejected = order;
        rejected.state = ServerOrder::Rejected;
        rejected.timeDone = now;
        rejected.comment = QStringLiteral("No money");
        m_store.transaction([&] { return m_store.writeOrder(rejected); },
                            [&] {
                                m_orders.remove(rejected.ticket);
                                m_changed.insert(rejected.login);
                            });
        qInfo().noquote() << "engine: order" << order.ticket << "rejected at trigger, not enough money";
        return;
    }
    qint64 position = 0;
    if (fill(order, execution, position))
        qInfo().noquote() << "engine: order" << order.ticket << "filled at" << execution;
}

void TradeEngine::stopOut(qint64 login)
{
    for (int guard = 0; guard < kMaxOpenItems; ++guard) {
        const ServerAccount *account = m_store.account(login);
        if (!account)
            return;
        const Figures f = figures(*account);
        if (f.margin <= 0 || f.equity / f.margin * 100.0 >= kStopOutLevel)
            return;
        // The most losing position goes first.
        const ServerPosition *worst = nullptr;
        double worstProfit = 0.0;
        for (const ServerPosition &p : m_positions) {
            if (p.login != login || m_catalog.at(m_catalog.indexOf(p.symbol)).tradingClosed)
                continue;
            const double profit = profitOf(p, currentClosePrice(p));
            if (!worst || profit < worstProfit) {
                worst = &p;
                worstProfit = profit;
            }
        }
        if (!worst)
            return;
        const ServerPosition position = *worst;
        qInfo().noquote() << "engine: stop out of account" << login << "at margin level"
                          << QString::number(f.equity / f.margin * 100.0, 'f', 1) << "closes"
                          << position.ticket;
        if (!close(position, currentClosePrice(position), QStringLiteral("SO")))
            return;
    }
}

void TradeEngine::onTicked(const QVector<int> &symbols)
{
    QSet<QString> names;
    for (int symbol : symbols)
        names.insert(m_catalog.at(symbol).name);

    const QList<ServerOrder> orders = m_orders.values();
    for (const ServerOrder &order : orders)
        if (names.contains(order.symbol) && m_orders.contains(order.ticket))
            triggerOrder(order);

    const QList<ServerPosition> positions = m_positions.values();
    for (const ServerPosition &p : positions) {
        if (!names.contains(p.symbol) || !m_positions.contains(p.ticket))
            continue;
        const int symbol = m_catalog.indexOf(p.symbol);
        const SymbolInfo &info = m_catalog.at(symbol);
        const bool buy = p.type == 0;
        const qint64 price = buy ? m_feed.bidPoints(symbol) : m_feed.askPoints(symbol);
        const qint64 sl = info.toPoints(p.sl);
        const qint64 tp = info.toPoints(p.tp);
        QString comment;
        if (p.sl > 0 && (buy ? price <= sl : price >= sl))
            comment = QStringLiteral("SL");
        else if (p.tp > 0 && (buy ? price >= tp : price <= tp))
            comment = QStringLiteral("TP");
        if (!comment.isEmpty() && close(p, info.fromPoints(price), comment))
            qInfo().noquote() << "engine: position" << p.ticket << "closed by" << comment;
    }

    QSet<qint64> logins;
    for (const ServerPosition &p : qAsConst(m_positions))
        logins.insert(p.login);
    for (qint64 login : logins)
        stopOut(login);
    publishChanges();
}

void TradeEngine::checkExpirations()
{
    const qint64 now = m_clock.nowSeconds();
    const QList<ServerOrder> orders = m_orders.values();
    for (ServerOrder order : orders) {
        if (order.expiration <= 0 || now < order.expiration)
            continue;
        order.state = ServerOrder::Expired;
        order.timeDone = now;
        if (m_store.transaction([&] { return m_store.writeOrder(order); },
                                [&] {
                                    m_orders.remove(order.ticket);
                                    m_changed.insert(order.login);
                                }))
            qInfo().noquote() << "engine: order" << order.ticket << "expired";
    }
    publishChanges();
}
