#include "server/ServerLog.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QtGlobal>
#include <mutex>
#include <unistd.h>

namespace {

std::mutex g_mutex;

void writeLine(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    const char *prefix = "";
    switch (type) {
    case QtWarningMsg:
        prefix = "warning: ";
        break;
    case QtCriticalMsg:
    case QtFatalMsg:
        prefix = "error: ";
        break;
    default:
        break;
    }
    const QByteArray line =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toLatin1() +
        "Z " + prefix + message.toLocal8Bit() + '\n';
    std::lock_guard<std::mutex> lock(g_mutex);
    const char *data = line.constData();
    qsizetype left = line.size();
    while (left > 0) {
        const ssize_t written = ::write(STDERR_FILENO, data, static_cast<size_t>(left));
        if (written <= 0)
            break;
        data += written;
        left -= written;
    }
    if (type == QtFatalMsg)
        abort();
}

} // namespace

void ServerLog::install()
{
    qInstallMessageHandler(writeLine);
}
