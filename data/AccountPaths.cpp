#include "data/AccountPaths.h"

#include <QCoreApplication>
#include <QDebug>
#include <QStandardPaths>

QString AccountPaths::organisationName()
{
    return QStringLiteral("Client");
}

QString AccountPaths::applicationName()
{
    return QStringLiteral("Zelvant");
}

QString AccountPaths::brokerFolderName()
{
    return QStringLiteral("\"Corvane DERUVUR\"");
}

QString AccountPaths::dataFolder()
{
    // The toolkit's own location when the program runs under our names; a test
    // program or a tool with other names still lands in the same folder.
    if (QCoreApplication::organizationName() == organisationName() &&
        QCoreApplication::applicationName() == applicationName())
        return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/') +
           organisationName() + QLatin1Char('/') + applicationName();
}

QString AccountPaths::configFolder()
{
    return dataFolder() + QLatin1Char('/') + brokerFolderName() + QStringLiteral("/config");
}

QString AccountPaths::accountFolder(const QString &server, quint64 login)
{
    if (login == 0 || !checkSegment(server, "server"))
        return QString();
    return configFolder() + QLatin1Char('/') + server + QLatin1Char('/') + QString::number(login);
}

QString AccountPaths::chartHistoryFolder(const QString &server, quint64 login)
{
    const QString account = accountFolder(server, login);
    return account.isEmpty() ? account : account + QStringLiteral("/ChartHistory");
}

QString AccountPaths::chartSettingsFolder(const QString &server, quint64 login)
{
    const QString account = accountFolder(server, login);
    return account.isEmpty() ? account : account + QStringLiteral("/ChartSettings");
}

bool AccountPaths::isSafeSegment(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() == 0)
            return false;
    }
    return true;
}

bool AccountPaths::checkSegment(const QString &name, const char *what)
{
    if (isSafeSegment(name))
        return true;
    // QDebug quotes the name and escapes control characters such as NUL.
    qWarning().nospace() << "Refusing " << what << " name " << name << " as a path segment";
    return false;
}
