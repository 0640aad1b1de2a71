// Rows written straight into the tables of a working folder, for the sires tests.
#pragma once

#include "db/data_module.h"

#include <QString>
#include <map>

namespace korvel::test {

// A region, farm, breed, bull or cow row appended through the data module's tables; each
// leaves its table unfiltered and on the new row.
struct HerdWriter {
  explicit HerdWriter(TDataModule5& dm) : dm(dm) {}
  TDataModule5& dm;

  void region(long long code, const QString& name);
  void farm(long long region, long long code, const QString& name);
  void breed(long long code, const QString& name);
  // Returns the record number of the new row.
  int bull(long long region, long long farm, const QString& code, const QString& name, long long breed = 0);
  int cow(long long region, long long farm, const QString& name, const QString& basekod, const QString& kodbyk,
          const std::map<QString, QString>& traits = {}, long long breed = 0);
};

// The value of a field of the record `recNo` of `table` (opened when closed, cursor kept).
QString fieldAt(db::Table& table, int recNo, const QString& field);
double numberAt(db::Table& table, int recNo, const QString& field);

}  // namespace korvel::test
