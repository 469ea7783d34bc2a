#include "tests/DemoServerHttp.h"

#include <QJsonObject>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSignalSpy>

#include <QCoreApplication>

DemoServerHttp::DemoServerHttp()
{
    // No plugins for these tests: Qt's network bearer plugin would start a D-Bus thread whose
    // start-up ThreadSanitizer reports as a race inside Qt, hiding what the tests are for.
    QCoreApplication::setLibraryPaths(QStringList());
    m_manager = std::make_unique<QNetworkAccessManager>();
}

DemoServerHttp::Reply DemoServerHttp::wait(QNetworkReply *reply, int timeoutMs)
{
    Reply result;
    QSignalSpy finished(reply, &QNetworkReply::finished);
    if (!reply->isFinished() && !finished.wait(timeoutMs)) {
        reply->abort();
        reply->deleteLater();
        return result;
    }
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.body = reply->readAll();
    reply->deleteLater();
    return result;
}

DemoServerHttp::Reply DemoServerHttp::get(const QUrl &url, int timeoutMs)
{
    return wait(m_manager->get(QNetworkRequest(url)), timeoutMs);
}

DemoServerHttp::Reply DemoServerHttp::post(const QUrl &url, const QByteArray &body, int timeoutMs)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    return wait(m_manager->post(request, body), timeoutMs);
}

DemoServerHttp::Reply DemoServerHttp::post(const QUrl &url, const QJsonObject &body, int timeoutMs)
{
    return post(url, QJsonDocument(body).toJson(QJsonDocument::Compact), timeoutMs);
}
