#include "BuildConfig.h"
#include "support/AboutDialog.h"

#include <QDesktopServices>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QtTest>

// Stands in for the desktop's web browser.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened.append(url); }
};

class TestAboutDialog : public QObject
{
    Q_OBJECT
private slots:
    void objectsAndTexts();
    void fonts_data();
    void fonts();
    void sizesFollowTheScreen();
    void storeButtonsOpenTheirPages_data();
    void storeButtonsOpenTheirPages();
    void closingHidesIt();
};

void TestAboutDialog::objectsAndTexts()
{
    AboutDialog dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("About"));
    QVERIFY(!(dialog.windowFlags() & Qt::WindowContextHelpButtonHint));

    const auto label = [&dialog](const char *name) { return dialog.findChild<QLabel *>(name); };
    for (const char *name :
         {"titleLabel", "logoLabel", "versionLabel", "buildDateLabel", "infoLabel", "websiteLabel"})
        QVERIFY2(label(name), name);
    QCOMPARE(label("titleLabel")->text(), QStringLiteral("Corvane DERUVUR"));
    QCOMPARE(label("versionLabel")->text(), QStringLiteral("Version 1.1.49"));
    QCOMPARE(label("buildDateLabel")->text(), QStringLiteral("Last Updated: 28 October 2025"));

    const QLabel *logo = label("logoLabel");
    QCOMPARE(logo->minimumSize(), QSize(40, 40));
    QCOMPARE(logo->maximumSize(), QSize(40, 40));
    QCOMPARE(logo->alignment(), Qt::AlignRight | Qt::AlignVCenter);
    QCOMPARE(logo->textFormat(), Qt::RichText);
    QVERIFY(logo->text().contains(R"(src=":/icon/zelvant.ico")"));

    const QLabel *site = label("websiteLabel");
    const QString address = QString::fromUtf8(BuildConfig::webUrl);
    QVERIFY(!address.isEmpty());
    QCOMPARE(site->text(), QStringLiteral("<a href=\"%1\">%1</a>").arg(address));
    QVERIFY(site->openExternalLinks());
    QCOMPARE(site->alignment(), Qt::AlignCenter);
    QCOMPARE(label("infoLabel")->alignment(), Qt::AlignCenter);

    const QFrame *line = dialog.findChild<QFrame *>("line");
    QVERIFY(line);
    QCOMPARE(line->frameShape(), QFrame::HLine);
    QCOMPARE(line->frameShadow(), QFrame::Sunken);

    const QPushButton *ios = dialog.findChild<QPushButton *>("iosButton");
    const QPushButton *android = dialog.findChild<QPushButton *>("androidButton");
    QVERIFY(ios && android);
    QCOMPARE(ios->text(), QStringLiteral("iOS"));
    QCOMPARE(android->text(), QStringLiteral("Android"));
}

void TestAboutDialog::fonts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("pointSize");
    QTest::addColumn<bool>("bold");
    QTest::newRow("title") << "titleLabel" << 16 << true;
    QTest::newRow("version") << "versionLabel" << 14 << false;
    QTest::newRow("build date") << "buildDateLabel" << 12 << false;
    QTest::newRow("iOS button") << "iosButton" << 0 << false;
    QTest::newRow("Android button") << "androidButton" << 0 << false;
}

void TestAboutDialog::fonts()
{
    QFETCH(QString, name);
    QFETCH(int, pointSize);
    QFETCH(bool, bold);
    AboutDialog dialog;
    const QWidget *widget = dialog.findChild<QWidget *>(name);
    QVERIFY(widget);
    const qreal scale = QGuiApplication::primaryScreen()->logicalDotsPerInch() / 96.0;

    QCOMPARE(widget->font().family(), QStringLiteral("MS Reference Sans Serif"));
    QCOMPARE(widget->font().bold(), bold);
    if (pointSize > 0)
        QCOMPARE(widget->font().pointSizeF(), pointSize / scale);
}

void TestAboutDialog::sizesFollowTheScreen()
{
    AboutDialog dialog;
    const QSize available = QGuiApplication::primaryScreen()->availableSize();
    const QSize maximum(int(available.width() * 0.8), int(available.height() * 0.8));

    QCOMPARE(dialog.minimumSize(), QSize(700, 410));
    QCOMPARE(dialog.maximumSize(), maximum);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    // The layout must not undo either bound once it is active.
    QCOMPARE(dialog.minimumSize(), QSize(700, 410));
    QCOMPARE(dialog.maximumSize(), maximum);
    // On a screen too small for both bounds (the offscreen one is 800 x 600) the minimum wins.
    dialog.resize(available);
    QCOMPARE(dialog.size(), maximum.expandedTo(QSize(700, 410)));

    QCOMPARE(dialog.sizePolicy(), QSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding));
    for (const QWidget *child : dialog.findChildren<QWidget *>())
        QCOMPARE(child->sizePolicy(), QSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding));
}

void TestAboutDialog::storeButtonsOpenTheirPages_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("address");
    QTest::newRow("iOS") << "iosButton" << QString::fromUtf8(BuildConfig::appStoreUrl);
    QTest::newRow("Android") << "androidButton" << QString::fromUtf8(BuildConfig::playStoreUrl);
}

void TestAboutDialog::storeButtonsOpenTheirPages()
{
    QFETCH(QString, button);
    QFETCH(QString, address);
    const QUrl url(address);
    QVERIFY(url.isValid() && !url.scheme().isEmpty());
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(url.scheme(), &catcher, "open");
    AboutDialog dialog;
    dialog.show();

    QTest::mouseClick(dialog.findChild<QPushButton *>(button), Qt::LeftButton);

    QDesktopServices::unsetUrlHandler(url.scheme());
    QCOMPARE(catcher.opened, QList<QUrl>{url});
}

void TestAboutDialog::closingHidesIt()
{
    AboutDialog dialog;
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.show();
    QVERIFY(dialog.close());
    QVERIFY(!dialog.isVisible());
    QCOMPARE(finished.count(), 1);
    // Re-used: it shows again.
    dialog.show();
    QVERIFY(dialog.isVisible());
}

QTEST_MAIN(TestAboutDialog)
#include "TestAboutDialog.moc"
