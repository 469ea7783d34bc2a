#pragma once

#include "chart/CandleSeries.h"
#include "net/CandleStick.h"

#include <QByteArray>
#include <QString>
#include <QVector>

// The candle cache file of one (symbol, period): no header, a plain run of
// 40-byte records exactly as the toolkit's data stream writes them at its
// defaults, big-endian: timestamp (int64), open, high, low, close (doubles).
// The records are packed here directly, which gives the same bytes far faster
// than one stream call per field.
class CandleCache
{
public:
    static constexpr int recordSize = 40;

    // "%1_%2": symbol and period in decimal, for example EURUSD_60.
    static QString fileName(const QString &symbol, int period);
    // Splits a file name of the cache folder. False for names this program never
    // writes: not exactly two parts around "_", a symbol that is not a usable
    // path segment, or a period that is not a positive decimal number (which
    // also rules out the temporary files of an interrupted rewrite).
    static bool parseFileName(const QString &name, QString *symbol, int *period);

    static void encodeRecord(const CandleStick &candle, char *out);
    static CandleStick decodeRecord(const char *in);
    static QByteArray encode(const CandleStick *candles, int count);
    // The complete records in file order. A torn record at the end (an append
    // cut short) is left out rather than read as a bar with zero prices.
    static QVector<CandleStick> decode(const char *data, qint64 size);
    static QVector<CandleStick> decode(const QByteArray &bytes)
    {
        return decode(bytes.constData(), bytes.size());
    }

    // The file's candles; later records replace earlier ones with the same
    // timestamp. A missing or unreadable file gives an empty series.
    static CandleSeries readFile(const QString &path);
    // Rewrites the whole file with the first count candles through QSaveFile,
    // creating the folder first; a crash mid-way leaves the old file intact.
    // With count 0 the folder is still created but the file is left as it is.
    static bool writeFile(const QString &folder, const QString &name, const QVector<CandleStick> &candles,
                          int count);
    static bool writeFile(const QString &folder, const QString &name, const QVector<CandleStick> &candles)
    {
        return writeFile(folder, name, candles, candles.size());
    }
    // Adds one record at the end, creating folder and file as needed. A torn
    // record left by an earlier interrupted append is cut off first, so the new
    // record and every later one stay aligned.
    static bool appendRecord(const QString &folder, const QString &name, const CandleStick &candle);
};
