#pragma once

#include <QJsonObject>
#include <QMetaType>
#include <QString>

// One open position. Volume in lots.
class Position
{
public:
    Position() = default;
    explicit Position(const QJsonObject &json);

    // Exact and case-sensitive: any other text, empty included, is a buy.
    bool isSell() const { return type == QLatin1String("sell"); }

    // Profit at the closing price p.
    double profitAt(double p) const
    {
        const double diff = isSell() ? price - p : p - price;
        return diff * csize * volume * r_profit;
    }

    // Equality that ignores the live current_price and profit.
    bool sameAs(const Position &o) const;

    qint64 login = 0;
    qint64 ticket = 0;
    QString symbol;
    QString type;
    double volume = 0.0;
    double price = 0.0;
    double current_price = 0.0;
    double price_c = 0.0;
    double sl = 0.0;
    double tp = 0.0;
    double profit = 0.0;
    double csize = 0.0;
    qint64 time = 0;
    qint64 time_c = 0;
    double r_profit = 0.0;
    double swap = 0.0;
    double fee = 0.0;
    int digits = 0;
};

Q_DECLARE_METATYPE(Position)
