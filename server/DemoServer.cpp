#include "server/DemoServer.h"

#include "server/AccountRegistry.h"
#include "server/AccountService.h"
#include "server/AccountStore.h"
#include "server/BrokerDirectory.h"
#include "server/Clock.h"
#include "server/ControlSurface.h"
#include "server/DirectoryService.h"
#include "server/MainThreadBridge.h"
#include "server/PriceFeed.h"
#include "server/StatusChannel.h"
#include "server/SymbolCatalog.h"
#include "server/TradeEngine.h"
#include "server/TradeServer.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QHostAddress>
#include <QStandardPaths>
#include <cstdio>

namespace {

void printLine(const QString &line)
{
    std::fputs(line.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

DemoServer::DemoServer(const ServerOptions &options, QObject *parent) : QObject(parent), m_options(options) {}

DemoServer::~DemoServer()
{
    stop();
}

bool DemoServer::start(QString &error)
{
    QString path = m_options.databasePath;
    if (path.isEmpty()) {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        if (folder.isEmpty() || !QDir().mkpath(folder)) {
            error = QStringLiteral("cannot create the data folder %1").arg(folder);
            return false;
        }
        path = folder + QStringLiteral("/demo-server.sqlite");
    } else if (!QFileInfo(path).absoluteDir().exists()) {
        error = QStringLiteral("the folder of the database %1 does not exist").arg(path);
        return false;
    }

    m_clock = std::make_unique<Clock>();
    m_catalog = std::make_unique<SymbolCatalog>();
    m_store = std::make_unique<AccountStore>();
    if (!m_store->open(path, error))
        return false;
    qInfo().noquote() << "database:" << QFileInfo(path).absoluteFilePath();
    m_registry = std::make_unique<AccountRegistry>(*m_store, *m_clock);
    m_feed = std::make_unique<PriceFeed>(*m_catalog, *m_clock, m_options.seed, m_options.tickIntervalMs);
    m_engine = std::make_unique<TradeEngine>(*m_store, *m_registry, *m_catalog, *m_feed, *m_clock,
                                             m_options.timezoneOffsetSeconds);
    if (!m_engine->load(error))
        return false;

    const bool firstStart = !m_store->isSeeded();
    if (!m_registry->seedDemoAccounts(error))
        return false;
    // The close-only account starts with a position, so there is something it may close.
    if (firstStart && !m_engine->openSeedPosition(50005, QStringLiteral("EURUSD"), 0, 1000)) {
        error = QStringLiteral("cannot seed the position of account 50005");
        return false;
    }
    for (const AccountSeed &seed : qAsConst(m_options.accounts)) {
        if (!m_registry->applySeed(seed, error))
            return false;
        qInfo().noquote() << "account" << seed.login << "set from the command line";
    }

    ServerContext context;
    context.catalog = m_catalog.get();
    context.feed = m_feed.get();
    context.store = m_store.get();
    context.registry = m_registry.get();
    context.engine = m_engine.get();
    context.clock = m_clock.get();
    context.timezone = m_options.timezone;
    m_trade = std::make_unique<TradeServer>(context);
    m_status = std::make_unique<StatusChannel>();

    const QHostAddress address(m_options.listenAddress);
    if (!m_trade->listen(address, static_cast<quint16>(m_options.tradePort), error))
        return false;
    if (!m_status->listen(address, static_cast<quint16>(m_options.statusPort), error))
        return false;

    // The directory advertises an address terminals can reach even when listening on all interfaces.
    const QString host =
        address == QHostAddress::AnyIPv4 ? QStringLiteral("127.0.0.1") : m_options.listenAddress;
    m_directory = std::make_unique<BrokerDirectory>(QStringLiteral("%1:%2").arg(host).arg(m_trade->port()));
    m_bridge = std::make_unique<MainThreadBridge>();

    m_directoryService = std::make_unique<DirectoryService>(*m_directory);
    ControlSurface::Parts parts;
    parts.directory = m_directory.get();
    parts.status = m_status.get();
    parts.trade = m_trade.get();
    parts.engine = m_engine.get();
    parts.registry = m_registry.get();
    parts.store = m_store.get();
    parts.feed = m_feed.get();
    parts.catalog = m_catalog.get();
    parts.clock = m_clock.get();
    parts.bridge = m_bridge.get();
    m_control = std::make_unique<ControlSurface>(m_directoryService->server(), parts);
    if (!m_directoryService->start(m_options.listenAddress, m_options.directoryPort, error))
        return false;
    m_accountService = std::make_unique<AccountService>(*m_registry, *m_bridge);
    if (!m_accountService->start(m_options.listenAddress, m_options.accountPort, error))
        return false;

    // Prices go out before the engine acts on them, so a client sees the price that triggered
    // a fill before the positions that follow from it.
    connect(m_feed.get(), &PriceFeed::ticked, m_trade.get(), &TradeServer::broadcastTicks);
    connect(m_feed.get(), &PriceFeed::ticked, m_engine.get(), &TradeEngine::onTicked);
    connect(m_engine.get(), &TradeEngine::accountChanged, m_trade.get(), &TradeServer::pushAccount);
    m_feed->start();
    m_engine->start();

    const QString listen = m_options.listenAddress;
    printLine(QStringLiteral("listening trade ws://%1:%2").arg(listen).arg(m_trade->port()));
    printLine(QStringLiteral("listening directory http://%1:%2").arg(listen).arg(m_directoryService->port()));
    printLine(QStringLiteral("listening account http://%1:%2").arg(listen).arg(m_accountService->port()));
    printLine(QStringLiteral("listening status ws://%1:%2").arg(listen).arg(m_status->port()));
    return true;
}

void DemoServer::stop()
{
    if (m_stopped)
        return;
    m_stopped = true;
    // HTTP handlers waiting for the main thread give up first, then their threads end.
    if (m_bridge)
        m_bridge->shutDown();
    if (m_directoryService)
        m_directoryService->stop();
    if (m_accountService)
        m_accountService->stop();
    if (m_feed)
        m_feed->stop();
    if (m_trade)
        m_trade->close();
    if (m_status)
        m_status->close();
    m_accountService.reset();
    m_control.reset();
    m_directoryService.reset();
    m_bridge.reset();
    m_trade.reset();
    m_status.reset();
    m_engine.reset();
    m_feed.reset();
    m_registry.reset();
    if (m_store)
        m_store->close();
    m_store.reset();
}
