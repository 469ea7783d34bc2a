#include "TemporaryProfile.h"

#include "data/AccountPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

TemporaryProfile::TemporaryProfile()
{
    QStandardPaths::setTestModeEnabled(true);
    // In test mode the locations are below the home folder.
    qputenv("HOME", m_dir.path().toLocal8Bit());
}

bool TemporaryProfile::isValid() const
{
    return m_dir.isValid() && AccountPaths::configFolder().startsWith(m_dir.path() + QLatin1Char('/'));
}

bool TemporaryProfile::resetConfig() const
{
    QDir config(AccountPaths::configFolder());
    return (!config.exists() || config.removeRecursively()) && QDir().mkpath(config.path());
}

bool TemporaryProfile::writeConfigFile(const QString &relativePath, const QByteArray &bytes)
{
    const QString path = AccountPaths::configFolder() + QLatin1Char('/') + relativePath;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray TemporaryProfile::readConfigFile(const QString &relativePath)
{
    QFile file(AccountPaths::configFolder() + QLatin1Char('/') + relativePath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
