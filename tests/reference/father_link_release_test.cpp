// The one-walk release of father links against bull-by-bull walks over a generated herd, and
// how codes compare and the table's state comes back.
#include "farm_removal_fixture.h"
#include "folder_snapshot.h"
#include "db/protected_scan.h"
#include "herdgen/herdgen.h"
#include "reference/farm_removal.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace korvel;
using namespace korvel::test;

namespace {

// The release as walking the cows once per freed bull, in the bulls' order, freeing each bull
// after his daughters: what the single walk must come to.
void removeBullByBull(const QString& dir, const FarmKey& farm) {
  db::Table korova(QStringLiteral("korova"), QStringLiteral("KOROVA"));
  db::Table bik(QStringLiteral("bik"), QStringLiteral("BIK"));
  korova.setDirectory(dir);
  bik.setDirectory(dir);
  korova.open();
  bik.open();
  for (bik.first(); !bik.eof(); bik.next()) {
    if (bik.fieldByName(u"kodreg").asInteger() != farm.region || bik.fieldByName(u"kodvlad").asInteger() != farm.farm)
      continue;
    const QString code = bik.fieldByName(u"kodbyk").asString();
    const QString name = QStringLiteral("#") + bik.fieldByName(u"nokli").asString().trimmed();
    for (korova.first(); !korova.eof(); korova.next()) {
      if (korova.fieldByName(u"basekod").asString() != QStringLiteral("+") ||
          korova.fieldByName(u"kodbyk").asString() != code)
        continue;
      korova.edit();
      korova.fieldByName(u"basekod").setString(QString());
      korova.fieldByName(u"kodbyk").setString(name);
      korova.post();
    }
    bik.edit();
    bik.fieldByName(u"kodreg").setInteger(0);
    bik.fieldByName(u"kodvlad").setInteger(0);
    bik.post();
  }
  // The cows of the farm, freed as well.
  for (korova.first(); !korova.eof(); korova.next()) {
    if (korova.fieldByName(u"kodreg").asInteger() != farm.region ||
        korova.fieldByName(u"kodvlad").asInteger() != farm.farm)
      continue;
    korova.edit();
    korova.fieldByName(u"kodreg").setInteger(0);
    korova.fieldByName(u"kodvlad").setInteger(0);
    korova.post();
  }
}

}  // namespace

TEST(FatherLinkRelease, OneWalkEqualsOneWalkPerBullEvenWhenTwoFreedBullsShareACode) {
  QTemporaryDir one, perBull;
  herd::HerdOptions o;
  o.cows = 12000;
  o.bulls = 400;
  o.regions = 2;
  o.farmsPerRegion = 4;
  herd::generateHerd(one.path(), o);
  const FarmKey farm{2, 1};

  // The farm's second bull takes the code of its first: the first one names their daughters.
  QString firstName;
  int bullsOfFarm = 0;
  {
    db::Table bik(QStringLiteral("bik"), QStringLiteral("BIK"));
    bik.setDirectory(one.path());
    bik.open();
    QString firstCode;
    for (bik.first(); !bik.eof(); bik.next()) {
      if (bik.fieldByName(u"kodreg").asInteger() != 2 || bik.fieldByName(u"kodvlad").asInteger() != 1) continue;
      if (++bullsOfFarm == 1) {
        firstCode = bik.fieldByName(u"kodbyk").asString();
        firstName = QStringLiteral("#") + bik.fieldByName(u"nokli").asString().trimmed();
      } else if (bullsOfFarm == 2) {
        bik.edit();
        bik.fieldByName(u"kodbyk").setString(firstCode);
        bik.post();
      }
    }
  }
  ASSERT_GE(bullsOfFarm, 10);
  for (const char* name : {"KOROVA.DBF", "BIK.DBF", "REGION.DBF", "VLAD.DBF", "PORODA.DBF"})
    ASSERT_TRUE(QFile::copy(QDir(one.path()).filePath(name), QDir(perBull.path()).filePath(name)));
  removeBullByBull(perBull.path(), farm);

  HerdTables dm(one.path());
  const TransferCount n = transferFarmAnimals(dm, farm, RemovalVariant::AllFreed, {});
  EXPECT_EQ(n.bullsFreed, bullsOfFarm);
  EXPECT_GT(n.cowsFreed, 100);
  EXPECT_GT(n.daughtersReleased, 100);
  EXPECT_FALSE(dm.korova.isOpen());

  EXPECT_EQ(bytesOf(QDir(one.path()).filePath("KOROVA.DBF")), bytesOf(QDir(perBull.path()).filePath("KOROVA.DBF")));
  EXPECT_EQ(bytesOf(QDir(one.path()).filePath("BIK.DBF")), bytesOf(QDir(perBull.path()).filePath("BIK.DBF")));
  int namedByFirst = 0;
  for (const auto& row : liveRows(QDir(one.path()).filePath("KOROVA.DBF")))
    namedByFirst += row["kodbyk"] == firstName.left(20);
  EXPECT_GT(namedByFirst, 0) << "the shared code's daughters carry the first bull's name";
}

TEST(FatherLinkRelease, CodesAreComparedAsStoredAndTheTableStateComesBack) {
  test::WorkFolder folder;
  HerdTables dm(folder.path());
  appendRow(dm.korova, {{"nokli", "a"}, {"basekod", "+"}, {"kodbyk", "12"}});
  appendRow(dm.korova, {{"nokli", "b"}, {"basekod", "+"}, {"kodbyk", "012"}});
  appendRow(dm.korova, {{"nokli", "c"}, {"basekod", "+"}, {"kodbyk", " 12"}});
  appendRow(dm.korova, {{"nokli", "d"}, {"basekod", " "}, {"kodbyk", "12"}});
  appendRow(dm.korova, {{"nokli", "e"}, {"basekod", "+"}, {"kodbyk", "1"}});
  appendRow(dm.korova, {{"nokli", "f"}, {"basekod", "+"}, {"kodbyk", "12"}, {"kodreg", 4}});
  dm.korova.first();
  dm.korova.deleteRecord();  // a deleted row is not seen
  dm.korova.setFilter("kodreg=4");
  dm.korova.setFiltered(true);
  {
    db::ProtectedScan scan(dm.korova, dm.cowsSource);
    EXPECT_EQ(releaseFatherLinks(dm.korova, {{"12", "#Первый"}, {"12", "#Второй"}, {"Ж", "#Ж"}}), 1);
  }
  EXPECT_EQ(dm.korova.filter(), QStringLiteral("kodreg=4"));
  QStringList out;
  for (const auto& row : test::fileRows(folder.file("KOROVA.DBF")))
    out << (row.deleted ? "*" : "") + row["nokli"] + ' ' + row["basekod"] + '|' + row["kodbyk"];
  EXPECT_EQ(out, QStringList({"*a +|12", "b +|012", "c +| 12", "d |12", "e +|1", "f |#Первый"}));
}
