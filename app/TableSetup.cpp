#include "app/TableSetup.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QTableWidget>

namespace {
const char *kHeaderStyle =
    "QHeaderView::section { background-color: #D3D3D3; font-size: 8pt; font-weight: normal; "
    "padding: 4px;}QHeaderView::section:pressed { background-color: #B0B0B0;}"
    "QHeaderView::section:hover { background-color: #E0E0E0;}";
}

void setupWindowTable(QTableWidget *table, const QStringList &headers)
{
    table->setRowCount(0);
    table->setColumnCount(headers.size());
    table->setHorizontalHeaderLabels(headers);
    table->verticalHeader()->setVisible(false);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setAlternatingRowColors(true);
    table->setWordWrap(false);
    QFont headerFont = table->horizontalHeader()->font();
    headerFont.setPointSize(8);
    headerFont.setWeight(QFont::Normal);
    table->horizontalHeader()->setFont(headerFont);
    table->horizontalHeader()->setStyleSheet(QLatin1String(kHeaderStyle));
    QFont tableFont = table->font();
    tableFont.setPointSize(7);
    table->setFont(tableFont);
    fitTableMetrics(table);
}

void fitTableMetrics(QTableWidget *table)
{
    QHeaderView *header = table->horizontalHeader();
    QFont headerFont = header->font();
    headerFont.setPointSize(8);
    header->setFixedHeight(QFontMetrics(headerFont).lineSpacing() + 6);
    const int rowHeight = QFontMetrics(table->font()).lineSpacing() + 4;
    table->verticalHeader()->setMinimumSectionSize(rowHeight);
    table->verticalHeader()->setDefaultSectionSize(rowHeight);
}
