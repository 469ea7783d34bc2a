#include "app/Client_Terminal.h"

#include "BuildConfig.h"
#include "accounts/ChangePasswordDlg.h"
#include "accounts/LoginDialog.h"
#include "accounts/OpenDemoDlg.h"
#include "app/AccountSession.h"
#include "app/AccountTreePanel.h"
#include "app/BrokerDirectoryMonitor.h"
#include "app/ConnectionFlow.h"
#include "app/ConnectionStatusWidget.h"
#include "app/LatencyProbe.h"
#include "app/MainWindowForm.h"
#include "app/MarketWatchPanel.h"
#include "app/SoundEffects.h"
#include "app/TableSetup.h"
#include "chart/ChartManager.h"
#include "data/PriceDataBuffer.h"
#include "net/SessionFlags.h"
#include "net/TradeClient.h"
#include "support/AboutDialog.h"
#include "support/JournalWidget.h"
#include "support/Logger.h"
#include "support/ProgramInfo.h"

#include <QAction>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDockWidget>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

Client_Terminal::Client_Terminal(TradeClient *tradeClient, QWidget *parent)
    : QMainWindow(parent), ui(new MainWindowForm), tradeClient(tradeClient)
{
    // 1. The form and the dialogs that the form's slots use.
    loginDialog = new LoginDialog(this);
    aboutDialog = new AboutDialog(this);
    ui->setupUi(this);

    // 2. Ticks: the worker hands them to the buffer, which batches them every 100 ms.
    priceBuffer = new PriceDataBuffer(this);
    priceBuffer->setInterval(100);
    connect(tradeClient, &TradeClient::websocketConnected, priceBuffer, &PriceDataBuffer::beginTimer);
    connect(tradeClient, &TradeClient::websocketDisconnected, priceBuffer, &PriceDataBuffer::endTimer);
    tradeClient->setPriceBuffer(priceBuffer);

    // 3. Candle history.
    chartManager = new ChartManager(tradeClient, this);

    // 4. The journal.
    m_journal = new JournalWidget(ui->tabWidget_3);
    ui->tabWidget_3->addTab(m_journal, tr("Journal"));
    logger()->log(QStringLiteral("Terminal"), QStringLiteral("Started"));

    // 5. The View menu and the toolbox title bar.
    ui->menuView->addAction(ui->marketDockWidget->toggleViewAction());
    ui->menuView->addAction(ui->toolboxDockWidget->toggleViewAction());
    ui->menuView->addAction(ui->actionRefreshBrokerList);
    ui->menuView->addAction(ui->actionToggleSuspensionDetection);
    auto *toolboxTitle = new QLabel(ui->toolboxDockWidget);
    toolboxTitle->setObjectName(QStringLiteral("toolboxTitleBar"));
    QFont titleFont = toolboxTitle->font();
    titleFont.setPointSize(12);
    titleFont.setBold(true);
    toolboxTitle->setFont(titleFont);
    ui->toolboxDockWidget->setTitleBarWidget(toolboxTitle);

    // 6-8. The stores and the connection's data signals.
    sounds = new SoundEffects(this);
    m_status = new ConnectionStatusWidget(this);
    accountTree = new AccountTreePanel(ui->accountTreeWidget, loginDialog, this);
    ConnectionFlow::Parts parts;
    parts.window = this;
    parts.tradeClient = tradeClient;
    parts.loginDialog = loginDialog;
    parts.status = m_status;
    parts.positions = &positions;
    parts.symbols = &symbols;
    parts.chartManager = chartManager;
    parts.sounds = sounds;
    parts.accountTree = accountTree;
    flow = new ConnectionFlow(parts, this);

    // The broker directory: polled at once, every 3 s and once the event loop runs; the status channel.
    BrokerDirectoryMonitor::Parts directoryParts;
    directoryParts.window = this;
    directoryParts.tradeClient = tradeClient;
    directoryParts.loginDialog = loginDialog;
    directoryParts.status = m_status;
    directoryParts.flow = flow;
    m_directory = new BrokerDirectoryMonitor(directoryParts,
                                             QUrl(QStringLiteral("http://%1:%2/brokers")
                                                      .arg(QLatin1String(BuildConfig::directoryHost))
                                                      .arg(BuildConfig::directoryPort)),
                                             QUrl(QString::fromLatin1(BuildConfig::statusUrl)), this);
    flow->setSuspensionCheck(
        [this](const QString &name, const QString &address) { return isServerSuspended(name, address); });
    connect(ui->actionRefreshBrokerList, &QAction::triggered, this, &Client_Terminal::refreshBrokerList);
    connect(ui->actionToggleSuspensionDetection, &QAction::toggled, m_directory,
            &BrokerDirectoryMonitor::setSuspensionDetection);
    m_directory->start();

    MarketWatchPanel::Parts market;
    market.window = this;
    market.table = ui->symbolTableWidget;
    market.filterEdit = ui->txt_symbol;
    market.newOrderAction = ui->actionNew_Order;
    market.symbols = &symbols;
    market.positions = &positions;
    market.tradeClient = tradeClient;
    market.loginDialog = loginDialog;
    market.flow = flow;
    m_marketWatch = new MarketWatchPanel(market, this);
    connect(&symbols, &SymbolDataStorage::tickChanged, this, &Client_Terminal::onPrice);
    connect(&symbols, &SymbolDataStorage::symbolSettingChanged, this,
            &Client_Terminal::onSymbolSettingChanged);
    connect(&symbols, &SymbolDataStorage::symbolListChanged, this, &Client_Terminal::onSymbolListChanged);
    connect(ui->symbolTableWidget, &QWidget::customContextMenuRequested, this,
            &Client_Terminal::showTickContextMenu);
    connect(ui->symbolTableWidget, &QTableWidget::itemDoubleClicked, this,
            &Client_Terminal::symbolDoubleClicked);
    connect(ui->txt_symbol, &QLineEdit::editingFinished, this, &Client_Terminal::onFilterSymbol);

    connect(loginDialog, &QDialog::accepted, this, &Client_Terminal::connectToBroker);
    connect(priceBuffer, &PriceDataBuffer::tickUpdated, &symbols, &SymbolDataStorage::onUpdatedTicks);
    connect(tradeClient, &TradeClient::loginSuccess, this, &Client_Terminal::onLogin);
    connect(tradeClient, &TradeClient::loginFail, this, &Client_Terminal::onLoginFailed);
    connect(tradeClient, &TradeClient::symbolListReceived, &symbols, &SymbolDataStorage::onSymbolList);
    connect(tradeClient, &TradeClient::chartHistoryReceived, chartManager,
            &ChartManager::updateChartHistoryFromServer);

    // 8. The account-service dialogs.
    openDemoDialog = new OpenDemoDlg(this);
    changePasswordDialog = new ChangePasswordDlg(tradeClient, this);
    connect(openDemoDialog, &OpenDemoDlg::relogin, this, &Client_Terminal::relogin);
    connect(changePasswordDialog, &ChangePasswordDlg::passwordChanged, flow,
            &ConnectionFlow::onPasswordChanged);
    connect(flow, &ConnectionFlow::loggedIn, openDemoDialog, &QWidget::hide);

    connect(ui->copyTradingButton, &QPushButton::clicked, this, &Client_Terminal::openCopyTradingPage);
    connect(ui->calendarButton, &QPushButton::clicked, this, &Client_Terminal::openEconomicCalendarPage);

    // The market watch needs room for its seven columns of prices.
    resizeDocks({ui->marketDockWidget}, {460}, Qt::Horizontal);

    // 9. Title.
    setWindowTitle(ProgramInfo::brokerDisplayName() + QLatin1Char(' ') + tr("Client Terminal"));

    // 10. Summary rows use the window's font in bold.
    m_boldFont = font();
    m_boldFont.setWeight(75);

    // 12. Connection toolbar.
    connect(ui->actionConnect, &QAction::triggered, this,
            &Client_Terminal::on_actionLogin_to_Trade_Account_triggered);
    connect(ui->actionDisconnect, &QAction::triggered, this, &Client_Terminal::disconnectToBroker);
    connect(ui->actionChartView, &QAction::triggered, this, &Client_Terminal::viewChartAction);
    connect(ui->actionCopyTrading, &QAction::triggered, this, &Client_Terminal::viewCopyTradingAction);
    connect(ui->actionOpenDemo, &QAction::triggered, this, &Client_Terminal::openDemoAction);
    connect(ui->actionChangePassword, &QAction::triggered, this, &Client_Terminal::changePasswordAction);
    ui->actionChangePassword->setEnabled(false);
    ui->actionDisconnect->setEnabled(false);

    // 13.
    adjustFontAndUI();
    // On narrow screens the five toolbars do not fit one row: the trade,
    // connection and chart-style bars move to a second row.
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        int needed = 0;
        for (QToolBar *bar : {ui->cursorsToolBar, ui->timeframeToolBar, ui->tradeToolBar,
                              ui->connectionToolBar, ui->chartStyleToolBar})
            needed += bar->sizeHint().width() + 12;
        if (needed > screen->availableGeometry().width())
            insertToolBarBreak(ui->tradeToolBar);
    }

    // 15. Status bar and the connection-state notices.
    buildStatusBar();
    connect(tradeClient, &TradeClient::websocketConnected, flow, &ConnectionFlow::onWebsocketConnected);
    connect(tradeClient, &TradeClient::websocketDisconnected, this, &Client_Terminal::onWebsocketClosed);
    connect(tradeClient, &TradeClient::websocketDisconnected, flow,
            &ConnectionFlow::onWebsocketDisconnectedNotice);

    // 16. The latency probe.
    m_latency = new LatencyProbe(this);
    connect(m_latency, &LatencyProbe::latencyMeasured, m_status, &ConnectionStatusWidget::setLatency);
    connect(m_latency, &LatencyProbe::latencyUnavailable, m_status,
            [this] { m_status->setLatencyIdle(QString()); });
    connect(flow, &ConnectionFlow::pingTargetChanged, m_latency, &LatencyProbe::setTarget);
    m_latency->start();

    // 14/17. The automatic login once the event loop runs (one request is enough:
    // a second one for the same account would only restart the attempt).
    QTimer::singleShot(0, flow, &ConnectionFlow::autoLoginSavedAccount);
    QTimer::singleShot(0, flow, &ConnectionFlow::loadAccountTree);

    QMetaObject::connectSlotsByName(this);
}

Client_Terminal::~Client_Terminal()
{
    // The connection outlives the window: its worker must stop feeding the buffer
    // before the buffer goes with the window's children.
    tradeClient->setPriceBuffer(nullptr);
    delete m_latency; // stops its timer and ends a running probe
    m_latency = nullptr;
    m_directory->suspensionTimer()->stop();
    delete ui;
    delete openDemoDialog;
    delete changePasswordDialog;
}

void Client_Terminal::buildStatusBar()
{
    statusBar()->addPermanentWidget(m_status);
    m_status->hide();
    QTimer::singleShot(300, m_status, &QWidget::show);
}

void Client_Terminal::connectToBroker()
{
    flow->connectToBroker();
}

void Client_Terminal::disconnectToBroker()
{
    flow->disconnectToBroker();
}

void Client_Terminal::relogin(qint64 login, const QString &password, const QString &server)
{
    flow->relogin(login, password, server);
}

void Client_Terminal::onLogin(const QJsonObject &obj)
{
    flow->onLogin(obj);
}

void Client_Terminal::onLoginFailed()
{
    flow->onLoginFailed();
}

void Client_Terminal::onWebsocketClosed()
{
    flow->onWebsocketClosed();
}

void Client_Terminal::updateComponents(bool isLogin)
{
    flow->updateComponents(isLogin);
}

void Client_Terminal::clearUI()
{
    ui->graphArea->closeAllSubWindows();
    for (QTableWidget *table : {ui->tradeTableWidget, ui->positionTableWidget, ui->dealTableWidget,
                                ui->orderTableWidget, ui->netTableWidget})
        table->setRowCount(0);
    clearNetPositions();
    positions.clear();
    flow->loadAccountTree();
}

void Client_Terminal::showChartWindows(bool show)
{
    for (QMdiSubWindow *window : ui->graphArea->subWindowList())
        window->setVisible(show);
}

void Client_Terminal::clearNetPositions()
{
    ui->netTableWidget->setRowCount(0);
}

void Client_Terminal::refitTables()
{
    for (QTableWidget *table : {ui->symbolTableWidget, ui->tradeTableWidget, ui->positionTableWidget,
                                ui->orderTableWidget, ui->dealTableWidget, ui->netTableWidget})
        fitTableMetrics(table);
}

void Client_Terminal::adjustToolbarAppearance(QToolBar *toolBar)
{
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen || !toolBar)
        return;
    const double scale = screen->logicalDotsPerInch() / 96.0;
    const int iconSide = int(16 * scale);
    QFont font = toolBar->font();
    font.setPointSize(qMax(1, int(scale * 10)));
    toolBar->setFont(font);
    toolBar->setIconSize(QSize(iconSide, iconSide));
    for (QAction *action : toolBar->actions()) {
        if (action->icon().isNull())
            continue;
        action->setIcon(QIcon(action->icon().pixmap(iconSide, iconSide)));
    }
}

void Client_Terminal::adjustFontAndUI()
{
    for (QToolBar *bar : {ui->connectionToolBar, ui->tradeToolBar, ui->chartStyleToolBar, ui->cursorsToolBar,
                          ui->timeframeToolBar})
        adjustToolbarAppearance(bar);
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    const QSize chartSize(int(0.75 * available.width()), int(0.75 * available.height()));
    for (QMdiSubWindow *window : ui->graphArea->subWindowList()) {
        if (window->widget() && window->widget()->inherits("SymbolChart")) {
            window->resize(chartSize);
            window->widget()->resize(chartSize);
        }
    }
}

void Client_Terminal::openCopyTradingPage()
{
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(BuildConfig::copyTradingUrl)));
}

void Client_Terminal::openEconomicCalendarPage()
{
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(BuildConfig::calendarUrl)));
}

void Client_Terminal::viewChartAction()
{
    showChartWindows(true);
}

void Client_Terminal::viewCopyTradingAction()
{
    showChartWindows(false);
}

void Client_Terminal::on_actionLogin_to_Trade_Account_triggered()
{
    refreshBrokerList();
    flow->showLoginDialog();
}

void Client_Terminal::openDemoAction()
{
    openDemoDialog->prepareForm(m_directory->brokerServers());
    openDemoDialog->show();
    openDemoDialog->raise();
    openDemoDialog->activateWindow();
}

void Client_Terminal::changePasswordAction()
{
    changePasswordDialog->clearFields();
    changePasswordDialog->show();
    changePasswordDialog->raise();
    changePasswordDialog->activateWindow();
}

void Client_Terminal::refreshBrokerList()
{
    m_directory->refreshBrokerList();
}

void Client_Terminal::onBrokerListReceived(QNetworkReply *reply)
{
    m_directory->onBrokerListReceived(reply);
}

void Client_Terminal::checkServerStateChanges(const BrokerDirectoryRules::ServerStates &currentStates)
{
    m_directory->checkServerStateChanges(currentStates);
}

void Client_Terminal::setupBrokerStatusWebSocket()
{
    m_directory->setupBrokerStatusWebSocket();
}

void Client_Terminal::onBrokerStatusMessage(const QString &message)
{
    m_directory->onBrokerStatusMessage(message);
}

bool Client_Terminal::isServerSuspended(const QString &serverName, const QString &serverAddress) const
{
    return m_directory->isServerSuspended(serverName, serverAddress);
}

void Client_Terminal::handleSuspendedServerDisconnection()
{
    m_directory->handleSuspendedServerDisconnection();
}

void Client_Terminal::on_actionExit_triggered()
{
    close();
}

void Client_Terminal::on_actionTile_Windows_triggered()
{
    ui->graphArea->tileSubWindows();
}

void Client_Terminal::on_actionCascade_triggered()
{
    ui->graphArea->cascadeSubWindows();
}

void Client_Terminal::on_actionAbout_triggered()
{
    aboutDialog->show();
    aboutDialog->raise();
}

bool Client_Terminal::refuseInReadOnlyMode()
{
    if (!SessionFlags::investor())
        return false;
    QMessageBox::warning(this, tr("Warning"), tr("Trade operations restricted in Read Only Mode."));
    return true;
}

void Client_Terminal::on_actionNew_Order_triggered()
{
    if (!refuseInReadOnlyMode())
        m_marketWatch->openNewOrder(m_marketWatch->selectedSymbol());
}

void Client_Terminal::onPrice(const TickData &current_tick)
{
    if (m_marketWatch->onPrice(current_tick))
        emit symbolPriceChanged(current_tick);
}

void Client_Terminal::onSymbolListChanged(const QStringList &symbols)
{
    m_marketWatch->onSymbolListChanged(symbols);
}

void Client_Terminal::onSymbolSettingChanged()
{
    m_marketWatch->onSymbolSettingChanged();
}

void Client_Terminal::onFilterSymbol()
{
    m_marketWatch->onFilterSymbol();
}

void Client_Terminal::showTickContextMenu(const QPoint &pos)
{
    m_marketWatch->showTickContextMenu(pos);
}

void Client_Terminal::symbolDoubleClicked(QTableWidgetItem *item)
{
    m_marketWatch->symbolDoubleClicked(item);
}

void Client_Terminal::on_symbolTableWidget_itemSelectionChanged()
{
    m_marketWatch->onItemSelectionChanged();
}

void Client_Terminal::closeEvent(QCloseEvent *event)
{
    if (flow->login() > 0 && !flow->serverName().isEmpty())
        AccountSession::save(this, quint64(flow->login()), flow->savedPassword(), flow->serverName(),
                             tradeClient->url().toString(), symbols.shownSymbols());
    QMainWindow::closeEvent(event);
}
