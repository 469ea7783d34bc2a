#pragma once

#include <QString>
#include <QVector>

// One trade server of the broker directory, as the login and demo-account dialogs offer it.
struct BrokerServer
{
    QString name;
    QString address; // host, or host:port
    int brokerId = 0;
    bool suspended = false;

    bool operator==(const BrokerServer &other) const
    {
        return name == other.name && address == other.address && brokerId == other.brokerId &&
               suspended == other.suspended;
    }
};

using BrokerServerList = QVector<BrokerServer>;
