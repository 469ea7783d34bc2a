#pragma once

#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

class QTimer;

// Round-trip time to the trade server through the system's ping, every few
// seconds and on request. A ping that is missing, fails or prints no time
// gives latencyUnavailable, never an error box.
class LatencyProbe : public QObject
{
    Q_OBJECT
public:
    static constexpr int intervalMs = 3000;
    static constexpr int startTimeoutMs = 1000;
    // A probe still running after this long is stopped and counts as failed.
    static constexpr int runLimitMs = 5000;

    explicit LatencyProbe(QObject *parent = nullptr);
    ~LatencyProbe() override;

    // "ping" with one echo request; tests put a script in its place.
    void setProgram(const QString &program, const QStringList &arguments);
    QString program() const { return m_pingProgram; }
    QStringList arguments() const { return m_pingArguments; }

    void setTarget(const QString &host, bool probeNow = false);
    QString target() const { return m_pingTarget; }

    void start();
    void stop();

    // One tick of the timer: skipped while the previous probe still runs.
    void probe();
    // A probe of its own, beside the periodic one.
    void probeOnce();

    QTimer *latencyTimer() const { return m_latencyTimer; }
    QProcess *pingProcess() const { return m_pingProcess; }

signals:
    void latencyMeasured(int milliseconds);
    void latencyUnavailable();

private:
    void launch(QProcess *process);
    void onFinished(QProcess *process, int exitCode, QProcess::ExitStatus status);
    void onError(QProcess *process, QProcess::ProcessError error);

    QString m_pingProgram;
    QStringList m_pingArguments;
    QString m_pingTarget;
    QTimer *m_latencyTimer;
    QProcess *m_pingProcess;
};
