// The bull figures: each bull's means of his daughters' linear and complex traits, the packed
// shares of daughters with each defect and the daughter count, recomputed from KOROVA in one
// pass and written into his BIK record; the father link that makes a cow a daughter.
#pragma once

#include "db/dbf_file.h"

#include <QString>
#include <array>
#include <optional>
#include <utility>
#include <vector>

namespace korvel {

class TDataModule5;
namespace db {
class Table;
}

inline constexpr int kLinearTraits = 30;
inline constexpr int kDefectTraits = 60;
inline constexpr int kComplexTraits = 15;

// P + Q/1000: the share of daughters with any mark of a defect (P per cent) and with its
// strong mark "++" (Q per cent), both whole numbers.
double packDefectShare(int p, int q);
// The pair (P, Q) of a stored packed share: P the value rounded, Q the rest times 1000 rounded.
std::pair<int, int> unpackDefectShare(double value);

// The KOROVA fields the figures read, bound once to a file's layout; a missing field throws
// db::TableError with the table layer's text.
struct CowTraitFields {
  explicit CowTraitFields(const db::DbfFile& korova);
  const db::DbfFile* file;
  QString table;  // "KOROVA", for messages
  const db::FieldDef* basekod;
  const db::FieldDef* kodbyk;
  std::array<const db::FieldDef*, kLinearTraits> linear;
  std::array<const db::FieldDef*, kDefectTraits> defect;
  std::array<const db::FieldDef*, kComplexTraits> complex;

  // The bull code of the cow's father when BASEKOD is exactly "+" and KODBYK holds a whole
  // number; nothing otherwise (a father outside the database, or a code that is no number).
  std::optional<long long> fatherCode(const char* record) const;
  // fatherCode(record) == code, without reading more of KODBYK than it takes to tell.
  bool fatherIs(const char* record, long long code) const;
  // BASEKOD exactly "+" and KODBYK, as text, equal to `code` (trailing blanks aside).
  bool hasFatherText(const char* record, const QString& code) const;
};

// The sums over one bull's daughters, single precision as the figures are defined.
class DaughterTally {
 public:
  // Adds one daughter; a trait value that is not a number throws db::TableError.
  void add(const CowTraitFields& f, const char* record);
  int count() const { return int(n_); }

  // The values written: linear means, packed defect shares, complex means, the count.
  float linearMean(int i) const;   // 0-based
  double defectShare(int i) const;
  float complexMean(int i) const;

 private:
  std::array<float, kLinearTraits> linear_{};
  std::array<float, kDefectTraits> any_{};
  std::array<float, kDefectTraits> strong_{};
  std::array<float, kComplexTraits> complex_{};
  float n_ = 0;
};

// Writes the tally into the current record of `bik` (X1..X30, XX1..XX60, XXX1..XXX15, KOLKOROV)
// and posts it.
void writeBullFigures(db::Table& bik, const DaughterTally& tally);

// Recomputes the figures of BIK's current bull over every cow row (free rows included) and
// posts them. KOROVA is left exactly as found: open state, filter text and switch, current
// record, DataSource3 and the cow refresh flag. Does nothing when BIK has no current record.
void recomputeBullFigures(TDataModule5& dm);

// One bull recomputed by recomputeEveryLiveBull.
struct RecomputedBull {
  QString code;       // KODBYK as stored
  QString name;       // NOKLI
  int daughters = 0;
  QString error;      // not empty: the bull's code is no whole number and nothing was written
};

// Recomputes and posts the figures of every live bull (KODREG not 0), in table order, with the
// same values showing each bull would write, over one pass of KOROVA. BIK and KOROVA are left
// as found.
std::vector<RecomputedBull> recomputeEveryLiveBull(TDataModule5& dm);

}  // namespace korvel
