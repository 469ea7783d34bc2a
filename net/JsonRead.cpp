#include "net/JsonRead.h"

#include <cmath>
#include <limits>

namespace JsonRead {

int toInt(const QJsonValue &value)
{
    if (!value.isDouble())
        return 0;
    const double d = value.toDouble();
    if (!std::isfinite(d) || d < std::numeric_limits<int>::min() || d > std::numeric_limits<int>::max())
        return 0;
    const int i = static_cast<int>(d);
    return static_cast<double>(i) == d ? i : 0;
}

qint64 toInt64(const QJsonValue &value)
{
    if (value.isDouble()) {
        const double d = std::round(value.toDouble());
        // 2^63 is exactly representable; anything at or beyond it does not fit.
        constexpr double limit = 9223372036854775808.0;
        if (!std::isfinite(d) || d >= limit || d < -limit)
            return 0;
        return static_cast<qint64>(d);
    }
    if (value.isString()) {
        bool ok = false;
        const qint64 v = value.toString().trimmed().toLongLong(&ok, 10);
        return ok ? v : 0;
    }
    return 0;
}

double toDouble(const QJsonValue &value)
{
    return value.isDouble() ? value.toDouble() : 0.0;
}

QString toText(const QJsonValue &value)
{
    return value.isString() ? value.toString() : QString();
}

bool toBool(const QJsonValue &value)
{
    return value.isBool() && value.toBool();
}

} // namespace JsonRead
