// The list grid of a data source: a table view over a db::GridModel whose current row and the
// table's cursor follow each other both ways. It hides the row numbers and stretches its
// columns over the width; its object name is "DBGrid1", as every list screen calls it.
#pragma once

#include "db/grid_model.h"

#include <QLineEdit>
#include <QTableView>
#include <vector>

namespace korvel {

class DBGrid : public QTableView {
  Q_OBJECT
 public:
  DBGrid(db::DataSource& source, std::vector<db::GridColumn> columns, QWidget* parent = nullptr);

  db::GridModel& gridModel() const { return *model_; }
  // Puts the view's current row on the table's current record (nothing when it has none).
  void followCursor();
  // Whether a cursor that is on no row of the grid (a record being appended, say) clears the
  // selection instead of leaving it on the row last followed. Off unless a window asks.
  void setClearsSelectionWithoutCursor(bool on) { clearsWithoutCursor_ = on; }

 signals:
  // The user moved the list to another row (a click, a key) and the table's cursor followed:
  // a window showing the current record redraws it from here. A cursor moved by code never
  // sends it; the code that moves it says what to redraw.
  void rowChosen();

 protected:
  // A view that gains the focus without a current row would take its first row and move the
  // table's cursor there; it takes the table's current record instead.
  void focusInEvent(QFocusEvent* e) override;
  // Both run inside the view's own signals (a new current row, an edited cell committed by its
  // editor): a failure of the table is shown once the event loop is back.
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void commitData(QWidget* editor) override;

 private:
  db::GridModel* model_;
  bool following_ = false;
  bool clearsWithoutCursor_ = false;
};

// An edit that writes a text field takes no more characters than the field holds (one byte a
// character in the table's code page), so that what it shows is what is stored.
void limitToField(QLineEdit* edit, db::Table& table, QStringView field);

}  // namespace korvel
