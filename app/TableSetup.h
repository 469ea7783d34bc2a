#pragma once

#include <QStringList>

class QTableWidget;

// The set-up every table of the main window shares: headers, whole-row single
// selection, compact fonts and the grey header style.
void setupWindowTable(QTableWidget *table, const QStringList &headers);

// Row and header heights follow the table's current font; called again after
// the fonts change (the start-up pass sets every font to 10 pt).
void fitTableMetrics(QTableWidget *table);
