#include "data/SymbolDataStorage.h"

#include <QJsonArray>
#include <QSet>

namespace {

// The majors lead the market watch.
bool isLeadingSymbol(const QString &symbol)
{
    return symbol.contains(QLatin1String("EURUSD"), Qt::CaseInsensitive) ||
           symbol.contains(QLatin1String("GBPUSD"), Qt::CaseInsensitive);
}

} // namespace

SymbolDataStorage::SymbolDataStorage(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<TickData>();
    qRegisterMetaType<QList<TickData>>();
    qRegisterMetaType<SymbolSetting>();
}

TickData SymbolDataStorage::tick(const QString &symbol) const
{
    return m_latestTicks.value(symbol);
}

int SymbolDataStorage::digits(const QString &symbol) const
{
    const auto it = m_settings.constFind(symbol);
    return it == m_settings.constEnd() ? 0 : it->digits;
}

SymbolSetting SymbolDataStorage::setting(const QString &symbol) const
{
    return m_settings.value(symbol);
}

QStringList SymbolDataStorage::allSymbols() const
{
    return m_settings.keys();
}

QStringList SymbolDataStorage::shownSymbols() const
{
    QStringList symbols;
    for (auto it = m_settings.constBegin(); it != m_settings.constEnd(); ++it) {
        if (it->shown && !it.key().isEmpty())
            symbols.append(it.key());
    }
    return symbols;
}

void SymbolDataStorage::onSymbolList(const QJsonObject &symbols)
{
    QMap<QString, SymbolSetting> settings;
    const QJsonArray array = symbols.value(QLatin1String("array")).toArray();
    for (const QJsonValue &element : array) {
        SymbolSetting setting(element.toObject());
        if (setting.symbol.isEmpty())
            continue;
        const QString name = setting.symbol;
        settings.insert(name, std::move(setting));
    }

    // Compared after duplicates have been resolved: an array that repeats a
    // symbol but ends up identical must not show hidden symbols again.
    bool changed = settings.size() != m_settings.size();
    for (auto it = settings.constBegin(), old = m_settings.constBegin();
         !changed && it != settings.constEnd(); ++it, ++old)
        changed = it.key() != old.key() || it.value() != old.value();
    if (!changed)
        return;

    // The settings were read afresh, so every symbol is shown again.
    m_settings = settings;
    QStringList leading;
    QStringList others;
    for (auto it = m_settings.constBegin(); it != m_settings.constEnd(); ++it)
        (isLeadingSymbol(it.key()) ? leading : others).append(it.key());
    m_symbolList = leading + others;

    emit symbolListChanged(m_symbolList);
    emit symbolSettingChanged();
}

void SymbolDataStorage::onUpdatedTicks(const QList<TickData> &ticks)
{
    for (const TickData &tick : ticks) {
        if (tick.symbol.isEmpty())
            continue;
        m_latestTicks.insert(tick.symbol, tick);
        emit tickChanged(tick);
    }
}

void SymbolDataStorage::setSymbolShown(const QString &symbol, bool shown)
{
    // An empty name would become a blank market watch row.
    if (symbol.isEmpty())
        return;
    const auto setting = m_settings.find(symbol);
    if (setting != m_settings.end())
        setting->shown = shown;

    const bool listed = m_symbolList.contains(symbol);
    if (listed && !shown) {
        m_symbolList.removeAll(symbol);
        emit symbolListChanged(m_symbolList);
    } else if (!listed && shown) {
        m_symbolList.append(symbol);
        emit symbolListChanged(m_symbolList);
    }
}

void SymbolDataStorage::setSymbols(const QStringList &symbols, bool notify)
{
    // The saved order is kept as given, but a repeated or empty name would
    // give a duplicate or blank market watch row.
    QStringList list;
    list.reserve(symbols.size());
    QSet<QString> seen;
    for (const QString &symbol : symbols) {
        if (!symbol.isEmpty() && !seen.contains(symbol)) {
            seen.insert(symbol);
            list.append(symbol);
        }
    }
    m_symbolList = list;
    if (notify)
        emit symbolListChanged(m_symbolList);
}

void SymbolDataStorage::clear()
{
    m_symbolList.clear();
    m_settings.clear();
    m_latestTicks.clear();
}
