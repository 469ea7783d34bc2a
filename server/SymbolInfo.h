#pragma once

#include <QString>

// Static description of one tradable symbol, and the parameters of its simulated market.
struct SymbolInfo
{
    QString name;
    QString description;
    QString path;
    int digits = 5;
    double contractSize = 100000.0;
    qint64 minVolume = 100; // 1/10000 lot
    qint64 maxVolume = 1000000;
    qint64 stepVolume = 100;
    qint64 spreadPoints = 10;
    double basePrice = 1.0;
    double dailyVolatility = 0.005; // relative
    QString baseCurrency;           // margin currency of a currency pair; empty for CFDs
    QString profitCurrency = QStringLiteral("USD");
    bool tradingClosed = false;

    double point() const;
    qint64 toPoints(double price) const;
    double fromPoints(qint64 points) const;
};
