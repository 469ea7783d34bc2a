#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <memory>

// Runs demo-server as a child process on ephemeral ports with a database in a temporary
// folder, and reads the addresses from its "listening" lines.
class DemoServerProcess
{
public:
    // databasePath empty: a fresh database in a temporary folder owned by this object.
    explicit DemoServerProcess(const QString &databasePath = QString());
    ~DemoServerProcess();

    bool start(const QStringList &extraArguments = QStringList(), int timeoutMs = 30000);
    // Sends the signal and waits; returns the exit code, or -1 if it crashed or did not end.
    int stop(int signal = 15, int timeoutMs = 20000);
    // SIGKILL, for crash tests.
    void kill();
    bool isRunning() const;

    QString databasePath() const { return m_databasePath; }
    quint16 tradePort() const { return m_tradePort; }
    quint16 directoryPort() const { return m_directoryPort; }
    quint16 accountPort() const { return m_accountPort; }
    quint16 statusPort() const { return m_statusPort; }
    QUrl tradeUrl() const;
    QUrl statusUrl() const;
    QUrl directoryUrl(const QString &path) const;
    QUrl accountUrl(const QString &path) const;
    QStringList listeningLines() const { return m_lines; }
    QString errorOutput();
    QProcess &process() { return m_process; }

private:
    void reportUnexpectedEnd();

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_databasePath;
    QProcess m_process;
    QStringList m_lines;
    QByteArray m_stderr;
    quint16 m_tradePort = 0, m_directoryPort = 0, m_accountPort = 0, m_statusPort = 0;
};
