#include "chart/AxisTag.h"

AxisTag::AxisTag(QCPAxis *parentAxis) : QObject(parentAxis), m_axis(parentAxis)
{
    QCustomPlot *plot = parentAxis->parentPlot();

    // Invisible anchor: x at the right edge of the axis rect, y at the value.
    m_tracer = new QCPItemTracer(plot);
    m_tracer->setVisible(false);
    m_tracer->position->setTypeX(QCPItemPosition::ptAxisRectRatio);
    m_tracer->position->setTypeY(QCPItemPosition::ptPlotCoords);
    m_tracer->position->setAxisRect(parentAxis->axisRect());
    m_tracer->position->setAxes(nullptr, parentAxis);
    m_tracer->position->setCoords(1, 0);

    m_arrow = new QCPItemLine(plot);
    m_arrow->setLayer(QStringLiteral("overlay"));
    m_arrow->setClipToAxisRect(false);
    m_arrow->setHead(QCPLineEnding(QCPLineEnding::esSpikeArrow, 8, 10));
    m_arrow->end->setParentAnchor(m_tracer->position);
    m_arrow->start->setParentAnchor(m_arrow->end);
    m_arrow->start->setCoords(5, 0);

    m_label = new QCPItemText(plot);
    m_label->setLayer(QStringLiteral("overlay"));
    m_label->setClipToAxisRect(false);
    m_label->setPadding(QMargins(3, 0, 3, 0));
    m_label->setBrush(QBrush(Qt::white));
    m_label->setPen(QPen(Qt::blue));
    m_label->setPositionAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_label->position->setParentAnchor(m_arrow->start);
}

AxisTag::~AxisTag()
{
    // Each item reaches its plot through itself: the axis may be half destroyed.
    if (m_label)
        m_label->parentPlot()->removeItem(m_label.data());
    if (m_arrow)
        m_arrow->parentPlot()->removeItem(m_arrow.data());
    if (m_tracer)
        m_tracer->parentPlot()->removeItem(m_tracer.data());
}

void AxisTag::setTagPen(const QPen &pen)
{
    if (m_arrow)
        m_arrow->setPen(pen);
    if (m_label)
        m_label->setPen(pen);
}

void AxisTag::setTagBrush(const QBrush &brush)
{
    if (m_label)
        m_label->setBrush(brush);
}

void AxisTag::setTagText(const QString &text)
{
    if (m_label)
        m_label->setText(text);
}

void AxisTag::moveTo(double value)
{
    m_value = value;
    if (m_tracer)
        m_tracer->position->setCoords(1, value);
    // The arrow starts on the axis line, which sits offset() pixels outside the rect.
    if (m_arrow && m_axis)
        m_arrow->end->setCoords(m_axis->offset(), 0);
}
