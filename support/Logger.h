#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QThread>
#include <atomic>
#include <mutex>

// The process-wide event log. log() may be called on any thread; the lines are
// appended to "Logs/yyyy-MM-dd.log" in the current directory by the logger's
// own thread, and every event is announced through logMessage for the journal.
class Logger : public QThread
{
    Q_OBJECT
public:
    explicit Logger(QObject *parent = nullptr);
    ~Logger() override;

    void log(const QString &title, const QString &message);

    // Writes every pending line and stops the writer; called once at shut-down.
    // Later events still reach the journal but no file.
    void finish();

    static QString formatLine(const QDateTime &time, const QString &title, const QString &message);
    static QString fileNameFor(const QDate &date);

signals:
    void logMessage(const QDateTime &logTime, const QString &title, const QString &message);

protected:
    void run() override;

private:
    void writePending();

    QStringList m_pendingLines;
    std::mutex m_lock;
    std::atomic<bool> m_writerDone{false};
};

// The single logger, created on first use.
Logger *logger();
