#include "server/AccountService.h"

#include "server/AccountRegistry.h"
#include "server/HttpJson.h"
#include "server/JsonFields.h"
#include "server/MainThreadBridge.h"

#include <QDebug>
#include <QJsonArray>
#include <cmath>
#include <memory>

using JsonFields::Presence;

namespace {

// A password the account store can keep and a login dialog can type.
bool acceptablePassword(const QString &password)
{
    if (password.isEmpty() || password.size() > AccountService::kMaxPasswordLength)
        return false;
    for (const QChar c : password)
        if (c.category() == QChar::Other_Control)
            return false;
    return true;
}

bool optionalText(const QJsonObject &body, const QString &key, int maxLength, QString &value)
{
    const Presence presence = JsonFields::text(body, key, value);
    if (presence == Presence::Invalid)
        return false;
    value = value.simplified();
    return value.size() <= maxLength;
}

} // namespace

AccountService::AccountService(AccountRegistry &registry, MainThreadBridge &bridge)
    : m_registry(registry), m_bridge(bridge)
{
    m_http.server().Post(
        "/account/create",
        [this](const httplib::Request &request, httplib::Response &response) { create(request, response); });
    m_http.server().Post(
        "/account/update",
        [this](const httplib::Request &request, httplib::Response &response) { update(request, response); });
}

void AccountService::create(const httplib::Request &request, httplib::Response &response)
{
    QJsonObject body;
    QString error;
    if (!HttpJson::parseObject(request.body, false, body, error)) {
        HttpJson::replyError(response, 400, error);
        return;
    }
    AccountRegistry::NewAccount account;
    if (JsonFields::text(body, QStringLiteral("master_password"), account.masterPassword) !=
            Presence::Valid ||
        JsonFields::text(body, QStringLiteral("investor_password"), account.investorPassword) !=
            Presence::Valid ||
        !acceptablePassword(account.masterPassword) || !acceptablePassword(account.investorPassword)) {
        HttpJson::replyError(
            response, 400,
            QStringLiteral("\"master_password\" and \"investor_password\" must be strings of 1 to "
                           "%1 printable characters")
                .arg(kMaxPasswordLength));
        return;
    }
    if (!optionalText(body, QStringLiteral("name"), 128, account.name) ||
        !optionalText(body, QStringLiteral("email"), 128, account.email) ||
        !optionalText(body, QStringLiteral("phone"), 64, account.phone)) {
        HttpJson::replyError(response, 400,
                             QStringLiteral("\"name\", \"email\" and \"phone\" must be short strings"));
        return;
    }
    qint64 leverage = 100;
    if (JsonFields::integer(body, QStringLiteral("leverage"), leverage) == Presence::Invalid ||
        leverage < 1 || leverage > 1000) {
        HttpJson::replyError(response, 400,
                             QStringLiteral("\"leverage\" must be a whole number from 1 to 1000"));
        return;
    }
    double amount = 10000.0;
    if (JsonFields::number(body, QStringLiteral("amount"), amount) == Presence::Invalid || amount <= 0 ||
        amount > kMaxDeposit) {
        HttpJson::replyError(response, 400,
                             QStringLiteral("\"amount\" must be a deposit above 0 and at most 10000000"));
        return;
    }
    account.leverage = static_cast<int>(leverage);
    account.deposit = std::round(amount * 100.0) / 100.0;
    // Accounts opened here always go to the demo group, whatever the request says.
    account.group = QStringLiteral("demo");

    auto login = std::make_shared<qint64>(0);
    auto failure = std::make_shared<QString>();
    AccountRegistry *registry = &m_registry;
    if (!m_bridge.call(
            [registry, account, login, failure] { *login = registry->createAccount(account, *failure); })) {
        HttpJson::replyError(response, 503, QStringLiteral("the server is shutting down"));
        return;
    }
    if (*login == 0) {
        HttpJson::replyError(response, 500, *failure);
        return;
    }
    HttpJson::reply(response, 200,
                    QJsonObject{{QStringLiteral("login"), *login},
                                {QStringLiteral("master_password"), account.masterPassword},
                                {QStringLiteral("investor_password"), account.investorPassword},
                                {QStringLiteral("name"), account.name},
                                {QStringLiteral("group"), account.group},
                                {QStringLiteral("leverage"), account.leverage},
                                {QStringLiteral("balance"), account.deposit},
                                {QStringLiteral("currency"), QStringLiteral("USD")}});
}

void AccountService::update(const httplib::Request &request, httplib::Response &response)
{
    QJsonObject body;
    QString error;
    if (!HttpJson::parseObject(request.body, false, body, error)) {
        HttpJson::replyError(response, 400, error);
        return;
    }
    qint64 dealer = 0;
    if (JsonFields::integer(body, QStringLiteral("dealer"), dealer) != Presence::Valid || dealer <= 0) {
        HttpJson::replyError(response, 400, QStringLiteral("\"dealer\" must be the account's login number"));
        return;
    }
    QString master, investor;
    const Presence masterField = JsonFields::text(body, QStringLiteral("master_password"), master);
    const Presence investorField = JsonFields::text(body, QStringLiteral("investor_password"), investor);
    if (masterField == Presence::Invalid || investorField == Presence::Invalid ||
        (masterField == Presence::Missing && investorField == Presence::Missing) ||
        (masterField == Presence::Valid && !acceptablePassword(master)) ||
        (investorField == Presence::Valid && !acceptablePassword(investor))) {
        HttpJson::replyError(
            response, 400,
            QStringLiteral("give \"master_password\" or \"investor_password\", a string of 1 to %1 "
                           "printable characters")
                .arg(kMaxPasswordLength));
        return;
    }
    auto ok = std::make_shared<bool>(false);
    auto failure = std::make_shared<QString>();
    AccountRegistry *registry = &m_registry;
    if (!m_bridge.call([registry, dealer, master, investor, ok, failure] {
            *ok = registry->changePasswords(dealer, master, investor, *failure);
        })) {
        HttpJson::replyError(response, 503, QStringLiteral("the server is shutting down"));
        return;
    }
    if (!*ok) {
        HttpJson::replyError(response, failure->startsWith(QLatin1String("unknown")) ? 404 : 500, *failure);
        return;
    }
    QJsonArray changed;
    if (masterField == Presence::Valid)
        changed.append(QStringLiteral("master_password"));
    if (investorField == Presence::Valid)
        changed.append(QStringLiteral("investor_password"));
    qInfo().noquote() << "account service: password change for" << dealer;
    HttpJson::reply(response, 200,
                    QJsonObject{{QStringLiteral("login"), dealer}, {QStringLiteral("changed"), changed}});
}
