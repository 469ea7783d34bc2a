#include "chart/CandleCache.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QtEndian>

#include "data/AccountPaths.h"

#include <cstring>

namespace {
void putDouble(double value, char *out)
{
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    qToBigEndian(bits, out);
}

double getDouble(const char *in)
{
    const quint64 bits = qFromBigEndian<quint64>(in);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
} // namespace

QString CandleCache::fileName(const QString &symbol, int period)
{
    return symbol + QLatin1Char('_') + QString::number(period);
}

bool CandleCache::parseFileName(const QString &name, QString *symbol, int *period)
{
    const QStringList parts = name.split(QLatin1Char('_'), Qt::KeepEmptyParts);
    if (parts.size() != 2 || !AccountPaths::isSafeSegment(parts.at(0)))
        return false;
    const QString &number = parts.at(1);
    if (number.isEmpty())
        return false;
    for (const QChar c : number) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    bool ok = false;
    const int value = number.toInt(&ok);
    if (!ok || value <= 0)
        return false;
    *symbol = parts.at(0);
    *period = value;
    return true;
}

void CandleCache::encodeRecord(const CandleStick &candle, char *out)
{
    qToBigEndian(candle.timestamp, out);
    putDouble(candle.open, out + 8);
    putDouble(candle.high, out + 16);
    putDouble(candle.low, out + 24);
    putDouble(candle.close, out + 32);
}

CandleStick CandleCache::decodeRecord(const char *in)
{
    return CandleStick(qFromBigEndian<qint64>(in), getDouble(in + 8), getDouble(in + 16), getDouble(in + 24),
                       getDouble(in + 32));
}

QByteArray CandleCache::encode(const CandleStick *candles, int count)
{
    QByteArray bytes;
    if (count <= 0)
        return bytes;
    bytes.resize(count * recordSize);
    char *out = bytes.data();
    for (int i = 0; i < count; ++i, out += recordSize)
        encodeRecord(candles[i], out);
    return bytes;
}

QVector<CandleStick> CandleCache::decode(const char *data, qint64 size)
{
    QVector<CandleStick> records;
    const qint64 count = size > 0 ? size / recordSize : 0;
    records.resize(int(count));
    CandleStick *out = records.data();
    for (qint64 i = 0; i < count; ++i, data += recordSize)
        out[i] = decodeRecord(data);
    return records;
}

CandleSeries CandleCache::readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return CandleSeries();
    // Mapping spares one copy of what may be tens of megabytes.
    const qint64 size = file.size();
    if (size >= recordSize) {
        if (const uchar *mapped = file.map(0, size)) {
            CandleSeries series(decode(reinterpret_cast<const char *>(mapped), size));
            file.unmap(const_cast<uchar *>(mapped));
            return series;
        }
    }
    return CandleSeries(decode(file.readAll()));
}

bool CandleCache::writeFile(const QString &folder, const QString &name, const QVector<CandleStick> &candles,
                            int count)
{
    if (!QDir().mkpath(folder))
        return false;
    count = qBound(0, count, candles.size());
    if (count == 0)
        return true;
    QSaveFile file(folder + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = encode(candles.constData(), count);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool CandleCache::appendRecord(const QString &folder, const QString &name, const CandleStick &candle)
{
    if (!QDir().mkpath(folder))
        return false;
    QFile file(folder + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const qint64 torn = file.size() % recordSize;
    if (torn != 0 && !file.resize(file.size() - torn))
        return false;
    char record[recordSize];
    encodeRecord(candle, record);
    return file.write(record, recordSize) == recordSize;
}
