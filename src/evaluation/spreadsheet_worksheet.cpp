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
  const auto& formats = SheetAccess::columnFormats(sheet);
  if (!formats.empty()) last = std::max(last, formats.rbegin()->first);
  for (const Shape& shape : sheet.shapes()) {
    const RectF r = shapeBounds(shape);
    const AnchorPoint to = anchorAt(sheet, r.right(), r.bottom());
    last = std::max(last, std::min(to.column + 1, kMaxColumns));
  }
  return last;
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

void appendCols(XmlText& out, const Sheet& sheet, int lastColumn, SheetStyles& styles) {
  const auto& formats = SheetAccess::columnFormats(sheet);
  const auto formatOf = [&](int column) {
    const auto it = formats.find(column);
    return it == formats.end() ? 0 : int(it->second);
  };
  out.append("<cols>");
  int first = 1;
  while (first <= lastColumn) {
    const double width = sheet.columnWidth(first);
    const int format = formatOf(first);
    int last = first;
    while (last < lastColumn && sheet.columnWidth(last + 1) == width && formatOf(last + 1) == format) ++last;
    out.append("<col min=\"");
    xml::appendInt(out, first);
    out.append("\" max=\"");
    xml::appendInt(out, last);
    out.append("\" width=\"");
    xml::appendNumber(out, geometry::columnFileWidth(width));
    out.append("\" customWidth=\"1\"");
    if (geometry::columnPixels(width) == 0) out.append(" hidden=\"1\"");
    if (const int xf = format ? styles.xf(quint16(format)) : 0) {
      out.append(" style=\"");
      xml::appendInt(out, xf);
      out.append('"');
    }
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

void appendCell(XmlText& out, const Cell& cell, int row, int column, StringTable& strings,
                SheetStyles& styles) {
  out.append("<c r=\"");
  xml::appendCellRef(out, row, column);
  out.append('"');
  if (cell.styled || cell.format != 0) {
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

// The pane below the frozen rows and right of the frozen columns, its first cell selected.
void appendFrozenPane(XmlText& out, int rows, int columns) {
  const char* pane = rows && columns ? "bottomRight" : rows ? "bottomLeft" : "topRight";
  out.append("<pane");
  if (columns) {
    out.append(" xSplit=\"");
    xml::appendInt(out, columns);
    out.append('"');
  }
  if (rows) {
    out.append(" ySplit=\"");
    xml::appendInt(out, rows);
    out.append('"');
  }
  out.append(" topLeftCell=\"");
  xml::appendCellRef(out, rows + 1, columns + 1);
  out.append("\" activePane=\"").append(pane).append("\" state=\"frozen\"/><selection pane=\"");
  out.append(pane).append("\" activeCell=\"");
  xml::appendCellRef(out, rows + 1, columns + 1);
  out.append("\" sqref=\"");
  xml::appendCellRef(out, rows + 1, columns + 1);
  out.append("\"/>");
}

void appendValidations(XmlText& out, const std::vector<Validation>& validations) {
  if (validations.empty()) return;
  out.append("<dataValidations count=\"");
  xml::appendInt(out, qint64(validations.size()));
  out.append("\">");
  for (const Validation& v : validations) {
    const bool list = v.kind == Validation::Kind::List;
    out.append(list ? "<dataValidation type=\"list\"" : "<dataValidation type=\"whole\" operator=\"between\"");
    out.append(" allowBlank=\"1\" showErrorMessage=\"1\" errorTitle=\"");
    xml::appendAttribute(out, v.errorTitle.left(32));
    out.append("\" error=\"");
    xml::appendAttribute(out, v.error.left(255));
    out.append("\" sqref=\"");
    xml::appendRange(out, v.range);
    out.append("\"><formula1>");
    if (list) {
      out.append('"');
      xml::appendText(out, v.items.join(QLatin1Char(',')));
      out.append("\"</formula1>");
    } else {
      xml::appendInt(out, v.minimum);
      out.append("</formula1><formula2>");
      xml::appendInt(out, v.maximum);
      out.append("</formula2>");
    }
    out.append("</dataValidation>");
  }
  out.append("</dataValidations>");
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

  out.append(selected ? "<sheetViews><sheetView tabSelected=\"1\" workbookViewId=\"0\""
                      : "<sheetViews><sheetView workbookViewId=\"0\"");
  if (sheet.frozenRows() || sheet.frozenColumns()) {
    out.append('>');
    appendFrozenPane(out, sheet.frozenRows(), sheet.frozenColumns());
    out.append("</sheetView></sheetViews>");
  } else {
    out.append("/></sheetViews>");
  }

  // Both defaults are stated so that the application lays the sheet out as geometry() did.
  out.append("<sheetFormatPr defaultColWidth=\"");
  xml::appendNumber(out, geometry::columnFileWidth(sheet.defaultColumnWidth()));
  out.append("\" defaultRowHeight=\"");
  xml::appendNumber(out, sheet.defaultRowHeight());
  out.append('"');
  if (sheet.defaultRowHeight() != 15) out.append(" customHeight=\"1\"");
  out.append("/>");

  SheetStyles sheetStyles(sheet, styles);
  appendCols(out, sheet, lastSizedColumn(sheet, used), sheetStyles);
  appendSheetData(out, sheet, strings, sheetStyles);
  // No password; widths and heights stay adjustable.
  if (sheet.isProtected())
    out.append("<sheetProtection sheet=\"1\" objects=\"1\" scenarios=\"1\" formatColumns=\"0\" "
               "formatRows=\"0\"/>");

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

  appendValidations(out, sheet.validations());

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
