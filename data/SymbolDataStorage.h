#pragma once

#include "net/SymbolSetting.h"
#include "net/TickData.h"

#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QObject>
#include <QStringList>

// What the terminal knows about the account's symbols: the static settings of
// the last symbol list, the newest tick of every symbol, and the market watch
// order. Main thread only.
class SymbolDataStorage : public QObject
{
    Q_OBJECT
public:
    explicit SymbolDataStorage(QObject *parent = nullptr);

    // Default tick (empty symbol) when none was received.
    TickData tick(const QString &symbol) const;
    // 0 for an unknown symbol.
    int digits(const QString &symbol) const;
    // Default-constructed setting for an unknown symbol.
    SymbolSetting setting(const QString &symbol) const;
    QStringList allSymbols() const;
    QStringList shownSymbols() const;
    // The market watch list in display order.
    QStringList symbolList() const { return m_symbolList; }

    void setSymbolShown(const QString &symbol, bool shown);
    // Restores a saved market watch order; the settings' flags are left alone.
    void setSymbols(const QStringList &symbols, bool notify);
    void clear();

public slots:
    void onSymbolList(const QJsonObject &symbols);
    void onUpdatedTicks(const QList<TickData> &ticks);

signals:
    void tickChanged(const TickData &tick);
    void symbolListChanged(const QStringList &symbols);
    void symbolSettingChanged();

private:
    QStringList m_symbolList;
    QMap<QString, SymbolSetting> m_settings;
    QMap<QString, TickData> m_latestTicks;
};
