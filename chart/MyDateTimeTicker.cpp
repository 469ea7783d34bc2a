#include "chart/MyDateTimeTicker.h"

#include <QDateTime>

#include <cmath>

namespace {
// Above this (seven years of minutes) steps go by whole years of minutes.
constexpr double kYearSteps = 3681720.0;
constexpr double kMinutesPerYear = 525960.0;
} // namespace

MyDateTimeTicker::MyDateTimeTicker()
{
    setTickCount(5);
}

void MyDateTimeTicker::appendTime(double time)
{
    m_times.append(time);
}

double MyDateTimeTicker::getTickStep(const QCPRange &range)
{
    const double ideal = (range.upper - range.lower) / (mTickCount + 1e-10);
    if (ideal < 1)
        return cleanMantissa(ideal);
    if (ideal < kYearSteps) {
        static const QVector<double> candidates = {1,   2,   5,   10,   15,   30,   60,    120,
                                                   180, 360, 720, 1440, 2880, 5760, 10080, 43830};
        return pickClosest(ideal, candidates);
    }
    return kMinutesPerYear * cleanMantissa(ideal / kMinutesPerYear);
}

QVector<double> MyDateTimeTicker::createTickVector(double tickStep, const QCPRange &range)
{
    QVector<double> ticks;
    // A zero or broken step (an empty range) would never reach the end.
    if (m_times.isEmpty() || !(tickStep > 0) || !std::isfinite(tickStep))
        return ticks;
    const double first = range.lower < 0 ? 0.0 : std::trunc(range.lower);
    const double last = qMin(range.upper, double(m_times.size() - 1));
    const double end = last + tickStep;
    for (double tick = first; tick <= end; tick += tickStep) {
        ticks.append(tick);
        if (ticks.size() > 10000)
            break; // a step far below one bar over a long view; the axis shows a handful anyway
    }
    return ticks;
}

QString MyDateTimeTicker::getTickLabel(double tick, const QLocale &locale, QChar formatChar, int precision)
{
    Q_UNUSED(locale)
    Q_UNUSED(formatChar)
    Q_UNUSED(precision)
    const double index = std::trunc(tick);
    if (m_times.isEmpty() || !(index >= 0) || index >= m_times.size())
        return QString();
    const double seconds = m_times.at(int(index));
    return QDateTime::fromMSecsSinceEpoch(qRound64(seconds * 1000.0)).toString(m_format);
}
