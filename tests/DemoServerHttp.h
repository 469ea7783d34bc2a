#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QUrl>
#include <memory>

// Plain HTTP calls through QNetworkAccessManager, waited for with a bound.
class DemoServerHttp
{
public:
    DemoServerHttp();

    struct Reply
    {
        int status = 0; // HTTP status; 0 when no answer came
        QByteArray body;
        QJsonDocument json() const { return QJsonDocument::fromJson(body); }
    };

    Reply get(const QUrl &url, int timeoutMs = 15000);
    Reply post(const QUrl &url, const QByteArray &body, int timeoutMs = 15000);
    Reply post(const QUrl &url, const QJsonObject &body, int timeoutMs = 15000);

private:
    Reply wait(class QNetworkReply *reply, int timeoutMs);

    std::unique_ptr<QNetworkAccessManager> m_manager;
};
