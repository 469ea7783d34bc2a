#pragma once

#include "server/AccountSeed.h"

#include <QString>
#include <QStringList>
#include <QVector>

// Start-up options of demo-server, parsed from the command line.
struct ServerOptions
{
    QString listenAddress = QStringLiteral("127.0.0.1");
    int tradePort = 9001;
    int directoryPort = 9000;
    int accountPort = 9004;
    int statusPort = 9002;
    QString databasePath; // empty: the default file in the user's data folder
    quint64 seed = 20251028;
    int tickIntervalMs = 250;
    QString timezone = QStringLiteral("+02:00");
    int timezoneOffsetSeconds = 2 * 3600;
    QVector<AccountSeed> accounts;

    enum class Outcome
    {
        Run,
        Help,
        Error
    };
    struct Result
    {
        Outcome outcome = Outcome::Run;
        QString message; // help text or error message
    };

    // Parses arguments (without the program name). Never exits the process.
    static Result parse(const QStringList &arguments, ServerOptions &options);
    static QString helpText();
    // "+02:00" → 7200; false when the text is not ±HH:MM within ±14:00.
    static bool parseTimezone(const QString &text, int &offsetSeconds);
};
