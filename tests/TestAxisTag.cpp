#include "chart/AxisTag.h"

#include <QtTest>

class TestAxisTag : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void itemsAreBuiltOnTheOverlay();
    void moveToPointsAtTheAxisLine_data();
    void moveToPointsAtTheAxisLine();
    void penBrushAndText();
    void destructionRemovesItems();
    void plotMayGoFirst();

private:
    QCustomPlot *m_plot = nullptr;
};

void TestAxisTag::init()
{
    m_plot = new QCustomPlot;
    m_plot->resize(800, 600);
    m_plot->yAxis2->setVisible(true);
    m_plot->yAxis2->setRange(1.0, 2.0);
    m_plot->axisRect()->setAutoMargins(QCP::msLeft | QCP::msTop | QCP::msBottom);
    m_plot->axisRect()->setMargins(QMargins(0, 0, 90, 0));
    m_plot->yAxis2->setOffset(4);
}

void TestAxisTag::cleanup()
{
    delete m_plot;
    m_plot = nullptr;
}

void TestAxisTag::itemsAreBuiltOnTheOverlay()
{
    AxisTag tag(m_plot->yAxis2);
    QCOMPARE(m_plot->itemCount(), 3);
    QCOMPARE(tag.parent(), m_plot->yAxis2);
    QCOMPARE(tag.axis(), m_plot->yAxis2);
    QVERIFY(tag.label() && tag.arrow());
    QCOMPARE(tag.label()->layer()->name(), QString("overlay"));
    QCOMPARE(tag.arrow()->layer()->name(), QString("overlay"));
    QCOMPARE(tag.label()->brush().color(), QColor(Qt::white));
    QCOMPARE(tag.label()->pen().color(), QColor(Qt::blue));
    QCOMPARE(tag.label()->padding(), QMargins(3, 0, 3, 0));
    QCOMPARE(tag.label()->positionAlignment(), Qt::AlignLeft | Qt::AlignVCenter);
    QCOMPARE(tag.arrow()->head().style(), QCPLineEnding::esSpikeArrow);
    QCOMPARE(tag.arrow()->head().width(), 8.0);
    QCOMPARE(tag.arrow()->head().length(), 10.0);
    int hidden = 0;
    for (int i = 0; i < m_plot->itemCount(); ++i)
        hidden += qobject_cast<QCPItemTracer *>(m_plot->item(i)) && !m_plot->item(i)->visible();
    QCOMPARE(hidden, 1);
}

void TestAxisTag::moveToPointsAtTheAxisLine_data()
{
    QTest::addColumn<double>("value");
    QTest::newRow("inside the range") << 1.25;
    QTest::newRow("above the range, not clamped") << 2.75;
    QTest::newRow("below the range, not clamped") << 0.5;
}

void TestAxisTag::moveToPointsAtTheAxisLine()
{
    QFETCH(double, value);
    AxisTag tag(m_plot->yAxis2);
    tag.moveTo(value);
    m_plot->replot();
    QCOMPARE(tag.value(), value);

    const QRect rect = m_plot->axisRect()->rect();
    const double axisLineX = rect.left() + rect.width() + m_plot->yAxis2->offset();
    const double y = m_plot->yAxis2->coordToPixel(value);
    const QPointF head = tag.arrow()->end->pixelPosition();
    const QPointF tail = tag.arrow()->start->pixelPosition();
    QCOMPARE(head.x(), axisLineX);
    QCOMPARE(head.y(), y);
    QCOMPARE(tail, head + QPointF(5, 0));
    QCOMPARE(tag.label()->position->pixelPosition(), tail);
    if (value > 2.0)
        QVERIFY(head.y() < rect.top());
    if (value < 1.0)
        QVERIFY(head.y() > rect.bottom());

    // The arrow follows when the axis moves further out.
    m_plot->yAxis2->setOffset(20);
    tag.moveTo(value);
    QCOMPARE(tag.arrow()->end->pixelPosition().x(), rect.left() + rect.width() + 20.0);
}

void TestAxisTag::penBrushAndText()
{
    AxisTag tag(m_plot->yAxis2);
    tag.setTagPen(QPen(Qt::red));
    tag.setTagBrush(QBrush(Qt::darkGreen));
    tag.setTagText("1.08543");
    QCOMPARE(tag.arrow()->pen().color(), QColor(Qt::red));
    QCOMPARE(tag.label()->pen().color(), QColor(Qt::red));
    QCOMPARE(tag.label()->brush().color(), QColor(Qt::darkGreen));
    QCOMPARE(tag.label()->text(), QString("1.08543"));
}

void TestAxisTag::destructionRemovesItems()
{
    auto *tag = new AxisTag(m_plot->yAxis2);
    QCOMPARE(m_plot->itemCount(), 3);
    delete tag;
    QCOMPARE(m_plot->itemCount(), 0);

    // Items the plot already dropped are simply skipped.
    AxisTag second(m_plot->yAxis2);
    QVERIFY(m_plot->removeItem(second.label()));
    QVERIFY(!second.label());
    second.setTagText("ignored");
    second.moveTo(1.5);
}

void TestAxisTag::plotMayGoFirst()
{
    QPointer<AxisTag> tag = new AxisTag(m_plot->yAxis2);
    tag->moveTo(1.5);
    delete m_plot; // takes the axis, and with it the tag
    m_plot = nullptr;
    QVERIFY(tag.isNull());
}

QTEST_MAIN(TestAxisTag)
#include "TestAxisTag.moc"
