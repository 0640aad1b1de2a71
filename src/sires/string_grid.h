// The text grids of the bulls and daughters windows: a table of cells whose first row holds the
// column titles, fixed rows and columns drawn like headers, and the red drawing of heading
// rows (a text with "!") that the defect and complex grids use.
#pragma once

#include <QStringList>
#include <QTableWidget>

namespace korvel {

// Resets `grid` to the title row alone, with the given column widths and row height.
void resetStringGrid(QTableWidget* grid, const QStringList& titles, const QList<int>& widths, int rowHeight);
// Appends a row of cells (read-only).
void appendGridRow(QTableWidget* grid, const QStringList& cells);
// Draws the first row and/or the first column as fixed (header-coloured) cells; a fixed first
// row does not scroll away.
void fixGridCells(QTableWidget* grid, bool firstRow, bool firstColumn);
// A cell's text, empty when the cell does not exist.
QString gridText(const QTableWidget* grid, int row, int column);
// Cells whose text holds "!" are drawn in red.
void drawHeadingsRed(QTableWidget* grid);

}  // namespace korvel
