#pragma once

#include <QString>

// An account group and what it lets its accounts do.
struct GroupSettings
{
    enum Restriction
    {
        None = 0,
        SellDisabled = 1,
        BuyDisabled = 2,
        CloseOnly = 3,
        TradingDisabled = 4
    };

    QString name;
    bool disabled = false;
    Restriction restriction = None;
};
