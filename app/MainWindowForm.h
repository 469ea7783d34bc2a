#pragma once

#include <QList>

class QAction;
class QActionGroup;
class QDockWidget;
class QLabel;
class QLineEdit;
class QMainWindow;
class QMdiArea;
class QMenu;
class QMenuBar;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QTableWidget;
class QToolBar;
class QTreeWidget;
class QWidget;

// Every widget, menu, toolbar and action of the main window, built in code
// with the object names the saved window state and the by-name slot
// connections refer to. Owned by the window through the parent-child tree.
class MainWindowForm
{
public:
    void setupUi(QMainWindow *window);
    void retranslateUi(QMainWindow *window);

    QWidget *centralwidget = nullptr;
    QMdiArea *graphArea = nullptr;

    QDockWidget *toolboxDockWidget = nullptr;
    QTabWidget *tabWidget_3 = nullptr;
    QWidget *tradeTab = nullptr;
    QWidget *historyTab = nullptr;
    QWidget *netTab = nullptr;
    QTableWidget *tradeTableWidget = nullptr;
    QTableWidget *positionTableWidget = nullptr;
    QTableWidget *orderTableWidget = nullptr;
    QTableWidget *dealTableWidget = nullptr;
    QTableWidget *netTableWidget = nullptr;

    QDockWidget *marketDockWidget = nullptr;
    QLineEdit *txt_symbol = nullptr;
    QTabWidget *tabWidget = nullptr;
    QWidget *symbolsTab = nullptr;
    QWidget *accountsTab = nullptr;
    QTableWidget *symbolTableWidget = nullptr;
    QTreeWidget *accountTreeWidget = nullptr;

    QToolBar *cursorsToolBar = nullptr;
    QToolBar *timeframeToolBar = nullptr;
    QToolBar *tradeToolBar = nullptr;
    QToolBar *connectionToolBar = nullptr;
    QToolBar *chartStyleToolBar = nullptr;
    QPushButton *defaultColorsButton = nullptr;
    QPushButton *copyTradingButton = nullptr;
    QPushButton *calendarButton = nullptr;

    QMenuBar *menubar = nullptr;
    QMenu *menuFile = nullptr;
    QMenu *menuView = nullptr;
    QMenu *menuTools = nullptr;
    QMenu *menuWindow = nullptr;
    QMenu *menuHelp = nullptr;
    QStatusBar *statusbar = nullptr;

    QAction *actionLogin_to_Trade_Account = nullptr;
    QAction *actionExit = nullptr;
    QAction *actionNew_Order = nullptr;
    QAction *actionTile_Windows = nullptr;
    QAction *actionCascade = nullptr;
    QAction *actionAbout = nullptr;
    QAction *actionCursor = nullptr;
    QAction *actionCrosshair = nullptr;
    QAction *actionVertical_Line = nullptr;
    QAction *actionHorizontal_Line = nullptr;
    QAction *actionTrendline = nullptr;
    QAction *actionFibonacciRetracement = nullptr;
    QAction *actionM1 = nullptr;
    QAction *actionM5 = nullptr;
    QAction *actionM15 = nullptr;
    QAction *actionM30 = nullptr;
    QAction *actionH1 = nullptr;
    QAction *actionH4 = nullptr;
    QAction *actionD1 = nullptr;
    QAction *actionW1 = nullptr;
    QAction *actionMN = nullptr;
    QAction *actionZoomIn = nullptr;
    QAction *actionZoomOut = nullptr;
    QAction *actionConnect = nullptr;
    QAction *actionDisconnect = nullptr;
    QAction *actionOpenDemo = nullptr;
    QAction *actionChangePassword = nullptr;
    QAction *actionChartView = nullptr;
    QAction *actionCopyTrading = nullptr;
    QAction *actionBar_Chart = nullptr;
    QAction *actionCandlesticks = nullptr;
    // View menu: the broker directory.
    QAction *actionRefreshBrokerList = nullptr;
    QAction *actionToggleSuspensionDetection = nullptr;

    QActionGroup *drawingToolGroup = nullptr;
    QActionGroup *timeframeGroup = nullptr;

    // M1 ... MN in order, with their minutes.
    QList<QAction *> timeframeActions() const;
    static QList<int> timeframeMinutes();
};
