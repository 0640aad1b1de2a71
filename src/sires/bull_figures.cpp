#include "sires/bull_figures.h"

#include "db/data_module.h"
#include "db/field_value.h"
#include "db/protected_scan.h"
#include "db/table_error.h"

#include <cmath>
#include <unordered_map>

namespace korvel {
namespace {

const db::FieldDef* fieldOf(const db::DbfFile& file, const QString& table, const QString& name) {
  const int i = file.fieldIndex(name);
  if (i < 0) throw db::TableError(QStringLiteral("Таблица %1: поле «%2» не найдено.").arg(table, name));
  return &file.fields()[size_t(i)];
}

bool blankBytes(const char* p, int n) {
  for (int i = 0; i < n; ++i)
    if (p[i] != ' ' && p[i] != '\0') return false;
  return true;
}

long long roundEven(double v) { return static_cast<long long>(std::nearbyint(v)); }

// A trait value as the table layer reads a whole number: nothing when the field's text is
// empty; a text that is no number is the layer's conversion error.
std::optional<long long> wholeValue(const CowTraitFields& f, const db::FieldDef& d, const char* rec) {
  const char* p = rec + d.offset;
  if (d.type == 'N' || d.type == 'F') {
    if (blankBytes(p, d.width)) return std::nullopt;
    bool ok = false;
    const double v = db::numericValue(p, d.width, &ok);
    if (ok) return roundEven(v);
  } else if (d.type == 'C') {
    if (blankBytes(p, d.width)) return std::nullopt;
    if (const auto v = db::parseWhole(p, d.width)) return *v;
    throw db::TableError(QStringLiteral("Таблица %1: «%2» не является целым числом (поле %3).")
                             .arg(f.table, db::fieldText(d, rec, f.file->codepage()), d.name));
  } else {
    if (db::fieldText(d, rec, f.file->codepage()).isEmpty()) return std::nullopt;
    if (const auto v = db::fieldNumber(d, rec, f.file->codepage())) return roundEven(*v);
  }
  throw db::TableError(QStringLiteral("Таблица %1: «%2» не является числом (поле %3).")
                           .arg(f.table, db::fieldText(d, rec, f.file->codepage()), d.name));
}

enum class Mark { None, Any, Strong };

// The defect mark of a cow: her text trimmed of blanks at both ends; "++" is the strong form.
Mark markOf(const CowTraitFields& f, const db::FieldDef& d, const char* rec) {
  const char* p = rec + d.offset;
  if (d.type == 'C') {
    // Plain ASCII needs no decoding; anything else goes the long way so that trimming follows
    // the text rules exactly.
    bool plain = true;
    for (int i = 0; i < d.width && plain; ++i) plain = p[i] == ' ' || (p[i] > ' ' && p[i] < 0x7f);
    if (plain) {
      int b = 0, e = d.width;
      while (b < e && p[b] == ' ') ++b;
      while (e > b && p[e - 1] == ' ') --e;
      if (b == e) return Mark::None;
      return (e - b == 2 && p[b] == '+' && p[b + 1] == '+') ? Mark::Strong : Mark::Any;
    }
  }
  const QString t = db::fieldText(d, rec, f.file->codepage()).trimmed();
  if (t.isEmpty()) return Mark::None;
  return t == QLatin1String("++") ? Mark::Strong : Mark::Any;
}

}  // namespace

double packDefectShare(int p, int q) { return double(p) + double(q) / 1000.0; }

std::pair<int, int> unpackDefectShare(double value) {
  const double p = std::nearbyint(value);
  const double q = std::nearbyint((value - p) * 1000.0);
  return {int(p), int(q)};
}

CowTraitFields::CowTraitFields(const db::DbfFile& korova) : file(&korova), table(QStringLiteral("KOROVA")) {
  basekod = fieldOf(korova, table, QStringLiteral("basekod"));
  kodbyk = fieldOf(korova, table, QStringLiteral("kodbyk"));
  for (int i = 0; i < kLinearTraits; ++i) linear[size_t(i)] = fieldOf(korova, table, QStringLiteral("x%1").arg(i + 1));
  for (int i = 0; i < kDefectTraits; ++i) defect[size_t(i)] = fieldOf(korova, table, QStringLiteral("xx%1").arg(i + 1));
  for (int i = 0; i < kComplexTraits; ++i)
    complex[size_t(i)] = fieldOf(korova, table, QStringLiteral("xxx%1").arg(i + 1));
}

std::optional<long long> CowTraitFields::fatherCode(const char* rec) const {
  const char* b = rec + basekod->offset;
  if (basekod->type == 'C') {
    // Exactly "+" as stored: a leading blank makes it another text.
    if (b[0] != '+' || !blankBytes(b + 1, basekod->width - 1)) return std::nullopt;
  } else if (db::fieldText(*basekod, rec, file->codepage()) != QLatin1String("+")) {
    return std::nullopt;
  }
  if (kodbyk->type == 'C') return db::parseWhole(rec + kodbyk->offset, kodbyk->width);
  const auto v = db::fieldNumber(*kodbyk, rec, file->codepage());
  if (!v) return std::nullopt;
  return roundEven(*v);
}

bool CowTraitFields::fatherIs(const char* rec, long long code) const {
  if (basekod->type != 'C' || kodbyk->type != 'C') {
    const auto f = fatherCode(rec);
    return f && *f == code;
  }
  const char* b = rec + basekod->offset;
  if (b[0] != '+' || !blankBytes(b + 1, basekod->width - 1)) return false;
  // The whole-number reading of KODBYK, stopped as soon as its digits differ from the code:
  // a text that goes on with anything but blanks is no number and no father either.
  const char* p = rec + kodbyk->offset;
  const int n = kodbyk->width;
  int i = 0;
  while (i < n && (p[i] == ' ' || p[i] == '\0')) ++i;
  if (i == n) return false;
  bool neg = false;
  if (p[i] == '-' || p[i] == '+') {
    neg = p[i] == '-';
    ++i;
  }
  const int start = i;
  long long v = 0;
  for (; i < n && p[i] >= '0' && p[i] <= '9'; ++i) {
    if (i - start == 18) return false;
    v = v * 10 + (p[i] - '0');
  }
  if (i == start || (neg ? -v : v) != code) return false;
  return blankBytes(p + i, n - i);
}

bool CowTraitFields::hasFatherText(const char* rec, const QString& code) const {
  if (db::fieldText(*basekod, rec, file->codepage()) != QLatin1String("+")) return false;
  return db::fieldText(*kodbyk, rec, file->codepage()) == code;
}

void DaughterTally::add(const CowTraitFields& f, const char* rec) {
  // Every sum is formed in double and kept in single precision.
  n_ = float(double(n_) + 1.0);
  for (int i = 0; i < kLinearTraits; ++i)
    if (const auto v = wholeValue(f, *f.linear[size_t(i)], rec)) linear_[size_t(i)] = float(double(linear_[size_t(i)]) + double(*v));
  for (int i = 0; i < kDefectTraits; ++i) {
    const Mark m = markOf(f, *f.defect[size_t(i)], rec);
    if (m == Mark::None) continue;
    any_[size_t(i)] = float(double(any_[size_t(i)]) + 1.0);
    if (m == Mark::Strong) strong_[size_t(i)] = float(double(strong_[size_t(i)]) + 1.0);
  }
  for (int i = 0; i < kComplexTraits; ++i)
    if (const auto v = wholeValue(f, *f.complex[size_t(i)], rec))
      complex_[size_t(i)] = float(double(complex_[size_t(i)]) + double(*v));
}

float DaughterTally::linearMean(int i) const {
  return n_ > 0 ? float(double(linear_[size_t(i)]) / double(n_)) : 0.0f;
}

float DaughterTally::complexMean(int i) const {
  return n_ > 0 ? float(double(complex_[size_t(i)]) / double(n_)) : 0.0f;
}

double DaughterTally::defectShare(int i) const {
  if (!(n_ > 0)) return packDefectShare(0, 0);
  const float any = float(double(any_[size_t(i)]) / double(n_) * 100.0);
  const float strong = float(double(strong_[size_t(i)]) / double(n_) * 100.0);
  return packDefectShare(int(std::nearbyint(any)), int(std::nearbyint(strong)));
}

namespace {

// The BIK fields the figures go to, bound before the record is touched: a missing one leaves
// it unwritten.
struct BullFigureFields {
  explicit BullFigureFields(db::Table& bik) {
    for (int i = 0; i < kLinearTraits; ++i) x[size_t(i)] = bik.fieldIndex(QStringLiteral("x%1").arg(i + 1));
    for (int i = 0; i < kDefectTraits; ++i) xx[size_t(i)] = bik.fieldIndex(QStringLiteral("xx%1").arg(i + 1));
    for (int i = 0; i < kComplexTraits; ++i) xxx[size_t(i)] = bik.fieldIndex(QStringLiteral("xxx%1").arg(i + 1));
    kolkorov = bik.fieldIndex(u"kolkorov");
  }
  std::array<int, kLinearTraits> x{};
  std::array<int, kDefectTraits> xx{};
  std::array<int, kComplexTraits> xxx{};
  int kolkorov = 0;
};

void writeFigures(db::Table& bik, const BullFigureFields& f, const DaughterTally& t) {
  bik.edit();
  try {
    for (int i = 0; i < kLinearTraits; ++i) db::Field(bik, f.x[size_t(i)]).setFloat(double(t.linearMean(i)));
    for (int i = 0; i < kDefectTraits; ++i) db::Field(bik, f.xx[size_t(i)]).setFloat(t.defectShare(i));
    for (int i = 0; i < kComplexTraits; ++i) db::Field(bik, f.xxx[size_t(i)]).setFloat(double(t.complexMean(i)));
    db::Field(bik, f.kolkorov).setInteger(t.count());
  } catch (...) {
    bik.cancel();
    throw;
  }
  bik.post();
}

}  // namespace

void writeBullFigures(db::Table& bik, const DaughterTally& t) { writeFigures(bik, BullFigureFields(bik), t); }

void recomputeBullFigures(TDataModule5& dm) {
  db::Table& bik = dm.bik;
  if (!bik.isOpen() || !bik.currentRecord()) return;
  const long long k = bik.fieldByName(u"kodbyk").asInteger();
  DaughterTally tally;
  {
    db::ProtectedScan scan(dm.korova, dm.DataSource3, &dm.cowRefreshSuppressed, db::ProtectedScan::Record::Restore);
    const db::DbfFile& file = dm.korova.file();
    const CowTraitFields fields(file);
    const uint32_t count = file.recordCount();
    const int len = file.recordLength();
    const char* rec = count ? file.record(0) : nullptr;
    for (uint32_t i = 0; i < count; ++i, rec += len) {
      if (rec[0] == '*') continue;
      if (fields.fatherIs(rec, k)) tally.add(fields, rec);
    }
  }
  writeBullFigures(bik, tally);
}

std::vector<RecomputedBull> recomputeEveryLiveBull(TDataModule5& dm) {
  // One pass over the cows gathers every father's tally; the bulls then take theirs.
  std::unordered_map<long long, DaughterTally> tallies;
  {
    db::ProtectedScan scan(dm.korova, dm.DataSource3, &dm.cowRefreshSuppressed, db::ProtectedScan::Record::Restore);
    const db::DbfFile& file = dm.korova.file();
    const CowTraitFields fields(file);
    for (uint32_t i = 0; i < file.recordCount(); ++i) {
      const char* rec = file.record(i);
      if (rec[0] == '*') continue;
      if (const auto father = fields.fatherCode(rec)) tallies[*father].add(fields, rec);
    }
  }
  std::vector<RecomputedBull> out;
  db::Table& bik = dm.bik;
  db::ProtectedScan scan(bik, dm.DataSource5, &dm.bullRefreshSuppressed, db::ProtectedScan::Record::Restore);
  const DaughterTally none;
  const BullFigureFields figureFields(bik);
  for (; !bik.eof(); bik.next()) {
    if (bik.fieldByName(u"kodreg").asInteger() == 0) continue;
    RecomputedBull b;
    b.code = bik.fieldByName(u"kodbyk").asString();
    b.name = bik.fieldByName(u"nokli").asString();
    long long k = 0;
    try {
      k = bik.fieldByName(u"kodbyk").asInteger();
    } catch (const db::TableError& e) {
      b.error = e.text();
      out.push_back(b);
      continue;
    }
    const auto it = tallies.find(k);
    const DaughterTally& t = it != tallies.end() ? it->second : none;
    writeFigures(bik, figureFields, t);
    b.daughters = t.count();
    out.push_back(b);
  }
  return out;
}

}  // namespace korvel
