#pragma once

#include "server/ServerOptions.h"

#include <QObject>
#include <memory>

class AccountRegistry;
class AccountService;
class AccountStore;
class BrokerDirectory;
class Clock;
class ControlSurface;
class DirectoryService;
class MainThreadBridge;
class PriceFeed;
class StatusChannel;
class SymbolCatalog;
class TradeEngine;
class TradeServer;

// The whole demo broker: owns every part, starts the endpoints and stops them in order.
class DemoServer : public QObject
{
    Q_OBJECT
public:
    explicit DemoServer(const ServerOptions &options, QObject *parent = nullptr);
    ~DemoServer() override;

    // Opens the database, seeds it, listens on every endpoint and prints the "listening" lines.
    bool start(QString &error);
    void stop();

private:
    ServerOptions m_options;
    std::unique_ptr<Clock> m_clock;
    std::unique_ptr<SymbolCatalog> m_catalog;
    std::unique_ptr<AccountStore> m_store;
    std::unique_ptr<AccountRegistry> m_registry;
    std::unique_ptr<PriceFeed> m_feed;
    std::unique_ptr<TradeEngine> m_engine;
    std::unique_ptr<TradeServer> m_trade;
    std::unique_ptr<StatusChannel> m_status;
    std::unique_ptr<BrokerDirectory> m_directory;
    std::unique_ptr<MainThreadBridge> m_bridge;
    std::unique_ptr<DirectoryService> m_directoryService;
    std::unique_ptr<ControlSurface> m_control;
    std::unique_ptr<AccountService> m_accountService;
    bool m_stopped = false;
};
