// The sire statistics: one pass over KOROVA gathers, for the breed of the request, the totals
// of the comparison base and of the daughters of every sire of the bull set; from them come,
// per sire, the deviation of his daughters from the base on each linear trait in units of the
// pooled standard deviation, the shares of daughters with each defect, the daughters' means on
// the complex traits and the weighted overall figure.
//
// Every total and figure is a single-precision variable; each expression that produces one is
// evaluated in double and rounded once when stored (that is what makes a base variance of
// 0.6666667 and a deviation of 1.5491934 come out of the documented example).
#pragma once

#include "cows/trait_catalogue.h"
#include "db/freeze.h"
#include "evaluation/evaluation_request.h"

#include <QString>
#include <functional>
#include <vector>

namespace korvel {

class HerdTables;

// One admitted sire; his trait totals are in SireEvaluation::totals.
struct SireTotals {
  QString code;  // KODBYK as found in his daughters' rows (at most 20 characters)
  int daughters = 0;
  int daughtersInBase = 0;
};

// The figure of one linear trait. With Nc = 0 (no base cow left once his daughters are taken
// out) z is 0 and both flags are off. When both spreads are zero z is the raw deviation.
struct LinearFigure {
  float z = 0;
  bool zeroDaughters = false;  // spread of the daughters below 0.000001
  bool zeroBase = false;       // spread of the base below 0.000001
  // The intermediates, for the figures file.
  float md = 0, vd = 0, mc = 0, vc = 0, s = 0, d = 0;
};

struct DefectFigure {
  float marked = 0;  // % of daughters with "+" or "++"
  float strong = 0;  // % of daughters with "++"
};

struct SireFigures {
  QString code;
  int daughters = 0;
  std::vector<LinearFigure> linear;   // by linear position - 1; headings left at 0
  std::vector<DefectFigure> defects;  // by defect position - 1
  std::vector<float> complexMeans;    // by complex position - 1
  float overall = 0;                  // ОЦ: sum of KOEF x mean, not rounded
};

// Where a sire's totals lie in his block of SireEvaluation::totals. One block of floats per
// sire, so that a daughter's row touches one short stretch of memory: first arrays over the
// shown linear traits (sums, sums of squares, and the same two over his daughters in the base),
// each padded to a multiple of four so that they are added four at a time; then the sums of the
// shown complex traits; these are what every daughter adds to. Then, per shown defect, the
// daughters with "+" (or "++"), and per shown defect those with "++".
//
// When every cow of the breed is in the base, a sire's totals over his daughters in the base
// are his totals: the two in-base arrays are then the same as the two others, not kept apart.
struct TotalsLayout {
  enum LinearTotal { kSum, kSumSq, kInBaseSum, kInBaseSumSq };
  size_t linear = 0, defects = 0, complex = 0;  // shown rows of each kind
  bool baseIsEveryCow = false;

  size_t linearStride() const { return (linear + 3) / 4 * 4; }
  size_t linearArrays() const { return baseIsEveryCow ? 2 : 4; }
  // The offsets in a block of the k-th shown (0-based) trait's totals.
  size_t linearAt(LinearTotal total, size_t k) const { return total % linearArrays() * linearStride() + k; }
  size_t complexAt(size_t k) const { return linearArrays() * linearStride() + k; }
  size_t markedAt(size_t k) const { return complexAt(complex) + k; }
  size_t strongAt(size_t k) const { return markedAt(defects) + k; }
  size_t everyDaughter() const { return complexAt(complex); }  // the totals every daughter adds to
  size_t stride() const { return strongAt(defects); }
};

// What one run gathered.
struct SireEvaluation {
  EvaluationRequest request;
  // The catalogue's shown rows of each kind; position p is element p - 1.
  std::vector<TraitRow> linearRows, defectRows, complexRows;
  int baseCount = 0;
  std::vector<float> baseSum, baseSumSq;
  std::vector<SireTotals> sires;  // in the order they were admitted: the order of the sheets

  // The catalogue positions - 1 of the rows that are not headings, in catalogue order.
  std::vector<size_t> shownLinear, shownDefects, shownComplex;
  // The trait totals of the sires, one block per sire laid out as `layout` says.
  TotalsLayout layout;
  std::vector<float> totals;
  float* block(size_t sire) { return totals.data() + sire * layout.stride(); }
  const float* block(size_t sire) const { return totals.data() + sire * layout.stride(); }
  // Numbers the shown rows from the catalogue rows and gives every sire zeroed totals laid out
  // for the request.
  void prepareTotals();
  // Admits a sire with this code and zeroed totals; returns his slot.
  int32_t admit(const QString& code);

  int refusedCodes = 0;
  QString lastLookedUp;           // the last father code looked up in BIK (empty: none)

  int sireCount() const { return int(sires.size()); }
  // The figures of sire i (0-based, in admission order).
  SireFigures figures(int i) const;
};

// The checks after the scan; each but Ok ends the run with its message.
enum class EvaluationCheck { Ok, NoBaseCows, NoSires, OnlySireWithoutBase };
EvaluationCheck checkEvaluation(const SireEvaluation& e);
QString checkMessage(EvaluationCheck check);

// Called now and then during the scan with the records read so far and their number.
using ScanProgress = std::function<void(qint64 done, qint64 total)>;

// The scan: KOROVA's filter switched off and its cursor on the first row, then one pass over
// its records. Each father code is judged once: the first time it is met it is admitted or
// refused by the request (looking the bull up in BIK where the request needs it); later rows
// find it in a hash map. BIK, VLAD, REGION, XARAKT, PORODA and KOROVA are opened when closed.
// No field is written; BIK is left filtered on the last code looked up. Throws db::TableError
// (or CatalogueError) on a table fault.
SireEvaluation scanSires(HerdTables& dm, const EvaluationRequest& request, const ScanProgress& progress = {});

// The start and end of a run: while it lasts the data sources of REGION, VLAD, KOROVA, XARAKT and
// BIK (regionsSource to bullsSource) are disabled, so the scans and lookups repaint no grid; at
// its end, however it ends, the data sources are given back what they were.
class EvaluationRun {
 public:
  explicit EvaluationRun(HerdTables& dm);

 private:
  db::Freeze freeze_;
};

// The figures of one linear trait from the totals (exposed for the tests of the arithmetic).
LinearFigure linearFigure(int n, float sum, float sumSq, int nc, float baseSum, float inBaseSum,
                          float baseSumSq, float inBaseSumSq);

}  // namespace korvel
