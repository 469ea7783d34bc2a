#include "accounts/ShownSymbolsFile.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

QString ShownSymbolsFile::path(const QString &accountFolder)
{
    return accountFolder + QStringLiteral("/shown_symbols.json");
}

QStringList ShownSymbolsFile::read(const QString &accountFolder)
{
    QStringList symbols;
    if (accountFolder.isEmpty())
        return symbols;
    QFile file(path(accountFolder));
    if (!file.open(QIODevice::ReadOnly))
        return symbols;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    if (!document.isArray()) {
        qWarning() << file.fileName() << "does not hold an array of symbols";
        return symbols;
    }
    const QJsonArray array = document.array();
    symbols.reserve(array.size());
    for (const QJsonValue &value : array)
        symbols.append(value.toString());
    return symbols;
}

bool ShownSymbolsFile::write(const QString &accountFolder, const QStringList &symbols)
{
    if (accountFolder.isEmpty())
        return false;
    if (!QDir().mkpath(accountFolder)) {
        qWarning() << "Cannot create the account folder" << accountFolder;
        return false;
    }
    QSaveFile file(path(accountFolder));
    if (!file.open(QIODevice::WriteOnly)) {
        qWarning() << "Cannot write" << file.fileName() << ":" << file.errorString();
        return false;
    }
    file.write(QJsonDocument(QJsonArray::fromStringList(symbols)).toJson(QJsonDocument::Indented));
    if (!file.commit()) {
        qWarning() << "Cannot write" << file.fileName() << ":" << file.errorString();
        return false;
    }
    return true;
}
