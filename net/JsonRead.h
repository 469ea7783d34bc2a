#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

// Conversions used by every record read from the trade server. None of them
// throws or invokes undefined behaviour, whatever the server sends.
namespace JsonRead {

// A JSON number holding an exact integer that fits 32 bits; anything else is 0.
int toInt(const QJsonValue &value);

// A JSON number rounded to the nearest 64-bit integer, or a string holding a
// decimal integer; anything else (including numbers out of range) is 0.
qint64 toInt64(const QJsonValue &value);

// A JSON number, else 0.0.
double toDouble(const QJsonValue &value);

// A JSON string, else empty.
QString toText(const QJsonValue &value);

// A JSON bool, else false.
bool toBool(const QJsonValue &value);

inline int toInt(const QJsonObject &o, QLatin1String key)
{
    return toInt(o.value(key));
}
inline qint64 toInt64(const QJsonObject &o, QLatin1String key)
{
    return toInt64(o.value(key));
}
inline double toDouble(const QJsonObject &o, QLatin1String key)
{
    return toDouble(o.value(key));
}
inline QString toText(const QJsonObject &o, QLatin1String key)
{
    return toText(o.value(key));
}
inline bool toBool(const QJsonObject &o, QLatin1String key)
{
    return toBool(o.value(key));
}

// Volumes travel as integer counts of 1/10000 lot.
inline double lotsFromUnits(const QJsonObject &o, QLatin1String key)
{
    return toInt(o, key) / 10000.0;
}

} // namespace JsonRead
