// The linear profile workbook of a sire evaluation: one sheet per admitted sire, with his
// identification, a row per linear trait (both ends of the scale, a bar on a -3 to +3 scale
// and the deviation in units of the standard deviation), the complex-trait means with the
// overall figure ОЦ, the defect percentages and the note on zero spreads.
#pragma once

#include "evaluation/sire_statistics.h"
#include "evaluation/spreadsheet.h"

#include <QString>
#include <functional>
#include <vector>

namespace korvel {

class HerdTables;

// The texts a sheet shows about its sire, resolved from BIK, REGION, VLAD and PORODA.
struct SireIdentity {
  QString nokli;   // empty when no bull row has his code
  QString region;  // REGION name, or "Не определен"
  QString owner;   // VLAD name, or "Не определено"
  QString breed;   // PORODA name, or "Не определена"
};

struct ProfileNames {
  QString breedName;                // of the run's breed
  std::vector<SireIdentity> sires;  // in the order of SireEvaluation::sires
};

// Reads the names the sheets show. REGION, VLAD and PORODA are left unfiltered (the last row
// with a code gives its name), PORODA current on the run's breed, and BIK filtered on the last
// sire's code, as the sheets' lookups leave them.
ProfileNames readProfileNames(HerdTables& dm, const SireEvaluation& evaluation);

// Where the parts of a sheet go. With the usual catalogue (19 linear traits, at most 48 shown
// defects) the defect header is row 25, its block rows 26 to 33 and the note rows 34 to 36; a
// longer catalogue moves the block and the note down so that nothing overlaps.
struct ProfileLayout {
  int lastTraitRow = 4;  // 4 + shown linear traits
  int defectHeaderRow = 0;
  int blockTop = 0;
  int blockRows = 8;
  int noteTop = 34;
  int formatBottom = 38;  // fonts, wrapping and left alignment reach down to here
  static ProfileLayout of(int shownLinear, int shownDefects);
};

// Number to text with a field width and decimals, left-padded with blanks ("%5.2f").
QString fixedText(double value, int width, int decimals);
// The H cell of a trait row: "+ 1.55 ВЫ" for z >= 0 (DOP2's first two letters in upper case),
// "-0.25 НИ" for z < 0 (DOP1's).
QString deviationText(float z, const TraitRow& row);
// The cell of the p-th shown defect: "1-  66.7%  33.3%".
QString defectText(int p, float marked, float strong);

inline const QString kProfileNote = QStringLiteral(
    "Примечание. Если для некоторой характеристики СКО по дочерям=0 и СКО по базе сравнения =0, "
    "то на графике отображается не ПСТ в долях СКО, а ПСТ. В этом случае в числовом выражении в "
    "графе \"ПСТ в долях СКО\" также будет записано ПСТ.");

// A sheet in two steps: what every sheet of a run shares (page, formats, merges, sizes, the
// fixed texts and the trait rows' wording), then one sire's own figures, names and bars.
void formatProfileSheet(xlsx::Sheet& sheet, const SireEvaluation& evaluation, const QString& breedName);
void fillProfileSheet(xlsx::Sheet& sheet, const SireEvaluation& evaluation, const SireFigures& figures,
                      const SireIdentity& identity);
// Both steps: one sheet with the figures of one sire.
void layOutProfileSheet(xlsx::Sheet& sheet, const SireEvaluation& evaluation, const SireFigures& figures,
                        const QString& breedName, const SireIdentity& identity);

// Writes the whole workbook to `path`, sheet i for sire i, each sheet written into the file as
// soon as it is laid out; `sheetDone` is called after each sheet. Throws xlsx::WriteError.
void writeProfileWorkbook(const SireEvaluation& evaluation, const ProfileNames& names, const QString& path,
                          const std::function<void(int done, int total)>& sheetDone = {});

}  // namespace korvel
