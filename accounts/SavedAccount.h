#pragma once

#include <QMetaType>
#include <QString>

// One remembered account, as found in the account folders: the folder names
// give the login and the server name, the login file the password and address.
struct SavedAccount
{
    qint64 login = 0;
    QString password;
    QString serverName;
    QString serverAddress;

    bool operator==(const SavedAccount &other) const
    {
        return login == other.login && password == other.password && serverName == other.serverName &&
               serverAddress == other.serverAddress;
    }
    bool operator!=(const SavedAccount &other) const { return !(*this == other); }
};

Q_DECLARE_METATYPE(SavedAccount)
