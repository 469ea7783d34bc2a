#pragma once

#include "server/SymbolInfo.h"

#include <QHash>
#include <QJsonArray>
#include <QVector>

// The symbols this server offers, in the order of the symbol list.
class SymbolCatalog
{
public:
    SymbolCatalog();

    const QVector<SymbolInfo> &symbols() const { return m_symbols; }
    int count() const { return m_symbols.size(); }
    int indexOf(const QString &name) const { return m_index.value(name, -1); }
    const SymbolInfo &at(int index) const { return m_symbols[index]; }
    // The elements of the symbol list message.
    QJsonArray toJson() const;

private:
    QVector<SymbolInfo> m_symbols;
    QHash<QString, int> m_index;
};
