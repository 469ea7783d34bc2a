#include "server/MainThreadBridge.h"

#include <QCoreApplication>
#include <QEvent>
#include <chrono>
#include <future>
#include <memory>

namespace {

const QEvent::Type kWorkEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class WorkEvent : public QEvent
{
public:
    explicit WorkEvent(std::function<void()> work) : QEvent(kWorkEvent), m_work(std::move(work)) {}
    void run() { m_work(); }

private:
    std::function<void()> m_work;
};

} // namespace

MainThreadBridge::MainThreadBridge(QObject *parent) : QObject(parent) {}

MainThreadBridge::~MainThreadBridge()
{
    m_stopping.store(true);
}

void MainThreadBridge::post(std::function<void()> work)
{
    if (m_stopping.load())
        return;
    QCoreApplication::postEvent(this, new WorkEvent(std::move(work)));
}

bool MainThreadBridge::call(std::function<void()> work)
{
    if (m_stopping.load())
        return false;
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    post([work = std::move(work), done] {
        work();
        done->set_value();
    });
    while (finished.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
        if (m_stopping.load())
            return false;
    try {
        finished.get();
    } catch (const std::future_error &) {
        return false; // dropped unrun when the bridge went away
    }
    return true;
}

void MainThreadBridge::shutDown()
{
    m_stopping.store(true);
}

bool MainThreadBridge::event(QEvent *event)
{
    if (event->type() == kWorkEvent) {
        static_cast<WorkEvent *>(event)->run();
        return true;
    }
    return QObject::event(event);
}
