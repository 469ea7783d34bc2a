#pragma once

#include <QString>

// Fixed facts about the program and its broker, compiled in.
namespace ProgramInfo {

inline QString brokerDisplayName()
{
    return QStringLiteral("Corvane DERUVUR");
}
inline QString version()
{
    return QStringLiteral("1.1.49");
}
inline QString buildDate()
{
    return QStringLiteral("28 October 2025");
}

} // namespace ProgramInfo
