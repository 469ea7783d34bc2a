#include "TemporaryProfile.h"
#include "accounts/LoginDialog.h"
#include "accounts/SavedAccountsFile.h"
#include "data/AccountPaths.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {
QJsonObject remembered(const QString &login, const QString &serverName, const QString &master = QString(),
                       const QString &investor = QString())
{
    QJsonObject o{{"account", login},
                  {"server", QString("ws://" + serverName.toLower() + ":9001")},
                  {"server_name", serverName},
                  {"name", "Holder"},
                  {"status", "offline"}};
    if (!master.isNull())
        o.insert("master_password", master);
    if (!investor.isNull())
        o.insert("investor_password", investor);
    return o;
}

bool writeLogin(const QString &server, const QString &folder, const QByteArray &line)
{
    return TemporaryProfile::writeConfigFile(server + '/' + folder + "/login", line);
}

QString configPath(const QString &relative)
{
    return AccountPaths::configFolder() + '/' + relative;
}

QStringList boxTexts(const QComboBox *box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}
} // namespace

class TestLoginDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void formObjectsAndTexts();
    void reloadReadsTheAccountFolders();
    void loginFileLine_data();
    void loginFileLine();
    void okNeedsLoginPasswordAndServer_data();
    void okNeedsLoginPasswordAndServer();
    void removeSavedAccount();
    void accountFolder_data();
    void accountFolder();
    void loginBoxEntriesFindTheirSavedAccount_data();
    void loginBoxEntriesFindTheirSavedAccount();
    void lastRememberedLoginIsOffered_data();
    void lastRememberedLoginIsOffered();
    void addServerSelectsTheChosenAccountsServer_data();
    void addServerSelectsTheChosenAccountsServer();
    void refreshedServerListKeepsThePickedServer();
    void serverNameAndAddress();
    void shownSymbolsOfTheNamedAccount();

private:
    struct Widgets
    {
        QComboBox *loginBox;
        QLineEdit *password;
        QCheckBox *save;
        QComboBox *serverBox;
        QDialogButtonBox *buttons;
    };
    static Widgets widgets(const LoginDialog &dialog);
    TemporaryProfile m_profile;
};

void TestLoginDialog::initTestCase()
{
    QVERIFY(m_profile.isValid());
}

void TestLoginDialog::init()
{
    QVERIFY(m_profile.resetConfig());
}

TestLoginDialog::Widgets TestLoginDialog::widgets(const LoginDialog &dialog)
{
    return {dialog.findChild<QComboBox *>("loginBox"), dialog.findChild<QLineEdit *>("passwordLineEdit"),
            dialog.findChild<QCheckBox *>("saveCheckBox"), dialog.findChild<QComboBox *>("serverBox"),
            dialog.findChild<QDialogButtonBox *>("buttonBox")};
}

void TestLoginDialog::formObjectsAndTexts()
{
    LoginDialog dialog;
    const Widgets w = widgets(dialog);
    QVERIFY(w.loginBox && w.password && w.save && w.serverBox && w.buttons);

    QCOMPARE(dialog.windowTitle(), QStringLiteral("Trade account login"));
    // The offscreen screen is narrower than 1920 pixels.
    QCOMPARE(dialog.minimumSize(), QSize(500, 300));
    QCOMPARE(dialog.maximumSize(), QSize(500, 300));
    QVERIFY(w.loginBox->isEditable());
    QCOMPARE(w.loginBox->insertPolicy(), QComboBox::NoInsert);
    QCOMPARE(w.password->echoMode(), QLineEdit::Password);
    QCOMPARE(w.save->text(), QStringLiteral("Save Password"));
    QVERIFY(w.save->isChecked());
    QVERIFY(dialog.isSavePassword());
    QVERIFY(!w.serverBox->isEditable());
    QVERIFY(w.buttons->button(QDialogButtonBox::Ok));
    QVERIFY(w.buttons->button(QDialogButtonBox::Cancel));

    QStringList labels;
    for (const QLabel *label : dialog.findChildren<QLabel *>())
        labels << label->text();
    QVERIFY(labels.contains("Authorization allows to get access to the trade account"));
    for (const char *text : {"Login:", "Password:", "Server:"})
        QVERIFY2(labels.contains(QLatin1String(text)), text);
    const QLabel *picture = dialog.findChild<QLabel *>("pictureLabel");
    QVERIFY(picture && !picture->pixmap(Qt::ReturnByValue).isNull());

    QSignalSpy rejected(&dialog, &QDialog::rejected);
    dialog.show();
    w.buttons->button(QDialogButtonBox::Cancel)->click();
    QCOMPARE(rejected.count(), 1);
}

void TestLoginDialog::reloadReadsTheAccountFolders()
{
    QVERIFY(writeLogin("beta", "123", "123;secret;10.0.0.5:9001"));
    QVERIFY(writeLogin("beta", "1000", "1000;pw;10.0.0.5:9001"));
    QVERIFY(writeLogin("Alpha", "7", "7;seven;alpha:9001"));
    QVERIFY(writeLogin("beta", "0", "0;zero;x"));
    QVERIFY(writeLogin("beta", "abc", "1;abc;x"));
    QVERIFY(writeLogin("beta", "007", "7;padded;x"));
    QVERIFY(QDir().mkpath(configPath("beta/125")));       // no login file
    QVERIFY(QDir().mkpath(configPath("beta/126/login"))); // a login "file" that cannot be read
    QVERIFY(QDir().mkpath(configPath("gamma")));
    QVERIFY(TemporaryProfile::writeConfigFile("ACCOUNTS", "[]"));

    LoginDialog dialog;
    // Servers and logins in case-insensitive name order: "1000" before "123".
    const QVector<SavedAccount> expected{{7, "seven", "Alpha", "alpha:9001"},
                                         {1000, "pw", "beta", "10.0.0.5:9001"},
                                         {123, "secret", "beta", "10.0.0.5:9001"}};
    QCOMPARE(dialog.savedAccountList(), expected);

    QVERIFY(writeLogin("gamma", "55", "55;g;gamma:9001"));
    QVERIFY(dialog.savedAccountList() == expected); // only reload() looks again
    dialog.reload();
    QCOMPARE(dialog.savedAccountList().size(), 4);
    QCOMPARE(dialog.savedAccountList().last(), (SavedAccount{55, "g", "gamma", "gamma:9001"}));
}

void TestLoginDialog::loginFileLine_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("address");

    QTest::newRow("three parts") << QByteArray("123;secret;10.1.1.1:9001") << "secret"
                                 << "10.1.1.1:9001";
    QTest::newRow("no separator") << QByteArray("123") << ""
                                  << "";
    QTest::newRow("two parts") << QByteArray("123;secret") << ""
                               << "";
    QTest::newRow("four parts") << QByteArray("123;a;b;c") << ""
                                << "";
    QTest::newRow("empty password kept as a part") << QByteArray("123;;host") << ""
                                                   << "host";
    QTest::newRow("only the first line counts") << QByteArray("123;pw;host\r\nlater;x;y") << "pw"
                                                << "host";
    QTest::newRow("empty file") << QByteArray() << ""
                                << "";
}

void TestLoginDialog::loginFileLine()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, password);
    QFETCH(QString, address);
    QVERIFY(writeLogin("S", "123", content));

    LoginDialog dialog;
    QCOMPARE(dialog.savedAccountList(), (QVector<SavedAccount>{{123, password, "S", address}}));
}

void TestLoginDialog::okNeedsLoginPasswordAndServer_data()
{
    QTest::addColumn<QString>("login");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("server");
    QTest::addColumn<bool>("save");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("all given") << "5001"
                               << "pw" << true << true << true;
    QTest::newRow("save password unchecked still accepts") << "5001"
                                                           << "pw" << true << false << true;
    QTest::newRow("empty password") << "5001"
                                    << "" << true << true << false;
    QTest::newRow("empty login") << ""
                                 << "pw" << true << true << false;
    QTest::newRow("no server") << "5001"
                               << "pw" << false << true << false;
}

void TestLoginDialog::okNeedsLoginPasswordAndServer()
{
    QFETCH(QString, login);
    QFETCH(QString, password);
    QFETCH(bool, server);
    QFETCH(bool, save);
    QFETCH(bool, accepted);

    LoginDialog dialog;
    const Widgets w = widgets(dialog);
    if (server)
        dialog.addServer("Zelvant demo server 1", "127.0.0.1:9001");
    w.loginBox->setEditText(login);
    w.password->setText(password);
    w.save->setChecked(save);
    QSignalSpy accepts(&dialog, &QDialog::accepted);
    dialog.show();

    w.buttons->button(QDialogButtonBox::Ok)->click();

    QCOMPARE(accepts.count(), accepted ? 1 : 0);
    QCOMPARE(dialog.isVisible(), !accepted);
    QCOMPARE(dialog.isSavePassword(), save);
}

void TestLoginDialog::removeSavedAccount()
{
    QVERIFY(writeLogin("Demo", "100", "100;a;h:1"));
    QVERIFY(writeLogin("Demo", "200", "200;b;h:1"));
    QVERIFY(writeLogin("Live", "100", "100;c;h:2"));
    QVERIFY(TemporaryProfile::writeConfigFile("Demo/100/shown_symbols.json", "[\"EURUSD\"]"));
    QVERIFY(QDir().mkpath(configPath("Demo/100/ChartHistory")));
    QVERIFY(
        TemporaryProfile::writeConfigFile("ACCOUNTS", "[{\"account\":\"100\",\"server_name\":\"Demo\"}]"));
    const QByteArray accountsBefore = TemporaryProfile::readConfigFile("ACCOUNTS");
    LoginDialog dialog;
    QCOMPARE(dialog.savedAccountList().size(), 3);

    // Unknown accounts: nothing is deleted, not even a folder of that name.
    QVERIFY(QDir().mkpath(configPath("Demo/300")));
    QVERIFY(!dialog.removeSavedAccount("Demo", 300));
    QVERIFY(!dialog.removeSavedAccount("Other", 100));
    QVERIFY(!dialog.removeSavedAccount("demo", 100)); // server names are case-sensitive
    QCOMPARE(dialog.savedAccountList().size(), 3);
    QVERIFY(QDir(configPath("Demo/300")).exists());
    QVERIFY(QFile::exists(configPath("Demo/100/login")));

    QVERIFY(dialog.removeSavedAccount("Demo", 100));
    QVERIFY(!QDir(configPath("Demo/100")).exists());
    QCOMPARE(dialog.savedAccountList(),
             (QVector<SavedAccount>{{200, "b", "Demo", "h:1"}, {100, "c", "Live", "h:2"}}));
    QVERIFY(QFile::exists(configPath("Demo/200/login")));
    QVERIFY(QFile::exists(configPath("Live/100/login")));
    QCOMPARE(TemporaryProfile::readConfigFile("ACCOUNTS"), accountsBefore);

    QVERIFY(!dialog.removeSavedAccount("Demo", 100)); // already forgotten
}

void TestLoginDialog::accountFolder_data()
{
    QTest::addColumn<QString>("login");
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("relative");

    QTest::newRow("login and server") << "123"
                                      << "Demo"
                                      << "Demo/123";
    QTest::newRow("login that is not a number ends in 0") << "abc"
                                                          << "Demo"
                                                          << "Demo/0";
    QTest::newRow("empty login ends in 0") << ""
                                           << "Demo"
                                           << "Demo/0";
    QTest::newRow("no server, no folder") << "123"
                                          << ""
                                          << "";
    QTest::newRow("server name that is no path segment") << "123"
                                                         << ".."
                                                         << "";
}

void TestLoginDialog::accountFolder()
{
    QFETCH(QString, login);
    QFETCH(QString, server);
    QFETCH(QString, relative);
    LoginDialog dialog;
    if (!server.isEmpty())
        dialog.addServer(server, "127.0.0.1:9001");
    widgets(dialog).loginBox->setEditText(login);
    if (server == "..")
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Refusing server name"));

    QCOMPARE(dialog.accountFolder(), relative.isEmpty() ? QString() : configPath(relative));
}

void TestLoginDialog::loginBoxEntriesFindTheirSavedAccount_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("login");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("server");

    // The login box follows the ACCOUNTS file: 300@B, 100@A, 555@A, 555@B, 999@C.
    // The saved accounts follow the folders: A/100, A/555, B/300, B/555.
    QTest::newRow("first entry is the last folder but one") << 0 << "300"
                                                            << "pb"
                                                            << "B";
    QTest::newRow("second entry is the first folder") << 1 << "100"
                                                      << "pa"
                                                      << "A";
    QTest::newRow("same login, first server") << 2 << "555"
                                              << "p555a"
                                              << "A";
    QTest::newRow("same login, second server") << 3 << "555"
                                               << "p555b"
                                               << "B";
    QTest::newRow("entry without folder clears the password") << 4 << "999"
                                                              << ""
                                                              << "C";
}

void TestLoginDialog::loginBoxEntriesFindTheirSavedAccount()
{
    QFETCH(int, index);
    QFETCH(QString, login);
    QFETCH(QString, password);
    QFETCH(QString, server);
    QVERIFY(SavedAccountsFile().write(QJsonArray{remembered("300", "B"), remembered("100", "A"),
                                                 remembered("555", "A"), remembered("555", "B"),
                                                 remembered("999", "C")}));
    QVERIFY(writeLogin("A", "100", "100;pa;a:9001"));
    QVERIFY(writeLogin("A", "555", "555;p555a;a:9001"));
    QVERIFY(writeLogin("B", "300", "300;pb;b:9001"));
    QVERIFY(writeLogin("B", "555", "555;p555b;b:9001"));

    LoginDialog dialog;
    const Widgets w = widgets(dialog);
    QCOMPARE(boxTexts(w.loginBox), QStringList({"300", "100", "555", "555", "999"}));
    for (const QString &name : QStringList{"A", "B", "C"})
        dialog.addServer(name, name.toLower() + ":9001");
    // Start elsewhere so that the change below is a change.
    w.loginBox->setCurrentIndex(index == 4 ? 0 : 4);
    w.password->setText("left over");

    w.loginBox->setCurrentIndex(index);

    QCOMPARE(dialog.currentLogin(), login.toLongLong());
    QCOMPARE(dialog.password(), password);
    QCOMPARE(dialog.serverNameText(), server);
    QCOMPARE(dialog.serverAddressText(), server.toLower() + ":9001");
}

void TestLoginDialog::lastRememberedLoginIsOffered_data()
{
    QTest::addColumn<QJsonObject>("last");
    QTest::addColumn<QString>("login");
    QTest::addColumn<QString>("password");

    QTest::newRow("master password") << remembered("700", "B", "main", "ro") << "700"
                                     << "main";
    QTest::newRow("investor password") << remembered("700", "B", QString(), "ro") << "700"
                                       << "ro";
    QTest::newRow("empty master, investor password") << remembered("700", "B", "", "ro") << "700"
                                                     << "ro";
    // Without a saved password the first entry stays, with its folder's password.
    QTest::newRow("no password") << remembered("700", "B") << "100"
                                 << "pa";
}

void TestLoginDialog::lastRememberedLoginIsOffered()
{
    QFETCH(QJsonObject, last);
    QFETCH(QString, login);
    QFETCH(QString, password);
    QVERIFY(SavedAccountsFile().write(QJsonArray{remembered("100", "A"), last}));
    QVERIFY(writeLogin("A", "100", "100;pa;a:9001"));
    QVERIFY(writeLogin("B", "700", "700;folder;b:9001"));

    LoginDialog dialog;

    QCOMPARE(widgets(dialog).loginBox->currentText(), login);
    QCOMPARE(dialog.currentLogin(), login.toLongLong());
    QCOMPARE(dialog.password(), password);
}

void TestLoginDialog::addServerSelectsTheChosenAccountsServer_data()
{
    QTest::addColumn<QStringList>("servers");
    QTest::addColumn<QString>("selected");

    QTest::newRow("the account's server") << QStringList({"A", "Zelvant demo server 2", "B", "C"}) << "B";
    QTest::newRow("account's server absent: demo server 2")
        << QStringList({"A", "Zelvant demo server 2", "C"}) << "Zelvant demo server 2";
    QTest::newRow("demo server 2 in the directory's capitals")
        << QStringList({"A", "Zelvant Demo Server 2", "C"}) << "Zelvant Demo Server 2";
    QTest::newRow("neither present: no server") << QStringList({"A", "C"}) << "";
}

void TestLoginDialog::addServerSelectsTheChosenAccountsServer()
{
    QFETCH(QStringList, servers);
    QFETCH(QString, selected);
    QVERIFY(SavedAccountsFile().write(QJsonArray{remembered("100", "A"), remembered("300", "B", "pb")}));
    QVERIFY(writeLogin("A", "100", "100;pa;a:9001"));
    QVERIFY(writeLogin("B", "300", "300;pb;b:9001"));

    LoginDialog dialog;
    for (const QString &name : servers)
        dialog.addServer(name, name + ":9001");

    QCOMPARE(boxTexts(widgets(dialog).serverBox), servers);
    QCOMPARE(dialog.serverNameText(), selected);
    QCOMPARE(dialog.serverAddressText(), selected.isEmpty() ? QString() : selected + ":9001");
}

void TestLoginDialog::refreshedServerListKeepsThePickedServer()
{
    QVERIFY(SavedAccountsFile().write(QJsonArray{remembered("300", "B", "pb")}));
    QVERIFY(writeLogin("B", "300", "300;pb;b:9001"));
    LoginDialog dialog;
    const Widgets w = widgets(dialog);
    const auto refresh = [&dialog] {
        dialog.clearServers();
        for (const QString &name : QStringList{"A", "B", "C"})
            dialog.addServer(name, name + ":9001");
    };
    refresh();
    QCOMPARE(dialog.serverNameText(), QStringLiteral("B"));

    // The user steps to the next server with the keyboard.
    QTest::keyClick(w.serverBox, Qt::Key_Down);
    QCOMPARE(dialog.serverNameText(), QStringLiteral("C"));
    refresh();
    QCOMPARE(dialog.serverNameText(), QStringLiteral("C"));

    dialog.setServerName("A");
    refresh();
    QCOMPARE(dialog.serverNameText(), QStringLiteral("A"));

    // A server that left the directory gives way to the account's own.
    dialog.clearServers();
    QCOMPARE(w.serverBox->count(), 0);
    dialog.addServer("B", "B:9001");
    dialog.addServer("C", "C:9001");
    QCOMPARE(dialog.serverNameText(), QStringLiteral("B"));
}

void TestLoginDialog::serverNameAndAddress()
{
    LoginDialog dialog;
    // Before the directory has answered, the given address stands in.
    dialog.setServerAddress("10.0.0.9:9001");
    QCOMPARE(dialog.serverAddressText(), QStringLiteral("10.0.0.9:9001"));

    dialog.addServer("Server A", "10.0.0.1:9001");
    dialog.addServer("Server B", "10.0.0.2:9001");
    dialog.setServerName("Server B");
    QCOMPARE(dialog.serverNameText(), QStringLiteral("Server B"));
    QCOMPARE(dialog.serverAddressText(), QStringLiteral("10.0.0.2:9001"));

    dialog.setServerName("server a"); // exact, case-sensitive
    QCOMPARE(dialog.serverNameText(), QStringLiteral("Server B"));

    dialog.setServerAddress("10.0.0.1:9001");
    QCOMPARE(dialog.serverNameText(), QStringLiteral("Server A"));
    dialog.setServerAddress("10.0.0.3:9001"); // no such item: selection stays
    QCOMPARE(dialog.serverNameText(), QStringLiteral("Server A"));
    QCOMPARE(dialog.serverAddressText(), QStringLiteral("10.0.0.1:9001"));

    dialog.setLogin(5001);
    QCOMPARE(dialog.currentLogin(), qint64(5001));
    dialog.setPassword("x");
    QCOMPARE(dialog.password(), QStringLiteral("x"));
}

void TestLoginDialog::shownSymbolsOfTheNamedAccount()
{
    LoginDialog dialog;
    dialog.setLogin(123);
    dialog.writeShownSymbols({"EURUSD"}); // no server yet: no folder to write to
    QVERIFY(!QDir(configPath("0")).exists());
    QCOMPARE(QDir(AccountPaths::configFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList());

    dialog.addServer("Demo", "127.0.0.1:9001");
    const QStringList symbols{"EURUSD", "GBPUSD", "XAUUSD"};
    dialog.writeShownSymbols(symbols);
    QVERIFY(QFile::exists(configPath("Demo/123/shown_symbols.json")));
    QCOMPARE(dialog.readShownSymbols(), symbols);

    dialog.setLogin(124);
    QCOMPARE(dialog.readShownSymbols(), QStringList());
}

QTEST_MAIN(TestLoginDialog)
#include "TestLoginDialog.moc"
