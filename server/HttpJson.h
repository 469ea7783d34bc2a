#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <httplib.h>

// Small helpers shared by the HTTP endpoints.
namespace HttpJson {

// Parses a request body as a JSON object; an empty body gives an empty object when allowed.
bool parseObject(const std::string &body, bool allowEmpty, QJsonObject &object, QString &error);
void reply(httplib::Response &response, int status, const QJsonObject &body);
void replyError(httplib::Response &response, int status, const QString &message);
bool isLoopback(const std::string &remoteAddress);

} // namespace HttpJson
