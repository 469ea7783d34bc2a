#pragma once

class QTableWidget;

// The compact look of the market watch, the trade and net tables and the
// history tables: 8 pt text, rows and columns as small as the header allows,
// stretched columns, left-aligned header texts and alternating row colours.
void applyCompactTableStyle(QTableWidget *table);
