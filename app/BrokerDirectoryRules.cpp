#include "app/BrokerDirectoryRules.h"

#include "net/JsonRead.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace BrokerDirectoryRules {

QString stateKey(const QString &name, const QString &address)
{
    return name + QLatin1Char(':') + address;
}

Directory parse(const QByteArray &body)
{
    Directory directory;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return directory;
    directory.valid = true;
    const QJsonArray brokers = document.array();
    for (const QJsonValue &brokerValue : brokers) {
        const QJsonObject broker = brokerValue.toObject();
        if (JsonRead::toBool(broker, QLatin1String("isSuspend")))
            continue;
        const QJsonArray servers = broker.value(QLatin1String("servers")).toArray();
        for (const QJsonValue &serverValue : servers) {
            const QJsonObject server = serverValue.toObject();
            if (JsonRead::toBool(server, QLatin1String("isSuspend")))
                continue;
            const int brokerId = JsonRead::toInt(server, QLatin1String("brokerId"));
            if (brokerId != ownBrokerId)
                continue;
            BrokerServer record;
            record.name = JsonRead::toText(server, QLatin1String("name"));
            record.address = JsonRead::toText(server, QLatin1String("ipaddr"));
            record.brokerId = brokerId;
            directory.states.insert(stateKey(record.name, record.address), false);
            directory.servers.append(record);
        }
    }
    return directory;
}

StateCheck compare(const ServerStates &previous, const ServerStates &current, bool firstCheck, bool detection,
                   const Session &session)
{
    StateCheck check;
    if (firstCheck || !detection)
        return check;
    if (!session.serverName.isEmpty() && session.connected) {
        bool listed = current.contains(stateKey(session.serverName, session.url));
        for (auto it = current.cbegin(); !listed && it != current.cend(); ++it)
            listed = it.key().contains(session.serverName, Qt::CaseInsensitive);
        if (!listed) {
            check.disconnect = true;
            check.store = false;
            return check;
        }
    }
    for (auto it = previous.cbegin(); it != previous.cend(); ++it) {
        const auto now = current.constFind(it.key());
        if (now == current.cend())
            continue;
        const int colon = it.key().indexOf(QLatin1Char(':'));
        if (colon < 0)
            continue;
        const QString name = it.key().left(colon);
        if (!it.value() && now.value())
            check.logLines.append(QStringLiteral("Server ") + name + QStringLiteral(" is now suspended"));
        else if (it.value() && !now.value())
            check.logLines.append(QStringLiteral("Server ") + name + QStringLiteral(" is now active"));
    }
    return check;
}

bool isServerSuspended(const BrokerServerList &servers, const QString &name, const QString &address)
{
    for (const BrokerServer &server : servers) {
        if (server.name == name && server.address == address)
            return server.suspended;
    }
    return true;
}

QString addressOf(const BrokerServerList &servers, const QString &name)
{
    for (const BrokerServer &server : servers) {
        if (server.name == name)
            return server.address;
    }
    return QString();
}

StatusChange parseStatusMessage(const QString &message)
{
    StatusChange change;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(message.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return change;
    const QJsonObject object = document.object();
    if (JsonRead::toText(object, QLatin1String("type")) != QLatin1String("server_status_change"))
        return change;
    change.valid = true;
    change.serverName = JsonRead::toText(object, QLatin1String("server_name"));
    change.serverAddress = JsonRead::toText(object, QLatin1String("server_address"));
    change.suspended = JsonRead::toBool(object, QLatin1String("is_suspended"));
    return change;
}

bool suspendsSession(const StatusChange &change, const Session &session)
{
    return change.valid && change.suspended && !session.serverName.isEmpty() && session.connected &&
           change.serverName == session.serverName && change.serverAddress == session.url;
}

} // namespace BrokerDirectoryRules
