// The bull figures: each bull's means of his daughters' linear and complex traits, the packed
// shares of daughters with each defect and the daughter count, recomputed from KOROVA in one
// pass and written into his BIK record.
#pragma once

#include "herd/father_link.h"
#include "db/dbf_file.h"
#include "db/rows.h"

#include <QString>
#include <array>
#include <functional>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace korvel {

class HerdTables;
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
class CowTraitFields {
 public:
  explicit CowTraitFields(const db::DbfFile& korova);

  // The father link, read by number (herd/father_link.h).
  FatherLink father;

  // The figures' trait fields.
  std::array<db::WholeView, kLinearTraits> linear;
  std::array<db::BytesView, kDefectTraits> defect;
  std::array<db::TextView, kDefectTraits> defectText;  // for marks that are not plain ASCII
  std::array<db::WholeView, kComplexTraits> complex;
};

// The sums over one bull's daughters, single precision as the figures are defined.
class DaughterTally {
 public:
  // Adds one daughter; a trait value that is not a number throws db::TableError.
  void add(const CowTraitFields& f, const db::Row& row);
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

// Writes a tally into the current record of `bik` (X1..X30, XX1..XX60, XXX1..XXX15, KOLKOROV)
// and posts it; the fields are looked up once, for writing the figures of many bulls.
class BullFigureWriter {
 public:
  explicit BullFigureWriter(db::Table& bik);
  void write(const DaughterTally& tally) const;

 private:
  db::Table& bik_;
  std::array<int, kLinearTraits> x_{};
  std::array<int, kDefectTraits> xx_{};
  std::array<int, kComplexTraits> xxx_{};
  int kolkorov_ = 0;
};

// The same for one bull.
void writeBullFigures(db::Table& bik, const DaughterTally& tally);

// Recomputes the figures of BIK's current bull over every cow row (free rows included) and
// posts them. KOROVA is left exactly as found: open state, filter text and switch, current
// record and cowsSource. Does nothing when BIK has no current record.
void recomputeBullFigures(HerdTables& dm);

// One bull recomputed by recomputeEveryLiveBull.
struct RecomputedBull {
  QString code;       // KODBYK as stored
  QString name;       // NOKLI
  int daughters = 0;
  QString error;      // not empty: the bull's code is no whole number and nothing was written
};

// What recomputeEveryLiveBull reports now and then: the cow rows read, then the bulls written.
struct RecomputeProgress {
  std::function<void(qint64 done, qint64 total)> rowsRead;
  std::function<void(int done)> bullsWritten;
};

// Recomputes and posts the figures of every live bull (KODREG not 0), in table order, with the
// same values showing each bull would write, over one pass of KOROVA. BIK and KOROVA are left
// as found.
std::vector<RecomputedBull> recomputeEveryLiveBull(HerdTables& dm, const RecomputeProgress& progress = {});

}  // namespace korvel
