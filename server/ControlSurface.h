#pragma once

#include <QJsonObject>
#include <QObject>
#include <httplib.h>

class AccountRegistry;
class AccountStore;
class BrokerDirectory;
class Clock;
class MainThreadBridge;
class PriceFeed;
class StatusChannel;
class SymbolCatalog;
class TradeEngine;
class TradeServer;

// Fault and state controls for tests and demos, on the directory's HTTP port and answered only
// to loopback peers. Requests are POSTs with JSON bodies; answers are JSON objects.
class ControlSurface
{
public:
    struct Parts
    {
        BrokerDirectory *directory = nullptr;
        StatusChannel *status = nullptr;
        TradeServer *trade = nullptr;
        TradeEngine *engine = nullptr;
        AccountRegistry *registry = nullptr;
        AccountStore *store = nullptr;
        PriceFeed *feed = nullptr;
        const SymbolCatalog *catalog = nullptr;
        Clock *clock = nullptr;
        MainThreadBridge *bridge = nullptr;
    };

    static constexpr int kMaxFreezeSeconds = 300;

    ControlSurface(httplib::Server &server, const Parts &parts);

private:
    using Handler = void (ControlSurface::*)(const QJsonObject &, httplib::Response &);
    void route(httplib::Server &server, const char *path, Handler handler);

    void suspend(const QJsonObject &body, httplib::Response &response, bool suspended);
    void suspendServer(const QJsonObject &body, httplib::Response &response)
    {
        suspend(body, response, true);
    }
    void resumeServer(const QJsonObject &body, httplib::Response &response)
    {
        suspend(body, response, false);
    }
    void group(const QJsonObject &body, httplib::Response &response);
    void drop(const QJsonObject &body, httplib::Response &response);
    void freeze(const QJsonObject &body, httplib::Response &response);
    void price(const QJsonObject &body, httplib::Response &response);
    void clock(const QJsonObject &body, httplib::Response &response);

    Parts m_parts;
};
