// The scoring form out: which cows for each scope, in which order, with their stored values, and
// the two files: the workbook ready to fill (protection, locked keys, checks, frozen panes, and
// what LibreOffice reads of it) and the CSV bytes.
#include "scoreform/form_export.h"

#include "cows/cow_evaluation.h"
#include "db/data_module.h"
#include "evaluation/spreadsheet_readback.h"
#include "herd_writer.h"
#include "qt_print.h"
#include "reference/herd_context.h"
#include "work_folder.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

namespace korvel::scoreform {
namespace {

using test::CowRow;

// The cells of a CSV text (";" separated, "" quoting, CRLF or LF lines), as the applications
// read it back.
std::vector<QStringList> csvCells(QString text) {
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  std::vector<QStringList> rows;
  QStringList row;
  QString cell;
  bool quoted = false;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (quoted) {
      if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') cell += text[++i];
      else if (c == u'"') quoted = false;
      else cell += c;
    } else if (c == u'"') {
      quoted = true;
    } else if (c == u';') {
      row << cell;
      cell.clear();
    } else if (c == u'\n') {
      row << cell;
      rows.push_back(row);
      row.clear();
      cell.clear();
    } else if (c != u'\r') {
      cell += c;
    }
  }
  return rows;
}

QByteArray bytesOf(const QString& path) {
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
  return f.readAll();
}

class FormExport : public ::testing::Test {
 protected:
  FormExport() : dm(folder.path()), herd(dm), catalogue(dm.xarakt, &dm.korova) {
    herd.region(1, QStringLiteral("Московская область"));
    herd.region(2, QStringLiteral("Тверская область"));
    herd.farm(1, 0, QStringLiteral("Архив региона"));
    herd.farm(1, 1, QStringLiteral("СПК «Заря»"));
    herd.farm(1, 2, QStringLiteral("ООО «Нива»"));
    herd.farm(2, 1, QStringLiteral("АО «Искра»"));
    herd.breed(1, QStringLiteral("Черно-пестрая"));
    herd.bull(1, 1, QStringLiteral("101"), QStringLiteral("Аккорд 101"), 1);
    // A partly scored cow of the selection, her father a bull of the herd.
    herd.cow({.father = QStringLiteral("101"),
              .values = {{"nokli", "Айка"}, {"ot", "+"}, {"x1", 5}, {"x19", 9}, {"xx2", "++"}, {"xx48", "+"}, {"xxx1", 80}}});
    // Unscored, her father known by name only; her name needs quoting in a CSV.
    herd.cow({.father = QStringLiteral("Сосед \"Б\""), .linked = false, .values = {{"nokli", "Бела; 2"}}});
    herd.cow({.farm = 2, .values = {{"nokli", "Вика"}, {"x2", 3}}});
    herd.cow({.region = 0, .farm = 1, .values = {{"nokli", "Свободная строка"}}});  // a removed cow
    herd.cow({.region = 2, .values = {{"nokli", "Гала"}}});
    herd.cow({.father = QStringLiteral("999"), .values = {{"nokli", "Дуся"}, {"ot", "+"}}});  // no such bull
    herd.cow({.farm = 0, .values = {{"nokli", "Ева"}}});
  }

  int column(const QString& id) const {
    for (size_t i = 0; i < form.columns.size(); ++i)
      if (form.columns[i].id == id) return int(i);
    ADD_FAILURE() << "no column " << id.toStdString();
    return 0;
  }
  QString name(int column) const { return xlsx::columnName(KeyColumnCount + 1 + column); }

  test::WorkFolder folder;
  HerdTables dm;
  test::HerdWriter herd;
  TraitCatalogue catalogue;
  ScoringForm form;
  QTemporaryDir out;
  const HerdContext farm{1, 1, {}};
};

// The trait columns of the starter catalogue, and the cows and values of every scope.
TEST_F(FormExport, EachScopeListsItsLiveCowsWithTheValuesTheCardShows) {
  form = collectScoringForm(dm, catalogue, farm, FormScope::Farm);
  int kinds[3] = {};
  for (const FormColumn& c : form.columns) {
    ++kinds[gridIndex(c.kind)];
    EXPECT_FALSE(c.row->heading || c.row->subRow) << c.id.toStdString();
  }
  EXPECT_EQ(kinds[0], 19);  // every linear trait
  EXPECT_EQ(kinds[1], 40);  // 48 defect rows less 8 headings
  EXPECT_EQ(kinds[2], 5);   // 6 complex rows less the hooves, which the card computes
  EXPECT_EQ(form.columns[size_t(column("x1"))].group, QString());
  EXPECT_EQ(form.columns[size_t(column("xx2"))].group, QStringLiteral("Общее развитие"));
  EXPECT_EQ(form.columns[size_t(column("xx48"))].group, QStringLiteral("Конечности"));

  const struct {
    FormScope scope;
    QStringList cows;
  } cases[] = {
      {FormScope::Farm, {"Айка", "Бела; 2", "Дуся"}},
      {FormScope::Selection, {"Айка", "Дуся"}},
      {FormScope::Region, {"Ева", "Айка", "Бела; 2", "Дуся", "Вика"}},  // farm by farm
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.scope));
    const ScoringForm f = collectScoringForm(dm, catalogue, farm, c.scope);
    QStringList names;
    for (const FormCow& cow : f.cows) {
      names << cow.name;
      EXPECT_EQ(cow.values.size(), f.columns.size());
    }
    EXPECT_EQ(names, c.cows);
  }

  const FormCow& aika = form.cows[0];
  EXPECT_EQ(aika.record, 1u);
  EXPECT_EQ(std::make_pair(aika.region, aika.farm), std::make_pair(1LL, 1LL));
  EXPECT_EQ(aika.breed, QStringLiteral("Черно-пестрая"));
  EXPECT_EQ(aika.father, QStringLiteral("Аккорд 101"));
  const std::pair<const char*, const char*> stored[] = {
      {"x1", "5"}, {"x2", ""}, {"x19", "9"}, {"xx2", "++"}, {"xx3", ""}, {"xx48", "+"}, {"xxx1", "80"}, {"xxx6", ""}};
  for (const auto& [id, value] : stored)
    EXPECT_EQ(aika.values[size_t(column(QString::fromLatin1(id)))], QString::fromUtf8(value)) << id;
  EXPECT_EQ(form.cows[1].father, QStringLiteral("Сосед \"Б\""));
  EXPECT_EQ(form.cows[1].breed, QStringLiteral("Черно-пестрая"));
  EXPECT_EQ(form.cows[2].father, QString());  // the card shows nobody for a code naming no bull
}

TEST_F(FormExport, TheWorkbookIsReadyToFillAndLibreOfficeReadsTheSameCellsAsTheCsv) {
  form = collectScoringForm(dm, catalogue, farm, FormScope::Farm);
  const QString xlsxPath = out.filePath(QStringLiteral("бланк.xlsx")), csvPath = out.filePath(QStringLiteral("бланк.csv"));
  writeScoringForm(form, xlsxPath);
  writeScoringForm(form, csvPath);

  const test::Book book = test::load(xlsxPath);
  const auto cells = book.cells(1);
  const auto text = [&](const QString& cell) { return cells.count(cell) ? cells.at(cell).text : QString(); };
  const int x1 = column("x1"), xx2 = column("xx2"), xxx1 = column("xxx1");
  EXPECT_EQ(text("A2"), QStringLiteral("Код региона"));
  EXPECT_EQ(text("C3"), QStringLiteral("NOKLI"));
  EXPECT_EQ(text(name(x1) + "3"), QStringLiteral("X1"));
  EXPECT_EQ(text(name(xxx1) + "3"), QStringLiteral("XXX1"));
  EXPECT_EQ(text(name(xx2) + "1"), QStringLiteral("Общее развитие"));
  EXPECT_EQ(text(name(x1) + "1"), QString());
  const test::Node sheet = book.sheet(1);
  std::vector<QString> merges;
  for (const test::Node* m : sheet.at({"mergeCells"}).all("mergeCell")) merges.push_back(m->attr("ref"));
  EXPECT_NE(std::find(merges.begin(), merges.end(), name(xx2) + "1:" + name(xx2 + 2) + "1"), merges.end());
  EXPECT_EQ(text("C4"), QStringLiteral("Айка"));
  EXPECT_FALSE(cells.at("A4").isString);  // codes and scores are numbers, defect marks texts
  EXPECT_FALSE(cells.at(name(x1) + "4").isString);
  EXPECT_TRUE(cells.at(name(xx2) + "4").isString);

  // Protected without a password; keys locked, trait cells (typed or empty) unlocked.
  const test::Node* protection = sheet.child("sheetProtection");
  ASSERT_NE(protection, nullptr);
  EXPECT_EQ(protection->attr("sheet"), "1");
  EXPECT_TRUE(protection->attr("password").isEmpty() && protection->attr("hashValue").isEmpty());
  const test::Node styles = book.xml("xl/styles.xml");
  const auto xfs = styles.at({"cellXfs"}).all("xf");
  const auto unlocked = [&](int xf) {
    const test::Node* p = xfs.at(size_t(xf))->child("protection");
    return p && p->attr("locked") == "0";
  };
  EXPECT_FALSE(unlocked(cells.at("C4").style));
  EXPECT_FALSE(unlocked(cells.at(name(x1) + "3").style));
  EXPECT_TRUE(unlocked(cells.at(name(x1) + "4").style));
  EXPECT_NE(xfs.at(size_t(cells.at("C4").style))->attr("fillId"), "0");  // greyed
  // Defect marks typed stay text ("++" is no formula); scores stay numbers.
  const auto textFormat = [&](int xf) { return xfs.at(size_t(xf))->attr("numFmtId") == "49"; };
  EXPECT_TRUE(textFormat(cells.at(name(xx2) + "4").style));
  EXPECT_FALSE(textFormat(cells.at(name(x1) + "4").style));
  for (const test::Node* col : sheet.at({"cols"}).all("col"))
    for (int c = col->attr("min").toInt(); c <= col->attr("max").toInt(); ++c)
      EXPECT_EQ(textFormat(col->attr("style").toInt()),
                c > KeyColumnCount && form.columns[size_t(c - KeyColumnCount - 1)].kind == TraitKind::Defect)
          << c;
  for (const test::Node* col : sheet.at({"cols"}).all("col"))
    EXPECT_EQ(unlocked(col->attr("style").toInt()), col->attr("min").toInt() > KeyColumnCount) << col->attr("min").toStdString();

  const test::Node& pane = sheet.at({"sheetViews", "sheetView", "pane"});
  EXPECT_EQ(pane.attr("state"), "frozen");
  EXPECT_EQ(pane.attr("topLeftCell"), "F4");
  EXPECT_EQ(pane.attr("xSplit") + "/" + pane.attr("ySplit"), "5/3");

  const QString last = QString::number(3 + int(form.cows.size()));
  std::map<QString, QString> checks;  // sqref -> type and formulas
  for (const test::Node* v : sheet.at({"dataValidations"}).all("dataValidation")) {
    EXPECT_EQ(v->attr("showErrorMessage"), "1");
    EXPECT_TRUE(v->attr("error").startsWith(QStringLiteral("Допустимы только")));
    const test::Node* f2 = v->child("formula2");
    checks[v->attr("sqref")] = v->attr("type") + " " + v->at({"formula1"}).text + (f2 ? " " + f2->text : QString());
  }
  const std::map<QString, QString> expected = {
      {"F4:" + name(column("x19")) + last, "whole 1 9"},
      {name(xx2) + "4:" + name(column("xx48")) + last, "list \"+,++\""},
      {name(xxx1) + "4:" + name(column("xxx6")) + last, "whole 1 100"},
  };
  EXPECT_EQ(checks, expected);

  // What LibreOffice reads of the workbook is what the CSV holds, below the group captions.
  const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
  if (soffice.isEmpty()) GTEST_SKIP() << "soffice is not on PATH: the workbook was not opened in LibreOffice";
  QTemporaryDir lo;
  QProcess p;
  p.start(soffice, {"--headless", "-env:UserInstallation=file://" + lo.filePath("profile"), "--convert-to",
                    "csv:Text - txt - csv (StarCalc):59,34,76,1", "--outdir", lo.path(), xlsxPath});
  ASSERT_TRUE(p.waitForFinished(180000)) << "soffice did not finish";
  std::vector<QStringList> read = csvCells(QString::fromUtf8(bytesOf(lo.filePath(QStringLiteral("бланк.csv")))));
  ASSERT_FALSE(read.empty()) << p.readAllStandardError().toStdString();
  read.erase(read.begin());
  EXPECT_EQ(read, csvCells(QString::fromUtf8(bytesOf(csvPath))));

  // LibreOffice keeps the sheet protected and lets one type in the trait columns only.
  p.start(soffice, {"--headless", "-env:UserInstallation=file://" + lo.filePath("profile"), "--convert-to", "ods",
                    "--outdir", lo.path(), xlsxPath});
  ASSERT_TRUE(p.waitForFinished(180000)) << "soffice did not finish";
  const test::Node content = test::parseXml(test::readPackage(lo.filePath(QStringLiteral("бланк.ods")))["content.xml"], "content.xml");
  std::map<QString, QString> protect;  // cell style -> style:cell-protect
  for (const test::Node* style : content.at({"office:automatic-styles"}).all("style:style"))
    if (const test::Node* cell = style->child("style:table-cell-properties"))
      protect[style->attr("style:name")] = cell->attr("style:cell-protect");
  const test::Node& table = content.at({"office:body", "office:spreadsheet", "table:table"});
  EXPECT_EQ(table.attr("table:protected"), "true");
  QStringList typable;  // per column: whether its cells take typing
  for (const test::Node* col : table.all("table:table-column"))
    for (int n = std::max(1, col->attr("table:number-columns-repeated").toInt()); n > 0; --n)
      typable << (protect[col->attr("table:default-cell-style-name")] == "none" ? "+" : "-");
  EXPECT_EQ(typable.join(QString()).left(KeyColumnCount + int(form.columns.size())),
            QString(KeyColumnCount, u'-') + QString(form.columns.size(), u'+'));
}

TEST_F(FormExport, TheCsvIsWhatRussianSpreadsheetApplicationsWrite) {
  form = collectScoringForm(dm, catalogue, farm, FormScope::Farm);
  const QString path = out.filePath(QStringLiteral("бланк.csv"));
  writeScoringForm(form, path);
  const QByteArray bytes = bytesOf(path);
  ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
  const QList<QByteArray> lines = bytes.mid(3).split('\n');
  ASSERT_EQ(lines.size(), 2 + 3 + 1);  // names, IDs, three cows, nothing after the last CRLF
  for (qsizetype i = 0; i + 1 < lines.size(); ++i) EXPECT_TRUE(lines[i].endsWith('\r')) << i;
  EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Код региона;Код хозяйства;Идентификационный №, кличка;Порода;Отец;"
                                                 "Рост (высота в крестце);")
                                      .toUtf8()));
  EXPECT_TRUE(lines[1].startsWith("KODREG;KODVLAD;NOKLI;KODPOROD;KODBYK;X1;X2;"));
  EXPECT_TRUE(lines[2].startsWith(QStringLiteral("1;1;Айка;Черно-пестрая;Аккорд 101;5;;").toUtf8()));
  EXPECT_TRUE(lines[3].startsWith(QStringLiteral("1;1;\"Бела; 2\";Черно-пестрая;\"Сосед \"\"Б\"\"\";;").toUtf8()));
  EXPECT_EQ(lines[2].count(';'), KeyColumnCount + 64 - 1);
}

}  // namespace
}  // namespace korvel::scoreform
