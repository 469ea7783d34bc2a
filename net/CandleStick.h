#pragma once

#include <QJsonObject>
#include <QMetaType>

// One bar of price history; timestamp is the bar's opening time (UTC seconds).
class CandleStick
{
public:
    CandleStick() = default;
    CandleStick(qint64 time, double o, double h, double l, double c)
        : timestamp(time), open(o), high(h), low(l), close(c)
    {
    }
    explicit CandleStick(const QJsonObject &json);

    bool operator==(const CandleStick &o) const
    {
        return timestamp == o.timestamp && open == o.open && high == o.high && low == o.low &&
               close == o.close;
    }
    bool operator!=(const CandleStick &o) const { return !(*this == o); }

    qint64 timestamp = 0;
    double open = 0.0;
    double high = 0.0;
    double low = 0.0;
    double close = 0.0;
};

Q_DECLARE_METATYPE(CandleStick)
