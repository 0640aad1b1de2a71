// The data module's read-only lists and the protected scan that puts back what a bulk walk changes.
#include "db_test_support.h"

#include "db/data_module.h"
#include "db/protected_scan.h"
#include "db/schema.h"
#include "db/table_error.h"

#include <QDir>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace korvel;
using namespace korvel::db;
using namespace korvel::db::test;

namespace {

class DataModuleTest : public ::testing::Test {
 protected:
  QTemporaryDir tmp;
  std::unique_ptr<HerdTables> dm;

  void SetUp() override {
    createTables(tmp.path());
    dm = std::make_unique<HerdTables>(tmp.path());
  }
  void addCows(std::initializer_list<std::pair<int, int>> regionFarm) {
    Table& k = dm->korova;
    k.open();
    for (const auto& [reg, vlad] : regionFarm)
      appendRow(k, {{QStringLiteral("kodreg"), QString::number(reg)}, {QStringLiteral("kodvlad"), QString::number(vlad)},
                    {QStringLiteral("nokli"), QStringLiteral("Корова %1-%2").arg(reg).arg(vlad)}});
  }
};

}  // namespace

TEST_F(DataModuleTest, XaraktOpensAtOnceOrTheErrorIsKept) {
  EXPECT_TRUE(dm->xarakt.isOpen());
  EXPECT_TRUE(dm->openError().isEmpty());
  EXPECT_FALSE(dm->korova.isOpen());
  QTemporaryDir empty;
  HerdTables bare(empty.path());
  EXPECT_FALSE(bare.xarakt.isOpen());
  EXPECT_TRUE(bare.openError().contains(QStringLiteral("XARAKT"))) << bare.openError().toStdString();
  EXPECT_EQ(dm->tables().size(), 6u);
  EXPECT_EQ(dm->poroda.tableName(), QStringLiteral("PORODA"));
}

TEST_F(DataModuleTest, ListHooksMakeTheGridsReadOnly) {
  const std::pair<Table*, DataSource*> lists[] = {
      {&dm->region, &dm->regionsSource}, {&dm->vlad, &dm->farmsSource}, {&dm->poroda, &dm->breedsSource}};
  for (const auto& [table, source] : lists) {
    source->setReadOnly(false);
    table->open();
    EXPECT_TRUE(source->readOnly()) << table->tableName().toStdString() << " open";
    source->setReadOnly(false);
    QSignalSpy spy(source, &DataSource::readOnlyChanged);
    table->append();  // a row appended while the list is shown
    EXPECT_TRUE(source->readOnly()) << table->tableName().toStdString() << " append";
    EXPECT_EQ(spy.count(), 1);
    table->cancel();
    source->setReadOnly(false);
    table->setFiltered(true);
    EXPECT_TRUE(source->readOnly()) << table->tableName().toStdString() << " filter";
  }
  // The catalogue and the animal tables leave their data sources alone.
  dm->traitsSource.setReadOnly(false);
  dm->xarakt.first();
  EXPECT_FALSE(dm->traitsSource.readOnly());
  dm->cowsSource.setReadOnly(false);
  dm->korova.open();
  EXPECT_FALSE(dm->cowsSource.readOnly());
}

TEST_F(DataModuleTest, ProtectedScanRestoresEverything) {
  addCows({{5, 2}, {5, 1}, {5, 2}, {0, 0}});
  Table& k = dm->korova;
  k.setFilter(QStringLiteral("kodreg=5 and kodvlad=2"));
  k.setFiltered(true);
  k.goToRecNo(3);
  QSignalSpy resets(&dm->cowsSource, &DataSource::reset);
  {
    ProtectedScan scan(k, dm->cowsSource);
    EXPECT_FALSE(k.filtered());
    EXPECT_EQ(k.recNo(), 1);
    EXPECT_FALSE(dm->cowsSource.enabled());
    int seen = 0;
    for (; !k.eof(); k.next()) {
      ++seen;
      if (k.fieldByName(u"kodreg").asInteger() == 0) {
        k.edit();
        k.fieldByName(u"nokli").setString(QStringLiteral("свободна"));
        k.post();
      }
    }
    EXPECT_EQ(seen, 4);
    k.setFilter(QStringLiteral("kodreg=0"));  // the scan may set its own filter
    k.setFiltered(true);
    EXPECT_EQ(resets.count(), 0);  // the grid is frozen
  }
  EXPECT_EQ(k.filter(), QStringLiteral("kodreg=5 and kodvlad=2"));
  EXPECT_TRUE(k.filtered());
  EXPECT_TRUE(dm->cowsSource.enabled());
  EXPECT_GE(resets.count(), 1);  // re-enabled: the grid shows the current state
  EXPECT_EQ(walk(k), (std::vector<int>{1, 3}));
  k.goToRecNo(4);
  k.setFiltered(false);
  k.goToRecNo(4);
  EXPECT_EQ(k.fieldByName(u"nokli").asString(), QStringLiteral("свободна"));

  // A table that was closed is closed again; a disabled source stays disabled.
  k.close();
  const Freeze detached(dm->cowsSource);
  {
    ProtectedScan scan(k, dm->cowsSource);
    EXPECT_TRUE(k.isOpen());
  }
  EXPECT_FALSE(k.isOpen());
  EXPECT_FALSE(dm->cowsSource.enabled());
  EXPECT_FALSE(k.filtered());
}

// Every guard that holds a list is a Freeze: whatever the state it finds (set by an outer freeze
// or not) and however its scope ends, it gives that state back.
TEST_F(DataModuleTest, AFreezeGivesBackWhatItFoundHoweverItEnds) {
  for (const bool listBefore : {true, false})
    for (const bool error : {false, true}) {
      SCOPED_TRACE(testing::Message() << "list " << listBefore << ", error " << error);
      Freeze outer;
      if (!listBefore) outer.hold(dm->cowsSource);
      try {
        const Freeze inner({&dm->cowsSource, &dm->bullsSource});
        EXPECT_FALSE(dm->cowsSource.enabled());
        EXPECT_FALSE(dm->bullsSource.enabled());
        if (error) throw TableError(QStringLiteral("Таблица KOROVA: сбой."));
      } catch (const TableError&) {
      }
      EXPECT_EQ(dm->cowsSource.enabled(), listBefore);
      EXPECT_TRUE(dm->bullsSource.enabled());
      outer.release();
      EXPECT_TRUE(dm->cowsSource.enabled());
    }
}

TEST_F(DataModuleTest, NestedScanLeavesTheListFrozenForTheOuterOne) {
  addCows({{1, 1}, {2, 1}});
  {
    ProtectedScan outer(dm->korova, dm->cowsSource);
    { ProtectedScan inner(dm->korova, dm->cowsSource); }
    EXPECT_FALSE(dm->cowsSource.enabled());
    // The bulls scan inside the cows scan touches only its own list.
    {
      ProtectedScan bulls(dm->bik, dm->bullsSource);
      EXPECT_FALSE(dm->bullsSource.enabled());
    }
    EXPECT_TRUE(dm->bullsSource.enabled());
    EXPECT_FALSE(dm->cowsSource.enabled());
  }
  EXPECT_TRUE(dm->cowsSource.enabled());
}

TEST_F(DataModuleTest, ScanRestoresWhenTheBodyThrows) {
  addCows({{1, 1}, {1, 2}, {2, 1}});
  Table& k = dm->korova;
  k.setFilter(QStringLiteral("kodreg=1"));
  k.setFiltered(true);
  k.goToRecNo(2);
  try {
    ProtectedScan scan(k, dm->cowsSource);
    k.setFilter(QStringLiteral("kodreg=2"));
    k.setFiltered(true);
    k.fieldByName(u"nokli").asInteger();  // "Корова 2-1" is no whole number
    FAIL() << "no conversion error";
  } catch (const TableError& e) {
    EXPECT_TRUE(e.text().contains(QStringLiteral("NOKLI"))) << e.text().toStdString();
  }
  EXPECT_EQ(k.filter(), QStringLiteral("kodreg=1"));
  EXPECT_TRUE(k.filtered());
  EXPECT_EQ(k.recNo(), 2);  // the cursor is back
  EXPECT_TRUE(dm->cowsSource.enabled());

  // A scan that ends normally puts it back as well.
  { ProtectedScan scan(k, dm->cowsSource); }
  EXPECT_EQ(k.recNo(), 2);

  // A scan whose table cannot open puts back the source and the flag before the error leaves.
  QFile::remove(QDir(tmp.path()).filePath(QStringLiteral("BIK.DBF")));
  EXPECT_THROW(ProtectedScan(dm->bik, dm->bullsSource), TableError);
  EXPECT_TRUE(dm->bullsSource.enabled());
}

TEST_F(DataModuleTest, AScanEndedByAnErrorWritesNoHalfEditedRow) {
  addCows({{1, 1}, {1, 2}});
  Table& k = dm->korova;
  k.setFilter(QStringLiteral("kodreg=1"));
  k.setFiltered(true);
  try {
    ProtectedScan scan(k, dm->cowsSource);
    k.edit();
    k.fieldByName(u"kodreg").setInteger(0);
    k.fieldByName(u"nolki_that_does_not_exist").setString(QStringLiteral("x"));
    FAIL() << "the unknown field was not reported";
  } catch (const TableError& e) {
    EXPECT_TRUE(e.text().contains(QStringLiteral("nolki_that_does_not_exist")));
  }
  // Both cows still belong to region 1: the edit in progress was dropped, not posted.
  EXPECT_EQ(k.state(), TableState::Browse);
  int seen = 0;
  for (k.first(); !k.eof(); k.next()) ++seen;
  EXPECT_EQ(seen, 2);
  EXPECT_TRUE(dm->cowsSource.enabled());
}
