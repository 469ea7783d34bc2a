#pragma once

#include <QString>

// A deal: a fill that opens or closes a position, or a balance operation.
struct ServerDeal
{
    enum Type
    {
        Buy = 0,
        Sell = 1,
        Balance = 2,
        Credit = 3,
        Charge = 4
    };
    enum Entry
    {
        In = 0,
        Out = 1
    };

    qint64 ticket = 0;
    qint64 login = 0;
    int type = Buy;
    QString symbol;
    QString comment;
    qint64 time = 0;
    qint64 order = 0;
    qint64 position = 0;
    qint64 volume = 0;
    double price = 0.0;
    double profit = 0.0;
    double swap = 0.0;
    double fee = 0.0;
    double commission = 0.0;
    int entry = In;
};
