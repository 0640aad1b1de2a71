#include "evaluation/sire_statistics.h"

#include "cows/father_link.h"
#include "db/data_module.h"
#include "db/rows.h"
#include "db/text.h"
#include "evaluation/bull_lookup.h"
#include "evaluation/code_map.h"

#include <cmath>
#include <optional>

namespace korvel {

using evaluation::CodeMap;

namespace {

// A variance below this counts as no spread at all.
constexpr double kZeroSpread = 0.000001;

// Single-precision storage of a value computed in double.
inline void addTo(float& total, double v) { total = float(double(total) + v); }

// Whether a defect field's bytes contain "+" and "++".
inline void defectMarks(std::string_view p, bool& marked, bool& strong) {
  if (p.size() == 2) {  // the usual field: blank, "+", " +", "++"
    marked = p[0] == '+' || p[1] == '+';
    strong = p[0] == '+' && p[1] == '+';
    return;
  }
  marked = p.find('+') != std::string_view::npos;
  strong = p.find("++") != std::string_view::npos;
}

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
  layout = TotalsLayout{shownLinear.size(), shownDefects.size(), shownComplex.size()};
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
    const float* l = b + layout.linearAt(k);
    f.linear[j] = linearFigure(n, l[L::kSum], l[L::kSumSq], nc, baseSum[j], l[L::kInBaseSum], baseSumSq[j],
                               l[L::kInBaseSumSq]);
  }
  f.defects.resize(defectRows.size());
  for (size_t k = 0; k < shownDefects.size() && n > 0; ++k) {
    const float* marks = b + layout.defectAt(k);
    DefectFigure& d = f.defects[shownDefects[k]];
    d.marked = float(double(marks[L::kMarked]) / n * 100);
    d.strong = float(double(marks[L::kStrong]) / n * 100);
  }
  f.complexMeans.resize(complexRows.size());
  for (size_t k = 0; k < shownComplex.size() && n > 0; ++k) {
    const size_t m = shownComplex[k];
    f.complexMeans[m] = float(double(b[layout.complexAt(k)]) / n);
    addTo(f.overall, complexRows[m].koef * f.complexMeans[m]);
  }
  return f;
}

EvaluationRun::EvaluationRun(TDataModule5& dm)
    : freeze_({&dm.DataSource1, &dm.DataSource2, &dm.DataSource3, &dm.DataSource4, &dm.DataSource5},
              {&dm.cowRefreshSuppressed, &dm.bullRefreshSuppressed}) {}

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

// The KOROVA fields the scan reads, bound once by name.
struct CowFields {
  CowFields(const db::DbfFile& korova, const SireEvaluation& e)
      : breed(korova, u"kodporod"), region(korova, u"kodreg"), farm(korova, u"kodvlad"),
        link(korova) {
    for (size_t j : e.shownLinear) linear.emplace_back(korova, e.linearRows[j].id);
    for (size_t k : e.shownDefects) defects.emplace_back(korova, e.defectRows[k].id);
    for (size_t m : e.shownComplex) complex.emplace_back(korova, e.complexRows[m].id);
  }

  // The father code as the cows store it, cut to the map's keys.
  std::optional<std::string_view> fatherCode(const db::Row& row) const { return link.codeCut(row); }
  static_assert(FatherLink::kCutTo == CodeMap::kMaxKey);

  db::WholeView breed, region, farm;
  FatherLink link;
  std::vector<db::WholeView> linear;   // by shown linear trait
  std::vector<db::BytesView> defects;  // by shown defect
  std::vector<db::WholeView> complex;  // by shown complex trait
};

// Judges each father code once: the first time it is met it is admitted as a sire or refused
// by the request (looking the bull up in BIK where the request needs it); later rows find the
// decision in a hash map.
class SireJudge {
 public:
  SireJudge(TDataModule5& dm, SireEvaluation& e, db::Codepage cp) : dm_(dm), e_(e), cp_(cp) {}

  // The slot of the code's sire, or a negative number when the code is refused.
  int32_t sireOf(std::string_view code) {
    const int32_t slot = judged_.find(code);
    return slot == CodeMap::kAbsent ? judge(code) : slot;
  }
  // The slot of a code already judged, else a negative number; judges nothing.
  int32_t known(std::string_view code) const { return judged_.find(code); }
  void prefetch(std::string_view code) const { judged_.prefetch(code); }

 private:
  int32_t judge(std::string_view bytes) {
    const QString code = db::decode(bytes.data(), qsizetype(bytes.size()), cp_);
    bool admit = false;
    switch (judgeWithoutLookup(e_.request, code)) {
      case BullJudgement::Admit: admit = true; break;
      case BullJudgement::Refuse: admit = false; break;
      case BullJudgement::LookUp: admit = admittedInBik(code); break;
    }
    const int32_t slot = admit ? e_.admit(code) : CodeMap::kRefused;
    if (!admit) ++e_.refusedCodes;
    judged_.insert(bytes, slot);
    return slot;
  }

  bool admittedInBik(const QString& code) {
    if (!bulls_) {  // built at the first lookup
      bulls_.emplace(dm_.bik);
      bullRegion_ = db::WholeView(bulls_->file(), u"kodreg");
      bullFarm_ = db::WholeView(bulls_->file(), u"kodvlad");
    }
    e_.lastLookedUp = code;
    const db::Row bull = bulls_->find(code).row();
    return bull && bullAdmitted(e_.request, bullRegion_(bull), bullFarm_(bull));
  }

  TDataModule5& dm_;
  SireEvaluation& e_;
  db::Codepage cp_;
  CodeMap judged_;
  std::optional<evaluation::BullRows> bulls_;
  db::WholeView bullRegion_, bullFarm_;
};

// The memory's latency is hidden by asking for records ahead of the one read: the first lines
// of each record far ahead; for a row of the breed nearer ahead, the rest of the record and
// the father code's place in the map; nearer still, his totals.
void prefetchAhead(const db::LiveRows& rows, const db::Row& row, const CowFields& f, long long breed,
                   const SireJudge& judge, const SireEvaluation& e) {
  constexpr uint32_t kFar = 24, kMid = 12, kNear = 4;
  if (const db::Row far = rows.ahead(row, kFar)) db::prefetch(far, 0, 64);
  const auto ofBreed = [&](const db::Row& r) { return r && r.live() && f.breed(r) == breed; };
  if (const db::Row mid = rows.ahead(row, kMid); ofBreed(mid)) {
    db::prefetch(mid, 127, rows.recordLength());
    if (const auto code = f.fatherCode(mid)) judge.prefetch(*code);
  }
  if (const db::Row near = rows.ahead(row, kNear); ofBreed(near)) {
    if (const auto code = f.fatherCode(near)) {
      const int32_t slot = judge.known(*code);
      if (slot >= 0) {
        const float* block = e.block(size_t(slot));
        for (size_t b = 0; b < e.layout.stride(); b += 16) __builtin_prefetch(block + b, 1);
      }
    }
  }
}

// Adds a cow of the breed to the base totals when she is in the base, and to her father's
// totals when he is a sire of the run (`block` not null).
void addCow(SireEvaluation& e, const CowFields& f, const db::Row& row, bool inBase, float* block,
            std::vector<double>& values) {
  using L = TotalsLayout;
  const TotalsLayout& layout = e.layout;
  for (size_t k = 0; k < layout.linear; ++k) values[k] = double(f.linear[k](row));
  if (inBase) {
    for (size_t k = 0; k < layout.linear; ++k) {
      const size_t j = e.shownLinear[k];
      addTo(e.baseSum[j], values[k]);
      addTo(e.baseSumSq[j], values[k] * values[k]);
    }
  }
  if (!block) return;
  for (size_t k = 0; k < layout.linear; ++k) {
    float* t = block + layout.linearAt(k);
    const double v = values[k];
    addTo(t[L::kSum], v);
    addTo(t[L::kSumSq], v * v);
    if (inBase) {
      addTo(t[L::kInBaseSum], v);
      addTo(t[L::kInBaseSumSq], v * v);
    }
  }
  for (size_t k = 0; k < layout.defects; ++k) {
    bool marked, strong;
    defectMarks(f.defects[k](row), marked, strong);
    float* marks = block + layout.defectAt(k);
    if (marked) addTo(marks[L::kMarked], 1);
    if (strong) addTo(marks[L::kStrong], 1);
  }
  for (size_t k = 0; k < layout.complex; ++k) addTo(block[layout.complexAt(k)], double(f.complex[k](row)));
}

}  // namespace

SireEvaluation scanSires(TDataModule5& dm, const EvaluationRequest& request, const ScanProgress& progress) {
  for (db::Table* t : {&dm.bik, &dm.vlad2, &dm.Table1, &dm.xarakt, &dm.poroda, &dm.korova})
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
  // The base predicate needs the codes only when a region is chosen or archives are left out.
  const bool baseNeedsCodes = request.baseRegion != 0 || !request.baseWithArchives;
  std::vector<double> values(e.layout.linear);

  const db::LiveRows rows(file);
  const uint32_t count = rows.recordCount();
  constexpr uint32_t kProgressStep = 1u << 16;
  uint32_t nextReport = 0;
  for (const db::Row row : rows) {
    if (progress && row.index() >= nextReport) {
      progress(row.index(), count);
      nextReport = row.index() + kProgressStep;
    }
    prefetchAhead(rows, row, f, request.breed, judge, e);
    if (f.breed(row) != request.breed) continue;

    int32_t father = -1;  // the sire slot, when the row's father is a sire of the run
    if (const auto code = f.fatherCode(row)) father = judge.sireOf(*code);
    const bool inBase = !baseNeedsCodes || inComparisonBase(request, f.region(row), f.farm(row));
    if (!inBase && father < 0) continue;

    if (inBase) ++e.baseCount;
    if (father >= 0) {
      SireTotals& sire = e.sires[size_t(father)];
      ++sire.daughters;
      if (inBase) ++sire.daughtersInBase;
    }
    addCow(e, f, row, inBase, father >= 0 ? e.block(size_t(father)) : nullptr, values);
  }

  // The bulls were looked up without moving BIK's cursor; BIK is left as the last lookup by
  // filter leaves it.
  if (!e.lastLookedUp.isEmpty()) evaluation::filterBullsOn(dm.bik, e.lastLookedUp);
  if (progress) progress(count, count);
  return e;
}

}  // namespace korvel
