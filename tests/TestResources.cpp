#include <QDataStream>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QUrl>
#include <QtTest>

// Every icon and sound the program refers to is compiled in and loads.
class TestResources : public QObject
{
    Q_OBJECT
private slots:
    void icons_data();
    void icons();
    void multiSizeIcons_data();
    void multiSizeIcons();
    void sounds_data();
    void sounds();
};

void TestResources::icons_data()
{
    QTest::addColumn<QString>("name");
    const char *names[] = {// toolbar and menu actions
                           "connected-green.png", "logout.png", "new-order.png", "wnd_cascade.png",
                           "wnd_title.png", "cursor.png", "crosshair.png", "vline.png", "hline.png",
                           "trend line.png", "fr.png", "zoom-in.png", "zoom-out.png", "connect.png",
                           "disconnect.png", "opendemo.png", "change_password.png", "chart.png",
                           "copy_trade.png", "ohlc.png", "candlestick.png",
                           // status bar, tables, menus, dialogs
                           "Finalconnect.png", "finaldisconnect.png", "buy.png", "sell.png",
                           "pending_order.png", "check.png", "Close.ico", "user.ico", "zelvant.ico"};
    for (const char *name : names)
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestResources::icons()
{
    QFETCH(QString, name);
    const QString path = ":/icon/" + name;
    QVERIFY(QFile::exists(path));

    const QIcon icon(path);
    QVERIFY(!icon.isNull());
    QVERIFY(!icon.availableSizes().isEmpty());
    // What the toolbars and the status bar ask for.
    for (const int side : {12, 16, 24}) {
        const QImage image = icon.pixmap(side, side).toImage();
        QCOMPARE(image.size(), QSize(side, side));
        QVERIFY(image.hasAlphaChannel());
    }

    // Drawn on 32 px; transparent corners around a visible picture.
    const QImage image(path);
    QVERIFY(!image.isNull());
    QVERIFY(image.width() >= 32 && image.width() == image.height());
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            opaque += qAlpha(image.pixel(x, y)) > 128;
    QVERIFY2(opaque > image.width() * image.height() / 20, "the icon is (almost) empty");
    QVERIFY2(opaque < image.width() * image.height(), "the icon has no transparent part");
}

void TestResources::multiSizeIcons_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("largest");
    QTest::newRow("Close.ico") << "Close.ico" << 32;
    QTest::newRow("user.ico") << "user.ico" << 64;
    QTest::newRow("zelvant.ico") << "zelvant.ico" << 128;
}

void TestResources::multiSizeIcons()
{
    QFETCH(QString, name);
    QFETCH(int, largest);
    const QString path = ":/icon/" + name;
    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("ico"));
    QVERIFY(reader.imageCount() >= 3);
    // The first image is what style sheets and rich text show: the largest one.
    QCOMPARE(QImage(path).size(), QSize(largest, largest));
    const QList<QSize> sizes = QIcon(path).availableSizes();
    QVERIFY(sizes.contains(QSize(16, 16)));
    QVERIFY(sizes.contains(QSize(32, 32)));
}

void TestResources::sounds_data()
{
    QTest::addColumn<QString>("url");
    QTest::newRow("login") << "qrc:/sound/login.wav";
    QTest::newRow("disconnected") << "qrc:/sound/disconnected.wav";
    QTest::newRow("trade") << "qrc:/sound/trade.wav";
    QTest::newRow("error") << "qrc:/sound/error.wav";
}

void TestResources::sounds()
{
    QFETCH(QString, url);
    // The media player is given the qrc: address; the file behind it is ":" + path.
    QFile file(":" + QUrl(url).path());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.size() > 44);
    QCOMPARE(bytes.left(4), QByteArray("RIFF"));
    QCOMPARE(bytes.mid(8, 4), QByteArray("WAVE"));

    // Walk the chunks: a PCM "fmt " chunk (mono, 22050 Hz, 16 bit) and the samples.
    QDataStream in(bytes.mid(12));
    in.setByteOrder(QDataStream::LittleEndian);
    quint16 format = 0, channels = 0, bits = 0;
    quint32 rate = 0, dataSize = 0;
    while (!in.atEnd()) {
        char id[4];
        quint32 size = 0;
        if (in.readRawData(id, 4) != 4)
            break;
        in >> size;
        const QByteArray chunk(id, 4);
        if (chunk == "fmt ") {
            quint32 byteRate;
            quint16 blockAlign;
            in >> format >> channels >> rate >> byteRate >> blockAlign >> bits;
            in.skipRawData(int(size) - 16);
        } else {
            if (chunk == "data")
                dataSize = size;
            in.skipRawData(int(size + (size & 1)));
        }
    }
    QCOMPARE(format, quint16(1));
    QCOMPARE(channels, quint16(1));
    QCOMPARE(rate, quint32(22050));
    QCOMPARE(bits, quint16(16));
    const double seconds = dataSize / (22050.0 * 2);
    QVERIFY2(seconds > 0.1 && seconds < 1.0, qPrintable(QString::number(seconds)));
}

QTEST_MAIN(TestResources)
#include "TestResources.moc"
