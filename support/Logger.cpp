#include "support/Logger.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>
#include <QTimer>

namespace {
Logger *g_instance = nullptr;

void finishLogger()
{
    if (g_instance)
        g_instance->finish();
}
} // namespace

Logger *logger()
{
    // Never destroyed: the logger lives until the process ends. Its writer is
    // stopped (pending lines written) when the application object goes away,
    // so no thread outlives the toolkit's globals.
    static Logger *instance = [] {
        g_instance = new Logger;
        qAddPostRoutine(finishLogger);
        return g_instance;
    }();
    return instance;
}

Logger::Logger(QObject *parent) : QThread(parent)
{
    start();
}

Logger::~Logger()
{
    finish();
}

QString Logger::formatLine(const QDateTime &time, const QString &title, const QString &message)
{
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) + QLatin1Char('\t') + title +
           QLatin1Char('\t') + message;
}

QString Logger::fileNameFor(const QDate &date)
{
    return QStringLiteral("Logs/") + date.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".log");
}

void Logger::log(const QString &title, const QString &message)
{
    if (message.isEmpty())
        return;
    const QDateTime now = QDateTime::currentDateTime();
    const QString line = formatLine(now, title, message);
    emit logMessage(now, title, message);
    // Without a running writer (no "Logs" folder) the journal alone shows the event.
    if (isRunning()) {
        std::lock_guard<std::mutex> locker(m_lock);
        m_pendingLines.append(line);
    }
}

void Logger::run()
{
    struct Done
    {
        std::atomic<bool> &flag;
        ~Done() { flag.store(true, std::memory_order_release); }
    } done{m_writerDone};
    if (!QDir().mkpath(QStringLiteral("Logs"))) {
        qWarning("Logger: cannot create the Logs folder; events are not written to files");
        return;
    }
    QTimer timer;
    connect(
        &timer, &QTimer::timeout, &timer, [this] { writePending(); }, Qt::DirectConnection);
    timer.start(10);
    exec();
    writePending();
}

void Logger::finish()
{
    quit();
    wait();
    // Pairs with the release at the end of run(), a join race detectors can see.
    m_writerDone.load(std::memory_order_acquire);
}

void Logger::writePending()
{
    QStringList lines;
    {
        std::lock_guard<std::mutex> locker(m_lock);
        lines.swap(m_pendingLines);
    }
    if (lines.isEmpty())
        return;
    // Every pending line goes out in one append, so a burst never builds a backlog.
    QFile file(fileNameFor(QDate::currentDate()));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        qWarning("Logger: cannot open %s", qPrintable(file.fileName()));
        return;
    }
    QTextStream out(&file);
    out.setCodec("UTF-8");
    for (const QString &line : qAsConst(lines))
        out << line << '\n';
}
