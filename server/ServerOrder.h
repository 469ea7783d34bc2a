#pragma once

#include <QString>

// An order of any state: a pending order while placed, a market or triggered order when filled.
struct ServerOrder
{
    enum State
    {
        Started = 0,
        Placed = 1,
        Canceled = 2,
        Partial = 3,
        Filled = 4,
        Rejected = 5,
        Expired = 6
    };

    qint64 ticket = 0;
    qint64 login = 0;
    QString symbol;
    int type = 0; // order type 0–7
    qint64 volume = 0;
    double price = 0.0;
    double stopPrice = 0.0; // trigger of a stop-limit order
    double sl = 0.0;
    double tp = 0.0;
    qint64 time = 0;
    qint64 timeDone = 0;
    int state = Placed;
    int expirationType = 0; // 0 good till cancelled, 1 today, 2 until expiration
    qint64 expiration = 0;  // seconds since the epoch, 0 = none
    qint64 position = 0;    // position opened by the fill
    QString comment;
};
