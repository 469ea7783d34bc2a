#include "server/SymbolCatalog.h"

#include <QJsonObject>

namespace {

SymbolInfo pair(const char *name, const char *description, const char *path, int digits, qint64 spread,
                double base, double volatility, const char *baseCurrency, const char *profitCurrency)
{
    SymbolInfo s;
    s.name = QString::fromLatin1(name);
    s.description = QString::fromLatin1(description);
    s.path = QString::fromLatin1(path);
    s.digits = digits;
    s.contractSize = 100000.0;
    s.minVolume = 100;     // 0.01 lot
    s.maxVolume = 1000000; // 100 lots
    s.stepVolume = 100;
    s.spreadPoints = spread;
    s.basePrice = base;
    s.dailyVolatility = volatility;
    s.baseCurrency = QString::fromLatin1(baseCurrency);
    s.profitCurrency = QString::fromLatin1(profitCurrency);
    return s;
}

SymbolInfo cfd(const char *name, const char *description, const char *path, int digits, double contractSize,
               qint64 minVolume, qint64 maxVolume, qint64 stepVolume, qint64 spread, double base,
               double volatility, const char *profitCurrency)
{
    SymbolInfo s;
    s.name = QString::fromLatin1(name);
    s.description = QString::fromLatin1(description);
    s.path = QString::fromLatin1(path);
    s.digits = digits;
    s.contractSize = contractSize;
    s.minVolume = minVolume;
    s.maxVolume = maxVolume;
    s.stepVolume = stepVolume;
    s.spreadPoints = spread;
    s.basePrice = base;
    s.dailyVolatility = volatility;
    s.profitCurrency = QString::fromLatin1(profitCurrency);
    return s;
}

} // namespace

SymbolCatalog::SymbolCatalog()
{
    m_symbols = {
        pair("EURUSD", "Euro vs US Dollar", "Forex/Majors", 5, 12, 1.08500, 0.005, "EUR", "USD"),
        pair("GBPUSD", "Great Britain Pound vs US Dollar", "Forex/Majors", 5, 15, 1.27000, 0.006, "GBP",
             "USD"),
        pair("USDJPY", "US Dollar vs Japanese Yen", "Forex/Majors", 3, 14, 149.500, 0.006, "USD", "JPY"),
        pair("USDCHF", "US Dollar vs Swiss Franc", "Forex/Majors", 5, 16, 0.88000, 0.005, "USD", "CHF"),
        pair("AUDUSD", "Australian Dollar vs US Dollar", "Forex/Majors", 5, 14, 0.66000, 0.007, "AUD", "USD"),
        pair("USDCAD", "US Dollar vs Canadian Dollar", "Forex/Majors", 5, 18, 1.36000, 0.0045, "USD", "CAD"),
        pair("NZDUSD", "New Zealand Dollar vs US Dollar", "Forex/Majors", 5, 20, 0.61000, 0.007, "NZD",
             "USD"),
        pair("EURGBP", "Euro vs Great Britain Pound", "Forex/Crosses", 5, 15, 0.85500, 0.004, "EUR", "GBP"),
        pair("EURJPY", "Euro vs Japanese Yen", "Forex/Crosses", 3, 20, 162.000, 0.006, "EUR", "JPY"),
        pair("GBPJPY", "Great Britain Pound vs Japanese Yen", "Forex/Crosses", 3, 28, 190.000, 0.007, "GBP",
             "JPY"),
        pair("EURCHF", "Euro vs Swiss Franc", "Forex/Crosses", 5, 20, 0.95500, 0.004, "EUR", "CHF"),
        pair("AUDJPY", "Australian Dollar vs Japanese Yen", "Forex/Crosses", 3, 22, 98.500, 0.008, "AUD",
             "JPY"),
        pair("EURAUD", "Euro vs Australian Dollar", "Forex/Crosses", 5, 25, 1.64000, 0.006, "EUR", "AUD"),
        pair("GBPCHF", "Great Britain Pound vs Swiss Franc", "Forex/Crosses", 5, 28, 1.12000, 0.0055, "GBP",
             "CHF"),
        pair("CADJPY", "Canadian Dollar vs Japanese Yen", "Forex/Crosses", 3, 24, 110.000, 0.007, "CAD",
             "JPY"),
        pair("EURCAD", "Euro vs Canadian Dollar", "Forex/Crosses", 5, 25, 1.47500, 0.005, "EUR", "CAD"),
        cfd("XAUUSD", "Gold vs US Dollar", "Metals", 2, 100.0, 100, 500000, 100, 30, 2350.00, 0.010, "USD"),
        cfd("XAGUSD", "Silver vs US Dollar", "Metals", 3, 5000.0, 100, 500000, 100, 25, 28.500, 0.015, "USD"),
        cfd("US500", "US 500 Index CFD", "Indices", 2, 1.0, 1000, 1000000, 1000, 50, 5200.00, 0.010, "USD"),
        cfd("GER40", "Germany 40 Index CFD", "Indices", 1, 1.0, 1000, 1000000, 1000, 15, 18000.0, 0.011,
            "EUR"),
        cfd("JP225", "Japan 225 Index CFD (trading session closed)", "Indices", 0, 1.0, 10000, 1000000, 10000,
            10, 38000, 0.012, "JPY"),
    };
    m_symbols.last().tradingClosed = true;
    for (int i = 0; i < m_symbols.size(); ++i)
        m_index.insert(m_symbols[i].name, i);
}

QJsonArray SymbolCatalog::toJson() const
{
    QJsonArray array;
    for (const SymbolInfo &s : m_symbols) {
        QJsonObject o;
        o.insert(QStringLiteral("symbol"), s.name);
        o.insert(QStringLiteral("desc"), s.description);
        o.insert(QStringLiteral("digits"), s.digits);
        o.insert(QStringLiteral("c_size"), s.contractSize);
        o.insert(QStringLiteral("min_vol"), s.minVolume);
        o.insert(QStringLiteral("max_vol"), s.maxVolume);
        o.insert(QStringLiteral("step_vol"), s.stepVolume);
        o.insert(QStringLiteral("path"), s.path);
        // Extras the terminal ignores; useful to people reading the wire.
        o.insert(QStringLiteral("spread"), s.spreadPoints);
        o.insert(QStringLiteral("currency_profit"), s.profitCurrency);
        o.insert(QStringLiteral("trade_closed"), s.tradingClosed);
        array.append(o);
    }
    return array;
}
