#pragma once

#include <QtGlobal>
#include <algorithm>

// One bar of the simulated path, prices in integer points of the symbol so that bars of
// different timeframes compare exactly.
struct PriceBar
{
    qint64 time = 0; // opening time, seconds since the epoch
    qint64 open = 0;
    qint64 high = 0;
    qint64 low = 0;
    qint64 close = 0;
    bool valid = false;

    // Extends this bar by a later one (open stays, close follows).
    void merge(const PriceBar &later)
    {
        if (!later.valid)
            return;
        if (!valid) {
            *this = later;
            return;
        }
        high = std::max(high, later.high);
        low = std::min(low, later.low);
        close = later.close;
    }
};
