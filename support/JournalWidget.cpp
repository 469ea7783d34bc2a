#include "support/JournalWidget.h"

#include "support/FooterItem.h"
#include "support/Logger.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

JournalWidget::JournalWidget(QWidget *parent) : QWidget(parent), m_table(new QTableWidget(this))
{
    setObjectName(QStringLiteral("journalWidget"));
    m_table->setObjectName(QStringLiteral("journalTable"));
    m_table->setColumnCount(3);
    m_table->setHorizontalHeaderLabels({tr("Time"), tr("Source"), tr("Message")});
    m_table->verticalHeader()->setVisible(false);
    m_table->verticalHeader()->setDefaultSectionSize(12);
    m_table->verticalHeader()->setMinimumSectionSize(12);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    m_table->setColumnWidth(0, 170);
    m_table->setColumnWidth(1, 120);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setAlternatingRowColors(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_table);

    connect(logger(), &Logger::logMessage, this, &JournalWidget::addItem);
}

void JournalWidget::addItem(const QDateTime &time, const QString &server, const QString &message)
{
    m_table->setSortingEnabled(false);
    const int row = m_table->rowCount();
    m_table->insertRow(row);
    const Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    auto *timeItem = new FooterItem(time.toString(QStringLiteral("yyyy.MM.dd hh:mm:ss.zzz")));
    timeItem->setData(Qt::UserRole, time);
    auto *sourceItem = new FooterItem(server);
    auto *messageItem = new FooterItem(message);
    for (QTableWidgetItem *item :
         {static_cast<QTableWidgetItem *>(timeItem), static_cast<QTableWidgetItem *>(sourceItem),
          static_cast<QTableWidgetItem *>(messageItem)})
        item->setFlags(flags);
    m_table->setItem(row, 0, timeItem);
    m_table->setItem(row, 1, sourceItem);
    m_table->setItem(row, 2, messageItem);
    // Events logged on other threads may arrive out of order; the time texts sort chronologically.
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(0, Qt::AscendingOrder);
    m_table->scrollToBottom();
}
