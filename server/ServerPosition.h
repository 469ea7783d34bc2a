#pragma once

#include <QString>

// An open or closed position. Volumes in 1/10000 lot.
struct ServerPosition
{
    qint64 ticket = 0;
    qint64 login = 0;
    QString symbol;
    int type = 0; // 0 buy, 1 sell
    qint64 volume = 0;
    double priceOpen = 0.0;
    double sl = 0.0;
    double tp = 0.0;
    qint64 timeOpen = 0;
    qint64 timeClose = 0;
    double priceClose = 0.0;
    double profit = 0.0;
    double swap = 0.0;
    double commission = 0.0;
    double fee = 0.0;
    bool closed = false;
    QString comment;
};
