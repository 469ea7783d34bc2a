#include "server/HttpJson.h"

#include <QHostAddress>
#include <QJsonDocument>

namespace HttpJson {

bool parseObject(const std::string &body, bool allowEmpty, QJsonObject &object, QString &error)
{
    const QByteArray bytes = QByteArray::fromStdString(body).trimmed();
    if (bytes.isEmpty()) {
        object = QJsonObject();
        if (!allowEmpty)
            error = QStringLiteral("the request needs a JSON object body");
        return allowEmpty;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        error = QStringLiteral("the body is not valid JSON: %1").arg(parseError.errorString());
        return false;
    }
    if (!document.isObject()) {
        error = QStringLiteral("the body must be a JSON object");
        return false;
    }
    object = document.object();
    return true;
}

void reply(httplib::Response &response, int status, const QJsonObject &body)
{
    response.status = status;
    response.set_content(QJsonDocument(body).toJson(QJsonDocument::Compact).toStdString(),
                         "application/json");
}

void replyError(httplib::Response &response, int status, const QString &message)
{
    reply(response, status, QJsonObject{{QStringLiteral("error"), message}});
}

bool isLoopback(const std::string &remoteAddress)
{
    QHostAddress address(QString::fromStdString(remoteAddress));
    bool mapped = false;
    const quint32 v4 = address.toIPv4Address(&mapped);
    if (mapped)
        return (v4 >> 24) == 127;
    return address.isLoopback();
}

} // namespace HttpJson
