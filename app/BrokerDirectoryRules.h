#pragma once

#include "accounts/BrokerServer.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

// The broker directory's answer, the comparison of two answers and the broker
// status messages, as plain functions the monitor and the tests share.
namespace BrokerDirectoryRules {

// Only this broker's servers are offered.
constexpr int ownBrokerId = 59;

// "name:address" -> suspended, one entry per server taken from an answer.
using ServerStates = QMap<QString, bool>;

struct Directory
{
    bool valid = false; // the body was a JSON array
    BrokerServerList servers;
    ServerStates states;
};

QString stateKey(const QString &name, const QString &address);

// The servers of brokers and servers that are not suspended and belong to
// brokerId 59, in answer order.
Directory parse(const QByteArray &body);

// What the session looks like while an answer is compared.
struct Session
{
    QString serverName;
    bool connected = false;
    QString url; // the trade connection's address as text
};

struct StateCheck
{
    bool disconnect = false; // the connected server has left the directory
    bool store = true;       // the current states become the remembered ones
    QStringList logLines;    // "Server X is now suspended" / "... active"
};

// previous: the states of the last answer; firstCheck: no answer was compared yet.
StateCheck compare(const ServerStates &previous, const ServerStates &current, bool firstCheck, bool detection,
                   const Session &session);

// Suspended when the list has no server of exactly this name and address.
bool isServerSuspended(const BrokerServerList &servers, const QString &name, const QString &address);
// Address of the first server of that name, empty if none.
QString addressOf(const BrokerServerList &servers, const QString &name);

struct StatusChange
{
    bool valid = false; // a JSON object of type "server_status_change"
    QString serverName;
    QString serverAddress;
    bool suspended = false;
};

StatusChange parseStatusMessage(const QString &message);
// The change names the server the session is connected to and suspends it.
bool suspendsSession(const StatusChange &change, const Session &session);

} // namespace BrokerDirectoryRules
