#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

// Reading fields of received JSON. Requests are checked strictly (a field of the wrong type is
// reported, never guessed at); integers follow the terminal's own rule: a JSON number holding an
// integer, or a string of decimal digits.
namespace JsonFields {

enum class Presence
{
    Missing,
    Valid,
    Invalid
};

// An integer: a whole JSON number within 64 bits, or a decimal string.
Presence integer(const QJsonObject &object, const QString &key, qint64 &value);
// A JSON number.
Presence number(const QJsonObject &object, const QString &key, double &value);
// A JSON string.
Presence text(const QJsonObject &object, const QString &key, QString &value);
// A JSON bool.
Presence boolean(const QJsonObject &object, const QString &key, bool &value);

} // namespace JsonFields
