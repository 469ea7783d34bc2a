#include "TemporaryProfile.h"
#include "accounts/LoginFile.h"
#include "accounts/SavedAccountsFile.h"
#include "accounts/ShownSymbolsFile.h"
#include "data/AccountPaths.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QtTest>

namespace {
QJsonObject account(const QString &login, const QString &serverName, const QString &status,
                    const QJsonObject &extra = {})
{
    QJsonObject o{{"account", login},
                  {"server", "ws://10.0.0.1:9001"},
                  {"server_name", serverName},
                  {"name", QString("Holder " + login)},
                  {"status", status}};
    for (auto it = extra.begin(); it != extra.end(); ++it)
        o.insert(it.key(), it.value());
    return o;
}

QByteArray json(const QJsonArray &array)
{
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

bool ownerOnly(const QString &path)
{
    const QFileDevice::Permissions p = QFileInfo(path).permissions();
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                            QFileDevice::WriteOther | QFileDevice::ExeOther;
    return (p & QFileDevice::ReadOwner) && (p & QFileDevice::WriteOwner) && !(p & others);
}

const QString accountsPath()
{
    return AccountPaths::configFolder() + "/ACCOUNTS";
}
} // namespace

class TestAccountFiles : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void readGivesEmptyForBadFiles_data();
    void readGivesEmptyForBadFiles();
    void writeIsIndentedOwnerOnlyAndComplete();
    void writeCreatesTheFolder();
    void writeFailsWhenTheFolderCannotBeCreated();
    void upsert_data();
    void upsert();
    void upsertKeepsACorruptFileAside();
    void upsertLeavesAnUnreadableFileAlone();
    void replacePasswordOnlyWhereOneWasSaved();
    void markOnlineRewritesEveryStatus();
    void markOnlineSkipsFilesItCannotRead_data();
    void markOnlineSkipsFilesItCannotRead();
    void firstOnline_data();
    void firstOnline();
    void namesByIdentityLaterElementWins();

    void loginFileRoundTrip();
    void loginFileRefusesSeparators_data();
    void loginFileRefusesSeparators();
    void shownSymbolsRoundTrip();
    void shownSymbolsBadFiles_data();
    void shownSymbolsBadFiles();
    void accountFilesInAFolderThatCannotBeCreated();

private:
    TemporaryProfile m_profile;
};

void TestAccountFiles::initTestCase()
{
    QVERIFY(m_profile.isValid());
    QCOMPARE(SavedAccountsFile().path(), accountsPath());
}

void TestAccountFiles::init()
{
    QVERIFY(m_profile.resetConfig());
}

void TestAccountFiles::readGivesEmptyForBadFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("asFolder");
    QTest::addColumn<QString>("warning");

    QTest::newRow("missing") << QByteArray() << false << QString();
    QTest::newRow("truncated JSON") << QByteArray(R"([{"account": "1", "server)") << false
                                    << "not valid JSON";
    QTest::newRow("empty file") << QByteArray("") << false << "not valid JSON";
    QTest::newRow("object instead of array")
        << QByteArray(R"({"account": "1"})") << false << "does not hold an array";
    QTest::newRow("unreadable: a folder") << QByteArray() << true << "Cannot read";
}

void TestAccountFiles::readGivesEmptyForBadFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, asFolder);
    QFETCH(QString, warning);
    if (asFolder)
        QVERIFY(QDir().mkpath(accountsPath()));
    else if (!content.isNull())
        QVERIFY(TemporaryProfile::writeConfigFile("ACCOUNTS", content));
    if (!warning.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(warning)));

    QCOMPARE(SavedAccountsFile().read(), QJsonArray());
}

void TestAccountFiles::writeIsIndentedOwnerOnlyAndComplete()
{
    // An older file readable by everyone must not stay so.
    QVERIFY(TemporaryProfile::writeConfigFile("ACCOUNTS", "[]"));
    QVERIFY(QFile::setPermissions(accountsPath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ReadGroup | QFileDevice::ReadOther));
    const QJsonArray array{account("1001", "Demo", "online", {{"master_password", "s3cret"}})};

    QVERIFY(SavedAccountsFile().write(array));

    QCOMPARE(TemporaryProfile::readConfigFile("ACCOUNTS"), json(array));
    QVERIFY(ownerOnly(accountsPath()));
    // Nothing but the file itself is left in the folder.
    QCOMPARE(QDir(AccountPaths::configFolder()).entryList(QDir::Files | QDir::Hidden),
             QStringList{"ACCOUNTS"});
}

void TestAccountFiles::writeCreatesTheFolder()
{
    QVERIFY(QDir(AccountPaths::dataFolder()).removeRecursively());
    QVERIFY(SavedAccountsFile().write(QJsonArray{account("7", "Live", "online")}));
    QCOMPARE(SavedAccountsFile().read().size(), 1);
    QVERIFY(ownerOnly(accountsPath()));
}

void TestAccountFiles::writeFailsWhenTheFolderCannotBeCreated()
{
    // A plain file where the configuration folder's parent should be.
    QTemporaryDir dir;
    QFile blocker(dir.filePath("taken"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const SavedAccountsFile file(dir.filePath("taken/config/ACCOUNTS"));

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Cannot create the folder"));
    QVERIFY(!file.write(QJsonArray{account("1", "S", "online")}));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Cannot create the folder"));
    QVERIFY(!file.upsert(account("1", "S", "online"), false));
    QVERIFY(QFileInfo(dir.filePath("taken")).isFile());
}

void TestAccountFiles::upsert_data()
{
    QTest::addColumn<QJsonArray>("before");
    QTest::addColumn<QJsonObject>("entry");
    QTest::addColumn<bool>("investor");
    QTest::addColumn<QJsonArray>("after");

    const QJsonObject a = account("100", "Demo", "offline", {{"master_password", "old"}});
    const QJsonObject b = account("200", "Demo", "offline");

    QTest::newRow("new identity appended") << QJsonArray{a} << account("300", "Demo", "online") << false
                                           << QJsonArray{a, account("300", "Demo", "online")};

    QTest::newRow("into a missing file") << QJsonArray() << b << false << QJsonArray{b};

    QJsonObject moved = account("100", "Demo", "online", {{"master_password", "new"}});
    moved.insert("server", "ws://10.9.9.9:9001");
    moved.insert("name", "Renamed");
    QJsonObject aUpdated = a;
    aUpdated.insert("master_password", "new");
    aUpdated.insert("status", "online");
    QTest::newRow("existing: only password and status change")
        << QJsonArray{a, b} << moved << false << QJsonArray{aUpdated, b};

    QJsonObject aInvestor = a;
    aInvestor.insert("investor_password", "inv");
    aInvestor.insert("status", "online");
    QTest::newRow("investor session sets the investor password")
        << QJsonArray{a} << account("100", "Demo", "online", {{"investor_password", "inv"}}) << true
        << QJsonArray{aInvestor};

    QJsonObject aOnline = a;
    aOnline.insert("status", "online");
    QTest::newRow("no password in the entry keeps the saved one")
        << QJsonArray{a} << account("100", "Demo", "online") << false << QJsonArray{aOnline};

    QTest::newRow("same login on another server is another account")
        << QJsonArray{a} << account("100", "Live", "online") << false
        << QJsonArray{a, account("100", "Live", "online")};

    QTest::newRow("elements that are not objects survive")
        << QJsonArray{42, a} << account("100", "Demo", "online") << false << QJsonArray{42, aOnline};
}

void TestAccountFiles::upsert()
{
    QFETCH(QJsonArray, before);
    QFETCH(QJsonObject, entry);
    QFETCH(bool, investor);
    QFETCH(QJsonArray, after);
    if (!before.isEmpty())
        QVERIFY(SavedAccountsFile().write(before));

    QVERIFY(SavedAccountsFile().upsert(entry, investor));

    QCOMPARE(SavedAccountsFile().read(), after);
    QCOMPARE(TemporaryProfile::readConfigFile("ACCOUNTS"), json(after));
    QVERIFY(ownerOnly(accountsPath()));
}

void TestAccountFiles::upsertKeepsACorruptFileAside()
{
    const QByteArray corrupt = R"([{"account": "100", "master_password": "only copy")";
    QVERIFY(TemporaryProfile::writeConfigFile("ACCOUNTS", corrupt));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("not valid JSON"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Kept the unreadable saved accounts"));

    const QJsonObject entry = account("200", "Demo", "online");
    QVERIFY(SavedAccountsFile().upsert(entry, false));

    QCOMPARE(SavedAccountsFile().read(), QJsonArray{entry});
    QCOMPARE(TemporaryProfile::readConfigFile("ACCOUNTS.corrupt"), corrupt);
    QVERIFY(ownerOnly(accountsPath() + ".corrupt"));
}

void TestAccountFiles::upsertLeavesAnUnreadableFileAlone()
{
    QVERIFY(QDir().mkpath(accountsPath()));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Cannot read"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Not updating"));
    QVERIFY(!SavedAccountsFile().upsert(account("1", "S", "online"), false));
    QVERIFY(QFileInfo(accountsPath()).isDir());
}

void TestAccountFiles::replacePasswordOnlyWhereOneWasSaved()
{
    const QJsonObject saved = account("100", "Demo", "online", {{"master_password", "old"}});
    const QJsonObject withoutPassword = account("200", "Demo", "offline");
    const QJsonObject otherServer = account("100", "Live", "offline", {{"master_password", "old"}});
    QVERIFY(SavedAccountsFile().write(QJsonArray{saved, withoutPassword, otherServer, "stray"}));

    QVERIFY(SavedAccountsFile().replacePassword(100, "Demo", false, "new"));
    QVERIFY(!SavedAccountsFile().replacePassword(200, "Demo", false, "new"));
    QVERIFY(!SavedAccountsFile().replacePassword(100, "Demo", true, "inv"));

    QJsonObject updated = saved;
    updated.insert("master_password", "new");
    QCOMPARE(SavedAccountsFile().read(), (QJsonArray{updated, withoutPassword, otherServer, "stray"}));
    QVERIFY(ownerOnly(accountsPath()));
}

void TestAccountFiles::markOnlineRewritesEveryStatus()
{
    const QJsonObject first = account("100", "Demo", "online", {{"master_password", "m"}});
    const QJsonObject second = account("200", "Demo", "offline");
    const QJsonObject sameLoginOtherServer = account("200", "Live", "online");
    QJsonObject noStatus = account("300", "Demo", "");
    noStatus.remove("status");
    QVERIFY(SavedAccountsFile().write(QJsonArray{first, second, sameLoginOtherServer, noStatus, "stray"}));

    QVERIFY(SavedAccountsFile().markOnline(200, "Demo"));

    const QJsonArray after = SavedAccountsFile().read();
    QCOMPARE(after.size(), 5);
    QStringList statuses;
    for (int i = 0; i < 4; ++i)
        statuses << after.at(i).toObject().value("status").toString();
    QCOMPARE(statuses, QStringList({"offline", "online", "offline", "offline"}));
    QCOMPARE(after.at(0).toObject().value("master_password").toString(), QStringLiteral("m"));
    QCOMPARE(after.at(4).toString(), QStringLiteral("stray"));
    QVERIFY(ownerOnly(accountsPath()));
}

void TestAccountFiles::markOnlineSkipsFilesItCannotRead_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("warning");
    QTest::newRow("missing file is not created") << QByteArray() << QString();
    QTest::newRow("corrupt file is not replaced") << QByteArray("[{\"account\":") << "not valid JSON";
    QTest::newRow("non-array file is not replaced") << QByteArray("{\"account\":\"1\"}") << "does not hold";
}

void TestAccountFiles::markOnlineSkipsFilesItCannotRead()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, warning);
    if (!content.isNull())
        QVERIFY(TemporaryProfile::writeConfigFile("ACCOUNTS", content));
    if (!warning.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));

    QVERIFY(!SavedAccountsFile().markOnline(1, "Demo"));

    QCOMPARE(QFile::exists(accountsPath()), !content.isNull());
    if (!content.isNull())
        QCOMPARE(TemporaryProfile::readConfigFile("ACCOUNTS"), content);
}

void TestAccountFiles::firstOnline_data()
{
    QTest::addColumn<QJsonArray>("accounts");
    QTest::addColumn<bool>("found");
    QTest::addColumn<qint64>("login");
    QTest::addColumn<QString>("password");

    const QJsonObject master{{"master_password", "main"}};
    const QJsonObject both{{"master_password", "main"}, {"investor_password", "ro"}};
    const QJsonObject investor{{"investor_password", "ro"}};
    const QJsonObject emptyMaster{{"master_password", ""}, {"investor_password", "ro"}};

    QTest::newRow("first online element wins")
        << QJsonArray{account("1", "S", "offline", master), account("2", "S", "online", master),
                      account("3", "S", "online", master)}
        << true << qint64(2) << "main";
    QTest::newRow("master password before investor")
        << QJsonArray{account("4", "S", "online", both)} << true << qint64(4) << "main";
    QTest::newRow("investor password without a master one")
        << QJsonArray{account("5", "S", "online", investor)} << true << qint64(5) << "ro";
    QTest::newRow("empty master password falls back to investor")
        << QJsonArray{account("6", "S", "online", emptyMaster)} << true << qint64(6) << "ro";
    QTest::newRow("no password still logs in to be refused by the server")
        << QJsonArray{account("7", "S", "online")} << true << qint64(7) << "";
    QTest::newRow("nothing online") << QJsonArray{account("1", "S", "offline", master)} << false << qint64(0)
                                    << "";
    QTest::newRow("status is compared exactly")
        << QJsonArray{account("1", "S", "Online", master)} << false << qint64(0) << "";
    QTest::newRow("login 0") << QJsonArray{account("0", "S", "online", master)} << false << qint64(0) << "";
    QTest::newRow("login not a number")
        << QJsonArray{account("12a", "S", "online", master)} << false << qint64(0) << "";
    QJsonObject noServer = account("8", "S", "online", master);
    noServer.insert("server", "");
    QTest::newRow("no server address") << QJsonArray{noServer} << false << qint64(0) << "";
    QTest::newRow("a broken first online element is not skipped")
        << QJsonArray{account("x", "S", "online"), account("9", "S", "online", master)} << false << qint64(0)
        << "";
}

void TestAccountFiles::firstOnline()
{
    QFETCH(QJsonArray, accounts);
    QFETCH(bool, found);
    QFETCH(qint64, login);
    QFETCH(QString, password);
    QVERIFY(SavedAccountsFile().write(accounts));

    const std::optional<SavedAccountsFile::OnlineAccount> online = SavedAccountsFile().firstOnline();

    QCOMPARE(online.has_value(), found);
    if (!found)
        return;
    QCOMPARE(online->login, login);
    QCOMPARE(online->password, password);
    QCOMPARE(online->serverAddress, QStringLiteral("ws://10.0.0.1:9001"));
    QCOMPARE(online->serverName, QStringLiteral("S"));
    QCOMPARE(online->name, QString("Holder " + QString::number(login)));
}

void TestAccountFiles::namesByIdentityLaterElementWins()
{
    QJsonObject again = account("1", "S", "online");
    again.insert("name", "Second");
    QVERIFY(SavedAccountsFile().write(
        QJsonArray{account("1", "S", "offline"), account("1", "T", "offline"), again}));
    const QMap<QString, QString> names = SavedAccountsFile().namesByIdentity();
    QCOMPARE(names.size(), 2);
    QCOMPARE(names.value(SavedAccountsFile::identity("1", "S")), QStringLiteral("Second"));
    QCOMPARE(names.value("1@T"), QStringLiteral("Holder 1"));
}

void TestAccountFiles::loginFileRoundTrip()
{
    const QString folder = AccountPaths::accountFolder("Demo", 5001);
    QVERIFY(LoginFile::write(folder, 5001, "pa ss", "ws://127.0.0.1:9001"));

    QCOMPARE(TemporaryProfile::readConfigFile("Demo/5001/login"),
             QByteArray("5001;pa ss;ws://127.0.0.1:9001"));
    QVERIFY(ownerOnly(LoginFile::path(folder)));
    const std::optional<LoginFile::Content> content = LoginFile::read(folder);
    QVERIFY(content);
    QCOMPARE(content->password, QStringLiteral("pa ss"));
    QCOMPARE(content->serverAddress, QStringLiteral("ws://127.0.0.1:9001"));

    QVERIFY(!LoginFile::read(AccountPaths::accountFolder("Demo", 5002)));
}

void TestAccountFiles::loginFileRefusesSeparators_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("address");
    QTest::newRow("semicolon in password") << "a;b"
                                           << "ws://h:9001";
    QTest::newRow("line break in password") << "a\nb"
                                            << "ws://h:9001";
    QTest::newRow("semicolon in address") << "pw"
                                          << "ws://h;x";
}

void TestAccountFiles::loginFileRefusesSeparators()
{
    QFETCH(QString, password);
    QFETCH(QString, address);
    const QString folder = AccountPaths::accountFolder("Demo", 42);
    QVERIFY(LoginFile::write(folder, 42, "good", "ws://h:9001"));

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Not writing the login file"));
    QVERIFY(!LoginFile::write(folder, 42, password, address));
    QCOMPARE(TemporaryProfile::readConfigFile("Demo/42/login"), QByteArray("42;good;ws://h:9001"));
}

void TestAccountFiles::shownSymbolsRoundTrip()
{
    const QString folder = AccountPaths::accountFolder("Demo", 77);
    const QStringList symbols{"EURUSD", "XAUUSD", "GBPJPY", "EURUSD.m"};
    QVERIFY(ShownSymbolsFile::write(folder, symbols));

    QCOMPARE(TemporaryProfile::readConfigFile("Demo/77/shown_symbols.json"),
             QJsonDocument(QJsonArray::fromStringList(symbols)).toJson(QJsonDocument::Indented));
    QCOMPARE(ShownSymbolsFile::read(folder), symbols);

    QVERIFY(ShownSymbolsFile::write(folder, {}));
    QCOMPARE(ShownSymbolsFile::read(folder), QStringList());
    QVERIFY(!ShownSymbolsFile::write(QString(), symbols));
}

void TestAccountFiles::shownSymbolsBadFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("missing") << QByteArray() << QStringList();
    QTest::newRow("not an array") << QByteArray(R"({"EURUSD": true})") << QStringList();
    QTest::newRow("not JSON") << QByteArray("EURUSD\nGBPUSD\n") << QStringList();
    QTest::newRow("non-string elements read as empty names")
        << QByteArray(R"(["EURUSD", 5, null, "USDJPY"])") << QStringList({"EURUSD", "", "", "USDJPY"});
}

void TestAccountFiles::shownSymbolsBadFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, expected);
    if (!content.isNull())
        QVERIFY(TemporaryProfile::writeConfigFile("Demo/9/shown_symbols.json", content));
    if (!content.isNull() && expected.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("does not hold an array"));
    QCOMPARE(ShownSymbolsFile::read(AccountPaths::accountFolder("Demo", 9)), expected);
}

void TestAccountFiles::accountFilesInAFolderThatCannotBeCreated()
{
    // A plain file named like the server folder.
    QVERIFY(TemporaryProfile::writeConfigFile("Demo", "not a folder"));
    const QString folder = AccountPaths::accountFolder("Demo", 5);

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Cannot create the account folder"));
    QVERIFY(!LoginFile::write(folder, 5, "pw", "ws://h:9001"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Cannot create the account folder"));
    QVERIFY(!ShownSymbolsFile::write(folder, {"EURUSD"}));
    QCOMPARE(TemporaryProfile::readConfigFile("Demo"), QByteArray("not a folder"));
    QVERIFY(!LoginFile::read(folder));
    QCOMPARE(ShownSymbolsFile::read(folder), QStringList());
}

QTEST_GUILESS_MAIN(TestAccountFiles)
#include "TestAccountFiles.moc"
