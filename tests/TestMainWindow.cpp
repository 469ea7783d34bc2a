#include "DemoServerProcess.h"
#include "ModalAnswerer.h"
#include "SilentWebSocketPeer.h"
#include "TemporaryProfile.h"

#include "accounts/LoginDialog.h"
#include "accounts/LoginFile.h"
#include "accounts/SavedAccountsFile.h"
#include "app/AccountTreePanel.h"
#include "app/Client_Terminal.h"
#include "app/ConnectionFlow.h"
#include "app/ConnectionStatusWidget.h"
#include "app/DpiScale.h"
#include "app/MainWindowForm.h"
#include "data/AccountPaths.h"
#include "net/SessionFlags.h"
#include "net/TradeClient.h"
#include "support/JournalWidget.h"

#include <QAction>
#include <QDockWidget>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QTreeWidget>
#include <QtTest>

namespace {

const QString kServerName = QStringLiteral("Zelvant Demo Server 2");

// One window over one connection; the window goes first, as at the end of the program.
struct Terminal
{
    Terminal() : client(new TradeClient), window(new Client_Terminal(client.get())) {}
    ~Terminal()
    {
        window.reset();
        client.reset();
    }
    QString status() const { return window->statusWidget()->statusText(); }
    LoginDialog *dialog() const { return window->loginBox(); }

    std::unique_ptr<TradeClient> client;
    std::unique_ptr<Client_Terminal> window;
};

QStringList headers(QTableWidget *table)
{
    QStringList labels;
    for (int i = 0; i < table->columnCount(); ++i)
        labels << table->horizontalHeaderItem(i)->text();
    return labels;
}

QJsonObject accountEntry(qint64 login, const QString &server, const QString &status,
                         const QString &password = QString())
{
    QJsonObject o{{"account", QString::number(login)},
                  {"server", server},
                  {"server_name", kServerName},
                  {"name", QStringLiteral("Trader %1").arg(login)},
                  {"status", status}};
    if (!password.isEmpty())
        o.insert("master_password", password);
    return o;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void frameObjectsAndTexts();
    void actionStates_data();
    void actionStates();
    void statusTexts_data();
    void statusTexts();
    void loginFromDialog();
    void wrongPasswordShowsBoxAndReopensDialog();
    void investorLoginIsReadOnly();
    void disabledGroupShowsAccountDisabled();
    void invalidParametersStartNothing();
    void loginTimesOutAgainstSilentPeer();
    void automaticLoginAtStart();
    void accountsFileUpsertAndOnlinePass();
    void corruptAccountsFileStillWorks();
    void accountTreeSwitchAndDelete();
    void lostConnectionShowsReconnectingOnce();
    void serverUrlForming_data();
    void serverUrlForming();
    void dpiScale_data();
    void dpiScale();

private:
    void loginWithDialog(Terminal &t, qint64 login, const QString &password);
    QString tradeAddress() const { return QStringLiteral("127.0.0.1:%1").arg(m_server.tradePort()); }
    QString tradeUrl() const { return QStringLiteral("ws://") + tradeAddress(); }

    TemporaryProfile m_profile;
    DemoServerProcess m_server;
    QTemporaryDir m_cwd;
};

void TestMainWindow::initTestCase()
{
    QVERIFY(m_profile.isValid());
    QCoreApplication::setOrganizationName(AccountPaths::organisationName());
    QCoreApplication::setApplicationName(AccountPaths::applicationName());
    QDir::setCurrent(m_cwd.path());
    QVERIFY2(m_server.start(), qPrintable(m_server.errorOutput()));
}

void TestMainWindow::init()
{
    QVERIFY(m_profile.resetConfig());
    SessionFlags::setAccountDisabled(false);
    SessionFlags::setInvestor(false);
}

void TestMainWindow::loginWithDialog(Terminal &t, qint64 login, const QString &password)
{
    t.dialog()->addServer(kServerName, tradeAddress());
    t.dialog()->setServerName(kServerName);
    t.dialog()->setLogin(login);
    t.dialog()->setPassword(password);
    t.dialog()->accept();
}

void TestMainWindow::frameObjectsAndTexts()
{
    Terminal t;
    Client_Terminal *w = t.window.get();
    QCOMPARE(w->objectName(), QStringLiteral("Client_Terminal"));
    QCOMPARE(w->windowTitle(), QStringLiteral("Corvane DERUVUR Client Terminal"));
    QVERIFY(w->findChild<QMdiArea *>("graphArea"));
    QCOMPARE(w->findChild<QMdiArea *>("graphArea")->viewMode(), QMdiArea::TabbedView);

    auto *toolbox = w->findChild<QDockWidget *>("toolboxDockWidget");
    QVERIFY(toolbox);
    QCOMPARE(toolbox->windowTitle(), QStringLiteral("Toolbox"));
    QCOMPARE(toolbox->features(), QDockWidget::NoDockWidgetFeatures);
    QCOMPARE(w->dockWidgetArea(toolbox), Qt::BottomDockWidgetArea);
    auto *market = w->findChild<QDockWidget *>("marketDockWidget");
    QCOMPARE(market->windowTitle(), QStringLiteral("Markets"));
    QCOMPARE(w->dockWidgetArea(market), Qt::RightDockWidgetArea);

    auto *bottomTabs = w->findChild<QTabWidget *>("tabWidget_3");
    QStringList tabs;
    for (int i = 0; i < bottomTabs->count(); ++i)
        tabs << bottomTabs->tabText(i);
    QCOMPARE(tabs, (QStringList{"Trade", "History", "Net Trade", "Journal"}));
    QVERIFY(qobject_cast<JournalWidget *>(bottomTabs->widget(3)));
    auto *marketTabs = w->findChild<QTabWidget *>("tabWidget");
    QCOMPARE(marketTabs->tabText(0), QStringLiteral("Symbols"));
    QCOMPARE(marketTabs->tabText(1), QStringLiteral("Accounts"));
    QCOMPARE(w->findChild<QLineEdit *>("txt_symbol")->placeholderText(), QStringLiteral("Search market"));

    const QList<QPair<const char *, QStringList>> tables = {
        {"symbolTableWidget", {"Symbol", "Bid", "Ask", "Spread", "High", "Low", "Time", "%H", "%L"}},
        {"tradeTableWidget",
         {"symbol", "ticket", "time", "type", "volume", "open Price", "S/L", "T/P", "current price", "swap",
          "profit"}},
        {"positionTableWidget",
         {"symbol", "ticket", "open time", "type", "volume", "s/l", "t/p", "price (open)", "price", "swap",
          "commission", "profit", "close time"}},
        {"orderTableWidget",
         {"symbol", "ticket", "time", "type", "volume", "s/l", "t/p", "price", "price", "state"}},
        {"dealTableWidget",
         {"symbol", "ticket", "order", "time", "type", "volume", "price", "swap", "commission", "profit",
          "comment"}},
        {"netTableWidget",
         {"Symbol", "Positions", "Buy Volume", "Buy Price Average", "Sell Volume", "Sell Price Average",
          "Net Volume", "Profit"}}};
    for (const auto &table : tables) {
        auto *widget = w->findChild<QTableWidget *>(table.first);
        QVERIFY2(widget, table.first);
        QCOMPARE(headers(widget), table.second);
        QCOMPARE(widget->rowCount(), 0);
        QVERIFY(!widget->verticalHeader()->isVisible());
        QCOMPARE(widget->selectionBehavior(), QAbstractItemView::SelectRows);
    }
    QVERIFY(w->findChild<QTableWidget *>("symbolTableWidget")->isColumnHidden(7));
    QVERIFY(w->findChild<QTableWidget *>("orderTableWidget")->isHidden());
    QVERIFY(w->findChild<QTableWidget *>("dealTableWidget")->isHidden());

    // Toolbars: order, titles and contents.
    QList<QToolBar *> bars;
    for (const char *name :
         {"cursorsToolBar", "timeframeToolBar", "tradeToolBar", "connectionToolBar", "chartStyleToolBar"})
        bars << w->findChild<QToolBar *>(name);
    QStringList titles;
    for (QToolBar *bar : bars) {
        QVERIFY(bar);
        QCOMPARE(w->toolBarArea(bar), Qt::TopToolBarArea);
        titles << bar->windowTitle();
    }
    QCOMPARE(titles, (QStringList{"toolBar", "toolBar_2", "toolBar_3", "toolBar", "toolBar"}));
    QStringList connectionTexts;
    for (QAction *a : bars[3]->actions())
        connectionTexts << a->text();
    QCOMPARE(connectionTexts, (QStringList{"Connect", "Disconnect", "Open Demo", "Change Password", "Charts",
                                           "Copy Trading"}));
    QCOMPARE(bars[3]->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
    for (const char *button : {"defaultColorsButton", "copyTradingButton", "calendarButton"})
        QVERIFY(w->findChild<QPushButton *>(button));

    QStringList menus;
    for (QAction *a : w->menuBar()->actions())
        menus << a->text();
    QCOMPARE(menus, (QStringList{"&File", "&View", "&Tools", "&Window", "&Help"}));

    // Status bar: "disconnected" until something happens.
    QCOMPARE(t.status(), QStringLiteral("disconnected"));
    QVERIFY(w->findChild<QLabel *>("statusIcon"));
    QVERIFY(w->findChild<QLabel *>("latencyLabel"));

    // Exit closes the window; Tile and Cascade act on sub-windows only.
    w->show();
    w->findChild<QAction *>("actionExit")->trigger();
    QVERIFY(!w->isVisible());
}

void TestMainWindow::actionStates_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shortcut");
    QTest::addColumn<bool>("checkable");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("hasIcon");
    QTest::newRow("connect to trade server") << "actionLogin_to_Trade_Account"
                                             << "Connect to Trade server"
                                             << "" << false << true << true;
    QTest::newRow("new order") << "actionNew_Order"
                               << "New Order"
                               << "F9" << false << true << true;
    QTest::newRow("cursor") << "actionCursor"
                            << "Cursor"
                            << "" << true << true << true;
    QTest::newRow("fibonacci") << "actionFibonacciRetracement"
                               << "Fibonacci Retracement"
                               << "" << true << true << true;
    QTest::newRow("M1") << "actionM1"
                        << "M1"
                        << "" << true << true << false;
    QTest::newRow("MN") << "actionMN"
                        << "MN"
                        << "" << true << true << false;
    QTest::newRow("zoom in") << "actionZoomIn"
                             << "ZOOMIN"
                             << "" << false << true << true;
    QTest::newRow("change password waits for login") << "actionChangePassword"
                                                     << "Change Password"
                                                     << "" << false << false << true;
    QTest::newRow("charts hidden") << "actionChartView"
                                   << "Charts"
                                   << "" << false << false << true;
    QTest::newRow("bar chart") << "actionBar_Chart"
                               << "Bar Chart"
                               << "Alt+1" << false << true << true;
    QTest::newRow("candlesticks") << "actionCandlesticks"
                                  << "Candlesticks"
                                  << "Alt+2" << false << true << true;
}

void TestMainWindow::actionStates()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, shortcut);
    QFETCH(bool, checkable);
    QFETCH(bool, enabled);
    QFETCH(bool, hasIcon);
    Terminal t;
    auto *action = t.window->findChild<QAction *>(name);
    QVERIFY2(action, qPrintable(name));
    QCOMPARE(action->text(), text);
    QCOMPARE(action->shortcut().toString(), shortcut);
    QCOMPARE(action->isCheckable(), checkable);
    QCOMPARE(action->isEnabled(), enabled);
    QCOMPARE(!action->icon().isNull(), hasIcon);
}

void TestMainWindow::statusTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<QString>("icon");
    QTest::newRow("connected") << "connected" << ConnectionStatusWidget::darkGreen
                               << ":/icon/Finalconnect.png";
    QTest::newRow("disconnected") << "disconnected" << ConnectionStatusWidget::red
                                  << ":/icon/finaldisconnect.png";
    QTest::newRow("login failed") << "Login Failed" << ConnectionStatusWidget::red
                                  << ":/icon/finaldisconnect.png";
    QTest::newRow("login timeout") << "Login Timeout" << ConnectionStatusWidget::red
                                   << ":/icon/finaldisconnect.png";
    QTest::newRow("connecting has no icon") << "Connecting..." << ConnectionStatusWidget::blue << "";
    QTest::newRow("reconnecting has no icon") << "reconnecting..." << ConnectionStatusWidget::orange << "";
}

void TestMainWindow::statusTexts()
{
    QFETCH(QString, text);
    QFETCH(QColor, colour);
    QFETCH(QString, icon);
    QCOMPARE(ConnectionStatusWidget::iconFor(text), icon);
    ConnectionStatusWidget widget;
    widget.setConnectionStatus(text, colour);
    QCOMPARE(widget.statusText(), text);
    QVERIFY(widget.textLabel()->styleSheet().contains(colour.name()));
    QCOMPARE(!widget.iconLabel()->pixmap(Qt::ReturnByValue).isNull(), !icon.isEmpty());

    // While the account is disabled every status shows "Disabled" in grey, without icon.
    SessionFlags::setAccountDisabled(true);
    widget.setConnectionStatus(text, colour);
    QCOMPARE(widget.statusText(), QStringLiteral("Disabled"));
    QVERIFY(widget.textLabel()->styleSheet().contains("#808080"));
    QVERIFY(widget.iconLabel()->isHidden());
    SessionFlags::setAccountDisabled(false);
}

void TestMainWindow::loginFromDialog()
{
    Terminal t;
    loginWithDialog(t, 50001, "Master1");
    QTRY_COMPARE_WITH_TIMEOUT(t.status(), QStringLiteral("connected"), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(t.window->windowTitle().endsWith(QStringLiteral("(50001, %1)").arg(kServerName)),
                             10000);
    QVERIFY(!t.window->windowTitle().contains("READ-ONLY"));
    QVERIFY(t.window->form()->actionChangePassword->isEnabled());
    QVERIFY(!t.window->form()->actionConnect->isEnabled());
    QVERIFY(t.window->form()->actionDisconnect->isEnabled());
    QCOMPARE(t.window->connectionFlow()->login(), qint64(50001));

    // The session files: login line with the password used, symbols, layout.
    const QString folder = AccountPaths::accountFolder(kServerName, 50001);
    const auto login = LoginFile::read(folder);
    QVERIFY(login.has_value());
    QCOMPARE(login->password, QStringLiteral("Master1"));
    QCOMPARE(login->serverAddress, tradeUrl());
    QVERIFY(QFile::exists(folder + "/layout"));

    t.window->disconnectToBroker();
    QCOMPARE(t.status(), QStringLiteral("disconnected"));
    QVERIFY(t.window->form()->actionConnect->isEnabled());
    QVERIFY(!t.window->form()->actionChangePassword->isEnabled());
}

void TestMainWindow::wrongPasswordShowsBoxAndReopensDialog()
{
    ModalAnswerer boxes;
    Terminal t;
    loginWithDialog(t, 50001, "wrong");
    QTRY_COMPARE_WITH_TIMEOUT(boxes.count(), 1, 10000);
    QCOMPARE(boxes.titles().first(), QStringLiteral("Login Failed"));
    QCOMPARE(
        boxes.texts().first(),
        QStringLiteral("Connecting to trade server failed. Please check your credentials and try again."));
    QCOMPARE(t.status(), QStringLiteral("Login Failed"));
    QTRY_VERIFY(t.dialog()->isVisible());
    QCOMPARE(t.window->statusWidget()->latencyLabel()->text(), QStringLiteral("--"));
    // No account was remembered.
    QVERIFY(SavedAccountsFile().read().isEmpty());
}

void TestMainWindow::investorLoginIsReadOnly()
{
    ModalAnswerer boxes;
    Terminal t;
    loginWithDialog(t, 50001, "Invest1");
    QTRY_VERIFY_WITH_TIMEOUT(t.window->windowTitle().endsWith(" [READ-ONLY MODE]"), 10000);
    QVERIFY(SessionFlags::investor());
    QVERIFY(!t.window->form()->actionChangePassword->isEnabled());
    t.window->form()->actionNew_Order->trigger();
    QTRY_COMPARE(boxes.count(), 1);
    QCOMPARE(boxes.titles().first(), QStringLiteral("Warning"));
    QCOMPARE(boxes.texts().first(), QStringLiteral("Trade operations restricted in Read Only Mode."));
    // The read-only password is remembered under its own key.
    const QJsonObject saved = SavedAccountsFile().read().first().toObject();
    QCOMPARE(saved.value("investor_password").toString(), QStringLiteral("Invest1"));
    QVERIFY(!saved.contains("master_password"));
}

void TestMainWindow::disabledGroupShowsAccountDisabled()
{
    ModalAnswerer boxes;
    Terminal t;
    loginWithDialog(t, 50002, "Master2");
    QTRY_COMPARE_WITH_TIMEOUT(boxes.count(), 1, 10000);
    QCOMPARE(boxes.titles().first(), QStringLiteral("Account Disabled"));
    QCOMPARE(boxes.texts().first(),
             QStringLiteral("This trading account's group is disabled. Trading is not allowed."));
    QCOMPARE(t.status(), QStringLiteral("Disabled"));
    QVERIFY(!t.window->form()->actionDisconnect->isEnabled());
    QTRY_VERIFY(!t.client->isRunning());
}

void TestMainWindow::invalidParametersStartNothing()
{
    Terminal t;
    t.dialog()->setLogin(0);
    t.dialog()->setPassword("x");
    t.window->connectToBroker();
    QCOMPARE(t.status(), QStringLiteral("Login Failed - Invalid Parameters"));
    QVERIFY(!t.window->connectionFlow()->loginTimeoutTimer()->isActive());
    QVERIFY(!t.client->isRunning());
}

void TestMainWindow::loginTimesOutAgainstSilentPeer()
{
    SilentWebSocketPeer peer; // completes the handshake, never answers the login
    Terminal t;
    t.window->connectionFlow()->setLoginTimeoutMs(1500);
    t.dialog()->addServer("Silent", peer.url().authority());
    t.dialog()->setServerName("Silent");
    t.dialog()->setLogin(50001);
    t.dialog()->setPassword("Master1");
    t.window->connectToBroker();
    QCOMPARE(t.status(), QStringLiteral("Connecting..."));
    QCOMPARE(t.window->connectionFlow()->pingTarget(), QStringLiteral("127.0.0.1"));
    QTRY_COMPARE_WITH_TIMEOUT(peer.connectionCount(), 1, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(t.status(), QStringLiteral("Login Timeout"), 5000);
    QCOMPARE(t.window->statusWidget()->latencyLabel()->text(), QStringLiteral("--"));
    QVERIFY(!t.client->isRunning());
}

void TestMainWindow::automaticLoginAtStart()
{
    QJsonArray accounts{accountEntry(50003, tradeUrl(), "offline", "Master3"),
                        accountEntry(50001, tradeUrl(), "online", "Master1")};
    QVERIFY(SavedAccountsFile().write(accounts));
    Terminal t;
    QTRY_VERIFY_WITH_TIMEOUT(t.client->isLoggedIn(), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(t.window->connectionFlow()->login(), qint64(50001), 10000);
    QTRY_VERIFY(t.window->windowTitle().endsWith(QStringLiteral("(50001, %1)").arg(kServerName)));
    QCOMPARE(t.client->url().toString(), tradeUrl());
    QCOMPARE(t.window->connectionFlow()->pingTarget(), QStringLiteral("127.0.0.1"));
}

void TestMainWindow::accountsFileUpsertAndOnlinePass()
{
    // The element marked online points nowhere, so the automatic login goes nowhere.
    QJsonObject other = accountEntry(50003, QStringLiteral("ws://127.0.0.1:1"), "online", "Master3");
    other.insert("extra", "kept");
    QJsonObject mine = accountEntry(50001, tradeUrl(), "offline");
    mine.insert("name", "Old name");
    QVERIFY(SavedAccountsFile().write(QJsonArray{other, mine}));
    {
        Terminal t;
        QTRY_VERIFY(t.client->isRunning()); // the automatic attempt has begun
        loginWithDialog(t, 50001, "Master1");
        QTRY_VERIFY_WITH_TIMEOUT(t.client->isLoggedIn(), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(t.window->connectionFlow()->login(), qint64(50001), 10000);
    }
    const QJsonArray saved = SavedAccountsFile().read();
    QCOMPARE(saved.size(), 2);
    const QJsonObject first = saved[0].toObject();
    const QJsonObject second = saved[1].toObject();
    QCOMPARE(first.value("status").toString(), QStringLiteral("offline"));
    QCOMPARE(first.value("extra").toString(), QStringLiteral("kept"));
    QCOMPARE(second.value("status").toString(), QStringLiteral("online"));
    QCOMPARE(second.value("master_password").toString(), QStringLiteral("Master1"));
    QCOMPARE(second.value("name").toString(), QStringLiteral("Old name")); // other keys stay
    QCOMPARE(QFile(SavedAccountsFile::defaultPath()).permissions() & (QFile::ReadOther | QFile::ReadGroup),
             QFileDevice::Permissions());
}

void TestMainWindow::corruptAccountsFileStillWorks()
{
    QVERIFY(TemporaryProfile::writeConfigFile("ACCOUNTS", "{\"account\": [not json"));
    Terminal t;
    QTest::qWait(200);
    QVERIFY(!t.client->isRunning()); // nothing to log in to automatically
    loginWithDialog(t, 50001, "Master1");
    QTRY_COMPARE_WITH_TIMEOUT(t.window->connectionFlow()->login(), qint64(50001), 10000);
    QTRY_COMPARE(SavedAccountsFile().read().size(), 1);
}

void TestMainWindow::accountTreeSwitchAndDelete()
{
    // Two remembered accounts: 50001 (online) and 50003.
    QVERIFY(SavedAccountsFile().write(QJsonArray{accountEntry(50001, tradeUrl(), "online", "Master1"),
                                                 accountEntry(50003, tradeUrl(), "offline", "Master3")}));
    QVERIFY(LoginFile::write(AccountPaths::accountFolder(kServerName, 50001), 50001, "Master1", tradeUrl()));
    QVERIFY(LoginFile::write(AccountPaths::accountFolder(kServerName, 50003), 50003, "Master3", tradeUrl()));
    Terminal t;
    t.dialog()->addServer(kServerName, tradeAddress()); // what the broker directory does
    QTRY_COMPARE_WITH_TIMEOUT(t.window->connectionFlow()->login(), qint64(50001), 10000);
    QTRY_VERIFY(t.client->isLoggedIn());

    QTreeWidget *tree = t.window->form()->accountTreeWidget;
    QCOMPARE(tree->headerItem()->text(0), QStringLiteral("Logins"));
    QCOMPARE(tree->topLevelItemCount(), 1);
    QTreeWidgetItem *server = tree->topLevelItem(0);
    QCOMPARE(server->text(0), kServerName);
    QCOMPARE(server->childCount(), 2);
    QTreeWidgetItem *current = server->child(0);
    QVERIFY(current->text(0).startsWith("50001 - "));
    QVERIFY(!current->icon(0).isNull());
    QCOMPARE(server->child(1)->foreground(0).color(), QColor(0xc0, 0xc0, 0xc0));

    // A server item switches nothing. (The tree is rebuilt as the session goes on:
    // items are looked up again after every wait.)
    emit tree->itemDoubleClicked(server, 0);
    QTest::qWait(200);
    QCOMPARE(t.window->connectionFlow()->login(), qint64(50001));

    // Double click on the other login switches to it.
    emit tree->itemDoubleClicked(tree->topLevelItem(0)->child(1), 0);
    QTRY_COMPARE_WITH_TIMEOUT(t.window->connectionFlow()->login(), qint64(50003), 10000);
    QTRY_VERIFY(t.window->windowTitle().contains("(50003, "));

    // Reloading often still gives one switch per double click.
    for (int i = 0; i < 3; ++i)
        t.window->connectionFlow()->loadAccountTree();
    QCOMPARE(tree->topLevelItem(0)->childCount(), 2);

    // Delete 50001, answering Yes.
    ModalAnswerer boxes(QMessageBox::Yes);
    QTreeWidgetItem *first = tree->topLevelItem(0)->child(0);
    QVERIFY(first->text(0).startsWith("50001"));
    AccountTreePanel *panel = t.window->findChild<AccountTreePanel *>();
    QVERIFY(panel);
    panel->deleteSavedAccount(first);
    QCOMPARE(boxes.titles(), QStringList{"Delete Account"});
    QCOMPARE(tree->topLevelItem(0)->childCount(), 1);
    QVERIFY(!QDir(AccountPaths::accountFolder(kServerName, 50001)).exists());
}

void TestMainWindow::lostConnectionShowsReconnectingOnce()
{
    Terminal t;
    loginWithDialog(t, 50001, "Master1");
    QTRY_VERIFY_WITH_TIMEOUT(t.client->isLoggedIn(), 10000);
    QTRY_COMPARE(t.window->connectionFlow()->login(), qint64(50001));
    // Two disconnect notices in a row: "reconnecting..." is shown once and stays.
    t.window->connectionFlow()->onWebsocketDisconnectedNotice();
    QCOMPARE(t.status(), QStringLiteral("reconnecting..."));
    QVERIFY(t.window->connectionFlow()->reconnectNoticeShown());
    t.window->statusWidget()->setConnectionStatus("something else", Qt::black);
    t.window->connectionFlow()->onWebsocketDisconnectedNotice();
    QCOMPARE(t.status(), QStringLiteral("something else"));
    t.window->connectionFlow()->onWebsocketConnected();
    QCOMPARE(t.status(), QStringLiteral("connected"));
    QVERIFY(!t.window->connectionFlow()->reconnectNoticeShown());
}

void TestMainWindow::serverUrlForming_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("host");
    QTest::newRow("bare host gets the trade port") << "trade.example.com"
                                                   << "ws://trade.example.com:9001"
                                                   << "trade.example.com";
    QTest::newRow("host and port") << "10.0.0.5:9101"
                                   << "ws://10.0.0.5:9101"
                                   << "10.0.0.5";
}

void TestMainWindow::serverUrlForming()
{
    QFETCH(QString, address);
    QFETCH(QString, url);
    QFETCH(QString, host);
    QCOMPARE(ConnectionFlow::serverUrlFor(address), url);
    QCOMPARE(ConnectionFlow::hostOf(address), host);
    QCOMPARE(ConnectionFlow::hostOf(url), host);
}

void TestMainWindow::dpiScale_data()
{
    QTest::addColumn<double>("factor");
    QTest::addColumn<QSize>("parentSize");
    QTest::addColumn<QSize>("childSize");
    QTest::newRow("96 dpi keeps sizes") << 1.0 << QSize(500, 300) << QSize(200, 100);
    QTest::newRow("120 dpi shrinks each widget once to 80 %") << 1.25 << QSize(400, 240) << QSize(160, 80);
}

void TestMainWindow::dpiScale()
{
    QFETCH(double, factor);
    QFETCH(QSize, parentSize);
    QFETCH(QSize, childSize);
    QWidget parent;
    parent.resize(500, 300);
    auto *child = new QLabel(&parent);
    child->resize(200, 100);
    QFont small = child->font();
    small.setPointSize(7);
    child->setFont(small);
    applyDpiScale(&parent, factor);
    QCOMPARE(parent.size(), parentSize);
    QCOMPARE(child->size(), childSize);
    QCOMPARE(child->font().pointSizeF(), 10.0);
    QCOMPARE(parent.font().pointSizeF(), 10.0);
}

QTEST_MAIN(TestMainWindow)
#include "TestMainWindow.moc"
