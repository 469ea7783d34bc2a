#pragma once

#include "net/TickData.h"

// Receiver of price pushes, called on the connection's worker thread.
// The tick buffer of the data layer implements it, so net never includes data.
class TickSink
{
public:
    virtual ~TickSink() = default;
    virtual void addTick(const TickData &tick) = 0;
};
