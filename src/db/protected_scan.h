// Walking a table without losing the place a window stands on.
//
// CursorKeeper remembers a table's open state, filter text and switch and current record, and
// puts them back when its scope ends, however it ends; a scope ended by an error drops the row
// it was editing rather than writing it half changed. Every operation that moves a table other
// than to the row it means to leave current keeps the cursor this way: a window that opened a
// picker goes on with the cow or bull it had chosen.
//
// ProtectedScan is the keeper for a bulk walk: it also freezes the table's list (db/freeze.h),
// opens the table, switches its filter off and goes to the first row.
//
// RowMark tells a window whether the record it stood on is still current after other code moved
// the table (a picker window, where farms and bulls can be removed): when the record no longer
// passes the filter the keeper cannot put it back, and the window must write nothing.
#pragma once

#include "db/freeze.h"
#include "db/table.h"

namespace korvel::db {

class CursorKeeper {
 public:
  enum class When { Always, OnError };
  explicit CursorKeeper(Table& table, When when = When::Always);
  ~CursorKeeper();
  CursorKeeper(const CursorKeeper&) = delete;
  CursorKeeper& operator=(const CursorKeeper&) = delete;

 private:
  Table& table_;
  When when_;
  bool wasOpen_;
  QString filterText_;
  bool filtered_;
  int recNo_;
  int exceptionsAtStart_;
};

class ProtectedScan {
 public:
  ProtectedScan(Table& table, DataSource& source);
  ProtectedScan(const ProtectedScan&) = delete;
  ProtectedScan& operator=(const ProtectedScan&) = delete;

 private:
  // Destroyed in reverse: the table's state first, so that the list attached after it is
  // rebuilt once, on the final state.
  Freeze freeze_;
  CursorKeeper keeper_;
};

class RowMark {
 public:
  explicit RowMark(const Table& table) : table_(table), recNo_(table.recNo()) {}
  // There was a current record and it is current no more.
  bool lost() const { return recNo_ > 0 && (!table_.isOpen() || table_.recNo() != recNo_); }

 private:
  const Table& table_;
  int recNo_;
};

}  // namespace korvel::db
