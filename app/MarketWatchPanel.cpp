#include "app/MarketWatchPanel.h"

#include "accounts/LoginDialog.h"
#include "app/ConnectionFlow.h"
#include "data/PositionDataStore.h"
#include "data/SymbolDataStorage.h"
#include "net/SessionFlags.h"
#include "net/TradeClient.h"
#include "support/CompactTableStyle.h"
#include "support/ShowSymbolDialog.h"
#include "support/SymbolSpecificationDialog.h"

#include <QAction>
#include <QColorDialog>
#include <QCursor>
#include <QDebug>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMetaMethod>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include <cmath>
#include <exception>

namespace {

// Prices never carry more decimals than a double holds.
int clampedDigits(int digits)
{
    return qBound(0, digits, 15);
}

QTableWidgetItem *textItem(const QString &text)
{
    return new QTableWidgetItem(text);
}

} // namespace

MarketWatchPanel::MarketWatchPanel(const Parts &parts, QObject *parent)
    : QObject(parent), m_parts(parts), m_applyShownTimer(new QTimer(this))
{
    m_applyShownTimer->setSingleShot(true);
    m_applyShownTimer->setInterval(50);
    connect(m_applyShownTimer, &QTimer::timeout, this, [this] {
        if (m_parts.flow)
            m_parts.flow->applyShownSymbols();
    });
    if (m_parts.flow) {
        connect(m_parts.flow, &ConnectionFlow::loginStarting, this, &MarketWatchPanel::clearSelectedSymbol);
        connect(m_parts.flow, &ConnectionFlow::shownSymbolsApplied, this,
                &MarketWatchPanel::refreshMarketWatchVisibility);
    }
}

// ---- cell rules ----

QColor MarketWatchPanel::trendColour(const QString &oldText, const QString &newText)
{
    const double before = oldText.toDouble();
    const double after = newText.toDouble();
    if (after > before)
        return QColor(Qt::blue);
    if (after < before)
        return QColor(Qt::red);
    return QColor(Qt::black);
}

QString MarketWatchPanel::priceText(double price, int digits)
{
    return QString::number(price, 'f', clampedDigits(digits));
}

qint64 MarketWatchPanel::spreadPoints(double bid, double ask, int digits)
{
    const double points = (ask - bid) * std::pow(10.0, clampedDigits(digits));
    // Prices are decimal, their difference is not: 12.4999999999 is a half.
    const double cleaned = std::round(points * 1e6) / 1e6;
    return qint64(std::floor(cleaned + 0.5));
}

QString MarketWatchPanel::timeText(qint64 serverTime, const QTimeZone &zone)
{
    if (serverTime < 1)
        return QStringLiteral("00:00:00");
    return TradeClient::formatTime(serverTime, zone.isValid() ? zone : QTimeZone::utc());
}

QString MarketWatchPanel::changeText(double price, double extreme)
{
    if (price == 0.0)
        return QStringLiteral("0.00%");
    QString text = QString::number((price - extreme) / price * 100.0, 'f', 2);
    if (text == QLatin1String("-0.00"))
        text = QStringLiteral("0.00");
    return text + QLatin1Char('%');
}

bool MarketWatchPanel::isAcceptedTick(const TickData &tick)
{
    return !tick.symbol.isEmpty() && tick.timestamp != 0;
}

QStringList MarketWatchPanel::columnMenuNames()
{
    return {tr("Symbol"), tr("Bid"),  tr("Ask"),       tr("Spread"),   tr("High"),
            tr("Low"),    tr("Time"), tr("Change %H"), tr("Change %L")};
}

// ---- prices ----

bool MarketWatchPanel::onPrice(const TickData &tick)
{
    if (!isAcceptedTick(tick))
        return false;
    try {
        updateMarketWatchRow(tick);
        if (m_parts.positions)
            m_parts.positions->onPriceChanged(tick);
    } catch (const std::exception &e) {
        qWarning().noquote() << "[onPrice] Exception processing tick data:" << e.what()
                             << "for symbol:" << tick.symbol;
        return false;
    } catch (...) {
        qWarning().noquote() << "[onPrice] Unknown exception processing tick data for symbol:" << tick.symbol;
        return false;
    }
    return true;
}

int MarketWatchPanel::rowOf(const QString &symbol) const
{
    QTableWidget *table = m_parts.table;
    const int indexed = m_rowIndex.value(symbol, -1);
    if (indexed >= 0 && indexed < table->rowCount()) {
        const QTableWidgetItem *item = table->item(indexed, SymbolColumn);
        if (item && item->text() == symbol)
            return indexed;
    }
    // The index is only a shortcut; the table's own texts decide.
    for (int row = 0; row < table->rowCount(); ++row) {
        const QTableWidgetItem *item = table->item(row, SymbolColumn);
        if (item && item->text() == symbol)
            return row;
    }
    return -1;
}

void MarketWatchPanel::updateMarketWatchRow(const TickData &tick)
{
    const int row = rowOf(tick.symbol);
    if (row < 0)
        return;
    QTableWidget *table = m_parts.table;
    auto update = [table, row](int column, const QString &text, const QColor *colour) {
        QTableWidgetItem *item = table->item(row, column);
        if (!item)
            return;
        if (colour)
            item->setForeground(*colour);
        item->setText(text);
    };
    auto trendUpdate = [table, row, &update](int column, const QString &text) {
        const QTableWidgetItem *item = table->item(row, column);
        if (!item)
            return;
        const QColor colour = trendColour(item->text(), text);
        update(column, text, &colour);
    };
    static const QColor blue(Qt::blue);
    static const QColor red(Qt::red);
    const QTimeZone zone = m_parts.tradeClient ? m_parts.tradeClient->serverZone() : QTimeZone::utc();

    trendUpdate(BidColumn, priceText(tick.bid, tick.digits));
    trendUpdate(AskColumn, priceText(tick.ask, tick.digits));
    trendUpdate(SpreadColumn, QString::number(spreadPoints(tick.bid, tick.ask, tick.digits)));
    update(HighColumn, priceText(tick.ask_high, tick.digits), &blue);
    update(LowColumn, priceText(tick.bid_low, tick.digits), &red);
    update(TimeColumn, timeText(tick.server_time, zone), nullptr);
    update(ChangeHighColumn, changeText(tick.ask, tick.ask_high), nullptr);
    update(ChangeLowColumn, changeText(tick.bid, tick.bid_low), nullptr);
}

// ---- rows ----

void MarketWatchPanel::onSymbolListChanged(const QStringList &symbols)
{
    if (symbols == m_symbolList)
        return;
    m_symbolList = symbols;
    rebuildMarketWatch();
    // One pass for a burst of changes (a login hides symbols one by one).
    if (!m_applyShownTimer->isActive())
        m_applyShownTimer->start();
}

void MarketWatchPanel::setRowCells(int row, const TickData &tick, int digits)
{
    QTableWidget *table = m_parts.table;
    const QTimeZone zone = m_parts.tradeClient ? m_parts.tradeClient->serverZone() : QTimeZone::utc();
    table->setItem(row, BidColumn, textItem(priceText(tick.bid, digits)));
    table->setItem(row, AskColumn, textItem(priceText(tick.ask, digits)));
    table->setItem(row, SpreadColumn, textItem(QString::number(spreadPoints(tick.bid, tick.ask, digits))));
    table->setItem(row, HighColumn, textItem(priceText(tick.ask_high, digits)));
    table->setItem(row, LowColumn, textItem(priceText(tick.bid_low, digits)));
    table->setItem(row, TimeColumn, textItem(timeText(tick.server_time, zone)));
    table->setItem(row, ChangeHighColumn, textItem(QStringLiteral("0.00%")));
    table->setItem(row, ChangeLowColumn, textItem(QStringLiteral("0.00%")));
}

void MarketWatchPanel::rebuildMarketWatch()
{
    QTableWidget *table = m_parts.table;
    SymbolDataStorage *symbols = m_parts.symbols;
    table->setUpdatesEnabled(false);
    table->setRowCount(0);
    m_rowIndex.clear();
    for (const QString &name : qAsConst(m_symbolList)) {
        if (!m_filterText.isEmpty() && !name.toUpper().contains(m_filterText))
            continue;
        const int row = table->rowCount();
        table->insertRow(row);
        table->setItem(row, SymbolColumn, textItem(name));
        setRowCells(row, symbols->tick(name), symbols->digits(name));
        if (!m_rowIndex.contains(name))
            m_rowIndex.insert(name, row);
    }
    applyCompactTableStyle(table);
    // The symbol names and the clock never shrink below their text; the prices share the rest.
    table->horizontalHeader()->setSectionResizeMode(SymbolColumn, QHeaderView::ResizeToContents);
    table->horizontalHeader()->setSectionResizeMode(TimeColumn, QHeaderView::ResizeToContents);
    applyChosenFontSize();
    table->setUpdatesEnabled(true);
}

void MarketWatchPanel::refreshMarketWatchVisibility()
{
    QTableWidget *table = m_parts.table;
    for (int row = 0; row < table->rowCount(); ++row) {
        const QTableWidgetItem *item = table->item(row, SymbolColumn);
        const bool shown = !item || m_parts.symbols->setting(item->text()).shown;
        table->setRowHidden(row, !shown);
    }
}

void MarketWatchPanel::onFilterSymbol()
{
    const QString filter = m_parts.filterEdit->text().toUpper();
    if (filter == m_filterText)
        return;
    m_filterText = filter;
    rebuildMarketWatch();
}

void MarketWatchPanel::onSymbolSettingChanged()
{
    emit allSymbolsChanged(m_parts.symbols->allSymbols());
}

void MarketWatchPanel::onItemSelectionChanged()
{
    QTableWidget *table = m_parts.table;
    const int row = table->currentRow();
    if (row < 0)
        return;
    if (const QTableWidgetItem *item = table->item(row, SymbolColumn))
        m_selectedSymbol = item->text();
}

void MarketWatchPanel::saveShownSymbols()
{
    QStringList shown;
    for (const QString &name : m_parts.symbols->allSymbols()) {
        if (m_parts.symbols->setting(name).shown)
            shown.append(name);
    }
    if (m_parts.flow)
        m_parts.flow->setAccountShownSymbols(shown);
    if (m_parts.loginDialog)
        m_parts.loginDialog->writeShownSymbols(shown);
}

// ---- commands ----

bool MarketWatchPanel::refuseInReadOnlyMode()
{
    if (!SessionFlags::investor())
        return false;
    QMessageBox::warning(m_parts.window, tr("Warning"), tr("Trade operations restricted in Read Only Mode."));
    return true;
}

void MarketWatchPanel::symbolDoubleClicked(QTableWidgetItem *item)
{
    if (!item)
        return;
    if (refuseInReadOnlyMode())
        return;
    const QTableWidgetItem *symbolItem = m_parts.table->item(item->row(), SymbolColumn);
    openNewOrder(symbolItem ? symbolItem->text() : QString());
}

void MarketWatchPanel::openNewOrder(const QString &symbol)
{
    if (!isSignalConnected(QMetaMethod::fromSignal(&MarketWatchPanel::newOrderRequested)))
        qDebug().noquote() << "[openNewOrder] no order dialog to open for" << symbol;
    emit newOrderRequested(symbol);
}

void MarketWatchPanel::showChart(const QString &symbol)
{
    if (!isSignalConnected(QMetaMethod::fromSignal(&MarketWatchPanel::chartRequested)))
        qDebug().noquote() << "[showChart] no chart windows to show" << symbol;
    emit chartRequested(symbol);
}

void MarketWatchPanel::showTickContextMenu(const QPoint &pos)
{
    QTableWidget *table = m_parts.table;
    const QTableWidgetItem *item = table->itemAt(pos);
    if (!item)
        return;
    const QTableWidgetItem *symbolItem = table->item(item->row(), SymbolColumn);
    const QString symbol = symbolItem ? symbolItem->text() : QString();

    QMenu menu(table);
    if (m_parts.newOrderAction)
        menu.addAction(m_parts.newOrderAction);
    QAction *chart = menu.addAction(tr("Show Chart"));
    QAction *colour = menu.addAction(tr("Change Color"));
    QAction *fontSize = menu.addAction(tr("Change Font Size"));
    menu.addSeparator();
    menu.addSeparator();
    QAction *showHide = menu.addAction(tr("Add/Hide Symbol"));
    QAction *specification = menu.addAction(tr("Symbol Specification"));
    QAction *columns = menu.addAction(tr("Columns"));

    QAction *chosen = menu.exec(table->viewport()->mapToGlobal(pos));
    if (!chosen)
        return;
    if (chosen == m_parts.newOrderAction) {
        // The action's own handler has run (with its read-only refusal); the row's symbol wins.
        if (!SessionFlags::investor())
            openNewOrder(symbol);
    } else if (chosen == chart) {
        showChart(symbol);
    } else if (chosen == colour) {
        changeColor();
    } else if (chosen == fontSize) {
        changeFontSize();
    } else if (chosen == showHide) {
        showSymbolsDialog();
    } else if (chosen == specification) {
        showSymbolSpecification(symbol);
    } else if (chosen == columns) {
        showColumnsMenu();
    }
}

void MarketWatchPanel::changeColor()
{
    QMessageBox box(QMessageBox::NoIcon, tr("Change Table Color"), tr("Change color for:"),
                    QMessageBox::NoButton, m_parts.window);
    QPushButton *oneColour = box.addButton(tr("one color"), QMessageBox::ActionRole);
    QPushButton *customDesign = box.addButton(tr("custom design"), QMessageBox::ActionRole);
    // Without an escape button the box could not be closed without a choice.
    QPushButton *cancel = box.addButton(QMessageBox::Cancel);
    cancel->hide();
    box.setEscapeButton(cancel);
    box.exec();
    QAbstractButton *clicked = box.clickedButton();
    if (clicked == oneColour) {
        const QColor chosen = QColorDialog::getColor(Qt::white, m_parts.window, tr("Select Table Color"));
        if (!chosen.isValid())
            return;
        m_parts.table->setStyleSheet(
            QStringLiteral("QTableWidget { background-color: %1; alternate-background-color: %1;}")
                .arg(chosen.name()));
    } else if (clicked == customDesign) {
        const QColor base = QColorDialog::getColor(Qt::white, m_parts.window, tr("Select Base Color"));
        if (!base.isValid())
            return;
        const QColor alternate =
            QColorDialog::getColor(QColor(240, 240, 240), m_parts.window, tr("Select Alternate Color"));
        if (!alternate.isValid())
            return;
        m_parts.table->setStyleSheet(
            QStringLiteral("QTableWidget { background-color: %1; alternate-background-color: %2; }")
                .arg(base.name(), alternate.name()));
    }
}

void MarketWatchPanel::changeFontSize()
{
    const QStringList sizes = {QStringLiteral("7"),  QStringLiteral("8"),  QStringLiteral("9"),
                               QStringLiteral("10"), QStringLiteral("11"), QStringLiteral("12")};
    bool ok = false;
    const QString chosen =
        QInputDialog::getItem(m_parts.window, tr("Select Font Size"), tr("Font Size:"), sizes, 0, false, &ok);
    if (!ok || chosen.isEmpty())
        return;
    m_fontPointSize = chosen.toInt();
    applyChosenFontSize();
}

void MarketWatchPanel::applyChosenFontSize()
{
    if (m_fontPointSize <= 0)
        return;
    QTableWidget *table = m_parts.table;
    QFont font = table->font();
    font.setPointSize(m_fontPointSize);
    table->setFont(font);
    const int height = m_fontPointSize + 5;
    table->verticalHeader()->setDefaultSectionSize(height);
    for (int row = 0; row < table->rowCount(); ++row)
        table->setRowHeight(row, height);
}

void MarketWatchPanel::showSymbolsDialog()
{
    if (!m_showSymbolDialog) {
        m_showSymbolDialog = new ShowSymbolDialog(m_parts.symbols, QStringList(), m_parts.window);
        connect(m_showSymbolDialog, &ShowSymbolDialog::symbolShownChanged, this,
                &MarketWatchPanel::saveShownSymbols);
    }
    m_showSymbolDialog->fill(m_parts.loginDialog ? m_parts.loginDialog->readShownSymbols() : QStringList());
    m_showSymbolDialog->exec();
}

void MarketWatchPanel::showSymbolSpecification(const QString &symbol)
{
    if (symbol.isEmpty())
        return;
    auto *dialog = new SymbolSpecificationDialog(symbol, m_parts.symbols, m_parts.window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

void MarketWatchPanel::showColumnsMenu()
{
    QTableWidget *table = m_parts.table;
    QMenu menu(table);
    const QStringList names = columnMenuNames();
    for (int column = 0; column < names.size() && column < table->columnCount(); ++column) {
        QAction *entry = menu.addAction(names.at(column));
        entry->setCheckable(true);
        entry->setChecked(!table->isColumnHidden(column));
        connect(entry, &QAction::toggled, table,
                [table, column](bool checked) { table->setColumnHidden(column, !checked); });
    }
    menu.exec(QCursor::pos());
}
