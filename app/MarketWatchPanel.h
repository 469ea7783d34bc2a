#pragma once

#include "net/TickData.h"

#include <QColor>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTimeZone>

class ConnectionFlow;
class LoginDialog;
class PositionDataStore;
class QAction;
class QLineEdit;
class QPoint;
class QTableWidget;
class QTableWidgetItem;
class QTimer;
class QWidget;
class ShowSymbolDialog;
class SymbolDataStorage;
class TradeClient;

// The "Symbols" tab of the "Markets" dock: one row per market watch symbol
// with live prices, the search filter, and the symbol commands of its
// context menu. A tick rewrites the cells of its own row only; the rows are
// rebuilt when the symbol list or the filter changes.
class MarketWatchPanel : public QObject
{
    Q_OBJECT
public:
    struct Parts
    {
        QWidget *window = nullptr; // parent of boxes and dialogs
        QTableWidget *table = nullptr;
        QLineEdit *filterEdit = nullptr;
        QAction *newOrderAction = nullptr; // the window's "New Order"
        SymbolDataStorage *symbols = nullptr;
        PositionDataStore *positions = nullptr;
        TradeClient *tradeClient = nullptr; // the server's time zone
        LoginDialog *loginDialog = nullptr; // the account's shown-symbols file
        ConnectionFlow *flow = nullptr;     // applyShownSymbols, accountShownSymbols
    };

    enum Column
    {
        SymbolColumn,
        BidColumn,
        AskColumn,
        SpreadColumn,
        HighColumn,
        LowColumn,
        TimeColumn,
        ChangeHighColumn,
        ChangeLowColumn,
        ColumnCount
    };

    explicit MarketWatchPanel(const Parts &parts, QObject *parent = nullptr);

    // The cell rules.
    // Blue when the new number is higher than the one its text replaces, red when lower, black when equal.
    static QColor trendColour(const QString &oldText, const QString &newText);
    static QString priceText(double price, int digits);
    // (ask - bid) in points, halves rounded towards positive infinity.
    static qint64 spreadPoints(double bid, double ask, int digits);
    // "HH:mm:ss" in the server's zone (UTC while none is known); "00:00:00" before the epoch's first second.
    static QString timeText(qint64 serverTime, const QTimeZone &zone);
    // (price - extreme) / price in percent with 2 decimals and "%"; "0.00%" for a price of 0.
    static QString changeText(double price, double extreme);
    // A tick without symbol or time is not a price.
    static bool isAcceptedTick(const TickData &tick);
    // The names of the "Columns" menu.
    static QStringList columnMenuNames();

    // The market watch part of a new tick: its row and the position store.
    // False when the tick is ignored (and must not travel further).
    bool onPrice(const TickData &tick);
    void onSymbolListChanged(const QStringList &symbols);
    void onSymbolSettingChanged();
    void onFilterSymbol();
    void showTickContextMenu(const QPoint &pos);
    void symbolDoubleClicked(QTableWidgetItem *item);
    void onItemSelectionChanged();

    void rebuildMarketWatch();
    void updateMarketWatchRow(const TickData &tick);
    void refreshMarketWatchVisibility();
    void saveShownSymbols();
    void openNewOrder(const QString &symbol);
    void showChart(const QString &symbol);
    void showColumnsMenu();
    void changeColor();
    void changeFontSize();
    void showSymbolsDialog();
    void showSymbolSpecification(const QString &symbol);
    void clearSelectedSymbol() { m_selectedSymbol.clear(); }

    QString selectedSymbol() const { return m_selectedSymbol; }
    QString filterText() const { return m_filterText; }
    QStringList symbolList() const { return m_symbolList; }
    // The first row of the symbol, or -1.
    int rowOf(const QString &symbol) const;

signals:
    // "New Order" for a symbol (empty: the dialog's own choice); the order dialog follows it.
    void newOrderRequested(const QString &symbol);
    // "Show Chart"; the chart windows follow it.
    void chartRequested(const QString &symbol);
    // The settings were replaced: every symbol name, ascending, for the order dialog's list.
    void allSymbolsChanged(const QStringList &names);

private:
    bool refuseInReadOnlyMode();
    void applyChosenFontSize();
    void setRowCells(int row, const TickData &tick, int digits);

    Parts m_parts;
    QStringList m_symbolList;
    QString m_filterText;
    QString m_selectedSymbol;
    QHash<QString, int> m_rowIndex;
    QTimer *m_applyShownTimer;
    ShowSymbolDialog *m_showSymbolDialog = nullptr;
    int m_fontPointSize = 0; // chosen in "Change Font Size"; 0 while none was
};
