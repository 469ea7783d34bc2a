#pragma once

#include <QString>

// Where the per-user files of the terminal live:
//   <data folder>/"Corvane DERUVUR"/config/<server>/<login>
// The data folder is the application-data location of organisation "Client",
// application "Zelvant" (~/.local/share/Client/Zelvant on Linux).
//
// Server and symbol names come from the server; they are checked before they
// become a path segment, and every function that would build a path from an
// unusable name returns an empty string instead.
class AccountPaths
{
public:
    static QString organisationName();
    static QString applicationName();
    // The broker display name in double-quote characters, used as a folder name.
    static QString brokerFolderName();

    static QString dataFolder();
    // <data>/<broker>/config: the saved-accounts file and one folder per server.
    static QString configFolder();
    // <config>/<server>/<login>; empty when server is unusable or login is 0.
    static QString accountFolder(const QString &server, quint64 login);
    // The account folder plus "ChartHistory" or "ChartSettings"; empty as above.
    static QString chartHistoryFolder(const QString &server, quint64 login);
    static QString chartSettingsFolder(const QString &server, quint64 login);

    // False for a name that is empty, ".", "..", or contains "/", "\" or NUL.
    static bool isSafeSegment(const QString &name);
    // isSafeSegment, with a warning naming what the name was for when it fails.
    static bool checkSegment(const QString &name, const char *what);
};
