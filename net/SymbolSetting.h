#pragma once

#include <QJsonObject>
#include <QMetaType>
#include <QString>

// Static description of one symbol. Volumes stay in raw units (1/10000 lot).
class SymbolSetting
{
public:
    SymbolSetting() = default;
    // Reads every key: an absent volume limit or contract size is 0, not the default.
    explicit SymbolSetting(const QJsonObject &json);

    // shown takes no part.
    bool operator==(const SymbolSetting &o) const
    {
        return symbol == o.symbol && path == o.path && digits == o.digits && desc == o.desc &&
               c_size == o.c_size && min_vol == o.min_vol && max_vol == o.max_vol && step_vol == o.step_vol;
    }
    bool operator!=(const SymbolSetting &o) const { return !(*this == o); }

    QString symbol;
    QString desc;
    int digits = 0;
    qint64 min_vol = 100;
    qint64 max_vol = 100000;
    qint64 step_vol = 100;
    double c_size = 100000.0;
    QString path;
    bool shown = true;
};

Q_DECLARE_METATYPE(SymbolSetting)
