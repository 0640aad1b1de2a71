// Reading fields straight from record bytes for the evaluation's scans: whole numbers read as
// the table component reads them (an empty field is 0), a father code as its bytes, and the
// bull records found by code without moving the bull table's cursor.
#pragma once

#include "db/dbf_file.h"
#include "db/table.h"

#include <QByteArray>
#include <QString>
#include <string_view>
#include <unordered_map>

namespace korvel::evaluation {

// One numeric field of a file read as a whole number. Plain digits (the usual content) are
// read without allocating; anything else goes the table component's way: numbers are rounded
// half to even, a text that holds no number is a table error naming the table and the field.
class WholeField {
 public:
  WholeField() = default;
  WholeField(const db::DbfFile& file, int fieldIndex, QString tableName);

  [[gnu::always_inline]] long long operator()(const char* record) const {
    const char* p = record + offset_;
    if (plainNumeric_) {
      int i = 0;
      while (i < width_ && p[i] == ' ') ++i;
      long long v = 0;
      int digits = 0;
      for (; i < width_ && p[i] >= '0' && p[i] <= '9'; ++i, ++digits) v = v * 10 + (p[i] - '0');
      while (i < width_ && p[i] == ' ') ++i;
      if (i == width_ && digits <= 18) return v;  // blank counts 0
    }
    return slow(record);
  }

 private:
  long long slow(const char* record) const;

  const db::DbfFile* file_ = nullptr;
  db::FieldDef def_;
  QString table_;
  int offset_ = 0;
  int width_ = 0;
  bool plainNumeric_ = false;
};

// The bytes of a character field without trailing blanks.
inline std::string_view trimmedBytes(const char* record, const db::FieldDef& f) {
  const char* p = record + f.offset;
  int n = f.width;
  while (n > 0 && (p[n - 1] == ' ' || p[n - 1] == '\0')) --n;
  return {p, size_t(n)};
}

// Whether a bull code can be looked up: the filter "kodbyk=" + code only admits a whole number
// in decimal digits (an optional minus sign, at most 18 digits).
bool lookableCode(const QString& code, long long* number);

// Leaves BIK filtered on the bull with this code and current on its first row, as a lookup
// by the filter "kodbyk=" + code does. A code the filter cannot hold leaves BIK as it is.
void filterBullsOn(db::Table& bik, const QString& code);

// The first BIK row (in record order, deleted rows left out) whose KODBYK holds each whole
// number: what the filter "kodbyk=" + code would make current. Built once over the file.
class BullRows {
 public:
  explicit BullRows(db::Table& bik);
  // The row of the bull with this code, or null.
  const char* find(const QString& code) const;
  const db::DbfFile& file() const { return *file_; }

 private:
  const db::DbfFile* file_;
  std::unordered_map<long long, uint32_t> first_;
};

}  // namespace korvel::evaluation
