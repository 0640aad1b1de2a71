#include "db/protected_scan.h"

#include <exception>

namespace korvel::db {

ProtectedScan::ProtectedScan(Table& table, DataSource& source, bool* suppressFlag, Record record)
    : table_(table),
      source_(source),
      flag_(suppressFlag),
      record_(record),
      wasOpen_(table.isOpen()),
      filterText_(table.filter()),
      filtered_(table.filtered()),
      sourceEnabled_(source.enabled()),
      exceptionsAtStart_(std::uncaught_exceptions()) {
  if (wasOpen_) recNo_ = table.recNo();
  source_.setEnabled(false);
  if (flag_) {
    flagValue_ = *flag_;
    *flag_ = true;
  }
  try {
    table_.open();
    table_.setFiltered(false);
    table_.first();
  } catch (...) {
    source_.setEnabled(sourceEnabled_);
    if (flag_) *flag_ = flagValue_;
    throw;
  }
}

ProtectedScan::~ProtectedScan() {
  // The table first, so that the grid re-enabled after it is rebuilt once, on the final state.
  try {
    if (std::uncaught_exceptions() > exceptionsAtStart_) table_.cancel();
    if (table_.isOpen()) {
      table_.setFilter(filterText_);
      table_.setFiltered(filtered_);
      if (record_ == Record::Restore && wasOpen_ && recNo_ > 0) table_.goToRecNo(recNo_);
    }
    if (!wasOpen_) table_.close();
  } catch (...) {
    // Putting the state back cannot fail for a state the table had before; nothing to report.
  }
  source_.setEnabled(sourceEnabled_);
  if (flag_) *flag_ = flagValue_;
}

FilterBackOnError::FilterBackOnError(Table& table)
    : table_(table),
      filterText_(table.filter()),
      filtered_(table.filtered()),
      recNo_(table.recNo()),
      exceptionsAtStart_(std::uncaught_exceptions()) {}

FilterBackOnError::~FilterBackOnError() {
  if (std::uncaught_exceptions() <= exceptionsAtStart_ || !table_.isOpen()) return;
  try {
    table_.cancel();
    table_.setFiltered(false);
    table_.setFilter(filterText_);
    table_.setFiltered(filtered_);
    if (recNo_ > 0) table_.goToRecNo(recNo_);
  } catch (...) {
    // A filter the table had before binds again; nothing to report over the error in flight.
  }
}

}  // namespace korvel::db
