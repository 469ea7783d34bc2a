#pragma once

#include <QMetaType>
#include <QString>

// One saved drawing of a chart (a straight line or a segment): two points in
// bar index and price, and the object's name.
struct ChartObjectRecord
{
    qint32 x1 = 0;
    double y1 = 0.0;
    qint32 x2 = 0;
    double y2 = 0.0;
    QString name;

    // Whether both records describe the same line; names take no part.
    bool samePlace(const ChartObjectRecord &o) const
    {
        return x1 == o.x1 && y1 == o.y1 && x2 == o.x2 && y2 == o.y2;
    }
};

Q_DECLARE_METATYPE(ChartObjectRecord)
