#include "accounts/SavedAccountsFile.h"

#include "data/AccountPaths.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QSaveFile>

namespace {
const QString accountKey = QStringLiteral("account");
const QString serverKey = QStringLiteral("server");
const QString serverNameKey = QStringLiteral("server_name");
const QString nameKey = QStringLiteral("name");
const QString masterKey = QStringLiteral("master_password");
const QString investorKey = QStringLiteral("investor_password");
const QString statusKey = QStringLiteral("status");
const QString online = QStringLiteral("online");
const QString offline = QStringLiteral("offline");

constexpr QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
} // namespace

SavedAccountsFile::SavedAccountsFile() : m_path(defaultPath()) {}

SavedAccountsFile::SavedAccountsFile(const QString &path) : m_path(path) {}

QString SavedAccountsFile::defaultPath()
{
    return AccountPaths::configFolder() + QStringLiteral("/ACCOUNTS");
}

QString SavedAccountsFile::identity(const QString &account, const QString &serverName)
{
    return QStringLiteral("%1@%2").arg(account, serverName);
}

QString SavedAccountsFile::identityOf(const QJsonObject &element)
{
    return identity(element.value(accountKey).toString(), element.value(serverNameKey).toString());
}

SavedAccountsFile::ReadResult SavedAccountsFile::readArray(QJsonArray *array) const
{
    *array = QJsonArray();
    QFile file(m_path);
    if (!file.exists()) {
        qDebug() << "No saved accounts file at" << m_path;
        return ReadResult::Missing;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning() << "Cannot read the saved accounts file" << m_path << ":" << file.errorString();
        return ReadResult::Unreadable;
    }
    const QByteArray bytes = file.readAll();
    file.close();

    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        qWarning() << "The saved accounts file" << m_path << "is not valid JSON:" << error.errorString()
                   << "at offset" << error.offset;
        return ReadResult::Corrupt;
    }
    if (!document.isArray()) {
        qWarning() << "The saved accounts file" << m_path << "does not hold an array";
        return ReadResult::Corrupt;
    }
    *array = document.array();
    return ReadResult::Ok;
}

QJsonArray SavedAccountsFile::read() const
{
    QJsonArray array;
    readArray(&array);
    return array;
}

bool SavedAccountsFile::write(const QJsonArray &array) const
{
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(folder)) {
        qWarning() << "Cannot create the folder" << folder << "of the saved accounts file";
        return false;
    }
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) {
        qWarning() << "Cannot write the saved accounts file" << m_path << ":" << file.errorString();
        return false;
    }
    // The temporary file gets its mode before the first password is written to it.
    if (!file.setPermissions(ownerOnly)) {
        qWarning() << "Cannot restrict the permissions of" << m_path << "; not writing it";
        file.cancelWriting();
        return false;
    }
    file.write(QJsonDocument(array).toJson(QJsonDocument::Indented));
    if (!file.commit()) {
        qWarning() << "Cannot write the saved accounts file" << m_path << ":" << file.errorString();
        return false;
    }
    return true;
}

void SavedAccountsFile::keepCorruptCopy() const
{
    if (QFileInfo(m_path).size() == 0)
        return;
    const QString copy = m_path + QStringLiteral(".corrupt");
    QFile::remove(copy);
    if (QFile::copy(m_path, copy)) {
        QFile::setPermissions(copy, ownerOnly);
        qWarning() << "Kept the unreadable saved accounts as" << copy;
    }
}

bool SavedAccountsFile::upsert(const QJsonObject &entry, bool investor) const
{
    QJsonArray array;
    switch (readArray(&array)) {
    case ReadResult::Ok:
    case ReadResult::Missing:
        break;
    case ReadResult::Unreadable:
        // Replacing a file we could not read would throw away every other login in it.
        qWarning() << "Not updating the saved accounts file" << m_path << "that cannot be read";
        return false;
    case ReadResult::Corrupt:
        keepCorruptCopy();
        break;
    }

    const QString wanted = identityOf(entry);
    const QString passwordKey = investor ? investorKey : masterKey;
    bool found = false;
    for (int i = 0; i < array.size(); ++i) {
        if (!array.at(i).isObject())
            continue;
        QJsonObject element = array.at(i).toObject();
        if (identityOf(element) != wanted)
            continue;
        if ((entry.contains(masterKey) || entry.contains(investorKey)) && entry.contains(passwordKey))
            element.insert(passwordKey, entry.value(passwordKey));
        if (entry.contains(statusKey))
            element.insert(statusKey, entry.value(statusKey));
        array.replace(i, element);
        found = true;
        break;
    }
    if (!found)
        array.append(entry);
    return write(array);
}

bool SavedAccountsFile::replacePassword(qint64 login, const QString &serverName, bool investor,
                                        const QString &password) const
{
    QJsonArray array;
    if (readArray(&array) != ReadResult::Ok)
        return false;
    const QString wanted = identity(QString::number(login), serverName);
    const QString passwordKey = investor ? investorKey : masterKey;
    bool changed = false;
    for (int i = 0; i < array.size(); ++i) {
        QJsonObject element = array.at(i).toObject();
        if (!array.at(i).isObject() || identityOf(element) != wanted || !element.contains(passwordKey))
            continue;
        element.insert(passwordKey, password);
        array.replace(i, element);
        changed = true;
    }
    return changed && write(array);
}

bool SavedAccountsFile::markOnline(qint64 login, const QString &serverName) const
{
    QJsonArray array;
    // Rewriting what we could not parse would lose it; the pass only concerns statuses.
    if (readArray(&array) != ReadResult::Ok)
        return false;
    const QString current = identity(QString::number(login), serverName);
    for (int i = 0; i < array.size(); ++i) {
        if (!array.at(i).isObject())
            continue;
        QJsonObject element = array.at(i).toObject();
        element.insert(statusKey, identityOf(element) == current ? online : offline);
        array.replace(i, element);
    }
    return write(array);
}

std::optional<SavedAccountsFile::OnlineAccount> SavedAccountsFile::firstOnline() const
{
    QJsonArray array;
    if (readArray(&array) != ReadResult::Ok)
        return std::nullopt;
    for (const QJsonValue &value : qAsConst(array)) {
        const QJsonObject element = value.toObject();
        if (element.value(statusKey).toString() != online)
            continue;
        bool parsed = false;
        OnlineAccount account;
        account.login = element.value(accountKey).toString().toLongLong(&parsed, 10);
        const QString master = element.value(masterKey).toString();
        account.password = master.isEmpty() ? element.value(investorKey).toString() : master;
        account.serverAddress = element.value(serverKey).toString();
        account.serverName = element.value(serverNameKey).toString();
        account.name = element.value(nameKey).toString();
        if (!parsed || account.login == 0 || account.serverAddress.isEmpty())
            return std::nullopt;
        return account;
    }
    return std::nullopt;
}

QMap<QString, QString> SavedAccountsFile::namesByIdentity() const
{
    QMap<QString, QString> names;
    const QJsonArray array = read();
    for (const QJsonValue &value : array) {
        if (!value.isObject())
            continue;
        const QJsonObject element = value.toObject();
        names.insert(identityOf(element), element.value(nameKey).toString());
    }
    return names;
}
