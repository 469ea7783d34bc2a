#include "app/MainWindowForm.h"

#include "app/TableSetup.h"

#include <QAction>
#include <QActionGroup>
#include <QDockWidget>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const char *kToolbarButtonStyle =
    "QPushButton {border: none;background-color: transparent;padding: 5px 10px;font-family: 'Segoe UI';"
    "font-size: 12px;font-weight: 500;}QPushButton:hover {background-color: rgba(33, 150, 243, 0.1);"
    "border-radius: 3px;}QPushButton:pressed {background-color: rgba(33, 150, 243, 0.2);}";

QAction *makeAction(QMainWindow *window, const char *name, const QString &icon = QString())
{
    auto *action = new QAction(window);
    action->setObjectName(QLatin1String(name));
    if (!icon.isEmpty())
        action->setIcon(QIcon(QStringLiteral(":/icon/") + icon));
    return action;
}

QTableWidget *makeTable(QWidget *parent, const char *name)
{
    auto *table = new QTableWidget(parent);
    table->setObjectName(QLatin1String(name));
    return table;
}

QToolBar *makeToolBar(QMainWindow *window, const char *name, const char *title)
{
    auto *bar = new QToolBar(window);
    bar->setObjectName(QLatin1String(name));
    bar->setWindowTitle(QLatin1String(title));
    window->addToolBar(Qt::TopToolBarArea, bar);
    return bar;
}

QPushButton *makeToolbarButton(QWidget *parent, const char *name)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setStyleSheet(QLatin1String(kToolbarButtonStyle));
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

} // namespace

QList<QAction *> MainWindowForm::timeframeActions() const
{
    return {actionM1, actionM5, actionM15, actionM30, actionH1, actionH4, actionD1, actionW1, actionMN};
}

QList<int> MainWindowForm::timeframeMinutes()
{
    return {1, 5, 15, 30, 60, 240, 1440, 10080, 40000};
}

void MainWindowForm::setupUi(QMainWindow *window)
{
    window->setObjectName(QStringLiteral("Client_Terminal"));
    window->resize(1248, 818);

    // Actions.
    actionLogin_to_Trade_Account = makeAction(window, "actionLogin_to_Trade_Account", "connected-green.png");
    actionExit = makeAction(window, "actionExit", "logout.png");
    actionNew_Order = makeAction(window, "actionNew_Order", "new-order.png");
    actionNew_Order->setShortcut(QKeySequence(Qt::Key_F9));
    // Each picture shows what its name says, so tiling gets the tile picture.
    actionTile_Windows = makeAction(window, "actionTile_Windows", "wnd_title.png");
    actionCascade = makeAction(window, "actionCascade", "wnd_cascade.png");
    actionAbout = makeAction(window, "actionAbout");
    actionCursor = makeAction(window, "actionCursor", "cursor.png");
    actionCrosshair = makeAction(window, "actionCrosshair", "crosshair.png");
    actionVertical_Line = makeAction(window, "actionVertical_Line", "vline.png");
    actionHorizontal_Line = makeAction(window, "actionHorizontal_Line", "hline.png");
    actionTrendline = makeAction(window, "actionTrendline", "trend line.png");
    actionFibonacciRetracement = makeAction(window, "actionFibonacciRetracement", "fr.png");
    for (QAction *a : {actionCursor, actionCrosshair, actionVertical_Line, actionHorizontal_Line,
                       actionTrendline, actionFibonacciRetracement})
        a->setCheckable(true);
    actionCursor->setChecked(true);
    actionM1 = makeAction(window, "actionM1");
    actionM5 = makeAction(window, "actionM5");
    actionM15 = makeAction(window, "actionM15");
    actionM30 = makeAction(window, "actionM30");
    actionH1 = makeAction(window, "actionH1");
    actionH4 = makeAction(window, "actionH4");
    actionD1 = makeAction(window, "actionD1");
    actionW1 = makeAction(window, "actionW1");
    actionMN = makeAction(window, "actionMN");
    for (QAction *a : timeframeActions())
        a->setCheckable(true);
    actionZoomIn = makeAction(window, "actionZoomIn", "zoom-in.png");
    actionZoomOut = makeAction(window, "actionZoomOut", "zoom-out.png");
    actionConnect = makeAction(window, "actionConnect", "connect.png");
    actionDisconnect = makeAction(window, "actionDisconnect", "disconnect.png");
    actionOpenDemo = makeAction(window, "actionOpenDemo", "opendemo.png");
    actionChangePassword = makeAction(window, "actionChangePassword", "change_password.png");
    actionChangePassword->setEnabled(false);
    actionRefreshBrokerList = makeAction(window, "actionRefreshBrokerList");
    actionRefreshBrokerList->setShortcut(QKeySequence(Qt::Key_F5));
    actionToggleSuspensionDetection = makeAction(window, "actionToggleSuspensionDetection");
    actionToggleSuspensionDetection->setCheckable(true);
    actionToggleSuspensionDetection->setChecked(true);
    actionChartView = makeAction(window, "actionChartView", "chart.png");
    actionChartView->setEnabled(false);
    actionChartView->setVisible(false);
    actionCopyTrading = makeAction(window, "actionCopyTrading", "copy_trade.png");
    actionCopyTrading->setEnabled(false);
    actionCopyTrading->setVisible(false);
    actionBar_Chart = makeAction(window, "actionBar_Chart", "ohlc.png");
    actionBar_Chart->setShortcut(QKeySequence(Qt::ALT | Qt::Key_1));
    actionCandlesticks = makeAction(window, "actionCandlesticks", "candlestick.png");
    actionCandlesticks->setShortcut(QKeySequence(Qt::ALT | Qt::Key_2));

    drawingToolGroup = new QActionGroup(window);
    drawingToolGroup->setObjectName(QStringLiteral("drawingToolGroup"));
    for (QAction *a : {actionCursor, actionCrosshair, actionHorizontal_Line, actionVertical_Line,
                       actionTrendline, actionFibonacciRetracement})
        drawingToolGroup->addAction(a);
    drawingToolGroup->setExclusive(true);
    timeframeGroup = new QActionGroup(window);
    timeframeGroup->setObjectName(QStringLiteral("timeframeGroup"));
    for (QAction *a : timeframeActions())
        timeframeGroup->addAction(a);
    timeframeGroup->setExclusive(true);

    // Central MDI area, one tabbed sub-window per chart.
    centralwidget = new QWidget(window);
    centralwidget->setObjectName(QStringLiteral("centralwidget"));
    auto *centralLayout = new QVBoxLayout(centralwidget);
    centralLayout->setContentsMargins(0, 0, 0, 0);
    graphArea = new QMdiArea(centralwidget);
    graphArea->setObjectName(QStringLiteral("graphArea"));
    graphArea->setViewMode(QMdiArea::TabbedView);
    graphArea->setTabPosition(QTabWidget::South);
    graphArea->setTabsMovable(true);
    graphArea->setDocumentMode(true);
    centralLayout->addWidget(graphArea);
    window->setCentralWidget(centralwidget);

    // Toolbox dock: trade, history, net positions (and the journal, added by the window).
    toolboxDockWidget = new QDockWidget(window);
    toolboxDockWidget->setObjectName(QStringLiteral("toolboxDockWidget"));
    toolboxDockWidget->setMinimumSize(1090, 139);
    QFont dockFont = toolboxDockWidget->font();
    dockFont.setPointSize(8);
    toolboxDockWidget->setFont(dockFont);
    toolboxDockWidget->setFloating(false);
    toolboxDockWidget->setFeatures(QDockWidget::NoDockWidgetFeatures);
    tabWidget_3 = new QTabWidget(toolboxDockWidget);
    tabWidget_3->setObjectName(QStringLiteral("tabWidget_3"));
    tabWidget_3->setTabPosition(QTabWidget::North);
    tabWidget_3->setTabsClosable(false);
    tabWidget_3->setDocumentMode(true);

    tradeTab = new QWidget;
    tradeTab->setObjectName(QStringLiteral("tradeTab"));
    auto *tradeLayout = new QVBoxLayout(tradeTab);
    tradeLayout->setContentsMargins(0, 0, 0, 0);
    tradeTableWidget = makeTable(tradeTab, "tradeTableWidget");
    tradeTableWidget->setStyleSheet(QStringLiteral("background-color: #FFFFFF;"));
    tradeLayout->addWidget(tradeTableWidget);

    historyTab = new QWidget;
    historyTab->setObjectName(QStringLiteral("historyTab"));
    auto *historyLayout = new QHBoxLayout(historyTab);
    historyLayout->setContentsMargins(0, 0, 0, 0);
    historyLayout->setSpacing(2);
    positionTableWidget = makeTable(historyTab, "positionTableWidget");
    orderTableWidget = makeTable(historyTab, "orderTableWidget");
    dealTableWidget = makeTable(historyTab, "dealTableWidget");
    historyLayout->addWidget(positionTableWidget);
    historyLayout->addWidget(orderTableWidget);
    historyLayout->addWidget(dealTableWidget);
    orderTableWidget->hide();
    dealTableWidget->hide();

    netTab = new QWidget;
    netTab->setObjectName(QStringLiteral("netTab"));
    auto *netLayout = new QVBoxLayout(netTab);
    netLayout->setContentsMargins(0, 0, 0, 0);
    netTableWidget = makeTable(netTab, "netTableWidget");
    netLayout->addWidget(netTableWidget);

    tabWidget_3->addTab(tradeTab, QString());
    tabWidget_3->addTab(historyTab, QString());
    tabWidget_3->addTab(netTab, QString());
    tabWidget_3->setCurrentIndex(0);
    toolboxDockWidget->setWidget(tabWidget_3);
    window->addDockWidget(Qt::BottomDockWidgetArea, toolboxDockWidget);

    // Markets dock: search box, symbols and saved accounts.
    marketDockWidget = new QDockWidget(window);
    marketDockWidget->setObjectName(QStringLiteral("marketDockWidget"));
    auto *marketContents = new QWidget(marketDockWidget);
    marketContents->setObjectName(QStringLiteral("marketDockContents"));
    auto *marketLayout = new QVBoxLayout(marketContents);
    marketLayout->setContentsMargins(2, 2, 2, 2);
    marketLayout->setSpacing(2);
    txt_symbol = new QLineEdit(marketContents);
    txt_symbol->setObjectName(QStringLiteral("txt_symbol"));
    txt_symbol->setClearButtonEnabled(true);
    marketLayout->addWidget(txt_symbol);
    tabWidget = new QTabWidget(marketContents);
    tabWidget->setObjectName(QStringLiteral("tabWidget"));
    tabWidget->setDocumentMode(true);
    symbolsTab = new QWidget;
    symbolsTab->setObjectName(QStringLiteral("symbolsTab"));
    auto *symbolsLayout = new QVBoxLayout(symbolsTab);
    symbolsLayout->setContentsMargins(0, 0, 0, 0);
    symbolTableWidget = makeTable(symbolsTab, "symbolTableWidget");
    symbolsLayout->addWidget(symbolTableWidget);
    accountsTab = new QWidget;
    accountsTab->setObjectName(QStringLiteral("accountsTab"));
    auto *accountsLayout = new QVBoxLayout(accountsTab);
    accountsLayout->setContentsMargins(0, 0, 0, 0);
    accountTreeWidget = new QTreeWidget(accountsTab);
    accountTreeWidget->setObjectName(QStringLiteral("accountTreeWidget"));
    accountsLayout->addWidget(accountTreeWidget);
    tabWidget->addTab(symbolsTab, QString());
    tabWidget->addTab(accountsTab, QString());
    tabWidget->setCurrentIndex(0);
    marketLayout->addWidget(tabWidget);
    marketDockWidget->setWidget(marketContents);
    window->addDockWidget(Qt::RightDockWidgetArea, marketDockWidget);

    // Toolbars, all at the top, in this order.
    cursorsToolBar = makeToolBar(window, "cursorsToolBar", "toolBar");
    cursorsToolBar->addAction(actionCursor);
    cursorsToolBar->addAction(actionCrosshair);
    cursorsToolBar->addSeparator();
    cursorsToolBar->addAction(actionVertical_Line);
    cursorsToolBar->addAction(actionHorizontal_Line);
    cursorsToolBar->addAction(actionTrendline);
    cursorsToolBar->addAction(actionFibonacciRetracement);
    defaultColorsButton = makeToolbarButton(cursorsToolBar, "defaultColorsButton");
    cursorsToolBar->addWidget(defaultColorsButton);

    timeframeToolBar = makeToolBar(window, "timeframeToolBar", "toolBar_2");
    timeframeToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    for (QAction *a : timeframeActions())
        timeframeToolBar->addAction(a);
    auto *spacer = new QWidget(timeframeToolBar);
    spacer->setObjectName(QStringLiteral("timeframeSpacer"));
    spacer->setFixedWidth(10);
    timeframeToolBar->addWidget(spacer);
    copyTradingButton = makeToolbarButton(timeframeToolBar, "copyTradingButton");
    calendarButton = makeToolbarButton(timeframeToolBar, "calendarButton");
    timeframeToolBar->addWidget(copyTradingButton);
    timeframeToolBar->addWidget(calendarButton);

    tradeToolBar = makeToolBar(window, "tradeToolBar", "toolBar_3");
    tradeToolBar->addAction(actionNew_Order);
    tradeToolBar->addAction(actionZoomIn);
    tradeToolBar->addAction(actionZoomOut);
    tradeToolBar->addAction(actionTile_Windows);
    tradeToolBar->addAction(actionCascade);

    connectionToolBar = makeToolBar(window, "connectionToolBar", "toolBar");
    connectionToolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    for (QAction *a : {actionConnect, actionDisconnect, actionOpenDemo, actionChangePassword, actionChartView,
                       actionCopyTrading})
        connectionToolBar->addAction(a);

    chartStyleToolBar = makeToolBar(window, "chartStyleToolBar", "toolBar");
    chartStyleToolBar->addAction(actionBar_Chart);
    chartStyleToolBar->addAction(actionCandlesticks);

    // Menus.
    menubar = new QMenuBar(window);
    menubar->setObjectName(QStringLiteral("menubar"));
    menuFile = new QMenu(menubar);
    menuFile->setObjectName(QStringLiteral("menuFile"));
    menuView = new QMenu(menubar);
    menuView->setObjectName(QStringLiteral("menuView"));
    menuTools = new QMenu(menubar);
    menuTools->setObjectName(QStringLiteral("menuTools"));
    menuWindow = new QMenu(menubar);
    menuWindow->setObjectName(QStringLiteral("menuWindow"));
    menuHelp = new QMenu(menubar);
    menuHelp->setObjectName(QStringLiteral("menuHelp"));
    menubar->addAction(menuFile->menuAction());
    menubar->addAction(menuView->menuAction());
    menubar->addAction(menuTools->menuAction());
    menubar->addAction(menuWindow->menuAction());
    menubar->addAction(menuHelp->menuAction());
    menuFile->addSeparator();
    menuFile->addAction(actionLogin_to_Trade_Account);
    menuFile->addAction(actionExit);
    menuTools->addAction(actionNew_Order);
    menuTools->addSeparator();
    menuWindow->addAction(actionTile_Windows);
    menuWindow->addAction(actionCascade);
    menuHelp->addAction(actionAbout);
    window->setMenuBar(menubar);

    statusbar = new QStatusBar(window);
    statusbar->setObjectName(QStringLiteral("statusbar"));
    window->setStatusBar(statusbar);

    // Tables: headers and the common set-up.
    setupWindowTable(symbolTableWidget,
                     {"Symbol", "Bid", "Ask", "Spread", "High", "Low", "Time", "%H", "%L"});
    symbolTableWidget->setColumnHidden(7, true);
    symbolTableWidget->setColumnHidden(8, true);
    symbolTableWidget->setEditTriggers(QAbstractItemView::NoEditTriggers);
    symbolTableWidget->setDragEnabled(true);
    setupWindowTable(tradeTableWidget, {"symbol", "ticket", "time", "type", "volume", "open Price", "S/L",
                                        "T/P", "current price", "swap", "profit"});
    setupWindowTable(positionTableWidget,
                     {"symbol", "ticket", "open time", "type", "volume", "s/l", "t/p", "price (open)",
                      "price", "swap", "commission", "profit", "close time"});
    setupWindowTable(orderTableWidget,
                     {"symbol", "ticket", "time", "type", "volume", "s/l", "t/p", "price", "price", "state"});
    setupWindowTable(dealTableWidget, {"symbol", "ticket", "order", "time", "type", "volume", "price", "swap",
                                       "commission", "profit", "comment"});
    setupWindowTable(netTableWidget, {"Symbol", "Positions", "Buy Volume", "Buy Price Average", "Sell Volume",
                                      "Sell Price Average", "Net Volume", "Profit"});
    netTableWidget->verticalHeader()->setDefaultSectionSize(21);
    for (QTableWidget *t :
         {symbolTableWidget, tradeTableWidget, positionTableWidget, orderTableWidget, dealTableWidget})
        t->setContextMenuPolicy(Qt::CustomContextMenu);

    retranslateUi(window);
}

void MainWindowForm::retranslateUi(QMainWindow *window)
{
    Q_UNUSED(window);
    actionLogin_to_Trade_Account->setText(QMainWindow::tr("Connect to Trade server"));
    actionLogin_to_Trade_Account->setToolTip(QMainWindow::tr("Connect to Trade server"));
    actionExit->setText(QMainWindow::tr("Exit"));
    actionNew_Order->setText(QMainWindow::tr("New Order"));
    actionNew_Order->setToolTip(QMainWindow::tr("Place New Order"));
    actionTile_Windows->setText(QMainWindow::tr("Tile Windows"));
    actionCascade->setText(QMainWindow::tr("Cascade"));
    actionAbout->setText(QMainWindow::tr("About"));
    actionCursor->setText(QMainWindow::tr("Cursor"));
    actionCrosshair->setText(QMainWindow::tr("Crosshair"));
    actionVertical_Line->setText(QMainWindow::tr("Vertical Line"));
    actionHorizontal_Line->setText(QMainWindow::tr("Horizontal Line"));
    actionTrendline->setText(QMainWindow::tr("Trendline"));
    actionFibonacciRetracement->setText(QMainWindow::tr("Fibonacci Retracement"));
    const QStringList names = {"M1", "M5", "M15", "M30", "H1", "H4", "D1", "W1", "MN"};
    const QStringList tips = {
        QMainWindow::tr("1 Minute chart"), QMainWindow::tr("5 Minutes"), QMainWindow::tr("15 minutes chart"),
        QMainWindow::tr("30 Minutes"),     QMainWindow::tr("1 Hour"),    QMainWindow::tr("4 Hours"),
        QMainWindow::tr("Daily"),          QMainWindow::tr("Weekly"),    QMainWindow::tr("Monthly")};
    const QList<QAction *> frames = timeframeActions();
    for (int i = 0; i < frames.size(); ++i) {
        frames[i]->setText(names[i]);
        frames[i]->setToolTip(tips[i]);
    }
    actionZoomIn->setText(QMainWindow::tr("ZOOMIN"));
    actionZoomIn->setIconText(QMainWindow::tr("ZOOMIN"));
    actionZoomIn->setToolTip(QMainWindow::tr("Zoom In"));
    actionZoomOut->setText(QMainWindow::tr("ZOOMOUT"));
    actionZoomOut->setIconText(QMainWindow::tr("ZOOMOUT"));
    actionZoomOut->setToolTip(QMainWindow::tr("Zoom Out"));
    actionConnect->setText(QMainWindow::tr("Connect"));
    actionDisconnect->setText(QMainWindow::tr("Disconnect"));
    actionOpenDemo->setText(QMainWindow::tr("Open Demo"));
    actionChangePassword->setText(QMainWindow::tr("Change Password"));
    actionChartView->setText(QMainWindow::tr("Charts"));
    actionCopyTrading->setText(QMainWindow::tr("Copy Trading"));
    actionBar_Chart->setText(QMainWindow::tr("Bar Chart"));
    actionCandlesticks->setText(QMainWindow::tr("Candlesticks"));
    actionRefreshBrokerList->setText(QMainWindow::tr("Refresh Broker List"));
    actionToggleSuspensionDetection->setText(QMainWindow::tr("Toggle Suspension Detection"));

    defaultColorsButton->setText(QMainWindow::tr("Default Colors"));
    copyTradingButton->setText(QMainWindow::tr("Copy Trading"));
    calendarButton->setText(QMainWindow::tr("Calendar"));

    toolboxDockWidget->setWindowTitle(QMainWindow::tr("Toolbox"));
    marketDockWidget->setWindowTitle(QMainWindow::tr("Markets"));
    tabWidget_3->setTabText(tabWidget_3->indexOf(tradeTab), QMainWindow::tr("Trade"));
    tabWidget_3->setTabText(tabWidget_3->indexOf(historyTab), QMainWindow::tr("History"));
    tabWidget_3->setTabText(tabWidget_3->indexOf(netTab), QMainWindow::tr("Net Trade"));
    tabWidget->setTabText(tabWidget->indexOf(symbolsTab), QMainWindow::tr("Symbols"));
    tabWidget->setTabText(tabWidget->indexOf(accountsTab), QMainWindow::tr("Accounts"));
    txt_symbol->setPlaceholderText(QMainWindow::tr("Search market"));

    menuFile->setTitle(QMainWindow::tr("&File"));
    menuView->setTitle(QMainWindow::tr("&View"));
    menuTools->setTitle(QMainWindow::tr("&Tools"));
    menuWindow->setTitle(QMainWindow::tr("&Window"));
    menuHelp->setTitle(QMainWindow::tr("&Help"));
}
