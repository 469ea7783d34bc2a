#pragma once

#include <QObject>
#include <atomic>
#include <functional>

// Runs work from HTTP worker threads on the main thread, where this object lives. The work is
// posted as an event that only the main thread touches after posting, so it is also destroyed
// there. It must own what it uses besides the main thread's objects (capture by value or shared
// pointer): after shutDown() callers stop waiting, and queued work is dropped with this object.
class MainThreadBridge : public QObject
{
    Q_OBJECT
public:
    explicit MainThreadBridge(QObject *parent = nullptr);
    ~MainThreadBridge() override;

    // Runs the work and waits for it; false when the server is shutting down.
    bool call(std::function<void()> work);
    // Queues the work without waiting.
    void post(std::function<void()> work);
    void shutDown();
    bool isShuttingDown() const { return m_stopping.load(); }

protected:
    bool event(QEvent *event) override;

private:
    std::atomic<bool> m_stopping{false};
};
