// The filled scoring form back in: what the plan makes of a file (headers, matching, refusals,
// changes), and what writing it leaves in the tables.
#include "base/user_error.h"
#include "db/data_module.h"
#include "folder_snapshot.h"
#include "herd_writer.h"
#include "raw_table.h"
#include "scoreform/form_export.h"
#include "scoreform/score_import.h"
#include "db/text.h"
#include "reference/herd_context.h"
#include "sires/bull_figures.h"
#include "starter/starter_folder.h"
#include "herdgen/herdgen.h"
#include "work_folder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <algorithm>
#include <map>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace korvel;
using namespace korvel::scoreform;
using korvel::test::HerdWriter;

namespace {

using Cells = std::vector<std::vector<QString>>;

// The plan in a few lines that say everything a person would read in it.
struct Seen {
  std::vector<QString> changes;   // "4 X1 5→7"
  std::vector<QString> refused;   // "6 нет такой коровы": line and a part of the reason
  std::vector<QString> unknown;   // parts of the column refusals, in column order
  std::vector<QString> notInFile;
  int rowsRead = 0, unchanged = 0;
};

std::vector<QString> changesOf(const ImportPlan& plan) {
  std::vector<QString> out;
  for (const CowChange& c : plan.changes)
    for (const ValueChange& v : c.changes)
      out.push_back(QStringLiteral("%1 %2 %3→%4").arg(c.line).arg(columnHeaderId(v.column->id), v.from, v.to));
  return out;
}

struct PlanCase {
  const char* what;
  Cells rows;
  ImportOptions options;
  Seen seen;
};

struct ImportTest : ::testing::Test {
  test::WorkFolder folder;
  HerdTables dm{folder.path()};
  TraitCatalogue catalogue{dm.xarakt, &dm.korova};

  ImportPlan plan(const Cells& rows, const ImportOptions& options = {}) {
    return planImport(dm, catalogue, FilledForm{rows}, options);
  }
};

const QString kNames[] = {QStringLiteral("Код региона"), QStringLiteral("Код хозяйства"),
                          QStringLiteral("Идентификационный №, кличка"), QStringLiteral("Порода"), QStringLiteral("Отец")};

TEST_F(ImportTest, ThePlanFindsTheHeaderMatchesTheCowsAndRefusesWhatTheCardWould) {
  HerdWriter herd(dm);
  herd.cow(1, 1, "101", "+", "7", {{"x1", "5"}, {"xx2", "+"}, {"xxx1", "80"}});
  herd.cow(1, 1, "102", "", "");
  herd.cow(1, 1, "103", "", "");
  herd.cow(1, 1, "555", "", "");
  herd.cow(1, 1, "555", "", "");
  herd.cow(1, 1, "Зорька", "", "");
  herd.cow(1, 1, "Шея", "", "", {{"x1", "5"}});
  herd.cow(1, 2, "101", "", "", {{"x1", "3"}});
  herd.cow(0, 1, "104", "", "");  // a free row: nobody's cow

  const QString rost = QStringLiteral("Рост (высота в крестце)"), x1 = QStringLiteral("X1");
  const PlanCase cases[] = {
      {"the form as written: group row, names, IDs",
       {{"", "", "", "", "", "Общее развитие"},
        {kNames[0], kNames[1], kNames[2], kNames[3], kNames[4], rost, "Общая недоразвитость", "Объем туловища"},
        {"KODREG", "KODVLAD", "NOKLI", "KODPOROD", "KODBYK", x1, "XX2", "XXX1"},
        {"1", "1", "101", "Черно-пестрая", "7", "7.0", "++", " 85"},
        {"1", "1", "102", "", "", "", "", ""},
        {"1", "1", "нет такой", "", "", "5"},
        {"1", "1", "555", "", "", "5"},
        {"один", "1", "101", "", "", "5"},
        {"1", "1", "101", "", "", "6"},
        {"1", "1", "Зорька", "", "", "12", "+-", "101"},
        {"1,0", "2", "101", "", "", "3"},
        {"", "", "", "", "", ""},
        {"1", "1", "Ёлка★", "", "", "5"},
        {"1", "", "103", "", "", "5"},
        {"0", "1", "104", "", "", "5"}},
       {},
       {{"4 X1 5→7", "4 XX2 +→++", "4 XXX1 80→85"},
        {"6 нет такой коровы в хозяйстве 1/1", "7 коров с этим идентификационным номером: 2",
         "8 Код региона «один» не является целым числом", "9 уже названа в строке 4",
         "10 «Рост (высота в крестце)» (X1) «12»: допустимы только цифры от 1 до 9; «Общая недоразвитость» (XX2) «+-»: "
         "допустимы только + или ++ или пробел; «Объем туловища» (XXX1) «101»: допустимы только числа от 1 до 100",
         "13 нет такой коровы в хозяйстве 1/1", "14 не указан код хозяйства", "15 нет такой коровы в хозяйстве 0/1"},
        {},
        {"1/1 «103»", "1/1 «Шея»"},
        11,
        2}},
      {"names only, reordered, some missing, others unknown; an empty cell clears",
       {{"Шея короткая, толстая ", "идентификационный №,  кличка", "КОД ХОЗЯЙСТВА", "код региона", "Примечание",
         "в т.ч. копыта", "", rost, x1},
        {"+", "101", "1", "1", "хорошая", "9", "x", "", "9"},
        {"", "102", "1", "1"},
        {" ", "Шея", "1", "1", "", "", "", "5"}},
       {true, false},
       {{"2 XX7 →+", "2 X1 5→"},
        {},
        {"E «Примечание»: в каталоге признаков нет такого признака", "F «в т.ч. копыта»: этот признак не вводится",
         "G без заголовка", "I «X1»: повторяет столбец H"},
        {"1/1 «103»", "1/1 «555»", "1/1 «555»", "1/1 «Зорька»"},
        3,
        2}},
      {"field IDs in any case and with blanks, under a title",
       {{"Бланк оценки коров"}, {"kodreg ", " kodvlad", "nokli", "x 1", "XXX2 "}, {"1", "2", "101", "4", " 90"}},
       {},
       {{"3 X1 3→4", "3 XXX2 →90"}, {}, {}, {}, 1, 0}},
  };
  for (const PlanCase& c : cases) {
    SCOPED_TRACE(c.what);
    const ImportPlan p = plan(c.rows, c.options);
    EXPECT_EQ(changesOf(p), c.seen.changes);
    ASSERT_EQ(p.refused.size(), c.seen.refused.size());
    for (size_t i = 0; i < p.refused.size(); ++i) {
      const QString line = QString::number(p.refused[i].line) + u' ';
      EXPECT_TRUE(c.seen.refused[i].startsWith(line) && p.refused[i].reason.contains(c.seen.refused[i].mid(line.size())))
          << p.refused[i].line << " " << p.refused[i].reason.toStdString();
    }
    ASSERT_EQ(p.unknownColumns.size(), c.seen.unknown.size());
    for (size_t i = 0; i < p.unknownColumns.size(); ++i)
      EXPECT_TRUE(p.unknownColumns[i].contains(c.seen.unknown[i])) << p.unknownColumns[i].toStdString();
    EXPECT_EQ(p.cowsNotInFile, c.seen.notInFile);
    EXPECT_EQ(p.rowsRead, c.seen.rowsRead);
    EXPECT_EQ(p.unchangedCows, c.seen.unchanged);
    // Anything refused keeps the file from being written, unless refusals are skipped.
    const bool refusedAny = !p.refused.empty() || !p.unknownColumns.empty();
    EXPECT_EQ(p.writable({}), !p.changes.empty() && !refusedAny);
    EXPECT_EQ(p.writable({false, true}), !p.changes.empty());
    // The preview names every change and every refusal.
    const QString text = previewText(p);
    for (const RefusedRow& r : p.refused) EXPECT_TRUE(text.contains(r.reason));
    for (const QString& u : p.unknownColumns) EXPECT_TRUE(text.contains(u));
    for (const CowChange& ch : p.changes)
      for (const ValueChange& v : ch.changes)
        EXPECT_TRUE(text.contains(QStringLiteral("%1 (%2): %3 → %4")
                                      .arg(v.column->name, columnHeaderId(v.column->id),
                                           v.from.isEmpty() ? QStringLiteral("пусто") : v.from, v.to.isEmpty() ? QStringLiteral("пусто") : v.to)))
            << text.toStdString();
  }

  // A file the cows cannot be found from.
  const std::pair<Cells, const char*> refusedFiles[] = {
      {{{rost, "X2"}, {"5", "6"}}, "нет столбцов «Код региона» (KODREG), «Код хозяйства» (KODVLAD), «Идентификационный №, кличка»"},
      {{{"NOKLI", "KODVLAD", rost}, {"101", "1", "5"}}, "нет столбца «Код региона» (KODREG)"},
      {{{"Кличка", "Вес"}, {"Майка", "500"}}, "не найдена строка заголовков"},
      {{}, "не найдена строка заголовков"},
  };
  for (const auto& [rows, words] : refusedFiles) {
    SCOPED_TRACE(words);
    try {
      plan(rows);
      ADD_FAILURE() << "not refused";
    } catch (const UserError& e) {
      EXPECT_TRUE(e.text().contains(QString::fromUtf8(words))) << e.text().toStdString();
    }
  }
}

// A generated herd, its bulls' figures as the bull card leaves them.
struct GeneratedHerd {
  QTemporaryDir dir;
  GeneratedHerd() {
    herd::HerdOptions o;
    o.cows = 400;
    o.regions = 1;
    o.farmsPerRegion = 2;
    o.bulls = 12;
    herd::generateHerd(dir.path(), o);
    HerdTables dm(dir.path());
    recomputeEveryLiveBull(dm);
  }
};

// The tables after a filled form is taken in: KOROVA as before but for the filled values
// (record from 0 -> field -> text), the other tables untouched, BIK as a full recompute.
void expectOnlyFilledValues(const QString& dir, const QMap<QString, QByteArray>& before,
                            const std::map<int, std::map<QString, QString>>& filled) {
  const QString korova = QDir(dir).filePath(QStringLiteral("KOROVA.DBF"));
  QTemporaryDir scratch;
  const QString old = scratch.filePath(QStringLiteral("KOROVA.DBF"));
  {
    QFile f(old);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(before.value(QStringLiteral("KOROVA.DBF")));
  }
  const test::RawTable was(old), now(korova);
  const std::vector<test::FileRow> rowsWere = was.rows(), rowsNow = now.rows();
  ASSERT_EQ(now.bytes().size(), was.bytes().size());
  for (size_t r = 0; r < rowsNow.size(); ++r) {
    const auto it = filled.find(int(r));
    if (it == filled.end()) {
      EXPECT_EQ(now.record(int(r) + 1), was.record(int(r) + 1)) << "record " << r + 1;
      continue;
    }
    test::FileRow want = rowsWere[r];
    for (const auto& [field, value] : it->second) want.fields[field] = value;
    EXPECT_EQ(rowsNow[r], want) << "record " << r + 1;
  }
  const auto after = test::folderSnapshot(dir);
  for (const QString& name : before.keys())
    if (name != u"KOROVA.DBF" && name != u"BIK.DBF") EXPECT_EQ(after.value(name), before.value(name)) << name.toStdString();
  EXPECT_NE(after.value(QStringLiteral("BIK.DBF")), before.value(QStringLiteral("BIK.DBF")));
  HerdTables dm(dir);
  recomputeEveryLiveBull(dm);
  EXPECT_EQ(test::bytesOf(QDir(dir).filePath(QStringLiteral("BIK.DBF"))), after.value(QStringLiteral("BIK.DBF")));
}

TEST(ImportWrite, KorovaHoldsExactlyTheFilledValuesAndTheFathersTheirRecomputedFigures) {
  GeneratedHerd h;
  const auto before = test::folderSnapshot(h.dir.path());
  const std::vector<test::FileRow> rowsBefore = test::fileRows(QDir(h.dir.path()).filePath(QStringLiteral("KOROVA.DBF")));

  // The first 30 cows of farm 1/1 scored, every fourth cell left empty.
  Cells rows = {{"KODREG", "KODVLAD", "NOKLI", "X1", "XX2", "XXX1"}};
  std::map<int, std::map<QString, QString>> expected;  // record (from 0) -> field -> value
  for (size_t r = 0; r < rowsBefore.size() && rows.size() <= 30; ++r) {
    const test::FileRow& cow = rowsBefore[r];
    if (cow.deleted || cow["KODREG"] != u"1" || cow["KODVLAD"] != u"1") continue;
    const int i = int(rows.size());
    const QString x1 = QString::number(i % 9 + 1), xx2 = i % 2 ? QStringLiteral("++") : QStringLiteral("+"),
                  xxx1 = QString::number(40 + i);
    rows.push_back({"1", "1", cow["NOKLI"], i % 4 == 1 ? QString() : x1, i % 4 == 2 ? QString() : xx2,
                    i % 4 == 3 ? QString() : xxx1});
    expected[int(r)] = {{"X1", i % 4 == 1 ? cow["X1"] : x1}, {"XX2", i % 4 == 2 ? cow["XX2"] : xx2},
                        {"XXX1", i % 4 == 3 ? cow["XXX1"] : xxx1}};
  }

  {
    HerdTables dm(h.dir.path());
    TraitCatalogue catalogue(dm.xarakt, &dm.korova);
    dm.korova.open();
    dm.korova.setFilter(QStringLiteral("kodreg=1 and kodvlad=2"));
    dm.korova.setFiltered(true);
    dm.korova.first();
    const int current = dm.korova.recNo();
    const ImportPlan plan = planImport(dm, catalogue, FilledForm{rows}, {});
    ASSERT_TRUE(plan.writable({}));
    std::vector<int> progress;
    const ImportResult result = applyImport(dm, catalogue, plan, [&](int done, int total) {
      EXPECT_EQ(total, int(plan.changes.size()));
      progress.push_back(done);
    });
    EXPECT_EQ(result.cowsWritten, int(plan.changes.size()));
    EXPECT_EQ(int(progress.size()), result.cowsWritten);
    EXPECT_GT(result.bullsRecomputed, 0);
    // The cows list stands where it stood.
    EXPECT_EQ(dm.korova.filter(), QStringLiteral("kodreg=1 and kodvlad=2"));
    EXPECT_EQ(dm.korova.recNo(), current);
  }
  expectOnlyFilledValues(h.dir.path(), before, expected);

  // A plan the table no longer matches writes nothing.
  HerdTables dm(h.dir.path());
  TraitCatalogue catalogue(dm.xarakt, &dm.korova);
  rows[2][3] = QStringLiteral("8");  // was 3
  const ImportPlan stale = planImport(dm, catalogue, FilledForm{rows}, {});
  ASSERT_EQ(stale.changes.size(), 1u);
  dm.korova.open();
  ASSERT_TRUE(dm.korova.goToIndex(stale.changes[0].record - 1));
  dm.korova.edit();
  dm.korova.fieldByName(u"x1").setInteger(1);
  dm.korova.post();
  const auto untouched = test::folderSnapshot(h.dir.path());
  EXPECT_THROW(applyImport(dm, catalogue, stale), UserError);
  EXPECT_EQ(test::folderSnapshot(h.dir.path()), untouched);
}

QByteArray csvText(const Cells& rows) {
  QString out;
  for (const auto& row : rows) {
    QStringList cells;
    for (const QString& c : row) cells << QLatin1Char('"') + QString(c).replace(u'"', QStringLiteral("\"\"")) + QLatin1Char('"');
    out += cells.join(u';') + QStringLiteral("\r\n");
  }
  return out.toUtf8();
}

// A farm's form out, filled as a person would, back in: through LibreOffice's workbook, as a
// Russian Excel's CSV, and with its columns reordered and some left out.
TEST(ImportRoundTrip, TheFilledFormComesBackAsExactlyItsValues) {
  const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
  if (soffice.isEmpty()) GTEST_SKIP() << "LibreOffice (soffice) is not installed: the round trip through it is not run";
  GeneratedHerd h;
  QTemporaryDir files;
  const QString exported = files.filePath(QStringLiteral("бланк.csv"));
  ScoringForm out;
  {
    HerdTables dm(h.dir.path());
    TraitCatalogue catalogue(dm.xarakt, &dm.korova);
    out = collectScoringForm(dm, catalogue, HerdContext{1, 1, {}}, FormScope::Farm);
    writeScoringForm(out, exported);
  }
  ASSERT_GE(out.cows.size(), 12u);

  // The first twelve cows scored: X1, XX2 and XXX1 filled, every fourth of them left empty.
  Cells grid = readFilledForm(exported).rows;
  size_t ids = 0;
  while (ids < grid.size() && (grid[ids].empty() || grid[ids][0] != u"KODREG")) ++ids;
  ASSERT_LT(ids, grid.size());
  const auto at = [&](const char* id) { return size_t(std::find(grid[ids].begin(), grid[ids].end(), QString::fromLatin1(id)) - grid[ids].begin()); };
  const size_t x1 = at("X1"), xx2 = at("XX2"), xxx1 = at("XXX1");
  ASSERT_LT(xxx1, grid[ids].size());
  std::map<int, std::map<QString, QString>> filled;
  for (int k = 0; k < 12; ++k) {
    std::vector<QString>& row = grid[ids + 1 + size_t(k)];
    row.resize(grid[ids].size());
    const QString values[] = {QString::number(k % 9 + 1), k % 2 ? QStringLiteral("++") : QStringLiteral("+"), QString::number(50 + k)};
    const size_t columns[] = {x1, xx2, xxx1};
    std::map<QString, QString>& cow = filled[int(out.cows[size_t(k)].record) - 1];
    for (int v = 0; v < 3; ++v) {
      const QString field = grid[ids][columns[v]];
      if (k % 4 == v + 1) {
        row[columns[v]].clear();  // left empty: the stored value stays
        cow[field] = out.cows[size_t(k)].values[size_t(columns[v] - KeyColumnCount)];
      } else {
        row[columns[v]] = values[v];
        cow[field] = values[v];
      }
    }
  }
  // Reordered: the trait columns first, right to left, without the ID row and the breed.
  Cells reordered;
  for (size_t r = ids - 1; r < grid.size(); ++r) {
    if (r == ids) continue;
    std::vector<QString> row;
    for (size_t c = grid[ids].size(); c-- > KeyColumnCount;) row.push_back(c < grid[r].size() ? grid[r][c] : QString());
    for (int k : {CowColumn, FarmColumn, RegionColumn}) row.push_back(grid[r][size_t(k)]);
    reordered.push_back(std::move(row));
  }
  reordered[0].erase(reordered[0].begin() + 3, reordered[0].begin() + 10);  // columns left out: those cells
  for (size_t r = 1; r < reordered.size(); ++r) reordered[r].erase(reordered[r].begin() + 3, reordered[r].begin() + 10);

  const QString libre = files.filePath(QStringLiteral("заполнен.csv"));
  {
    QFile f(libre);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(csvText(grid));
  }
  // LibreOffice reads the CSV (";", UTF-8, the key columns as text) and saves a workbook.
  QProcess lo;
  lo.start(soffice, {QStringLiteral("--headless"), QStringLiteral("-env:UserInstallation=file://") + files.filePath(QStringLiteral("lo")),
                     QStringLiteral("--infilter=CSV:59,34,76,1,1/2/2/2/3/2/4/2/5/2"), QStringLiteral("--convert-to"),
                     QStringLiteral("xlsx"), QStringLiteral("--outdir"), files.path(), libre});
  ASSERT_TRUE(lo.waitForFinished(180000));
  const QString workbook = files.filePath(QStringLiteral("заполнен.xlsx"));
  ASSERT_TRUE(QFile::exists(workbook)) << lo.readAllStandardError().toStdString();

  const QString excel = files.filePath(QStringLiteral("excel.csv")), shuffled = files.filePath(QStringLiteral("переставлен.csv"));
  for (const auto& [path, bytes] : {std::pair{excel, db::encode(QString::fromUtf8(csvText(grid)))}, std::pair{shuffled, csvText(reordered)}}) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  // Reordered and partly left out, the form still carries the three filled columns? Only those kept.
  std::map<int, std::map<QString, QString>> kept = filled;
  const std::vector<QString>& names = reordered[0];
  for (auto& [record, fields] : kept)
    for (auto it = fields.begin(); it != fields.end();)
      it = std::any_of(out.columns.begin(), out.columns.end(), [&](const FormColumn& c) {
             return columnHeaderId(c.id) == it->first && std::find(names.begin(), names.end(), c.name) == names.end();
           }) ? fields.erase(it) : std::next(it);

  const std::pair<QString, const std::map<int, std::map<QString, QString>>*> cases[] = {
      {workbook, &filled}, {excel, &filled}, {shuffled, &kept}};
  for (const auto& [file, expected] : cases) {
    SCOPED_TRACE(file.toStdString());
    QTemporaryDir copy;
    for (const QString& name : QDir(h.dir.path()).entryList(QDir::Files)) QFile::copy(QDir(h.dir.path()).filePath(name), copy.filePath(name));
    const auto before = test::folderSnapshot(copy.path());
    {
      HerdTables dm(copy.path());
      TraitCatalogue catalogue(dm.xarakt, &dm.korova);
      const ImportPlan plan = planImport(dm, catalogue, readFilledForm(file), {});
      EXPECT_TRUE(plan.refused.empty() && plan.unknownColumns.empty()) << previewText(plan).toStdString();
      EXPECT_EQ(plan.cowsNotInFile.size(), 0u);
      applyImport(dm, catalogue, plan);
    }
    expectOnlyFilledValues(copy.path(), before, *expected);
  }
}

}  // namespace
