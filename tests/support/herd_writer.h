// The one way the tests put rows into a working folder's tables: any row of any table by its
// field values, and regions, farms, breeds, bulls and cows by what they are. Every row goes in
// through the table layer. (Herds of many cows come whole from the herd generator.)
#pragma once

#include "db/data_module.h"

#include <QString>
#include <QVariant>
#include <initializer_list>
#include <map>
#include <utility>
#include <vector>

namespace korvel::test {

// Field name -> value: a whole number goes in as a number, anything else as typed text.
using FieldValues = std::vector<std::pair<QString, QVariant>>;

// Appends one row to `table` (opened when closed) and leaves it on the new row; returns the
// row's record number.
int appendRow(db::Table& table, const FieldValues& values);
// Appends one row to the table `name` ("KOROVA", "PORODA.DBF") of the folder `dir`.
int appendRow(const QString& dir, const QString& name, const FieldValues& values);

struct CowRow {
  int breed = 1;
  int region = 1;
  int farm = 1;
  QString father;     // KODBYK; empty: no father link
  bool linked = true; // BASEKOD "+" when a father is given
  std::map<QString, QVariant> values;  // "x1" -> 6, "xx2" -> "++", "xxx1" -> 80, "nokli" -> "Майка"
};

// Rows appended through the data module's tables; each leaves its table unfiltered and on the
// new row, and returns its record number.
class HerdWriter {
 public:
  // Opens every table of the data module.
  explicit HerdWriter(HerdTables& dm);

  int region(long long code, const QString& name);
  int farm(long long region, long long code, const QString& name);
  int breed(long long code, const QString& name);
  // A breed of 0 leaves KODPOROD empty.
  int bull(long long region, long long farm, const QString& code, const QString& name, long long breed = 0);
  int cow(long long region, long long farm, const QString& name, const QString& basekod, const QString& kodbyk,
          const std::map<QString, QString>& traits = {}, long long breed = 0);
  int cow(const CowRow& row);
  // Cows alike, the linear trait x1 taking the values given in turn.
  void cows(CowRow row, std::initializer_list<int> x1);

 private:
  int append(db::Table& table, const FieldValues& values);

  HerdTables& dm_;
};

// The value of a field of the record `recNo` of `table` (opened when closed, cursor kept).
QString fieldAt(db::Table& table, int recNo, const QString& field);
double numberAt(db::Table& table, int recNo, const QString& field);

}  // namespace korvel::test
