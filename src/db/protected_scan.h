// The protected scan: everything a bulk walk over a table changes is put back when it ends,
// whether it ends normally or through an error. It remembers the table's open state, filter
// text and switch (and, when asked, the current record), the data source's enabled state and
// the matching refresh-suppressed flag; it disables the data source, sets the flag, opens the
// table, switches its filter off and goes to the first row. A scan ended by an error drops
// the row it was editing rather than writing it half changed.
#pragma once

#include "db/data_source.h"

namespace korvel::db {

class ProtectedScan {
 public:
  enum class Record { Keep, Restore };
  ProtectedScan(Table& table, DataSource& source, bool* suppressFlag, Record record = Record::Keep);
  ~ProtectedScan();
  ProtectedScan(const ProtectedScan&) = delete;
  ProtectedScan& operator=(const ProtectedScan&) = delete;

 private:
  Table& table_;
  DataSource& source_;
  bool* flag_;
  Record record_;
  bool wasOpen_;
  QString filterText_;
  bool filtered_;
  int recNo_ = 0;
  bool sourceEnabled_;
  bool flagValue_ = false;
  int exceptionsAtStart_;
};

// For an operation that changes the table's filter on its way (the addition looks for a free
// row under "kodreg=0"): when an error ends it, the filter text, its switch and the current
// record are put back, so that the list shows what it showed before.
class FilterBackOnError {
 public:
  explicit FilterBackOnError(Table& table);
  ~FilterBackOnError();
  FilterBackOnError(const FilterBackOnError&) = delete;
  FilterBackOnError& operator=(const FilterBackOnError&) = delete;

 private:
  Table& table_;
  QString filterText_;
  bool filtered_;
  int recNo_;
  int exceptionsAtStart_;
};

}  // namespace korvel::db
