// The sire statistics scan reads KOROVA's records in place, through remembered number forms,
// a search for "+" and single-precision sums where they round the same. Whatever the layout
// and however the values are written, its totals must be bit for bit those of the plain reading:
// every field by name through the table component, every sum widened, added and rounded.
#include "db/data_module.h"
#include "db/dbf_writer.h"
#include "db/schema.h"
#include "db/table_error.h"
#include "evaluation/sire_statistics.h"
#include "work_folder.h"

#include <QDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <functional>
#include <map>
#include <random>
#include <string>

namespace korvel {
namespace {

using db::FieldDef;

// ------------------------------------------------------------------ KOROVA layouts and rows

struct Layout {
  const char* name;
  std::function<void(std::vector<FieldDef>&)> reshape;
};

FieldDef& field(std::vector<FieldDef>& fields, const QString& name) {
  return *std::find_if(fields.begin(), fields.end(), [&](const FieldDef& f) { return f.name == name; });
}

void moveBefore(std::vector<FieldDef>& fields, const QString& name, const QString& before) {
  const auto from = std::find_if(fields.begin(), fields.end(), [&](const FieldDef& f) { return f.name == name; });
  const FieldDef moved = *from;
  fields.erase(from);
  fields.insert(std::find_if(fields.begin(), fields.end(), [&](const FieldDef& f) { return f.name == before; }), moved);
}

const Layout kLayouts[] = {
    {"as shipped", [](std::vector<FieldDef>&) {}},
    {"narrow numbers",
     [](std::vector<FieldDef>& f) {
       for (const char* n : {"KODREG", "KODPOROD", "KODVLAD"}) field(f, QString::fromLatin1(n)).width = 5;
       for (int i = 1; i <= 30; ++i) field(f, QStringLiteral("X%1").arg(i)).width = 2;
       for (int i = 1; i <= 15; ++i) field(f, QStringLiteral("XXX%1").arg(i)).width = 3;
     }},
    // The breed code among the record's first eight bytes; linear scores wider than eight bytes
    // and exactly eight; defects split by other fields (PREDOC, holding "+", among them); a
    // complex score the record's last field; father codes longer than 20 characters.
    {"wide and reordered",
     [](std::vector<FieldDef>& f) {
       moveBefore(f, QStringLiteral("KODPOROD"), QStringLiteral("OT"));
       for (int i = 1; i <= 30; ++i) field(f, QStringLiteral("X%1").arg(i)).width = i % 2 ? 9 : 8;
       for (int i = 1; i <= 15; ++i) field(f, QStringLiteral("XXX%1").arg(i)).width = 8;
       field(f, QStringLiteral("XX7")).width = 4;
       field(f, QStringLiteral("KODBYK")).width = 25;
       moveBefore(f, QStringLiteral("PREDOC"), QStringLiteral("XX10"));
       moveBefore(f, QStringLiteral("XX30"), QStringLiteral("X3"));
       moveBefore(f, QStringLiteral("XXX6"), QStringLiteral("XX2"));
       const FieldDef last = field(f, QStringLiteral("XXX1"));
       f.erase(std::find_if(f.begin(), f.end(), [](const FieldDef& d) { return d.name == u"XXX1"; }));
       f.push_back(last);
     }},
};

// Pseudo-random choices that are the same on every platform.
class Dice {
 public:
  uint32_t below(uint32_t n) { return uint32_t(engine_() % n); }
  template <class T, size_t N>
  const T& of(const T (&list)[N]) { return list[below(N)]; }

 private:
  std::mt19937 engine_{20240611};
};

// A whole number as a field of `width` may hold it: right-aligned as written, left-aligned,
// with zeros or a sign in front; blank for no value.
std::string numberText(Dice& dice, long long v, int width) {
  std::string digits = std::to_string(v);
  switch (dice.below(8)) {
    case 0: digits += ' '; break;                     // left of a blank
    case 1: if (v >= 0) digits = '0' + digits; break;  // a leading zero
    case 2: if (v >= 0) digits = '+' + digits; break;
    case 3: return std::string(size_t(width), ' ');
    default: break;
  }
  if (int(digits.size()) > width) digits = std::to_string(v);
  if (int(digits.size()) > width) return std::string(size_t(width), ' ');
  return std::string(size_t(width) - digits.size(), ' ') + digits;
}

long long score(Dice& dice, bool complex) {
  static const long long kLarge[] = {4095, 4096, 4097, -4097, 9999, 123456, 99999999};
  if (dice.below(20) == 0) return dice.of(kLarge);
  if (dice.below(30) == 0) return -long(dice.below(5));
  return complex ? 1 + dice.below(100) : 1 + dice.below(9);
}

// Writes KOROVA with the layout and a few thousand cows of two breeds: linked and unlinked,
// deleted, free, unscored, values in every form.
void writeHerd(const QString& path, const std::vector<FieldDef>& fields) {
  db::DbfWriter w(path, fields);
  const auto at = [&](QStringView name) { return w.fieldIndex(name); };
  const auto width = [&](int i) { return w.fields()[size_t(i)].width; };
  Dice dice;
  static const char* const kFathers[] = {"101", "2002", "  7", "7", "", "55555", "12345678901234567890",
                                          "1234567890123456789 X", "98765432109876543210123"};
  static const char* const kDefects[] = {"+", " +", "+ ", "++", "+-+", " ++", "-"};
  static const char* const kBreeds[] = {"1", "2", "01", "+1", "1 "};
  for (int c = 0; c < 2500; ++c) {
    w.setDeleted(dice.below(25) == 0);
    const int region = int(dice.below(3));  // 0: a free row
    w.setBytes(at(u"KODREG"), numberText(dice, region, width(at(u"KODREG"))));
    w.setWhole(at(u"KODVLAD"), region ? dice.below(3) : 0);  // farm 0: the region's archive
    const std::string breed = dice.of(kBreeds);
    const int kp = at(u"KODPOROD");
    w.setBytes(kp, std::string(size_t(width(kp)) - std::min<size_t>(breed.size(), size_t(width(kp))), ' ') + breed);
    if (dice.below(8)) {
      w.setBytes(at(u"BASEKOD"), dice.below(10) ? "+" : " ");
      w.setBytes(at(u"KODBYK"), dice.of(kFathers));
    }
    w.setBytes(at(u"PREDOC"), dice.below(4) ? "" : "+++");
    if (dice.below(10)) {  // scored
      for (int i = 1; i <= 30; ++i) {
        const int f = at(QStringLiteral("X%1").arg(i));
        w.setBytes(f, numberText(dice, score(dice, false), width(f)));
      }
      for (int i = 1; i <= 60; ++i)
        if (dice.below(6) == 0) w.setBytes(at(QStringLiteral("XX%1").arg(i)), dice.of(kDefects));
      for (int i = 1; i <= 15; ++i) {
        const int f = at(QStringLiteral("XXX%1").arg(i));
        w.setBytes(f, numberText(dice, score(dice, true), width(f)));
      }
    }
    w.append();
  }
  w.finish();
}

// ------------------------------------------------------------------ the plain reading

inline void widenedAdd(float& total, double v) { total = float(double(total) + v); }

struct PlainSire {
  QString code;
  int daughters = 0, daughtersInBase = 0;
  std::vector<float> sum, sumSq, inBaseSum, inBaseSumSq, complex, marked, strong;
};

struct Plain {
  int baseCount = 0;
  std::vector<float> baseSum, baseSumSq;
  std::vector<PlainSire> sires;
};

// The totals read field by field through the table component, every father code admitted.
Plain plainTotals(db::Table& korova, const SireEvaluation& e) {
  const size_t nl = e.shownLinear.size(), nd = e.shownDefects.size(), nc = e.shownComplex.size();
  Plain p;
  p.baseSum.assign(nl, 0);
  p.baseSumSq.assign(nl, 0);
  std::map<QString, size_t> sireOfCode;
  korova.setFiltered(false);
  for (korova.first(); !korova.eof(); korova.next()) {
    if (korova.fieldByName(u"kodporod").asInteger() != e.request.breed) continue;
    PlainSire* sire = nullptr;
    if (korova.fieldByName(u"basekod").asString() == u"+") {
      const QString code = korova.fieldByName(u"kodbyk").asString().left(20);
      auto [it, added] = sireOfCode.try_emplace(code, p.sires.size());
      if (added) {
        PlainSire s;
        s.code = code;
        for (auto* v : {&s.sum, &s.sumSq, &s.inBaseSum, &s.inBaseSumSq}) v->assign(nl, 0);
        s.complex.assign(nc, 0);
        s.marked.assign(nd, 0);
        s.strong.assign(nd, 0);
        p.sires.push_back(s);
      }
      sire = &p.sires[it->second];
    }
    const bool inBase = inComparisonBase(e.request, korova.fieldByName(u"kodreg").asInteger(),
                                         korova.fieldByName(u"kodvlad").asInteger());
    if (inBase) ++p.baseCount;
    if (sire) {
      ++sire->daughters;
      if (inBase) ++sire->daughtersInBase;
    }
    for (size_t k = 0; k < nl; ++k) {
      const double v = double(korova.fieldByName(e.linearRows[e.shownLinear[k]].id).asInteger());
      if (inBase) widenedAdd(p.baseSum[k], v), widenedAdd(p.baseSumSq[k], v * v);
      if (!sire) continue;
      widenedAdd(sire->sum[k], v);
      widenedAdd(sire->sumSq[k], v * v);
      if (inBase) widenedAdd(sire->inBaseSum[k], v), widenedAdd(sire->inBaseSumSq[k], v * v);
    }
    if (!sire) continue;
    for (size_t k = 0; k < nd; ++k) {
      const QString text = korova.fieldByName(e.defectRows[e.shownDefects[k]].id).asString();
      if (text.contains(u'+')) widenedAdd(sire->marked[k], 1);
      if (text.contains(u"++")) widenedAdd(sire->strong[k], 1);
    }
    for (size_t k = 0; k < nc; ++k)
      widenedAdd(sire->complex[k], double(korova.fieldByName(e.complexRows[e.shownComplex[k]].id).asInteger()));
  }
  return p;
}

// "" when the floats are the same bits, else the first that differs.
std::string sameBits(const char* what, const std::vector<float>& expected, const float* actual) {
  for (size_t k = 0; k < expected.size(); ++k)
    if (std::bit_cast<uint32_t>(expected[k]) != std::bit_cast<uint32_t>(actual[k]))
      return std::string(what) + "[" + std::to_string(k) + "]: " + std::to_string(expected[k]) + " read as " +
             std::to_string(actual[k]);
  return {};
}

void expectPlainTotals(const Plain& p, const SireEvaluation& e) {
  using L = TotalsLayout;
  EXPECT_EQ(e.baseCount, p.baseCount);
  std::vector<float> baseSum, baseSumSq;
  for (size_t j : e.shownLinear) baseSum.push_back(e.baseSum[j]), baseSumSq.push_back(e.baseSumSq[j]);
  EXPECT_EQ(sameBits("base sum", p.baseSum, baseSum.data()), "");
  EXPECT_EQ(sameBits("base sum of squares", p.baseSumSq, baseSumSq.data()), "");
  ASSERT_EQ(size_t(e.sireCount()), p.sires.size());
  const TotalsLayout& l = e.layout;
  for (size_t i = 0; i < p.sires.size(); ++i) {
    const PlainSire& s = p.sires[i];
    SCOPED_TRACE("sire " + s.code.toStdString());
    EXPECT_EQ(e.sires[i].code, s.code);
    EXPECT_EQ(e.sires[i].daughters, s.daughters);
    EXPECT_EQ(e.sires[i].daughtersInBase, s.daughtersInBase);
    const float* b = e.block(i);
    EXPECT_EQ(sameBits("sum", s.sum, b + l.linearAt(L::kSum, 0)), "");
    EXPECT_EQ(sameBits("sum of squares", s.sumSq, b + l.linearAt(L::kSumSq, 0)), "");
    EXPECT_EQ(sameBits("in-base sum", s.inBaseSum, b + l.linearAt(L::kInBaseSum, 0)), "");
    EXPECT_EQ(sameBits("in-base sum of squares", s.inBaseSumSq, b + l.linearAt(L::kInBaseSumSq, 0)), "");
    EXPECT_EQ(sameBits("complex", s.complex, b + l.complexAt(0)), "");
    EXPECT_EQ(sameBits("marked", s.marked, b + l.markedAt(0)), "");
    EXPECT_EQ(sameBits("strong", s.strong, b + l.strongAt(0)), "");
  }
}

// Appends catalogue rows: a shown defect and a complex trait that name fields already named.
void nameFieldsTwice(db::Table& xarakt) {
  const std::pair<QString, QString> rows[] = {{QStringLiteral("xx2"), QStringLiteral("Общая недоразвитость, ещё раз")},
                                             {QStringLiteral("xxx3"), QStringLiteral("Ноги, ещё раз")}};
  for (const auto& [id, xar] : rows) {
    xarakt.append();
    xarakt.fieldByName(u"id").setString(id);
    xarakt.fieldByName(u"xar").setString(xar);
    xarakt.post();
  }
}

TEST(SireScan, TotalsAreThoseOfThePlainReadingOnEveryLayoutAndRequest) {
  EvaluationRequest everyCow, regionOne, noArchives;
  everyCow.breed = regionOne.breed = noArchives.breed = 1;
  regionOne.baseRegion = 1;
  noArchives.baseWithArchives = false;
  for (const Layout& layout : kLayouts) {
    SCOPED_TRACE(layout.name);
    test::WorkFolder folder;
    std::vector<FieldDef> fields = db::korovaLayout().fields;
    layout.reshape(fields);
    writeHerd(folder.file(QStringLiteral("KOROVA.DBF")), fields);
    HerdTables dm(folder.path());
    ASSERT_EQ(dm.openError(), QString());
    dm.xarakt.open();
    nameFieldsTwice(dm.xarakt);
    for (const EvaluationRequest& request : {everyCow, regionOne, noArchives}) {
      SCOPED_TRACE(request.baseRegion ? "base: region 1" : request.baseWithArchives ? "base: every cow" : "base: no archives");
      const SireEvaluation e = scanSires(dm, request);
      ASSERT_GT(e.sireCount(), 5);
      expectPlainTotals(plainTotals(dm.korova, e), e);
    }
  }
}

// A value the table component cannot read stops the scan with its message, though the same
// field's other forms were read from memory before it.
TEST(SireScan, AFieldThatIsNoNumberStopsTheScanWithItsMessage) {
  test::WorkFolder folder;
  {
    db::DbfWriter w(folder.file(QStringLiteral("KOROVA.DBF")), db::korovaLayout().fields);
    for (const char* x3 : {"  5", "  5", "5x "}) {
      w.setWhole(w.fieldIndex(u"KODREG"), 1);
      w.setWhole(w.fieldIndex(u"KODPOROD"), 1);
      w.setBytes(w.fieldIndex(u"X3"), x3);
      w.append();
    }
    w.finish();
  }
  HerdTables dm(folder.path());
  EvaluationRequest r;
  r.breed = 1;
  try {
    scanSires(dm, r);
    ADD_FAILURE() << "the scan read 5x as a number";
  } catch (const db::TableError& e) {
    EXPECT_EQ(e.text(), QStringLiteral("Таблица KOROVA: «5x» не является числом (поле X3)."));
  }
}

}  // namespace
}  // namespace korvel
