#include "server/JsonFields.h"

#include <cmath>

namespace JsonFields {

Presence integer(const QJsonObject &object, const QString &key, qint64 &value)
{
    const auto it = object.constFind(key);
    if (it == object.constEnd() || it->isNull() || it->isUndefined())
        return Presence::Missing;
    if (it->isDouble()) {
        const double d = it->toDouble();
        if (!std::isfinite(d) || d != std::floor(d) || std::fabs(d) > 9.0e15)
            return Presence::Invalid;
        value = static_cast<qint64>(d);
        return Presence::Valid;
    }
    if (it->isString()) {
        bool ok = false;
        const qint64 parsed = it->toString().trimmed().toLongLong(&ok);
        if (!ok)
            return Presence::Invalid;
        value = parsed;
        return Presence::Valid;
    }
    return Presence::Invalid;
}

Presence number(const QJsonObject &object, const QString &key, double &value)
{
    const auto it = object.constFind(key);
    if (it == object.constEnd() || it->isNull() || it->isUndefined())
        return Presence::Missing;
    if (!it->isDouble() || !std::isfinite(it->toDouble()))
        return Presence::Invalid;
    value = it->toDouble();
    return Presence::Valid;
}

Presence text(const QJsonObject &object, const QString &key, QString &value)
{
    const auto it = object.constFind(key);
    if (it == object.constEnd() || it->isNull() || it->isUndefined())
        return Presence::Missing;
    if (!it->isString())
        return Presence::Invalid;
    value = it->toString();
    return Presence::Valid;
}

Presence boolean(const QJsonObject &object, const QString &key, bool &value)
{
    const auto it = object.constFind(key);
    if (it == object.constEnd() || it->isNull() || it->isUndefined())
        return Presence::Missing;
    if (!it->isBool())
        return Presence::Invalid;
    value = it->toBool();
    return Presence::Valid;
}

} // namespace JsonFields
