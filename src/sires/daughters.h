// The daughters of the current bull as the daughters list shows them: every cow row (free rows
// included) whose BASEKOD is "+" and whose KODBYK text is the bull's, in table order, with her
// region, farm and breed names, her overall score and its category.
#pragma once

#include <QString>
#include <vector>

namespace korvel {

class HerdTables;

struct DaughterRow {
  QString region;  // empty when no region has her code (a free row has 0)
  QString farm;    // empty when no farm has her region and farm codes
  QString breed;   // empty when no breed has her code
  QString name;    // NOKLI as stored
  int score = 0;
  QString category;
};

// KOROVA is left as found (open state, filter, current record, cowsSource, the cow refresh
// flag); REGION, VLAD and PORODA are only read, their cursors and filters untouched.
std::vector<DaughterRow> daughtersOfCurrentBull(HerdTables& dm);

}  // namespace korvel
