#pragma once

#include <QString>
#include <QVector>
#include <qcustomplot.h>

// Labels a chart's x axis, whose coordinates are bar indices, with the times
// of those bars. Steps are counted in bars and chosen from a list that reads
// well for minute bars; ticks start at the first visible bar.
class MyDateTimeTicker : public QCPAxisTicker
{
public:
    MyDateTimeTicker();

    // Time of the next bar, in seconds since the epoch.
    void appendTime(double time);
    const QVector<double> &times() const { return m_times; }

    void setFormat(const QString &format) { m_format = format; }
    QString format() const { return m_format; }

protected:
    double getTickStep(const QCPRange &range) override;
    QVector<double> createTickVector(double tickStep, const QCPRange &range) override;
    QString getTickLabel(double tick, const QLocale &locale, QChar formatChar, int precision) override;

private:
    QVector<double> m_times;
    QString m_format = QStringLiteral("hh:mm:ss\ndd.MM.yy");
};
