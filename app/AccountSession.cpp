#include "app/AccountSession.h"

#include "accounts/LoginFile.h"
#include "data/AccountPaths.h"
#include "data/SymbolDataStorage.h"

#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QRegularExpression>
#include <QSaveFile>
#include <QScreen>
#include <QTextStream>

namespace {

bool writeWhole(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qWarning("Cannot write %s", qPrintable(path));
        return false;
    }
    file.write(bytes);
    return file.commit();
}

QByteArray readWhole(const QString &path, bool *ok)
{
    QFile file(path);
    *ok = file.open(QIODevice::ReadOnly);
    return *ok ? file.readAll() : QByteArray();
}

} // namespace

void AccountSession::save(QMainWindow *window, quint64 login, const QString &password,
                          const QString &serverName, const QString &serverAddress,
                          const QStringList &symbolNames)
{
    const QString folder = AccountPaths::accountFolder(serverName, login);
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return;
    const QDir dir(folder);
    if (!password.isEmpty())
        LoginFile::write(folder, qint64(login), password, serverAddress);
    QByteArray symbols;
    for (const QString &name : symbolNames)
        symbols += name.toUtf8() + '\n';
    writeWhole(dir.filePath(QStringLiteral("symbols")), symbols);
    if (window) {
        writeWhole(dir.filePath(QStringLiteral("layout")), window->saveGeometry());
        writeWhole(dir.filePath(QStringLiteral("windowState")), window->saveState(0));
    }
}

void AccountSession::restore(QMainWindow *window, SymbolDataStorage *symbols, quint64 login,
                             const QString &serverName)
{
    const QString folder = AccountPaths::accountFolder(serverName, login);
    if (folder.isEmpty() || !QDir(folder).exists())
        return;
    const QDir dir(folder);
    bool ok = false;
    const QByteArray symbolText = readWhole(dir.filePath(QStringLiteral("symbols")), &ok);
    if (ok && symbols) {
        const QStringList names = QString::fromUtf8(symbolText)
                                      .split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        symbols->setSymbols(names, false);
    }
    if (!window)
        return;
    const QByteArray geometry = readWhole(dir.filePath(QStringLiteral("layout")), &ok);
    if (ok && window->restoreGeometry(geometry)) {
        // A layout saved on a larger screen must not leave the window partly off this one.
        if (QScreen *screen = window->screen()) {
            const QRect available = screen->availableGeometry();
            if (!available.contains(window->frameGeometry()))
                window->setGeometry(available);
        }
    }
    const QByteArray state = readWhole(dir.filePath(QStringLiteral("windowState")), &ok);
    if (ok)
        window->restoreState(state, 0);
}
