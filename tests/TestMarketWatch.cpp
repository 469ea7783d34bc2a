// The market watch of the real main window, fed through the symbol store as
// the connection would feed it.
#include "TemporaryProfile.h"
#include "UiScript.h"

#include "accounts/LoginDialog.h"
#include "accounts/ShownSymbolsFile.h"
#include "app/Client_Terminal.h"
#include "app/ConnectionFlow.h"
#include "app/MainWindowForm.h"
#include "app/MarketWatchPanel.h"
#include "data/AccountPaths.h"
#include "net/SessionFlags.h"
#include "net/TradeClient.h"
#include "support/ShowSymbolDialog.h"
#include "support/SymbolSpecificationDialog.h"

#include <QAction>
#include <QColorDialog>
#include <QComboBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>

namespace {

QJsonObject symbolList(const QStringList &names)
{
    QJsonArray array;
    for (const QString &name : names) {
        const int digits = name.contains("JPY") ? 3 : (name.startsWith("XAU") ? 2 : 5);
        array.append(QJsonObject{{"symbol", name},
                                 {"desc", QString(name + " desc")},
                                 {"digits", digits},
                                 {"c_size", 100000.0},
                                 {"min_vol", 100},
                                 {"max_vol", 1000000},
                                 {"step_vol", 100},
                                 {"path", "Forex"}});
    }
    return QJsonObject{{"res_code", 8}, {"array", array}};
}

TickData tick(const QString &symbol, double bid, double ask, int digits = 5, qint64 serverTime = 1700000000)
{
    TickData t;
    t.symbol = symbol;
    t.timestamp = 1700000000;
    t.server_time = serverTime;
    t.bid = bid;
    t.ask = ask;
    t.digits = digits;
    t.ask_high = ask + 0.0010;
    t.bid_low = bid - 0.0010;
    return t;
}

const QStringList kSymbols{"XAUEUR", "USDJPY", "GBPUSD", "EURUSD"};
// The store puts EURUSD and GBPUSD first.
const QStringList kMarketWatchOrder{"EURUSD", "GBPUSD", "USDJPY", "XAUEUR"};

QColor foreground(const QTableWidgetItem *item)
{
    return item->foreground().color();
}

} // namespace

class TestMarketWatch : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void rowsInMarketWatchOrder();
    void tickCellsAndColours();
    void tickTouchesOnlyItsRow();
    void ignoredAndUnlistedTicks();
    void unchangedListDoesNotRebuild();
    void rowsOfHiddenSymbolsAreHidden();
    void filterOnEnterOrFocusLoss();
    void selectionAndNewLogin();
    void readOnlyDoubleClick();
    void contextMenuEntries();
    void noMenuOnEmptySpace();
    void newOrderFromMenu_data();
    void newOrderFromMenu();
    void showChartAndSpecification();
    void columnsMenu();
    void fontSizeSurvivesRebuild();
    void tableColours_data();
    void tableColours();
    void showHideRoundTrip();

private:
    QTableWidget *table() const { return window->form()->symbolTableWidget; }
    MarketWatchPanel *panel() const { return window->marketWatch(); }
    QStringList rowSymbols() const;
    void loadSymbols(const QStringList &names = kSymbols);
    // Right click on the row of symbol, letting script answer what opens.
    void rightClickRow(const QString &symbol);

    TemporaryProfile profile;
    QTemporaryDir workDir;
    TradeClient *client = nullptr;
    Client_Terminal *window = nullptr;
};

void TestMarketWatch::initTestCase()
{
    QVERIFY(profile.isValid());
    qputenv("XDG_DATA_HOME", QByteArray(profile.home().toLocal8Bit() + "/share"));
    QCoreApplication::setOrganizationName(AccountPaths::organisationName());
    QCoreApplication::setApplicationName(AccountPaths::applicationName());
    QLocale::setDefault(QLocale::c());
    QVERIFY(workDir.isValid());
    QDir::setCurrent(workDir.path()); // the log folder goes here
    client = new TradeClient;
}

void TestMarketWatch::init()
{
    QVERIFY(profile.resetConfig());
    SessionFlags::setInvestor(false);
    window = new Client_Terminal(client);
    window->resize(1200, 800);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
}

void TestMarketWatch::cleanup()
{
    delete window;
    window = nullptr;
    SessionFlags::setInvestor(false);
}

QStringList TestMarketWatch::rowSymbols() const
{
    QStringList names;
    for (int row = 0; row < table()->rowCount(); ++row)
        names << table()->item(row, 0)->text();
    return names;
}

void TestMarketWatch::loadSymbols(const QStringList &names)
{
    window->symbolStore()->onSymbolList(symbolList(names));
}

void TestMarketWatch::rightClickRow(const QString &symbol)
{
    const int row = panel()->rowOf(symbol);
    QVERIFY(row >= 0);
    const QRect rect = table()->visualItemRect(table()->item(row, 1));
    // What the table's context menu request delivers: a point in viewport coordinates.
    emit table()->customContextMenuRequested(rect.center());
}

void TestMarketWatch::rowsInMarketWatchOrder()
{
    // A tick that arrives before the list is shown with the setting's digits.
    window->symbolStore()->onUpdatedTicks({tick("EURUSD", 1.085, 1.08512)});
    loadSymbols();
    QCOMPARE(rowSymbols(), kMarketWatchOrder);
    QCOMPARE(table()->columnCount(), 9);
    QVERIFY(table()->isColumnHidden(MarketWatchPanel::ChangeHighColumn));
    QVERIFY(table()->isColumnHidden(MarketWatchPanel::ChangeLowColumn));

    const int eur = panel()->rowOf("EURUSD");
    QStringList eurCells, jpyCells;
    for (int column = 1; column < 9; ++column) {
        eurCells << table()->item(eur, column)->text();
        jpyCells << table()->item(panel()->rowOf("USDJPY"), column)->text();
    }
    QCOMPARE(eurCells,
             (QStringList{"1.08500", "1.08512", "12", "1.08612", "1.08400", "22:13:20", "0.00%", "0.00%"}));
    // No tick yet: zeros with the symbol's digits.
    QCOMPARE(jpyCells, (QStringList{"0.000", "0.000", "0", "0.000", "0.000", "00:00:00", "0.00%", "0.00%"}));
    QCOMPARE(table()->font().pointSize(), 8);
}

void TestMarketWatch::tickCellsAndColours()
{
    loadSymbols();
    QSignalSpy prices(window, &Client_Terminal::symbolPriceChanged);
    QSignalSpy netProfit(window->positionStore(), &PositionDataStore::netProfitChanged);
    const int row = panel()->rowOf("EURUSD");
    QTableWidgetItem *bid = table()->item(row, MarketWatchPanel::BidColumn);
    QTableWidgetItem *spread = table()->item(row, MarketWatchPanel::SpreadColumn);

    TickData first = tick("EURUSD", 1.10000, 1.10012, 5, 0);
    first.ask_high = 1.10100;
    first.bid_low = 1.09000;
    window->symbolStore()->onUpdatedTicks({first});
    QCOMPARE(bid->text(), QStringLiteral("1.10000"));
    QCOMPARE(spread->text(), QStringLiteral("12"));
    QCOMPARE(table()->item(row, MarketWatchPanel::TimeColumn)->text(), QStringLiteral("00:00:00"));
    QCOMPARE(table()->item(row, MarketWatchPanel::HighColumn)->text(), QStringLiteral("1.10100"));
    QCOMPARE(foreground(table()->item(row, MarketWatchPanel::HighColumn)), QColor(Qt::blue));
    QCOMPARE(table()->item(row, MarketWatchPanel::LowColumn)->text(), QStringLiteral("1.09000"));
    QCOMPARE(foreground(table()->item(row, MarketWatchPanel::LowColumn)), QColor(Qt::red));
    QCOMPARE(table()->item(row, MarketWatchPanel::ChangeHighColumn)->text(), QStringLiteral("-0.08%"));
    QCOMPARE(table()->item(row, MarketWatchPanel::ChangeLowColumn)->text(), QStringLiteral("0.91%"));

    struct Step
    {
        double bid, ask;
        QColor bidColour, spreadColour;
    };
    const QList<Step> steps{{1.10010, 1.10022, Qt::blue, Qt::black},
                            {1.10010, 1.10030, Qt::black, Qt::blue},
                            {1.09990, 1.10000, Qt::red, Qt::red}};
    for (const Step &step : steps) {
        window->symbolStore()->onUpdatedTicks({tick("EURUSD", step.bid, step.ask)});
        QCOMPARE(foreground(bid), step.bidColour);
        QCOMPARE(foreground(spread), step.spreadColour);
    }
    QCOMPARE(bid->text(), QStringLiteral("1.09990"));
    QCOMPARE(spread->text(), QStringLiteral("10"));
    QCOMPARE(foreground(table()->item(row, MarketWatchPanel::AskColumn)), QColor(Qt::red));
    // Every accepted tick goes on to the positions and to the window's listeners.
    QCOMPARE(prices.count(), 4);
    QCOMPARE(prices.last().at(0).value<TickData>().bid, 1.09990);
    QCOMPARE(netProfit.count(), 4);
}

void TestMarketWatch::tickTouchesOnlyItsRow()
{
    loadSymbols();
    QList<QTableWidgetItem *> items;
    for (int row = 0; row < table()->rowCount(); ++row)
        items << table()->item(row, 0) << table()->item(row, 1);
    QAbstractItemModel *model = table()->model();
    QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
    QSignalSpy removed(model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(model, &QAbstractItemModel::modelReset);

    const int row = panel()->rowOf("USDJPY");
    window->symbolStore()->onUpdatedTicks({tick("USDJPY", 149.5, 149.514, 3)});
    QVERIFY(changed.count() > 0);
    for (const QList<QVariant> &signal : qAsConst(changed)) {
        QCOMPARE(signal.at(0).toModelIndex().row(), row);
        QCOMPARE(signal.at(1).toModelIndex().row(), row);
    }
    QCOMPARE(removed.count() + inserted.count() + reset.count(), 0);
    QList<QTableWidgetItem *> after;
    for (int r = 0; r < table()->rowCount(); ++r)
        after << table()->item(r, 0) << table()->item(r, 1);
    QCOMPARE(after, items);
    QCOMPARE(table()->item(row, MarketWatchPanel::SpreadColumn)->text(), QStringLiteral("14"));
}

void TestMarketWatch::ignoredAndUnlistedTicks()
{
    loadSymbols({"EURUSD"});
    QSignalSpy prices(window, &Client_Terminal::symbolPriceChanged);
    QSignalSpy changed(table()->model(), &QAbstractItemModel::dataChanged);
    TickData noTime = tick("EURUSD", 1.2, 1.3);
    noTime.timestamp = 0;
    window->onPrice(noTime);
    window->onPrice(tick("", 1.2, 1.3));
    QCOMPARE(prices.count(), 0);
    QCOMPARE(changed.count(), 0);

    // A symbol without a row still reaches the window's listeners.
    window->symbolStore()->onUpdatedTicks({tick("AUDUSD", 0.66, 0.66014)});
    QCOMPARE(prices.count(), 1);
    QCOMPARE(changed.count(), 0);
}

void TestMarketWatch::unchangedListDoesNotRebuild()
{
    loadSymbols();
    QTableWidgetItem *first = table()->item(0, 0);
    QSignalSpy removed(table()->model(), &QAbstractItemModel::rowsRemoved);
    QSignalSpy inserted(table()->model(), &QAbstractItemModel::rowsInserted);

    // The same list again, through the store's own signal.
    window->symbolStore()->setSymbols(kMarketWatchOrder, true);
    QCOMPARE(table()->item(0, 0), first);
    QCOMPARE(removed.count() + inserted.count(), 0);

    // A different order is a different list.
    const QStringList reordered{"GBPUSD", "EURUSD", "USDJPY", "XAUEUR"};
    window->symbolStore()->setSymbols(reordered, true);
    QCOMPARE(rowSymbols(), reordered);
    QVERIFY(removed.count() > 0);
    QCOMPARE(panel()->symbolList(), reordered);
}

void TestMarketWatch::rowsOfHiddenSymbolsAreHidden()
{
    loadSymbols();
    SymbolDataStorage *store = window->symbolStore();
    store->setSymbolShown("USDJPY", false);
    QCOMPARE(rowSymbols(), (QStringList{"EURUSD", "GBPUSD", "XAUEUR"}));
    // A restored order may name a hidden symbol: its row is there but hidden once the
    // account's shown symbols have been applied.
    store->setSymbols(kMarketWatchOrder, true);
    QCOMPARE(rowSymbols(), kMarketWatchOrder);
    emit window->connectionFlow()->shownSymbolsApplied();
    for (int row = 0; row < table()->rowCount(); ++row)
        QCOMPARE(table()->isRowHidden(row), table()->item(row, 0)->text() == QLatin1String("USDJPY"));
}

void TestMarketWatch::filterOnEnterOrFocusLoss()
{
    loadSymbols();
    QLineEdit *search = window->form()->txt_symbol;
    QCOMPARE(search->placeholderText(), QStringLiteral("Search market"));
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    search->setFocus();
    QTRY_VERIFY(search->hasFocus());

    QTest::keyClicks(search, "usd");
    QCOMPARE(rowSymbols(), kMarketWatchOrder); // typing alone does not filter
    QTest::keyClick(search, Qt::Key_Return);
    QCOMPARE(panel()->filterText(), QStringLiteral("USD"));
    QCOMPARE(rowSymbols(), (QStringList{"EURUSD", "GBPUSD", "USDJPY"}));

    // A new list is filtered too.
    loadSymbols({"USDCHF", "XAUEUR", "EURUSD"});
    QCOMPARE(rowSymbols(), (QStringList{"EURUSD", "USDCHF"}));

    // Leaving the box applies it as well.
    search->selectAll();
    QTest::keyClicks(search, "eur");
    QCOMPARE(rowSymbols(), (QStringList{"EURUSD", "USDCHF"}));
    table()->setFocus();
    QTRY_COMPARE(panel()->filterText(), QStringLiteral("EUR"));
    QCOMPARE(rowSymbols(), (QStringList{"EURUSD", "XAUEUR"}));

    // An emptied box shows every row again.
    search->clear();
    window->onFilterSymbol();
    QCOMPARE(rowSymbols(), (QStringList{"EURUSD", "USDCHF", "XAUEUR"}));
}

void TestMarketWatch::selectionAndNewLogin()
{
    loadSymbols();
    table()->selectRow(panel()->rowOf("USDJPY"));
    QCOMPARE(panel()->selectedSymbol(), QStringLiteral("USDJPY"));
    // A rebuild keeps the symbol the user chose.
    loadSymbols({"EURUSD", "AUDUSD"});
    QCOMPARE(panel()->selectedSymbol(), QStringLiteral("USDJPY"));
    emit window->connectionFlow()->loginStarting();
    QCOMPARE(panel()->selectedSymbol(), QString());
}

void TestMarketWatch::readOnlyDoubleClick()
{
    loadSymbols();
    QSignalSpy orders(panel(), &MarketWatchPanel::newOrderRequested);
    const QRect cell = table()->visualItemRect(table()->item(panel()->rowOf("GBPUSD"), 2));

    SessionFlags::setInvestor(true);
    QString title, text;
    UiScript script;
    script.onModal([&](QWidget *widget) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        if (!box)
            return false;
        title = box->windowTitle();
        text = box->text();
        box->button(QMessageBox::Ok)->click();
        return true;
    });
    QTest::mouseClick(table()->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QTest::mouseDClick(table()->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QVERIFY(script.finished());
    QCOMPARE(title, QStringLiteral("Warning"));
    QCOMPARE(text, QStringLiteral("Trade operations restricted in Read Only Mode."));
    QCOMPARE(orders.count(), 0);

    // With the trading password the row's symbol goes to the order dialog, without a box.
    SessionFlags::setInvestor(false);
    QTest::mouseClick(table()->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QTest::mouseDClick(table()->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QCOMPARE(orders.count(), 1);
    QCOMPARE(orders.at(0).at(0).toString(), QStringLiteral("GBPUSD"));
}

void TestMarketWatch::contextMenuEntries()
{
    loadSymbols();
    UiScript script;
    script.dismissMenu();
    rightClickRow("USDJPY");
    QVERIFY(script.finished());
    QCOMPARE(script.menusSeen().value(0),
             (QStringList{"New Order", "Show Chart", "Change Color", "Change Font Size", "-", "-",
                          "Add/Hide Symbol", "Symbol Specification", "Columns"}));
}

void TestMarketWatch::noMenuOnEmptySpace()
{
    loadSymbols({"EURUSD"});
    const QPoint below(5, table()->viewport()->height() - 3);
    QVERIFY(!table()->itemAt(below));
    UiScript script;
    script.dismissMenu();
    emit table()->customContextMenuRequested(below);
    // Had a menu opened, its own loop would have run the script before returning here.
    QCOMPARE(script.stepsDone(), 0);
}

void TestMarketWatch::newOrderFromMenu_data()
{
    QTest::addColumn<bool>("investor");
    QTest::addColumn<QStringList>("requested");
    QTest::addColumn<bool>("warned");
    // The action's own handler runs with the selected symbol, then the clicked row's symbol follows.
    QTest::newRow("trading password") << false << QStringList{"EURUSD", "USDJPY"} << false;
    QTest::newRow("read-only password") << true << QStringList() << true;
}

void TestMarketWatch::newOrderFromMenu()
{
    QFETCH(bool, investor);
    QFETCH(QStringList, requested);
    QFETCH(bool, warned);
    loadSymbols();
    table()->selectRow(panel()->rowOf("EURUSD"));
    SessionFlags::setInvestor(investor);
    QSignalSpy orders(panel(), &MarketWatchPanel::newOrderRequested);
    bool boxShown = false;
    UiScript script;
    script.chooseMenuEntry("New Order");
    if (warned) {
        script.onModal([&](QWidget *widget) {
            auto *box = qobject_cast<QMessageBox *>(widget);
            if (!box)
                return false;
            boxShown = box->text() == QLatin1String("Trade operations restricted in Read Only Mode.");
            box->button(QMessageBox::Ok)->click();
            return true;
        });
    }
    rightClickRow("USDJPY");
    QTRY_VERIFY(script.finished());
    QCOMPARE(boxShown, warned);
    QStringList symbols;
    for (const QList<QVariant> &request : qAsConst(orders))
        symbols << request.at(0).toString();
    QCOMPARE(symbols, requested);
}

void TestMarketWatch::showChartAndSpecification()
{
    loadSymbols();
    QSignalSpy charts(panel(), &MarketWatchPanel::chartRequested);
    {
        UiScript script;
        script.chooseMenuEntry("Show Chart");
        rightClickRow("GBPUSD");
        QVERIFY(script.finished());
    }
    QCOMPARE(charts.count(), 1);
    QCOMPARE(charts.at(0).at(0).toString(), QStringLiteral("GBPUSD"));

    UiScript script;
    script.chooseMenuEntry("Symbol Specification");
    rightClickRow("USDJPY");
    QVERIFY(script.finished());
    // Not modal: it is open after the menu has gone, and goes away when closed.
    auto *dialog = window->findChild<SymbolSpecificationDialog *>();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->isModal());
    QCOMPARE(dialog->symbol(), QStringLiteral("USDJPY"));
    QCOMPARE(dialog->findChild<QLabel *>("spec_2")->text(), QStringLiteral("3"));
    QPointer<SymbolSpecificationDialog> guard(dialog);
    dialog->close();
    QTRY_VERIFY(guard.isNull());
}

void TestMarketWatch::columnsMenu()
{
    loadSymbols();
    UiScript script;
    script.chooseMenuEntry("Columns").chooseMenuEntry("Change %H");
    rightClickRow("EURUSD");
    QVERIFY(script.finished());
    const QStringList names{"Symbol", "Bid",  "Ask",       "Spread",   "High",
                            "Low",    "Time", "Change %H", "Change %L"};
    QCOMPARE(script.menusSeen().value(1), names);
    QVERIFY(!table()->isColumnHidden(MarketWatchPanel::ChangeHighColumn));
    QVERIFY(table()->isColumnHidden(MarketWatchPanel::ChangeLowColumn));

    // The entries carry the columns' state: Bid is on, so choosing it hides it.
    UiScript hide;
    hide.chooseMenuEntry("Columns").chooseMenuEntry("Bid");
    rightClickRow("EURUSD");
    QVERIFY(hide.finished());
    QVERIFY(table()->isColumnHidden(MarketWatchPanel::BidColumn));
}

void TestMarketWatch::fontSizeSurvivesRebuild()
{
    loadSymbols();
    QString title, label;
    UiScript script;
    script.chooseMenuEntry("Change Font Size").onModal([&](QWidget *widget) {
        auto *dialog = qobject_cast<QInputDialog *>(widget);
        if (!dialog)
            return false;
        title = dialog->windowTitle();
        label = dialog->labelText();
        auto *combo = dialog->findChild<QComboBox *>();
        QStringList offered;
        for (int i = 0; combo && i < combo->count(); ++i)
            offered << combo->itemText(i);
        if (offered != QStringList{"7", "8", "9", "10", "11", "12"} || combo->currentText() != "7" ||
            combo->isEditable())
            label = "unexpected choices: " + offered.join(',');
        dialog->setTextValue("12");
        dialog->accept();
        return true;
    });
    rightClickRow("EURUSD");
    QVERIFY(script.finished());
    QCOMPARE(title, QStringLiteral("Select Font Size"));
    QCOMPARE(label, QStringLiteral("Font Size:"));
    QCOMPARE(table()->font().pointSize(), 12);
    QVERIFY(table()->rowHeight(0) >= 17);

    // The next list keeps the chosen size.
    loadSymbols({"EURUSD", "AUDUSD"});
    QCOMPARE(table()->font().pointSize(), 12);
    QVERIFY(table()->rowHeight(1) >= 17);
}

void TestMarketWatch::tableColours_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("dialogTitles");
    QTest::addColumn<QList<QColor>>("choices"); // an invalid colour cancels that dialog
    QTest::addColumn<QString>("styleSheet");
    QTest::newRow("one color")
        << "one color" << QStringList{"Select Table Color"} << QList<QColor>{QColor("#336699")}
        << "QTableWidget { background-color: #336699; alternate-background-color: #336699;}";
    QTest::newRow("custom design") << "custom design"
                                   << QStringList{"Select Base Color", "Select Alternate Color"}
                                   << QList<QColor>{QColor("#ffffee"), QColor("#eeeeff")}
                                   << "QTableWidget { background-color: #ffffee; alternate-background-color: "
                                      "#eeeeff; }";
    QTest::newRow("custom design, alternate cancelled")
        << "custom design" << QStringList{"Select Base Color", "Select Alternate Color"}
        << QList<QColor>{QColor("#ffffee"), QColor()} << "";
    QTest::newRow("one color cancelled")
        << "one color" << QStringList{"Select Table Color"} << QList<QColor>{QColor()} << "";
    QTest::newRow("box closed without a choice") << "" << QStringList() << QList<QColor>() << "";
}

void TestMarketWatch::tableColours()
{
    QFETCH(QString, button);
    QFETCH(QStringList, dialogTitles);
    QFETCH(QList<QColor>, choices);
    QFETCH(QString, styleSheet);
    loadSymbols();
    QString boxTitle, boxText;
    QStringList titles;
    QList<QColor> starts;
    UiScript script;
    script.chooseMenuEntry("Change Color").onModal([&](QWidget *widget) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        if (!box)
            return false;
        boxTitle = box->windowTitle();
        boxText = box->text();
        for (QAbstractButton *b : box->buttons()) {
            if (b->text() == button) {
                b->click();
                return true;
            }
        }
        box->close();
        return true;
    });
    for (const QColor &choice : choices) {
        script.onModal([&titles, &starts, choice](QWidget *widget) {
            auto *dialog = qobject_cast<QColorDialog *>(widget);
            if (!dialog)
                return false;
            titles << dialog->windowTitle();
            starts << dialog->currentColor();
            if (choice.isValid()) {
                dialog->setCurrentColor(choice);
                dialog->accept();
            } else {
                dialog->reject();
            }
            return true;
        });
    }
    rightClickRow("EURUSD");
    QVERIFY(script.finished());
    QCOMPARE(boxTitle, QStringLiteral("Change Table Color"));
    QCOMPARE(boxText, QStringLiteral("Change color for:"));
    QCOMPARE(titles, dialogTitles);
    if (!starts.isEmpty())
        QCOMPARE(starts.first(), QColor(Qt::white));
    if (starts.size() > 1)
        QCOMPARE(starts.at(1), QColor(240, 240, 240));
    QCOMPARE(table()->styleSheet(), styleSheet);
}

void TestMarketWatch::showHideRoundTrip()
{
    LoginDialog *login = window->loginBox();
    login->addServer("Demo", "127.0.0.1:1");
    login->setServerName("Demo");
    login->setLogin(50001);
    const QString folder = AccountPaths::accountFolder("Demo", 50001);
    QCOMPARE(login->accountFolder(), folder);

    loadSymbols();
    // The first list of an account without a saved list shows and saves every symbol.
    QTRY_COMPARE(ShownSymbolsFile::read(folder), (QStringList{"EURUSD", "GBPUSD", "USDJPY", "XAUEUR"}));

    QStringList checkedAtStart, rowsAfterHide, fileAfterHide, rowsAfterShow;
    UiScript script;
    script.chooseMenuEntry("Add/Hide Symbol").onModal([&](QWidget *widget) {
        auto *dialog = qobject_cast<ShowSymbolDialog *>(widget);
        if (!dialog)
            return false;
        QListWidget *list = dialog->listWidget();
        for (int i = 0; i < list->count(); ++i) {
            if (list->item(i)->checkState() == Qt::Checked)
                checkedAtStart << list->item(i)->text();
        }
        QListWidgetItem *gbp = list->findItems("GBPUSD", Qt::MatchExactly).value(0);
        QListWidgetItem *jpy = list->findItems("USDJPY", Qt::MatchExactly).value(0);
        gbp->setCheckState(Qt::Unchecked);
        rowsAfterHide = rowSymbols();
        fileAfterHide = ShownSymbolsFile::read(folder);
        gbp->setCheckState(Qt::Checked);
        rowsAfterShow = rowSymbols();
        jpy->setCheckState(Qt::Unchecked);
        dialog->reject();
        return true;
    });
    rightClickRow("EURUSD");
    QVERIFY(script.finished());
    QCOMPARE(checkedAtStart, (QStringList{"EURUSD", "GBPUSD", "USDJPY", "XAUEUR"}));
    QCOMPARE(rowsAfterHide, (QStringList{"EURUSD", "USDJPY", "XAUEUR"}));
    QCOMPARE(fileAfterHide, (QStringList{"EURUSD", "USDJPY", "XAUEUR"}));
    QCOMPARE(rowsAfterShow, (QStringList{"EURUSD", "USDJPY", "XAUEUR", "GBPUSD"}));
    QCOMPARE(rowSymbols(), (QStringList{"EURUSD", "XAUEUR", "GBPUSD"}));
    QCOMPARE(ShownSymbolsFile::read(folder), (QStringList{"EURUSD", "GBPUSD", "XAUEUR"}));
    QCOMPARE(window->connectionFlow()->accountShownSymbols(), (QStringList{"EURUSD", "GBPUSD", "XAUEUR"}));

    // Applying the account's list (as 50 ms after each change) agrees with the file: nothing moves.
    window->connectionFlow()->applyShownSymbols();
    QCOMPARE(rowSymbols(), (QStringList{"EURUSD", "XAUEUR", "GBPUSD"}));

    // Opened again, the dialog reads what the file says.
    QVERIFY(ShownSymbolsFile::write(folder, {"EURUSD"}));
    QStringList checkedNow;
    UiScript reopen;
    reopen.chooseMenuEntry("Add/Hide Symbol").onModal([&](QWidget *widget) {
        auto *dialog = qobject_cast<ShowSymbolDialog *>(widget);
        if (!dialog)
            return false;
        for (int i = 0; i < dialog->listWidget()->count(); ++i) {
            if (dialog->listWidget()->item(i)->checkState() == Qt::Checked)
                checkedNow << dialog->listWidget()->item(i)->text();
        }
        dialog->reject();
        return true;
    });
    rightClickRow("EURUSD");
    QVERIFY(reopen.finished());
    QCOMPARE(checkedNow, QStringList{"EURUSD"});
}

QTEST_MAIN(TestMarketWatch)
#include "TestMarketWatch.moc"
