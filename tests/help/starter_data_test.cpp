// The starter catalogue obeys the catalogue rules, and the instruction texts fit the viewer.
#include "help/starter_data.h"

#include "db/text.h"
#include "help/instruction_text.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSet>

namespace korvel {
namespace {

enum class Kind { None, Linear, Defect, Complex };

// The kind tests of the trait catalogue: case-sensitive substrings of the ID.
Kind kindOf(const QString& id) {
  if (id.contains(QLatin1String("xxx"))) return Kind::Complex;
  if (id.contains(QLatin1String("xx"))) return Kind::Defect;
  if (id.contains(QLatin1String("x"))) return Kind::Linear;
  return Kind::None;
}
bool blank(const QString& s) { return s.trimmed().isEmpty(); }
bool heading(const QString& xar) { return xar.contains(QLatin1Char('!')); }
bool fitsCp1251(const QString& s) { return db::decode(db::encode(s).constData(), db::encode(s).size()) == s; }

class StarterData : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { initStarterData(); }
};

TEST_F(StarterData, CatalogueObeysTheCatalogueRules) {
  const std::vector<CatalogueRow> rows = starterCatalogue();
  ASSERT_FALSE(rows.empty());

  // Linear section: from the first record up to the first non-linear or blank row.
  size_t linearEnd = 0;
  while (linearEnd < rows.size() && kindOf(rows[linearEnd].id) == Kind::Linear && !blank(rows[linearEnd].xar))
    ++linearEnd;
  EXPECT_GT(linearEnd, 0u);
  EXPECT_LE(linearEnd, 19u) << "the profile sheet and the bull card hold 19 linear lines";

  int defects = 0, defectHeadings = 0, complexCount = 0, subRows = 0;
  double weightSum = 0;
  QSet<QString> ids;
  const QRegularExpression idShape(QStringLiteral("^(x|xx|xxx)([1-9][0-9]?)$"));
  for (size_t i = 0; i < rows.size(); ++i) {
    const CatalogueRow& r = rows[i];
    SCOPED_TRACE(r.id.toStdString() + " " + r.xar.toStdString());
    EXPECT_FALSE(ids.contains(r.id));
    ids.insert(r.id);
    const auto m = idShape.match(r.id);
    ASSERT_TRUE(m.hasMatch());
    const int number = m.captured(2).toInt();
    const Kind kind = kindOf(r.id);
    const int limit = kind == Kind::Linear ? 30 : kind == Kind::Defect ? 60 : 15;
    EXPECT_LE(number, limit);
    EXPECT_FALSE(blank(r.xar));
    EXPECT_LE(r.xar.size(), 30);
    EXPECT_LE(r.dop1.size(), 20);
    EXPECT_LE(r.dop2.size(), 20);
    EXPECT_TRUE(fitsCp1251(r.xar) && fitsCp1251(r.dop1) && fitsCp1251(r.dop2));
    switch (kind) {
      case Kind::Linear:
        EXPECT_LT(i, linearEnd) << "a linear row after the linear section is never shown";
        if (!heading(r.xar)) {
          EXPECT_TRUE(!blank(r.dop1) && !blank(r.dop2));
        }
        break;
      case Kind::Defect:
        ++defects;
        if (heading(r.xar)) ++defectHeadings;
        break;
      case Kind::Complex:
        ++complexCount;
        if (!heading(r.xar)) weightSum += r.koef;
        if (r.xar.startsWith(QLatin1Char(' '))) {
          ++subRows;
          EXPECT_EQ(r.koef, 0.0);
        }
        break;
      case Kind::None:
        ADD_FAILURE() << "row of no kind";
    }
  }
  EXPECT_LE(defects, 48) << "the defect block of the profile sheet has 48 cells";
  EXPECT_GE(defectHeadings, 1);
  EXPECT_LE(complexCount, 15);
  EXPECT_GE(subRows, 1);
  EXPECT_NEAR(weightSum, 1.0, 1e-9);

  // Each group cell of the profile sheet finds exactly one complex trait with its weight.
  const std::pair<const char*, double> groups[] = {
      {"туло", 0.10}, {"моло", 0.20}, {"Ноги", 0.15}, {"Вымя", 0.40}, {"Общий", 0.15}};
  for (const auto& [word, weight] : groups) {
    int found = 0;
    for (const CatalogueRow& r : rows)
      if (kindOf(r.id) == Kind::Complex && r.xar.contains(QString::fromUtf8(word))) {
        ++found;
        EXPECT_DOUBLE_EQ(r.koef, weight) << word;
      }
    EXPECT_EQ(found, 1) << word;
  }
}

TEST_F(StarterData, InstructionTextsFitTheViewerAndTheCodePage) {
  const std::vector<InstructionFile> files = starterInstructions();
  ASSERT_EQ(files.size(), size_t(kInstructionCount));
  for (int s = 1; s <= kInstructionCount; ++s) {
    const InstructionFile& f = files[size_t(s - 1)];
    SCOPED_TRACE(f.fileName.toStdString());
    EXPECT_EQ(f.fileName, instructionFileName(s));
    const QStringList lines = f.text.split(QLatin1Char('\n'));
    EXPECT_GT(lines.size(), 20);
    for (const QString& line : lines) {
      EXPECT_LE(line.size(), 100) << line.toStdString();
      EXPECT_FALSE(line.contains(QLatin1Char('\r')));
    }
    EXPECT_TRUE(fitsCp1251(f.text));
    // What the starter tool writes reads back as the same lines in the viewer.
    QStringList expected = lines;
    if (!expected.isEmpty() && expected.last().isEmpty()) expected.removeLast();
    EXPECT_EQ(instructionLines(toDosText(f.text)), expected);
  }
  // The backup instruction tells how a drive letter is found on a system without letters.
  const QString& backup = files[0].text;
  EXPECT_TRUE(backup.contains(QLatin1String("KORVEL_DRIVE_")));
  EXPECT_TRUE(backup.contains(QLatin1String("/mnt/e")));
  EXPECT_TRUE(backup.contains(QLatin1String("arhivbik")));
}

TEST_F(StarterData, DosTextIsWindows1251WithCrLf) {
  EXPECT_EQ(toDosText(QStringLiteral("a\nя\r\nb\rc")), QByteArray("a\r\n\xFF\r\nb\r\nc"));
  EXPECT_EQ(toDosText(QStringLiteral("Ё\n\n")), QByteArray("\xA8\r\n\r\n"));
  EXPECT_TRUE(toDosText(QString()).isEmpty());
}

}  // namespace
}  // namespace korvel
