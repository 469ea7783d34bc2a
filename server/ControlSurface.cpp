#include "server/ControlSurface.h"

#include "server/AccountRegistry.h"
#include "server/AccountStore.h"
#include "server/BrokerDirectory.h"
#include "server/Clock.h"
#include "server/HttpJson.h"
#include "server/JsonFields.h"
#include "server/MainThreadBridge.h"
#include "server/PriceFeed.h"
#include "server/SignalWatcher.h"
#include "server/StatusChannel.h"
#include "server/SymbolCatalog.h"
#include "server/TradeEngine.h"
#include "server/TradeServer.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QJsonArray>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

using JsonFields::Presence;

namespace {

void replyShuttingDown(httplib::Response &response)
{
    HttpJson::replyError(response, 503, QStringLiteral("the server is shutting down"));
}

} // namespace

ControlSurface::ControlSurface(httplib::Server &server, const Parts &parts) : m_parts(parts)
{
    route(server, "/control/suspend", &ControlSurface::suspendServer);
    route(server, "/control/resume", &ControlSurface::resumeServer);
    route(server, "/control/group", &ControlSurface::group);
    route(server, "/control/drop", &ControlSurface::drop);
    route(server, "/control/freeze", &ControlSurface::freeze);
    route(server, "/control/price", &ControlSurface::price);
    route(server, "/control/clock", &ControlSurface::clock);
    server.Get("/control", [](const httplib::Request &request, httplib::Response &response) {
        if (!HttpJson::isLoopback(request.remote_addr)) {
            HttpJson::replyError(response, 403,
                                 QStringLiteral("the control surface answers loopback peers only"));
            return;
        }
        const QJsonArray endpoints{
            QStringLiteral("POST /control/suspend {\"name\": server name (default this server)}"),
            QStringLiteral("POST /control/resume {\"name\": server name (default this server)}"),
            QStringLiteral("POST /control/group {\"login\": N | \"group\": name, \"disabled\": bool}"),
            QStringLiteral("POST /control/drop"),
            QStringLiteral("POST /control/freeze {\"seconds\": N}"),
            QStringLiteral(
                "POST /control/price {\"symbol\": S, \"bid\": B, \"ask\": A, \"hold_seconds\": N} or "
                "{\"symbol\": S, \"release\": true}"),
            QStringLiteral("POST /control/clock {\"advance_seconds\": N}")};
        HttpJson::reply(response, 200, QJsonObject{{QStringLiteral("endpoints"), endpoints}});
    });
}

void ControlSurface::route(httplib::Server &server, const char *path, Handler handler)
{
    server.Post(path, [this, handler, path](const httplib::Request &request, httplib::Response &response) {
        if (!HttpJson::isLoopback(request.remote_addr)) {
            qWarning().noquote() << "control: refused" << path << "from"
                                 << QString::fromStdString(request.remote_addr);
            HttpJson::replyError(response, 403,
                                 QStringLiteral("the control surface answers loopback peers only"));
            return;
        }
        QJsonObject body;
        QString error;
        if (!HttpJson::parseObject(request.body, true, body, error)) {
            HttpJson::replyError(response, 400, error);
            return;
        }
        qInfo().noquote() << "control:" << path << QString::fromStdString(request.body).left(200);
        (this->*handler)(body, response);
    });
}

void ControlSurface::suspend(const QJsonObject &body, httplib::Response &response, bool suspended)
{
    QString name = BrokerDirectory::ownServerName();
    if (JsonFields::text(body, QStringLiteral("name"), name) == Presence::Invalid) {
        HttpJson::replyError(response, 400, QStringLiteral("\"name\" must be a string"));
        return;
    }
    bool changed = false;
    BrokerDirectory::Server server;
    if (!m_parts.directory->setSuspended(name, suspended, changed, server)) {
        HttpJson::replyError(response, 404,
                             QStringLiteral("no server named \"%1\" in the directory").arg(name));
        return;
    }
    const QString address = QStringLiteral("ws://") + server.address;
    if (changed) {
        StatusChannel *status = m_parts.status;
        const QString serverName = server.name;
        if (!m_parts.bridge->call([status, serverName, address, suspended] {
                status->publishStatusChange(serverName, address, suspended);
            })) {
            replyShuttingDown(response);
            return;
        }
    }
    HttpJson::reply(response, 200,
                    QJsonObject{{QStringLiteral("name"), server.name},
                                {QStringLiteral("server_address"), address},
                                {QStringLiteral("suspended"), suspended},
                                {QStringLiteral("changed"), changed}});
}

void ControlSurface::group(const QJsonObject &body, httplib::Response &response)
{
    qint64 login = 0;
    QString groupName;
    bool disabled = true;
    const Presence byLogin = JsonFields::integer(body, QStringLiteral("login"), login);
    const Presence byGroup = JsonFields::text(body, QStringLiteral("group"), groupName);
    if (byLogin == Presence::Invalid || byGroup == Presence::Invalid ||
        (byLogin == Presence::Missing) == (byGroup == Presence::Missing) ||
        JsonFields::boolean(body, QStringLiteral("disabled"), disabled) == Presence::Invalid) {
        HttpJson::replyError(
            response, 400,
            QStringLiteral("give either \"login\" (number) or \"group\" (string), and optionally "
                           "\"disabled\" (bool, default true)"));
        return;
    }
    auto outcome = std::make_shared<QJsonObject>();
    auto status = std::make_shared<int>(200);
    AccountStore *store = m_parts.store;
    AccountRegistry *registry = m_parts.registry;
    const bool ok = m_parts.bridge->call([=] {
        QString name = groupName;
        if (byLogin == Presence::Valid) {
            const ServerAccount *account = store->account(login);
            if (!account) {
                *status = 404;
                *outcome =
                    QJsonObject{{QStringLiteral("error"), QStringLiteral("unknown account %1").arg(login)}};
                return;
            }
            name = account->group;
        }
        if (!store->group(name)) {
            *status = 404;
            *outcome =
                QJsonObject{{QStringLiteral("error"), QStringLiteral("unknown group \"%1\"").arg(name)}};
            return;
        }
        if (!registry->setGroupDisabled(name, disabled)) {
            *status = 500;
            *outcome =
                QJsonObject{{QStringLiteral("error"), QStringLiteral("the database refused the change")}};
            return;
        }
        *outcome = QJsonObject{{QStringLiteral("group"), name}, {QStringLiteral("disabled"), disabled}};
    });
    if (!ok) {
        replyShuttingDown(response);
        return;
    }
    HttpJson::reply(response, *status, *outcome);
}

void ControlSurface::drop(const QJsonObject &, httplib::Response &response)
{
    auto count = std::make_shared<int>(0);
    TradeServer *trade = m_parts.trade;
    if (!m_parts.bridge->call([trade, count] { *count = trade->dropAll(); })) {
        replyShuttingDown(response);
        return;
    }
    HttpJson::reply(response, 200, QJsonObject{{QStringLiteral("dropped"), *count}});
}

void ControlSurface::freeze(const QJsonObject &body, httplib::Response &response)
{
    qint64 seconds = 0;
    if (JsonFields::integer(body, QStringLiteral("seconds"), seconds) != Presence::Valid || seconds < 1 ||
        seconds > kMaxFreezeSeconds) {
        HttpJson::replyError(
            response, 400,
            QStringLiteral("\"seconds\" must be a whole number from 1 to %1").arg(kMaxFreezeSeconds));
        return;
    }
    // The main thread itself stops: no pushes, no answers, no pongs, no handshakes. The reply
    // goes out once the freeze has begun.
    auto started = std::make_shared<std::promise<void>>();
    std::future<void> begun = started->get_future();
    m_parts.bridge->post([started, seconds] {
        qInfo().noquote() << "control: not answering for" << seconds << "s";
        started->set_value();
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < seconds * 1000 && !SignalWatcher::stopRequested())
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        qInfo().noquote() << "control: answering again";
    });
    while (begun.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        if (m_parts.bridge->isShuttingDown()) {
            replyShuttingDown(response);
            return;
        }
    }
    HttpJson::reply(response, 200, QJsonObject{{QStringLiteral("frozen_seconds"), seconds}});
}

void ControlSurface::price(const QJsonObject &body, httplib::Response &response)
{
    QString name;
    if (JsonFields::text(body, QStringLiteral("symbol"), name) != Presence::Valid) {
        HttpJson::replyError(response, 400, QStringLiteral("\"symbol\" (string) is required"));
        return;
    }
    const int symbol = m_parts.catalog->indexOf(name);
    if (symbol < 0) {
        HttpJson::replyError(response, 404, QStringLiteral("unknown symbol \"%1\"").arg(name.left(32)));
        return;
    }
    const SymbolInfo &info = m_parts.catalog->at(symbol);
    bool release = false;
    double bid = 0.0, ask = 0.0;
    qint64 holdSeconds = 0;
    const Presence releaseField = JsonFields::boolean(body, QStringLiteral("release"), release);
    const Presence bidField = JsonFields::number(body, QStringLiteral("bid"), bid);
    const Presence askField = JsonFields::number(body, QStringLiteral("ask"), ask);
    const Presence holdField = JsonFields::integer(body, QStringLiteral("hold_seconds"), holdSeconds);
    if (releaseField == Presence::Invalid || bidField == Presence::Invalid || askField == Presence::Invalid ||
        holdField == Presence::Invalid || holdSeconds < 0 || (!release && bidField != Presence::Valid)) {
        HttpJson::replyError(response, 400,
                             QStringLiteral("give \"bid\" (number) with optional \"ask\" (number) and "
                                            "\"hold_seconds\" (whole number, 0 = until released), or "
                                            "\"release\": true"));
        return;
    }
    qint64 bidPoints = 0, askPoints = 0;
    if (!release) {
        bidPoints = info.toPoints(bid);
        askPoints = askField == Presence::Valid ? info.toPoints(ask) : bidPoints + info.spreadPoints;
        if (bidPoints <= 0 || askPoints < bidPoints || bid > 1e9 || ask > 1e9) {
            HttpJson::replyError(response, 400, QStringLiteral("need 0 < bid <= ask"));
            return;
        }
    }
    PriceFeed *feed = m_parts.feed;
    auto quote = std::make_shared<std::pair<double, double>>();
    const bool ok = m_parts.bridge->call([=] {
        if (release)
            feed->releasePrice(symbol);
        else
            feed->holdPrice(symbol, bidPoints, askPoints, holdSeconds * 1000);
        *quote = {feed->bid(symbol), feed->ask(symbol)};
    });
    if (!ok) {
        replyShuttingDown(response);
        return;
    }
    HttpJson::reply(response, 200,
                    QJsonObject{{QStringLiteral("symbol"), info.name},
                                {QStringLiteral("bid"), quote->first},
                                {QStringLiteral("ask"), quote->second},
                                {QStringLiteral("held"), !release},
                                {QStringLiteral("hold_seconds"), release ? 0 : holdSeconds}});
}

void ControlSurface::clock(const QJsonObject &body, httplib::Response &response)
{
    qint64 seconds = 0;
    if (JsonFields::integer(body, QStringLiteral("advance_seconds"), seconds) != Presence::Valid ||
        seconds < 1 || seconds > 366LL * 86400) {
        HttpJson::replyError(response, 400,
                             QStringLiteral("\"advance_seconds\" must be a whole number from 1 to 31622400"));
        return;
    }
    Clock *clock = m_parts.clock;
    TradeEngine *engine = m_parts.engine;
    // Moved on the main thread, so nothing there sees the jump half-way through its work.
    if (!m_parts.bridge->call([clock, engine, seconds] {
            clock->advance(seconds * 1000);
            engine->checkExpirations();
        })) {
        replyShuttingDown(response);
        return;
    }
    HttpJson::reply(response, 200,
                    QJsonObject{{QStringLiteral("offset_seconds"), clock->offsetMs() / 1000},
                                {QStringLiteral("server_time"), clock->nowSeconds()}});
}
