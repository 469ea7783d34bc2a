#include "server/SymbolInfo.h"

#include <cmath>

double SymbolInfo::point() const
{
    return std::pow(10.0, -digits);
}

qint64 SymbolInfo::toPoints(double price) const
{
    return std::llround(price * std::pow(10.0, digits));
}

double SymbolInfo::fromPoints(qint64 points) const
{
    // Dividing by an exact power of ten keeps the shortest decimal form on the wire.
    return static_cast<double>(points) / std::pow(10.0, digits);
}
