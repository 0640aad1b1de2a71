#include "sires/string_grid.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>

namespace korvel {
namespace {

class RedHeadingDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    if (option->text.contains(QLatin1Char('!'))) {
      option->palette.setColor(QPalette::Text, Qt::red);
      option->palette.setColor(QPalette::HighlightedText, Qt::red);
    }
  }
};

QTableWidgetItem* cell(const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  return item;
}

}  // namespace

void resetStringGrid(QTableWidget* grid, const QStringList& titles, const QList<int>& widths, int rowHeight) {
  grid->clear();
  grid->setRowCount(1);
  grid->setColumnCount(int(titles.size()));
  grid->setRowHidden(0, false);
  grid->horizontalHeader()->hide();
  grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  grid->horizontalHeader()->setHighlightSections(false);
  grid->horizontalHeader()->setFixedHeight(rowHeight);
  grid->verticalHeader()->hide();
  grid->verticalHeader()->setDefaultSectionSize(rowHeight);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  for (int c = 0; c < titles.size(); ++c) {
    grid->setItem(0, c, cell(titles[c]));
    if (c < widths.size()) grid->setColumnWidth(c, widths[c]);
  }
  grid->setRowHeight(0, rowHeight);
}

void appendGridRow(QTableWidget* grid, const QStringList& cells) {
  const int row = grid->rowCount();
  grid->setRowCount(row + 1);
  for (int c = 0; c < cells.size() && c < grid->columnCount(); ++c) grid->setItem(row, c, cell(cells[c]));
}

void fixGridCells(QTableWidget* grid, bool firstRow, bool firstColumn) {
  const QBrush fixed = grid->palette().brush(QPalette::Button);
  for (int r = 0; r < grid->rowCount(); ++r)
    for (int c = 0; c < grid->columnCount(); ++c) {
      if (!((firstRow && r == 0) || (firstColumn && c == 0))) continue;
      if (QTableWidgetItem* item = grid->item(r, c)) item->setBackground(fixed);
    }
  // A fixed first row stays in view however far the grid scrolls: the header shows its texts
  // in its place, and the row itself (still the grid's row 0) is hidden.
  if (firstRow) {
    QStringList titles;
    for (int c = 0; c < grid->columnCount(); ++c) titles << gridText(grid, 0, c);
    grid->setHorizontalHeaderLabels(titles);
  }
  grid->horizontalHeader()->setVisible(firstRow);
  grid->setRowHidden(0, firstRow);
}

QString gridText(const QTableWidget* grid, int row, int column) {
  const QTableWidgetItem* item = grid->item(row, column);
  return item ? item->text() : QString();
}

void drawHeadingsRed(QTableWidget* grid) { grid->setItemDelegate(new RedHeadingDelegate(grid)); }

}  // namespace korvel
