#pragma once

#include <QString>
#include <QStringList>

// "shown_symbols.json" of an account folder: a JSON array of the symbol names
// the market watch shows.
class ShownSymbolsFile
{
public:
    static QString path(const QString &accountFolder);

    // The names in file order; a missing, unreadable or non-array file gives none,
    // an element that is not a string an empty name.
    static QStringList read(const QString &accountFolder);

    // Replaces the file (indented JSON), creating the folder when needed.
    static bool write(const QString &accountFolder, const QStringList &symbols);
};
