// The show/hide and specification dialogs over a real symbol store, and the
// compact table style they share a library with.
#include "data/SymbolDataStorage.h"
#include "support/CompactTableStyle.h"
#include "support/ShowSymbolDialog.h"
#include "support/SymbolSpecificationDialog.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QJsonArray>
#include <QLabel>
#include <QListWidget>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QtTest>

namespace {

QJsonObject symbolJson(const QString &name, int digits = 5, double contractSize = 100000.0, int minVol = 100,
                       int maxVol = 1000000, int stepVol = 100)
{
    return QJsonObject{{"symbol", name},      {"desc", QString(name + " description")},
                       {"digits", digits},    {"c_size", contractSize},
                       {"min_vol", minVol},   {"max_vol", maxVol},
                       {"step_vol", stepVol}, {"path", "Forex"}};
}

void load(SymbolDataStorage &store, const QList<QJsonObject> &elements)
{
    QJsonArray array;
    for (const QJsonObject &element : elements)
        array.append(element);
    store.onSymbolList(QJsonObject{{"res_code", 8}, {"array", array}});
}

QStringList itemTexts(const QListWidget *list, bool checkedOnly)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) {
        if (!checkedOnly || list->item(i)->checkState() == Qt::Checked)
            texts << list->item(i)->text();
    }
    return texts;
}

QString value(const QDialog &dialog, const QString &name)
{
    const QLabel *label = dialog.findChild<QLabel *>(name);
    return label ? label->text() : QStringLiteral("<missing %1>").arg(name);
}

} // namespace

class TestSymbolDialogs : public QObject
{
    Q_OBJECT
private slots:
    void showDialogForm();
    void showDialogChecks_data();
    void showDialogChecks();
    void uncheckAndCheckAgain();
    void refillIsNotAChange();
    void specificationOfKnownSymbol_data();
    void specificationOfKnownSymbol();
    void specificationFixedTexts();
    void specificationOfUnknownSymbol();
    void specificationForm();
    void compactStyle();
};

void TestSymbolDialogs::showDialogForm()
{
    SymbolDataStorage store;
    ShowSymbolDialog dialog(&store);
    QCOMPARE(dialog.objectName(), QStringLiteral("ShowSymbolDialog"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Show/Hide Symbols"));
    QCOMPARE(dialog.size(), QSize(392, 300));
    auto *layout = dialog.findChild<QVBoxLayout *>("verticalLayout");
    QVERIFY(layout);
    const QLabel *label = dialog.findChild<QLabel *>("label");
    QVERIFY(label);
    QCOMPARE(label->text(), QStringLiteral("Symbols"));
    QCOMPARE(dialog.listWidget()->objectName(), QStringLiteral("listWidget"));
    QCOMPARE(layout->stretch(layout->indexOf(dialog.listWidget())), 1);
}

void TestSymbolDialogs::showDialogChecks_data()
{
    QTest::addColumn<QStringList>("saved");
    QTest::addColumn<QStringList>("checked");
    QTest::newRow("no saved list: every symbol checked")
        << QStringList() << QStringList{"AUDUSD", "EURUSD", "GBPUSD", "USDJPY"};
    QTest::newRow("saved list: only its names")
        << QStringList{"USDJPY", "EURUSD"} << QStringList{"EURUSD", "USDJPY"};
    QTest::newRow("names match case-sensitively") << QStringList{"eurusd", "GBPUSD"} << QStringList{"GBPUSD"};
    QTest::newRow("saved names the store lacks are ignored") << QStringList{"XAUUSD"} << QStringList();
}

void TestSymbolDialogs::showDialogChecks()
{
    QFETCH(QStringList, saved);
    QFETCH(QStringList, checked);
    SymbolDataStorage store;
    load(store, {symbolJson("EURUSD"), symbolJson("USDJPY", 3), symbolJson("GBPUSD"), symbolJson("AUDUSD")});
    QSignalSpy listChanges(&store, &SymbolDataStorage::symbolListChanged);
    ShowSymbolDialog dialog(&store, saved);
    // Sorted, like the store's names; every item can be ticked.
    QCOMPARE(itemTexts(dialog.listWidget(), false), (QStringList{"AUDUSD", "EURUSD", "GBPUSD", "USDJPY"}));
    for (int i = 0; i < dialog.listWidget()->count(); ++i)
        QVERIFY(dialog.listWidget()->item(i)->flags() & Qt::ItemIsUserCheckable);
    QCOMPARE(itemTexts(dialog.listWidget(), true), checked);
    // Filling shows what was saved; it changes nothing in the store.
    QCOMPARE(listChanges.count(), 0);
}

void TestSymbolDialogs::uncheckAndCheckAgain()
{
    SymbolDataStorage store;
    load(store, {symbolJson("EURUSD"), symbolJson("GBPUSD"), symbolJson("AUDUSD"), symbolJson("USDJPY", 3)});
    const QStringList before = store.symbolList();
    QCOMPARE(before, (QStringList{"EURUSD", "GBPUSD", "AUDUSD", "USDJPY"}));
    ShowSymbolDialog dialog(&store);
    QSignalSpy changes(&dialog, &ShowSymbolDialog::symbolShownChanged);
    QListWidgetItem *gbp = dialog.listWidget()->findItems("GBPUSD", Qt::MatchExactly).value(0);
    QVERIFY(gbp);

    gbp->setCheckState(Qt::Unchecked);
    QCOMPARE(store.symbolList(), (QStringList{"EURUSD", "AUDUSD", "USDJPY"}));
    QVERIFY(!store.setting("GBPUSD").shown);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(changes.at(0).at(0).toString(), QStringLiteral("GBPUSD"));
    QCOMPARE(changes.at(0).at(1).toBool(), false);

    // Checked again it comes back at the end of the market watch.
    gbp->setCheckState(Qt::Checked);
    QCOMPARE(store.symbolList(), (QStringList{"EURUSD", "AUDUSD", "USDJPY", "GBPUSD"}));
    QVERIFY(store.setting("GBPUSD").shown);
    QCOMPARE(changes.count(), 2);
    QCOMPARE(changes.at(1).at(1).toBool(), true);
}

void TestSymbolDialogs::refillIsNotAChange()
{
    SymbolDataStorage store;
    load(store, {symbolJson("EURUSD"), symbolJson("GBPUSD")});
    ShowSymbolDialog dialog(&store);
    QSignalSpy changes(&dialog, &ShowSymbolDialog::symbolShownChanged);
    dialog.fill({"EURUSD"});
    QCOMPARE(itemTexts(dialog.listWidget(), true), QStringList{"EURUSD"});
    QCOMPARE(changes.count(), 0);
    QCOMPARE(store.symbolList(), (QStringList{"EURUSD", "GBPUSD"}));

    // Without a store the list stays empty and a tick does nothing.
    ShowSymbolDialog bare(nullptr, {"EURUSD"});
    QCOMPARE(bare.listWidget()->count(), 0);
}

void TestSymbolDialogs::specificationOfKnownSymbol_data()
{
    QTest::addColumn<double>("contractSize");
    QTest::addColumn<int>("minVol");
    QTest::addColumn<int>("maxVol");
    QTest::addColumn<int>("stepVol");
    QTest::addColumn<QStringList>("texts"); // spec_3 ... spec_6
    QTest::newRow("forex lot") << 100000.0 << 100 << 1000000 << 100
                               << QStringList{"100000", "0.01", "100.00", "0.01"};
    QTest::newRow("fractional contract, whole lots")
        << 0.5 << 10000 << 50000 << 5000 << QStringList{"0.5", "1.00", "5.00", "0.50"};
    QTest::newRow("six significant digits")
        << 1234567.0 << 1 << 5 << 50 << QStringList{"1.23457e+06", "0.00", "0.00", "0.01"};
}

void TestSymbolDialogs::specificationOfKnownSymbol()
{
    QFETCH(double, contractSize);
    QFETCH(int, minVol);
    QFETCH(int, maxVol);
    QFETCH(int, stepVol);
    QFETCH(QStringList, texts);
    SymbolDataStorage store;
    load(store, {symbolJson("EURUSD", 5, contractSize, minVol, maxVol, stepVol), symbolJson("USDJPY", 3)});
    SymbolSpecificationDialog dialog("EURUSD", &store);
    QCOMPARE(value(dialog, "spec_0"), QStringLiteral("EURUSD"));
    QCOMPARE(value(dialog, "spec_1"), QStringLiteral("EURUSD description"));
    QCOMPARE(value(dialog, "spec_2"), QStringLiteral("5"));
    for (int i = 0; i < 4; ++i)
        QCOMPARE(value(dialog, QStringLiteral("spec_%1").arg(i + 3)), texts.at(i));
}

void TestSymbolDialogs::specificationFixedTexts()
{
    SymbolDataStorage store;
    load(store, {symbolJson("USDJPY", 3)});
    SymbolSpecificationDialog dialog("USDJPY", &store);
    QCOMPARE(value(dialog, "spec_2"), QStringLiteral("3"));
    const QStringList swap{"0", "360", "0", "0"};
    for (int i = 0; i < 4; ++i)
        QCOMPARE(value(dialog, QStringLiteral("swap_%1").arg(i)), swap.at(i));
    const QStringList rates{"0", "1", "1", "3", "1", "1", "0"};
    for (int day = 0; day < 7; ++day) {
        QCOMPARE(value(dialog, QStringLiteral("swap_rate_%1").arg(day)), rates.at(day));
        QCOMPARE(value(dialog, QStringLiteral("quotes_%1").arg(day)), QStringLiteral("00:00 - 23:59"));
        QCOMPARE(value(dialog, QStringLiteral("trade_%1").arg(day)), QStringLiteral("00:00 - 23:59"));
    }
}

void TestSymbolDialogs::specificationOfUnknownSymbol()
{
    SymbolDataStorage store;
    load(store, {symbolJson("EURUSD")});
    SymbolSpecificationDialog dialog("XAUUSD", &store);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Instrument Specifications - XAUUSD"));
    // Every group is there, every value empty.
    QCOMPARE(dialog.findChildren<QGroupBox *>().size(), 5);
    const QList<QPair<QString, int>> groups{
        {"spec_%1", 7}, {"swap_%1", 4}, {"swap_rate_%1", 7}, {"quotes_%1", 7}, {"trade_%1", 7}};
    for (const auto &group : groups) {
        for (int i = 0; i < group.second; ++i)
            QCOMPARE(value(dialog, group.first.arg(i)), QString());
    }

    // No store: nothing is looked up.
    SymbolSpecificationDialog withoutStore("EURUSD", nullptr);
    QCOMPARE(value(withoutStore, "spec_0"), QString());
}

void TestSymbolDialogs::specificationForm()
{
    SymbolDataStorage store;
    SymbolSpecificationDialog dialog("EURUSD", &store);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Instrument Specifications - EURUSD"));
    QCOMPARE(dialog.minimumSize(), QSize(600, 700));
    QCOMPARE(dialog.maximumSize(), QSize(600, 700));
    const auto *heading = dialog.findChild<QLabel *>("headingLabel");
    QVERIFY(heading);
    QCOMPARE(heading->text(), QStringLiteral("Symbol: EURUSD"));
    QCOMPARE(heading->font().weight(), 75);
    QCOMPARE(heading->font().pointSize(), 14);
    QCOMPARE(heading->alignment(), Qt::AlignCenter);
    const auto *scroll = dialog.findChild<QScrollArea *>();
    QVERIFY(scroll && scroll->widgetResizable());

    const QList<QGroupBox *> boxes = scroll->widget()->findChildren<QGroupBox *>();
    QStringList titles;
    for (const QGroupBox *box : boxes)
        titles << box->title();
    QCOMPARE(titles, (QStringList{"Instrument Specifications", "Swap Details", "Swap Rates", "Quotes Session",
                                  "Trade Session"}));
    // Row labels bold, in order, beside their values.
    const auto *grid = qobject_cast<QGridLayout *>(boxes.at(1)->layout());
    QVERIFY(grid);
    QStringList labels;
    for (int row = 0; row < grid->rowCount(); ++row) {
        const auto *label = qobject_cast<QLabel *>(grid->itemAtPosition(row, 0)->widget());
        QCOMPARE(label->styleSheet(), QStringLiteral("font-weight: bold;"));
        labels << label->text();
        QCOMPARE(grid->itemAtPosition(row, 1)->widget()->objectName(), QStringLiteral("swap_%1").arg(row));
    }
    QCOMPARE(labels, (QStringList{"Type:", "Days:", "Long:", "Short:"}));
}

void TestSymbolDialogs::compactStyle()
{
    QTableWidget table(3, 4);
    table.setHorizontalHeaderLabels({"Symbol", "Bid", "Ask", "Spread"});
    table.verticalHeader()->setMinimumSectionSize(18);
    applyCompactTableStyle(&table);
    QCOMPARE(table.font().pointSize(), 8);
    // Four pixels are asked for; the header's minimum is what rows get.
    for (int row = 0; row < 3; ++row)
        QCOMPARE(table.rowHeight(row), 18);
    QCOMPARE(table.verticalHeader()->defaultSectionSize(), 18);
    QCOMPARE(table.horizontalHeader()->minimumHeight(), 16);
    QVERIFY(table.alternatingRowColors());
    for (int column = 0; column < 4; ++column) {
        QCOMPARE(table.horizontalHeader()->sectionResizeMode(column), QHeaderView::Stretch);
        QCOMPARE(table.horizontalHeaderItem(column)->textAlignment(), int(Qt::AlignLeft | Qt::AlignVCenter));
    }
    applyCompactTableStyle(nullptr); // no table, no crash
}

QTEST_MAIN(TestSymbolDialogs)
#include "TestSymbolDialogs.moc"
