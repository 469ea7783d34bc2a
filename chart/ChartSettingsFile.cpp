#include "chart/ChartSettingsFile.h"

#include <QDataStream>
#include <QDir>
#include <QSaveFile>

QString ChartSettingsFile::fileName(const QString &symbol, int period)
{
    return symbol + QLatin1Char('_') + QString::number(period) + QStringLiteral(".csf");
}

QByteArray ChartSettingsFile::encode(const QList<QColor> &colours, const QList<ChartObjectRecord> &objects,
                                     const QList<double> &values)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << qint32(colours.size());
    for (const QColor &colour : colours)
        out << colour.name(QColor::HexArgb);
    out << qint32(objects.size());
    for (const ChartObjectRecord &o : objects)
        out << o.x1 << o.y1 << o.x2 << o.y2 << o.name;
    out << qint32(values.size());
    for (const double v : values)
        out << v;
    return bytes;
}

void ChartSettingsFile::decode(const QByteArray &bytes, QList<QColor> *colours,
                               QList<ChartObjectRecord> *objects, QList<double> *values)
{
    colours->clear();
    objects->clear();
    values->clear();
    QDataStream in(bytes);
    // A damaged count could ask for two billion entries; reading stops at the
    // first item the data no longer holds.
    const auto readCount = [&in] {
        qint32 count = 0;
        in >> count;
        return in.status() == QDataStream::Ok ? qMax(0, count) : 0;
    };

    const qint32 colourCount = readCount();
    for (qint32 i = 0; i < colourCount; ++i) {
        QString name;
        in >> name;
        if (in.status() != QDataStream::Ok)
            break;
        colours->append(QColor(name));
    }
    const qint32 objectCount = readCount();
    for (qint32 i = 0; i < objectCount; ++i) {
        ChartObjectRecord o;
        in >> o.x1 >> o.y1 >> o.x2 >> o.y2 >> o.name;
        if (in.status() != QDataStream::Ok)
            break;
        objects->append(o);
    }
    const qint32 valueCount = readCount();
    for (qint32 i = 0; i < valueCount; ++i) {
        double v = 0.0;
        in >> v;
        if (in.status() != QDataStream::Ok)
            break;
        values->append(v);
    }
}

bool ChartSettingsFile::write(const QString &folder, const QString &name, const QList<QColor> &colours,
                              const QList<ChartObjectRecord> &objects, const QList<double> &values)
{
    if (!QDir().mkpath(folder))
        return false;
    QSaveFile file(folder + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = encode(colours, objects, values);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
