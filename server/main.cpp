#include "server/DemoServer.h"
#include "server/ServerLog.h"
#include "server/ServerOptions.h"
#include "server/SignalWatcher.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("demo-server"));
    ServerLog::install();

    ServerOptions options;
    const ServerOptions::Result parsed = ServerOptions::parse(app.arguments().mid(1), options);
    if (parsed.outcome == ServerOptions::Outcome::Help) {
        std::fputs(parsed.message.toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (parsed.outcome == ServerOptions::Outcome::Error) {
        std::fprintf(stderr, "demo-server: %s\n", parsed.message.toLocal8Bit().constData());
        return 2;
    }

    SignalWatcher watcher;
    DemoServer server(options);
    QObject::connect(&watcher, &SignalWatcher::stopSignalled, &app, &QCoreApplication::quit);
    QString error;
    if (!server.start(error)) {
        std::fprintf(stderr, "demo-server: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    const int code = app.exec();
    server.stop();
    return code;
}
