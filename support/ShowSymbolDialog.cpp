#include "support/ShowSymbolDialog.h"

#include "data/SymbolDataStorage.h"

#include <QLabel>
#include <QListWidget>
#include <QSignalBlocker>
#include <QVBoxLayout>

ShowSymbolDialog::ShowSymbolDialog(SymbolDataStorage *storage, const QStringList &savedShown, QWidget *parent)
    : QDialog(parent), m_storage(storage)
{
    setObjectName(QStringLiteral("ShowSymbolDialog"));
    resize(392, 300);
    setWindowTitle(tr("Show/Hide Symbols"));
    m_verticalLayout = new QVBoxLayout(this);
    m_verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    m_label = new QLabel(tr("Symbols"), this);
    m_label->setObjectName(QStringLiteral("label"));
    m_verticalLayout->addWidget(m_label);
    m_listWidget = new QListWidget(this);
    m_listWidget->setObjectName(QStringLiteral("listWidget"));
    m_verticalLayout->addWidget(m_listWidget, 1);
    connect(m_listWidget, &QListWidget::itemChanged, this, &ShowSymbolDialog::on_listWidget_itemChanged);
    if (m_storage)
        fill(savedShown);
}

void ShowSymbolDialog::fill(const QStringList &savedShown)
{
    // Building the list is not a change by the user.
    const QSignalBlocker blocker(m_listWidget);
    m_listWidget->clear();
    if (!m_storage)
        return;
    for (const QString &name : m_storage->allSymbols()) {
        auto *item = new QListWidgetItem(name, m_listWidget);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        const bool shown = savedShown.isEmpty() || savedShown.contains(name);
        item->setCheckState(shown ? Qt::Checked : Qt::Unchecked);
    }
}

void ShowSymbolDialog::on_listWidget_itemChanged(QListWidgetItem *item)
{
    if (!m_storage || !item)
        return;
    const bool shown = item->checkState() == Qt::Checked;
    m_storage->setSymbolShown(item->text(), shown);
    emit symbolShownChanged(item->text(), shown);
}
