#include "server/HttpServerThread.h"

#include <chrono>

HttpServerThread::HttpServerThread() : m_server(std::make_unique<httplib::Server>())
{
    m_server->new_task_queue = [] { return new httplib::ThreadPool(4); };
    m_server->set_read_timeout(5, 0);
    m_server->set_write_timeout(5, 0);
    m_server->set_payload_max_length(64 * 1024);
}

HttpServerThread::~HttpServerThread()
{
    stop();
}

bool HttpServerThread::start(const QString &host, int port, QString &error)
{
    const std::string address = host.toStdString();
    if (port == 0) {
        m_port = m_server->bind_to_any_port(address);
        if (m_port <= 0) {
            error = QStringLiteral("cannot listen on %1 (any port)").arg(host);
            return false;
        }
    } else {
        if (!m_server->bind_to_port(address, port)) {
            error = QStringLiteral("cannot listen on %1:%2 (in use?)").arg(host).arg(port);
            return false;
        }
        m_port = port;
    }
    httplib::Server *server = m_server.get();
    m_thread = std::thread([server] { server->listen_after_bind(); });
    // stop() only takes effect once the loop runs, so wait for it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!m_server->is_running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (!m_server->is_running()) {
        error = QStringLiteral("the HTTP server on port %1 did not start").arg(m_port);
        return false;
    }
    return true;
}

void HttpServerThread::stop()
{
    if (m_thread.joinable()) {
        m_server->stop();
        m_thread.join();
    }
}
