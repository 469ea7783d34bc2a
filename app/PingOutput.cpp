#include "app/PingOutput.h"

#include <QRegularExpression>
#include <QString>

namespace PingOutput {

std::optional<int> roundTripMs(const QByteArray &output)
{
    const int zero = output.indexOf('\0');
    const QString text = QString::fromLocal8Bit(zero < 0 ? output : output.left(zero));
    // Windows writes whole milliseconds straight after the unit-less number;
    // the others write a fraction and a space before "ms".
    static const QRegularExpression pattern(QStringLiteral("time[=<]([0-9]+)(?:[.,]([0-9]+))? ?ms"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    bool ok = false;
    const qint64 whole = match.captured(1).toLongLong(&ok);
    if (!ok || whole > 3600 * 1000)
        return std::nullopt;
    const QString fraction = match.captured(2);
    const bool partial = fraction.contains(QRegularExpression(QStringLiteral("[1-9]")));
    return qMax<int>(1, int(whole) + (partial ? 1 : 0));
}

QStringList defaultArguments()
{
#if defined(Q_OS_WIN)
    return {QStringLiteral("-n"), QStringLiteral("1"), QStringLiteral("-w"), QStringLiteral("1000")};
#elif defined(Q_OS_MACOS)
    // The BSD ping counts -W in milliseconds.
    return {QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-W"), QStringLiteral("1000")};
#else
    return {QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-W"), QStringLiteral("1")};
#endif
}

} // namespace PingOutput
