#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// One thread that runs the candle cache file jobs (the loader, whole-file
// rewrites, appends) one after the other in the order they were queued. A
// rewrite and a later append of the same file can therefore neither overlap
// nor swap places, and the GUI thread never waits for the disk.
//
// The destructor runs every job still queued, then joins the thread, so a
// rewrite or append handed over just before shut-down still reaches the disk.
// Standard library primitives are used so ThreadSanitizer sees every hand-over.
class CandleCacheQueue
{
public:
    using Job = std::function<void()>;

    CandleCacheQueue();
    ~CandleCacheQueue();
    CandleCacheQueue(const CandleCacheQueue &) = delete;
    CandleCacheQueue &operator=(const CandleCacheQueue &) = delete;

    void post(Job job);
    // Blocks until every job posted before the call has finished.
    void waitForIdle();

private:
    void run();

    std::mutex m_lock;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Job> m_jobs;
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_thread; // last, so it starts after the members above exist
};
