// Filter expressions: exactly the shapes the program builds, everything else refused, and the
// rows each shape lets through.
#include "db_test_support.h"

#include "db/filter.h"
#include "db/schema.h"
#include "db/table_error.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace korvel::db;
using namespace korvel::db::test;

namespace {

class FilterTest : public ::testing::Test {
 protected:
  QTemporaryDir tmp;
  Table cows{QStringLiteral("korova"), QStringLiteral("KOROVA")};

  void SetUp() override {
    createTable(tmp.path(), "KOROVA", korovaLayout().fields);
    cows.setDirectory(tmp.path());
    cows.open();
    // rec  kodreg kodvlad ot   kodbyk    nokli
    add("5", "2", "+", "12", "Зорька");     // 1
    add("5", "0", "", "  12", "Майка");     // 2
    add("5", "2", "", "12a", "Ночка");      // 3
    add("3", "2", "+", "#Bull", "Буря");    // 4
    add("-4", "2", "+", "012", "Звезда");   // 5
    add("5", "", "", "", "Пустая");         // 6: empty KODVLAD reads 0
  }
  void add(const char* reg, const char* vlad, const char* ot, const char* byk, const char* name) {
    appendRow(cows, {{QStringLiteral("kodreg"), QString::fromUtf8(reg)},
                     {QStringLiteral("kodvlad"), QString::fromUtf8(vlad)},
                     {QStringLiteral("ot"), QString::fromUtf8(ot)},
                     {QStringLiteral("kodbyk"), QString::fromUtf8(byk)},
                     {QStringLiteral("nokli"), QString::fromUtf8(name)}});
  }
  std::vector<int> rowsOf(const QString& filter) {
    cows.setFilter(filter);
    cows.setFiltered(true);
    return walk(cows);
  }
};

using Rows = std::vector<int>;

}  // namespace

TEST_F(FilterTest, ShapesTheProgramBuildsSelectTheRightRows) {
  EXPECT_EQ(rowsOf(QStringLiteral("kodreg=5")), (Rows{1, 2, 3, 6}));
  EXPECT_EQ(rowsOf(QStringLiteral("ot='+'")), (Rows{1, 4, 5}));
  EXPECT_EQ(rowsOf(QStringLiteral("kodreg=5 and kodvlad=2")), (Rows{1, 3}));
  EXPECT_EQ(rowsOf(QStringLiteral("kodreg=5 and (kodvlad=0)")), (Rows{2, 6}));
  EXPECT_EQ(rowsOf(QStringLiteral("(kodreg=5) and kodvlad=2")), (Rows{1, 3}));
  EXPECT_EQ(rowsOf(QStringLiteral("ot='+' and kodreg=5 and kodvlad=2")), (Rows{1}));
  EXPECT_EQ(rowsOf(QStringLiteral("kodreg=-4")), (Rows{5}));
  EXPECT_EQ(rowsOf(QStringLiteral("kodvlad=0")), (Rows{2, 6}));
  // A number against a text field: the field holds that number in decimal digits.
  EXPECT_EQ(rowsOf(QStringLiteral("kodbyk=12")), (Rows{1, 2, 5}));
  EXPECT_EQ(rowsOf(QStringLiteral("kodbyk='12'")), (Rows{1}));
  EXPECT_EQ(rowsOf(QStringLiteral("kodbyk='#Bull'")), (Rows{4}));
  EXPECT_EQ(rowsOf(QStringLiteral("nokli='Буря'")), (Rows{4}));
  EXPECT_EQ(rowsOf(QStringLiteral("nokli='Бур'")), (Rows{}));
  EXPECT_EQ(rowsOf(QStringLiteral("ot=''")), (Rows{2, 3, 6}));
  EXPECT_EQ(rowsOf(QStringLiteral("kodreg=0")), (Rows{}));
  // An empty text lets every row through; the switch off does the same.
  EXPECT_EQ(rowsOf(QString()), (Rows{1, 2, 3, 4, 5, 6}));
  cows.setFilter(QStringLiteral("kodreg=3"));
  cows.setFiltered(false);
  EXPECT_EQ(walk(cows), (Rows{1, 2, 3, 4, 5, 6}));
  cows.setFiltered(true);
  EXPECT_EQ(walk(cows), (Rows{4}));
}

TEST_F(FilterTest, BlankTextFieldNeverEqualsPlus) {
  // A row whose mark is blank, and one whose mark byte is NUL (as some writers leave it).
  cows.setFilter(QStringLiteral("ot='+'"));
  cows.setFiltered(true);
  for (int rec : walk(cows)) {
    cows.goToRecNo(rec);
    EXPECT_EQ(cows.fieldByName(u"ot").asString(), QStringLiteral("+")) << rec;
  }
  const std::vector<FilterTerm> terms = parseFilter(QStringLiteral("ot='+'"), QStringLiteral("KOROVA"));
  CompiledFilter f(terms, cows.file(), QStringLiteral("KOROVA"));
  std::vector<char> rec = cows.file().blankRecord();
  EXPECT_FALSE(f.matches(rec.data()));
  rec[1] = '\0';
  EXPECT_FALSE(f.matches(rec.data()));
  rec[1] = '+';
  EXPECT_TRUE(f.matches(rec.data()));
}

TEST_F(FilterTest, EverythingOutsideTheGrammarIsRefused) {
  const char* bad[] = {
      "kodreg = 5",  "kodreg =5",         "kodreg= 5",           "kodreg=5 or kodvlad=2", "KODREG=5",
      "Kodreg=5",    "vibor='+",          "ot=+",                "kodreg=5 and",          "kodreg=5  and kodvlad=2",
      "kodreg=5and kodvlad=2", "kodreg=5 AND kodvlad=2", "kodreg=5.5", "kodreg=5 ",    " kodreg=5",
      "(kodreg=5",   "kodreg=5 and (kodvlad=0", "kodreg=5 and ((kodvlad=0))", "kodreg=",  "=5",
      "kodreg=--5",  "kodreg=5 and not kodvlad=2", "kodreg<>5", "kodreg>5",              "kodreg=1e3",
      "kodreg=١",    "kodreg=1234567890123456789",   "kodreg=5;",  "kodreg=abc"};
  for (const char* text : bad) {
    try {
      parseFilter(QString::fromUtf8(text), QStringLiteral("KOROVA"));
      ADD_FAILURE() << "accepted «" << text << "»";
    } catch (const TableError& e) {
      EXPECT_TRUE(e.text().contains(QStringLiteral("KOROVA"))) << e.text().toStdString();
    }
  }
  // A refused text on an open, filtered table leaves the old filter in force.
  cows.setFilter(QStringLiteral("kodreg=3"));
  cows.setFiltered(true);
  EXPECT_THROW(cows.setFilter(QStringLiteral("kodreg = 5")), TableError);
  EXPECT_EQ(cows.filter(), QStringLiteral("kodreg=3"));
  EXPECT_EQ(walk(cows), (Rows{4}));
}

TEST_F(FilterTest, UnknownFieldOrMismatchedTypeIsNamed) {
  cows.setFiltered(true);
  try {
    cows.setFilter(QStringLiteral("kodreg=5 and kodferm=2"));
    FAIL() << "unknown field accepted";
  } catch (const TableError& e) {
    EXPECT_TRUE(e.text().contains(QStringLiteral("kodferm"))) << e.text().toStdString();
  }
  EXPECT_EQ(cows.filter(), QString());
  EXPECT_EQ(walk(cows).size(), 6u);
  EXPECT_THROW(cows.setFilter(QStringLiteral("kodreg='5'")), TableError);  // text against a number
  EXPECT_THROW(cows.setFilter(QStringLiteral("data=5")), TableError);      // number against a date

  // Set while the switch is off, the unknown field is found when the switch goes on.
  cows.setFiltered(false);
  cows.setFilter(QStringLiteral("kodferm=2"));
  EXPECT_THROW(cows.setFiltered(true), TableError);
  EXPECT_FALSE(cows.filtered());
  EXPECT_EQ(walk(cows).size(), 6u);
  // And on a closed table, when it opens.
  cows.close();
  cows.setFiltered(true);
  EXPECT_THROW(cows.open(), TableError);
  EXPECT_FALSE(cows.isOpen());
}

TEST_F(FilterTest, NoMatchingRowGivesAnEmptyTableAtEndAtOnce) {
  cows.setFilter(QStringLiteral("kodreg=5 and kodvlad=7"));
  cows.setFiltered(true);
  EXPECT_TRUE(cows.isEmpty());
  cows.first();
  EXPECT_TRUE(cows.eof());
  EXPECT_EQ(cows.recNo(), 0);
  EXPECT_EQ(cows.fieldByName(u"kodreg").asInteger(), 0);
  EXPECT_EQ(cows.fieldByName(u"kodvlad").asFloat(), 0.0);
  EXPECT_EQ(cows.fieldByName(u"nokli").asString(), QString());
  cows.next();
  EXPECT_TRUE(cows.eof());
  // Reopened under the same filter, the same.
  cows.close();
  cows.open();
  EXPECT_TRUE(cows.eof());
}

TEST_F(FilterTest, AppendedRowStaysOrLeavesByItsRegion) {
  cows.setFilter(QStringLiteral("kodreg=5"));
  cows.setFiltered(true);
  cows.append();
  cows.fieldByName(u"kodreg").setInteger(5);
  cows.fieldByName(u"nokli").setString(QStringLiteral("Новая"));
  cows.post();
  EXPECT_EQ(cows.recNo(), 7);
  EXPECT_FALSE(cows.eof());
  EXPECT_EQ(cows.fieldByName(u"nokli").asString(), QStringLiteral("Новая"));
  EXPECT_EQ(walk(cows), (Rows{1, 2, 3, 6, 7}));

  cows.append();
  cows.fieldByName(u"kodreg").setInteger(9);
  cows.fieldByName(u"nokli").setString(QStringLiteral("Чужая"));
  cows.post();
  EXPECT_NE(cows.recNo(), 8);
  EXPECT_NE(cows.fieldByName(u"nokli").asString(), QStringLiteral("Чужая"));
  EXPECT_EQ(walk(cows), (Rows{1, 2, 3, 6, 7}));
  EXPECT_EQ(cows.file().recordCount(), 8u);
  cows.setFilter(QStringLiteral("kodreg=9"));
  EXPECT_EQ(walk(cows), (Rows{8}));

  // An edited row moved out of the filter leaves it; the next passing row becomes current.
  cows.setFilter(QStringLiteral("kodreg=5"));
  cows.goToRecNo(2);
  cows.edit();
  cows.fieldByName(u"kodreg").setInteger(0);
  cows.post();
  EXPECT_EQ(cows.recNo(), 3);
  EXPECT_EQ(walk(cows), (Rows{1, 3, 6, 7}));
}
