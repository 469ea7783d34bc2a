#pragma once

#include <QtGlobal>
#include <atomic>

// The server's notion of now: wall time plus a forward offset that the control surface can
// advance, so tests reach expiry times without waiting. Safe to read from any thread.
class Clock
{
public:
    qint64 nowMs() const;
    qint64 nowSeconds() const { return nowMs() / 1000; }
    void advance(qint64 ms);
    qint64 offsetMs() const { return m_offsetMs.load(); }

private:
    std::atomic<qint64> m_offsetMs{0};
};
