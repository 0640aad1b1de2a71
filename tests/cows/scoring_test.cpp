// The trait catalogue walk and the overall score over XARAKT and KOROVA tables written here.
#include "cows/scoring.h"
#include "cows/trait_catalogue.h"
#include "db/dbf_file.h"
#include "db/schema.h"

#include <QDir>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <map>

using namespace korvel;

namespace {

struct CatalogueLine {
  QString id;
  QString xar;
  std::optional<double> koef = {};
};

// A working folder with XARAKT holding `lines` in this order and KOROVA with one cow.
class Herd {
 public:
  explicit Herd(const std::vector<CatalogueLine>& lines, std::vector<db::FieldDef> korovaFields = db::korovaLayout().fields) {
    db::DbfFile::create(QDir(dir.path()).filePath("XARAKT.DBF"), db::xaraktLayout().fields);
    db::DbfFile::create(QDir(dir.path()).filePath("KOROVA.DBF"), std::move(korovaFields));
    xarakt.setDirectory(dir.path());
    korova.setDirectory(dir.path());
    // Checked as the data module's tables are.
    db::checkLayoutAtOpening(xarakt);
    db::checkLayoutAtOpening(korova);
    xarakt.open();
    korova.open();
    for (const CatalogueLine& l : lines) {
      xarakt.append();
      xarakt.fieldByName(u"ID").setString(l.id);
      xarakt.fieldByName(u"XAR").setString(l.xar);
      if (l.koef) xarakt.fieldByName(u"KOEF").setFloat(*l.koef);
      xarakt.fieldByName(u"DOP1").setString("низ " + l.id);
      xarakt.fieldByName(u"DOP2").setString("верх " + l.id);
      xarakt.post();
    }
    korova.append();
    korova.post();
    korova.first();
  }

  // Writes the current cow's fields (a whole number each; empty text leaves the field empty).
  void setCow(const std::map<QString, int>& values) {
    korova.edit();
    for (const auto& [name, v] : values) korova.fieldByName(name).setInteger(v);
    korova.post();
  }

  int cowScore() { return overallScore(xarakt, recordValueReader(korova), &korova); }

  QTemporaryDir dir;
  db::Table xarakt{QStringLiteral("xarakt"), QStringLiteral("XARAKT")};
  db::Table korova{QStringLiteral("korova"), QStringLiteral("KOROVA")};
};

QStringList idsOf(const std::vector<TraitRow>& rows) {
  QStringList ids;
  for (const TraitRow& r : rows) ids << r.id;
  return ids;
}

// The catalogue and the cow for a score made of (weight, value) pairs, one complex row each.
int scoreOf(const std::vector<std::pair<double, int>>& terms, float* total = nullptr) {
  std::vector<CatalogueLine> lines;
  std::map<QString, int> cow;
  for (size_t i = 0; i < terms.size(); ++i) {
    const QString id = QStringLiteral("xxx%1").arg(i + 1);
    lines.push_back({id, QStringLiteral("Признак %1").arg(i + 1), terms[i].first});
    cow[id] = terms[i].second;
  }
  Herd h(lines);
  h.setCow(cow);
  if (total) *total = overallTotal(catalogueRows(h.xarakt, TraitKind::Complex), recordValueReader(h.korova));
  return h.cowScore();
}

}  // namespace

TEST(TraitCatalogue, KindIsDecidedFromIdCaseSensitively) {
  EXPECT_EQ(traitKindOf("x1"), TraitKind::Linear);
  EXPECT_EQ(traitKindOf("xx12"), TraitKind::Defect);
  EXPECT_EQ(traitKindOf("xxx3"), TraitKind::Complex);
  EXPECT_EQ(traitKindOf("X1"), std::nullopt);
  EXPECT_EQ(traitKindOf("XX1"), std::nullopt);
  EXPECT_EQ(traitKindOf("kodreg"), std::nullopt);
  EXPECT_EQ(traitKindOf(""), std::nullopt);
  EXPECT_TRUE(traitTextBlank(""));
  EXPECT_TRUE(traitTextBlank("   "));
  EXPECT_FALSE(traitTextBlank("  a"));
}

TEST(TraitCatalogue, RowsOfEachGridInRecordOrderWithMarkers) {
  Herd h({{"x1", "Рост"},
          {"x2", "!Туловище"},
          {"x3", "Глубина"},
          {"xx1", "ДЕФЕКТЫ!", 5.0},
          {"x4", "Линейный после дефекта"},
          {"xxx1", "Общий вид", 0.3},
          {"xxx2", " подпункт", 0.2},
          {"X1", "Верхний регистр"},
          {"xx2", "   "},
          {"xxx3", "Вымя!", 0.5},
          {"xx3", "Второй дефект"},
          {"kodreg", "Без вида"},
          {"xxx4", "", 0.9}});
  h.xarakt.first();
  h.xarakt.next();
  const int before = h.xarakt.recNo();

  const auto linear = catalogueRows(h.xarakt, TraitKind::Linear);
  EXPECT_EQ(idsOf(linear), QStringList({"x1", "x2", "x3"}));
  EXPECT_FALSE(linear[0].heading);
  EXPECT_TRUE(linear[1].heading);
  EXPECT_EQ(linear[2].dop1, "низ x3");
  EXPECT_EQ(linear[2].dop2, "верх x3");
  EXPECT_EQ(linear[2].record, 3);

  const auto defects = catalogueRows(h.xarakt, TraitKind::Defect);
  EXPECT_EQ(idsOf(defects), QStringList({"xx1", "xx3"}));
  EXPECT_TRUE(defects[0].heading);
  EXPECT_EQ(defects[0].koef, 0);  // weights are read for complex rows only
  EXPECT_EQ(defects[1].record, 11);

  const auto complex = catalogueRows(h.xarakt, TraitKind::Complex);
  ASSERT_EQ(idsOf(complex), QStringList({"xxx1", "xxx2", "xxx3"}));
  EXPECT_DOUBLE_EQ(complex[0].koef, 0.3);
  EXPECT_FALSE(complex[0].subRow);
  EXPECT_TRUE(complex[1].subRow);
  EXPECT_EQ(complex[1].xar, " подпункт");
  EXPECT_TRUE(complex[2].heading);
  EXPECT_FALSE(complex[2].subRow);

  // Grid lines count headings and sub-rows; line 0 is the titles.
  EXPECT_EQ(rowForLine(complex, 0), nullptr);
  EXPECT_EQ(rowForLine(complex, 2)->id, "xxx2");
  EXPECT_EQ(rowForLine(complex, 4), nullptr);
  EXPECT_EQ(lineForId(linear, "X3"), 3);
  EXPECT_EQ(lineForId(linear, "x4"), 0);
  TraitCatalogue cat(h.xarakt, &h.korova);
  EXPECT_EQ(cat.rowForLine(TraitKind::Defect, 2)->xar, "Второй дефект");
  EXPECT_EQ(cat.lineForId(TraitKind::Complex, "xxx3"), 3);

  // The walk leaves the cursor where it was.
  EXPECT_EQ(h.xarakt.recNo(), before);
  EXPECT_EQ(h.xarakt.fieldByName(u"ID").asString(), "x2");
}

TEST(TraitCatalogue, LinearSectionEndsAtFirstBreak) {
  {
    Herd h({{"x1", "Рост"}, {"x2", "  "}, {"x3", "Глубина"}});
    EXPECT_EQ(idsOf(catalogueRows(h.xarakt, TraitKind::Linear)), QStringList({"x1"}));
  }
  {
    Herd h({{"x1", "Рост"}, {"X2", "Верхний регистр"}, {"x3", "Глубина"}});
    EXPECT_EQ(idsOf(catalogueRows(h.xarakt, TraitKind::Linear)), QStringList({"x1"}));
  }
  {
    Herd h({{"xxx1", "Общий вид", 1.0}, {"x1", "Рост"}, {"x2", "Глубина"}});
    EXPECT_TRUE(catalogueRows(h.xarakt, TraitKind::Linear).empty());
    EXPECT_EQ(idsOf(catalogueRows(h.xarakt, TraitKind::Complex)), QStringList({"xxx1"}));
  }
  {
    Herd h({});
    EXPECT_TRUE(catalogueRows(h.xarakt, TraitKind::Linear).empty());
    EXPECT_EQ(h.cowScore(), 0);
  }
}

TEST(TraitCatalogue, ShownRowNamingNoFieldOfItsGroupIsTheMissingFieldError) {
  const auto errorOf = [](const std::vector<CatalogueLine>& lines, TraitKind kind) -> CatalogueError {
    Herd h(lines);
    try {
      catalogueRows(h.xarakt, kind, &h.korova);
    } catch (const CatalogueError& e) {
      return e;
    }
    ADD_FAILURE() << "no error";
    return CatalogueError({}, {});
  };
  const CatalogueError e1 = errorOf({{"x1", "Рост"}, {"x31", "Лишний"}, {"x2", "Глубина"}}, TraitKind::Linear);
  EXPECT_EQ(e1.text(), "Таблица KOROVA: поле «x31» не найдено.");
  EXPECT_EQ(idsOf(e1.rowsBefore), QStringList({"x1"}));
  // "xX5" finds the defect field XX5 by name, but a linear row must name a linear field.
  EXPECT_EQ(errorOf({{"xX5", "Смешанный"}}, TraitKind::Linear).text(), "Таблица KOROVA: поле «xX5» не найдено.");
  EXPECT_EQ(errorOf({{"xx61", "Дефект"}}, TraitKind::Defect).text(), "Таблица KOROVA: поле «xx61» не найдено.");
  // Headings are written back too, so their IDs are checked as well.
  EXPECT_EQ(errorOf({{"xxx1", "A", 1.0}, {"xxx16", "Заголовок!"}}, TraitKind::Complex).text(),
            "Таблица KOROVA: поле «xxx16» не найдено.");

  // Rows that are not shown are not checked; the score walk meets the error as well.
  Herd h({{"x1", "Рост"}, {"xx1", "Дефект"}, {"x99", "Не показан"}, {"xxx99", "  ", 1.0}, {"xxx1", "A", 1.0}});
  EXPECT_EQ(catalogueRows(h.xarakt, TraitKind::Linear).size(), 1u);
  EXPECT_EQ(catalogueRows(h.xarakt, TraitKind::Complex).size(), 1u);
  Herd bad({{"xxx1", "A", 1.0}, {"xxx20", "B", 1.0}});
  EXPECT_THROW(bad.cowScore(), db::TableError);

  // A KOROVA that lacks a trait field of the layout does not open at all.
  EXPECT_THROW(Herd({{"x1", "Рост"}, {"x2", "Глубина"}}, {{"X1", 'N', 3, 0, 0}}), db::TableError);
}

TEST(Scoring, CategoriesAndCaptions) {
  const std::vector<std::pair<int, QString>> bounds = {
      {-1, ""},        {0, "Очень плохой"},        {49, "Очень плохой"},       {50, "Плохой"},
      {64, "Плохой"},  {65, "Удовлетворительный"}, {74, "Удовлетворительный"}, {75, "Хороший"},
      {79, "Хороший"}, {80, "Хороший с плюсом"},   {84, "Хороший с плюсом"},   {85, "Отличный"},
      {89, "Отличный"}, {90, "Превосходный"},      {101, "Превосходный"},      {102, ""}};
  for (const auto& [score, category] : bounds) EXPECT_EQ(categoryOf(score), category) << score;
  EXPECT_EQ(scoreCaption(82), "Общая оценка:  82");
  EXPECT_EQ(categoryCaption(82), "Категория:  Хороший с плюсом");
  EXPECT_EQ(categoryCaption(102), "Категория:  ");
  EXPECT_EQ(scoreCaption(-5), "Общая оценка:  -5");
}

TEST(Scoring, ScoresFromTheCowRecord) {
  // A cow with no complex values.
  Herd empty({{"xxx1", "Общий вид", 0.5}, {"xxx2", "Вымя", 0.5}});
  EXPECT_EQ(empty.cowScore(), 0);
  EXPECT_EQ(categoryCaption(empty.cowScore()), "Категория:  Очень плохой");

  // Halves go to the even neighbour; these totals are exact in single precision.
  float total = 0;
  EXPECT_EQ(scoreOf({{0.5, 99}}, &total), 50);
  EXPECT_EQ(total, 49.5f);
  EXPECT_EQ(scoreOf({{0.5, 100}, {0.5, 29}}, &total), 64);
  EXPECT_EQ(total, 64.5f);
  EXPECT_EQ(scoreOf({{0.5, 100}, {0.5, 49}}), 74);
  EXPECT_EQ(scoreOf({{0.5, 100}, {0.5, 79}}), 90);
  EXPECT_EQ(scoreOf({{0.25, 100}, {0.75, 101}}), 101);  // 100.75
  const int s = scoreOf({{0.4, 84}, {0.6, 80}}, &total);  // 81.6
  EXPECT_FLOAT_EQ(total, 81.6f);
  EXPECT_EQ(scoreCaption(s), "Общая оценка:  82");
  EXPECT_EQ(categoryCaption(s), "Категория:  Хороший с плюсом");
  EXPECT_EQ(scoreOf({{1.02, 100}}), 102);
  EXPECT_EQ(categoryOf(102), "");
  EXPECT_EQ(scoreOf({{1.0, 60}, {-0.5, 130}}), -5);
}

TEST(Scoring, HeadingsBlankRowsAndEmptyWeightsAddNothingSubRowsCount) {
  Herd h({{"xxx1", "Общий вид", 0.5},
          {"xxx2", "ВЫМЯ!", 1.0},
          {"xxx3", " прикрепление", 0.25},
          {"xxx4", "   ", 1.0},
          {"xxx5", "Без веса"},
          {"X1", "Верхний регистр"}});
  h.setCow({{"xxx1", 80}, {"xxx2", 100}, {"xxx3", 60}, {"xxx4", 100}, {"xxx5", 100}});
  EXPECT_EQ(h.cowScore(), 55);  // 40 + 15
  const auto rows = catalogueRows(h.xarakt, TraitKind::Complex);
  EXPECT_EQ(overallTotal(rows, recordValueReader(h.korova)), 55.0f);
}

TEST(Scoring, GridCellsWhileEditing) {
  Herd h({{"xxx1", "Общий вид", 0.5}, {"xxx2", "ВЫМЯ!", 1.0}, {"xxx3", " прикрепление", 0.25}, {"xxx4", "Ноги", 0.25}});
  // The cow's stored values must not be read while editing.
  h.setCow({{"xxx1", 1}, {"xxx3", 1}, {"xxx4", 1}});
  TraitCatalogue cat(h.xarakt, &h.korova);
  std::map<int, QString> cells = {{1, " 90 "}, {2, "100"}, {3, "70"}, {4, "  "}};
  const auto reader = gridValueReader([&](int line) { return cells[line]; });
  EXPECT_EQ(overallScore(cat.rows(TraitKind::Complex), reader), 62);  // 45 + 17.5 = 62.5
  cells[4] = "2";
  EXPECT_EQ(overallScore(cat.rows(TraitKind::Complex), reader), 63);
  EXPECT_EQ(overallScore(cat.rows(TraitKind::Complex), recordValueReader(h.korova)), 1);
}

// Weight x value + total is formed in double and stored into a float total. With these
// catalogue weights the two ways of accumulating round to different whole scores.
TEST(Scoring, TotalIsAccumulatedInSinglePrecision) {
  const auto doubleScore = [](const std::vector<TraitRow>& rows, const std::vector<int>& v) {
    double t = 0;
    for (size_t i = 0; i < rows.size(); ++i) t = rows[i].koef * v[i] + t;
    return int(std::nearbyint(t));
  };
  struct Case {
    std::vector<std::pair<double, int>> terms;
    int single, twice;
  };
  const std::vector<Case> cases = {{{{0.5970, 57}, {0.2865, 54}}, 50, 49},   // 49.5 exactly in decimals
                                   {{{0.3996, 94}, {0.3264, 9}}, 40, 41}};
  for (const Case& c : cases) {
    std::vector<CatalogueLine> lines;
    std::map<QString, int> cow;
    std::vector<int> values;
    for (size_t i = 0; i < c.terms.size(); ++i) {
      const QString id = QStringLiteral("xxx%1").arg(i + 1);
      lines.push_back({id, "Признак", c.terms[i].first});
      cow[id] = c.terms[i].second;
      values.push_back(c.terms[i].second);
    }
    Herd h(lines);
    h.setCow(cow);
    const auto rows = catalogueRows(h.xarakt, TraitKind::Complex);
    EXPECT_EQ(doubleScore(rows, values), c.twice);
    EXPECT_EQ(h.cowScore(), c.single);
  }
}
