// The sire statistics and the profile sheets they give: a herd built in a starter working
// folder, scanned, laid out, written as .xlsx and read back.
#include "db/journal.h"
#include "evaluation/profile_workbook.h"
#include "qt_print.h"
#include "evaluation/sire_statistics.h"
#include "herd_writer.h"
#include "work_folder.h"
#include "xlsx_reader.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>


namespace korvel {
namespace {

using test::CowRow;

constexpr long long kEmuPerPoint = 12700;

class SireStatistics : public ::testing::Test {
 protected:
  SireStatistics() : dm(folder.path()), herd(dm) {
    herd.region(1, QStringLiteral("Московская область"));
    herd.region(2, QStringLiteral("Тверская область"));
    herd.farm(1, 0, QStringLiteral("Архив региона"));
    herd.farm(1, 1, QStringLiteral("СПК «Заря»"));
    herd.farm(1, 2, QStringLiteral("ООО «Нива»"));
    herd.farm(2, 1, QStringLiteral("АО «Искра»"));
    herd.breed(1, QStringLiteral("Черно-пестрая"));
    herd.breed(2, QStringLiteral("Голштинская"));
    herd.bull(1, 1, QStringLiteral("101"), QStringLiteral("Аккорд 101"), 1);
    herd.bull(2, 1, QStringLiteral("202"), QStringLiteral("Буран 202"), 2);
  }

  EvaluationRequest all() const {
    EvaluationRequest r;
    r.breed = 1;
    return r;
  }

  // Scans, lays the workbook out, writes it and reads it back.
  test::ReadBook book(const SireEvaluation& e) {
    const QString path = out.filePath(QStringLiteral("profile.xlsx"));
    writeProfileWorkbook(e, readProfileNames(dm, e), path);
    xlsx::Sheet laidOut{QString()};
    formatProfileSheet(laidOut, e, QString());
    chartArea = laidOut.geometry("C5:F5");
    return test::readBook(path);
  }

  test::WorkFolder folder;
  HerdTables dm;
  test::HerdWriter herd;
  QTemporaryDir out;
  xlsx::RectF chartArea;
};

// The documented example: two daughters scoring 6 and 8, three other base cows 4, 5 and 6.
TEST_F(SireStatistics, WorkedExampleComesOutExactlyAndShowsAsPlus155) {
  herd.cows({.father = QStringLiteral("101")}, {6, 8});
  herd.cows({.region = 1, .farm = 2}, {4, 5, 6});

  const SireEvaluation e = scanSires(dm, all());
  ASSERT_EQ(checkEvaluation(e), EvaluationCheck::Ok);
  EXPECT_EQ(e.baseCount, 5);
  ASSERT_EQ(e.sireCount(), 1);
  const SireFigures f = e.figures(0);
  EXPECT_EQ(f.daughters, 2);
  const LinearFigure& x1 = f.linear[0];
  EXPECT_EQ(x1.md, 7.0f);
  EXPECT_EQ(x1.vd, 1.0f);
  EXPECT_EQ(x1.mc, 5.0f);
  EXPECT_EQ(x1.vc, 0.6666667f);
  EXPECT_EQ(x1.s, 1.2909944f);
  EXPECT_EQ(x1.d, 2.0f);
  EXPECT_EQ(x1.z, 1.5491934f);
  EXPECT_FALSE(x1.zeroDaughters);
  EXPECT_FALSE(x1.zeroBase);

  const test::ReadBook b = book(e);
  ASSERT_EQ(b.sheets.size(), 1u);
  const test::ReadSheet& s = b.sheets[0];
  EXPECT_EQ(s.name, QStringLiteral("№1 Аккорд 101"));
  EXPECT_EQ(s.text("H5"), QStringLiteral("+ 1.55 ВЫ"));
  EXPECT_EQ(s.text("C5"), QString());  // no warning
  EXPECT_EQ(s.text("A1"), QStringLiteral("Линейный профиль быка-производителя. (Порода коров: Черно-пестрая)"));
  EXPECT_EQ(s.text("A2"), QStringLiteral("Регион: Московская область"));
  EXPECT_EQ(s.text("E2"), QStringLiteral("Владелец: СПК «Заря»"));
  EXPECT_EQ(s.text("A3"), QStringLiteral("Идентификационный №, кличка: Аккорд 101"));
  EXPECT_EQ(s.text("G3"), QStringLiteral("Порода: Черно-пестрая"));
  EXPECT_EQ(s.text("I4"), QStringLiteral("Число дочерей      2"));

  // The bar of row 5: from the middle of C:F (the start of E), a seventh of the area per unit,
  // anchored to row 5 from its top to the top of row 6.
  ASSERT_EQ(s.bars.size(), 19u);
  const test::ReadBar& bar = s.bars[0];
  EXPECT_EQ(bar.fill, QStringLiteral("00FF00"));
  EXPECT_EQ(bar.alpha, 30000);  // transparency 0.7
  EXPECT_EQ(bar.from.column, 4);
  EXPECT_EQ(bar.from.columnOffset, 0);
  EXPECT_EQ(bar.from.row, 4);
  EXPECT_EQ(bar.from.rowOffset, 0);
  EXPECT_EQ(bar.to.row, 5);
  EXPECT_EQ(bar.to.rowOffset, 0);
  EXPECT_EQ(bar.x, std::llround((chartArea.left + chartArea.width / 2) * kEmuPerPoint));
  EXPECT_EQ(bar.cx, std::llround(chartArea.width / 7 * 1.5491934 * kEmuPerPoint));

  // Every other trait: nobody scored, both spreads zero, the raw deviation 0.
  EXPECT_EQ(s.text("H6"), QStringLiteral("+ 0.00 ШИ"));
  EXPECT_EQ(s.text("C6"), QStringLiteral("СКО по дочерям =0!  СКО базы сравнения =0!"));
  EXPECT_EQ(s.bars[1].cx, 0);
}

TEST_F(SireStatistics, OneDaughterHasNoSpreadAndIsMeasuredAgainstTheBaseSpreadAlone) {
  herd.cows({.father = QStringLiteral("101")}, {8});
  herd.cows({.region = 1, .farm = 2}, {4, 5, 6});
  const SireFigures f = scanSires(dm, all()).figures(0);
  const LinearFigure& x1 = f.linear[0];
  EXPECT_EQ(x1.vd, 0.0f);
  EXPECT_TRUE(x1.zeroDaughters);
  EXPECT_FALSE(x1.zeroBase);
  EXPECT_EQ(x1.s, float(std::sqrt(double(0.6666667f))));
  EXPECT_EQ(x1.z, float(3.0 / double(x1.s)));
}

TEST_F(SireStatistics, EqualValuesGiveBothWarningsAndTheRawDeviation) {
  herd.cows({.father = QStringLiteral("101")}, {7, 7, 7});
  herd.cows({.region = 1, .farm = 2}, {5, 5});
  const SireEvaluation e = scanSires(dm, all());
  const LinearFigure x1 = e.figures(0).linear[0];
  EXPECT_TRUE(x1.zeroDaughters);
  EXPECT_TRUE(x1.zeroBase);
  EXPECT_EQ(x1.z, 2.0f);  // not divided: there is no spread

  const test::ReadSheet s = book(e).sheets.at(0);
  EXPECT_EQ(s.text("C5"), QStringLiteral("СКО по дочерям =0!  СКО базы сравнения =0!"));
  EXPECT_EQ(s.text("H5"), QStringLiteral("+ 2.00 ВЫ"));
  EXPECT_EQ(s.bars.at(0).cx, std::llround(chartArea.width / 7 * 2 * kEmuPerPoint));
}

// Base = one farm all of whose cows are his daughters; he has more daughters elsewhere.
TEST_F(SireStatistics, NoBaseLeftWithoutHisDaughtersGivesZeroEverywhere) {
  herd.cows({.region = 1, .farm = 2, .father = QStringLiteral("101")}, {9, 9});
  herd.cows({.region = 1, .farm = 1, .father = QStringLiteral("101")}, {3});
  herd.cows({.region = 1, .farm = 1}, {5});
  EvaluationRequest r = all();
  r.baseRegion = 1;
  r.baseFarm = 2;
  const SireEvaluation e = scanSires(dm, r);
  EXPECT_EQ(checkEvaluation(e), EvaluationCheck::Ok);
  EXPECT_EQ(e.baseCount, 2);
  EXPECT_EQ(e.sires[0].daughters, 3);
  const SireFigures f = e.figures(0);
  for (const LinearFigure& x : f.linear) {
    EXPECT_EQ(x.z, 0.0f);
    EXPECT_FALSE(x.zeroDaughters || x.zeroBase);
  }
  const test::ReadSheet s = book(e).sheets.at(0);
  for (int row = 5; row <= 23; ++row) EXPECT_TRUE(s.text(QStringLiteral("H%1").arg(row)).startsWith(u"+ 0.00 ")) << row;
  for (const test::ReadBar& bar : s.bars) EXPECT_EQ(bar.cx, 0);
}

TEST_F(SireStatistics, DaughterOutsideTheBaseCountsForHimButIsNotTakenFromTheBase) {
  herd.cows({.region = 1, .father = QStringLiteral("101")}, {6});
  herd.cows({.region = 2, .farm = 1, .father = QStringLiteral("101")}, {8});
  herd.cows({.region = 1, .farm = 2}, {4, 5, 6});
  EvaluationRequest r = all();
  r.baseRegion = 1;
  const SireEvaluation e = scanSires(dm, r);
  EXPECT_EQ(e.baseCount, 4);
  EXPECT_EQ(e.sires[0].daughters, 2);
  EXPECT_EQ(e.sires[0].daughtersInBase, 1);
  const LinearFigure x1 = e.figures(0).linear[0];
  EXPECT_EQ(x1.md, 7.0f);                  // both daughters
  EXPECT_EQ(x1.mc, 5.0f);                  // (21 - 6) / 3: only the daughter in the base is taken out
  EXPECT_EQ(x1.vc, float(77.0 / 3 - 25));  // (16 + 25 + 36 + 36 - 36) / 3 - 25
}

TEST_F(SireStatistics, EachFatherCodeIsJudgedOnceAndOtherBreedsCountForNothing) {
  herd.bull(2, 1, QStringLiteral("555"), QStringLiteral("Гром 555"), 1);
  herd.cows({.father = QStringLiteral("555")}, {5});
  herd.cows({.father = QStringLiteral("101")}, {6, 8});
  herd.cows({.father = QStringLiteral("555")}, {5, 5});
  herd.cows({.region = 1, .farm = 2}, {4, 5, 6});
  // Another breed: same father, wild values; not even in the base.
  herd.cow({.breed = 2, .father = QStringLiteral("101"), .values = {{QStringLiteral("x1"), 1}, {QStringLiteral("xx2"), QStringLiteral("++")}}});

  EvaluationRequest r = all();
  r.bullRegion = 1;  // bulls of region 1 only: 555 is refused
  const SireEvaluation e = scanSires(dm, r);
  ASSERT_EQ(e.sireCount(), 1);
  EXPECT_EQ(e.sires[0].code, QStringLiteral("101"));
  EXPECT_EQ(e.refusedCodes, 1);
  // 555 was looked up first, then 101; the later daughters of 555 did not look him up again.
  EXPECT_EQ(e.lastLookedUp, QStringLiteral("101"));
  // BIK is left as the last lookup by filter leaves it: on bull 101 alone.
  EXPECT_TRUE(dm.bik.filtered());
  EXPECT_EQ(dm.bik.filter(), QStringLiteral("kodbyk=101"));
  EXPECT_EQ(dm.bik.fieldByName(u"nokli").asString(), QStringLiteral("Аккорд 101"));
  EXPECT_EQ(e.baseCount, 8);
  EXPECT_EQ(e.figures(0).daughters, 2);
  EXPECT_EQ(e.figures(0).linear[0].md, 7.0f);
  EXPECT_EQ(e.figures(0).defects[1].strong, 0.0f);
}

TEST_F(SireStatistics, UnscoredDaughterCountsAsZero) {
  herd.cows({.father = QStringLiteral("101")}, {6});
  herd.cow({.father = QStringLiteral("101")});
  herd.cows({.region = 1, .farm = 2}, {4});
  EXPECT_EQ(scanSires(dm, all()).figures(0).linear[0].md, 3.0f);
}

TEST_F(SireStatistics, ChecksEndTheRunWithTheirMessages) {
  EXPECT_EQ(checkEvaluation(scanSires(dm, all())), EvaluationCheck::NoBaseCows);
  herd.cows({.region = 1, .farm = 2}, {4});
  EXPECT_EQ(checkEvaluation(scanSires(dm, all())), EvaluationCheck::NoSires);
  herd.cows({.father = QStringLiteral("101")}, {4});
  EXPECT_EQ(checkEvaluation(scanSires(dm, all())), EvaluationCheck::Ok);
  // Base = his farm only: all of it are his daughters.
  EvaluationRequest r = all();
  r.baseRegion = 1;
  r.baseFarm = 1;
  EXPECT_EQ(checkEvaluation(scanSires(dm, r)), EvaluationCheck::OnlySireWithoutBase);

  EXPECT_EQ(checkMessage(EvaluationCheck::NoBaseCows), QStringLiteral("Коров этой породы нет..."));
  EXPECT_EQ(checkMessage(EvaluationCheck::NoSires), QStringLiteral("Нет быков в этой породе коров!"));
  EXPECT_EQ(checkMessage(EvaluationCheck::OnlySireWithoutBase),
            QStringLiteral("У единственного быка нет базы сравнения. Все коровы - его дочери!"));
}

TEST_F(SireStatistics, SheetLayoutWithTheStarterCatalogue) {
  // Three daughters: one "++" and one "+" on the first shown defect, complex scores.
  const auto scores = [](const char* defect) {
    std::map<QString, QVariant> v{{QStringLiteral("xxx1"), 80}, {QStringLiteral("xxx2"), 70},
                                  {QStringLiteral("xxx3"), 60}, {QStringLiteral("xxx5"), 90},
                                  {QStringLiteral("xxx6"), 75}, {QStringLiteral("xxx4"), 10}};
    if (*defect) v[QStringLiteral("xx2")] = QString::fromUtf8(defect);
    return v;
  };
  herd.cow({.father = QStringLiteral("101"), .values = scores("++")});
  herd.cow({.father = QStringLiteral("101"), .values = scores("+")});
  herd.cow({.father = QStringLiteral("101"), .values = scores("")});
  herd.cows({.region = 1, .farm = 2}, {4});
  const SireEvaluation e = scanSires(dm, all());
  const SireFigures f = e.figures(0);
  // 0.1*80 + 0.2*70 + 0.15*60 + 0*10 + 0.4*90 + 0.15*75 = 78.25
  EXPECT_NEAR(f.overall, 78.25f, 1e-4);

  const test::ReadBook b = book(e);
  const test::ReadSheet& s = b.sheets.at(0);
  // Trait rows 5 to 23, defect header 25, block 26 to 33, note 34 to 36.
  EXPECT_EQ(s.text("A5"), QStringLiteral("Рост (высота в крестце)"));
  EXPECT_EQ(s.text("B5"), QStringLiteral("низкий"));
  EXPECT_EQ(s.text("G5"), QStringLiteral("высокий"));
  EXPECT_EQ(s.text("A23"), QStringLiteral("Упитанность"));
  EXPECT_EQ(s.text("A24"), QString());
  for (int row = 5; row <= 23; ++row) EXPECT_TRUE(s.merged(QStringLiteral("C%1:F%1").arg(row))) << row;
  EXPECT_EQ(s.text("A25"), QStringLiteral("Недостатки экстерьера у дочерей, % и сильно выраженные,%"));
  EXPECT_TRUE(s.merged(QStringLiteral("A25:I25")));
  EXPECT_EQ(s.text("B26"), QStringLiteral("1-  66.7%  33.3%"));
  EXPECT_EQ(s.text("B33"), QStringLiteral("8-   0.0%   0.0%"));
  EXPECT_EQ(s.text("C26"), QStringLiteral("9-   0.0%   0.0%"));
  EXPECT_EQ(s.text("F33"), QStringLiteral("40-   0.0%   0.0%"));  // 40 shown defects of the starter
  EXPECT_EQ(s.text("G26"), QString());
  EXPECT_TRUE(b.bordered(s, QStringLiteral("G33")));
  EXPECT_TRUE(b.bordered(s, QStringLiteral("B26")));
  EXPECT_FALSE(b.bordered(s, QStringLiteral("A26")));
  EXPECT_FALSE(b.bordered(s, QStringLiteral("H33")));
  EXPECT_TRUE(s.merged(QStringLiteral("A34:I36")));
  EXPECT_EQ(s.text("A34"), kProfileNote);

  // Fixed cells of column I and the header row.
  EXPECT_EQ(s.text("I6"), QStringLiteral("ОЦ по комплексу признаков   78"));
  EXPECT_EQ(s.text("I8"), QStringLiteral("в том числе:"));
  EXPECT_EQ(s.text("I9"), QStringLiteral("ОТ Объем туловища  80"));
  EXPECT_EQ(s.text("I11"), QStringLiteral("МТ Выражен- ность молочных признаков  70"));
  EXPECT_EQ(s.text("I15"), QStringLiteral("Н          Ноги          60"));
  EXPECT_EQ(s.text("I17"), QStringLiteral("В          Вымя          90"));
  EXPECT_EQ(s.text("I19"), QStringLiteral("ОВ    Общий        вид           75"));
  for (const char* m : {"A1:I1", "A2:D2", "E2:I2", "A3:F3", "G3:I3", "C4:F4", "I4:I5", "I6:I7", "I9:I10",
                        "I11:I14", "I15:I16", "I17:I18", "I19:I22"})
    EXPECT_TRUE(s.merged(QString::fromLatin1(m))) << m;
  // The scale's labels are texts of their own drawn over C4:F4 (where they stand is measured in
  // the printed sheet).
  ASSERT_EQ(s.labels.size(), 7u);
  for (int k = 0; k < 7; ++k)
    EXPECT_EQ(s.labels[size_t(k)].text, QStringList({"-3", "-2", "-1", "0", "+1", "+2", "+3"})[k]);
  EXPECT_EQ(s.text("C4"), QString());
  EXPECT_EQ(s.text("A4"), QStringLiteral("Признак"));
  EXPECT_EQ(s.text("H4"), QStringLiteral("ПСТ в долях СКО"));

  // Borders A2 to I23, fonts, alignment, widths, margins.
  EXPECT_TRUE(b.bordered(s, QStringLiteral("A2")));
  EXPECT_TRUE(b.bordered(s, QStringLiteral("I23")));
  EXPECT_FALSE(b.bordered(s, QStringLiteral("A24")));
  EXPECT_EQ(b.fontSize(s, QStringLiteral("A1")), 10);
  EXPECT_EQ(b.fontSize(s, QStringLiteral("A5")), 8);
  EXPECT_EQ(b.fontSize(s, QStringLiteral("A34")), 8);
  EXPECT_EQ(b.xf(s, QStringLiteral("A5"))->horizontal, QStringLiteral("left"));
  EXPECT_EQ(b.xf(s, QStringLiteral("I4"))->horizontal, QStringLiteral("center"));
  EXPECT_EQ(b.xf(s, QStringLiteral("A1"))->horizontal, QStringLiteral("center"));
  EXPECT_TRUE(b.xf(s, QStringLiteral("A5"))->wrap);
  EXPECT_EQ(s.columnWidths.size() >= 1, true);
  EXPECT_GT(s.columnWidths.at(1), 10.5);  // widened to show "Расположение" whole
  EXPECT_GT(s.columnWidths.at(2), 7.8);   // and "неугловатая"
  EXPECT_NEAR(s.columnWidths.at(8), 7.8, 0.8);
  EXPECT_TRUE(s.pageMargins.contains("left=0.78740157480315"));
  EXPECT_TRUE(s.pageMargins.contains("top=0.590551181102362"));
  EXPECT_TRUE(s.pageMargins.contains("bottom=0.3937007"));
  EXPECT_TRUE(s.pageMargins.contains("header=0"));
}

TEST_F(SireStatistics, ListsGrowPastFiveHundredSiresAndAThousandRefusedCodes) {
  {
    // Thousands of rows written as one operation: one journal, not one per row.
    db::JournalScope build(dm.workDir());
    for (int i = 0; i < 600; ++i) herd.cows({.father = QString::number(1000 + i)}, {5});
    for (int i = 0; i < 1100; ++i) herd.cows({.region = 2, .farm = 1, .father = QString::number(5000 + i)}, {5});
    for (int i = 0; i < 600; ++i) herd.bull(1, 1, QString::number(1000 + i), QStringLiteral("Бык %1").arg(i), 1);
    build.commit();
  }
  EvaluationRequest r = all();
  r.bullRegion = 1;
  const SireEvaluation e = scanSires(dm, r);
  EXPECT_EQ(e.sireCount(), 600);
  EXPECT_EQ(e.refusedCodes, 1100);
  EXPECT_EQ(e.sires[599].code, QStringLiteral("1599"));
}

// ------------------------------------------------------------------ sheets from given figures

class ProfileSheet : public SireStatistics {
 protected:
  // A sheet laid out from figures set by hand over the starter catalogue.
  test::ReadSheet sheetWith(const std::function<void(SireFigures&)>& set, SireEvaluation e = {}) {
    if (e.linearRows.empty()) e = evaluation();
    SireFigures f = e.figures(0);
    set(f);
    xlsx::Workbook wb(1);
    layOutProfileSheet(wb.sheet(0), e, f, QStringLiteral("Черно-пестрая"), {});
    chartArea = wb.sheet(0).geometry("C5:F5");
    const QString path = out.filePath(QStringLiteral("given.xlsx"));
    wb.save(path);
    return test::readBook(path).sheets.at(0);
  }
  SireEvaluation evaluation() {
    herd.cows({.father = QStringLiteral("101")}, {5});
    herd.cows({.region = 1, .farm = 2}, {5});
    return scanSires(dm, all());
  }
};

TEST_F(ProfileSheet, LargeDeviationIsClampedForTheBarOnly) {
  const test::ReadSheet s = sheetWith([](SireFigures& f) { f.linear[0].z = 5.2f; });
  EXPECT_EQ(s.text("H5"), QStringLiteral("+ 5.20 ВЫ"));
  const test::ReadBar& bar = s.bars.at(0);
  EXPECT_EQ(bar.fill, QStringLiteral("00FF00"));
  EXPECT_EQ(bar.to.column, 6);  // the right edge of F is the start of G
  EXPECT_EQ(bar.to.columnOffset, 0);
  EXPECT_EQ(bar.cx, std::llround(chartArea.width / 2 * kEmuPerPoint));
}

TEST_F(ProfileSheet, NegativeDeviationEndsAtTheMiddle) {
  const test::ReadSheet s = sheetWith([](SireFigures& f) {
    f.linear[0].z = -0.25f;
    f.linear[1].z = -7.0f;
  });
  EXPECT_EQ(s.text("H5"), QStringLiteral("-0.25 НИ"));
  const test::ReadBar& bar = s.bars.at(0);
  EXPECT_EQ(bar.fill, QStringLiteral("FF0000"));
  EXPECT_EQ(bar.alpha, 30000);
  EXPECT_EQ(bar.to.column, 4);  // ends at the start of E, the middle of C:F
  EXPECT_EQ(bar.to.columnOffset, 0);
  EXPECT_EQ(bar.cx, std::llround(chartArea.width / 7 * 0.25 * kEmuPerPoint));
  EXPECT_EQ(bar.from.row, 4);
  EXPECT_EQ(bar.to.row, 5);
  // -7 reaches the left edge of C.
  EXPECT_EQ(s.text("H6"), QStringLiteral("-7.00 УЗ"));
  EXPECT_EQ(s.bars.at(1).from.column, 2);
  EXPECT_EQ(s.bars.at(1).from.columnOffset, 0);
  EXPECT_EQ(s.bars.at(1).from.row, 5);
}

TEST_F(ProfileSheet, LongCataloguesMoveTheDefectBlockAndTheNoteDown) {
  SireEvaluation e = evaluation();
  const TraitRow linear = e.linearRows[0];
  while (e.linearRows.size() < 25) e.linearRows.push_back(linear);  // 25 shown linear traits
  const TraitRow defect = e.defectRows[1];
  while (e.defectRows.size() < 63) e.defectRows.push_back(defect);  // 55 shown defects
  e.sires.resize(1);
  e.sires[0].daughters = 1;
  e.prepareTotals();
  const test::ReadSheet s = sheetWith([](SireFigures&) {}, e);
  EXPECT_EQ(s.text("A29"), linear.xar);    // rows 5 to 29
  EXPECT_TRUE(s.merged(QStringLiteral("A31:I31")));  // header two rows below
  // 55 defects in 6 columns: 10 rows a column, rows 32 to 41.
  EXPECT_EQ(s.text("B32"), QStringLiteral("1-   0.0%   0.0%"));
  EXPECT_EQ(s.text("B41"), QStringLiteral("10-   0.0%   0.0%"));
  EXPECT_EQ(s.text("G36"), QStringLiteral("55-   0.0%   0.0%"));
  EXPECT_TRUE(s.merged(QStringLiteral("A42:I44")));
  EXPECT_EQ(s.text("A42"), kProfileNote);
  EXPECT_EQ(s.bars.size(), 25u);
  // No merged ranges overlap.
  for (size_t i = 0; i < s.merges.size(); ++i)
    for (size_t j = i + 1; j < s.merges.size(); ++j)
      EXPECT_FALSE(xlsx::Range::parse(s.merges[i]).intersects(xlsx::Range::parse(s.merges[j])))
          << s.merges[i].toStdString() << " " << s.merges[j].toStdString();
}

TEST(ProfileLayout, StarterCatalogueKeepsTheFixedRowsAndShortOnesStayClearOfColumnI) {
  const ProfileLayout l = ProfileLayout::of(19, 40);
  EXPECT_EQ(l.lastTraitRow, 23);
  EXPECT_EQ(l.defectHeaderRow, 25);
  EXPECT_EQ(l.blockTop, 26);
  EXPECT_EQ(l.blockRows, 8);
  EXPECT_EQ(l.noteTop, 34);
  EXPECT_EQ(ProfileLayout::of(19, 48).noteTop, 34);
  EXPECT_EQ(ProfileLayout::of(19, 49).blockRows, 9);
  EXPECT_EQ(ProfileLayout::of(19, 49).noteTop, 35);
  // Five traits: the header may not merge over the group cells I9 to I22.
  EXPECT_EQ(ProfileLayout::of(5, 40).defectHeaderRow, 23);
  EXPECT_EQ(ProfileLayout::of(5, 40).noteTop, 34);
}

TEST(SireFigures, NegativeVarianceFromRoundingIsTakenAsZero) {
  // Three values of 0.1: the float sums give a variance a hair below zero.
  const LinearFigure f = linearFigure(3, 0.3f, 0.03f, 3, 0.6f, 0.3f, 0.06f, 0.03f);
  EXPECT_LE(double(f.vd) + f.vc, 0.0);
  EXPECT_EQ(f.s, 0.0f);
  EXPECT_FALSE(std::isnan(f.z));
  EXPECT_EQ(f.z, f.d);
  EXPECT_TRUE(f.zeroDaughters && f.zeroBase);
}

TEST(SireFigures, SpreadOfExactlyTheThresholdFloatCountsAsZero) {
  // The float nearest 0.000001 lies just below the decimal; a spread of it is no spread.
  const float edge = 0.000001f;
  ASSERT_LT(double(edge), 0.000001);
  const LinearFigure at = linearFigure(1, 0, edge, 1, 0, 0, edge, 0);
  EXPECT_EQ(at.vd, edge);
  EXPECT_EQ(at.vc, edge);
  EXPECT_TRUE(at.zeroDaughters);
  EXPECT_TRUE(at.zeroBase);
  const float above = std::nextafter(edge, 1.0f);
  const LinearFigure over = linearFigure(1, 0, above, 1, 0, 0, above, 0);
  EXPECT_FALSE(over.zeroDaughters);
  EXPECT_FALSE(over.zeroBase);
}

TEST(ProfileTexts, FixedWidthNumbers) {
  TraitRow row;
  row.dop1 = QStringLiteral("низкий");
  row.dop2 = QStringLiteral("высокий");
  EXPECT_EQ(deviationText(12.345f, row), QStringLiteral("+12.35 ВЫ"));
  EXPECT_EQ(deviationText(-0.0f, row), QStringLiteral("+ 0.00 ВЫ"));
  EXPECT_EQ(deviationText(-1.5f, row), QStringLiteral("-1.50 НИ"));
  EXPECT_EQ(defectText(12, 100, 4.16f), QStringLiteral("12- 100.0%   4.2%"));
  EXPECT_EQ(fixedText(74.5, 4, 0), QStringLiteral("  74"));  // halves to the even neighbour
}

TEST_F(SireStatistics, SheetNamesTheApplicationRefusesAreMadeAcceptable) {
  herd.bull(1, 1, QStringLiteral("303"), QStringLiteral("Гром: 1/2 [A]*?"), 1);
  herd.cows({.father = QStringLiteral("303")}, {5});
  herd.cows({.father = QStringLiteral("101")}, {5});
  herd.cows({.region = 1, .farm = 2}, {4});
  const SireEvaluation e = scanSires(dm, all());
  const test::ReadBook b = book(e);
  ASSERT_EQ(b.sheets.size(), 2u);
  // Every sheet is selected while it is filled: the workbook opens on the last one.
  EXPECT_EQ(b.activeSheet, 1);
  EXPECT_EQ(b.sheets[0].name, QStringLiteral("№1 Гром_ 1_2 _A___"));
  EXPECT_EQ(b.sheets[1].name, QStringLiteral("№2 Аккорд 101"));
}

}  // namespace
}  // namespace korvel
