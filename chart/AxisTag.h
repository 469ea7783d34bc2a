#pragma once

#include <QBrush>
#include <QObject>
#include <QPen>
#include <QPointer>
#include <qcustomplot.h>

// A price label on the right-hand value axis: a boxed text with an arrow that
// points at a value on the axis line. The three items belong to the plot; the
// tag only watches them, since the plot may delete its items before the axis
// (the tag's parent) goes.
class AxisTag : public QObject
{
    Q_OBJECT
public:
    explicit AxisTag(QCPAxis *parentAxis);
    ~AxisTag() override;

    void setTagPen(const QPen &pen);
    void setTagBrush(const QBrush &brush);
    void setTagText(const QString &text);
    // Moves the arrow to value on the axis; values outside the visible range
    // are not clamped.
    void moveTo(double value);

    double value() const { return m_value; }
    QCPAxis *axis() const { return m_axis; }
    QCPItemText *label() const { return m_label.data(); }
    QCPItemLine *arrow() const { return m_arrow.data(); }

private:
    QPointer<QCPAxis> m_axis;
    QPointer<QCPItemTracer> m_tracer;
    QPointer<QCPItemLine> m_arrow;
    QPointer<QCPItemText> m_label;
    double m_value = 0.0;
};
