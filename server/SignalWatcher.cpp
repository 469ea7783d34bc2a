#include "server/SignalWatcher.h"

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_fds[2] = {-1, -1};
volatile std::sig_atomic_t g_stop = 0;

void onSignal(int)
{
    g_stop = 1;
    const char byte = 1;
    if (g_fds[0] >= 0) {
        const ssize_t written = ::write(g_fds[0], &byte, 1);
        (void)written;
    }
}

} // namespace

SignalWatcher::SignalWatcher(QObject *parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_fds) != 0)
        g_fds[0] = g_fds[1] = -1;
    if (g_fds[1] >= 0) {
        m_notifier = new QSocketNotifier(g_fds[1], QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &SignalWatcher::onReadable);
    }
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
}

SignalWatcher::~SignalWatcher()
{
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
    delete m_notifier;
    m_notifier = nullptr;
    for (int &fd : g_fds) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

bool SignalWatcher::stopRequested()
{
    return g_stop != 0;
}

void SignalWatcher::onReadable()
{
    char buffer[16];
    const ssize_t got = ::read(g_fds[1], buffer, sizeof buffer);
    (void)got;
    emit stopSignalled();
}
