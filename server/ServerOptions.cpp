#include "server/ServerOptions.h"

#include <QHostAddress>
#include <QRegularExpression>

namespace {

bool parsePort(const QString &text, int &port)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 0 || value > 65535)
        return false;
    port = value;
    return true;
}

bool parseAccount(const QString &text, AccountSeed &seed, QString &error)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() < 3 || parts.size() > 4) {
        error = QStringLiteral("--account expects LOGIN:MASTER:INVESTOR[:GROUP], got \"%1\"").arg(text);
        return false;
    }
    bool ok = false;
    const qint64 login = parts[0].toLongLong(&ok);
    if (!ok || login <= 0 || login > 2147483647) {
        error = QStringLiteral("--account: the login must be a number from 1 to 2147483647, got \"%1\"")
                    .arg(parts[0]);
        return false;
    }
    if (parts[1].isEmpty() || parts[2].isEmpty()) {
        error = QStringLiteral("--account: both passwords must be given, got \"%1\"").arg(text);
        return false;
    }
    seed.login = login;
    seed.masterPassword = parts[1];
    seed.investorPassword = parts[2];
    seed.group = parts.size() == 4 ? parts[3] : QString();
    if (parts.size() == 4 && seed.group.isEmpty()) {
        error = QStringLiteral("--account: the group name is empty in \"%1\"").arg(text);
        return false;
    }
    return true;
}

} // namespace

bool ServerOptions::parseTimezone(const QString &text, int &offsetSeconds)
{
    static const QRegularExpression pattern(QStringLiteral("^([+-])(\\d\\d):(\\d\\d)$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return false;
    const int hours = match.captured(2).toInt();
    const int minutes = match.captured(3).toInt();
    if (minutes > 59 || hours * 60 + minutes > 14 * 60)
        return false;
    const int sign = match.captured(1) == QLatin1String("-") ? -1 : 1;
    offsetSeconds = sign * (hours * 3600 + minutes * 60);
    return true;
}

QString ServerOptions::helpText()
{
    return QStringLiteral(
        "Usage: demo-server [options]\n"
        "\n"
        "A self-contained demo broker: trade server (WebSocket), broker directory and\n"
        "control surface (HTTP), account service (HTTP) and broker status channel (WebSocket).\n"
        "\n"
        "Options:\n"
        "  --listen ADDR            IPv4 address every endpoint listens on (default 127.0.0.1)\n"
        "  --trade-port N           trade server WebSocket port (default 9001)\n"
        "  --directory-port N       broker directory and control surface HTTP port (default 9000)\n"
        "  --account-port N         account service HTTP port (default 9004)\n"
        "  --status-port N          broker status channel WebSocket port (default 9002)\n"
        "                           A port of 0 picks a free port.\n"
        "  --db FILE                SQLite database of accounts and trades (default:\n"
        "                           demo-server.sqlite in the user's data folder)\n"
        "  --seed N                 seed of the price paths (default 20251028); the same seed\n"
        "                           gives the same prices at the same moment\n"
        "  --tick-interval-ms N     milliseconds between price pushes of every symbol\n"
        "                           (default 250; 0 pushes as fast as clients take them)\n"
        "  --timezone +HH:MM        server time zone sent at login (default +02:00)\n"
        "  --account LOGIN:MASTER:INVESTOR[:GROUP]\n"
        "                           create or update an account at start (repeatable; group\n"
        "                           \"demo\" when omitted; a new account gets 10000 USD)\n"
        "  --help                   show this text\n"
        "\n"
        "At start one line per endpoint is printed, for example\n"
        "  listening trade ws://127.0.0.1:9001\n"
        "  listening directory http://127.0.0.1:9000\n"
        "  listening account http://127.0.0.1:9004\n"
        "  listening status ws://127.0.0.1:9002\n"
        "SIGINT and SIGTERM stop the server cleanly (exit code 0). A bad option exits with 2.\n"
        "\n"
        "Seeded demo accounts (login / main password / investor password / group):\n"
        "  50001 / Master1 / Invest1 / demo                  ordinary account, 10000 USD\n"
        "  50002 / Master2 / Invest2 / demo-disabled         group disabled\n"
        "  50003 / Master3 / Invest3 / demo-sell-disabled    sell orders refused\n"
        "  50004 / Master4 / Invest4 / demo-buy-disabled     buy orders refused\n"
        "  50005 / Master5 / Invest5 / demo-close-only       close-only mode\n"
        "  50006 / Master6 / Invest6 / demo-no-trading       trading disabled\n"
        "  50007 / Master7 / Invest7 / demo                  account disabled\n"
        "\n"
        "Control surface (loopback only, HTTP POST with JSON on the directory port):\n"
        "  /control/suspend, /control/resume   {\"name\": server name}  (default: this server)\n"
        "  /control/group      {\"login\": N | \"group\": NAME, \"disabled\": true|false}\n"
        "  /control/drop       drop every trade connection\n"
        "  /control/freeze     {\"seconds\": N}  stop answering (pings included) for N seconds\n"
        "  /control/price      {\"symbol\": S, \"bid\": B[, \"ask\": A][, \"hold_seconds\": N]}\n"
        "                      or {\"symbol\": S, \"release\": true}\n"
        "  /control/clock      {\"advance_seconds\": N}  move the server clock forward\n");
}

ServerOptions::Result ServerOptions::parse(const QStringList &arguments, ServerOptions &options)
{
    Result result;
    auto fail = [&result](const QString &message) {
        result.outcome = Outcome::Error;
        result.message = message;
        return result;
    };

    for (int i = 0; i < arguments.size(); ++i) {
        QString name = arguments[i];
        QString value;
        bool hasInlineValue = false;
        if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
            result.outcome = Outcome::Help;
            result.message = helpText();
            return result;
        }
        if (!name.startsWith(QLatin1String("--")))
            return fail(QStringLiteral("unexpected argument \"%1\" (see --help)").arg(name));
        const int equals = name.indexOf(QLatin1Char('='));
        if (equals > 0) {
            value = name.mid(equals + 1);
            name = name.left(equals);
            hasInlineValue = true;
        }
        static const QStringList known = {
            QStringLiteral("--listen"),         QStringLiteral("--trade-port"),
            QStringLiteral("--directory-port"), QStringLiteral("--account-port"),
            QStringLiteral("--status-port"),    QStringLiteral("--db"),
            QStringLiteral("--seed"),           QStringLiteral("--tick-interval-ms"),
            QStringLiteral("--timezone"),       QStringLiteral("--account")};
        if (!known.contains(name))
            return fail(QStringLiteral("unknown option \"%1\" (see --help)").arg(name));
        if (!hasInlineValue) {
            if (i + 1 >= arguments.size())
                return fail(QStringLiteral("option %1 needs a value (see --help)").arg(name));
            value = arguments[++i];
        }

        if (name == QLatin1String("--listen")) {
            QHostAddress address;
            if (!address.setAddress(value) || address.protocol() != QAbstractSocket::IPv4Protocol)
                return fail(QStringLiteral("--listen expects an IPv4 address, got \"%1\"").arg(value));
            options.listenAddress = address.toString();
        } else if (name.endsWith(QLatin1String("-port"))) {
            int port = 0;
            if (!parsePort(value, port))
                return fail(QStringLiteral("%1 expects a port from 0 to 65535, got \"%2\"").arg(name, value));
            if (name == QLatin1String("--trade-port"))
                options.tradePort = port;
            else if (name == QLatin1String("--directory-port"))
                options.directoryPort = port;
            else if (name == QLatin1String("--account-port"))
                options.accountPort = port;
            else
                options.statusPort = port;
        } else if (name == QLatin1String("--db")) {
            if (value.isEmpty())
                return fail(QStringLiteral("--db expects a file name"));
            options.databasePath = value;
        } else if (name == QLatin1String("--seed")) {
            bool ok = false;
            const quint64 seed = value.toULongLong(&ok);
            if (!ok)
                return fail(QStringLiteral("--seed expects a non-negative integer, got \"%1\"").arg(value));
            options.seed = seed;
        } else if (name == QLatin1String("--tick-interval-ms")) {
            bool ok = false;
            const int interval = value.toInt(&ok);
            if (!ok || interval < 0 || interval > 60000)
                return fail(QStringLiteral("--tick-interval-ms expects 0 to 60000, got \"%1\"").arg(value));
            options.tickIntervalMs = interval;
        } else if (name == QLatin1String("--timezone")) {
            int offset = 0;
            if (!parseTimezone(value, offset))
                return fail(QStringLiteral("--timezone expects +HH:MM or -HH:MM within 14 hours, got \"%1\"")
                                .arg(value));
            options.timezone = value;
            options.timezoneOffsetSeconds = offset;
        } else if (name == QLatin1String("--account")) {
            AccountSeed seed;
            QString error;
            if (!parseAccount(value, seed, error))
                return fail(error);
            options.accounts.append(seed);
        }
    }

    const int ports[] = {options.tradePort, options.directoryPort, options.accountPort, options.statusPort};
    for (int a = 0; a < 4; ++a)
        for (int b = a + 1; b < 4; ++b)
            if (ports[a] != 0 && ports[a] == ports[b])
                return fail(QStringLiteral("two endpoints cannot share port %1").arg(ports[a]));
    return result;
}
