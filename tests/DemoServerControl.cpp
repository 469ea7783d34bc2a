#include "tests/DemoServerControl.h"

#include "tests/DemoServerProcess.h"

DemoServerHttp::Reply DemoServerControl::post(const QString &path, const QJsonObject &body)
{
    const QUrl url =
        path.startsWith(QLatin1String("/account/")) ? m_server.accountUrl(path) : m_server.directoryUrl(path);
    return m_http.post(url, body);
}

DemoServerControl::Account DemoServerControl::createAccount(double deposit, int leverage)
{
    ++m_created;
    Account account;
    account.master = QStringLiteral("M%1x").arg(m_created);
    account.investor = QStringLiteral("I%1x").arg(m_created);
    const DemoServerHttp::Reply reply =
        post(QStringLiteral("/account/create"),
             QJsonObject{{"name", QStringLiteral("Test Trader %1").arg(m_created)},
                         {"email", "trader@example.com"},
                         {"phone", "+1 555 0100"},
                         {"leverage", leverage},
                         {"master_password", account.master},
                         {"investor_password", account.investor},
                         {"amount", deposit},
                         {"group", "demo"},
                         {"manager_login", 1000}});
    if (reply.status == 200)
        account.login = reply.json().object().value("login").toVariant().toLongLong();
    return account;
}

bool DemoServerControl::holdPrice(const QString &symbol, double bid, double ask)
{
    QJsonObject body{{"symbol", symbol}, {"bid", bid}};
    if (ask >= 0)
        body.insert("ask", ask);
    return post(QStringLiteral("/control/price"), body).status == 200;
}

bool DemoServerControl::releasePrice(const QString &symbol)
{
    return post(QStringLiteral("/control/price"), QJsonObject{{"symbol", symbol}, {"release", true}})
               .status == 200;
}

bool DemoServerControl::advanceClock(qint64 seconds)
{
    return post(QStringLiteral("/control/clock"), QJsonObject{{"advance_seconds", seconds}}).status == 200;
}

bool DemoServerControl::setGroupDisabled(qint64 login, bool disabled)
{
    return post(QStringLiteral("/control/group"), QJsonObject{{"login", login}, {"disabled", disabled}})
               .status == 200;
}
