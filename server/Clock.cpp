#include "server/Clock.h"

#include <QDateTime>

qint64 Clock::nowMs() const
{
    return QDateTime::currentMSecsSinceEpoch() + m_offsetMs.load();
}

void Clock::advance(qint64 ms)
{
    if (ms > 0)
        m_offsetMs.fetch_add(ms);
}
