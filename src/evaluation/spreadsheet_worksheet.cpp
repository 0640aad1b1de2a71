// The worksheet part (xl/worksheets/sheetN.xml): sizes, cells, merges, margins, drawing link.
#include "evaluation/spreadsheet_parts.h"

#include <algorithm>
#include <cmath>

namespace korvel::xlsx {

namespace {

using Cell = SheetAccess::Cell;

bool written(const Cell& cell) {
  return cell.styled || !std::holds_alternative<std::monostate>(cell.value);
}

// The last column the writer gives an explicit width: every used column, every column given a
// width, and the columns under the shapes, so that the drawing's anchors rest on known widths.
int lastSizedColumn(const Sheet& sheet, const std::optional<Range>& used) {
  int last = used ? used->lastColumn : 1;
  const auto& widths = SheetAccess::columnWidths(sheet);
  if (!widths.empty()) last = std::max(last, widths.rbegin()->first);
  for (const Shape& shape : sheet.shapes()) {
    const RectF r = shapeBounds(shape);
    const AnchorPoint to = anchorAt(sheet, r.right(), r.bottom());
    last = std::max(last, std::min(to.column + 1, kMaxColumns));
  }
  return last;
}

void appendCols(XmlText& out, const Sheet& sheet, int lastColumn) {
  out.append("<cols>");
  int first = 1;
  while (first <= lastColumn) {
    const double width = sheet.columnWidth(first);
    int last = first;
    while (last < lastColumn && sheet.columnWidth(last + 1) == width) ++last;
    out.append("<col min=\"");
    xml::appendInt(out, first);
    out.append("\" max=\"");
    xml::appendInt(out, last);
    out.append("\" width=\"");
    xml::appendNumber(out, geometry::columnFileWidth(width));
    out.append("\" customWidth=\"1\"");
    if (geometry::columnPixels(width) == 0) out.append(" hidden=\"1\"");
    out.append("/>");
    first = last + 1;
  }
  out.append("</cols>");
}

void appendRowStart(XmlText& out, const Sheet& sheet, int row) {
  out.append("<row r=\"");
  xml::appendInt(out, row);
  out.append('"');
  if (sheet.hasCustomHeight(row)) {
    out.append(" ht=\"");
    xml::appendNumber(out, sheet.rowHeight(row));
    out.append("\" customHeight=\"1\"");
    if (geometry::rowPixels(sheet.rowHeight(row)) == 0) out.append(" hidden=\"1\"");
  }
}

// The workbook's cell format of each of the sheet's formats, looked up at its first use, so
// that formats are numbered in the order the cells use them.
class SheetStyles {
 public:
  SheetStyles(const Sheet& sheet, StyleTable& styles)
      : formats_(SheetAccess::formats(sheet)), styles_(styles), xf_(formats_.size(), -1) {}
  int xf(quint16 format) {
    int& x = xf_[format];
    if (x < 0) x = styles_.xf(formats_[format]);
    return x;
  }

 private:
  const std::vector<CellFormat>& formats_;
  StyleTable& styles_;
  std::vector<int> xf_;
};

void appendCell(XmlText& out, const Cell& cell, int row, int column, StringTable& strings,
                SheetStyles& styles) {
  out.append("<c r=\"");
  xml::appendCellRef(out, row, column);
  out.append('"');
  if (cell.styled) {
    const int xf = styles.xf(cell.format);
    if (xf != 0) {
      out.append(" s=\"");
      xml::appendInt(out, xf);
      out.append('"');
    }
  }
  if (const QString* text = std::get_if<QString>(&cell.value)) {
    out.append(" t=\"s\"><v>");
    xml::appendInt(out, strings.index(*text));
    out.append("</v></c>");
  } else if (const double* number = std::get_if<double>(&cell.value)) {
    if (std::isfinite(*number)) {
      out.append("><v>");
      xml::appendNumber(out, *number);
      out.append("</v></c>");
    } else {
      out.append(" t=\"e\"><v>#NUM!</v></c>");  // the format has no infinities or NaN
    }
  } else {
    out.append("/>");
  }
}

void appendSheetData(XmlText& out, const Sheet& sheet, StringTable& strings,
                     SheetStyles& styles) {
  const auto& rows = SheetAccess::rows(sheet);
  const auto& heights = SheetAccess::rowHeights(sheet);
  out.append("<sheetData>");
  for (size_t r = 0; r < rows.size(); ++r) {
    const int row = int(r) + 1;
    const auto& cells = rows[r];
    const bool any = std::any_of(cells.begin(), cells.end(), written);
    if (!any && !sheet.hasCustomHeight(row)) continue;
    appendRowStart(out, sheet, row);
    if (!any) {
      out.append("/>");
      continue;
    }
    out.append('>');
    for (size_t c = 0; c < cells.size(); ++c)
      if (written(cells[c])) appendCell(out, cells[c], row, int(c) + 1, strings, styles);
    out.append("</row>");
  }
  // Rows given a height below the last row holding cells.
  for (auto it = heights.upper_bound(int(rows.size())); it != heights.end(); ++it) {
    appendRowStart(out, sheet, it->first);
    out.append("/>");
  }
  out.append("</sheetData>");
}

}  // namespace

XmlText part::worksheet(const Sheet& sheet, bool selected, bool hasDrawing,
                           StringTable& strings, StyleTable& styles) {
  XmlText out;
  out.reserve(4096);
  out.append(xml::kDeclaration);
  out.append("<worksheet xmlns=\"").append(xml::kMainNs);
  out.append("\" xmlns:r=\"").append(xml::kRelNs).append("\">");
  const PageFit& fit = sheet.pageFit();
  if (fit.any()) out.append("<sheetPr><pageSetUpPr fitToPage=\"1\"/></sheetPr>");

  const std::optional<Range> used = sheet.usedRange();
  out.append("<dimension ref=\"");
  xml::appendRange(out, used ? *used : Range::cell(1, 1));
  out.append("\"/>");

  out.append(selected ? "<sheetViews><sheetView tabSelected=\"1\" workbookViewId=\"0\"/>"
                        "</sheetViews>"
                      : "<sheetViews><sheetView workbookViewId=\"0\"/></sheetViews>");

  // Both defaults are stated so that the application lays the sheet out as geometry() did.
  out.append("<sheetFormatPr defaultColWidth=\"");
  xml::appendNumber(out, geometry::columnFileWidth(sheet.defaultColumnWidth()));
  out.append("\" defaultRowHeight=\"");
  xml::appendNumber(out, sheet.defaultRowHeight());
  out.append('"');
  if (sheet.defaultRowHeight() != 15) out.append(" customHeight=\"1\"");
  out.append("/>");

  appendCols(out, sheet, lastSizedColumn(sheet, used));
  SheetStyles sheetStyles(sheet, styles);
  appendSheetData(out, sheet, strings, sheetStyles);

  if (!sheet.merges().empty()) {
    out.append("<mergeCells count=\"");
    xml::appendInt(out, qint64(sheet.merges().size()));
    out.append("\">");
    for (const Range& m : sheet.merges()) {
      out.append("<mergeCell ref=\"");
      xml::appendRange(out, m);
      out.append("\"/>");
    }
    out.append("</mergeCells>");
  }

  const PageMargins& m = sheet.margins();
  const std::pair<const char*, double> margins[] = {{" left", m.left},     {" right", m.right},
                                                     {" top", m.top},       {" bottom", m.bottom},
                                                     {" header", m.header}, {" footer", m.footer}};
  out.append("<pageMargins");
  for (const auto& [name, value] : margins) {
    out.append(name).append("=\"");
    xml::appendNumber(out, value);
    out.append('"');
  }
  out.append("/>");
  if (fit.any()) {
    out.append("<pageSetup paperSize=\"9\" fitToWidth=\"");  // 9: A4
    xml::appendInt(out, fit.pagesWide);
    out.append("\" fitToHeight=\"");
    xml::appendInt(out, fit.pagesTall);
    out.append("\" orientation=\"portrait\"/>");
  }

  if (hasDrawing) out.append("<drawing r:id=\"rId1\"/>");
  out.append("</worksheet>");
  return out;
}

XmlText part::worksheetRels(int drawingNumber) {
  XmlText out(xml::kDeclaration);
  out.append("<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
             "relationships\"><Relationship Id=\"rId1\" Type=\"");
  out.append(xml::kRelNs);
  out.append("/drawing\" Target=\"../drawings/drawing");
  xml::appendInt(out, drawingNumber);
  out.append(".xml\"/></Relationships>");
  return out;
}

}  // namespace korvel::xlsx
