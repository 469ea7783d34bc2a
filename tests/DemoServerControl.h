#pragma once

#include "tests/DemoServerHttp.h"

#include <QJsonObject>
#include <QString>

class DemoServerProcess;

// The demo server's account service and control surface, as tests use them.
class DemoServerControl
{
public:
    struct Account
    {
        qint64 login = 0;
        QString master;
        QString investor;
    };

    explicit DemoServerControl(DemoServerProcess &server) : m_server(server) {}

    // A fresh account in group "demo"; login 0 on failure.
    Account createAccount(double deposit = 10000, int leverage = 100);
    // Holds a symbol at a price until released (ask < 0: bid plus the symbol's spread).
    bool holdPrice(const QString &symbol, double bid, double ask = -1);
    bool releasePrice(const QString &symbol);
    bool advanceClock(qint64 seconds);
    bool setGroupDisabled(qint64 login, bool disabled);
    DemoServerHttp::Reply post(const QString &path, const QJsonObject &body);
    DemoServerHttp &http() { return m_http; }

private:
    DemoServerProcess &m_server;
    DemoServerHttp m_http;
    int m_created = 0;
};
