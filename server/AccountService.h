#pragma once

#include "server/HttpServerThread.h"

#include <QJsonObject>

class AccountRegistry;
class MainThreadBridge;

// The account service over HTTP: POST /account/create opens a demo account, POST
// /account/update changes a password. Work on the accounts runs on the main thread.
class AccountService
{
public:
    static constexpr int kMaxPasswordLength = 64;
    static constexpr double kMaxDeposit = 10000000.0;

    AccountService(AccountRegistry &registry, MainThreadBridge &bridge);

    bool start(const QString &host, int port, QString &error) { return m_http.start(host, port, error); }
    int port() const { return m_http.port(); }
    void stop() { m_http.stop(); }

private:
    void create(const httplib::Request &request, httplib::Response &response);
    void update(const httplib::Request &request, httplib::Response &response);

    AccountRegistry &m_registry;
    MainThreadBridge &m_bridge;
    HttpServerThread m_http;
};
