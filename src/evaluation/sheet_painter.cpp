#include "evaluation/sheet_painter.h"

#include "evaluation/pdf_engine.h"

#include <QPaintDevice>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <map>

namespace korvel::xlsx {

namespace {

// The painter draws in twentieths of a point: texts are laid out at twenty times their size,
// where the font's advances are fine enough for the placement to match the printed size.
constexpr double kUnit = 20;
// The space the application leaves between a cell's edges and its text, in points.
constexpr double kPadX = 1.5;
constexpr double kPadY = 0.75;
constexpr int kKeptTexts = 4000;
constexpr double kUnbounded = 1e6;  // the width of a line that does not wrap

double borderWidth(BorderStyle style) {
  switch (style) {
    case BorderStyle::Hair: return 0.35;
    case BorderStyle::Medium: return 1.5;
    case BorderStyle::Thick:
    case BorderStyle::Double: return 2.25;
    default: return 0.75;
  }
}

QColor colorOf(const Color& c, double opacity = 1) {
  return QColor(c.red, c.green, c.blue, int(std::lround(255 * std::clamp(opacity, 0.0, 1.0))));
}

// The text a number cell shows in the General format: up to 11 significant digits.
QString numberText(double v) { return QString::number(v, 'g', 11); }

// A line of text: on the program's own PDF pages as one string, elsewhere glyph by glyph.
void drawRun(QPainter& painter, QPointF position, const QGlyphRun& run) {
  if (auto* pdf = dynamic_cast<pdf::Document*>(painter.device())) pdf->drawGlyphRun(painter, position, run);
  else painter.drawGlyphRun(position, run);
}

}  // namespace

SheetPainter::SheetPainter(QPaintDevice* device) : device_(device) {}
SheetPainter::~SheetPainter() = default;

int SheetPainter::fontIndex(const Font& font) {
  for (size_t i = 0; i < fonts_.size(); ++i)
    if (fonts_[i].first == font) return int(i);
  QFont f(font.name);
  // The size given so that, laid out for the device, it is `size` points in layout units.
  f.setPointSizeF(font.size * kUnit * 72.0 / device_->logicalDpiY());
  f.setBold(font.bold);
  f.setItalic(font.italic);
  f.setHintingPreference(QFont::PreferNoHinting);
  f.setKerning(false);
  fonts_.emplace_back(font, f);
  return int(fonts_.size() - 1);
}

const SheetPainter::LaidOut& SheetPainter::laidOut(const TextKey& key) {
  if (const auto it = texts_.constFind(key); it != texts_.cend()) return *it;
  if (texts_.size() >= kKeptTexts) texts_.clear();
  QTextLayout layout(key.text, fonts_[size_t(key.font)].second, device_);
  // A line that does not wrap is laid out from its left end; paint() places it in its cell.
  QTextOption option(key.width > 0 ? Qt::Alignment(key.align) : Qt::AlignLeft);
  option.setWrapMode(key.width > 0 ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
  layout.setTextOption(option);
  layout.setCacheEnabled(true);
  double y = 0, width = 0;
  layout.beginLayout();
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(key.width > 0 ? key.width : kUnbounded);
    line.setPosition(QPointF(0, y));
    y += line.height();
    width = std::max(width, key.width > 0 ? double(key.width) : line.naturalTextWidth());
  }
  layout.endLayout();
  LaidOut out;
  out.runs = layout.glyphRuns();
  out.size = QSizeF(width, y);

  return *texts_.insert(key, std::move(out));
}

void SheetPainter::paint(QPainter& painter, const Sheet& sheet, const QRectF& page) {
  const std::optional<Range> usedRange = sheet.usedRange();
  if (!usedRange) return;
  const Range used(1, 1, usedRange->lastRow, usedRange->lastColumn);

  // Every cell once: its format (for its borders) and, for a cell that shows one, its text.
  struct Cell {
    int row, column;
    const Range* merged;
    CellFormat format;
    QString text;
    int align = Qt::AlignLeft;
    int font = 0;
  };
  std::vector<Cell> cells;
  cells.reserve(size_t(used.lastRow) * size_t(used.lastColumn));
  for (int r = 1; r <= used.lastRow; ++r)
    for (int c = 1; c <= used.lastColumn; ++c) {
      const Range* merged = nullptr;
      for (const Range& m : sheet.merges())
        if (m.contains(r, c)) merged = &m;
      Cell& cell = cells.emplace_back(Cell{r, c, merged, sheet.format(r, c), {}});
      // A merged area shows the value of its top-left cell only.
      if (merged && (r != merged->firstRow || c != merged->firstColumn)) continue;
      const CellValue v = sheet.value(r, c);
      const bool isNumber = std::holds_alternative<double>(v);
      if (isNumber) cell.text = numberText(std::get<double>(v));
      else if (const auto* text = std::get_if<QString>(&v)) cell.text = *text;
      const HAlign h = cell.format.horizontal;
      if (h == HAlign::Center) cell.align = Qt::AlignHCenter;
      else if (h == HAlign::Right || (h == HAlign::General && isNumber)) cell.align = Qt::AlignRight;
      else if (h == HAlign::Justify) cell.align = Qt::AlignJustify;
      if (!cell.text.isEmpty()) cell.font = fontIndex(cell.format.font);
    }

  // Column edges from the widths; row edges from the heights, where a row that was given none
  // grows to fit its wrapped texts as the application makes it on opening (a merged area of
  // several rows does not count).
  std::vector<double> xs{0}, ys{0}, sheetYs{0};
  for (int c = 1; c <= used.lastColumn; ++c) xs.push_back(xs.back() + columnWidthPoints(sheet.columnWidth(c)));
  const auto wrapWidth = [&](const Cell& cell) {
    const Range area = cell.merged ? *cell.merged : Range::cell(cell.row, cell.column);
    return std::max(1, int((xs[size_t(area.lastColumn)] - xs[size_t(area.firstColumn - 1)] - 2 * kPadX) * kUnit));
  };
  std::vector<double> heights;
  for (int r = 1; r <= used.lastRow; ++r) heights.push_back(sheet.rowHeight(r));
  for (const Cell& cell : cells) {
    if (cell.text.isEmpty() || !cell.format.wrap || sheet.hasCustomHeight(cell.row)) continue;
    if (cell.merged && cell.merged->rows() > 1) continue;
    const LaidOut& t = laidOut({cell.text, cell.font, wrapWidth(cell), cell.align});
    double& h = heights[size_t(cell.row - 1)];
    h = std::max(h, snapRowHeight(t.size.height() / kUnit + 2 * kPadY));
  }
  for (int r = 1; r <= used.lastRow; ++r) {
    ys.push_back(ys.back() + heights[size_t(r - 1)]);
    sheetYs.push_back(sheetYs.back() + sheet.rowHeight(r));
  }
  // A rectangle's corner keeps its place within its cell when the rows grow, as its anchor
  // does in the application (a corner below the used rows moves with the last of them).
  const auto grown = [&](double y) {
    const size_t r = size_t(std::upper_bound(sheetYs.begin(), sheetYs.end(), y) - sheetYs.begin());
    if (r == 0) return y;
    if (r >= sheetYs.size()) return y - sheetYs.back() + ys.back();
    return ys[r - 1] + std::min(y - sheetYs[r - 1], heights[r - 1]);
  };
  std::vector<QRectF> shapes;
  double width = xs.back(), height = ys.back();
  for (const Shape& s : sheet.shapes()) {
    const QRectF r = QRectF(s.rect.left, s.rect.top, s.rect.width, s.rect.height).normalized();
    const QRectF placed(QPointF(r.left(), grown(r.top())), QPointF(r.right(), grown(r.bottom())));
    shapes.push_back(placed);
    width = std::max(width, placed.right());
    height = std::max(height, placed.bottom());
  }

  const double scale = std::min(page.width() / width, page.height() / height);
  painter.save();
  painter.translate(page.topLeft());
  painter.scale(scale / kUnit, scale / kUnit);
  const auto rectOf = [&](const Range& r) {
    return QRectF(QPointF(xs[size_t(r.firstColumn - 1)] * kUnit, ys[size_t(r.firstRow - 1)] * kUnit),
                  QPointF(xs[size_t(std::min(r.lastColumn, used.lastColumn))] * kUnit,
                          ys[size_t(std::min(r.lastRow, used.lastRow))] * kUnit));
  };

  // Borders by style: the application draws no line inside a merged area.
  std::map<BorderStyle, std::vector<QLineF>> lines;
  const auto edge = [&](BorderStyle style, QPointF a, QPointF b) {
    if (style != BorderStyle::None) lines[style].emplace_back(a * kUnit, b * kUnit);
  };
  for (const Cell& cell : cells) {
    const CellFormat& f = cell.format;
    const int r = cell.row, c = cell.column;
    const Range* merged = cell.merged;
    const double x0 = xs[size_t(c - 1)], x1 = xs[size_t(c)], y0 = ys[size_t(r - 1)], y1 = ys[size_t(r)];
    if (!merged || c == merged->firstColumn) edge(f.left, {x0, y0}, {x0, y1});
    if (!merged || c == merged->lastColumn) edge(f.right, {x1, y0}, {x1, y1});
    if (!merged || r == merged->firstRow) edge(f.top, {x0, y0}, {x1, y0});
    if (!merged || r == merged->lastRow) edge(f.bottom, {x0, y1}, {x1, y1});

    // The fill and the text, once for a merged area, from its top-left cell.
    if (merged && (r != merged->firstRow || c != merged->firstColumn)) continue;
    const QRectF area = rectOf(merged ? *merged : Range::cell(r, c));
    if (f.fill) painter.fillRect(area, colorOf(*f.fill));
    if (cell.text.isEmpty()) continue;
    const QRectF inner = area.adjusted(kPadX * kUnit, kPadY * kUnit, -kPadX * kUnit, -kPadY * kUnit);
    const LaidOut& t = laidOut({cell.text, cell.font, f.wrap ? wrapWidth(cell) : 0, f.wrap ? cell.align : 0});
    double x = inner.left();
    if (!f.wrap && cell.align == Qt::AlignHCenter) x = inner.center().x() - t.size.width() / 2;
    else if (!f.wrap && cell.align == Qt::AlignRight) x = inner.right() - t.size.width();
    double y = inner.top();
    if (f.vertical == VAlign::Center) y = inner.center().y() - t.size.height() / 2;
    else if (f.vertical == VAlign::Bottom) y = inner.bottom() - t.size.height();
    // Wrapped text stays inside its cell, as the application clips it; a line that does not
    // wrap runs on over its neighbours.
    const bool clip = f.wrap && t.size.height() > inner.height();
    if (clip) {
      painter.save();
      painter.setClipRect(area);
    }
    for (const QGlyphRun& run : t.runs) drawRun(painter, QPointF(x, y), run);
    if (clip) painter.restore();
  }
  for (const auto& [style, segments] : lines) {
    QPen pen(Qt::black, borderWidth(style) * kUnit);
    if (style == BorderStyle::Dotted) pen.setStyle(Qt::DotLine);
    if (style == BorderStyle::Dashed) pen.setStyle(Qt::DashLine);
    pen.setCapStyle(Qt::SquareCap);
    painter.setPen(pen);
    painter.drawLines(segments.data(), int(segments.size()));
  }

  // The rectangles over the cells.
  for (size_t i = 0; i < shapes.size(); ++i) {
    const Shape& s = sheet.shapes()[i];
    painter.setPen(s.line ? QPen(colorOf(*s.line), s.lineWidth * kUnit) : QPen(Qt::NoPen));
    painter.setBrush(s.fill ? QBrush(colorOf(*s.fill, 1 - s.fillTransparency)) : QBrush(Qt::NoBrush));
    const QRectF box(shapes[i].topLeft() * kUnit, shapes[i].size() * kUnit);
    painter.drawRect(box);
    if (s.text.isEmpty()) continue;
    // A shape's text on one line, centred both ways (beyond the shape's sides when longer), in
    // black as the workbook gives it, whatever the shape's outline.
    const LaidOut& t = laidOut({s.text, fontIndex(s.textFont), 0, 0});
    painter.setPen(Qt::black);
    for (const QGlyphRun& run : t.runs)
      drawRun(painter, box.center() - QPointF(t.size.width() / 2, t.size.height() / 2), run);
  }
  painter.restore();
}

}  // namespace korvel::xlsx
