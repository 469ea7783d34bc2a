#include "server/BrokerDirectory.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

BrokerDirectory::BrokerDirectory(const QString &tradeAddress)
{
    Broker own;
    own.name = QStringLiteral("Corvane DERUVUR");
    own.id = kBrokerId;
    own.servers = {
        {ownServerName(), tradeAddress, kBrokerId, false},
        {QStringLiteral("Zelvant Maintenance Server"), QStringLiteral("127.0.0.1:9011"), kBrokerId, true},
        {QStringLiteral("Partner Broker Server"), QStringLiteral("127.0.0.1:9021"), 60, false},
    };
    Broker suspended;
    suspended.name = QStringLiteral("Suspended Broker");
    suspended.id = 61;
    suspended.suspended = true;
    suspended.servers = {
        {QStringLiteral("Suspended Broker Server"), QStringLiteral("127.0.0.1:9031"), kBrokerId, false}};
    m_brokers = {own, suspended};
}

QString BrokerDirectory::ownServerName()
{
    return QStringLiteral("Zelvant Demo Server 2");
}

QByteArray BrokerDirectory::toJson() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    QJsonArray brokers;
    for (const Broker &b : m_brokers) {
        QJsonArray servers;
        for (const Server &s : b.servers) {
            QJsonObject server;
            server.insert(QStringLiteral("name"), s.name);
            server.insert(QStringLiteral("ipaddr"), s.address);
            server.insert(QStringLiteral("brokerId"), s.brokerId);
            server.insert(QStringLiteral("isSuspend"), s.suspended);
            servers.append(server);
        }
        QJsonObject broker;
        broker.insert(QStringLiteral("brokerId"), b.id);
        broker.insert(QStringLiteral("name"), b.name);
        broker.insert(QStringLiteral("isSuspend"), b.suspended);
        broker.insert(QStringLiteral("servers"), servers);
        brokers.append(broker);
    }
    return QJsonDocument(brokers).toJson(QJsonDocument::Compact);
}

bool BrokerDirectory::setSuspended(const QString &name, bool suspended, bool &changed, Server &server)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (Broker &b : m_brokers) {
        for (Server &s : b.servers) {
            if (s.name != name)
                continue;
            changed = s.suspended != suspended;
            s.suspended = suspended;
            server = s;
            return true;
        }
    }
    return false;
}
