#pragma once

#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>

// Runs work from HTTP worker threads on the main thread and waits for it. The work must own what
// it touches besides the main thread's objects (capture by value or shared pointer): after
// shutDown() callers stop waiting and the work may run later or never.
class MainThreadBridge
{
public:
    explicit MainThreadBridge(QObject *context);

    // True once the work has run; false when the server is shutting down.
    bool call(std::function<void()> work);
    void shutDown();
    bool isShuttingDown() const { return m_stopping.load(); }

private:
    QPointer<QObject> m_context;
    std::atomic<bool> m_stopping{false};
};
