#include "support/SymbolSpecificationDialog.h"

#include "data/SymbolDataStorage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

QStringList dayLabels()
{
    return {QObject::tr("Sunday:"),    QObject::tr("Monday:"),   QObject::tr("Tuesday:"),
            QObject::tr("Wednesday:"), QObject::tr("Thursday:"), QObject::tr("Friday:"),
            QObject::tr("Saturday:")};
}

QGroupBox *makeGroup(const QString &title, const QStringList &rowLabels, const QString &namePattern,
                     QWidget *parent)
{
    auto *box = new QGroupBox(title, parent);
    auto *grid = new QGridLayout(box);
    for (int row = 0; row < rowLabels.size(); ++row) {
        auto *label = new QLabel(rowLabels.at(row), box);
        label->setStyleSheet(QStringLiteral("font-weight: bold;"));
        auto *value = new QLabel(box);
        value->setObjectName(namePattern.arg(row));
        grid->addWidget(label, row, 0);
        grid->addWidget(value, row, 1);
    }
    return box;
}

} // namespace

SymbolSpecificationDialog::SymbolSpecificationDialog(const QString &symbol, SymbolDataStorage *storage,
                                                     QWidget *parent)
    : QDialog(parent), m_symbol(symbol), m_storage(storage)
{
    buildForm();
    fill();
}

QString SymbolSpecificationDialog::contractSizeText(double contractSize)
{
    return QString::number(contractSize, 'g', 6);
}

QString SymbolSpecificationDialog::lotsText(qint64 units)
{
    return QString::number(double(units) / 10000.0, 'f', 2);
}

void SymbolSpecificationDialog::buildForm()
{
    setWindowTitle(tr("Instrument Specifications - %1").arg(m_symbol));
    setFixedSize(600, 700);
    auto *layout = new QVBoxLayout(this);

    auto *heading = new QLabel(tr("Symbol: %1").arg(m_symbol), this);
    heading->setObjectName(QStringLiteral("headingLabel"));
    QFont headingFont = heading->font();
    headingFont.setWeight(75);
    headingFont.setPointSize(14);
    heading->setFont(headingFont);
    heading->setAlignment(Qt::AlignCenter);
    layout->addWidget(heading);

    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setWidgetResizable(true);
    m_content = new QWidget(m_scrollArea);
    auto *stack = new QVBoxLayout(m_content);
    stack->addWidget(makeGroup(tr("Instrument Specifications"),
                               {tr("Symbol:"), tr("Description:"), tr("Digits:"), tr("Contract Size:"),
                                tr("Min Volume:"), tr("Max Volume:"), tr("Step Volume:")},
                               QStringLiteral("spec_%1"), m_content));
    stack->addWidget(makeGroup(tr("Swap Details"), {tr("Type:"), tr("Days:"), tr("Long:"), tr("Short:")},
                               QStringLiteral("swap_%1"), m_content));
    stack->addWidget(makeGroup(tr("Swap Rates"), dayLabels(), QStringLiteral("swap_rate_%1"), m_content));
    stack->addWidget(makeGroup(tr("Quotes Session"), dayLabels(), QStringLiteral("quotes_%1"), m_content));
    stack->addWidget(makeGroup(tr("Trade Session"), dayLabels(), QStringLiteral("trade_%1"), m_content));
    m_scrollArea->setWidget(m_content);
    layout->addWidget(m_scrollArea);
}

void SymbolSpecificationDialog::setValue(const QString &objectName, const QString &text)
{
    if (QLabel *label = m_content->findChild<QLabel *>(objectName))
        label->setText(text);
}

void SymbolSpecificationDialog::fill()
{
    if (!m_storage || m_symbol.isEmpty())
        return;
    const SymbolSetting setting = m_storage->setting(m_symbol);
    if (setting.symbol.isEmpty())
        return; // unknown symbol: the values stay empty
    const QStringList spec = {setting.symbol,
                              setting.desc,
                              QString::number(setting.digits),
                              contractSizeText(setting.c_size),
                              lotsText(setting.min_vol),
                              lotsText(setting.max_vol),
                              lotsText(setting.step_vol)};
    for (int i = 0; i < spec.size(); ++i)
        setValue(QStringLiteral("spec_%1").arg(i), spec.at(i));

    // The symbol list carries no swap or session data: the same texts for every symbol.
    const QStringList swap = {QStringLiteral("0"), QStringLiteral("360"), QStringLiteral("0"),
                              QStringLiteral("0")};
    for (int i = 0; i < swap.size(); ++i)
        setValue(QStringLiteral("swap_%1").arg(i), swap.at(i));
    const QStringList swapRates = {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("1"),
                                   QStringLiteral("3"), QStringLiteral("1"), QStringLiteral("1"),
                                   QStringLiteral("0")};
    for (int day = 0; day < 7; ++day) {
        setValue(QStringLiteral("swap_rate_%1").arg(day), swapRates.at(day));
        setValue(QStringLiteral("quotes_%1").arg(day), QStringLiteral("00:00 - 23:59"));
        setValue(QStringLiteral("trade_%1").arg(day), QStringLiteral("00:00 - 23:59"));
    }
}
