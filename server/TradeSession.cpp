#include "server/TradeSession.h"

#include "server/AccountRegistry.h"
#include "server/AccountStore.h"
#include "server/Clock.h"
#include "server/JsonFields.h"
#include "server/PriceFeed.h"
#include "server/SymbolCatalog.h"
#include "server/TradeEngine.h"

#include <QDebug>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpSocket>
#include <QWebSocket>

using JsonFields::Presence;

TradeSession::TradeSession(QWebSocket *socket, QTcpSocket *tcp, const ServerContext &context, QObject *parent)
    : QObject(parent), m_socket(socket), m_tcp(tcp), m_context(context)
{
    m_socket->setParent(this);
    m_peer = QStringLiteral("%1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort());
    // Requests are small; a huge frame is a broken or hostile client.
    m_socket->setMaxAllowedIncomingMessageSize(256 * 1024);
    m_socket->setMaxAllowedIncomingFrameSize(256 * 1024);
    connect(m_socket, &QWebSocket::textMessageReceived, this, &TradeSession::onText);
    connect(m_socket, &QWebSocket::binaryMessageReceived, this, &TradeSession::onBinary);
    connect(m_socket, &QWebSocket::disconnected, this, &TradeSession::onDisconnected);
    qInfo().noquote() << "trade: connection from" << m_peer;
}

TradeSession::~TradeSession()
{
    m_socket->disconnect(this);
    // The TCP socket was handed to the WebSocket server, which does not always free it.
    if (m_tcp)
        m_tcp->deleteLater();
}

qint64 TradeSession::backlog() const
{
    return m_tcp ? m_tcp->bytesToWrite() : 0;
}

void TradeSession::sendText(const QString &text)
{
    if (m_finished)
        return;
    if (backlog() > kMaxBacklogBytes) {
        qWarning().noquote() << "trade:" << m_peer << "is not reading; dropping it";
        drop();
        return;
    }
    m_socket->sendTextMessage(text);
}

void TradeSession::send(const QJsonObject &message)
{
    sendText(QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact)));
}

void TradeSession::sendTick(const QString &message)
{
    if (!isLoggedIn() || m_finished)
        return;
    // Prices are superseded by the next ones, so a slow client simply misses some.
    if (backlog() > kTickBacklogBytes) {
        ++m_skippedTicks;
        return;
    }
    m_socket->sendTextMessage(message);
}

void TradeSession::pushAccount()
{
    if (!isLoggedIn())
        return;
    send(m_context.engine->positionsMessage(m_login));
    send(m_context.engine->ordersMessage(m_login));
}

void TradeSession::drop()
{
    if (m_finished)
        return;
    m_socket->abort();
    onDisconnected();
}

void TradeSession::onDisconnected()
{
    if (m_finished)
        return;
    m_finished = true;
    qInfo().noquote() << "trade: connection from" << m_peer << "closed" << (m_login ? "(login " : "")
                      << (m_login ? QString::number(m_login) + QLatin1Char(')') : QString())
                      << (m_skippedTicks
                              ? QStringLiteral("after skipping %1 price pushes").arg(m_skippedTicks)
                              : QString());
    emit finished(this);
}

void TradeSession::onBinary(const QByteArray &data)
{
    qWarning().noquote() << "trade:" << m_peer << "sent a binary message of" << data.size()
                         << "bytes; ignored";
}

void TradeSession::onText(const QString &text)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        qWarning().noquote() << "trade:" << m_peer
                             << "sent a message that is not a JSON object; ignored:" << text.left(200);
        return;
    }
    const QJsonObject request = document.object();
    qint64 code = 0;
    if (JsonFields::integer(request, QStringLiteral("req_code"), code) != Presence::Valid) {
        qWarning().noquote() << "trade:" << m_peer
                             << "sent a message without a valid \"req_code\"; ignored:" << text.left(200);
        return;
    }
    if (code == 1) {
        handleLogin(request);
        return;
    }
    if (!isLoggedIn()) {
        if (code == 4) {
            // The protocol's own refusal for a trade request; other requests have none.
            QJsonObject refusal{{QStringLiteral("res_code"), 7},
                                {QStringLiteral("status"), TradeEngine::InvalidRequest},
                                {QStringLiteral("msg"), QStringLiteral("Request refused")},
                                {QStringLiteral("fail_reason"), QStringLiteral("Not logged in")},
                                {QStringLiteral("type"), request.value(QStringLiteral("type")).toInt(-1)},
                                {QStringLiteral("order"), 0},
                                {QStringLiteral("symbol"), QString()},
                                {QStringLiteral("order_type"), 0},
                                {QStringLiteral("price"), 0.0},
                                {QStringLiteral("server_time"), m_context.clock->nowSeconds()}};
            send(refusal);
        }
        qWarning().noquote() << "trade:" << m_peer << "sent request code" << code
                             << "before logging in; refused";
        return;
    }
    switch (code) {
    case 3:
        handleChartHistory(request);
        break;
    case 4:
        handleTrade(request);
        break;
    case 5:
        handleHistory(request);
        break;
    default:
        qWarning().noquote() << "trade:" << m_peer << "sent unknown request code" << code << "; ignored";
        break;
    }
}

void TradeSession::handleLogin(const QJsonObject &request)
{
    qint64 login = 0;
    QString password;
    const bool wellFormed =
        JsonFields::integer(request, QStringLiteral("id"), login) == Presence::Valid &&
        JsonFields::text(request, QStringLiteral("password"), password) == Presence::Valid;
    const AccountRegistry::LoginOutcome outcome =
        wellFormed ? m_context.registry->checkLogin(login, password) : AccountRegistry::LoginOutcome::Refused;
    const bool accepted = outcome == AccountRegistry::LoginOutcome::Accepted ||
                          outcome == AccountRegistry::LoginOutcome::Investor;

    QJsonObject answer;
    answer.insert(QStringLiteral("res_code"), 1);
    answer.insert(QStringLiteral("state"), accepted ? 1 : 0);
    answer.insert(QStringLiteral("is_disabled"), outcome == AccountRegistry::LoginOutcome::Disabled);
    answer.insert(QStringLiteral("is_investor_password"), outcome == AccountRegistry::LoginOutcome::Investor);
    answer.insert(QStringLiteral("timezone"), m_context.timezone);
    answer.insert(QStringLiteral("login"), wellFormed ? login : 0);
    answer.insert(QStringLiteral("server_time"), m_context.clock->nowSeconds());
    const ServerAccount *account =
        outcome == AccountRegistry::LoginOutcome::Refused ? nullptr : m_context.store->account(login);
    answer.insert(QStringLiteral("name"), account ? account->name : QString());
    answer.insert(QStringLiteral("group"), account ? account->group : QString());
    if (account) {
        answer.insert(QStringLiteral("currency"), account->currency);
        answer.insert(QStringLiteral("leverage"), account->leverage);
    }
    switch (outcome) {
    case AccountRegistry::LoginOutcome::Accepted:
        answer.insert(QStringLiteral("msg"), QStringLiteral("Login accepted"));
        break;
    case AccountRegistry::LoginOutcome::Investor:
        answer.insert(QStringLiteral("msg"), QStringLiteral("Login accepted, read-only session"));
        break;
    case AccountRegistry::LoginOutcome::Refused:
        answer.insert(QStringLiteral("msg"), QStringLiteral("Invalid account or password"));
        break;
    case AccountRegistry::LoginOutcome::Disabled:
        answer.insert(QStringLiteral("msg"), QStringLiteral("Trading account disabled"));
        break;
    }

    m_login = accepted ? login : 0;
    m_investor = outcome == AccountRegistry::LoginOutcome::Investor;
    qInfo().noquote() << "trade:" << m_peer << "login"
                      << (wellFormed ? QString::number(login) : QStringLiteral("?"))
                      << (accepted ? (m_investor ? "accepted (investor)" : "accepted")
                                   : (outcome == AccountRegistry::LoginOutcome::Disabled ? "disabled"
                                                                                         : "refused"));
    send(answer);
    if (!accepted)
        return;

    QJsonObject symbols;
    symbols.insert(QStringLiteral("res_code"), 8);
    symbols.insert(QStringLiteral("array"), m_context.catalog->toJson());
    send(symbols);
    send(m_context.engine->ordersMessage(m_login));
    send(m_context.engine->positionsMessage(m_login));
    for (int i = 0; i < m_context.catalog->count(); ++i)
        sendText(m_context.feed->tickMessage(i));
}

void TradeSession::handleChartHistory(const QJsonObject &request)
{
    QString symbol;
    qint64 interval = 0, from = 0, to = -1;
    const bool valid =
        JsonFields::text(request, QStringLiteral("symbol"), symbol) == Presence::Valid &&
        JsonFields::integer(request, QStringLiteral("interval"), interval) == Presence::Valid &&
        JsonFields::integer(request, QStringLiteral("from"), from) != Presence::Invalid &&
        JsonFields::integer(request, QStringLiteral("to"), to) != Presence::Invalid;
    const int index = m_context.catalog->indexOf(symbol);
    QJsonObject answer;
    answer.insert(QStringLiteral("res_code"), 3);
    answer.insert(QStringLiteral("symbol"), index >= 0 ? m_context.catalog->at(index).name : symbol.left(64));
    answer.insert(QStringLiteral("interval"), interval);
    QJsonArray array;
    if (!valid || index < 0 || interval < 1 || interval > 40000 ||
        !PriceFeed::isValidInterval(static_cast<int>(interval))) {
        // An empty answer is the protocol's way of saying there is nothing to show.
        qWarning().noquote()
            << "trade:" << m_peer << "asked for history it cannot have:"
            << QString::fromUtf8(QJsonDocument(request).toJson(QJsonDocument::Compact)).left(200);
    } else {
        const SymbolInfo &info = m_context.catalog->at(index);
        answer.insert(QStringLiteral("digits"), info.digits);
        const QVector<PriceBar> bars = m_context.feed->candles(index, static_cast<int>(interval), from, to);
        for (const PriceBar &bar : bars) {
            QJsonObject o;
            o.insert(QStringLiteral("datetime"), bar.time);
            o.insert(QStringLiteral("open"), info.fromPoints(bar.open));
            o.insert(QStringLiteral("high"), info.fromPoints(bar.high));
            o.insert(QStringLiteral("low"), info.fromPoints(bar.low));
            o.insert(QStringLiteral("close"), info.fromPoints(bar.close));
            array.append(o);
        }
    }
    answer.insert(QStringLiteral("array"), array);
    send(answer);
}

void TradeSession::handleTrade(const QJsonObject &request)
{
    const TradeEngine::Outcome outcome = m_context.engine->execute(m_login, m_investor, request);
    if (outcome.refresh) {
        pushAccount();
    } else {
        qInfo().noquote()
            << "trade:" << m_login << "request"
            << QString::fromUtf8(QJsonDocument(request).toJson(QJsonDocument::Compact)).left(300) << "->"
            << outcome.result.value(QStringLiteral("status")).toInt()
            << outcome.result.value(QStringLiteral("msg")).toString()
            << outcome.result.value(QStringLiteral("fail_reason")).toString();
        send(outcome.result);
    }
    // Pushes of what changed follow the answer.
    m_context.engine->publishChanges();
}

void TradeSession::handleHistory(const QJsonObject &request)
{
    qint64 from = 0, to = -1;
    if (JsonFields::integer(request, QStringLiteral("from"), from) == Presence::Invalid)
        from = 0;
    if (JsonFields::integer(request, QStringLiteral("to"), to) == Presence::Invalid)
        to = -1;
    send(m_context.engine->historyMessage(m_login, from, to));
}
