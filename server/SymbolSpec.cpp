#include "server/SymbolSpec.h"

#include <cmath>

double SymbolSpec::point() const
{
    return std::pow(10.0, -digits);
}

qint64 SymbolSpec::toPoints(double price) const
{
    return std::llround(price * std::pow(10.0, digits));
}

double SymbolSpec::fromPoints(qint64 points) const
{
    // Dividing by an exact power of ten keeps the shortest decimal form on the wire.
    return static_cast<double>(points) / std::pow(10.0, digits);
}
