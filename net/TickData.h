#pragma once

#include <QJsonObject>
#include <QMetaType>
#include <QString>

// One price quote of one symbol. Volumes are in lots.
class TickData
{
public:
    TickData() = default;
    explicit TickData(const QJsonObject &json);

    // The quote used for change detection: symbol, bid, ask and digits.
    bool sameQuote(const TickData &other) const
    {
        return symbol == other.symbol && bid == other.bid && ask == other.ask && digits == other.digits;
    }

    QString symbol;
    qint64 timestamp = 0;   // chart time; 0 marks a tick the window ignores
    qint64 server_time = 0; // time shown in the market watch
    double bid = 0.0;
    double ask = 0.0;
    double volume = 0.0;
    qint64 tm_ms = 0;
    int digits = 0;
    double min_vol = 0.0;
    double max_vol = 0.0;
    double step_vol = 0.0;
    double bid_high = 0.0;
    double bid_low = 0.0;
    double ask_high = 0.0;
    double ask_low = 0.0;
};

Q_DECLARE_METATYPE(TickData)
