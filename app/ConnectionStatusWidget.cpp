#include "app/ConnectionStatusWidget.h"

#include "net/SessionFlags.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>

const QColor ConnectionStatusWidget::blue(0x00, 0x00, 0xff);
const QColor ConnectionStatusWidget::darkGreen(0x00, 0x80, 0x00);
const QColor ConnectionStatusWidget::red(0xff, 0x00, 0x00);
const QColor ConnectionStatusWidget::darkYellow(0x80, 0x80, 0x00);
const QColor ConnectionStatusWidget::orange(0xff, 0x8c, 0x00);

namespace {
const char *kStatusStyle =
    "QLabel {  color: %1;  font-family: 'Segoe UI';  font-size: 7pt;  font-style: italic;  "
    "font-weight: medium;}";
const char *kIdleLatencyStyle = "QLabel { color: #888888; font-size: 8pt; padding-left: 8px; }";
} // namespace

ConnectionStatusWidget::ConnectionStatusWidget(QWidget *parent)
    : QWidget(parent), m_statusIcon(new QLabel(this)), m_statusText(new QLabel(this)),
      m_latencyLabel(new QLabel(this))
{
    setObjectName(QStringLiteral("connectionStatusWidget"));
    m_statusIcon->setObjectName(QStringLiteral("statusIcon"));
    m_statusText->setObjectName(QStringLiteral("statusText"));
    m_latencyLabel->setObjectName(QStringLiteral("latencyLabel"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(4);
    m_statusIcon->setFixedSize(12, 12);
    m_statusText->setText(tr("disconnected"));
    m_statusText->setFont(QFont(QStringLiteral("Segoe UI"), 7));
    m_statusText->setStyleSheet(QStringLiteral("QLabel { color: #D32F2F; }"));
    m_latencyLabel->setFont(QFont(QStringLiteral("Segoe UI"), 7));
    m_latencyLabel->setStyleSheet(QStringLiteral("QLabel { color: #333333; }"));
    layout->addWidget(m_statusIcon);
    layout->addWidget(m_statusText);
    layout->addWidget(m_latencyLabel);
    m_statusIcon->hide();
}

QString ConnectionStatusWidget::statusText() const
{
    return m_statusText->text();
}

QString ConnectionStatusWidget::iconFor(const QString &text)
{
    const bool disconnected = text.contains(QLatin1String("disconnected"), Qt::CaseInsensitive);
    if (text.contains(QLatin1String("connected"), Qt::CaseInsensitive) && !disconnected)
        return QStringLiteral(":/icon/Finalconnect.png");
    if (disconnected || text.contains(QLatin1String("failed"), Qt::CaseInsensitive) ||
        text.contains(QLatin1String("timeout"), Qt::CaseInsensitive))
        return QStringLiteral(":/icon/finaldisconnect.png");
    return QString();
}

void ConnectionStatusWidget::setConnectionStatus(const QString &text, const QColor &colour)
{
    if (SessionFlags::accountDisabled()) {
        m_statusText->setText(tr("Disabled"));
        m_statusText->setStyleSheet(QString::fromLatin1(kStatusStyle).arg(QStringLiteral("#808080")));
        m_statusIcon->clear();
        m_statusIcon->hide();
        return;
    }
    m_statusText->setText(text);
    const QString icon = iconFor(text);
    if (icon.isEmpty()) {
        m_statusIcon->clear();
        m_statusIcon->hide();
    } else {
        m_statusIcon->setPixmap(QPixmap(icon).scaled(12, 12, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        m_statusIcon->show();
    }
    m_statusText->setStyleSheet(QString::fromLatin1(kStatusStyle).arg(colour.name()));
}

void ConnectionStatusWidget::setLatencyIdle(const QString &text)
{
    m_latencyLabel->setText(text);
    m_latencyLabel->setStyleSheet(QLatin1String(kIdleLatencyStyle));
}

QString ConnectionStatusWidget::latencyColour(int milliseconds)
{
    if (milliseconds < 80)
        return QStringLiteral("#1dbf4e");
    if (milliseconds < 200)
        return QStringLiteral("#e6b800");
    return QStringLiteral("#d32f2f");
}

void ConnectionStatusWidget::setLatency(int milliseconds)
{
    m_latencyLabel->setText(QStringLiteral("%1 ms").arg(milliseconds));
    m_latencyLabel->setStyleSheet(
        QStringLiteral("QLabel { color: %1; font-weight: bold; font-size: 8pt; padding-left: 8px; } ")
            .arg(latencyColour(milliseconds)));
}
