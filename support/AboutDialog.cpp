#include "support/AboutDialog.h"

#include "BuildConfig.h"
#include "support/ProgramInfo.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>

namespace {
const QString fontFamily = QStringLiteral("MS Reference Sans Serif");

QFont labelFont(int pointSize, bool bold = false)
{
    QFont font(fontFamily, pointSize);
    font.setBold(bold);
    return font;
}
} // namespace

AboutDialog::AboutDialog(QWidget *parent) : QDialog(parent)
{
    setupForm();
    setWindowTitle(tr("About"));
    m_titleLabel->setText(ProgramInfo::brokerDisplayName());
    m_versionLabel->setText(tr("Version ") + ProgramInfo::version());
    m_buildDateLabel->setText(tr("Last Updated: ") + ProgramInfo::buildDate());
    const QString site = websiteAddress().toHtmlEscaped();
    m_websiteLabel->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(site));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    adaptToScreen();
    setMinimumSize(700, 410);
}

QString AboutDialog::websiteAddress()
{
    return QString::fromUtf8(BuildConfig::webUrl);
}

QString AboutDialog::iosStoreAddress()
{
    return QString::fromUtf8(BuildConfig::appStoreUrl);
}

QString AboutDialog::androidStoreAddress()
{
    return QString::fromUtf8(BuildConfig::playStoreUrl);
}

void AboutDialog::setupForm()
{
    m_titleLabel = new QLabel(this);
    m_titleLabel->setObjectName(QStringLiteral("titleLabel"));
    m_titleLabel->setFont(labelFont(16, true));

    m_logoLabel = new QLabel(this);
    m_logoLabel->setObjectName(QStringLiteral("logoLabel"));
    m_logoLabel->setFixedSize(40, 40);
    m_logoLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_logoLabel->setTextFormat(Qt::RichText);
    m_logoLabel->setText(QStringLiteral("<img src=\":/icon/zelvant.ico\" width=\"40\" height=\"40\"/>"));

    m_versionLabel = new QLabel(this);
    m_versionLabel->setObjectName(QStringLiteral("versionLabel"));
    m_versionLabel->setFont(labelFont(14));

    m_buildDateLabel = new QLabel(this);
    m_buildDateLabel->setObjectName(QStringLiteral("buildDateLabel"));
    m_buildDateLabel->setFont(labelFont(12));

    m_line = new QFrame(this);
    m_line->setObjectName(QStringLiteral("line"));
    m_line->setFrameShape(QFrame::HLine);
    m_line->setFrameShadow(QFrame::Sunken);

    m_infoLabel = new QLabel(this);
    m_infoLabel->setObjectName(QStringLiteral("infoLabel"));
    m_infoLabel->setAlignment(Qt::AlignCenter);
    m_infoLabel->setTextFormat(Qt::RichText);
    m_infoLabel->setText(QStringLiteral("<p><br/></p><p><br/></p>"));

    m_websiteLabel = new QLabel(this);
    m_websiteLabel->setObjectName(QStringLiteral("websiteLabel"));
    m_websiteLabel->setAlignment(Qt::AlignCenter);
    m_websiteLabel->setTextFormat(Qt::RichText);
    m_websiteLabel->setTextInteractionFlags(Qt::TextBrowserInteraction);
    m_websiteLabel->setOpenExternalLinks(true);

    m_iosButton = new QPushButton(tr("iOS"), this);
    m_iosButton->setObjectName(QStringLiteral("iosButton"));
    m_iosButton->setFont(QFont(fontFamily));
    m_androidButton = new QPushButton(tr("Android"), this);
    m_androidButton->setObjectName(QStringLiteral("androidButton"));
    m_androidButton->setFont(QFont(fontFamily));

    auto *titles = new QVBoxLayout;
    titles->addWidget(m_titleLabel);
    titles->addWidget(m_versionLabel);
    titles->addWidget(m_buildDateLabel);
    auto *header = new QHBoxLayout;
    header->addLayout(titles, 1);
    header->addWidget(m_logoLabel, 0, Qt::AlignRight | Qt::AlignVCenter);

    auto *texts = new QVBoxLayout;
    texts->addWidget(m_infoLabel);
    texts->addWidget(m_websiteLabel);
    auto *stores = new QVBoxLayout;
    stores->addWidget(m_iosButton);
    stores->addWidget(m_androidButton);
    stores->addStretch(1);
    auto *body = new QHBoxLayout;
    body->addLayout(texts, 1);
    body->addLayout(stores);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(header);
    layout->addWidget(m_line);
    layout->addLayout(body, 1);
    layout->setSizeConstraint(QLayout::SetDefaultConstraint);

    QMetaObject::connectSlotsByName(this);
}

void AboutDialog::adaptToScreen()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QSize available = screen->availableSize();
        setMaximumSize(int(available.width() * 0.8), int(available.height() * 0.8));
    }
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    const QList<QWidget *> children = findChildren<QWidget *>();
    for (QWidget *child : children)
        child->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

    // Point sizes were chosen for 96 dots per inch; keep them the same physical size.
    // Every font is read before any is changed, so an inherited font is scaled once.
    const qreal scale = screen ? screen->logicalDotsPerInch() / 96.0 : 1.0;
    if (scale <= 0.0)
        return;
    QList<QPair<QWidget *, QFont>> fonts{{this, font()}};
    for (QWidget *child : children)
        fonts.append({child, child->font()});
    for (auto &[widget, font] : fonts) {
        if (font.pointSizeF() > 0)
            font.setPointSizeF(font.pointSizeF() / scale);
        widget->setFont(font);
    }
}

void AboutDialog::closeEvent(QCloseEvent *event)
{
    QDialog::closeEvent(event);
}

void AboutDialog::on_iosButton_clicked()
{
    QDesktopServices::openUrl(QUrl(iosStoreAddress()));
}

void AboutDialog::on_androidButton_clicked()
{
    QDesktopServices::openUrl(QUrl(androidStoreAddress()));
}
