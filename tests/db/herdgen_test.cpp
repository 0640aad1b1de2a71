// The herd generator: the same seed gives the same files; the tables it writes open with the
// table layer and hold what the program expects of a herd.
#include "db_test_support.h"

#include "db/data_module.h"
#include "db/schema.h"
#include "help/starter_data.h"
#include "herdgen/herdgen.h"

#include <QDir>
#include <gtest/gtest.h>
#include <map>
#include <set>

using namespace korvel;
using namespace korvel::db;
using namespace korvel::db::test;

namespace {

// The generator's default shape, and the herd book's: herd book bull codes and narrow numbers.
struct Shape {
  const char* name;
  bool herdBook;
  int recordLength;
};
const Shape kShapes[] = {{"default", false, 405}, {"herd book", true, 353}};

void checkShape(const Shape& shape) {
  QTemporaryDir a, b, c;
  herd::HerdOptions o;
  o.cows = 3000;
  o.regions = 4;
  o.farmsPerRegion = 3;
  o.breeds = 5;
  o.seed = 42;
  o.herdBookCodes = o.narrowFields = shape.herdBook;
  // A catalogue already in the folder is replaced by the starter one: the folder is whole.
  createTable(a.path(), "XARAKT", xaraktLayout().fields);
  const herd::HerdSummary s = herd::generateHerd(a.path(), o);
  herd::generateHerd(b.path(), o);
  o.seed = 43;
  herd::generateHerd(c.path(), o);
  EXPECT_TRUE(missingTables(b.path()).isEmpty());
  {
    HerdTables dm(a.path());
    EXPECT_TRUE(dm.openError().isEmpty()) << dm.openError().toStdString();
    EXPECT_EQ(dm.xarakt.file().recordCount(), starterCatalogue().size());
  }
  for (const char* name : {"REGION.DBF", "VLAD.DBF", "PORODA.DBF", "BIK.DBF", "KOROVA.DBF", "XARAKT.DBF"}) {
    const QByteArray x = readFile(QDir(a.path()).filePath(QString::fromLatin1(name)));
    EXPECT_EQ(x.mid(4), readFile(QDir(b.path()).filePath(QString::fromLatin1(name))).mid(4)) << name;
    EXPECT_EQ(x.back(), '\x1A') << name;
  }
  EXPECT_NE(readFile(QDir(a.path()).filePath(QStringLiteral("KOROVA.DBF"))),
            readFile(QDir(c.path()).filePath(QStringLiteral("KOROVA.DBF"))));
  EXPECT_EQ(s.cows, 3000);
  EXPECT_EQ(s.bulls, 150);

  auto open = [&](const char* name) {
    auto t = std::make_unique<Table>(QString::fromLatin1(name).toLower(), QString::fromLatin1(name));
    t->setDirectory(a.path());
    t->open();
    return t;
  };
  auto regions = open("REGION");
  EXPECT_EQ(walk(*regions).size(), 4u);
  std::set<std::pair<long long, long long>> farms;
  auto vlad = open("VLAD");
  for (vlad->first(); !vlad->eof(); vlad->next()) {
    farms.insert({vlad->fieldByName(u"kodreg").asInteger(), vlad->fieldByName(u"kodvlad").asInteger()});
    if (vlad->fieldByName(u"kodvlad").asInteger() == 0) {
      EXPECT_EQ(vlad->fieldByName(u"vlad").asString(), QStringLiteral("Архив региона"));
    }
  }
  EXPECT_EQ(farms.size(), size_t(4 * 3 + 1));
  std::set<QString> liveBulls;
  auto bik = open("BIK");
  std::set<QString> codes;
  for (bik->first(); !bik->eof(); bik->next()) {
    const QString code = bik->fieldByName(u"kodbyk").asString();
    EXPECT_GT(bik->fieldByName(u"kodbyk").asInteger(), 0);
    EXPECT_TRUE(codes.insert(code).second) << code.toStdString();
    // Herd book numbers have 5 to 8 digits; the default codes count 1 to 150.
    if (shape.herdBook) {
      EXPECT_TRUE(code.size() >= 5 && code.size() <= 8) << code.toStdString();
    }
    if (bik->fieldByName(u"kodreg").asInteger() != 0) liveBulls.insert(code);
  }
  if (!shape.herdBook) {
    EXPECT_EQ(codes.size(), 150u);
    EXPECT_TRUE(codes.count(QStringLiteral("1")) && codes.count(QStringLiteral("150")));
  }
  auto korova = open("KOROVA");
  EXPECT_EQ(korova->file().recordLength(), shape.recordLength);
  long long free = 0, linked = 0, scored = 0, defects = 0;
  std::map<QString, int> daughters;
  std::set<std::pair<long long, QString>> names;
  for (korova->first(); !korova->eof(); korova->next()) {
    const long long reg = korova->fieldByName(u"kodreg").asInteger();
    const long long vl = korova->fieldByName(u"kodvlad").asInteger();
    if (reg == 0) {
      ++free;
    } else {
      EXPECT_TRUE(farms.count({reg, vl})) << reg << "/" << vl;
    }
    const long long breed = korova->fieldByName(u"kodporod").asInteger();
    EXPECT_TRUE(breed >= 1 && breed <= 5);
    EXPECT_TRUE(names.insert({reg * 1000 + vl, korova->fieldByName(u"nokli").asString()}).second);
    if (korova->fieldByName(u"basekod").asString() == QLatin1String("+")) {
      ++linked;
      const QString code = korova->fieldByName(u"kodbyk").asString();
      EXPECT_TRUE(liveBulls.count(code)) << code.toStdString();
      ++daughters[code];
    }
    if (!korova->fieldByName(u"x1").isNull()) {
      ++scored;
      for (int i = 1; i <= 30; ++i) {
        const long long v = korova->fieldByName(QStringLiteral("x%1").arg(i)).asInteger();
        EXPECT_TRUE(v >= 1 && v <= 9) << v;
      }
      for (int i = 1; i <= 15; ++i) {
        const long long v = korova->fieldByName(QStringLiteral("xxx%1").arg(i)).asInteger();
        EXPECT_TRUE(v >= 1 && v <= 100) << v;
      }
      for (int i = 1; i <= 60; ++i) {
        const QString d = korova->fieldByName(QStringLiteral("xx%1").arg(i)).asString();
        EXPECT_TRUE(d.isEmpty() || d == QLatin1String("+") || d == QLatin1String("++")) << d.toStdString();
        defects += !d.isEmpty();
      }
    }
  }
  EXPECT_EQ(free, s.freeCows);
  EXPECT_GT(free, 0);
  EXPECT_EQ(linked, s.linkedCows);
  EXPECT_GT(linked, 3000 * 7 / 10);
  EXPECT_GT(scored, 3000 * 9 / 10);
  EXPECT_GT(defects, 0);
  // Daughters per sire are skewed: most sires few, the busiest many.
  int under10 = 0, most = 0;
  for (const auto& [code, n] : daughters) {
    under10 += n < 10;
    most = std::max(most, n);
  }
  EXPECT_GT(under10 * 2, int(daughters.size()));
  EXPECT_GT(most, 100);
}

}  // namespace

TEST(HerdGeneratorTest, SameSeedSameBytesAndAConsistentHerdInEveryShape) {
  for (const Shape& shape : kShapes) {
    SCOPED_TRACE(shape.name);
    checkShape(shape);
  }
}
