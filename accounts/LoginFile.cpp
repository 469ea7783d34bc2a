#include "accounts/LoginFile.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTextStream>

QString LoginFile::path(const QString &accountFolder)
{
    return accountFolder + QStringLiteral("/login");
}

std::optional<LoginFile::Content> LoginFile::read(const QString &accountFolder)
{
    QFile file(path(accountFolder));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    QTextStream stream(&file);
    stream.setCodec("UTF-8");
    const QStringList parts = stream.readLine().split(QLatin1Char(';'), Qt::KeepEmptyParts);
    Content content;
    if (parts.size() == 3) {
        content.password = parts.at(1);
        content.serverAddress = parts.at(2);
    }
    return content;
}

bool LoginFile::write(const QString &accountFolder, qint64 login, const QString &password,
                      const QString &serverAddress)
{
    for (const QString &field : {password, serverAddress}) {
        if (field.contains(QLatin1Char(';')) || field.contains(QLatin1Char('\n')) ||
            field.contains(QLatin1Char('\r'))) {
            qWarning() << "Not writing the login file of" << accountFolder
                       << ": a field holds a separator the file cannot carry";
            return false;
        }
    }
    if (accountFolder.isEmpty() || !QDir().mkpath(accountFolder)) {
        qWarning() << "Cannot create the account folder" << accountFolder;
        return false;
    }
    QSaveFile file(path(accountFolder));
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        qWarning() << "Cannot write" << file.fileName() << ":" << file.errorString();
        return false;
    }
    file.write(QStringLiteral("%1;%2;%3").arg(QString::number(login), password, serverAddress).toUtf8());
    if (!file.commit()) {
        qWarning() << "Cannot write" << file.fileName() << ":" << file.errorString();
        return false;
    }
    return true;
}
