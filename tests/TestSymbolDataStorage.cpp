#include "data/SymbolDataStorage.h"

#include <QJsonArray>
#include <QSignalSpy>
#include <QtTest>

namespace {

QJsonObject symbolJson(const QString &name, const QString &desc = QString(), int digits = 5)
{
    return QJsonObject{
        {QStringLiteral("symbol"), name},
        {QStringLiteral("desc"), desc.isEmpty() ? QString(name + QStringLiteral(" desc")) : desc},
        {QStringLiteral("digits"), digits},
        {QStringLiteral("c_size"), 100000.0},
        {QStringLiteral("min_vol"), 100},
        {QStringLiteral("max_vol"), 1000000},
        {QStringLiteral("step_vol"), 100},
        {QStringLiteral("path"), QStringLiteral("Forex\\Majors")}};
}

QJsonObject symbolList(const QList<QJsonObject> &elements)
{
    QJsonArray array;
    for (const QJsonObject &element : elements)
        array.append(element);
    return QJsonObject{{QStringLiteral("res_code"), 8}, {QStringLiteral("array"), array}};
}

QJsonObject symbolList(const QStringList &names)
{
    QList<QJsonObject> elements;
    for (const QString &name : names)
        elements.append(symbolJson(name));
    return symbolList(elements);
}

QJsonObject withField(QJsonObject object, const QString &key, const QJsonValue &value)
{
    object.insert(key, value);
    return object;
}

TickData makeTick(const QString &symbol, double bid)
{
    TickData tick;
    tick.symbol = symbol;
    tick.bid = bid;
    tick.ask = bid + 0.0001;
    tick.digits = 5;
    tick.timestamp = 1700000000;
    return tick;
}

const QStringList kMajors{QStringLiteral("EURUSD"), QStringLiteral("AUDUSD"), QStringLiteral("GBPUSD"),
                          QStringLiteral("USDJPY")};

} // namespace

class TestSymbolDataStorage : public QObject
{
    Q_OBJECT
private slots:
    void marketWatchOrder_data();
    void marketWatchOrder();
    void listSignalsComeInOrder();
    void changeDetection_data();
    void changeDetection();
    void changedListShowsEverySymbolAgain();
    void unchangedListKeepsHiddenSymbols();
    void repeatedSymbolInOneList();
    void emptyListOnEmptyStorage();
    void showAndHide_data();
    void showAndHide();
    void setSymbolsReplacesTheList_data();
    void setSymbolsReplacesTheList();
    void shownSymbolsAreSortedSettings();
    void ticksAreStoredAndForwarded();
    void unknownSymbolLookups();
    void clearEmptiesEverything();
};

void TestSymbolDataStorage::marketWatchOrder_data()
{
    QTest::addColumn<QStringList>("symbols");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("majors first, then key order")
        << QStringList{"EURUSD", "AUDUSD", "GBPUSD", "USDJPY", "XEURUSDX"}
        << QStringList{"EURUSD", "GBPUSD", "XEURUSDX", "AUDUSD", "USDJPY"};
    QTest::newRow("leading match ignores case") << QStringList{"aud", "gbpusd.m", "EurUsd", "XAUUSD"}
                                                << QStringList{"EurUsd", "gbpusd.m", "XAUUSD", "aud"};
    QTest::newRow("key order is code-unit order")
        << QStringList{"b", "a", "B", "_x", "A"} << QStringList{"A", "B", "_x", "a", "b"};
    QTest::newRow("no majors") << QStringList{"USDJPY", "AUDUSD"} << QStringList{"AUDUSD", "USDJPY"};
    QTest::newRow("empty symbols skipped") << QStringList{"", "USDJPY", ""} << QStringList{"USDJPY"};
}

void TestSymbolDataStorage::marketWatchOrder()
{
    QFETCH(QStringList, symbols);
    QFETCH(QStringList, order);
    SymbolDataStorage storage;
    QSignalSpy listSpy(&storage, &SymbolDataStorage::symbolListChanged);
    storage.onSymbolList(symbolList(symbols));
    QCOMPARE(listSpy.count(), 1);
    QCOMPARE(listSpy.at(0).at(0).toStringList(), order);
    QCOMPARE(storage.symbolList(), order);
    QStringList sorted = order;
    std::sort(sorted.begin(), sorted.end());
    QCOMPARE(storage.allSymbols(), sorted);
}

void TestSymbolDataStorage::listSignalsComeInOrder()
{
    SymbolDataStorage storage;
    QStringList events;
    connect(&storage, &SymbolDataStorage::symbolListChanged, this, [&](const QStringList &list) {
        // The settings are already in place when the list goes out.
        events << QStringLiteral("list %1 digits %2")
                      .arg(list.size())
                      .arg(storage.digits(QStringLiteral("EURUSD")));
    });
    connect(&storage, &SymbolDataStorage::symbolSettingChanged, this,
            [&] { events << QStringLiteral("settings"); });
    storage.onSymbolList(symbolList(kMajors));
    QCOMPARE(events, (QStringList{"list 4 digits 5", "settings"}));
}

void TestSymbolDataStorage::changeDetection_data()
{
    QTest::addColumn<QJsonObject>("first");
    QTest::addColumn<QJsonObject>("second");
    QTest::addColumn<bool>("changed");

    const QJsonObject eur = symbolJson(QStringLiteral("EURUSD"));
    const QJsonObject gbp = symbolJson(QStringLiteral("GBPUSD"));
    const QJsonObject base = symbolList({eur, gbp});

    QTest::newRow("same list twice") << base << base << false;
    QTest::newRow("same symbols in another array order") << base << symbolList({gbp, eur}) << false;
    QTest::newRow("fields outside the setting are ignored")
        << base << symbolList({withField(eur, QStringLiteral("spread"), 12), gbp}) << false;
    QTest::newRow("element without a symbol is ignored")
        << base << symbolList({eur, symbolJson(QString()), gbp}) << false;
    QTest::newRow("desc differs")
        << base << symbolList({withField(eur, QStringLiteral("desc"), QStringLiteral("Euro")), gbp}) << true;
    QTest::newRow("digits differs") << base << symbolList({withField(eur, QStringLiteral("digits"), 3), gbp})
                                    << true;
    QTest::newRow("c_size differs") << base
                                    << symbolList({withField(eur, QStringLiteral("c_size"), 1000.0), gbp})
                                    << true;
    QTest::newRow("min_vol differs") << base
                                     << symbolList({withField(eur, QStringLiteral("min_vol"), 1000), gbp})
                                     << true;
    QTest::newRow("max_vol differs") << base
                                     << symbolList({withField(eur, QStringLiteral("max_vol"), 5), gbp})
                                     << true;
    QTest::newRow("step_vol differs")
        << base << symbolList({withField(eur, QStringLiteral("step_vol"), 1), gbp}) << true;
    QTest::newRow("path differs") << base
                                  << symbolList(
                                         {withField(eur, QStringLiteral("path"), QStringLiteral("CFD")), gbp})
                                  << true;
    QTest::newRow("symbol added") << base << symbolList({eur, gbp, symbolJson(QStringLiteral("USDJPY"))})
                                  << true;
    QTest::newRow("symbol removed") << base << symbolList({eur}) << true;
    QTest::newRow("symbol renamed") << base << symbolList({eur, symbolJson(QStringLiteral("GBPUSD.m"))})
                                    << true;
    QTest::newRow("empty array empties the settings") << base << symbolList(QList<QJsonObject>{}) << true;
    QTest::newRow("message without array empties the settings")
        << base << QJsonObject{{"res_code", 8}} << true;
}

void TestSymbolDataStorage::changeDetection()
{
    QFETCH(QJsonObject, first);
    QFETCH(QJsonObject, second);
    QFETCH(bool, changed);
    SymbolDataStorage storage;
    storage.onSymbolList(first);
    QSignalSpy listSpy(&storage, &SymbolDataStorage::symbolListChanged);
    QSignalSpy settingSpy(&storage, &SymbolDataStorage::symbolSettingChanged);
    const QStringList before = storage.symbolList();

    storage.onSymbolList(second);
    QCOMPARE(listSpy.count(), changed ? 1 : 0);
    QCOMPARE(settingSpy.count(), changed ? 1 : 0);

    // What the storage holds afterwards is the second list, either way.
    QStringList names;
    for (const QJsonValue &element : second.value(QLatin1String("array")).toArray()) {
        const QString name = element.toObject().value(QLatin1String("symbol")).toString();
        if (!name.isEmpty())
            names << name;
    }
    std::sort(names.begin(), names.end());
    QCOMPARE(storage.allSymbols(), names);
    for (const QJsonValue &element : second.value(QLatin1String("array")).toArray()) {
        const SymbolSetting expected(element.toObject());
        if (!expected.symbol.isEmpty())
            QVERIFY(storage.setting(expected.symbol) == expected);
    }
    if (changed)
        QCOMPARE(listSpy.at(0).at(0).toStringList(), storage.symbolList());
    else
        QCOMPARE(storage.symbolList(), before);
}

void TestSymbolDataStorage::changedListShowsEverySymbolAgain()
{
    SymbolDataStorage storage;
    storage.onSymbolList(symbolList(kMajors));
    storage.setSymbolShown(QStringLiteral("GBPUSD"), false);
    storage.setSymbolShown(QStringLiteral("USDJPY"), false);
    QCOMPARE(storage.symbolList(), (QStringList{"EURUSD", "AUDUSD"}));

    QList<QJsonObject> elements;
    for (const QString &name : kMajors)
        elements << symbolJson(name, name == QLatin1String("AUDUSD") ? QStringLiteral("Aussie") : QString());
    QSignalSpy listSpy(&storage, &SymbolDataStorage::symbolListChanged);
    storage.onSymbolList(symbolList(elements));
    QCOMPARE(listSpy.count(), 1);
    QCOMPARE(storage.symbolList(), (QStringList{"EURUSD", "GBPUSD", "AUDUSD", "USDJPY"}));
    QCOMPARE(storage.shownSymbols(), (QStringList{"AUDUSD", "EURUSD", "GBPUSD", "USDJPY"}));
    QVERIFY(storage.setting(QStringLiteral("GBPUSD")).shown);
}

void TestSymbolDataStorage::unchangedListKeepsHiddenSymbols()
{
    SymbolDataStorage storage;
    storage.onSymbolList(symbolList(kMajors));
    storage.setSymbolShown(QStringLiteral("GBPUSD"), false);
    storage.onSymbolList(symbolList(kMajors));
    QCOMPARE(storage.symbolList(), (QStringList{"EURUSD", "AUDUSD", "USDJPY"}));
    QVERIFY(!storage.setting(QStringLiteral("GBPUSD")).shown);
}

void TestSymbolDataStorage::repeatedSymbolInOneList()
{
    SymbolDataStorage storage;
    storage.onSymbolList(symbolList({symbolJson("EURUSD", "first"), symbolJson("EURUSD", "second")}));
    QCOMPARE(storage.symbolList(), QStringList{"EURUSD"});
    QCOMPARE(storage.setting(QStringLiteral("EURUSD")).desc, QStringLiteral("second"));

    // A repeat whose earlier copy differs, but whose result is what the storage
    // already holds, is no change: a hidden symbol stays hidden.
    storage.setSymbolShown(QStringLiteral("EURUSD"), false);
    QSignalSpy listSpy(&storage, &SymbolDataStorage::symbolListChanged);
    storage.onSymbolList(symbolList({symbolJson("EURUSD", "other"), symbolJson("EURUSD", "second")}));
    QCOMPARE(listSpy.count(), 0);
    QVERIFY(storage.symbolList().isEmpty());
}

void TestSymbolDataStorage::emptyListOnEmptyStorage()
{
    SymbolDataStorage storage;
    QSignalSpy listSpy(&storage, &SymbolDataStorage::symbolListChanged);
    QSignalSpy settingSpy(&storage, &SymbolDataStorage::symbolSettingChanged);
    storage.onSymbolList(symbolList(QList<QJsonObject>{}));
    storage.onSymbolList(QJsonObject{{"array", "not an array"}});
    QCOMPARE(listSpy.count(), 0);
    QCOMPARE(settingSpy.count(), 0);
}

// Each step is "+NAME" (show) or "-NAME" (hide), applied to a storage that
// holds kMajors in the order EURUSD, GBPUSD, AUDUSD, USDJPY.
void TestSymbolDataStorage::showAndHide_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<int>("emitted");
    QTest::addColumn<QStringList>("shownSettings");

    const QStringList all{"AUDUSD", "EURUSD", "GBPUSD", "USDJPY"};
    QTest::newRow("hide a listed symbol")
        << QStringList{"-GBPUSD"} << QStringList{"EURUSD", "AUDUSD", "USDJPY"} << 1
        << QStringList{"AUDUSD", "EURUSD", "USDJPY"};
    QTest::newRow("hide it again emits nothing more")
        << QStringList{"-GBPUSD", "-GBPUSD"} << QStringList{"EURUSD", "AUDUSD", "USDJPY"} << 1
        << QStringList{"AUDUSD", "EURUSD", "USDJPY"};
    QTest::newRow("show a listed symbol does nothing")
        << QStringList{"+EURUSD"} << QStringList{"EURUSD", "GBPUSD", "AUDUSD", "USDJPY"} << 0 << all;
    QTest::newRow("shown again goes to the end")
        << QStringList{"-EURUSD", "+EURUSD"} << QStringList{"GBPUSD", "AUDUSD", "USDJPY", "EURUSD"} << 2
        << all;
    QTest::newRow("unknown symbol is appended anyway")
        << QStringList{"+XAUUSD"} << QStringList{"EURUSD", "GBPUSD", "AUDUSD", "USDJPY", "XAUUSD"} << 1
        << all;
    QTest::newRow("unknown symbol shown twice is listed once")
        << QStringList{"+XAUUSD", "+XAUUSD"} << QStringList{"EURUSD", "GBPUSD", "AUDUSD", "USDJPY", "XAUUSD"}
        << 1 << all;
    QTest::newRow("unknown symbol can be hidden again")
        << QStringList{"+XAUUSD", "-XAUUSD"} << QStringList{"EURUSD", "GBPUSD", "AUDUSD", "USDJPY"} << 2
        << all;
    QTest::newRow("hiding an unlisted unknown symbol does nothing")
        << QStringList{"-XAUUSD"} << QStringList{"EURUSD", "GBPUSD", "AUDUSD", "USDJPY"} << 0 << all;
    QTest::newRow("empty name is never listed")
        << QStringList{"+"} << QStringList{"EURUSD", "GBPUSD", "AUDUSD", "USDJPY"} << 0 << all;
    QTest::newRow("hide all") << QStringList{"-EURUSD", "-GBPUSD", "-AUDUSD", "-USDJPY"} << QStringList{} << 4
                              << QStringList{};
}

void TestSymbolDataStorage::showAndHide()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, list);
    QFETCH(int, emitted);
    QFETCH(QStringList, shownSettings);
    SymbolDataStorage storage;
    storage.onSymbolList(symbolList(kMajors));
    QSignalSpy listSpy(&storage, &SymbolDataStorage::symbolListChanged);
    for (const QString &step : steps)
        storage.setSymbolShown(step.mid(1), step.startsWith(QLatin1Char('+')));
    QCOMPARE(listSpy.count(), emitted);
    if (emitted > 0)
        QCOMPARE(listSpy.last().at(0).toStringList(), list);
    QCOMPARE(storage.symbolList(), list);
    QCOMPARE(storage.shownSymbols(), shownSettings);
    QCOMPARE(storage.allSymbols(), (QStringList{"AUDUSD", "EURUSD", "GBPUSD", "USDJPY"}));
}

void TestSymbolDataStorage::setSymbolsReplacesTheList_data()
{
    QTest::addColumn<QStringList>("given");
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<bool>("notify");
    QTest::newRow("saved order kept, silently")
        << QStringList{"USDJPY", "EURUSD"} << QStringList{"USDJPY", "EURUSD"} << false;
    QTest::newRow("saved order kept, announced")
        << QStringList{"USDJPY", "EURUSD"} << QStringList{"USDJPY", "EURUSD"} << true;
    QTest::newRow("names the settings do not hold are kept")
        << QStringList{"XAUUSD", "EURUSD"} << QStringList{"XAUUSD", "EURUSD"} << true;
    QTest::newRow("repeated and empty names are dropped")
        << QStringList{"USDJPY", "", "EURUSD", "USDJPY"} << QStringList{"USDJPY", "EURUSD"} << true;
    QTest::newRow("empty list") << QStringList{} << QStringList{} << true;
}

void TestSymbolDataStorage::setSymbolsReplacesTheList()
{
    QFETCH(QStringList, given);
    QFETCH(QStringList, list);
    QFETCH(bool, notify);
    SymbolDataStorage storage;
    storage.onSymbolList(symbolList(kMajors));
    QSignalSpy listSpy(&storage, &SymbolDataStorage::symbolListChanged);
    storage.setSymbols(given, notify);
    QCOMPARE(storage.symbolList(), list);
    QCOMPARE(listSpy.count(), notify ? 1 : 0);
    if (notify)
        QCOMPARE(listSpy.at(0).at(0).toStringList(), list);
    // The settings' flags are not touched.
    QCOMPARE(storage.shownSymbols(), storage.allSymbols());
}

void TestSymbolDataStorage::shownSymbolsAreSortedSettings()
{
    SymbolDataStorage storage;
    storage.onSymbolList(symbolList(QStringList{"USDJPY", "GBPUSD", "AUDUSD", "EURUSD", "XAUUSD"}));
    storage.setSymbolShown(QStringLiteral("AUDUSD"), false);
    storage.setSymbolShown(QStringLiteral("XAUUSD"), false);
    QCOMPARE(storage.shownSymbols(), (QStringList{"EURUSD", "GBPUSD", "USDJPY"}));
    QCOMPARE(storage.allSymbols(), (QStringList{"AUDUSD", "EURUSD", "GBPUSD", "USDJPY", "XAUUSD"}));
}

void TestSymbolDataStorage::ticksAreStoredAndForwarded()
{
    SymbolDataStorage storage;
    QSignalSpy tickSpy(&storage, &SymbolDataStorage::tickChanged);

    TickData full = makeTick(QStringLiteral("EURUSD"), 1.1);
    full.volume = 2.5;
    full.server_time = 1700000005;
    full.bid_high = 1.2;
    storage.onUpdatedTicks({makeTick(QStringLiteral("EURUSD"), 1.0), makeTick(QString(), 9.0),
                            makeTick(QStringLiteral("XAUUSD"), 2000.0)});
    storage.onUpdatedTicks({full});

    // In list order, empty symbols skipped, no change test (symbols without a
    // setting are stored too).
    QCOMPARE(tickSpy.count(), 3);
    QCOMPARE(tickSpy.at(0).at(0).value<TickData>().bid, 1.0);
    QCOMPARE(tickSpy.at(1).at(0).value<TickData>().symbol, QStringLiteral("XAUUSD"));
    QCOMPARE(tickSpy.at(2).at(0).value<TickData>().bid, 1.1);

    const TickData stored = storage.tick(QStringLiteral("EURUSD"));
    QCOMPARE(stored.bid, 1.1);
    QCOMPARE(stored.volume, 2.5);
    QCOMPARE(stored.server_time, qint64(1700000005));
    QCOMPARE(stored.bid_high, 1.2);
    QCOMPARE(storage.tick(QStringLiteral("XAUUSD")).bid, 2000.0);
    QVERIFY(storage.tick(QString()).symbol.isEmpty());

    // The same tick again still goes out.
    storage.onUpdatedTicks({full});
    QCOMPARE(tickSpy.count(), 4);
}

void TestSymbolDataStorage::unknownSymbolLookups()
{
    SymbolDataStorage storage;
    storage.onSymbolList(symbolList(kMajors));
    const TickData tick = storage.tick(QStringLiteral("EURUSD"));
    QVERIFY(tick.symbol.isEmpty());
    QCOMPARE(tick.bid, 0.0);
    QCOMPARE(tick.ask, 0.0);

    const SymbolSetting setting = storage.setting(QStringLiteral("NOSUCH"));
    QVERIFY(setting.symbol.isEmpty());
    QCOMPARE(setting.min_vol, qint64(100));
    QCOMPARE(setting.max_vol, qint64(100000));
    QCOMPARE(setting.step_vol, qint64(100));
    QCOMPARE(setting.c_size, 100000.0);
    QCOMPARE(setting.digits, 0);
    QCOMPARE(storage.digits(QStringLiteral("NOSUCH")), 0);
    QCOMPARE(storage.digits(QStringLiteral("EURUSD")), 5);
    // Lookups do not add symbols.
    QCOMPARE(storage.allSymbols().size(), kMajors.size());
}

void TestSymbolDataStorage::clearEmptiesEverything()
{
    SymbolDataStorage storage;
    storage.onSymbolList(symbolList(kMajors));
    storage.onUpdatedTicks({makeTick(QStringLiteral("EURUSD"), 1.1)});
    QSignalSpy listSpy(&storage, &SymbolDataStorage::symbolListChanged);
    QSignalSpy settingSpy(&storage, &SymbolDataStorage::symbolSettingChanged);
    QSignalSpy tickSpy(&storage, &SymbolDataStorage::tickChanged);

    storage.clear();
    QCOMPARE(listSpy.count() + settingSpy.count() + tickSpy.count(), 0);
    QVERIFY(storage.symbolList().isEmpty());
    QVERIFY(storage.allSymbols().isEmpty());
    QVERIFY(storage.tick(QStringLiteral("EURUSD")).symbol.isEmpty());

    // The first list after a clear always counts, even if it is the old one.
    storage.onSymbolList(symbolList(kMajors));
    QCOMPARE(listSpy.count(), 1);
    QCOMPARE(settingSpy.count(), 1);
}

QTEST_GUILESS_MAIN(TestSymbolDataStorage)
#include "TestSymbolDataStorage.moc"
