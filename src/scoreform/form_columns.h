// The trait columns of a scoring form: every catalogue row a classifier scores, in catalogue
// order (linear traits, defect marks, complex traits), with the heading it stands under.
#pragma once

#include "cows/trait_catalogue.h"

#include <QString>
#include <array>
#include <vector>

namespace korvel::scoreform {

struct FormColumn {
  TraitKind kind = TraitKind::Linear;
  QString id;     // the KOROVA field as the catalogue stores it ("xx7")
  QString name;   // the catalogue wording, blanks at both ends trimmed
  QString group;  // the catalogue heading the row stands under, trimmed; empty when none
  const TraitRow* row = nullptr;  // the catalogue row, valid while the catalogue is kept
};

// The columns before the traits, in the form's order: the cow's key (region, farm,
// identification number) and, for orientation only, her breed and father. `name` heads the
// column in the names row, `field` in the field-ID row.
struct KeyColumn {
  QString name;
  QString field;
};
enum KeyColumnIndex { RegionColumn, FarmColumn, CowColumn, BreedColumn, FatherColumn, KeyColumnCount };
const std::array<KeyColumn, KeyColumnCount>& keyColumns();

// The field ID as the form heads its column: upper case ("XX7").
QString columnHeaderId(const QString& id);

// The columns of the catalogue: the rows the cow card lets a person edit (headings and the
// complex sub-rows, which the card computes, are not scored). A heading row starts a group
// that runs to the next heading or to the end of its kind.
std::vector<FormColumn> formColumns(TraitCatalogue& catalogue);

}  // namespace korvel::scoreform
