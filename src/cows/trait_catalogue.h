// The trait catalogue (XARAKT): the kind of a row, the rows each trait grid shows in its order,
// the check that a shown row names a cow field of its group, and the grid line <-> row mapping.
#pragma once

#include "db/table.h"
#include "db/table_error.h"

#include <QString>
#include <array>
#include <optional>
#include <vector>

namespace korvel {

// Linear traits (X1..X30, 1 to 9), defects (XX1..XX60, "+"/"++"), complex traits (XXX1..XXX15).
enum class TraitKind { Linear, Defect, Complex };

// The kind of a catalogue row from its ID, by case-sensitive substring tests: "xxx" complex,
// "xx" defect, "x" linear, none of them no kind (an upper-case "X1" is of no kind).
std::optional<TraitKind> traitKindOf(const QString& id);

// Blank XAR: empty or only spaces. Such a row is never shown.
bool traitTextBlank(const QString& xar);

// One shown catalogue row.
struct TraitRow {
  QString id;           // the KOROVA/BIK field holding the row's value, as stored ("xxx3")
  QString xar;          // the wording shown, markers included, leading spaces kept
  double koef = 0;      // weight in the overall score; read for complex rows only, empty is 0
  QString dop1, dop2;   // low and high end wording of a linear scale
  bool heading = false; // XAR contains "!": text only, its value is never read
  bool subRow = false;  // complex row whose XAR starts with a space: counts, not editable
  int record = 0;       // physical record number in XARAKT, 1-based
};

// A shown row whose ID names no cow field of its group. It carries the table layer's wording
// for a missing field and the rows shown before it, so a screen can fill up to that row.
class CatalogueError : public db::TableError {
 public:
  CatalogueError(const QString& text, std::vector<TraitRow> before)
      : db::TableError(text), rowsBefore(std::move(before)) {}
  std::vector<TraitRow> rowsBefore;
};

// The shown rows of one kind in display order; grid line n (1-based) shows element n - 1.
// Walks XARAKT in stored record order without moving its cursor. The linear section is the
// run of linear rows at the start of the table and ends at the first record that is not a
// linear row or has a blank XAR; defect and complex rows are taken from the whole table.
// Every shown row's ID must name a field of its group: of `korova` when it is given and open,
// otherwise of the KOROVA layout the program writes; the first that does not throws
// CatalogueError ("Таблица KOROVA: поле «…» не найдено."). Other read faults throw db::TableError.
std::vector<TraitRow> catalogueRows(db::Table& xarakt, TraitKind kind, const db::Table* korova = nullptr);

// The row a grid line shows (line 0 is the titles), or null when the line shows none.
const TraitRow* rowForLine(const std::vector<TraitRow>& rows, int line);
// The grid line showing the field `id` (compared case-insensitively), or 0 when none does.
int lineForId(const std::vector<TraitRow>& rows, const QString& id);

// The three row lists of one catalogue, walked on first use and kept: the catalogue is
// read-only data, so a screen reads it once and maps its grid lines through this.
class TraitCatalogue {
 public:
  explicit TraitCatalogue(db::Table& xarakt, const db::Table* korova = nullptr)
      : xarakt_(&xarakt), korova_(korova) {}

  const std::vector<TraitRow>& rows(TraitKind kind);
  const TraitRow* rowForLine(TraitKind kind, int line) { return korvel::rowForLine(rows(kind), line); }
  int lineForId(TraitKind kind, const QString& id) { return korvel::lineForId(rows(kind), id); }
  void reload();  // forget the lists; the next use walks the table again

 private:
  db::Table* xarakt_;
  const db::Table* korova_;
  std::array<std::optional<std::vector<TraitRow>>, 3> cache_;
};

}  // namespace korvel
