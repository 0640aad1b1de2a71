// Finding bulls by code for the sire evaluation, as the filter "kodbyk=" + code would, without
// moving the bull table's cursor; and leaving BIK filtered on a code as such a lookup leaves it.
#pragma once

#include "db/rows.h"
#include "db/table.h"

#include <QString>
#include <unordered_map>

namespace korvel::evaluation {

// Whether a bull code can be looked up: the filter "kodbyk=" + code only admits a whole number
// in decimal digits (an optional minus sign, at most 18 digits).
bool lookableCode(const QString& code, long long* number);

// Leaves BIK filtered on the bull with this code and current on its first row, as a lookup
// by the filter "kodbyk=" + code does. A code the filter cannot hold leaves BIK as it is.
void filterBullsOn(db::Table& bik, const QString& code);

// The first live BIK row (in record order) whose KODBYK holds each whole number: what the
// filter "kodbyk=" + code would make current. Built once over the file.
class BullRows {
 public:
  explicit BullRows(db::Table& bik);
  // The row of the bull with this code; an empty handle when there is none.
  db::RowHandle find(const QString& code) const;
  const db::DbfFile& file() const { return *file_; }

 private:
  const db::DbfFile* file_;
  std::unordered_map<long long, uint32_t> first_;
};

}  // namespace korvel::evaluation
