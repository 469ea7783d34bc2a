#pragma once

#include "chart/ChartObjectRecord.h"

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QString>

// The ".csf" settings file of one chart, written with the toolkit's data
// stream at its defaults: colour count and colours as "#aarrggbb" strings,
// object count and records (x1 int32, y1 double, x2 int32, y2 double, name),
// value count and values (doubles). No header or version.
class ChartSettingsFile
{
public:
    // "%1_%2.csf": symbol and period in decimal.
    static QString fileName(const QString &symbol, int period);

    static QByteArray encode(const QList<QColor> &colours, const QList<ChartObjectRecord> &objects,
                             const QList<double> &values);
    // Reads what the bytes hold. A short file gives what is complete and empty
    // lists for the rest; a count larger than the data that follows stops at
    // the end of the data instead of making up entries. A colour whose name
    // does not parse is kept as an invalid colour.
    static void decode(const QByteArray &bytes, QList<QColor> *colours, QList<ChartObjectRecord> *objects,
                       QList<double> *values);

    // Creates the folder and rewrites the file through QSaveFile.
    static bool write(const QString &folder, const QString &name, const QList<QColor> &colours,
                      const QList<ChartObjectRecord> &objects, const QList<double> &values);
};
