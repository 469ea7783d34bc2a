#include "app/Client_Terminal.h"
#include "app/DpiScale.h"
#include "data/AccountPaths.h"
#include "net/TradeClient.h"
#include "support/Logger.h"

#include <QApplication>
#include <QDir>
#include <QScreen>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(AccountPaths::organisationName());
    QCoreApplication::setApplicationName(AccountPaths::applicationName());

    const double dpi =
        QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->logicalDotsPerInch() : 96.0;
    QFont font = QApplication::font();
    font.setPointSize(10);
    QApplication::setFont(font);
    QDir::setCurrent(QCoreApplication::applicationDirPath());

    // Lives until the process ends.
    auto *tradeClient = new TradeClient;

    int result = 0;
    {
        Client_Terminal window(tradeClient);
        applyDpiScale(&window, dpi / 96.0);
        window.refitTables();
        // Without a window manager (a bare X server) maximising does nothing; start at the screen's size.
        if (QScreen *screen = QGuiApplication::primaryScreen())
            window.setGeometry(screen->availableGeometry());
        window.showMaximized();
        result = app.exec();
    }
    tradeClient->shutdown();
    logger()->finish();
    return result;
}
