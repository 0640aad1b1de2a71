// The bull figures over the daughters: the values written into BIK, the father link, and the
// cow side put back as it was found.
#include "herd_writer.h"
#include "db/freeze.h"
#include "sires/bull_figures.h"
#include "work_folder.h"

#include "db/table_error.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace korvel;
using korvel::test::HerdWriter;
using korvel::test::numberAt;
using korvel::test::fieldAt;

namespace {

struct Figures : ::testing::Test {
  test::WorkFolder folder;
  HerdTables dm{folder.path()};
  HerdWriter herd{dm};

  // Makes the bull at `recNo` current (BIK unfiltered) and recomputes him.
  void show(int recNo) {
    dm.bik.open();
    dm.bik.setFiltered(false);
    dm.bik.goToRecNo(recNo);
    ASSERT_EQ(dm.bik.recNo(), recNo);
    recomputeBullFigures(dm);
  }
  double bik(int recNo, const QString& field) { return numberAt(dm.bik, recNo, field); }
};

TEST_F(Figures, MeansSharesAndCountOverTheDaughters) {
  const int bull = herd.bull(1, 1, "12", "ZORRO");
  herd.cow(1, 1, "A", "+", "12", {{"x1", "5"}, {"x3", "7"}, {"xx4", "+"}, {"xxx2", "80"}, {"xx5", " +"}});
  herd.cow(1, 2, "B", "+", "12", {{"x1", "5"}, {"xx4", "++"}, {"xxx2", "0"}});
  herd.cow(2, 1, "C", "+", " 12 ", {{"x1", "6"}, {"x3", "2"}, {"xxx2", "81"}});
  herd.cow(1, 1, "not his", "+", "13", {{"x1", "9"}, {"xx4", "++"}});
  herd.cow(1, 1, "detached", " ", "#ZORRO", {{"x1", "9"}});
  show(bull);

  EXPECT_EQ(bik(bull, "kolkorov"), 3);
  // The mean of 5, 5 and 6 is the single-precision value, widened.
  EXPECT_EQ(bik(bull, "x1"), double(float(16.0 / 3)));
  EXPECT_NE(bik(bull, "x1"), 16.0 / 3);
  EXPECT_EQ(bik(bull, "x3"), 3.0);  // (7 + 2) / 3, the empty value still counted in n
  EXPECT_EQ(bik(bull, "x2"), 0.0);
  // One "+" and one "++" among three: 67 with any mark, 33 with the strong one.
  EXPECT_DOUBLE_EQ(bik(bull, "xx4"), 67.033);
  EXPECT_EQ(unpackDefectShare(bik(bull, "xx4")), std::make_pair(67, 33));
  // A leading blank still marks.
  EXPECT_DOUBLE_EQ(bik(bull, "xx5"), 33.0);
  EXPECT_EQ(bik(bull, "xxx2"), double(float(161.0 / 3)));  // a 0 is a value and adds 0
  EXPECT_EQ(bik(bull, "xx60"), 0.0);
}

TEST_F(Figures, EmptyValuesAndRoundingOfTheShares) {
  const int two = herd.bull(1, 1, "1", "TWO");
  herd.cow(1, 1, "a", "+", "1", {{"x3", "7"}});
  herd.cow(1, 1, "b", "+", "1");
  const int four = herd.bull(1, 1, "2", "FOUR");
  herd.cow(1, 1, "c", "+", "2", {{"xx1", "++"}});
  for (int i = 0; i < 3; ++i) herd.cow(1, 1, "d", "+", "2");
  const int eight = herd.bull(1, 1, "3", "EIGHT");
  herd.cow(1, 1, "e", "+", "3", {{"xx2", "+"}, {"xx3", "+"}, {"xx7", "++"}});
  herd.cow(1, 1, "f", "+", "3", {{"xx3", "+"}, {"xx7", "++"}});
  herd.cow(1, 1, "g", "+", "3", {{"xx3", "++"}, {"xx7", "++"}});
  for (int i = 0; i < 5; ++i) herd.cow(1, 1, "h", "+", "3");
  show(two);
  show(four);
  show(eight);

  EXPECT_EQ(bik(two, "x3"), 3.5);
  EXPECT_EQ(bik(two, "kolkorov"), 2);
  EXPECT_DOUBLE_EQ(bik(four, "xx1"), 25.025);
  // 12.5 rounds to the even 12, 37.5 to 38; 12.5 strong to 12.
  EXPECT_EQ(bik(eight, "xx2"), 12.0);
  EXPECT_DOUBLE_EQ(bik(eight, "xx3"), 38.012);
  EXPECT_DOUBLE_EQ(bik(eight, "xx7"), 38.038);
  EXPECT_EQ(fieldAt(dm.bik, two, "x3"), "3.5");
}

TEST_F(Figures, WhoCountsAsADaughter) {
  const int bull = herd.bull(1, 1, "7", "SEVEN");
  const int lonely = herd.bull(1, 1, "8", "LONELY");
  herd.cow(0, 0, "free row", "+", "7", {{"x1", "4"}});         // deleted cow: still his
  herd.cow(1, 1, "leading blank", " +", "7", {{"x1", "9"}});   // not exactly "+"
  herd.cow(1, 1, "word", "+", "семь", {{"x1", "9"}});           // no whole number: nobody's
  herd.cow(1, 1, "detached", "", "#SEVEN", {{"x1", "9"}});
  herd.cow(1, 1, "leading zeros", "+", "007", {{"x1", "6"}});  // the same whole number
  herd.cow(1, 1, "digits then more", "+", "7 7", {{"x1", "9"}});
  herd.cow(1, 1, "seventy", "+", "77", {{"x1", "9"}});
  herd.cow(1, 1, "signed", "+", "-7", {{"x1", "9"}});
  // Stale figures from before are overwritten.
  dm.bik.goToRecNo(lonely);
  dm.bik.edit();
  dm.bik.fieldByName(u"x1").setFloat(8);
  dm.bik.fieldByName(u"xx1").setFloat(50.5);
  dm.bik.fieldByName(u"kolkorov").setInteger(9);
  dm.bik.post();

  ASSERT_NO_THROW(show(bull));
  EXPECT_EQ(bik(bull, "kolkorov"), 2);
  EXPECT_EQ(bik(bull, "x1"), 5.0);
  show(lonely);
  EXPECT_EQ(bik(lonely, "kolkorov"), 0);
  EXPECT_EQ(bik(lonely, "x1"), 0.0);
  EXPECT_EQ(bik(lonely, "xx1"), 0.0);
  EXPECT_EQ(fieldAt(dm.bik, lonely, "xxx15"), "0");
}

TEST_F(Figures, TheCowSideIsPutBack) {
  const int bull = herd.bull(1, 1, "5", "FIVE");
  for (int i = 0; i < 6; ++i) herd.cow(1, 1 + i % 2, QString("c%1").arg(i), "+", "5", {{"x1", "3"}});

  // Open, filtered on a farm, on its third cow, with the grid enabled.
  dm.korova.setFilter("kodreg=1 and kodvlad=2");
  dm.korova.setFiltered(true);
  dm.korova.first();
  dm.korova.next();
  dm.korova.next();
  ASSERT_EQ(dm.korova.recNo(), 6);
  show(bull);
  EXPECT_EQ(dm.korova.recNo(), 6);
  EXPECT_EQ(dm.korova.filter(), "kodreg=1 and kodvlad=2");
  EXPECT_TRUE(dm.korova.filtered());
  EXPECT_TRUE(dm.cowsSource.enabled());
  EXPECT_EQ(bik(bull, "kolkorov"), 6);

  // Closed, with a filter text set but switched off, the grid disabled.
  dm.korova.close();
  dm.korova.setFiltered(false);
  const db::Freeze outer(dm.cowsSource);
  show(bull);
  EXPECT_FALSE(dm.korova.isOpen());
  EXPECT_EQ(dm.korova.filter(), "kodreg=1 and kodvlad=2");
  EXPECT_FALSE(dm.korova.filtered());
  EXPECT_FALSE(dm.cowsSource.enabled());
  EXPECT_EQ(bik(bull, "kolkorov"), 6);
}

TEST_F(Figures, BadTraitValueEndsTheShowAndLosesNothing) {
  const int bull = herd.bull(1, 1, "5", "FIVE");
  herd.cow(1, 1, "a", "+", "5", {{"x1", "3"}});
  // A character trait field holding a word (written raw, as another program might).
  dm.korova.setFiltered(false);
  dm.korova.first();
  dm.korova.edit();
  dm.korova.fieldByName(u"x2").setString("4");
  dm.korova.post();
  {
    db::DbfFile raw(dm.korova.file().path());
    std::vector<char> rec(raw.record(0), raw.record(0) + raw.recordLength());
    const auto& f = raw.fields()[size_t(raw.fieldIndex(u"x2"))];
    std::memcpy(rec.data() + f.offset, "abc", 3);
    raw.writeRecord(0, rec.data());
  }
  dm.korova.close();
  dm.korova.open();
  dm.korova.first();
  try {
    show(bull);
    FAIL() << "no error";
  } catch (const db::TableError& e) {
    EXPECT_EQ(e.text(), "Таблица KOROVA: «abc» не является числом (поле X2), запись №1 (корова «a», хозяйство 1 региона 1).");
  }
  EXPECT_EQ(fieldAt(dm.bik, bull, "kolkorov"), "");
  EXPECT_EQ(dm.bik.state(), db::TableState::Browse);
  EXPECT_TRUE(dm.korova.isOpen());
  EXPECT_EQ(dm.korova.recNo(), 1);
  EXPECT_TRUE(dm.cowsSource.enabled());
}

TEST(DefectShare, PackAndUnpack) {
  EXPECT_DOUBLE_EQ(packDefectShare(67, 33), 67.033);
  EXPECT_EQ(packDefectShare(12, 0), 12.0);
  for (int p = 0; p <= 100; ++p)
    for (int q = 0; q <= p; ++q) ASSERT_EQ(unpackDefectShare(packDefectShare(p, q)), std::make_pair(p, q)) << p << " " << q;
  EXPECT_EQ(unpackDefectShare(0), std::make_pair(0, 0));
}

TEST_F(Figures, EveryLiveBullAtOnce) {
  const int a = herd.bull(1, 1, "1", "A");
  const int b = herd.bull(1, 2, "2", "B");
  const int freed = herd.bull(0, 0, "1", "FREED");
  const int bad = herd.bull(2, 1, "x", "BAD");
  herd.cow(1, 1, "a1", "+", "1", {{"x1", "5"}, {"xx1", "+"}});
  herd.cow(1, 1, "a2", "+", "1", {{"x1", "6"}});
  herd.cow(1, 1, "b1", "+", "2", {{"xxx1", "70"}});
  dm.bik.setFilter("kodreg=1 and kodvlad=2");
  dm.bik.setFiltered(true);
  ASSERT_EQ(dm.bik.recNo(), b);

  const auto done = recomputeEveryLiveBull(dm);
  ASSERT_EQ(done.size(), 3u);
  EXPECT_EQ(done[0].code, "1");
  EXPECT_EQ(done[0].daughters, 2);
  EXPECT_EQ(done[1].daughters, 1);
  EXPECT_EQ(done[2].name, "BAD");
  EXPECT_FALSE(done[2].error.isEmpty());
  EXPECT_EQ(dm.bik.recNo(), b);
  EXPECT_EQ(dm.bik.filter(), "kodreg=1 and kodvlad=2");
  EXPECT_EQ(fieldAt(dm.bik, freed, "kolkorov"), "");
  EXPECT_EQ(fieldAt(dm.bik, bad, "kolkorov"), "");

  // The same values as showing each bull writes.
  const QString before = fieldAt(dm.bik, a, "x1") + fieldAt(dm.bik, a, "xx1");
  show(a);
  EXPECT_EQ(fieldAt(dm.bik, a, "x1") + fieldAt(dm.bik, a, "xx1"), before);
  EXPECT_EQ(bik(b, "xxx1"), 70.0);
}

}  // namespace
