#include "ModalBoxCatcher.h"
#include "app/ConnectionStatusWidget.h"
#include "app/LatencyProbe.h"
#include "app/PingOutput.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

Q_DECLARE_METATYPE(std::optional<int>)

namespace {

const char *kLinuxLoopback = "PING 127.0.0.1 (127.0.0.1) 56(84) bytes of data.\n"
                             "64 bytes from 127.0.0.1: icmp_seq=1 ttl=64 time=0.057 ms\n"
                             "\n"
                             "--- 127.0.0.1 ping statistics ---\n"
                             "1 packets transmitted, 1 received, 0% packet loss, time 0ms\n"
                             "rtt min/avg/max/mdev = 0.057/0.057/0.057/0.000 ms\n";

} // namespace

// The probe's program is a shell script written by the test: it records its
// arguments, prints a prepared reply and exits with a prepared code.
class TestLatencyProbe : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void pingReply_data();
    void pingReply();
    void latencyColours_data();
    void latencyColours();

    void probeResult_data();
    void probeResult();
    void missingProgramShowsNoBox();
    void argumentsEndWithTheTarget();
    void timerProbesEveryThreeSeconds();
    void tickIsSkippedWhileAProbeRuns();
    void hungProbeIsStopped();
    void oneOffProbeRunsInAProcessOfItsOwn();
    void replyForAnOldTargetIsDropped();

private:
    QString script(const QString &name, const QByteArray &output, int exitCode, double sleepSeconds = 0);
    QStringList recordedArguments(const QString &name) const;

    QTemporaryDir m_dir;
};

void TestLatencyProbe::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

QString TestLatencyProbe::script(const QString &name, const QByteArray &output, int exitCode,
                                 double sleepSeconds)
{
    const QString path = m_dir.filePath(name + ".sh");
    QFile outputFile(m_dir.filePath(name + ".out"));
    if (!outputFile.open(QIODevice::WriteOnly) || outputFile.write(output) != output.size())
        return QString();
    outputFile.close();
    QByteArray text = "#!/bin/sh\n";
    text += "printf '%s\\n' \"$*\" >> '" + m_dir.filePath(name + ".args").toLocal8Bit() + "'\n";
    if (sleepSeconds > 0)
        text += "sleep " + QByteArray::number(sleepSeconds) + "\n";
    if (exitCode < 0)
        text += "kill -KILL $$\n";
    text += "cat '" + outputFile.fileName().toLocal8Bit() + "'\n";
    text += "exit " + QByteArray::number(qMax(0, exitCode)) + "\n";
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return QString();
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

QStringList TestLatencyProbe::recordedArguments(const QString &name) const
{
    QFile file(m_dir.filePath(name + ".args"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

void TestLatencyProbe::pingReply_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<std::optional<int>>("milliseconds");

    QTest::newRow("linux loopback 0.057 ms rounds up to 1")
        << QByteArray(kLinuxLoopback) << std::optional<int>(1);
    QTest::newRow("linux 12.3 ms rounds up to 13")
        << QByteArray("PING example.net (93.184.215.14) 56(84) bytes of data.\n"
                      "64 bytes from 93.184.215.14 (93.184.215.14): icmp_seq=1 ttl=55 time=12.3 ms\n\n"
                      "--- example.net ping statistics ---\n"
                      "1 packets transmitted, 1 received, 0% packet loss, time 0ms\n"
                      "rtt min/avg/max/mdev = 12.312/12.312/12.312/0.000 ms\n")
        << std::optional<int>(13);
    QTest::newRow("linux whole 123 ms stays")
        << QByteArray("64 bytes from 203.0.113.7: icmp_seq=1 ttl=50 time=123 ms\n")
        << std::optional<int>(123);
    QTest::newRow("linux 80.000 ms stays 80")
        << QByteArray("64 bytes from 203.0.113.7: icmp_seq=1 ttl=50 time=80.000 ms\n")
        << std::optional<int>(80);
    QTest::newRow("linux no reply") << QByteArray(
                                           "PING 192.0.2.1 (192.0.2.1) 56(84) bytes of data.\n\n"
                                           "--- 192.0.2.1 ping statistics ---\n"
                                           "1 packets transmitted, 0 received, 100% packet loss, time 0ms\n")
                                    << std::optional<int>();
    QTest::newRow("linux host unreachable")
        << QByteArray("PING 10.1.1.1 (10.1.1.1) 56(84) bytes of data.\n"
                      "From 10.0.0.1 icmp_seq=1 Destination Host Unreachable\n\n"
                      "--- 10.1.1.1 ping statistics ---\n"
                      "1 packets transmitted, 0 received, +1 errors, 100% packet loss, time 0ms\n")
        << std::optional<int>();
    QTest::newRow("busybox 0.086 ms") << QByteArray("PING 127.0.0.1 (127.0.0.1): 56 data bytes\n"
                                                    "64 bytes from 127.0.0.1: seq=0 ttl=64 time=0.086 ms\n")
                                      << std::optional<int>(1);
    QTest::newRow("macos loopback 0.045 ms")
        << QByteArray("PING 127.0.0.1 (127.0.0.1): 56 data bytes\n"
                      "64 bytes from 127.0.0.1: icmp_seq=0 ttl=64 time=0.045 ms\n\n"
                      "--- 127.0.0.1 ping statistics ---\n"
                      "1 packets transmitted, 1 packets received, 0.0% packet loss\n"
                      "round-trip min/avg/max/stddev = 0.045/0.045/0.045/0.000 ms\n")
        << std::optional<int>(1);
    QTest::newRow("macos 199.512 ms rounds up to 200")
        << QByteArray("64 bytes from 198.51.100.3: icmp_seq=0 ttl=52 time=199.512 ms\n")
        << std::optional<int>(200);
    QTest::newRow("macos request timeout")
        << QByteArray("PING 192.0.2.1 (192.0.2.1): 56 data bytes\n"
                      "Request timeout for icmp_seq 0\n\n"
                      "--- 192.0.2.1 ping statistics ---\n"
                      "2 packets transmitted, 0 packets received, 100.0% packet loss\n")
        << std::optional<int>();
    QTest::newRow("windows below one millisecond")
        << QByteArray("\r\nPinging 127.0.0.1 with 32 bytes of data:\r\n"
                      "Reply from 127.0.0.1: bytes=32 time<1ms TTL=128\r\n\r\n"
                      "Ping statistics for 127.0.0.1:\r\n"
                      "    Packets: Sent = 1, Received = 1, Lost = 0 (0% loss),\r\n"
                      "Approximate round trip times in milli-seconds:\r\n"
                      "    Minimum = 0ms, Maximum = 0ms, Average = 0ms\r\n")
        << std::optional<int>(1);
    QTest::newRow("windows 14 ms") << QByteArray(
                                          "\r\nPinging example.net [93.184.215.14] with 32 bytes of data:\r\n"
                                          "Reply from 93.184.215.14: bytes=32 time=14ms TTL=55\r\n\r\n"
                                          "Ping statistics for 93.184.215.14:\r\n"
                                          "    Packets: Sent = 1, Received = 1, Lost = 0 (0% loss),\r\n"
                                          "Approximate round trip times in milli-seconds:\r\n"
                                          "    Minimum = 14ms, Maximum = 14ms, Average = 14ms\r\n")
                                   << std::optional<int>(14);
    QTest::newRow("windows 250 ms") << QByteArray("Reply from 203.0.113.5: bytes=32 time=250ms TTL=50\r\n")
                                    << std::optional<int>(250);
    QTest::newRow("windows ipv6 loopback")
        << QByteArray("\r\nPinging ::1 with 32 bytes of data:\r\nReply from ::1: time<1ms \r\n")
        << std::optional<int>(1);
    QTest::newRow("windows request timed out")
        << QByteArray("\r\nPinging 192.0.2.1 with 32 bytes of data:\r\nRequest timed out.\r\n\r\n"
                      "Ping statistics for 192.0.2.1:\r\n"
                      "    Packets: Sent = 1, Received = 0, Lost = 1 (100% loss),\r\n")
        << std::optional<int>();
    QTest::newRow("windows destination unreachable")
        << QByteArray("\r\nPinging 10.1.1.1 with 32 bytes of data:\r\n"
                      "Reply from 10.0.0.1: Destination host unreachable.\r\n")
        << std::optional<int>();
    QByteArray zeroByte("Request timed out.\r\n");
    zeroByte.append('\0');
    zeroByte.append("Reply from 127.0.0.1: bytes=32 time=5ms TTL=128\r\n");
    QTest::newRow("text after a zero byte is not read") << zeroByte << std::optional<int>();
    QTest::newRow("empty output") << QByteArray() << std::optional<int>();
}

void TestLatencyProbe::pingReply()
{
    QFETCH(QByteArray, output);
    QFETCH(std::optional<int>, milliseconds);
    QCOMPARE(PingOutput::roundTripMs(output), milliseconds);
}

void TestLatencyProbe::latencyColours_data()
{
    QTest::addColumn<int>("milliseconds");
    QTest::addColumn<QString>("colour");
    QTest::newRow("1 ms green") << 1 << "#1dbf4e";
    QTest::newRow("79 ms green") << 79 << "#1dbf4e";
    QTest::newRow("80 ms yellow") << 80 << "#e6b800";
    QTest::newRow("199 ms yellow") << 199 << "#e6b800";
    QTest::newRow("200 ms red") << 200 << "#d32f2f";
    QTest::newRow("250 ms red") << 250 << "#d32f2f";
}

void TestLatencyProbe::latencyColours()
{
    QFETCH(int, milliseconds);
    QFETCH(QString, colour);
    QCOMPARE(ConnectionStatusWidget::latencyColour(milliseconds), colour);
    ConnectionStatusWidget status;
    status.setLatency(milliseconds);
    QCOMPARE(status.latencyLabel()->text(), QString("%1 ms").arg(milliseconds));
    QCOMPARE(
        status.latencyLabel()->styleSheet(),
        QString("QLabel { color: %1; font-weight: bold; font-size: 8pt; padding-left: 8px; } ").arg(colour));
}

void TestLatencyProbe::probeResult_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("milliseconds"); // 0: unavailable

    QTest::newRow("reply read and rounded up") << QByteArray(kLinuxLoopback) << 0 << 1;
    QTest::newRow("windows reply of 250 ms")
        << QByteArray("Reply from 10.0.0.1: bytes=32 time=250ms TTL=50\r\n") << 0 << 250;
    QTest::newRow("non-zero exit despite a time") << QByteArray(kLinuxLoopback) << 1 << 0;
    QTest::newRow("no time in the reply") << QByteArray("Request timed out.\r\n") << 0 << 0;
    QTest::newRow("crash") << QByteArray(kLinuxLoopback) << -1 << 0;
}

void TestLatencyProbe::probeResult()
{
    QFETCH(QByteArray, output);
    QFETCH(int, exitCode);
    QFETCH(int, milliseconds);
    const QString program = script("result", output, exitCode);
    QVERIFY(!program.isEmpty());
    LatencyProbe probe;
    probe.setProgram(program, PingOutput::defaultArguments());
    QSignalSpy measured(&probe, &LatencyProbe::latencyMeasured);
    QSignalSpy unavailable(&probe, &LatencyProbe::latencyUnavailable);
    probe.setTarget("127.0.0.1");
    probe.probe();
    QTRY_COMPARE_WITH_TIMEOUT(measured.size() + unavailable.size(), 1, 10000);
    if (milliseconds > 0) {
        QCOMPARE(measured.size(), 1);
        QCOMPARE(measured.at(0).at(0).toInt(), milliseconds);
    } else {
        QCOMPARE(unavailable.size(), 1);
    }
}

void TestLatencyProbe::missingProgramShowsNoBox()
{
    ModalBoxCatcher boxes;
    LatencyProbe probe;
    probe.setProgram(m_dir.filePath("no-such-ping"), PingOutput::defaultArguments());
    QSignalSpy unavailable(&probe, &LatencyProbe::latencyUnavailable);
    probe.setTarget("127.0.0.1", true); // the one-off probe
    QVERIFY(unavailable.wait(5000));
    probe.probe(); // the periodic one
    QVERIFY(unavailable.wait(5000));
    QCOMPARE(unavailable.size(), 2);
    QCOMPARE(boxes.count(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(probe.findChildren<QProcess *>().size(), 1, 5000);
}

void TestLatencyProbe::argumentsEndWithTheTarget()
{
    const QString program = script("arguments", kLinuxLoopback, 0);
    LatencyProbe probe;
    QCOMPARE(probe.program(), QString("ping"));
#if defined(Q_OS_LINUX)
    QCOMPARE(probe.arguments(), QStringList({"-c", "1", "-W", "1"}));
#endif
    probe.setProgram(program, probe.arguments());
    QSignalSpy measured(&probe, &LatencyProbe::latencyMeasured);
    probe.probe();
    QTest::qWait(200);
    QVERIFY(recordedArguments("arguments").isEmpty()); // no target, no probe
    probe.setTarget("trade.example.net");
    probe.probe();
    QVERIFY(measured.wait(10000));
    QCOMPARE(recordedArguments("arguments"),
             QStringList{(PingOutput::defaultArguments() + QStringList{"trade.example.net"}).join(' ')});
}

void TestLatencyProbe::timerProbesEveryThreeSeconds()
{
    const QString program = script("timer", kLinuxLoopback, 0);
    LatencyProbe probe;
    probe.setProgram(program, {});
    QCOMPARE(probe.latencyTimer()->interval(), 3000);
    QSignalSpy measured(&probe, &LatencyProbe::latencyMeasured);
    probe.setTarget("127.0.0.1");
    QElapsedTimer clock;
    clock.start();
    probe.start();
    QVERIFY(measured.wait(8000));
    const qint64 first = clock.elapsed();
    QVERIFY(measured.wait(8000));
    const qint64 second = clock.elapsed();
    QVERIFY2(first >= 2500 && first < 6000, qPrintable(QString::number(first)));
    QVERIFY2(second - first >= 2000 && second - first < 6000, qPrintable(QString::number(second - first)));
}

void TestLatencyProbe::tickIsSkippedWhileAProbeRuns()
{
    const QString program = script("busy", kLinuxLoopback, 0, 1.5);
    LatencyProbe probe;
    probe.setProgram(program, {});
    QSignalSpy measured(&probe, &LatencyProbe::latencyMeasured);
    probe.setTarget("127.0.0.1");
    probe.probe();
    QTRY_VERIFY_WITH_TIMEOUT(probe.pingProcess()->state() == QProcess::Running, 5000);
    probe.probe();
    probe.probe();
    QVERIFY(measured.wait(10000));
    QTest::qWait(300);
    QCOMPARE(measured.size(), 1);
    QCOMPARE(recordedArguments("busy").size(), 1);
}

void TestLatencyProbe::hungProbeIsStopped()
{
    const QString program = script("hung", kLinuxLoopback, 0, 60);
    LatencyProbe probe;
    probe.setProgram(program, {});
    QSignalSpy measured(&probe, &LatencyProbe::latencyMeasured);
    QSignalSpy unavailable(&probe, &LatencyProbe::latencyUnavailable);
    probe.setTarget("127.0.0.1");
    QElapsedTimer clock;
    clock.start();
    probe.probe();
    QVERIFY(unavailable.wait(15000));
    QVERIFY2(clock.elapsed() >= LatencyProbe::runLimitMs - 500, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(measured.size(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(probe.pingProcess()->state(), QProcess::NotRunning, 5000);
}

void TestLatencyProbe::oneOffProbeRunsInAProcessOfItsOwn()
{
    const QString program = script("oneoff", kLinuxLoopback, 0, 1);
    LatencyProbe probe;
    probe.setProgram(program, {});
    QSignalSpy measured(&probe, &LatencyProbe::latencyMeasured);
    probe.setTarget("127.0.0.1");
    probe.probe();
    QTRY_VERIFY_WITH_TIMEOUT(probe.pingProcess()->state() == QProcess::Running, 5000);
    probe.setTarget("127.0.0.1", true); // beside the running periodic probe
    QCOMPARE(probe.findChildren<QProcess *>().size(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(measured.size(), 2, 10000);
    QCOMPARE(recordedArguments("oneoff").size(), 2);
    // The one-off process is deleted once it has answered.
    QTRY_COMPARE_WITH_TIMEOUT(probe.findChildren<QProcess *>().size(), 1, 5000);
}

void TestLatencyProbe::replyForAnOldTargetIsDropped()
{
    const QString program = script("stale", kLinuxLoopback, 0, 1);
    LatencyProbe probe;
    probe.setProgram(program, {});
    QSignalSpy measured(&probe, &LatencyProbe::latencyMeasured);
    QSignalSpy unavailable(&probe, &LatencyProbe::latencyUnavailable);
    probe.setTarget("old.example.net");
    probe.probe();
    QTRY_VERIFY_WITH_TIMEOUT(probe.pingProcess()->state() == QProcess::Running, 5000);
    probe.setTarget("new.example.net");
    QTRY_COMPARE_WITH_TIMEOUT(probe.pingProcess()->state(), QProcess::NotRunning, 10000);
    QTest::qWait(100);
    QCOMPARE(measured.size() + unavailable.size(), 0);
    probe.probe();
    QVERIFY(measured.wait(10000));
    QVERIFY(recordedArguments("stale").last().endsWith("new.example.net"));
}

QTEST_MAIN(TestLatencyProbe)
#include "TestLatencyProbe.moc"
