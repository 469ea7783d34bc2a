#include "support/CompactTableStyle.h"

#include <QHeaderView>
#include <QTableWidget>

void applyCompactTableStyle(QTableWidget *table)
{
    if (!table)
        return;
    QFont font = table->font();
    font.setPointSize(8);
    table->setFont(font);

    // Sizes below the header's minimum are raised to it, which is the point:
    // the smallest rows and columns the contents permit.
    QHeaderView *vertical = table->verticalHeader();
    vertical->setDefaultSectionSize(4);
    for (int row = 0; row < table->rowCount(); ++row)
        table->setRowHeight(row, 4);
    for (int column = 0; column < table->columnCount(); ++column)
        table->setColumnWidth(column, 4);

    QHeaderView *horizontal = table->horizontalHeader();
    horizontal->setMinimumHeight(16);
    table->setAlternatingRowColors(true);
    horizontal->setSectionResizeMode(QHeaderView::Stretch);
    for (int column = 0; column < table->columnCount(); ++column) {
        if (QTableWidgetItem *item = table->horizontalHeaderItem(column))
            item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
}
