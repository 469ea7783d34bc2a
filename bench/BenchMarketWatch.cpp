// CPU time of the user-interface thread of the real main window, shown
// offscreen and logged in to demo-server pushing every symbol 50 times a
// second (--tick-interval-ms 20). The figure is ui_cpu_percent: the main
// thread's CPU time over wall time, in percent of one core.
#include "tests/DemoServerProcess.h"

#include "accounts/LoginDialog.h"
#include "app/Client_Terminal.h"
#include "app/MainWindowForm.h"
#include "data/AccountPaths.h"
#include "data/PriceDataBuffer.h"
#include "net/TickSink.h"
#include "net/TradeClient.h"
#include "support/Logger.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScreen>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>

namespace {

// Counts the pushes the connection decodes, then hands them to the window's buffer.
class CountingSink : public TickSink
{
public:
    explicit CountingSink(TickSink *next) : m_next(next) {}
    void addTick(const TickData &tick) override
    {
        m_count.fetch_add(1, std::memory_order_relaxed);
        m_next->addTick(tick);
    }
    qint64 count() const { return m_count.load(std::memory_order_relaxed); }

private:
    TickSink *m_next;
    std::atomic<qint64> m_count{0};
};

// Counts the paints of the market watch, to show the figure includes drawing.
class PaintCounter : public QObject
{
public:
    qint64 paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

struct Session
{
    QTemporaryDir home;
    DemoServerProcess server;
    TradeClient *client = nullptr;
    Client_Terminal *window = nullptr;
    std::unique_ptr<CountingSink> sink;
    PaintCounter paintCounter;
    qint64 ticks = 0; // accepted by the window
};

Session *g_session = nullptr;
int g_intervalMs = 20;

double cpuMs(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
}

// A real event loop: processEvents with a time limit would spin and measure itself.
void runEventLoopFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        runEventLoopFor(50);
    }
    return true;
}

bool writeSavedAccount(const QUrl &url)
{
    const QString config = AccountPaths::configFolder();
    if (!QDir().mkpath(config))
        return false;
    const QJsonObject account{{"account", "50001"}, {"server", url.toString()},     {"server_name", "Demo"},
                              {"name", "Bench"},    {"master_password", "Master1"}, {"status", "online"}};
    QFile file(config + "/ACCOUNTS");
    return file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(QJsonArray{account}).toJson()) > 0;
}

bool startSession()
{
    g_session = new Session;
    Session &s = *g_session;
    if (!s.home.isValid())
        return false;
    qputenv("HOME", s.home.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", (s.home.path() + "/share").toLocal8Bit());
    QDir::setCurrent(s.home.path()); // the log folder
    if (!s.server.start({"--tick-interval-ms", QString::number(g_intervalMs)})) {
        std::fprintf(stderr, "bench: demo-server did not start: %s\n", qPrintable(s.server.errorOutput()));
        return false;
    }
    if (!writeSavedAccount(s.server.tradeUrl()))
        return false;
    s.client = new TradeClient;
    s.window = new Client_Terminal(s.client);
    s.sink = std::make_unique<CountingSink>(s.window->tickBuffer());
    s.client->setPriceBuffer(s.sink.get());
    s.window->loginBox()->addServer("Demo", QStringLiteral("127.0.0.1:%1").arg(s.server.tradePort()));
    QObject::connect(s.window, &Client_Terminal::symbolPriceChanged, [] { ++g_session->ticks; });
    if (QScreen *screen = QGuiApplication::primaryScreen())
        s.window->setGeometry(screen->availableGeometry());
    s.window->showMaximized();
    QTableWidget *table = s.window->form()->symbolTableWidget;
    table->viewport()->installEventFilter(&s.paintCounter);
    // Logged in, every symbol listed and priced.
    return waitUntil([table] { return table->rowCount() >= 20; }, 20000) &&
           waitUntil([] { return g_session->ticks > 500; }, 20000);
}

void BM_MarketWatchUiThread(benchmark::State &state)
{
    if (!g_session || !g_session->window) {
        state.SkipWithError("the window did not log in to demo-server");
        return;
    }
    const int windowMs = 2000;
    double cpuTotal = 0.0, processCpuTotal = 0.0, wallTotal = 0.0;
    qint64 ticksTotal = 0, pushesTotal = 0, paintsTotal = 0;
    for (auto _ : state) {
        const qint64 ticksBefore = g_session->ticks;
        const qint64 pushesBefore = g_session->sink->count();
        const qint64 paintsBefore = g_session->paintCounter.paints;
        QElapsedTimer wall;
        const double cpuBefore = cpuMs(CLOCK_THREAD_CPUTIME_ID);
        const double processBefore = cpuMs(CLOCK_PROCESS_CPUTIME_ID);
        wall.start();
        runEventLoopFor(windowMs);
        const double cpu = cpuMs(CLOCK_THREAD_CPUTIME_ID) - cpuBefore;
        const double processCpu = cpuMs(CLOCK_PROCESS_CPUTIME_ID) - processBefore;
        const double elapsed = double(wall.nsecsElapsed()) / 1e6;
        state.SetIterationTime(elapsed / 1000.0);
        cpuTotal += cpu;
        processCpuTotal += processCpu;
        wallTotal += elapsed;
        ticksTotal += g_session->ticks - ticksBefore;
        pushesTotal += g_session->sink->count() - pushesBefore;
        paintsTotal += g_session->paintCounter.paints - paintsBefore;
    }
    state.counters["ui_cpu_percent"] = benchmark::Counter(100.0 * cpuTotal / wallTotal);
    // Every thread of the terminal: the connection's worker decodes each push.
    state.counters["process_cpu_percent"] = benchmark::Counter(100.0 * processCpuTotal / wallTotal);
    state.counters["pushes_per_s"] = benchmark::Counter(1000.0 * double(pushesTotal) / wallTotal);
    state.counters["ticks_shown_per_s"] = benchmark::Counter(1000.0 * double(ticksTotal) / wallTotal);
    state.counters["table_paints_per_s"] = benchmark::Counter(1000.0 * double(paintsTotal) / wallTotal);
    state.counters["rows"] = benchmark::Counter(g_session->window->form()->symbolTableWidget->rowCount());
}
BENCHMARK(BM_MarketWatchUiThread)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(AccountPaths::organisationName());
    QCoreApplication::setApplicationName(AccountPaths::applicationName());
    QFont font = QApplication::font();
    font.setPointSize(10);
    QApplication::setFont(font);
    const int intervalArg = app.arguments().indexOf("--tick-interval-ms");
    if (intervalArg > 0 && intervalArg + 1 < app.arguments().size())
        g_intervalMs = app.arguments().at(intervalArg + 1).toInt();
    const bool started = startSession();
    if (!started)
        std::fprintf(stderr, "bench: the window did not log in and receive prices\n");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_session) {
        // The worker stops before the buffer it feeds goes with the window.
        if (g_session->client)
            g_session->client->shutdown();
        delete g_session->window;
        logger()->finish();
        delete g_session;
    }
    return 0;
}
