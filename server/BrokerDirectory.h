#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>
#include <mutex>

// The broker directory's content: this server under brokerId 59, and entries that exercise the
// terminal's filters (a suspended broker, a suspended server, a server of another broker).
// Read by HTTP worker threads and changed by the control surface, hence the lock.
class BrokerDirectory
{
public:
    static constexpr int kBrokerId = 59;

    struct Server
    {
        QString name;
        QString address; // host:port
        int brokerId = kBrokerId;
        bool suspended = false;
    };

    // tradeAddress: host:port of this trade server.
    explicit BrokerDirectory(const QString &tradeAddress);

    static QString ownServerName();
    QByteArray toJson() const;
    // Sets a server's suspension. False when no server has that name; changed tells whether
    // the flag moved, server receives the entry as it is now.
    bool setSuspended(const QString &name, bool suspended, bool &changed, Server &server);

private:
    struct Broker
    {
        QString name;
        int id = 0;
        bool suspended = false;
        QVector<Server> servers;
    };

    mutable std::mutex m_mutex;
    QVector<Broker> m_brokers;
};
