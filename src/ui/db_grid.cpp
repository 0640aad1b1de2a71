#include "ui/db_grid.h"

#include "ui/window_base.h"

#include <QHeaderView>

namespace korvel {

DBGrid::DBGrid(db::DataSource& source, std::vector<db::GridColumn> columns, QWidget* parent)
    : QTableView(parent), model_(new db::GridModel(source, std::move(columns), this)) {
  setObjectName(QStringLiteral("DBGrid1"));
  setModel(model_);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setAlternatingRowColors(true);
  verticalHeader()->hide();
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  horizontalHeader()->setHighlightSections(false);
  const QString follow = QStringLiteral("Переход к текущей записи списка");
  onSignal(model_, &db::GridModel::currentRowChanged, this, follow, [this] { followCursor(); });
  // A post settles the cursor on the new row only after the rows were rebuilt: follow it once
  // the handler that appended has run to its end.
  onSignal(model_, &QAbstractItemModel::modelReset, this, follow, [this, follow] {
    followCursor();
    runLater(this, [this] { followCursor(); }, follow);
  });
  followCursor();
}

void DBGrid::followCursor() {
  const int row = model_->currentRow();
  if (row < 0) {
    if (clearsWithoutCursor_) clearSelection();
    return;
  }
  following_ = true;
  const QModelIndex at = model_->index(row, qMax(0, currentIndex().column()));
  selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  scrollTo(at);
  following_ = false;
}

void DBGrid::focusInEvent(QFocusEvent* e) {
  followCursor();
  QTableView::focusInEvent(e);
}

void DBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  if (following_ || !current.isValid() || current.row() == model_->currentRow()) return;
  // A row the table no longer shows: the list goes back to the table's current row.
  guardedInSignal(window(), [this, row = current.row()] {
    if (model_->setCurrentRow(row)) emit rowChosen();
    else followCursor();
  });
}

void DBGrid::commitData(QWidget* editor) {
  guardedInSignal(window(), [this, editor] { QTableView::commitData(editor); });
}

void limitToField(QLineEdit* edit, db::Table& table, QStringView field) {
  edit->setMaxLength(table.fieldByName(field).def().width);
}

}  // namespace korvel
