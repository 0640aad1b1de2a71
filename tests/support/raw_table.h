// A table file read byte by byte on its own, not through the table layer: what the tests
// compare the program's writes against.
#pragma once

#include <QByteArray>
#include <QString>
#include <map>
#include <vector>

namespace korvel::test {

// One field of a table file's layout, as its header describes it.
struct RawField {
  QString name;  // lower case
  char type = 'C';
  int offset = 0;  // in the record, after the deletion byte
  int width = 0;
};

// One row of a table file as text.
struct FileRow {
  bool deleted = false;
  std::map<QString, QString> fields;  // upper-case field name -> text, trailing blanks removed
  QString operator[](const char* name) const;
  bool operator==(const FileRow&) const = default;
};

// The header, layout and records of a table file; a file that cannot be read or whose layout
// does not add up fails the test.
class RawTable {
 public:
  explicit RawTable(const QString& path);
  const QByteArray& bytes() const { return bytes_; }
  const std::vector<RawField>& fields() const { return fields_; }
  unsigned recordCount() const { return count_; }
  // The record `recNo` (from 1) as stored, deletion byte first.
  QByteArray record(int recNo) const;
  // The bytes of the field `name` (any case) in `record`.
  QByteArray field(const QByteArray& record, const QString& name) const;
  // Every row, deleted ones included, in file order.
  std::vector<FileRow> rows() const;

 private:
  QString path_;
  QByteArray bytes_;
  unsigned count_ = 0;
  int headerLength_ = 0;
  int recordLength_ = 0;
  std::vector<RawField> fields_;
};

// Every row of the table file, deleted ones included, in file order.
std::vector<FileRow> fileRows(const QString& path);
// The live rows only.
std::vector<FileRow> liveRows(const QString& path);

}  // namespace korvel::test
