#include "db/protected_scan.h"

#include <exception>

namespace korvel::db {

CursorKeeper::CursorKeeper(Table& table, When when)
    : table_(table),
      when_(when),
      wasOpen_(table.isOpen()),
      filterText_(table.filter()),
      filtered_(table.filtered()),
      recNo_(table.recNo()),
      exceptionsAtStart_(std::uncaught_exceptions()) {}

CursorKeeper::~CursorKeeper() {
  const bool error = std::uncaught_exceptions() > exceptionsAtStart_;
  if (when_ == When::OnError && !error) return;
  try {
    if (error) table_.cancel();
    if (table_.isOpen()) {
      table_.setFiltered(false);
      table_.setFilter(filterText_);
      table_.setFiltered(filtered_);
      // A record the filter no longer shows cannot be current: the cursor then ends at the end
      // of the list, and a RowMark tells the window.
      if (wasOpen_ && recNo_ > 0) table_.goToRecNo(recNo_);
    }
    if (!wasOpen_) table_.close();
  } catch (...) {
    // A filter the table had before binds again; nothing to report over the error in flight.
  }
}

ProtectedScan::ProtectedScan(Table& table, DataSource& source) : keeper_(table) {
  freeze_.hold(source);
  table.open();
  table.setFiltered(false);
  table.first();
}

}  // namespace korvel::db
