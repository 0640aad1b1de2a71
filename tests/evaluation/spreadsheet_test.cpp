// The profile workbook's spreadsheet: workbooks written to a temporary folder and read back
// with libzip and QXmlStreamReader.
#include "evaluation/spreadsheet.h"
#include "qt_print.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QSet>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>
#include <csignal>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <set>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

using namespace korvel::xlsx;

// Readable QString values in failure messages.

namespace {

// ------------------------------------------------------------ reading the package back

using Package = std::map<QString, QByteArray>;

Package readPackage(const QString& path) {
  Package parts;
  int err = 0;
  // libzip takes file names in UTF-8 on every platform (on Windows too, where encodeName would
  // give the ANSI code page and lose a Cyrillic name).
  zip_t* za = zip_open(path.toUtf8().constData(), ZIP_RDONLY | ZIP_CHECKCONS, &err);
  if (!za) {
    ADD_FAILURE() << "not a zip archive: " << path.toStdString() << " (" << err << ")";
    return parts;
  }
  for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i) {
    zip_stat_t st;
    zip_stat_index(za, zip_uint64_t(i), 0, &st);
    QByteArray data(qsizetype(st.size), '\0');
    zip_file_t* f = zip_fopen_index(za, zip_uint64_t(i), 0);
    EXPECT_EQ(zip_fread(f, data.data(), st.size), zip_int64_t(st.size));
    zip_fclose(f);
    parts[QString::fromUtf8(st.name)] = data;
  }
  zip_close(za);
  return parts;
}

struct Node {
  QString name;  // qualified name as written ("c", "xdr:from")
  std::map<QString, QString> attrs;
  QString text;
  std::vector<Node> children;

  QString attr(const QString& key) const {
    const auto it = attrs.find(key);
    return it == attrs.end() ? QString() : it->second;
  }
  const Node* child(const QString& n) const {
    for (const Node& c : children)
      if (c.name == n) return &c;
    return nullptr;
  }
  std::vector<const Node*> all(const QString& n) const {
    std::vector<const Node*> out;
    for (const Node& c : children)
      if (c.name == n) out.push_back(&c);
    return out;
  }
  // Path of child names: node.at({"xdr:from", "xdr:col"}).
  const Node& at(std::initializer_list<const char*> path) const {
    const Node* n = this;
    for (const char* p : path) {
      n = n->child(QString::fromUtf8(p));
      if (!n) throw std::runtime_error(std::string("no element ") + p);
    }
    return *n;
  }
};

// Parses an XML part; a malformed part fails the test.
Node parseXml(const QByteArray& bytes, const QString& partName) {
  QXmlStreamReader reader(bytes);
  std::vector<Node> stack(1);
  while (!reader.atEnd()) {
    reader.readNext();
    if (reader.isStartElement()) {
      Node n;
      n.name = reader.qualifiedName().toString();
      for (const auto& a : reader.attributes()) n.attrs[a.qualifiedName().toString()] = a.value().toString();
      stack.push_back(std::move(n));
    } else if (reader.isEndElement()) {
      Node n = std::move(stack.back());
      stack.pop_back();
      stack.back().children.push_back(std::move(n));
    } else if (reader.isCharacters()) {
      stack.back().text += reader.text();
    }
  }
  EXPECT_FALSE(reader.hasError()) << partName.toStdString() << ": " << reader.errorString().toStdString();
  if (stack.size() != 1 || stack[0].children.size() != 1) return Node{};
  return stack[0].children[0];
}

// Shared string text with the _xHHHH_ escapes undone.
QString unescapeOoxml(const QString& s) {
  QString out;
  for (qsizetype i = 0; i < s.size(); ++i) {
    if (s[i] == u'_' && i + 6 < s.size() && s[i + 1] == u'x' && s[i + 6] == u'_') {
      bool ok = false;
      const uint code = s.mid(i + 2, 4).toUInt(&ok, 16);
      if (ok) {
        out += QChar(char16_t(code));
        i += 6;
        continue;
      }
    }
    out += s[i];
  }
  return out;
}

struct CellRead {
  QString text;  // text of a shared string, else the <v> as written
  bool isString = false;
  QString type;
  int style = 0;
};

// The package read back: parts, parsed XML, cells by sheet and address.
struct Book {
  Package parts;
  QStringList strings;

  Node xml(const QString& name) const {
    const auto it = parts.find(name);
    if (it == parts.end()) {
      ADD_FAILURE() << "missing part " << name.toStdString();
      return Node{};
    }
    return parseXml(it->second, name);
  }
  Node sheet(int n) const { return xml(QStringLiteral("xl/worksheets/sheet%1.xml").arg(n)); }
  std::map<QString, CellRead> cells(int n) const {
    std::map<QString, CellRead> out;
    const Node ws = sheet(n);
    for (const Node* row : ws.at({"sheetData"}).all("row")) {
      for (const Node* c : row->all("c")) {
        CellRead cell;
        cell.type = c->attr("t");
        cell.style = c->attr("s").toInt();
        const Node* v = c->child("v");
        if (v) cell.text = v->text;
        if (cell.type == "s") {
          cell.isString = true;
          cell.text = strings.value(cell.text.toInt());
        }
        out[c->attr("r")] = cell;
      }
    }
    return out;
  }
};

Book load(const QString& path) {
  Book book;
  book.parts = readPackage(path);
  const Node sst = book.xml("xl/sharedStrings.xml");
  for (const Node* si : sst.all("si")) book.strings << unescapeOoxml(si->at({"t"}).text);
  return book;
}

class SpreadsheetTest : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QString path(const QString& name) const { return dir.filePath(name); }
  Book saveAndLoad(const Workbook& book, const QString& name = "book.xlsx") {
    book.save(path(name));
    return load(path(name));
  }
};

// ------------------------------------------------------------ addresses

TEST_F(SpreadsheetTest, AddressesParseAndPrint) {
  EXPECT_EQ(columnName(1), "A");
  EXPECT_EQ(columnName(26), "Z");
  EXPECT_EQ(columnName(27), "AA");
  EXPECT_EQ(columnName(kMaxColumns), "XFD");
  for (int c : {1, 9, 26, 27, 52, 53, 702, 703, 16384}) EXPECT_EQ(columnNumber(columnName(c)), c);
  EXPECT_EQ(columnNumber(u"XFE"), 0);
  EXPECT_EQ(columnNumber(u"A1"), 0);

  EXPECT_EQ(Range("C4:F4"), Range(4, 3, 4, 6));
  EXPECT_EQ(Range("$A$1:$I$1"), Range(1, 1, 1, 9));
  EXPECT_EQ(Range("f4:c4"), Range(4, 3, 4, 6));  // corners in any order, lower case
  EXPECT_EQ(Range("I4:I5").address(), "I4:I5");
  EXPECT_EQ(Range::cell(38, 9).address(), "I38");
  for (const char* bad : {"", "A0", "1A", "A", "XFE1", "A1:", "A1048577", "A1:B2:C3", "Б1"})
    EXPECT_THROW(Range::parse(QString::fromUtf8(bad)), std::invalid_argument) << bad;
  EXPECT_THROW(Range(0, 1, 1, 1), std::out_of_range);
}

// ------------------------------------------------------------ the package

TEST_F(SpreadsheetTest, PackageHoldsEveryPartWellFormedAndLinked) {
  Workbook book(3);
  book.sheet(0).setValue("A1", QStringLiteral("первый"));
  book.sheet(2).addRectangle({10, 10, 20, 5});
  book.sheet(1).addRectangle({0, 0, 1, 1});
  book.setActiveSheet(1);
  const Book read = saveAndLoad(book);

  for (const char* name :
       {"[Content_Types].xml", "_rels/.rels", "docProps/app.xml", "docProps/core.xml",
        "xl/workbook.xml", "xl/_rels/workbook.xml.rels", "xl/styles.xml", "xl/sharedStrings.xml",
        "xl/worksheets/sheet1.xml", "xl/worksheets/sheet2.xml", "xl/worksheets/sheet3.xml",
        "xl/drawings/drawing1.xml", "xl/drawings/drawing2.xml",
        "xl/worksheets/_rels/sheet2.xml.rels", "xl/worksheets/_rels/sheet3.xml.rels"})
    EXPECT_EQ(read.parts.count(QString::fromUtf8(name)), 1u) << name;
  EXPECT_EQ(read.parts.count("xl/worksheets/_rels/sheet1.xml.rels"), 0u);
  for (const auto& [name, data] : read.parts) parseXml(data, name);

  // Every part but the content types is declared there, and every declared part exists.
  const Node types = read.xml("[Content_Types].xml");
  std::set<QString> declared;
  for (const Node* o : types.all("Override")) declared.insert(o->attr("PartName").mid(1));
  for (const auto& [name, data] : read.parts)
    if (!name.endsWith(".rels") && name != "[Content_Types].xml") {
      EXPECT_TRUE(declared.count(name)) << name.toStdString();
    }
  for (const QString& d : declared) EXPECT_TRUE(read.parts.count(d)) << d.toStdString();

  // Relationships point at parts that exist; sheet 2 draws drawing 1, sheet 3 drawing 2.
  auto targets = [&](const QString& rels, const QString& base) {
    std::map<QString, QString> byId;
    const Node root = read.xml(rels);
    for (const Node* r : root.all("Relationship"))
      byId[r->attr("Id")] = QDir::cleanPath(base + r->attr("Target"));
    return byId;
  };
  for (const auto& [id, target] : targets("_rels/.rels", ""))
    EXPECT_TRUE(read.parts.count(target)) << target.toStdString();
  const auto wbRels = targets("xl/_rels/workbook.xml.rels", "xl/");
  for (const auto& [id, target] : wbRels) EXPECT_TRUE(read.parts.count(target)) << target.toStdString();
  EXPECT_EQ(targets("xl/worksheets/_rels/sheet2.xml.rels", "xl/worksheets/").at("rId1"),
            "xl/drawings/drawing1.xml");
  EXPECT_EQ(targets("xl/worksheets/_rels/sheet3.xml.rels", "xl/worksheets/").at("rId1"),
            "xl/drawings/drawing2.xml");

  const Node wb = read.xml("xl/workbook.xml");
  const auto sheets = wb.at({"sheets"}).all("sheet");
  ASSERT_EQ(sheets.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(sheets[size_t(i)]->attr("name"), QStringLiteral("Лист%1").arg(i + 1));
    EXPECT_EQ(wbRels.at(sheets[size_t(i)]->attr("r:id")), QStringLiteral("xl/worksheets/sheet%1.xml").arg(i + 1));
  }
  EXPECT_EQ(wb.at({"bookViews", "workbookView"}).attr("activeTab"), "1");
  EXPECT_EQ(read.sheet(2).at({"sheetViews", "sheetView"}).attr("tabSelected"), "1");
  EXPECT_EQ(read.sheet(1).at({"sheetViews", "sheetView"}).attr("tabSelected"), "");

  // The application rejects a worksheet whose elements are out of the schema's order.
  QStringList order;
  for (const Node& c : read.sheet(3).children) order << c.name;
  EXPECT_EQ(order, QStringList({"dimension", "sheetViews", "sheetFormatPr", "cols", "sheetData",
                                "pageMargins", "drawing"}));
}

// ------------------------------------------------------------ cells

TEST_F(SpreadsheetTest, ValuesLandInTheirCellsAndTextsSurviveExactly) {
  Workbook book(1);
  Sheet& s = book.sheet(0);
  const QString tricky = QStringLiteral("Число дочерей      ");  // trailing blanks kept
  const QString markup = QStringLiteral("<b> & \"ПСТ\" 'СКО' _x0041_ \r\n\tтаб \x01 😀");
  s.setValue("I4", tricky);
  s.setValue("A4", QStringLiteral("Признак"));
  s.setValue("C5", markup);
  s.setValue("B7:C8", QStringLiteral("везде"));  // every cell of the range
  s.setValue("A9", QStringLiteral("Признак"));    // the same text once in the table
  const double numbers[] = {0.1, 1.0 / 3, -1e-300, 1e20, 5.2, -0.25, 42};
  for (int i = 0; i < 7; ++i) s.setValue(Range::cell(20, i + 1), numbers[i]);
  s.setValue("H20", std::numeric_limits<double>::quiet_NaN());
  s.setValue("A19", QString(40000, QChar(u'ж')));  // more than a cell can hold
  s.setValue("A21", QStringLiteral("стерто"));
  s.clearValue("A21");

  const Book read = saveAndLoad(book);
  const auto cells = read.cells(1);
  EXPECT_EQ(cells.at("I4").text, tricky);
  EXPECT_EQ(cells.at("A4").text, "Признак");
  EXPECT_EQ(cells.at("A9").text, "Признак");
  EXPECT_EQ(cells.at("C5").text, markup);
  for (const char* a : {"B7", "C7", "B8", "C8"}) EXPECT_EQ(cells.at(a).text, "везде") << a;
  EXPECT_EQ(read.strings.count("Признак"), 1);
  for (int i = 0; i < 7; ++i) {
    const CellRead& c = cells.at(columnName(i + 1) + "20");
    EXPECT_FALSE(c.isString);
    EXPECT_EQ(c.text.toDouble(), numbers[i]) << c.text.toStdString();
  }
  EXPECT_EQ(cells.at("H20").type, "e");
  EXPECT_EQ(cells.at("A19").text, QString(kMaxCellText, QChar(u'ж')));
  EXPECT_EQ(cells.count("A21"), 0u);

  // Rows ascend and cells ascend within a row, whatever order they were written in.
  const Node ws = read.sheet(1);
  int lastRow = 0;
  for (const Node* row : ws.at({"sheetData"}).all("row")) {
    EXPECT_GT(row->attr("r").toInt(), lastRow);
    lastRow = row->attr("r").toInt();
    int lastCol = 0;
    for (const Node* c : row->all("c")) {
      const int col = Range::parse(c->attr("r")).firstColumn;
      EXPECT_GT(col, lastCol);
      EXPECT_EQ(Range::parse(c->attr("r")).firstRow, lastRow);
      lastCol = col;
    }
  }
  EXPECT_EQ(ws.at({"dimension"}).attr("ref"), "A4:I20");
}

TEST_F(SpreadsheetTest, MergesKeepTheTopLeftValueAndNeverOverlap) {
  Workbook book(1);
  Sheet& s = book.sheet(0);
  s.setValue("A1:I1", QStringLiteral("заголовок"));
  s.merge("A1:I1");                           // only A1 keeps the text
  s.setValue("C5:F5", QStringLiteral("СКО по дочерям =0!  "));  // lands in C5 only
  s.merge("C5:F5");
  s.merge("C5:F5");                           // again: no second entry
  s.merge("B10:C11");
  s.merge("C11:D12");                         // overlaps: one area B10:D12
  s.merge("E20");                             // a single cell is no merge

  EXPECT_EQ(s.merges(), (std::vector<Range>{Range("A1:I1"), Range("C5:F5"), Range("B10:D12")}));
  const Book read = saveAndLoad(book);
  const auto cells = read.cells(1);
  EXPECT_EQ(cells.at("A1").text, "заголовок");
  for (const char* hidden : {"B1", "I1", "D5", "F5"}) EXPECT_EQ(cells.count(hidden), 0u) << hidden;
  EXPECT_EQ(cells.at("C5").text, "СКО по дочерям =0!  ");
  QStringList refs;
  const Node mc = read.sheet(1).at({"mergeCells"});
  for (const Node* m : mc.all("mergeCell")) refs << m->attr("ref");
  EXPECT_EQ(refs, QStringList({"A1:I1", "C5:F5", "B10:D12"}));
  EXPECT_EQ(mc.attr("count"), "3");
}

// ------------------------------------------------------------ formats

TEST_F(SpreadsheetTest, CellFormatsAreWrittenOnceAndReferencedRight) {
  Workbook book(2);
  for (int i = 0; i < 2; ++i) {
    Sheet& s = book.sheet(i);
    s.setHorizontalAlignment("A1:I4", HAlign::Center);
    s.setVerticalAlignment("A1:I35", VAlign::Center);
    s.setWrapText("A1:I38", true);
    s.setFontSize("A1:I1", 10);
    s.setFontSize("A2:I38", 8);
    s.setBold("A1", true);
    s.setFontName("A1", QStringLiteral("Arial Cyr"));
    s.setHorizontalAlignment("A5:H38", HAlign::Left);
    s.setBorders("A2:I23", AllLines, BorderStyle::Thin);
    s.setBorders("B26:G33", Edges, BorderStyle::Medium);
    s.setFill("A40", Color::rgb(0xFFEE00));
  }
  const Book read = saveAndLoad(book);
  const Node st = read.xml("xl/styles.xml");
  const auto fonts = st.at({"fonts"}).all("font");
  const auto fills = st.at({"fills"}).all("fill");
  const auto borders = st.at({"borders"}).all("border");
  const auto xfs = st.at({"cellXfs"}).all("xf");
  EXPECT_EQ(st.at({"fonts"}).attr("count").toInt(), int(fonts.size()));
  EXPECT_EQ(st.at({"cellXfs"}).attr("count").toInt(), int(xfs.size()));
  EXPECT_EQ(fonts.size(), 4u);  // default, size 10, size 8, bold Arial Cyr 10
  // Every referenced format exists, and its parts exist.
  for (const Node* xf : xfs) {
    EXPECT_LT(xf->attr("fontId").toInt(), int(fonts.size()));
    EXPECT_LT(xf->attr("fillId").toInt(), int(fills.size()));
    EXPECT_LT(xf->attr("borderId").toInt(), int(borders.size()));
  }
  const auto sheet1 = read.cells(1);
  const auto sheet2 = read.cells(2);
  for (const auto& [ref, cell] : sheet1) {
    ASSERT_LT(cell.style, int(xfs.size())) << ref.toStdString();
    EXPECT_EQ(sheet2.at(ref).style, cell.style);  // the second sheet reuses the same formats
  }

  auto fmt = [&](const char* ref) { return xfs[size_t(sheet1.at(ref).style)]; };
  auto font = [&](const char* ref) { return fonts[size_t(fmt(ref)->attr("fontId").toInt())]; };
  auto border = [&](const char* ref, const char* side) {
    return borders[size_t(fmt(ref)->attr("borderId").toInt())]->at({side}).attr("style");
  };
  EXPECT_EQ(font("B1")->at({"sz"}).attr("val"), "10");
  EXPECT_EQ(font("I38")->at({"sz"}).attr("val"), "8");
  EXPECT_TRUE(font("A1")->child("b"));
  EXPECT_EQ(font("A1")->at({"name"}).attr("val"), "Arial Cyr");
  EXPECT_EQ(fmt("E3")->at({"alignment"}).attr("horizontal"), "center");
  EXPECT_EQ(fmt("E3")->at({"alignment"}).attr("vertical"), "center");
  EXPECT_EQ(fmt("E3")->at({"alignment"}).attr("wrapText"), "1");
  EXPECT_EQ(fmt("B6")->at({"alignment"}).attr("horizontal"), "left");
  EXPECT_EQ(fmt("B37")->at({"alignment"}).attr("vertical"), "");  // bottom, the default
  // All lines of A2:I23: every side of every cell; edges only of B26:G33.
  for (const char* side : {"left", "right", "top", "bottom"}) {
    EXPECT_EQ(border("E10", side), "thin") << side;
    EXPECT_EQ(border("A2", side), "thin") << side;
  }
  EXPECT_EQ(border("B26", "left"), "medium");
  EXPECT_EQ(border("B26", "top"), "medium");
  EXPECT_EQ(border("B26", "right"), "");
  EXPECT_EQ(border("D30", "left"), "");
  EXPECT_EQ(border("G33", "right"), "medium");
  EXPECT_EQ(border("G33", "bottom"), "medium");
  const Node* fill = fills[size_t(fmt("A40")->attr("fillId").toInt())];
  EXPECT_EQ(fill->at({"patternFill", "fgColor"}).attr("rgb"), "FFFFEE00");
  EXPECT_EQ(fills[0]->at({"patternFill"}).attr("patternType"), "none");
  EXPECT_EQ(fills[1]->at({"patternFill"}).attr("patternType"), "gray125");
}

// ------------------------------------------------------------ sizes, margins, geometry

TEST_F(SpreadsheetTest, SizesMarginsAndGeometryAgree) {
  Workbook book(1);
  Sheet& s = book.sheet(0);
  const PageMargins margins{0.78740157480315, 0.78740157480315, 0.590551181102362, 0.3937007, 0, 0};
  s.setMargins(margins);
  s.setColumnWidth("A1", 10.5);
  s.setColumnWidth("B1", 7.8);
  s.setColumnWidth("G4:H4", 7.8);
  s.setRowHeight(30, 30, 20.3);  // the application shows whole pixels: 27 px
  s.setValue("I40", 1.0);

  EXPECT_DOUBLE_EQ(columnWidthPoints(10.5), 59.25);  // 79 px
  EXPECT_DOUBLE_EQ(columnWidthPoints(7.8), 45);      // 60 px
  EXPECT_DOUBLE_EQ(columnWidthPoints(8.43), 48);     // 64 px, the default column
  EXPECT_DOUBLE_EQ(s.rowHeight(30), 20.25);
  EXPECT_DOUBLE_EQ(s.rowHeight(31), 15);
  const RectF chart = s.geometry("C5:F5");
  EXPECT_DOUBLE_EQ(chart.left, 59.25 + 45);
  EXPECT_DOUBLE_EQ(chart.top, 4 * 15);
  EXPECT_DOUBLE_EQ(chart.width, 4 * 48);
  EXPECT_DOUBLE_EQ(chart.height, 15);
  const RectF below = s.geometry("A29:I31");
  EXPECT_DOUBLE_EQ(below.top, 28 * 15);
  EXPECT_DOUBLE_EQ(below.height, 15 + 20.25 + 15);
  EXPECT_DOUBLE_EQ(below.width, 59.25 + 45 + 4 * 48 + 45 + 45 + 48);

  const Book read = saveAndLoad(book);
  const Node ws = read.sheet(1);
  const Node& pm = ws.at({"pageMargins"});
  EXPECT_EQ(pm.attr("left").toDouble(), margins.left);
  EXPECT_EQ(pm.attr("top").toDouble(), margins.top);
  EXPECT_EQ(pm.attr("bottom").toDouble(), margins.bottom);
  EXPECT_EQ(pm.attr("header").toDouble(), 0.0);
  EXPECT_EQ(ws.at({"sheetFormatPr"}).attr("defaultRowHeight").toDouble(), 15.0);

  // The application turns a stored width w into trunc((256 w + trunc(128/7)) / 256 * 7) pixels.
  std::map<int, double> pixels;
  for (const Node* col : ws.at({"cols"}).all("col"))
    for (int c = col->attr("min").toInt(); c <= col->attr("max").toInt(); ++c)
      pixels[c] = std::trunc((256 * col->attr("width").toDouble() + 18) / 256 * 7);
  EXPECT_EQ(pixels, (std::map<int, double>{{1, 79}, {2, 60}, {3, 64}, {4, 64}, {5, 64}, {6, 64},
                                             {7, 60}, {8, 60}, {9, 64}}));
  bool found = false;
  for (const Node* row : ws.at({"sheetData"}).all("row"))
    if (row->attr("r") == "30") {
      found = true;
      EXPECT_EQ(row->attr("ht").toDouble(), 20.25);
      EXPECT_EQ(row->attr("customHeight"), "1");
    }
  EXPECT_TRUE(found) << "a row given a height is written even without cells";
}

// ------------------------------------------------------------ shapes

TEST_F(SpreadsheetTest, BarsAreAnchoredToTheirRowAndColumns) {
  Workbook book(1);
  Sheet& s = book.sheet(0);
  s.setColumnWidth("A1", 10.5);
  s.setColumnWidth("B1", 7.8);
  s.setRowHeight(6, 6, 24);  // a taller row in the middle
  // The way the profile draws a trait's bar: a seventh of the chart area per unit of z, from the
  // middle of C:F rightwards for z >= 0, leftwards for z < 0, over the row's full height.
  auto bar = [&](int row, double z) -> Shape& {
    const RectF area = s.geometry(Range(row, 3, row, 6));
    const double w = area.width / 7 * std::abs(std::clamp(z, -3.5, 3.5));
    const double middle = area.left + area.width / 2;
    Shape& shape = s.addRectangle({z >= 0 ? middle : middle - w, area.top, w, area.height});
    shape.fill = z >= 0 ? Color::rgb(0x00B050) : Color::rgb(0xC0504D);
    shape.fillTransparency = 0.7;
    shape.line.reset();
    return shape;
  };
  bar(5, 1.5);
  bar(6, -3.5);
  bar(7, 5.2);   // clamped: reaches the right edge of F
  bar(8, 0);     // no width
  Shape& framed = s.addRectangle({10, 2, 30, 7.5});
  framed.fill.reset();
  framed.line = Color::rgb(0x000000);
  framed.lineWidth = 1.5;
  framed.name = QStringLiteral("рамка \"1\"");

  const Book read = saveAndLoad(book);
  const Node dr = read.xml("xl/drawings/drawing1.xml");
  const auto anchors = dr.all("xdr:twoCellAnchor");
  ASSERT_EQ(anchors.size(), 5u);
  struct Marker { int col; qint64 colOff; int row; qint64 rowOff; };
  auto marker = [](const Node* a, const char* which) {
    const Node& m = a->at({which});
    return Marker{m.at({"xdr:col"}).text.toInt(), m.at({"xdr:colOff"}).text.toLongLong(),
                  m.at({"xdr:row"}).text.toInt(), m.at({"xdr:rowOff"}).text.toLongLong()};
  };
  auto expectMarker = [&](const Node* a, const char* which, Marker want) {
    const Marker got = marker(a, which);
    EXPECT_EQ(got.col, want.col) << which;
    EXPECT_EQ(got.colOff, want.colOff) << which;
    EXPECT_EQ(got.row, want.row) << which;
    EXPECT_EQ(got.rowOff, want.rowOff) << which;
  };
  // z = 1.5 in row 5: from the D|E boundary, 1.5/7 of four columns long; row 5 only.
  expectMarker(anchors[0], "xdr:from", {4, 0, 4, 0});
  expectMarker(anchors[0], "xdr:to", {4, std::llround(4 * 48 / 7.0 * 1.5 * 12700), 5, 0});
  // z = -3.5 in the taller row 6: from the left of C to the middle, bottom on row 7's top.
  expectMarker(anchors[1], "xdr:from", {2, 0, 5, 0});
  expectMarker(anchors[1], "xdr:to", {4, 0, 6, 0});
  // z = 5.2: from the middle to the right edge of F, which is the start of G.
  expectMarker(anchors[2], "xdr:from", {4, 0, 6, 0});
  expectMarker(anchors[2], "xdr:to", {6, 0, 7, 0});
  expectMarker(anchors[3], "xdr:from", {4, 0, 7, 0});
  expectMarker(anchors[3], "xdr:to", {4, 0, 8, 0});
  // A shape inside cells: offsets in EMU from the cells' corners.
  expectMarker(anchors[4], "xdr:from", {0, 10 * 12700, 0, 2 * 12700});
  expectMarker(anchors[4], "xdr:to", {0, 40 * 12700, 0, std::llround(9.5 * 12700)});

  for (const Node* a : anchors) EXPECT_EQ(a->attr("editAs"), "twoCell");
  const Node& sp0 = anchors[0]->at({"xdr:sp", "xdr:spPr"});
  EXPECT_EQ(sp0.at({"a:prstGeom"}).attr("prst"), "rect");
  EXPECT_EQ(sp0.at({"a:solidFill", "a:srgbClr"}).attr("val"), "00B050");
  EXPECT_EQ(sp0.at({"a:solidFill", "a:srgbClr", "a:alpha"}).attr("val"), "30000");
  EXPECT_TRUE(sp0.at({"a:ln"}).child("a:noFill"));
  EXPECT_EQ(sp0.at({"a:xfrm", "a:off"}).attr("x").toLongLong(), std::llround((59.25 + 45 + 96) * 12700));
  EXPECT_EQ(sp0.at({"a:xfrm", "a:off"}).attr("y").toLongLong(), 60 * 12700);
  EXPECT_EQ(anchors[1]->at({"xdr:sp", "xdr:spPr", "a:solidFill", "a:srgbClr"}).attr("val"), "C0504D");
  EXPECT_EQ(anchors[1]->at({"xdr:sp", "xdr:spPr", "a:xfrm", "a:ext"}).attr("cy").toLongLong(), 24 * 12700);
  EXPECT_EQ(anchors[3]->at({"xdr:sp", "xdr:spPr", "a:xfrm", "a:ext"}).attr("cx"), "0");

  const Node& sp4 = anchors[4]->at({"xdr:sp"});
  EXPECT_TRUE(sp4.at({"xdr:spPr"}).child("a:noFill"));
  EXPECT_EQ(sp4.at({"xdr:spPr", "a:ln"}).attr("w").toLongLong(), 19050);
  EXPECT_EQ(sp4.at({"xdr:spPr", "a:ln", "a:solidFill", "a:srgbClr"}).attr("val"), "000000");
  EXPECT_EQ(sp4.at({"xdr:nvSpPr", "xdr:cNvPr"}).attr("name"), "рамка \"1\"");
  std::set<QString> ids;
  for (const Node* a : anchors) ids.insert(a->at({"xdr:sp", "xdr:nvSpPr", "xdr:cNvPr"}).attr("id"));
  EXPECT_EQ(ids.size(), anchors.size()) << "shape ids are unique";
}

// ------------------------------------------------------------ sheet names

// Names are kept unique through renames and additions in a workbook of thousands of sheets:
// an old name is free again once its sheet is renamed, clashes ignore case.
TEST_F(SpreadsheetTest, ManySheetsKeepUniqueNamesThroughRenames) {
  Workbook book(3000);
  for (int i = 0; i < 3000; ++i) book.renameSheet(i, QStringLiteral("№%1 Бык").arg(i + 1));
  EXPECT_EQ(book.sheet(2999).name(), QStringLiteral("№3000 Бык"));
  EXPECT_EQ(book.renameSheet(5, QStringLiteral("№1 БЫК")), QStringLiteral("№1 БЫК (2)"));
  EXPECT_EQ(book.renameSheet(7, QStringLiteral("№1 бык")), QStringLiteral("№1 бык (3)"));
  EXPECT_EQ(book.renameSheet(5, QStringLiteral("№6 Бык")), QStringLiteral("№6 Бык"));  // its old name was free
  EXPECT_EQ(book.renameSheet(9, QStringLiteral("№1 БЫК")), QStringLiteral("№1 БЫК (2)"));
  EXPECT_EQ(book.addSheet(QStringLiteral("№3000 БЫК")).name(), QStringLiteral("№3000 БЫК (2)"));
  EXPECT_EQ(book.addSheet(QStringLiteral("Лист1")).name(), QStringLiteral("Лист1"));  // renamed away
  EXPECT_EQ(book.renameSheet(0, QStringLiteral("History")), QStringLiteral("History (2)"));
  const QStringList names = book.sheetNames();
  QSet<QString> folded;
  for (const QString& n : names) folded.insert(n.toCaseFolded());
  EXPECT_EQ(folded.size(), names.size());
}

TEST_F(SpreadsheetTest, SheetNamesAreMadeAcceptableAndUnique) {
  EXPECT_EQ(acceptableSheetName(QStringLiteral("№12 Бык:Зорька/1?*[2]\\"), {}),
            QStringLiteral("№12 Бык_Зорька_1___2__"));
  EXPECT_EQ(acceptableSheetName(QStringLiteral("№3 "), {}), QStringLiteral("№3 "));  // kept as given
  EXPECT_EQ(acceptableSheetName("", {}), QStringLiteral("Лист"));
  EXPECT_EQ(acceptableSheetName("'quoted'", {}), "_quoted_");
  EXPECT_EQ(acceptableSheetName(QStringLiteral("таб\tулятор"), {}), QStringLiteral("таб_улятор"));
  EXPECT_EQ(acceptableSheetName("history", {}), "history (2)");

  const QString longName = QStringLiteral("№1 ") + QString(40, QChar(u'Ж'));
  const QString cut = acceptableSheetName(longName, {});
  EXPECT_EQ(cut.size(), 31);
  EXPECT_TRUE(longName.startsWith(cut));
  // Clashes are told apart case-insensitively, Cyrillic too, and the suffix still fits.
  EXPECT_EQ(acceptableSheetName(QStringLiteral("№1 ивАНОВ"), {QStringLiteral("№1 Иванов")}),
            QStringLiteral("№1 ивАНОВ (2)"));
  const QString second = acceptableSheetName(longName, {cut});
  EXPECT_EQ(second, cut.left(27) + " (2)");
  EXPECT_EQ(acceptableSheetName(longName, {cut, second}), cut.left(27) + " (3)");
  // A character outside the basic plane is never cut in half.
  const QString emoji = QString(30, QChar(u'a')) + QStringLiteral("😀");
  EXPECT_EQ(acceptableSheetName(emoji, {}), QString(30, QChar(u'a')));

  Workbook book(3);
  EXPECT_EQ(book.sheetNames(), QStringList({"Лист1", "Лист2", "Лист3"}));
  EXPECT_EQ(book.renameSheet(0, QStringLiteral("№1 ЗОРЬКА")), QStringLiteral("№1 ЗОРЬКА"));
  EXPECT_EQ(book.renameSheet(1, QStringLiteral("№1 зорька")), QStringLiteral("№1 зорька (2)"));
  EXPECT_EQ(book.renameSheet(0, QStringLiteral("№1 зорька")), QStringLiteral("№1 зорька"))
      << "a sheet does not clash with its own old name";
  EXPECT_EQ(book.renameSheet(2, "a&b<c>\"d\""), "a&b<c>\"d\"");
  const Book read = saveAndLoad(book);
  QStringList written;
  const Node wb = read.xml("xl/workbook.xml");
  for (const Node* sh : wb.at({"sheets"}).all("sheet")) written << sh->attr("name");
  EXPECT_EQ(written, book.sheetNames());
}

// ------------------------------------------------------------ saving

TEST_F(SpreadsheetTest, FailedSavesLeaveNothingBehind) {
  Workbook book(2);
  book.sheet(0).setValue("A1", QStringLiteral("профиль"));

  // A folder that cannot exist: its parent is a file (root cannot get past that either).
  QFile blocker(path("blocker"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  const QString impossible = path("blocker/книга.xlsx");
  try {
    book.save(impossible);
    FAIL() << "saving into a file's path succeeded";
  } catch (const WriteError& e) {
    EXPECT_TRUE(e.message().contains(QDir::toNativeSeparators(impossible))) << e.what();
    EXPECT_TRUE(e.message().startsWith(QStringLiteral("Не удалось создать файл"))) << e.what();
  }
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
            QStringList({"blocker"}));

  // A target that is a folder is not replaced.
  ASSERT_TRUE(QDir(dir.path()).mkdir("папка.xlsx"));
  EXPECT_THROW(book.save(path("папка.xlsx")), WriteError);
  EXPECT_TRUE(QFileInfo(path("папка.xlsx")).isDir());

#ifdef Q_OS_UNIX
  // A full disk, played by a file size limit: the old file stays whole and no temporary
  // file is left beside it.
  const QString target = path("профиль.xlsx");
  book.save(target);
  const QByteArray before = [&] { QFile f(target); f.open(QIODevice::ReadOnly); return f.readAll(); }();
  Workbook big(40);
  for (int i = 0; i < 40; ++i)
    for (int r = 1; r <= 40; ++r)
      big.sheet(i).setValue(Range(r, 1, r, 9), QStringLiteral("текст %1 %2").arg(i).arg(r));
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 2048;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  bool threw = false;
  try {
    big.save(target);
  } catch (const WriteError& e) {
    threw = true;
    EXPECT_TRUE(e.message().contains(QDir::toNativeSeparators(target))) << e.what();
  }
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_TRUE(threw);
  QFile f(target);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), before);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"blocker", "профиль.xlsx"}));
  EXPECT_EQ(load(target).cells(1).at("A1").text, "профиль");
#endif
}

// ------------------------------------------------------------ the real application

TEST_F(SpreadsheetTest, ConvertsToPdfWhereTheApplicationIsInstalled) {
  const QString soffice = QStandardPaths::findExecutable("soffice");
  if (soffice.isEmpty()) GTEST_SKIP() << "soffice is not on PATH";
  Workbook book(2);
  Sheet& s = book.sheet(0);
  s.setValue("A1:I1", QStringLiteral("Линейный профиль быка-производителя."));
  s.merge("A1:I1");
  s.setBorders("A2:I5", AllLines, BorderStyle::Thin);
  Shape& bar = s.addRectangle(s.geometry("E5:E5"));
  bar.fillTransparency = 0.7;
  book.renameSheet(1, QStringLiteral("№2 "));
  book.save(path("profile.xlsx"));

  QProcess p;
  p.setWorkingDirectory(dir.path());
  p.start(soffice, {"--headless", "-env:UserInstallation=file://" + dir.filePath("lo-profile"),
                    "--convert-to", "pdf", "--outdir", dir.path(), path("profile.xlsx")});
  ASSERT_TRUE(p.waitForFinished(180000)) << "soffice did not finish";
  EXPECT_TRUE(QFileInfo(path("profile.pdf")).size() > 0) << p.readAllStandardError().toStdString();
}

}  // namespace
