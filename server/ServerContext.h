#pragma once

#include <QString>

class AccountRegistry;
class AccountStore;
class Clock;
class PriceFeed;
class SymbolCatalog;
class TradeEngine;

// The shared parts of the server that every trade session works with.
struct ServerContext
{
    const SymbolCatalog *catalog = nullptr;
    PriceFeed *feed = nullptr;
    AccountStore *store = nullptr;
    AccountRegistry *registry = nullptr;
    TradeEngine *engine = nullptr;
    const Clock *clock = nullptr;
    QString timezone;
};
