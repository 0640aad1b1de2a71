#include "evaluation/sire_statistics.h"

#include "db/data_module.h"
#include "db/text.h"
#include "evaluation/code_map.h"
#include "evaluation/raw_fields.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace korvel {

using evaluation::CodeMap;
using evaluation::WholeField;

namespace {

// A variance below this counts as no spread at all.
constexpr double kZeroSpread = 0.000001;

// Single-precision storage of a value computed in double.
inline void addTo(float& total, double v) { total = float(double(total) + v); }

struct PositionField {
  size_t position;  // catalogue position - 1
  WholeField value;
};

struct DefectField {
  size_t position;
  int offset;
  int width;
};

// Whether the field's bytes contain "+" and "++".
inline void defectMarks(const char* p, int width, bool& marked, bool& strong) {
  if (width == 2) {  // the usual field: blank, "+", " +", "++"
    marked = p[0] == '+' || p[1] == '+';
    strong = p[0] == '+' && p[1] == '+';
    return;
  }
  marked = strong = false;
  for (int i = 0; i < width; ++i) {
    if (p[i] != '+') continue;
    marked = true;
    if (i + 1 < width && p[i + 1] == '+') {
      strong = true;
      return;
    }
  }
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
  stride = 4 * shownLinear.size() + 2 * shownDefects.size() + shownComplex.size();
  totals.assign(sires.size() * stride, 0.0f);
  baseSum.assign(linearRows.size(), 0.0f);
  baseSumSq.assign(linearRows.size(), 0.0f);
}

SireFigures SireEvaluation::figures(int i) const {
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
    const float* l = b + 4 * k;
    f.linear[j] = linearFigure(n, l[0], l[1], nc, baseSum[j], l[2], baseSumSq[j], l[3]);
  }
  const float* marks = b + 4 * shownLinear.size();
  f.defects.resize(defectRows.size());
  for (size_t k = 0; k < shownDefects.size() && n > 0; ++k) {
    DefectFigure& d = f.defects[shownDefects[k]];
    d.marked = float(double(marks[2 * k]) / n * 100);
    d.strong = float(double(marks[2 * k + 1]) / n * 100);
  }
  const float* sums = marks + 2 * shownDefects.size();
  f.complexMeans.resize(complexRows.size());
  for (size_t k = 0; k < shownComplex.size() && n > 0; ++k) {
    const size_t m = shownComplex[k];
    f.complexMeans[m] = float(double(sums[k]) / n);
    addTo(f.overall, complexRows[m].koef * f.complexMeans[m]);
  }
  return f;
}

EvaluationRun::EvaluationRun(TDataModule5& dm) : dm_(dm) {
  dm_.cowRefreshSuppressed = true;
  dm_.bullRefreshSuppressed = true;
  for (db::DataSource* s : {&dm_.DataSource1, &dm_.DataSource2, &dm_.DataSource3, &dm_.DataSource4, &dm_.DataSource5})
    s->setEnabled(false);
}

EvaluationRun::~EvaluationRun() {
  dm_.cowRefreshSuppressed = false;
  dm_.bullRefreshSuppressed = false;
  for (db::DataSource* s : {&dm_.DataSource1, &dm_.DataSource2, &dm_.DataSource3, &dm_.DataSource4, &dm_.DataSource5})
    s->setEnabled(true);
}

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
  const QString table = korova.tableName();
  const auto whole = [&](QStringView name) { return WholeField(file, korova.fieldIndex(name), table); };
  const WholeField kodporod = whole(u"kodporod");
  const WholeField kodreg = whole(u"kodreg");
  const WholeField kodvlad = whole(u"kodvlad");
  const db::FieldDef basekod = file.fields()[size_t(korova.fieldIndex(u"basekod"))];
  const db::FieldDef kodbyk = file.fields()[size_t(korova.fieldIndex(u"kodbyk"))];
  const db::Codepage cp = file.codepage();

  std::vector<PositionField> linear;
  for (size_t j : e.shownLinear) linear.push_back({j, whole(e.linearRows[j].id)});
  std::vector<DefectField> defects;
  for (size_t k : e.shownDefects) {
    const db::FieldDef& f = file.fields()[size_t(korova.fieldIndex(e.defectRows[k].id))];
    defects.push_back({k, f.offset, f.width});
  }
  std::vector<PositionField> complex;
  for (size_t m : e.shownComplex) complex.push_back({m, whole(e.complexRows[m].id)});

  // The base predicate needs the codes only when a region is chosen or archives are left out.
  const bool baseNeedsCodes = request.baseRegion != 0 || !request.baseWithArchives;
  CodeMap judged;
  std::unique_ptr<evaluation::BullRows> bulls;  // built at the first lookup
  WholeField bullRegion, bullFarm;

  const size_t nl = linear.size(), nd = defects.size(), nx = complex.size();
  const size_t stride = e.stride;
  std::vector<float>& blocks = e.totals;

  // Judges a father code met for the first time; returns the new sire's slot or kRefused.
  const auto judge = [&](std::string_view bytes) -> int32_t {
    const QString code = db::decode(bytes.data(), qsizetype(bytes.size()), cp);
    bool admit = false;
    switch (judgeWithoutLookup(request, code)) {
      case BullJudgement::Admit: admit = true; break;
      case BullJudgement::Refuse: admit = false; break;
      case BullJudgement::LookUp: {
        if (!bulls) {
          bulls = std::make_unique<evaluation::BullRows>(dm.bik);
          bullRegion = WholeField(dm.bik.file(), dm.bik.fieldIndex(u"kodreg"), dm.bik.tableName());
          bullFarm = WholeField(dm.bik.file(), dm.bik.fieldIndex(u"kodvlad"), dm.bik.tableName());
        }
        e.lastLookedUp = code;
        const char* row = bulls->find(code);
        admit = row && bullAdmitted(request, bullRegion(row), bullFarm(row));
        break;
      }
    }
    if (!admit) {
      judged.insert(bytes, CodeMap::kRefused);
      ++e.refusedCodes;
      return CodeMap::kRefused;
    }
    const auto slot = int32_t(e.sires.size());
    e.sires.push_back({code, 0, 0});
    blocks.resize(blocks.size() + stride, 0.0f);
    judged.insert(bytes, slot);
    return slot;
  };

  std::vector<double> values(nl);
  const uint32_t count = file.recordCount();
  constexpr uint32_t kProgressStep = 1u << 16;
  // The memory's latency is hidden by asking for records ahead of the one read: the first
  // lines of each record far ahead; for a row of the breed, nearer ahead, the rest of the
  // record and the father code's place in the map; nearer still his totals.
  constexpr uint32_t kFar = 24, kMid = 12, kNear = 4;
  const int recordLength = file.recordLength();
  const auto fatherCode = [&](const char* rec, std::string_view& code) {
    const std::string_view link = evaluation::trimmedBytes(rec, basekod);
    if (link.size() != 1 || link[0] != '+') return false;
    code = evaluation::trimmedBytes(rec, kodbyk);
    if (code.size() > size_t(CodeMap::kMaxKey)) code = code.substr(0, CodeMap::kMaxKey);
    return true;
  };
  for (uint32_t i = 0; i < count; ++i) {
    if (progress && i % kProgressStep == 0) progress(i, count);
    const char* rec = file.record(i);
    if (i + kFar < count) {
      const char* far = file.record(i + kFar);
      __builtin_prefetch(far);
      __builtin_prefetch(far + 63);
    }
    if (i + kMid < count) {
      const char* mid = file.record(i + kMid);
      if (mid[0] != '*' && kodporod(mid) == request.breed) {
        for (int offset = 127; offset < recordLength + 63; offset += 64)
          __builtin_prefetch(mid + std::min(offset, recordLength - 1));
        std::string_view code;
        if (fatherCode(mid, code)) judged.prefetch(code);
      }
    }
    if (i + kNear < count) {
      const char* near = file.record(i + kNear);
      std::string_view code;
      if (near[0] != '*' && kodporod(near) == request.breed && fatherCode(near, code)) {
        const int32_t slot = judged.find(code);
        if (slot >= 0) {
          const float* block = blocks.data() + size_t(slot) * stride;
          for (size_t b = 0; b < stride; b += 16) __builtin_prefetch(block + b, 1);
        }
      }
    }
    if (rec[0] == '*') continue;
    if (kodporod(rec) != request.breed) continue;

    // The father, when the row carries the link "+" and his code is in the set.
    int32_t father = -1;
    std::string_view code;
    if (fatherCode(rec, code)) {
      int32_t slot = judged.find(code);
      if (slot == CodeMap::kAbsent) slot = judge(code);
      father = slot;
    }
    float* block = father >= 0 ? blocks.data() + size_t(father) * stride : nullptr;
    const bool inBase = !baseNeedsCodes || inComparisonBase(request, kodreg(rec), kodvlad(rec));
    if (!inBase && !block) continue;

    if (inBase) ++e.baseCount;
    if (block) {
      SireTotals& sire = e.sires[size_t(father)];
      ++sire.daughters;
      if (inBase) ++sire.daughtersInBase;
    }

    for (size_t k = 0; k < nl; ++k) values[k] = double(linear[k].value(rec));
    if (inBase) {
      for (size_t k = 0; k < nl; ++k) {
        const size_t j = linear[k].position;
        addTo(e.baseSum[j], values[k]);
        addTo(e.baseSumSq[j], values[k] * values[k]);
      }
    }
    if (!block) continue;
    for (size_t k = 0; k < nl; ++k) {
      float* t = block + 4 * k;
      const double v = values[k];
      addTo(t[0], v);
      addTo(t[1], v * v);
      if (inBase) {
        addTo(t[2], v);
        addTo(t[3], v * v);
      }
    }
    float* marks = block + 4 * nl;
    for (size_t k = 0; k < nd; ++k) {
      bool marked, strong;
      defectMarks(rec + defects[k].offset, defects[k].width, marked, strong);
      if (marked) addTo(marks[2 * k], 1);
      if (strong) addTo(marks[2 * k + 1], 1);
    }
    float* sums = marks + 2 * nd;
    for (size_t k = 0; k < nx; ++k) addTo(sums[k], double(complex[k].value(rec)));
  }

  // The bulls were looked up without moving BIK's cursor; BIK is left as the last lookup by
  // filter leaves it.
  if (!e.lastLookedUp.isEmpty()) evaluation::filterBullsOn(dm.bik, e.lastLookedUp);
  if (progress) progress(count, count);
  return e;
}

}  // namespace korvel
