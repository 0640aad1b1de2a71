// The profile workbook's spreadsheet: workbooks written to a temporary folder and read back
// with libzip and QXmlStreamReader.
#include "qt_print.h"
#include "spreadsheet_readback.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <set>

using namespace korvel::xlsx;
using namespace korvel::test;

namespace {

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
  EXPECT_EQ(fonts.size(), 5u);  // Normal, default, size 10, size 8, bold Arial Cyr 10
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

  // The application turns a stored width w into trunc((256 w + trunc(128/8)) / 256 * 8) pixels,
  // the Normal font's digits being 8 pixels wide.
  std::map<int, double> pixels;
  for (const Node* col : ws.at({"cols"}).all("col"))
    for (int c = col->attr("min").toInt(); c <= col->attr("max").toInt(); ++c)
      pixels[c] = std::trunc((256 * col->attr("width").toDouble() + 16) / 256 * 8);
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

}  // namespace
