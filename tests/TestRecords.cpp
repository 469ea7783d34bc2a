#include "net/CandleStick.h"
#include "net/JsonRead.h"
#include "net/PendingOrder.h"
#include "net/Position.h"
#include "net/SymbolSetting.h"
#include "net/TickData.h"

#include <QJsonDocument>
#include <QtTest>

namespace {
QJsonObject obj(const char *json)
{
    return QJsonDocument::fromJson(QByteArray(json)).object();
}
} // namespace

class TestRecords : public QObject
{
    Q_OBJECT
private slots:
    void intRule_data();
    void intRule();
    void int64Rule_data();
    void int64Rule();
    void tickFromJson();
    void tickVolume_data();
    void tickVolume();
    void tickSameQuote();
    void positionPrice_data();
    void positionPrice();
    void positionSellIsCaseSensitive_data();
    void positionSellIsCaseSensitive();
    void positionProfit();
    void positionSameAsIgnoresLiveFields();
    void pendingOrderFromJson();
    void symbolSettingDefaults();
    void symbolSettingEquality();
    void candleFromJson();
    void wrongTypesNeverThrow();
};

void TestRecords::intRule_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<int>("expected");
    QTest::newRow("integer") << QByteArray(R"({"v": 12500})") << 12500;
    QTest::newRow("negative") << QByteArray(R"({"v": -7})") << -7;
    QTest::newRow("fraction") << QByteArray(R"({"v": 12500.5})") << 0;
    QTest::newRow("string") << QByteArray(R"({"v": "12500"})") << 0;
    QTest::newRow("above 32 bits") << QByteArray(R"({"v": 2147483648})") << 0;
    QTest::newRow("int max") << QByteArray(R"({"v": 2147483647})") << 2147483647;
    QTest::newRow("huge") << QByteArray(R"({"v": 1e300})") << 0;
    QTest::newRow("bool") << QByteArray(R"({"v": true})") << 0;
    QTest::newRow("null") << QByteArray(R"({"v": null})") << 0;
    QTest::newRow("missing") << QByteArray(R"({})") << 0;
}

void TestRecords::intRule()
{
    QFETCH(QByteArray, json);
    QFETCH(int, expected);
    QCOMPARE(JsonRead::toInt(QJsonDocument::fromJson(json).object(), QLatin1String("v")), expected);
}

void TestRecords::int64Rule_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("number") << QByteArray(R"({"v": 1700000000})") << qint64(1700000000);
    QTest::newRow("decimal string") << QByteArray(R"({"v": "1700000000"})") << qint64(1700000000);
    QTest::newRow("fraction rounds up") << QByteArray(R"({"v": 1700000000.6})") << qint64(1700000001);
    QTest::newRow("fraction rounds down") << QByteArray(R"({"v": 1700000000.4})") << qint64(1700000000);
    QTest::newRow("beyond 32 bits") << QByteArray(R"({"v": 5000000000})") << qint64(5000000000);
    QTest::newRow("huge number") << QByteArray(R"({"v": 1e300})") << qint64(0);
    QTest::newRow("negative huge") << QByteArray(R"({"v": -1e19})") << qint64(0);
    QTest::newRow("text") << QByteArray(R"({"v": "abc"})") << qint64(0);
    QTest::newRow("fraction string") << QByteArray(R"({"v": "1.5"})") << qint64(0);
    QTest::newRow("array") << QByteArray(R"({"v": [1]})") << qint64(0);
    QTest::newRow("missing") << QByteArray(R"({})") << qint64(0);
}

void TestRecords::int64Rule()
{
    QFETCH(QByteArray, json);
    QFETCH(qint64, expected);
    QCOMPARE(JsonRead::toInt64(QJsonDocument::fromJson(json).object(), QLatin1String("v")), expected);
}

void TestRecords::tickFromJson()
{
    const TickData t(obj(R"({"symbol":"EURUSD","timestamp":1700000000,"server_time":"1700000005",
        "bid":1.1,"ask":1.1002,"volume":12500,"tm_ms":1700000000123,"digits":5,"min_vol":100,
        "max_vol":1000000,"step_vol":100,"bid_high":1.2,"bid_low":1.0,"ask_high":1.21,"ask_low":1.01,"extra":1})"));
    QCOMPARE(t.symbol, QStringLiteral("EURUSD"));
    QCOMPARE(t.timestamp, qint64(1700000000));
    QCOMPARE(t.server_time, qint64(1700000005));
    QCOMPARE(t.bid, 1.1);
    QCOMPARE(t.ask, 1.1002);
    QCOMPARE(t.volume, 1.25);
    QCOMPARE(t.tm_ms, qint64(1700000000123));
    QCOMPARE(t.digits, 5);
    QCOMPARE(t.min_vol, 0.01);
    QCOMPARE(t.max_vol, 100.0);
    QCOMPARE(t.step_vol, 0.01);
    QCOMPARE(t.bid_high, 1.2);
    QCOMPARE(t.bid_low, 1.0);
    QCOMPARE(t.ask_high, 1.21);
    QCOMPARE(t.ask_low, 1.01);

    const TickData empty;
    QVERIFY(empty.symbol.isEmpty());
    QCOMPARE(empty.bid, 0.0);
    QCOMPARE(empty.timestamp, qint64(0));
}

void TestRecords::tickVolume_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<double>("lots");
    QTest::newRow("12500 units") << QByteArray(R"({"volume":12500})") << 1.25;
    QTest::newRow("fractional units") << QByteArray(R"({"volume":12500.5})") << 0.0;
    QTest::newRow("string units") << QByteArray(R"({"volume":"12500"})") << 0.0;
    QTest::newRow("negative units") << QByteArray(R"({"volume":-100})") << -0.01;
}

void TestRecords::tickVolume()
{
    QFETCH(QByteArray, json);
    QFETCH(double, lots);
    const QJsonObject o = QJsonDocument::fromJson(json).object();
    QCOMPARE(TickData(o).volume, lots);
    QCOMPARE(Position(o).volume, lots);
    QCOMPARE(PendingOrder(o).volume, lots);
}

void TestRecords::tickSameQuote()
{
    TickData a(obj(R"({"symbol":"EURUSD","bid":1.1,"ask":1.2,"digits":5,"timestamp":1})"));
    TickData b = a;
    b.timestamp = 2;
    b.volume = 3;
    QVERIFY(a.sameQuote(b));
    b.ask = 1.2000001;
    QVERIFY(!a.sameQuote(b));
}

void TestRecords::positionPrice_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<double>("price");
    QTest::newRow("price and price_o: price_o wins") << QByteArray(R"({"price":1.1,"price_o":1.2})") << 1.2;
    QTest::newRow("price only") << QByteArray(R"({"price":1.1})") << 1.1;
    QTest::newRow("price_o only") << QByteArray(R"({"price_o":1.3})") << 1.3;
    QTest::newRow("neither") << QByteArray(R"({})") << 0.0;
    QTest::newRow("price_o wrong type overrides") << QByteArray(R"({"price":1.1,"price_o":"x"})") << 0.0;
}

void TestRecords::positionPrice()
{
    QFETCH(QByteArray, json);
    QFETCH(double, price);
    const Position p(QJsonDocument::fromJson(json).object());
    QCOMPARE(p.price, price);
    QCOMPARE(p.price_c, 0.0);
    QCOMPARE(p.current_price, 0.0);
}

void TestRecords::positionSellIsCaseSensitive_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("sell");
    QTest::newRow("sell") << "sell" << true;
    QTest::newRow("Sell counts as buy") << "Sell" << false;
    QTest::newRow("buy") << "buy" << false;
    QTest::newRow("empty counts as buy") << "" << false;
}

void TestRecords::positionSellIsCaseSensitive()
{
    QFETCH(QString, type);
    QFETCH(bool, sell);
    QJsonObject o;
    o.insert("type", type);
    QCOMPARE(Position(o).isSell(), sell);
}

void TestRecords::positionProfit()
{
    Position buy(obj(R"({"type":"buy","price":1.1,"csize":100000,"volume":1000,"r_profit":1})"));
    QVERIFY(qAbs(buy.profitAt(1.1010) - 10.0) < 1e-9);
    Position sell = buy;
    sell.type = QStringLiteral("sell");
    QVERIFY(qAbs(sell.profitAt(1.1010) + 10.0) < 1e-9);
    sell.r_profit = 0.5;
    QVERIFY(qAbs(sell.profitAt(1.0990) - 5.0) < 1e-9);
}

void TestRecords::positionSameAsIgnoresLiveFields()
{
    Position a(obj(R"({"ticket":5,"symbol":"EURUSD","type":"buy","price":1.1,"profit":3})"));
    Position b = a;
    b.profit = 99;
    b.current_price = 1.5;
    QVERIFY(a.sameAs(b));
    b.sl = 1.0;
    QVERIFY(!a.sameAs(b));
}

void TestRecords::pendingOrderFromJson()
{
    const PendingOrder o(obj(R"({"login":"42","ticket":7,"symbol":"XAUUSD","type":4,"volume":500,
        "price":2000.5,"s_price":1999,"sl":1990,"tp":2100,"time":1700000000,"digits":2})"));
    QCOMPARE(o.login, qint64(42));
    QCOMPARE(o.ticket, qint64(7));
    QCOMPARE(o.type, 4);
    QCOMPARE(o.volume, 0.05);
    QCOMPARE(o.price, 2000.5);
    QCOMPARE(o.s_price, 1999.0);
    QCOMPARE(o.digits, 2);
    QCOMPARE(PendingOrder(obj(R"({"type":"4"})")).type, 0);
}

void TestRecords::symbolSettingDefaults()
{
    const SymbolSetting def;
    QCOMPARE(def.min_vol, qint64(100));
    QCOMPARE(def.max_vol, qint64(100000));
    QCOMPARE(def.step_vol, qint64(100));
    QCOMPARE(def.c_size, 100000.0);
    QVERIFY(def.shown);

    const SymbolSetting fromJson(obj(R"({"symbol":"EURUSD","digits":5})"));
    QCOMPARE(fromJson.min_vol, qint64(0));
    QCOMPARE(fromJson.max_vol, qint64(0));
    QCOMPARE(fromJson.step_vol, qint64(0));
    QCOMPARE(fromJson.c_size, 0.0);
    QVERIFY(fromJson.shown);

    const SymbolSetting full(obj(R"({"symbol":"USDJPY","desc":"US Dollar vs Yen","digits":3,
        "c_size":100000,"min_vol":"100","max_vol":500000,"step_vol":100,"path":"Forex\\Majors"})"));
    QCOMPARE(full.desc, QStringLiteral("US Dollar vs Yen"));
    QCOMPARE(full.min_vol, qint64(100));
    QCOMPARE(full.max_vol, qint64(500000));
    QCOMPARE(full.path, QStringLiteral("Forex\\Majors"));
}

void TestRecords::symbolSettingEquality()
{
    SymbolSetting a(obj(R"({"symbol":"EURUSD","digits":5,"desc":"Euro"})"));
    SymbolSetting b = a;
    b.shown = false;
    QVERIFY(a == b);
    b.desc = QStringLiteral("Euro vs Dollar");
    QVERIFY(a != b);
}

void TestRecords::candleFromJson()
{
    const CandleStick c(obj(R"({"datetime":"1700000040","open":1,"high":2,"low":0.5,"close":"1.5"})"));
    QCOMPARE(c.timestamp, qint64(1700000040));
    QCOMPARE(c.open, 1.0);
    QCOMPARE(c.high, 2.0);
    QCOMPARE(c.low, 0.5);
    QCOMPARE(c.close, 0.0);
}

void TestRecords::wrongTypesNeverThrow()
{
    const QJsonObject junk = obj(R"({"symbol":5,"timestamp":{},"bid":"1.1","ask":null,"digits":1.5,
        "type":[],"ticket":-1e400,"price":"x","c_size":true,"desc":7})");
    const TickData t(junk);
    QVERIFY(t.symbol.isEmpty());
    QCOMPARE(t.bid, 0.0);
    QCOMPARE(t.digits, 0);
    const Position p(junk);
    QVERIFY(p.type.isEmpty());
    QCOMPARE(p.ticket, qint64(0));
    const SymbolSetting s(junk);
    QCOMPARE(s.c_size, 0.0);
    QVERIFY(s.desc.isEmpty());
    PendingOrder o(junk);
    QCOMPARE(o.type, 0);
}

QTEST_GUILESS_MAIN(TestRecords)
#include "TestRecords.moc"
