// The cow card without its window: reading the current cow into what the card shows, the
// editability and the input check of a trait value cell, the calving date check, and the
// writing of the corrections back into the cow's row.
#pragma once

#include "cows/trait_catalogue.h"

#include <QDate>
#include <QString>
#include <array>
#include <optional>
#include <vector>

namespace korvel {

class HerdTables;

// Index of a kind in the per-grid arrays below: linear 0, defect 1, complex 2.
constexpr size_t gridIndex(TraitKind kind) { return static_cast<size_t>(kind); }

// One trait grid's lines: the catalogue rows it shows and the value cell text of each line
// (line n is element n - 1 of both).
struct TraitGridLines {
  std::vector<TraitRow> rows;
  std::vector<QString> values;
};

// Everything the card shows of the current cow.
struct CowCardData {
  std::array<TraitGridLines, 3> grids;  // by gridIndex()
  int score = 0;                        // the overall score from the stored complex values
  QString breed;                        // PORODA of the cow's breed; empty when none matches
  QString father;                       // the bull's NOKLI, or KODBYK as stored
  bool fatherIsBull = false;            // BASEKOD "+"
  QString mother, line, lactation, calvingDate, previous, birth;
  // A catalogue row naming no cow field: the grids hold the lines before it, the particulars
  // are not read, and this is the table layer's text to show.
  std::optional<QString> catalogueError;
};

// Reads the current cow of `korova` (the breed and the father through `poroda` and `bik`,
// leaving the breed table filtered on the cow's breed and the bull table as it was).
CowCardData readCowCard(HerdTables& dm, TraitCatalogue& catalogue);

// The father as the card shows him. With BASEKOD "+" the bull whose KODBYK is the cow's code
// is looked up with the bulls list frozen, and the bull table's open state, filter and current
// row are put back afterwards; a code that is not a whole number matches no bull.
struct FatherShown {
  QString text;
  bool isBull = false;
};
FatherShown fatherOfCurrentCow(HerdTables& dm);

// What a value cell allows, from editing mode and the trait text of its line.
enum class CellAccess { Editable, ReadOnly, Unselectable };
CellAccess valueCellAccess(TraitKind kind, bool editing, const QString& lineText);

// The message refusing a value cell's text, or nothing when the text is accepted (empty text
// always is): linear one digit 1 to 9; defect "+", "++" or one blank; complex a whole number
// 1 to 100 in digits, leading blanks allowed.
std::optional<QString> cellInputRefusal(TraitKind kind, const QString& text);

// The calving date typed as dd.mm.yyyy; nothing when a position is unfilled ("_" or blank)
// or the date does not exist.
std::optional<QDate> calvingDateOf(const QString& text);
QString calvingDateRefusal();  // "Дата отела введена ошибочно!! Пример: 31.01.2001"

// Writes a value cell's text into its trait field as the card does: an empty or blank cell of a
// linear or complex trait empties the field; anything else (a defect's blank too) is stored as
// typed.
void writeTraitValue(db::Field field, TraitKind kind, const QString& text);

// What the card holds when its corrections are written.
struct CowCorrections {
  std::array<std::vector<QString>, 3> values;  // value cell text per line, by gridIndex()
  QString father;       // written to KODBYK only when BASEKOD is not "+"
  QString mother, line, lactation, calvingDate, previous, birth;
};

// Writes the corrections into the current cow and posts: every shown line of the three
// grids (headings included) into the field its row names (empty cell, empty field), the
// particulars, the lactation as a whole number (0 when blank). A wrong calving date returns
// its refusal and writes nothing; so does a catalogue error (thrown, the row left unchanged).
std::optional<QString> writeCowCorrections(HerdTables& dm, TraitCatalogue& catalogue, const CowCorrections& c);

}  // namespace korvel
