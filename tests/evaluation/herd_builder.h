// Rows for the evaluation tests, appended through the table component to a working folder's
// tables: regions, farms, breeds, bulls and cows with their trait values.
#pragma once

#include "db/data_module.h"

#include <QString>
#include <QVariant>
#include <map>

namespace korvel::test {

struct CowRow {
  int breed = 1;
  int region = 1;
  int farm = 1;
  QString father;     // KODBYK; empty: no father link
  bool linked = true; // BASEKOD "+" when a father is given
  std::map<QString, QVariant> values;  // "x1" -> 6, "xx2" -> "++", "xxx1" -> 80
};

class HerdBuilder {
 public:
  explicit HerdBuilder(TDataModule5& dm);
  void region(int code, const QString& name);
  void farm(int region, int code, const QString& name);
  void breed(int code, const QString& name);
  void bull(const QString& code, const QString& nokli, int region, int farm, int breed);
  void cow(const CowRow& row);
  // n cows alike, the linear trait x1 taking the values given in turn.
  void cows(CowRow row, std::initializer_list<int> x1);

 private:
  TDataModule5& dm_;
};

}  // namespace korvel::test
