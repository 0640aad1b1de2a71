// Bulk writing of a new table: the header first, then records appended through a large buffer,
// then the record count and the end byte. For whole generated tables (a million cows in
// seconds); everyday changes go through Table. A write that fails is reported with its cause
// (a full disk says so) and the unfinished file is removed: no half table stays behind.
#pragma once

#include "db/dbf_file.h"

#include <QDate>
#include <QFile>
#include <QString>
#include <string_view>
#include <vector>

namespace korvel::db {

class DbfWriter {
 public:
  // Creates (or replaces) the file with the fields; throws TableError naming it on failure.
  DbfWriter(const QString& path, std::vector<FieldDef> fields);
  // An unfinished writer finishes quietly; call finish() to hear about a failure.
  ~DbfWriter();
  DbfWriter(const DbfWriter&) = delete;
  DbfWriter& operator=(const DbfWriter&) = delete;

  const std::vector<FieldDef>& fields() const { return fields_; }
  int fieldIndex(QStringView name) const;  // case-insensitive; throws TableError when absent
  uint32_t count() const { return count_; }

  // The record being built; it is blank again after every append().
  void setText(int field, const QString& value);       // Windows-1251, cut to the width
  void setBytes(int field, std::string_view encoded);  // already Windows-1251, cut to the width
  void setWhole(int field, long long value);           // numeric or character field
  void setNumber(int field, double value);
  void setDate(int field, const QDate& value);
  void setDeleted(bool deleted) { record_[0] = deleted ? '*' : ' '; }
  void append();

  // Writes the remaining records, the end byte and the count.
  void finish();

 private:
  void flush();
  [[noreturn]] void fail(const QString& what) const;
  // Removes the unfinished file and throws, naming the cause of the failed write.
  [[noreturn]] void writeFailed(int err);

  QString path_;
  QFile file_;
  qint64 pos_ = 0;  // where the next buffered bytes go
  std::vector<FieldDef> fields_;
  std::vector<char> record_;
  std::vector<char> buffer_;
  size_t used_ = 0;
  uint32_t count_ = 0;
  bool finished_ = false;
};

}  // namespace korvel::db
