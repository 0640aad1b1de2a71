#include "sires/bull_figures.h"

#include "db/data_module.h"
#include "db/field_value.h"
#include "db/protected_scan.h"
#include "db/schema.h"
#include "db/table_error.h"

#include <cmath>
#include <unordered_map>

namespace korvel {
namespace {

// The defect mark of a cow: her text trimmed of blanks at both ends; "++" is the strong form.
enum class Mark { None, Any, Strong };

Mark markOf(const CowTraitFields& f, int i, const db::Row& row) {
  if (f.defect[size_t(i)].def().type == 'C') {
    // Plain ASCII needs no decoding; anything else goes the long way so that trimming follows
    // the text rules exactly.
    const std::string_view p = f.defect[size_t(i)](row);
    bool plain = true;
    for (size_t k = 0; k < p.size() && plain; ++k) plain = p[k] == ' ' || (p[k] > ' ' && p[k] < 0x7f);
    if (plain) {
      size_t b = 0, e = p.size();
      while (b < e && p[b] == ' ') ++b;
      while (e > b && p[e - 1] == ' ') --e;
      if (b == e) return Mark::None;
      return (e - b == 2 && p[b] == '+' && p[b + 1] == '+') ? Mark::Strong : Mark::Any;
    }
  }
  const QString t = f.defectText[size_t(i)](row).trimmed();
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

CowTraitFields::CowTraitFields(const db::DbfFile& korova) : father(korova) {
  for (int i = 0; i < kLinearTraits; ++i) linear[size_t(i)] = db::WholeView(korova, QStringLiteral("x%1").arg(i + 1));
  for (int i = 0; i < kDefectTraits; ++i) {
    defect[size_t(i)] = db::BytesView(korova, QStringLiteral("xx%1").arg(i + 1));
    defectText[size_t(i)] = db::TextView(korova, QStringLiteral("xx%1").arg(i + 1));
  }
  for (int i = 0; i < kComplexTraits; ++i) complex[size_t(i)] = db::WholeView(korova, QStringLiteral("xxx%1").arg(i + 1));
}

void DaughterTally::add(const CowTraitFields& f, const db::Row& row) {
  // Every sum is formed in double and kept in single precision. A blank trait reads 0 and so
  // adds nothing, though the daughter still counts.
  n_ = float(double(n_) + 1.0);
  for (int i = 0; i < kLinearTraits; ++i)
    linear_[size_t(i)] = float(double(linear_[size_t(i)]) + double(f.linear[size_t(i)](row)));
  for (int i = 0; i < kDefectTraits; ++i) {
    const Mark m = markOf(f, i, row);
    if (m == Mark::None) continue;
    any_[size_t(i)] = float(double(any_[size_t(i)]) + 1.0);
    if (m == Mark::Strong) strong_[size_t(i)] = float(double(strong_[size_t(i)]) + 1.0);
  }
  for (int i = 0; i < kComplexTraits; ++i)
    complex_[size_t(i)] = float(double(complex_[size_t(i)]) + double(f.complex[size_t(i)](row)));
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

// The BIK fields the figures go to are bound before any record is touched: a missing one
// throws before anything is written.
BullFigureWriter::BullFigureWriter(db::Table& bik) : bik_(bik) {
  for (int i = 0; i < kLinearTraits; ++i) x_[size_t(i)] = bik.fieldIndex(QStringLiteral("x%1").arg(i + 1));
  for (int i = 0; i < kDefectTraits; ++i) xx_[size_t(i)] = bik.fieldIndex(QStringLiteral("xx%1").arg(i + 1));
  for (int i = 0; i < kComplexTraits; ++i) xxx_[size_t(i)] = bik.fieldIndex(QStringLiteral("xxx%1").arg(i + 1));
  kolkorov_ = bik.fieldIndex(db::field::kolkorov);
}

void BullFigureWriter::write(const DaughterTally& t) const {
  bik_.edit();
  try {
    for (int i = 0; i < kLinearTraits; ++i) db::Field(bik_, x_[size_t(i)]).setFloat(double(t.linearMean(i)));
    for (int i = 0; i < kDefectTraits; ++i) db::Field(bik_, xx_[size_t(i)]).setFloat(t.defectShare(i));
    for (int i = 0; i < kComplexTraits; ++i) db::Field(bik_, xxx_[size_t(i)]).setFloat(double(t.complexMean(i)));
    db::Field(bik_, kolkorov_).setInteger(t.count());
  } catch (...) {
    bik_.cancel();
    throw;
  }
  bik_.post();
}

void writeBullFigures(db::Table& bik, const DaughterTally& t) { BullFigureWriter(bik).write(t); }

void recomputeBullFigures(HerdTables& dm) {
  db::Table& bik = dm.bik;
  if (!db::currentRow(bik)) return;
  const long long k = bik.fieldByName(db::field::kodbyk).asInteger();
  DaughterTally tally;
  {
    db::ProtectedScan scan(dm.korova, dm.cowsSource);
    const db::DbfFile& file = dm.korova.file();
    const CowTraitFields fields(file);
    for (const db::Row row : db::LiveRows(file))
      if (fields.father.is(row, k)) tally.add(fields, row);
  }
  writeBullFigures(bik, tally);
}

std::vector<RecomputedBull> recomputeEveryLiveBull(HerdTables& dm, const RecomputeProgress& progress) {
  // One pass over the cows gathers every father's tally; the bulls then take theirs.
  std::unordered_map<long long, DaughterTally> tallies;
  {
    db::ProtectedScan scan(dm.korova, dm.cowsSource);
    const db::DbfFile& file = dm.korova.file();
    const CowTraitFields fields(file);
    const db::LiveRows rows(file);
    constexpr uint32_t kProgressStep = 1u << 16;
    for (const db::Row row : rows) {
      if (progress.rowsRead && row.index() % kProgressStep == 0) progress.rowsRead(row.index(), rows.recordCount());
      if (const auto father = fields.father.code(row)) tallies[*father].add(fields, row);
    }
    if (progress.rowsRead) progress.rowsRead(rows.recordCount(), rows.recordCount());
  }
  std::vector<RecomputedBull> out;
  db::Table& bik = dm.bik;
  db::ProtectedScan scan(bik, dm.bullsSource);
  const DaughterTally none;
  const BullFigureWriter writeFigures(bik);
  for (; !bik.eof(); bik.next()) {
    if (bik.fieldByName(db::field::kodreg).asInteger() == 0) continue;
    RecomputedBull b;
    b.code = bik.fieldByName(db::field::kodbyk).asString();
    b.name = bik.fieldByName(db::field::nokli).asString();
    long long k = 0;
    try {
      k = bik.fieldByName(db::field::kodbyk).asInteger();
    } catch (const db::TableError& e) {
      b.error = e.text();
      out.push_back(b);
      continue;
    }
    const auto it = tallies.find(k);
    const DaughterTally& t = it != tallies.end() ? it->second : none;
    writeFigures.write(t);
    b.daughters = t.count();
    out.push_back(b);
    if (progress.bullsWritten) progress.bullsWritten(int(out.size()));
  }
  return out;
}

}  // namespace korvel
