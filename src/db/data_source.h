// A data source binds a table to its list grid: while disabled the grid neither repaints nor
// follows the cursor; re-enabling it shows the table's current state. It is disabled and
// enabled through a Freeze (db/freeze.h) only, which gives it back the state it found. The data
// module makes the grids of REGION, VLAD and PORODA read-only through it whenever their cursor moves.
#pragma once

#include "db/table.h"

#include <QObject>

namespace korvel::db {

class DataSource : public QObject {
  Q_OBJECT
 public:
  DataSource(const QString& name, Table& table, QObject* parent = nullptr);
  ~DataSource() override;

  Table& table() const { return *table_; }
  bool enabled() const { return enabled_; }
  bool readOnly() const { return readOnly_; }
  void setReadOnly(bool on);

 signals:
  void reset();          // the passing rows may have changed: rebuild
  void rowChanged();     // the current row was rewritten in place
  void cursorMoved();    // the table's cursor moved to another row
  void readOnlyChanged(bool readOnly);

 private:
  friend class Freeze;
  void setEnabled(bool on);

  Table* table_;
  int listener_;
  bool enabled_ = true;
  bool readOnly_ = true;
};

}  // namespace korvel::db
