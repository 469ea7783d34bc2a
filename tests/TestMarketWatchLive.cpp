// The market watch of the real main window logged in to demo-server.
#include "TemporaryProfile.h"
#include "UiScript.h"
#include "tests/DemoServerProcess.h"

#include "accounts/LoginDialog.h"
#include "accounts/ShownSymbolsFile.h"
#include "app/Client_Terminal.h"
#include "app/MainWindowForm.h"
#include "app/MarketWatchPanel.h"
#include "data/AccountPaths.h"
#include "net/SessionFlags.h"
#include "net/TradeClient.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>

class TestMarketWatchLive : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void pricesFromTheServer();
    void investorLoginRefusesDoubleClick();

private:
    // A window that logs in to the demo server on its own, as a saved online account.
    void openWindow(const QString &password);

    TemporaryProfile profile;
    QTemporaryDir workDir;
    DemoServerProcess server;
    TradeClient *client = nullptr;
    Client_Terminal *window = nullptr;
};

void TestMarketWatchLive::initTestCase()
{
    QVERIFY(profile.isValid());
    qputenv("XDG_DATA_HOME", QByteArray(profile.home().toLocal8Bit() + "/share"));
    QCoreApplication::setOrganizationName(AccountPaths::organisationName());
    QCoreApplication::setApplicationName(AccountPaths::applicationName());
    QLocale::setDefault(QLocale::c());
    QVERIFY(workDir.isValid());
    QDir::setCurrent(workDir.path());
    // A zone that no default would give, so the time column shows it is the server's.
    QVERIFY2(server.start({"--timezone", "+03:30", "--tick-interval-ms", "100"}),
             qPrintable(server.errorOutput()));
    client = new TradeClient;
}

void TestMarketWatchLive::cleanup()
{
    client->logout();
    delete window;
    window = nullptr;
    SessionFlags::setInvestor(false);
}

void TestMarketWatchLive::openWindow(const QString &password)
{
    QVERIFY(profile.resetConfig());
    const QJsonObject account{{"account", "50001"},          {"server", server.tradeUrl().toString()},
                              {"server_name", "Demo"},       {"name", "Demo holder"},
                              {"master_password", password}, {"status", "online"}};
    QVERIFY(TemporaryProfile::writeConfigFile("ACCOUNTS", QJsonDocument(QJsonArray{account}).toJson()));
    window = new Client_Terminal(client);
    // The broker directory would list the server; the account folder is named after it.
    window->loginBox()->addServer("Demo", QStringLiteral("127.0.0.1:%1").arg(server.tradePort()));
    window->resize(1200, 800);
    window->show();
}

void TestMarketWatchLive::pricesFromTheServer()
{
    openWindow("Master1");
    QTableWidget *table = window->form()->symbolTableWidget;
    MarketWatchPanel *panel = window->marketWatch();
    QTRY_VERIFY_WITH_TIMEOUT(table->rowCount() >= 20, 20000);
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("EURUSD"));
    QCOMPARE(table->item(1, 0)->text(), QStringLiteral("GBPUSD"));
    QCOMPARE(panel->symbolList().size(), table->rowCount());

    // Prices arrive, each in its own row, with the server's digits and zone.
    QSignalSpy prices(window, &Client_Terminal::symbolPriceChanged);
    QVERIFY(prices.wait(10000));
    const int row = panel->rowOf("USDJPY");
    QVERIFY(row >= 0);
    QTRY_VERIFY_WITH_TIMEOUT(table->item(row, MarketWatchPanel::BidColumn)->text() != "0.000", 10000);
    const TickData last = window->symbolStore()->tick("USDJPY");
    QCOMPARE(table->item(row, MarketWatchPanel::BidColumn)->text(), QString::number(last.bid, 'f', 3));
    QCOMPARE(table->item(row, MarketWatchPanel::TimeColumn)->text(),
             TradeClient::formatTime(last.server_time, QTimeZone(3 * 3600 + 1800)));
    QCOMPARE(table->item(row, MarketWatchPanel::SpreadColumn)->text(),
             QString::number(MarketWatchPanel::spreadPoints(last.bid, last.ask, last.digits)));

    // The login saved every symbol as shown for the account.
    const QString folder = AccountPaths::accountFolder("Demo", 50001);
    QTRY_COMPARE_WITH_TIMEOUT(ShownSymbolsFile::read(folder), window->symbolStore()->allSymbols(), 5000);
}

void TestMarketWatchLive::investorLoginRefusesDoubleClick()
{
    openWindow("Invest1");
    QTableWidget *table = window->form()->symbolTableWidget;
    QTRY_VERIFY_WITH_TIMEOUT(table->rowCount() >= 20, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(window->windowTitle().endsWith(" [READ-ONLY MODE]"), 5000);
    QVERIFY(SessionFlags::investor());

    QSignalSpy orders(window->marketWatch(), &MarketWatchPanel::newOrderRequested);
    QString text;
    UiScript script;
    script.onModal([&](QWidget *widget) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        if (!box)
            return false;
        text = box->windowTitle() + '|' + box->text();
        box->button(QMessageBox::Ok)->click();
        return true;
    });
    const QRect cell = table->visualItemRect(table->item(1, 1));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QVERIFY(script.finished());
    QCOMPARE(text, QStringLiteral("Warning|Trade operations restricted in Read Only Mode."));
    QCOMPARE(orders.count(), 0);
}

QTEST_MAIN(TestMarketWatchLive)
#include "TestMarketWatchLive.moc"
