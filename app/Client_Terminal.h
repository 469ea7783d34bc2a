#pragma once

#include "app/BrokerDirectoryRules.h"
#include "data/PositionDataStore.h"
#include "data/SymbolDataStorage.h"

#include <QFont>
#include <QJsonObject>
#include <QMainWindow>

class AboutDialog;
class AccountTreePanel;
class BrokerDirectoryMonitor;
class ChangePasswordDlg;
class ChartManager;
class ConnectionFlow;
class ConnectionStatusWidget;
class JournalWidget;
class LatencyProbe;
class LoginDialog;
class MainWindowForm;
class MarketWatchPanel;
class OpenDemoDlg;
class PriceDataBuffer;
class QNetworkReply;
class QTableWidgetItem;
class QToolBar;
class SoundEffects;
class TradeClient;

// The main window: the hub that builds the frame, owns the stores and the
// panels, and hands the connection's signals on to the class that handles them.
class Client_Terminal : public QMainWindow
{
    Q_OBJECT
public:
    explicit Client_Terminal(TradeClient *tradeClient, QWidget *parent = nullptr);
    ~Client_Terminal() override;

    MainWindowForm *form() const { return ui; }
    TradeClient *connection() const { return tradeClient; }
    PositionDataStore *positionStore() { return &positions; }
    SymbolDataStorage *symbolStore() { return &symbols; }
    ChartManager *charts() const { return chartManager; }
    PriceDataBuffer *tickBuffer() const { return priceBuffer; }
    LoginDialog *loginBox() const { return loginDialog; }
    AboutDialog *about() const { return aboutDialog; }
    ConnectionFlow *connectionFlow() const { return flow; }
    MarketWatchPanel *marketWatch() const { return m_marketWatch; }
    ConnectionStatusWidget *statusWidget() const { return m_status; }
    JournalWidget *journal() const { return m_journal; }
    BrokerDirectoryMonitor *brokerDirectory() const { return m_directory; }
    LatencyProbe *latencyProbe() const { return m_latency; }
    OpenDemoDlg *openDemo() const { return openDemoDialog; }
    ChangePasswordDlg *changePassword() const { return changePasswordDialog; }
    QFont boldFont() const { return m_boldFont; }

    void showChartWindows(bool show);
    void clearNetPositions();
    // Row heights follow the tables' fonts again after the start-up font pass.
    void refitTables();

public slots:
    void connectToBroker();
    void disconnectToBroker();
    void relogin(qint64 login, const QString &password, const QString &server);
    void onLogin(const QJsonObject &obj);
    void onLoginFailed();
    void onWebsocketClosed();
    void updateComponents(bool isLogin);
    void clearUI();
    void adjustFontAndUI();
    void adjustToolbarAppearance(QToolBar *toolBar);
    void openCopyTradingPage();
    void openEconomicCalendarPage();
    void viewChartAction();
    void viewCopyTradingAction();
    void openDemoAction();
    void changePasswordAction();

    // Broker directory and server status.
    void refreshBrokerList();
    void onBrokerListReceived(QNetworkReply *reply);
    void checkServerStateChanges(const BrokerDirectoryRules::ServerStates &currentStates);
    void setupBrokerStatusWebSocket();
    void onBrokerStatusMessage(const QString &message);
    bool isServerSuspended(const QString &serverName, const QString &serverAddress) const;
    void handleSuspendedServerDisconnection();

    void on_actionLogin_to_Trade_Account_triggered();
    void on_actionExit_triggered();
    void on_actionTile_Windows_triggered();
    void on_actionCascade_triggered();
    void on_actionAbout_triggered();
    void on_actionNew_Order_triggered();

    // The market watch.
    void onPrice(const TickData &current_tick);
    void onSymbolListChanged(const QStringList &symbols);
    void onSymbolSettingChanged();
    void onFilterSymbol();
    void showTickContextMenu(const QPoint &pos);
    void symbolDoubleClicked(QTableWidgetItem *item);
    void on_symbolTableWidget_itemSelectionChanged();

signals:
    // Every accepted tick, after the market watch and the positions have taken it.
    void symbolPriceChanged(const TickData &tick);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildStatusBar();
    // True (after the warning box) when the session is read-only.
    bool refuseInReadOnlyMode();

    MainWindowForm *ui;
    TradeClient *tradeClient;
    ChartManager *chartManager = nullptr;
    PriceDataBuffer *priceBuffer = nullptr;
    PositionDataStore positions;
    SymbolDataStorage symbols;
    LoginDialog *loginDialog = nullptr;
    AboutDialog *aboutDialog = nullptr;
    SoundEffects *sounds = nullptr;
    AccountTreePanel *accountTree = nullptr;
    ConnectionFlow *flow = nullptr;
    MarketWatchPanel *m_marketWatch = nullptr;
    ConnectionStatusWidget *m_status = nullptr;
    JournalWidget *m_journal = nullptr;
    OpenDemoDlg *openDemoDialog = nullptr;
    ChangePasswordDlg *changePasswordDialog = nullptr;
    BrokerDirectoryMonitor *m_directory = nullptr;
    LatencyProbe *m_latency = nullptr;
    QFont m_boldFont;
};
