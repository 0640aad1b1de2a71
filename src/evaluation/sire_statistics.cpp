#include "evaluation/sire_statistics.h"

#include "db/schema.h"
#include "herd/father_link.h"
#include "db/data_module.h"
#include "db/rows.h"
#include "db/text.h"
#include "evaluation/bull_lookup.h"
#include "evaluation/code_map.h"
#include "evaluation/scan_fields.h"

#include <cmath>
#include <optional>

namespace korvel {

using evaluation::CodeMap;

namespace {

// A variance below this counts as no spread at all.
constexpr double kZeroSpread = 0.000001;

// Single-precision storage of a value computed in double.
inline void addTo(float& total, double v) { total = float(double(total) + v); }

}  // namespace

LinearFigure linearFigure(int n, float sum, float sumSq, int nc, float baseSum, float inBaseSum,
                          float baseSumSq, float inBaseSumSq) {
  LinearFigure f;
  if (nc == 0 || n == 0) return f;
  f.md = float(double(sum) / n);
  f.vd = float(double(sumSq) / n - double(f.md) * f.md);
  // The threshold is the decimal 0.000001, not its float neighbour just below it, so a spread
  // of exactly that float still counts as zero.
  f.zeroDaughters = std::fabs(double(f.vd)) < kZeroSpread;
  f.mc = float((double(baseSum) - inBaseSum) / nc);
  f.vc = float((double(baseSumSq) - inBaseSumSq) / nc - double(f.mc) * f.mc);
  f.zeroBase = std::fabs(double(f.vc)) < kZeroSpread;
  // A variance sum a hair below zero is rounding, not a spread: it is taken as zero.
  const double pooled = double(f.vd) + f.vc;
  f.s = pooled > 0 ? float(std::sqrt(pooled)) : 0.0f;
  f.d = float(double(f.md) - f.mc);
  if (f.s > 0 && std::fabs(f.d) <= 1000.0 * f.s)
    f.z = float(double(f.d) / f.s);
  else
    f.z = f.d;  // the raw deviation
  return f;
}

void SireEvaluation::prepareTotals() {
  const auto shown = [](const std::vector<TraitRow>& rows) {
    std::vector<size_t> out;
    for (size_t j = 0; j < rows.size(); ++j)
      if (!rows[j].heading) out.push_back(j);
    return out;
  };
  shownLinear = shown(linearRows);
  shownDefects = shown(defectRows);
  shownComplex = shown(complexRows);
  layout = TotalsLayout{shownLinear.size(), shownDefects.size(), shownComplex.size(), everyCowInBase(request)};
  totals.assign(sires.size() * layout.stride(), 0.0f);
  baseSum.assign(linearRows.size(), 0.0f);
  baseSumSq.assign(linearRows.size(), 0.0f);
}

int32_t SireEvaluation::admit(const QString& code) {
  sires.push_back({code, 0, 0});
  totals.resize(totals.size() + layout.stride(), 0.0f);
  return int32_t(sires.size() - 1);
}

SireFigures SireEvaluation::figures(int i) const {
  using L = TotalsLayout;
  const SireTotals& t = sires.at(size_t(i));
  const float* b = block(size_t(i));
  SireFigures f;
  f.code = t.code;
  f.daughters = t.daughters;
  const int n = t.daughters;
  const int nc = baseCount - t.daughtersInBase;

  f.linear.resize(linearRows.size());
  for (size_t k = 0; k < shownLinear.size(); ++k) {
    const size_t j = shownLinear[k];
    f.linear[j] = linearFigure(n, b[layout.linearAt(L::kSum, k)], b[layout.linearAt(L::kSumSq, k)], nc, baseSum[j],
                               b[layout.linearAt(L::kInBaseSum, k)], baseSumSq[j], b[layout.linearAt(L::kInBaseSumSq, k)]);
  }
  f.defects.resize(defectRows.size());
  for (size_t k = 0; k < shownDefects.size() && n > 0; ++k) {
    DefectFigure& d = f.defects[shownDefects[k]];
    d.marked = float(double(b[layout.markedAt(k)]) / n * 100);
    d.strong = float(double(b[layout.strongAt(k)]) / n * 100);
  }
  f.complexMeans.resize(complexRows.size());
  for (size_t k = 0; k < shownComplex.size() && n > 0; ++k) {
    const size_t m = shownComplex[k];
    f.complexMeans[m] = float(double(b[layout.complexAt(k)]) / n);
    addTo(f.overall, complexRows[m].koef * f.complexMeans[m]);
  }
  return f;
}

EvaluationRun::EvaluationRun(HerdTables& dm)
    : freeze_({&dm.regionsSource, &dm.farmsSource, &dm.cowsSource, &dm.traitsSource, &dm.bullsSource}) {}

EvaluationCheck checkEvaluation(const SireEvaluation& e) {
  if (e.baseCount == 0) return EvaluationCheck::NoBaseCows;
  if (e.sires.empty()) return EvaluationCheck::NoSires;
  if (e.sires.size() == 1 && e.baseCount == e.sires.front().daughters) return EvaluationCheck::OnlySireWithoutBase;
  return EvaluationCheck::Ok;
}

QString checkMessage(EvaluationCheck check) {
  switch (check) {
    case EvaluationCheck::NoBaseCows: return QStringLiteral("Коров этой породы нет...");
    case EvaluationCheck::NoSires: return QStringLiteral("Нет быков в этой породе коров!");
    case EvaluationCheck::OnlySireWithoutBase:
      return QStringLiteral("У единственного быка нет базы сравнения. Все коровы - его дочери!");
    case EvaluationCheck::Ok: break;
  }
  return {};
}

namespace {

using evaluation::ShortWholeView;

std::vector<QString> idsOf(const std::vector<TraitRow>& rows, const std::vector<size_t>& shown) {
  std::vector<QString> ids;
  for (size_t j : shown) ids.push_back(rows[j].id);
  return ids;
}

// The KOROVA fields the scan reads, bound once by name. The whole-number views read through the
// forms of `forms`, so the fields are never copied.
struct CowFields {
  CowFields(const db::DbfFile& korova, const SireEvaluation& e)
      : breed(korova, db::field::kodporod, forms), region(korova, db::field::kodreg, forms), farm(korova, db::field::kodvlad, forms),
        link(korova), defects(korova, idsOf(e.defectRows, e.shownDefects)) {
    for (size_t j : e.shownLinear) linear.emplace_back(korova, e.linearRows[j].id, forms);
    for (size_t m : e.shownComplex) complex.emplace_back(korova, e.complexRows[m].id, forms);
  }
  CowFields(const CowFields&) = delete;
  CowFields& operator=(const CowFields&) = delete;

  // The father code as the cows store it, cut to the map's keys.
  std::optional<std::string_view> fatherCode(const db::Row& row) const { return link.codeCut(row); }
  static_assert(FatherLink::kCutTo == CodeMap::kMaxKey);

  evaluation::FormTables forms;  // first: the views below read through it
  ShortWholeView breed, region, farm;
  FatherLink link;                        // BASEKOD, KODBYK
  std::vector<ShortWholeView> linear;     // by shown linear trait
  std::vector<ShortWholeView> complex;    // by shown complex trait
  evaluation::DefectMarks defects;        // by shown defect
};

// Judges each father code once: the first time it is met it is admitted as a sire or refused
// by the request (looking the bull up in BIK where the request needs it); later rows find the
// decision in a hash map.
class SireJudge {
 public:
  SireJudge(HerdTables& dm, SireEvaluation& e, db::Codepage cp) : dm_(dm), e_(e), cp_(cp) {}

  // The slot of the code's sire, or a negative number when the code is refused.
  int32_t sireOf(const CodeMap::Key& code) {
    const int32_t slot = judged_.find(code);
    return slot == CodeMap::kAbsent ? judge(code) : slot;
  }
  // The slot of a code already judged, CodeMap::kRefused, or CodeMap::kAbsent; judges nothing.
  int32_t known(const CodeMap::Key& code) const { return judged_.find(code); }
  void prefetch(const CodeMap::Key& code) const { judged_.prefetch(code); }

 private:
  int32_t judge(const CodeMap::Key& key) {
    const std::string_view bytes = key.code();
    const QString code = db::decode(bytes.data(), qsizetype(bytes.size()), cp_);
    bool admit = false;
    switch (judgeWithoutLookup(e_.request, code)) {
      case BullJudgement::Admit: admit = true; break;
      case BullJudgement::Refuse: admit = false; break;
      case BullJudgement::LookUp: admit = admittedInBik(code); break;
    }
    const int32_t slot = admit ? e_.admit(code) : CodeMap::kRefused;
    if (!admit) ++e_.refusedCodes;
    judged_.insert(key, slot);
    return slot;
  }

  bool admittedInBik(const QString& code) {
    if (!bulls_) {  // built at the first lookup
      bulls_.emplace(dm_.bik);
      bullRegion_ = db::WholeView(bulls_->file(), db::field::kodreg);
      bullFarm_ = db::WholeView(bulls_->file(), db::field::kodvlad);
    }
    e_.lastLookedUp = code;
    const db::Row bull = bulls_->find(code).row();
    return bull && bullAdmitted(e_.request, bullRegion_(bull), bullFarm_(bull));
  }

  HerdTables& dm_;
  SireEvaluation& e_;
  db::Codepage cp_;
  CodeMap judged_;
  std::optional<evaluation::BullRows> bulls_;
  db::WholeView bullRegion_, bullFarm_;
};

// What the look-ahead learned of a record before the walk reached it.
struct Ahead {
  uint32_t index = UINT32_MAX;      // the record's index
  bool ofBreed = false;             // live and of the run's breed
  bool linked = false;              // of the breed with BASEKOD "+": `father` holds her KODBYK
  CodeMap::Key father;
  int32_t sire = CodeMap::kAbsent;  // the code as judged a few rows before, when it was
};

// Hides the memory's latency by working ahead of the row read. kFar records ahead, the first
// bytes of the record are asked for; kMid ahead, it is tested for the breed and, when of it, the
// rest of its bytes and its father code's place in the map are asked for; kNear ahead, the code
// is looked up and, when he is a sire already, his totals are asked for. So each record's breed
// and father code are read once. A record the walk reaches unprepared (deleted records lay
// between) is learned on the spot.
class LookAhead {
 public:
  LookAhead(const db::LiveRows& rows, const CowFields& f, const SireJudge& judge, const SireEvaluation& e,
            long long breed)
      : rows_(rows), f_(f), judge_(judge), e_(e), breed_(breed) {}

  // What is known of the walk's next row; works ahead of it.
  const Ahead& next(const db::Row& row) {
    if (const db::Row far = rows_.ahead(row, kFar)) db::prefetch(far, 0, 64);
    if (const db::Row mid = rows_.ahead(row, kMid)) learn(mid);
    if (const db::Row near = rows_.ahead(row, kNear)) lookUp(near);
    Ahead& a = ring_[row.index() % kRing];
    if (a.index != row.index()) learn(row);
    return a;
  }

 private:
  static constexpr uint32_t kFar = 32, kMid = 16, kNear = 6, kRing = 32;
  static_assert(kRing > kMid && kMid > kNear);

  void learn(const db::Row& row) {
    Ahead& a = ring_[row.index() % kRing];
    a.index = row.index();
    a.ofBreed = row.live() && f_.breed(row) == breed_;
    a.linked = false;
    a.sire = CodeMap::kAbsent;
    if (!a.ofBreed) return;
    db::prefetch(row, 64, rows_.recordLength());
    if (const auto code = f_.fatherCode(row)) {
      a.linked = true;
      a.father = CodeMap::keyOf(*code);
      judge_.prefetch(a.father);
    }
  }

  void lookUp(const db::Row& row) {
    Ahead& a = ring_[row.index() % kRing];
    if (a.index != row.index() || !a.linked) return;
    a.sire = judge_.known(a.father);
    if (a.sire < 0) return;
    __builtin_prefetch(&e_.sires[size_t(a.sire)], 1);
    const float* block = e_.block(size_t(a.sire));
    const size_t length = e_.layout.everyDaughter();
    for (size_t b = 0; b < length; b += 16) __builtin_prefetch(block + b, 1);
    if (length) __builtin_prefetch(block + length - 1, 1);
  }

  const db::LiveRows& rows_;
  const CowFields& f_;
  const SireJudge& judge_;
  const SireEvaluation& e_;
  const long long breed_;
  Ahead ring_[kRing];
};

// Whether the value and its square (at most 2^24) are floats as they are. Then adding either to
// a float total in single precision gives the bits the widened addition gives: the double sum of
// two floats rounded back to float is their exact sum rounded once, since a double carries more
// than twice a float's digits plus two (so the second rounding never differs from a single one).
inline bool exactInFloat(long long v) { return v >= -4096 && v <= 4096; }

// t[k] += v[k] over arrays padded to a multiple of four, four at a time.
inline void addFours(float* __restrict t, const float* __restrict v, size_t n) {
  for (size_t k = 0; k < n; k += 4)
    for (size_t j = 0; j < 4; ++j) t[k + j] += v[k + j];
}

// The sums of a scan: the base's by shown linear trait, and the daughters' in their fathers'
// blocks.
class Totals {
 public:
  explicit Totals(SireEvaluation& e)
      : e_(e), baseSum_(e.layout.linearStride()), baseSumSq_(e.layout.linearStride()),
        values_(e.layout.linearStride()), squares_(e.layout.linearStride()), whole_(e.layout.linear) {}

  // Adds a cow of the breed to the base totals when she is in the base, and to her father's
  // totals when he is a sire of the run (`father` not negative).
  void add(const CowFields& f, const db::Row& row, bool inBase, int32_t father) {
    const TotalsLayout& l = e_.layout;
    bool exact = true;
    for (size_t k = 0; k < l.linear; ++k) {
      whole_[k] = f.linear[k](row);
      exact &= exactInFloat(whole_[k]);
    }
    if (!exact) return addInDouble(f, row, inBase, father);
    for (size_t k = 0; k < l.linear; ++k) {
      values_[k] = float(whole_[k]);
      squares_[k] = values_[k] * values_[k];
    }
    const size_t n = l.linearStride();  // the padding adds zeros
    if (inBase) {
      addFours(baseSum_.data(), values_.data(), n);
      addFours(baseSumSq_.data(), squares_.data(), n);
    }
    if (father < 0) return;
    float* block = e_.block(size_t(father));
    using L = TotalsLayout;
    addFours(block + l.linearAt(L::kSum, 0), values_.data(), n);
    addFours(block + l.linearAt(L::kSumSq, 0), squares_.data(), n);
    if (inBase && !l.baseIsEveryCow) {
      addFours(block + l.linearAt(L::kInBaseSum, 0), values_.data(), n);
      addFours(block + l.linearAt(L::kInBaseSumSq, 0), squares_.data(), n);
    }
    for (size_t k = 0; k < l.complex; ++k) {
      const long long v = f.complex[k](row);
      if (exactInFloat(v))
        block[l.complexAt(k)] += float(v);
      else
        addTo(block[l.complexAt(k)], double(v));
    }
    addDefects(f, row, block);
  }

  // Stores the base sums by catalogue position.
  void finish() {
    for (size_t k = 0; k < e_.layout.linear; ++k) {
      e_.baseSum[e_.shownLinear[k]] = baseSum_[k];
      e_.baseSumSq[e_.shownLinear[k]] = baseSumSq_[k];
    }
  }

 private:
  // The same sums for a row with a value too large for adding in single precision: each sum
  // is widened, added to and rounded once.
  void addInDouble(const CowFields& f, const db::Row& row, bool inBase, int32_t father) {
    using L = TotalsLayout;
    const TotalsLayout& l = e_.layout;
    float* block = father < 0 ? nullptr : e_.block(size_t(father));
    for (size_t k = 0; k < l.linear; ++k) {
      const double v = double(whole_[k]);
      if (inBase) {
        addTo(baseSum_[k], v);
        addTo(baseSumSq_[k], v * v);
      }
      if (!block) continue;
      addTo(block[l.linearAt(L::kSum, k)], v);
      addTo(block[l.linearAt(L::kSumSq, k)], v * v);
      if (inBase && !l.baseIsEveryCow) {
        addTo(block[l.linearAt(L::kInBaseSum, k)], v);
        addTo(block[l.linearAt(L::kInBaseSumSq, k)], v * v);
      }
    }
    if (!block) return;
    for (size_t k = 0; k < l.complex; ++k) addTo(block[l.complexAt(k)], double(f.complex[k](row)));
    addDefects(f, row, block);
  }

  void addDefects(const CowFields& f, const db::Row& row, float* block) {
    const TotalsLayout& l = e_.layout;
    f.defects.forEachMarked(row, [&](uint32_t k, bool strong) {
      block[l.markedAt(k)] += 1;
      if (strong) block[l.strongAt(k)] += 1;
    });
  }

  SireEvaluation& e_;
  std::vector<float> baseSum_, baseSumSq_;  // by shown linear trait, padded
  std::vector<float> values_, squares_;     // the row's linear values, padded with zeros
  std::vector<long long> whole_;            // the same as read
};

}  // namespace

SireEvaluation scanSires(HerdTables& dm, const EvaluationRequest& request, const ScanProgress& progress) {
  for (db::Table* t : {&dm.bik, &dm.vlad, &dm.region, &dm.xarakt, &dm.poroda, &dm.korova})
    if (!t->isOpen()) t->open();
  db::Table& korova = dm.korova;
  korova.setFiltered(false);
  korova.first();

  SireEvaluation e;
  e.request = request;
  e.linearRows = catalogueRows(dm.xarakt, TraitKind::Linear, &korova);
  e.defectRows = catalogueRows(dm.xarakt, TraitKind::Defect, &korova);
  e.complexRows = catalogueRows(dm.xarakt, TraitKind::Complex, &korova);
  e.prepareTotals();

  const db::DbfFile& file = korova.file();
  const CowFields f(file, e);
  SireJudge judge(dm, e, file.codepage());
  Totals totals(e);

  const db::LiveRows rows(file);
  LookAhead ahead(rows, f, judge, e, request.breed);
  const uint32_t count = rows.recordCount();
  constexpr uint32_t kProgressStep = 1u << 16;
  uint32_t nextReport = 0;
  for (const db::Row row : rows) {
    if (progress && row.index() >= nextReport) {
      progress(row.index(), count);
      nextReport = row.index() + kProgressStep;
    }
    const Ahead& a = ahead.next(row);
    if (!a.ofBreed) continue;

    // The sire slot, when the row's father is a sire of the run.
    const int32_t father = !a.linked ? -1 : a.sire != CodeMap::kAbsent ? a.sire : judge.sireOf(a.father);
    const bool inBase = e.layout.baseIsEveryCow || inComparisonBase(request, f.region(row), f.farm(row));
    if (!inBase && father < 0) continue;

    if (inBase) ++e.baseCount;
    if (father >= 0) {
      SireTotals& sire = e.sires[size_t(father)];
      ++sire.daughters;
      if (inBase) ++sire.daughtersInBase;
    }
    totals.add(f, row, inBase, father);
  }
  totals.finish();

  // The bulls were looked up without moving BIK's cursor; BIK is left as the last lookup by
  // filter leaves it.
  if (!e.lastLookedUp.isEmpty()) evaluation::filterBullsOn(dm.bik, e.lastLookedUp);
  if (progress) progress(count, count);
  return e;
}

}  // namespace korvel
