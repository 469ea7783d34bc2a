#include "server/MainThreadBridge.h"

#include <chrono>
#include <future>
#include <memory>

MainThreadBridge::MainThreadBridge(QObject *context) : m_context(context) {}

bool MainThreadBridge::call(std::function<void()> work)
{
    if (m_stopping.load())
        return false;
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    QObject *context = m_context.data();
    if (!context)
        return false;
    QMetaObject::invokeMethod(
        context,
        [work = std::move(work), done] {
            work();
            done->set_value();
        },
        Qt::QueuedConnection);
    while (finished.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
        if (m_stopping.load())
            return false;
    try {
        finished.get();
    } catch (const std::future_error &) {
        return false; // the context went away and the work was dropped
    }
    return true;
}

void MainThreadBridge::shutDown()
{
    m_stopping.store(true);
}
