#include "net/TradeClient.h"

#include "net/JsonRead.h"
#include "net/SessionFlags.h"
#include "net/TickData.h"
#include "net/TickSink.h"
#include "support/Logger.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QTimer>
#include <QWebSocket>

namespace {

constexpr int kPingIntervalMs = 3000;
constexpr int kPongWaitMs = 1500;
constexpr int kReconnectDelayMs = 3000;
constexpr int kSendPeriodMs = 5;
constexpr int kMessagesPerRound = 5;
constexpr qint64 kHistoryMinGapSecs = 5;

// Shared by every caller of requestHistory; main thread only.
qint64 g_lastHistoryRequest = 0;

QString compact(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

} // namespace

TradeClient::TradeClient(QObject *parent) : QThread(parent)
{
    qRegisterMetaType<QAbstractSocket::SocketError>();
}

TradeClient::~TradeClient()
{
    m_loggedIn = false;
    stopWorker();
}

void TradeClient::stopWorker()
{
    if (isRunning())
        quit();
    wait();
    // Pairs with the release at the end of run(): everything the worker wrote
    // is visible here (the toolkit's join is invisible to race detectors).
    m_workerDone.load(std::memory_order_acquire);
}

bool TradeClient::connectToServer(const QUrl &url, quint64 login, const QString &password,
                                  const QString &serverName)
{
    const bool changed = url.toString() != m_url.toString() || login != m_login || password != m_password ||
                         serverName != m_serverName;
    if (!changed && m_loggedIn)
        return false;
    m_loggedIn = false;
    // The worker reads the parameters, so it is stopped before they change.
    stopWorker();
    m_url = url;
    m_login = login;
    setPassword(password);
    m_serverName = serverName;
    logger()->log(QStringLiteral("Terminal"),
                  QStringLiteral("%1 try to connect to %2").arg(login).arg(serverName));
    start();
    return changed;
}

void TradeClient::setPassword(const QString &password)
{
    std::lock_guard<std::mutex> locker(m_passwordMutex);
    m_password = password;
}

void TradeClient::logout()
{
    m_loggedIn = false;
    stopWorker();
    logger()->log(QStringLiteral("Terminal"),
                  QStringLiteral("%1 Log out from %2").arg(m_login).arg(m_serverName));
}

void TradeClient::setPriceBuffer(TickSink *buffer)
{
    std::lock_guard<std::mutex> locker(m_sinkMutex);
    m_priceBuffer = buffer;
}

void TradeClient::shutdown()
{
    m_loggedIn = false;
    stopWorker();
}

void TradeClient::sendRequest(const QJsonObject &object)
{
    if (m_login == 0)
        return;
    QJsonObject request = object;
    if (!request.contains(QLatin1String("login")))
        request.insert(QStringLiteral("login"), static_cast<qint64>(m_login));
    sendMessage(compact(request));
}

void TradeClient::sendMessage(const QString &text)
{
    if (!isRunning() || text.isEmpty())
        return;
    if (m_connected) {
        std::lock_guard<std::mutex> locker(m_queueMutex);
        m_sendQueue.append(text);
    } else {
        logger()->log(QStringLiteral("Network"),
                      QStringLiteral("Attempted to send message when WebSocket not connected"));
    }
}

void TradeClient::requestHistory(int dayOffset)
{
    const QDateTime now = QDateTime::currentDateTime();
    if (now.toSecsSinceEpoch() - g_lastHistoryRequest < kHistoryMinGapSecs) {
        logger()->log(QStringLiteral("Network"), QStringLiteral("History request rate limited - skipping"));
        return;
    }
    g_lastHistoryRequest = now.toSecsSinceEpoch();
    const QDate today = QDate::currentDate();
    QJsonObject request;
    request.insert(QStringLiteral("req_code"), 5);
    request.insert(QStringLiteral("from"),
                   QDateTime(today.addDays(dayOffset), QTime(0, 0)).toSecsSinceEpoch());
    request.insert(QStringLiteral("to"), QDateTime(today.addDays(1), QTime(0, 0)).toSecsSinceEpoch());
    sendRequest(request);
}

QTimeZone TradeClient::serverZone() const
{
    std::lock_guard<std::mutex> locker(m_stateMutex);
    return m_serverZone;
}

QString TradeClient::lastError() const
{
    std::lock_guard<std::mutex> locker(m_stateMutex);
    return m_lastError;
}

void TradeClient::clearLastError()
{
    std::lock_guard<std::mutex> locker(m_stateMutex);
    m_lastError.clear();
}

void TradeClient::setLastError(const QString &text)
{
    std::lock_guard<std::mutex> locker(m_stateMutex);
    m_lastError = text;
}

QTimeZone TradeClient::parseTimeZone(const QString &text)
{
    if (text.isEmpty())
        return QTimeZone::utc();
    // "±HH:MM". The minutes take the sign of the hours, so -03:30 is 3.5 h west.
    bool hoursOk = false;
    bool minutesOk = false;
    const int hours = text.left(3).toInt(&hoursOk);
    const int minutes = text.mid(4, 2).toInt(&minutesOk);
    if (!hoursOk)
        return QTimeZone::utc();
    const int absMinutes = minutesOk ? qAbs(minutes) : 0;
    const bool negative = text.startsWith(QLatin1Char('-'));
    const int offset = hours * 3600 + (negative ? -absMinutes : absMinutes) * 60;
    // QTimeZone accepts offsets within +-14 h only.
    if (offset < -14 * 3600 || offset > 14 * 3600)
        return QTimeZone::utc();
    return QTimeZone(offset);
}

QString TradeClient::formatDateTime(qint64 seconds, const QTimeZone &zone)
{
    if (!zone.isValid())
        return QString();
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC)
        .toTimeZone(zone)
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString TradeClient::formatTime(qint64 seconds, const QTimeZone &zone)
{
    if (!zone.isValid())
        return QString();
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC)
        .toTimeZone(zone)
        .toString(QStringLiteral("HH:mm:ss"));
}

// ---- worker thread ----

void TradeClient::run()
{
    m_socket = new QWebSocket(QString(), QWebSocketProtocol::Version13);
    m_sendTimer = new QTimer;
    m_pingTimer = new QTimer;
    m_pongTimer = new QTimer;
    m_pongTimer->setSingleShot(true);
    m_reconnectTimer = new QTimer;
    m_reconnectTimer->setSingleShot(true);
    // The keep-alive and reconnect delays are promised to the second; coarse
    // timers may fire 5 % early.
    for (QTimer *timer : {m_pingTimer, m_pongTimer, m_reconnectTimer})
        timer->setTimerType(Qt::PreciseTimer);

    // The handlers run on this thread: the connections are direct.
    connect(m_socket, &QWebSocket::connected, m_socket, [this] { onConnected(); });
    connect(m_socket, &QWebSocket::disconnected, m_socket, [this] { closed(); });
    connect(m_socket, &QWebSocket::textMessageReceived, m_socket,
            [this](const QString &m) { onMessageReceived(m); });
    connect(m_socket, QOverload<QAbstractSocket::SocketError>::of(&QWebSocket::error), m_socket,
            [this](QAbstractSocket::SocketError code) {
                qDebug() << "WebSocket error: " << int(code);
                onError(code);
            });
    connect(m_socket, &QWebSocket::pong, m_socket, [this] { onPong(); });
    connect(m_pingTimer, &QTimer::timeout, m_pingTimer, [this] { pingToServer(); });
    connect(m_pongTimer, &QTimer::timeout, m_pongTimer, [this] { forceDisconnect(); });
    connect(m_reconnectTimer, &QTimer::timeout, m_reconnectTimer, [this] { reconnect(); });
    connect(m_sendTimer, &QTimer::timeout, m_sendTimer, [this] { drainSendQueue(); });

    m_pongPending = false;
    m_sendTimer->start(kSendPeriodMs);
    m_socket->open(m_url);

    exec();

    m_sendTimer->stop();
    m_pingTimer->stop();
    delete m_sendTimer;
    delete m_pingTimer;
    delete m_pongTimer;
    delete m_reconnectTimer;
    m_sendTimer = m_pingTimer = m_pongTimer = m_reconnectTimer = nullptr;
    // No handler may run during tear-down; the close frame goes out before the socket dies.
    QObject::disconnect(m_socket, nullptr, nullptr, nullptr);
    m_socket->close(QWebSocketProtocol::CloseCodeNormal, QString());
    m_socket->flush();
    delete m_socket;
    m_socket = nullptr;
    m_connected = false;
    m_pongPending = false;
    {
        std::lock_guard<std::mutex> locker(m_queueMutex);
        m_sendQueue.clear();
    }
    m_workerDone.store(true, std::memory_order_release);
}

void TradeClient::onConnected()
{
    m_pingTimer->start(kPingIntervalMs);
    m_connected = true;
    m_pongPending = false;
    logger()->log(QStringLiteral("Network"), QStringLiteral("Connected to %1").arg(m_serverName));

    QJsonObject loginMessage;
    loginMessage.insert(QStringLiteral("req_code"), 1);
    loginMessage.insert(QStringLiteral("id"), static_cast<qint64>(m_login));
    {
        std::lock_guard<std::mutex> locker(m_passwordMutex);
        loginMessage.insert(QStringLiteral("password"), m_password);
    }
    loginMessage.insert(QStringLiteral("type"), 3);
    m_socket->sendTextMessage(compact(loginMessage));
    emit websocketConnected();
}

void TradeClient::closed()
{
    if (m_connected)
        logger()->log(QStringLiteral("Network"), QStringLiteral("Disconnected from %1").arg(m_serverName));
    m_connected = false;
    m_pingTimer->stop();
    m_pongTimer->stop();
    m_pongPending = false;
    if (m_loggedIn)
        scheduleReconnect();
    emit websocketDisconnected();
}

void TradeClient::scheduleReconnect()
{
    // closed() and onError() may both fire for one failure; one timer keeps a single attempt.
    m_reconnectTimer->start(kReconnectDelayMs);
}

void TradeClient::onError(QAbstractSocket::SocketError code)
{
    QString text;
    switch (code) {
    case QAbstractSocket::ConnectionRefusedError:
        text = QStringLiteral("Connection refused by server");
        break;
    case QAbstractSocket::RemoteHostClosedError:
        text = QStringLiteral("Server closed connection");
        break;
    case QAbstractSocket::HostNotFoundError:
        text = QStringLiteral("Server not found");
        break;
    case QAbstractSocket::SocketTimeoutError:
        text = QStringLiteral("Connection timeout");
        break;
    case QAbstractSocket::UnfinishedSocketOperationError: {
        text = QStringLiteral("Socket operation interrupted - connection may be unstable");
        std::lock_guard<std::mutex> locker(m_queueMutex);
        m_sendQueue.clear();
        break;
    }
    case QAbstractSocket::UnknownSocketError:
        text = QStringLiteral("Network closed forcibly");
        break;
    default:
        text = QStringLiteral("Network error");
        break;
    }
    if (m_connected)
        logger()->log(QStringLiteral("Network"), text);
    if (m_loggedIn)
        scheduleReconnect();
    emit error(m_socket->errorString());
}

void TradeClient::reconnect()
{
    if (m_login == 0 || !m_loggedIn || m_url.isEmpty())
        return;
    if (m_connected)
        logger()->log(QStringLiteral("Network"), QStringLiteral("Retry to connect to %1").arg(m_serverName));
    m_connected = false;
    m_socket->open(m_url);
}

void TradeClient::pingToServer()
{
    if (!m_connected)
        return;
    m_socket->ping(QByteArray());
    m_pongPending = true;
    m_pongTimer->start(kPongWaitMs);
}

void TradeClient::onPong()
{
    qDebug() << "Websocket pong";
    m_pongPending = false;
    m_pongTimer->stop();
}

void TradeClient::forceDisconnect()
{
    if (m_pongPending && m_connected) {
        qDebug() << "force disconnected";
        m_socket->close(QWebSocketProtocol::CloseCodeAbnormalDisconnection, QString());
    }
}

void TradeClient::drainSendQueue()
{
    std::lock_guard<std::mutex> locker(m_queueMutex);
    if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    int sent = 0;
    while (!m_sendQueue.isEmpty() && sent < kMessagesPerRound) {
        const QString text = m_sendQueue.takeFirst();
        if (text.isEmpty())
            continue;
        if (m_socket->state() != QAbstractSocket::ConnectedState) {
            m_sendQueue.append(text);
            break;
        }
        m_socket->sendTextMessage(text);
        ++sent;
    }
}

void TradeClient::onMessageReceived(const QString &msg)
{
    if (m_connected)
        m_pingTimer->start(kPingIntervalMs);
    const QJsonObject object = parseMessage(msg);
    if (!object.isEmpty())
        dispatch(object);
}

QJsonObject TradeClient::parseMessage(const QString &text)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        qDebug().noquote() << "Invalid JSON...\n" << text.left(512);
        return QJsonObject();
    }
    if (!document.isObject()) {
        qDebug() << "Document is not an object";
        return QJsonObject();
    }
    return document.object();
}

void TradeClient::dispatch(const QJsonObject &object)
{
    int code = 0;
    if (object.contains(QLatin1String("res_code")))
        code = JsonRead::toInt(object, QLatin1String("res_code"));
    else if (object.contains(QLatin1String("req_code")))
        code = JsonRead::toInt(object, QLatin1String("req_code"));
    else
        return;

    const QString errorText = JsonRead::toText(object, QLatin1String("error"));
    if (!errorText.isEmpty()) {
        setLastError(errorText);
        emit loginFail();
        return;
    }
    const QString msg = JsonRead::toText(object, QLatin1String("msg"));
    if (msg.contains(QLatin1String("Login Disabled"), Qt::CaseInsensitive)) {
        setLastError(msg);
        emit loginFail();
        return;
    }
    if (msg.contains(QLatin1String("group is disabled"), Qt::CaseInsensitive)) {
        m_loggedIn = false;
        m_connected = false;
        SessionFlags::setAccountDisabled(true);
        logger()->log(QStringLiteral("Terminal"),
                      QStringLiteral("%1 account disabled - Group is disabled").arg(m_login));
        emit websocketDisconnected();
        emit loginFail();
        quit();
        return;
    }

    switch (code) {
    case 1:
        handleLoginResult(object);
        break;
    case 2: {
        const TickData tick(object);
        std::lock_guard<std::mutex> locker(m_sinkMutex);
        if (m_priceBuffer)
            m_priceBuffer->addTick(tick);
    } break;
    case 3:
        emit chartHistoryReceived(object);
        break;
    case 4:
        emit openPositionsReceived(object);
        break;
    case 5:
        emit tradeHistoryReceived(object);
        break;
    case 6:
        emit pendingOrdersReceived(object);
        break;
    case 7:
        handleTradeResult(object);
        break;
    case 8:
        emit symbolListReceived(object);
        break;
    default:
        break;
    }
}

void TradeClient::handleLoginResult(const QJsonObject &object)
{
    const int state = JsonRead::toInt(object, QLatin1String("state"));
    const bool disabled = JsonRead::toBool(object, QLatin1String("is_disabled"));
    SessionFlags::setAccountDisabled(disabled);
    SessionFlags::setInvestor(JsonRead::toBool(object, QLatin1String("is_investor_password")));

    if (disabled) {
        m_loggedIn = false;
        m_connected = false;
        logger()->log(QStringLiteral("Terminal"),
                      QStringLiteral("%1 login failed - Group is disabled").arg(m_login));
        emit loginFail();
        m_socket->close(QWebSocketProtocol::CloseCodeNormal, QString());
    } else if (state == 0) {
        logger()->log(QStringLiteral("Terminal"),
                      QStringLiteral("%1 login failed to %2").arg(m_login).arg(m_serverName));
        emit loginFail();
    } else {
        m_loggedIn = true;
        logger()->log(QStringLiteral("Terminal"),
                      QStringLiteral("%1 login to %2 successfully").arg(m_login).arg(m_serverName));
        {
            std::lock_guard<std::mutex> locker(m_stateMutex);
            m_serverZone = parseTimeZone(JsonRead::toText(object, QLatin1String("timezone")));
        }
        emit loginSuccess(object);
    }
}

void TradeClient::handleTradeResult(const QJsonObject &object)
{
    const QJsonValue statusValue = object.value(QLatin1String("status"));
    const int status = statusValue.isUndefined() ? -1 : JsonRead::toInt(statusValue);
    QString line = QStringLiteral("TradeClient: Status: %1. Server Msg: '%2'.")
                       .arg(status)
                       .arg(JsonRead::toText(object, QLatin1String("msg")));
    if (object.contains(QLatin1String("type")))
        line += QStringLiteral(", Type: %1").arg(JsonRead::toInt(object, QLatin1String("type")));
    if (object.contains(QLatin1String("order"))) {
        const QJsonValue order = object.value(QLatin1String("order"));
        const QString orderText =
            order.isString() ? order.toString() : QString::number(JsonRead::toInt64(order));
        line += QStringLiteral(", Order: %1").arg(orderText);
    }
    logger()->log(QStringLiteral("Trade Response"), line);
    emit tradeResponseReceived(object);
}
