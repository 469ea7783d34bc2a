#include "tests/DemoServerProcess.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QRegularExpression>
#include <csignal>
#include <sys/types.h>

DemoServerProcess::DemoServerProcess(const QString &databasePath) : m_databasePath(databasePath)
{
    if (m_databasePath.isEmpty()) {
        m_dir = std::make_unique<QTemporaryDir>();
        m_databasePath = m_dir->filePath(QStringLiteral("demo.sqlite"));
    }
}

DemoServerProcess::~DemoServerProcess()
{
    if (isRunning())
        stop(SIGTERM, 10000);
    if (isRunning())
        kill();
}

void DemoServerProcess::reportUnexpectedEnd()
{
    // A server that ended badly (a crash, a sanitizer report) shows why in the test's output.
    if (m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0)
        return;
    qWarning().noquote() << "demo-server ended with" << m_process.exitCode() << "; its last diagnostics:\n"
                         << errorOutput().right(6000);
}

bool DemoServerProcess::start(const QStringList &extraArguments, int timeoutMs)
{
    m_lines.clear();
    m_stderr.clear();
    QStringList arguments{QStringLiteral("--trade-port"),
                          QStringLiteral("0"),
                          QStringLiteral("--directory-port"),
                          QStringLiteral("0"),
                          QStringLiteral("--account-port"),
                          QStringLiteral("0"),
                          QStringLiteral("--status-port"),
                          QStringLiteral("0"),
                          QStringLiteral("--db"),
                          m_databasePath};
    arguments += extraArguments;
    m_process.setProgram(QStringLiteral(DEMO_SERVER_PATH));
    m_process.setArguments(arguments);
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    // Under ThreadSanitizer the server may get options of its own (see tests/server.cmake).
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (environment.contains(QStringLiteral("DEMO_SERVER_TSAN_OPTIONS")))
        environment.insert(QStringLiteral("TSAN_OPTIONS"),
                           environment.value(QStringLiteral("DEMO_SERVER_TSAN_OPTIONS")));
    m_process.setProcessEnvironment(environment);
    // DEMO_SERVER_LOG=FILE keeps the server's diagnostics (appended) for a look after the test.
    if (environment.contains(QStringLiteral("DEMO_SERVER_LOG")))
        m_process.setStandardErrorFile(environment.value(QStringLiteral("DEMO_SERVER_LOG")),
                                       QIODevice::Append);
    m_process.start();
    if (!m_process.waitForStarted(timeoutMs))
        return false;
    static const QRegularExpression pattern(QStringLiteral(
        "^listening (trade|directory|account|status) (ws|http)://\\d+\\.\\d+\\.\\d+\\.\\d+:(\\d+)$"));
    QDeadlineTimer deadline(timeoutMs);
    QByteArray pending;
    while (m_lines.size() < 4) {
        if (!m_process.canReadLine() &&
            !m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            return false;
        while (m_process.canReadLine()) {
            const QString line = QString::fromLocal8Bit(m_process.readLine()).trimmed();
            const QRegularExpressionMatch match = pattern.match(line);
            if (!match.hasMatch())
                continue;
            m_lines.append(line);
            const quint16 port = static_cast<quint16>(match.captured(3).toUInt());
            const QString kind = match.captured(1);
            if (kind == QLatin1String("trade"))
                m_tradePort = port;
            else if (kind == QLatin1String("directory"))
                m_directoryPort = port;
            else if (kind == QLatin1String("account"))
                m_accountPort = port;
            else
                m_statusPort = port;
        }
        if (deadline.hasExpired())
            return false;
    }
    return true;
}

int DemoServerProcess::stop(int signal, int timeoutMs)
{
    if (m_process.state() == QProcess::NotRunning) {
        reportUnexpectedEnd();
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }
    ::kill(static_cast<pid_t>(m_process.processId()), signal);
    if (!m_process.waitForFinished(timeoutMs))
        return -1;
    m_stderr += m_process.readAllStandardError();
    reportUnexpectedEnd();
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

void DemoServerProcess::kill()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(10000);
    m_stderr += m_process.readAllStandardError();
}

bool DemoServerProcess::isRunning() const
{
    return m_process.state() != QProcess::NotRunning;
}

QUrl DemoServerProcess::tradeUrl() const
{
    return QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(m_tradePort));
}

QUrl DemoServerProcess::statusUrl() const
{
    return QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(m_statusPort));
}

QUrl DemoServerProcess::directoryUrl(const QString &path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_directoryPort).arg(path));
}

QUrl DemoServerProcess::accountUrl(const QString &path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_accountPort).arg(path));
}

QString DemoServerProcess::errorOutput()
{
    m_stderr += m_process.readAllStandardError();
    return QString::fromLocal8Bit(m_stderr);
}
