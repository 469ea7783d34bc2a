#pragma once

#include "server/HttpServerThread.h"

class BrokerDirectory;

// The broker directory over HTTP: GET /brokers. The control surface shares its port.
class DirectoryService
{
public:
    explicit DirectoryService(const BrokerDirectory &directory);

    httplib::Server &server() { return m_http.server(); }
    bool start(const QString &host, int port, QString &error) { return m_http.start(host, port, error); }
    int port() const { return m_http.port(); }
    void stop() { m_http.stop(); }

private:
    const BrokerDirectory &m_directory;
    HttpServerThread m_http;
};
