#pragma once

#include <QStringList>

class QMainWindow;
class SymbolDataStorage;

// The working state of one account between runs, in its account folder:
// "login", "symbols", "layout" and "windowState".
class AccountSession
{
public:
    // Writes every file it can; "login" only when password is not empty.
    static void save(QMainWindow *window, quint64 login, const QString &password, const QString &serverName,
                     const QString &serverAddress, const QStringList &symbolNames);
    // Restores the market watch order and the window layout; nothing when the folder is missing.
    static void restore(QMainWindow *window, SymbolDataStorage *symbols, quint64 login,
                        const QString &serverName);
};
