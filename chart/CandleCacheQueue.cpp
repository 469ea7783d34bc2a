#include "chart/CandleCacheQueue.h"

CandleCacheQueue::CandleCacheQueue() : m_thread(&CandleCacheQueue::run, this) {}

CandleCacheQueue::~CandleCacheQueue()
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void CandleCacheQueue::post(Job job)
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
}

void CandleCacheQueue::waitForIdle()
{
    std::unique_lock<std::mutex> guard(m_lock);
    m_idle.wait(guard, [this] { return m_jobs.empty() && !m_busy; });
}

void CandleCacheQueue::run()
{
    std::unique_lock<std::mutex> guard(m_lock);
    for (;;) {
        m_wake.wait(guard, [this] { return m_stopping || !m_jobs.empty(); });
        if (m_jobs.empty())
            return; // stopping, and nothing left to do
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_busy = true;
        guard.unlock();
        job();
        job = nullptr; // captured data dies on this thread, before the job counts as done
        guard.lock();
        m_busy = false;
        if (m_jobs.empty())
            m_idle.notify_all();
    }
}
