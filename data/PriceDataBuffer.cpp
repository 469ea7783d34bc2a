#include "data/PriceDataBuffer.h"

#include <QTimer>

PriceDataBuffer::PriceDataBuffer(QObject *parent) : QObject(parent), m_timer(new QTimer(this))
{
    qRegisterMetaType<TickData>();
    qRegisterMetaType<QList<TickData>>();
    connect(m_timer, &QTimer::timeout, this, &PriceDataBuffer::onTimerTriggered);
}

PriceDataBuffer::~PriceDataBuffer()
{
    m_running = false;
    m_timer->stop();
}

void PriceDataBuffer::setInterval(int ms)
{
    if (ms == m_interval)
        return;
    m_interval = ms;
    if (m_timer->isActive())
        m_timer->start(m_interval);
}

void PriceDataBuffer::beginTimer()
{
    m_timer->start(m_interval);
    m_running = true;
}

void PriceDataBuffer::endTimer()
{
    m_running = false;
    m_timer->stop();
}

void PriceDataBuffer::addTick(const TickData &tick)
{
    if (!m_running.load(std::memory_order_relaxed) || tick.symbol.isEmpty())
        return;
    std::lock_guard<std::mutex> locker(m_lock);
    m_latestTicks.insert(tick.symbol, tick);
    m_changedSymbols.insert(tick.symbol);
}

void PriceDataBuffer::onTimerTriggered()
{
    QList<TickData> batch;
    {
        std::lock_guard<std::mutex> locker(m_lock);
        batch.reserve(m_changedSymbols.size());
        for (const QString &symbol : qAsConst(m_changedSymbols))
            batch.append(m_latestTicks.value(symbol));
        m_changedSymbols.clear();
    }
    if (!batch.isEmpty())
        emit tickUpdated(batch);
}
