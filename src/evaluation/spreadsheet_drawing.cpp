// The drawing part (xl/drawings/drawingN.xml): the sheet's rectangles, anchored to cells.
//
// Each rectangle is a two-cell anchor: its top-left and bottom-right corners are each tied to
// the cell under them, with an offset inside that cell, and editAs="twoCell" (move and size with
// cells). A corner that lies on a cell boundary is tied to the cell starting there with offset
// 0. A bar drawn over the full height of its row therefore reads "from row r, offset 0, to row
// r+1, offset 0": whatever height the application gives that row when it opens the file (rows
// without a fixed height are fitted to wrapped or smaller text, and the application's fonts
// may differ from ours), the bar fills exactly its own row. A one-cell anchor would keep the
// size we computed from our assumed row height, and an absolute anchor the position too, so
// both would let a bar spill into the next row or fall short of its own once rows are refitted.
// Horizontal offsets are measured on the column widths the worksheet itself fixes.
#include "evaluation/spreadsheet_parts.h"

#include <algorithm>
#include <cmath>

namespace korvel::xlsx {

AnchorPoint anchorAt(const Sheet& sheet, double x, double y) {
  AnchorPoint p;
  // Everything in EMU: rounding to whole EMU also absorbs the last bits of error of sums like
  // "middle of the range minus the bar's width", so a corner meant for a boundary lands on it.
  const qint64 xEmu = std::isfinite(x) && x > 0 ? std::llround(x * geometry::kEmuPerPoint) : 0;
  const qint64 yEmu = std::isfinite(y) && y > 0 ? std::llround(y * geometry::kEmuPerPoint) : 0;

  qint64 start = 0;
  int column = 1;
  for (; column < kMaxColumns; ++column) {
    const qint64 width = geometry::columnPixels(sheet.columnWidth(column)) * geometry::kEmuPerPixel;
    if (xEmu < start + width) break;
    start += width;
  }
  p.column = column - 1;
  p.columnOffset = xEmu - start;

  start = 0;
  int row = 1;
  for (; row < kMaxRows; ++row) {
    const qint64 height = geometry::rowPixels(sheet.rowHeight(row)) * geometry::kEmuPerPixel;
    if (yEmu < start + height) break;
    start += height;
  }
  p.row = row - 1;
  p.rowOffset = yEmu - start;
  return p;
}

RectF shapeBounds(const Shape& shape) {
  RectF r = shape.rect;
  auto fix = [](double& start, double& size) {
    if (!std::isfinite(start)) start = 0;
    if (!std::isfinite(size)) size = 0;
    if (size < 0) {
      start += size;
      size = -size;
    }
    if (start < 0) {  // the sheet has nothing left of column A or above row 1
      size = std::max(0.0, size + start);
      start = 0;
    }
  };
  fix(r.left, r.width);
  fix(r.top, r.height);
  return r;
}

namespace {

void appendMarker(XmlText& out, const char* tag, const AnchorPoint& p) {
  out.append("<xdr:").append(tag).append("><xdr:col>");
  xml::appendInt(out, p.column);
  out.append("</xdr:col><xdr:colOff>");
  xml::appendInt(out, p.columnOffset);
  out.append("</xdr:colOff><xdr:row>");
  xml::appendInt(out, p.row);
  out.append("</xdr:row><xdr:rowOff>");
  xml::appendInt(out, p.rowOffset);
  out.append("</xdr:rowOff></xdr:").append(tag).append('>');
}

qint64 emu(double points) {
  return std::isfinite(points) ? std::llround(points * geometry::kEmuPerPoint) : 0;
}

void appendColor(XmlText& out, const Color& color, int alpha) {
  out.append("<a:srgbClr val=\"").append(color.hex()).append('"');
  if (alpha >= 100000) {
    out.append("/>");
    return;
  }
  out.append("><a:alpha val=\"");
  xml::appendInt(out, alpha);
  out.append("\"/></a:srgbClr>");
}

// One line, no insets, centred both ways, overflowing the shape rather than wrapping, so that
// the text's middle is the shape's middle in every application.
void appendText(XmlText& out, const QString& text, const Font& font) {
  out.append("<xdr:txBody><a:bodyPr vertOverflow=\"overflow\" horzOverflow=\"overflow\" wrap=\"none\" "
             "lIns=\"0\" tIns=\"0\" rIns=\"0\" bIns=\"0\" anchor=\"ctr\" anchorCtr=\"0\"/><a:lstStyle/>"
             "<a:p><a:pPr algn=\"ctr\"/><a:r><a:rPr lang=\"ru-RU\" sz=\"");
  xml::appendInt(out, std::lround(std::clamp(std::isfinite(font.size) ? font.size : 11.0, 1.0, 400.0) * 100));
  out.append(font.bold ? "\" b=\"1\"" : "\" b=\"0\"");
  out.append(font.italic ? " i=\"1\">" : " i=\"0\">");
  out.append("<a:solidFill><a:srgbClr val=\"000000\"/></a:solidFill><a:latin typeface=\"");
  xml::appendAttribute(out, font.name);
  out.append("\"/><a:cs typeface=\"");
  xml::appendAttribute(out, font.name);
  out.append("\"/></a:rPr><a:t>");
  xml::appendText(out, text);
  out.append("</a:t></a:r></a:p></xdr:txBody>");
}

void appendShape(XmlText& out, const Sheet& sheet, const Shape& shape, int number) {
  const RectF r = shapeBounds(shape);

  out.append("<xdr:twoCellAnchor editAs=\"twoCell\">");
  appendMarker(out, "from", anchorAt(sheet, r.left, r.top));
  appendMarker(out, "to", anchorAt(sheet, r.right(), r.bottom()));

  out.append("<xdr:sp macro=\"\" textlink=\"\"><xdr:nvSpPr><xdr:cNvPr id=\"");
  xml::appendInt(out, number + 1);  // id 1 is the drawing itself
  out.append("\" name=\"");
  if (shape.name.isEmpty()) {
    out.append("Прямоугольник ");
    xml::appendInt(out, number);
  } else {
    xml::appendAttribute(out, shape.name);
  }
  out.append(shape.text.isEmpty() ? "\"/><xdr:cNvSpPr/>" : "\"/><xdr:cNvSpPr txBox=\"1\"/>");
  out.append("</xdr:nvSpPr><xdr:spPr><a:xfrm><a:off x=\"");
  xml::appendInt(out, emu(r.left));
  out.append("\" y=\"");
  xml::appendInt(out, emu(r.top));
  out.append("\"/><a:ext cx=\"");
  xml::appendInt(out, emu(r.width));
  out.append("\" cy=\"");
  xml::appendInt(out, emu(r.height));
  out.append("\"/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom>");

  if (shape.fill) {
    const double t = std::isfinite(shape.fillTransparency)
                         ? std::clamp(shape.fillTransparency, 0.0, 1.0)
                         : 0.0;
    out.append("<a:solidFill>");
    appendColor(out, *shape.fill, int(std::lround((1.0 - t) * 100000)));
    out.append("</a:solidFill>");
  } else {
    out.append("<a:noFill/>");
  }
  if (shape.line) {
    out.append("<a:ln w=\"");
    xml::appendInt(out, std::max<qint64>(0, emu(shape.lineWidth)));
    out.append("\"><a:solidFill>");
    appendColor(out, *shape.line, 100000);
    out.append("</a:solidFill></a:ln>");
  } else {
    out.append("<a:ln><a:noFill/></a:ln>");
  }
  out.append("</xdr:spPr>");
  if (!shape.text.isEmpty()) appendText(out, shape.text, shape.textFont);
  out.append("</xdr:sp><xdr:clientData/></xdr:twoCellAnchor>");
}

}  // namespace

XmlText part::drawing(const Sheet& sheet) {
  XmlText out;
  out.reserve(512 + qsizetype(sheet.shapes().size()) * 900);
  out.append(xml::kDeclaration);
  out.append("<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/"
             "spreadsheetDrawing\" xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/"
             "main\">");
  int number = 0;
  for (const Shape& shape : sheet.shapes()) appendShape(out, sheet, shape, ++number);
  out.append("</xdr:wsDr>");
  return out;
}

}  // namespace korvel::xlsx
