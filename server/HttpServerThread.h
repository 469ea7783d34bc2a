#pragma once

#include <QString>
#include <httplib.h>
#include <memory>
#include <thread>

// One cpp-httplib server on a thread of its own. Handlers run on the library's worker threads:
// whatever they share with the main thread goes through a lock or MainThreadBridge.
class HttpServerThread
{
public:
    HttpServerThread();
    ~HttpServerThread();
    HttpServerThread(const HttpServerThread &) = delete;
    HttpServerThread &operator=(const HttpServerThread &) = delete;

    httplib::Server &server() { return *m_server; }
    // Binds (port 0 picks a free one) and starts serving; returns once requests are accepted.
    bool start(const QString &host, int port, QString &error);
    int port() const { return m_port; }
    void stop();

private:
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;
};
