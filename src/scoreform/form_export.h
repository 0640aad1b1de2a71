// The scoring form out: the cows to score with today's stored values, written as a workbook
// ready to fill or as CSV.
#pragma once

#include "scoreform/form_columns.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace korvel {
class HerdTables;
struct HerdContext;
}  // namespace korvel

namespace korvel::scoreform {

// Which cows: the current farm's, those the cows window's selection marks, or the region's.
enum class FormScope { Farm, Selection, Region };

struct FormCow {
  uint32_t record = 0;  // KOROVA record number
  long long region = 0, farm = 0;
  QString name, breed, father;
  std::vector<QString> values;  // one per column of the form, as the cow card shows them
};

struct ScoringForm {
  std::vector<FormColumn> columns;
  std::vector<FormCow> cows;
};

ScoringForm collectScoringForm(HerdTables& dm, TraitCatalogue& catalogue, const HerdContext& herd, FormScope scope);

// Writes CSV when the path ends in .csv, a workbook otherwise. Throws korvel::UserError.
void writeScoringForm(const ScoringForm& form, const QString& path);

}  // namespace korvel::scoreform
