#include "app/LatencyProbe.h"

#include "app/PingOutput.h"

#include <QProcessEnvironment>
#include <QTimer>
#include <QVariant>

namespace {
const char *kTarget = "pingTarget";
const char *kRun = "pingRun";
} // namespace

LatencyProbe::LatencyProbe(QObject *parent)
    : QObject(parent), m_pingProgram(QStringLiteral("ping")), m_pingArguments(PingOutput::defaultArguments()),
      m_latencyTimer(new QTimer(this)), m_pingProcess(new QProcess(this))
{
    m_latencyTimer->setObjectName(QStringLiteral("latencyTimer"));
    m_latencyTimer->setInterval(intervalMs);
    connect(m_latencyTimer, &QTimer::timeout, this, &LatencyProbe::probe);
    m_pingProcess->setObjectName(QStringLiteral("pingProcess"));
    connect(m_pingProcess, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            [this](int code, QProcess::ExitStatus status) { onFinished(m_pingProcess, code, status); });
    connect(m_pingProcess, &QProcess::errorOccurred, this,
            [this](QProcess::ProcessError error) { onError(m_pingProcess, error); });
}

LatencyProbe::~LatencyProbe()
{
    m_latencyTimer->stop();
    for (QProcess *process : findChildren<QProcess *>()) {
        process->disconnect(this);
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(1000);
        }
    }
}

void LatencyProbe::setProgram(const QString &program, const QStringList &arguments)
{
    m_pingProgram = program;
    m_pingArguments = arguments;
}

void LatencyProbe::setTarget(const QString &host, bool probeNow)
{
    m_pingTarget = host;
    if (probeNow && !host.isEmpty())
        probeOnce();
}

void LatencyProbe::start()
{
    m_latencyTimer->start();
}

void LatencyProbe::stop()
{
    m_latencyTimer->stop();
}

void LatencyProbe::probe()
{
    if (m_pingTarget.isEmpty() || m_pingProcess->state() != QProcess::NotRunning)
        return;
    launch(m_pingProcess);
}

void LatencyProbe::probeOnce()
{
    if (m_pingTarget.isEmpty())
        return;
    auto *process = new QProcess(this);
    connect(process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            [this, process](int code, QProcess::ExitStatus status) { onFinished(process, code, status); });
    connect(process, &QProcess::errorOccurred, this,
            [this, process](QProcess::ProcessError error) { onError(process, error); });
    launch(process);
}

void LatencyProbe::launch(QProcess *process)
{
    const int run = process->property(kRun).toInt() + 1;
    process->setProperty(kRun, run);
    process->setProperty(kTarget, m_pingTarget);
#if !defined(Q_OS_WIN)
    // The reply is read by its English wording.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    process->setProcessEnvironment(environment);
#endif
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start(m_pingProgram, m_pingArguments + QStringList{m_pingTarget}, QIODevice::ReadOnly);

    // Timers of an earlier run of the same process object must not touch this one.
    QTimer::singleShot(startTimeoutMs, process, [this, process, run] {
        if (process->property(kRun).toInt() == run && process->state() == QProcess::Starting) {
            process->kill();
            emit latencyUnavailable();
        }
    });
    QTimer::singleShot(runLimitMs, process, [process, run] {
        if (process->property(kRun).toInt() == run && process->state() != QProcess::NotRunning)
            process->kill(); // finished follows with a crash exit
    });
}

void LatencyProbe::onFinished(QProcess *process, int exitCode, QProcess::ExitStatus status)
{
    const QByteArray output = process->readAllStandardOutput();
    const bool current = process->property(kTarget).toString() == m_pingTarget;
    if (process != m_pingProcess)
        process->deleteLater();
    // A reply for a host that is no longer the target says nothing about the new one.
    if (!current)
        return;
    if (status == QProcess::CrashExit || exitCode != 0) {
        emit latencyUnavailable();
        return;
    }
    const std::optional<int> milliseconds = PingOutput::roundTripMs(output);
    if (milliseconds)
        emit latencyMeasured(*milliseconds);
    else
        emit latencyUnavailable();
}

void LatencyProbe::onError(QProcess *process, QProcess::ProcessError error)
{
    if (error != QProcess::FailedToStart)
        return; // a crash is reported by finished
    const bool current = process->property(kTarget).toString() == m_pingTarget;
    if (process != m_pingProcess)
        process->deleteLater();
    if (current)
        emit latencyUnavailable();
}
