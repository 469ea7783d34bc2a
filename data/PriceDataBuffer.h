#pragma once

#include "net/TickData.h"
#include "net/TickSink.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QSet>

#include <atomic>
#include <mutex>

class QTimer;

// Coalesces price pushes from the connection's worker thread: the newest tick
// per symbol is kept, and every period the changed symbols go out as one batch
// on the thread that owns the buffer.
class PriceDataBuffer : public QObject, public TickSink
{
    Q_OBJECT
public:
    explicit PriceDataBuffer(QObject *parent = nullptr);
    ~PriceDataBuffer() override;

    int interval() const { return m_interval; }
    void setInterval(int ms);
    bool isRunning() const { return m_running.load(); }

    // Worker thread. Dropped while stopped or when the symbol is empty.
    void addTick(const TickData &tick) override;

public slots:
    void beginTimer();
    void endTimer();
    void onTimerTriggered();

signals:
    void tickUpdated(const QList<TickData> &ticks);

private:
    int m_interval = 50;
    // A standard mutex rather than QMutex: its locking is visible to
    // ThreadSanitizer, which cannot see inside the toolkit's prebuilt mutex.
    std::mutex m_lock;
    QSet<QString> m_changedSymbols;
    QMap<QString, TickData> m_latestTicks;
    QTimer *m_timer = nullptr;
    std::atomic<bool> m_running{false};
};
