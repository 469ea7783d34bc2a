#pragma once

#include <QObject>
#include <QSocketNotifier>

// Turns SIGINT and SIGTERM into a signal on the main thread (self-pipe), so the server stops
// through its normal shutdown.
class SignalWatcher : public QObject
{
    Q_OBJECT
public:
    explicit SignalWatcher(QObject *parent = nullptr);
    ~SignalWatcher() override;

    // Set from the signal handler; polled by work that blocks the event loop.
    static bool stopRequested();

signals:
    void stopSignalled();

private:
    void onReadable();

    QSocketNotifier *m_notifier = nullptr;
};
