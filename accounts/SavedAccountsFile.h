#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QMap>
#include <QString>
#include <optional>

// The ACCOUNTS file of the configuration folder: a JSON array with one object
// per remembered login ("account", "server", "server_name", "name",
// "master_password" or "investor_password", "status"). It holds passwords, so
// it is always rewritten whole and readable by its owner only.
class SavedAccountsFile
{
public:
    // What the automatic login at start-up needs from the account marked "online".
    struct OnlineAccount
    {
        qint64 login = 0;
        QString password;
        QString serverAddress;
        QString serverName;
        QString name;
    };

    // The file in the configuration folder, or another path (tests, tools).
    SavedAccountsFile();
    explicit SavedAccountsFile(const QString &path);

    static QString defaultPath();
    QString path() const { return m_path; }

    // "%1@%2" of login and server name: what tells two elements apart.
    static QString identity(const QString &account, const QString &serverName);
    static QString identityOf(const QJsonObject &element);

    // The array; a missing, unreadable, corrupt or non-array file gives an empty one.
    QJsonArray read() const;

    // Replaces the file with the array (indented), creating its folder first.
    // False, with nothing written, when the folder or the file cannot be made.
    bool write(const QJsonArray &array) const;

    // Inserts the entry of a login that has just succeeded, or updates the element
    // with its identity: the password of the session's kind (investor or master)
    // when the entry carries one, and the status. Other keys of an existing
    // element stay as they are.
    bool upsert(const QJsonObject &entry, bool investor) const;

    // Replaces the master (or investor) password of login@serverName where the
    // element carries one; an element without it was saved without a password.
    bool replacePassword(qint64 login, const QString &serverName, bool investor,
                         const QString &password) const;

    // Marks the element of login@serverName "online" and every other "offline".
    // Skipped (false) when the file cannot be opened or does not hold an array.
    bool markOnline(qint64 login, const QString &serverName) const;

    // The first element whose status is "online", when its login is a non-zero
    // number and it has a server address.
    std::optional<OnlineAccount> firstOnline() const;

    // identity -> "name" of every element; a later element wins.
    QMap<QString, QString> namesByIdentity() const;

private:
    enum class ReadResult
    {
        Ok,
        Missing,
        Unreadable,
        Corrupt
    };
    ReadResult readArray(QJsonArray *array) const;
    // A file we cannot parse may still be worth something to its owner.
    void keepCorruptCopy() const;

    QString m_path;
};
