// The sheets of the in-memory workbook: cells, merges, formats, sizes and geometry.
#include "evaluation/spreadsheet.h"

#include "evaluation/spreadsheet_parts.h"

#include <algorithm>
#include <cmath>

namespace korvel::xlsx {

// ---------------------------------------------------------------- sizes

namespace geometry {

// The application keeps a column's width in whole pixels: characters times the default font's
// digit width (7 pixels for Calibri 11) rounded, plus 5 pixels of cell padding; below one
// character the padding shrinks with the width.
int columnPixels(double characters) {
  if (!(characters > 0)) return 0;
  if (characters < 1) return int(characters * 12 + 0.5);
  return int(characters * 7 + 0.5) + 5;
}

int rowPixels(double points) {
  if (!(points > 0)) return 0;
  return int(std::lround(points / kPointsPerPixel));
}

// Stored in characters of the workbook's Normal font, Courier New 10, whose digits are 8 pixels
// (6 points) wide in every application and in every font that stands in for it: pixels / 8 is
// exact, and the spreadsheet applications all read it back as the same whole number of pixels.
// (A proportional Normal font is measured differently by each application: LibreOffice makes
// Calibri's 64-pixel column about 5 % wider, and far more where a stand-in font is used.)
double columnFileWidth(double characters) {
  return columnPixels(characters) / double(kNormalDigitPixels);
}

}  // namespace geometry

double columnWidthPoints(double characters) {
  return geometry::columnPixels(characters) * geometry::kPointsPerPixel;
}

double snapRowHeight(double points) {
  return geometry::rowPixels(points) * geometry::kPointsPerPixel;
}

// ---------------------------------------------------------------- cells

Sheet::Cell& Sheet::cellAt(int row, int column) {
  if (rows_.size() < size_t(row)) rows_.resize(size_t(row));
  auto& cells = rows_[size_t(row - 1)];
  if (cells.size() < size_t(column)) {
    const int had = int(cells.size());
    cells.resize(size_t(column));
    // New cells of a formatted column start from its format.
    for (auto it = columnFormats_.upper_bound(had); it != columnFormats_.end() && it->first <= column; ++it)
      cells[size_t(it->first - 1)].format = it->second;
  }
  return cells[size_t(column - 1)];
}

const Sheet::Cell* Sheet::findCell(int row, int column) const {
  if (row < 1 || size_t(row) > rows_.size()) return nullptr;
  const auto& cells = rows_[size_t(row - 1)];
  if (column < 1 || size_t(column) > cells.size()) return nullptr;
  return &cells[size_t(column - 1)];
}

const Range* Sheet::mergeCovering(int row, int column) const {
  for (const Range& m : merges_)
    if (m.contains(row, column)) return &m;
  return nullptr;
}

template <typename Fn>
void Sheet::forEachCell(const Range& range, Fn&& fn) {
  for (int r = range.firstRow; r <= range.lastRow; ++r)
    for (int c = range.firstColumn; c <= range.lastColumn; ++c) fn(cellAt(r, c), r, c);
}

quint16 Sheet::intern(const CellFormat& format) {
  for (size_t i = 0; i < formats_.size(); ++i)
    if (formats_[i] == format) return quint16(i);
  if (formats_.size() > 0xFFFF) throw std::length_error("too many distinct cell formats in one sheet");
  formats_.push_back(format);
  return quint16(formats_.size() - 1);
}

template <typename Change>
void Sheet::restyle(const Range& range, Change&& change) {
  // A range usually holds a handful of formats: each is changed and interned once.
  std::vector<std::pair<quint16, quint16>> done;
  forEachCell(range, [&](Cell& cell, int r, int c) {
    const auto it = std::find_if(done.begin(), done.end(), [&](const auto& d) { return d.first == cell.format; });
    quint16 to;
    if (it != done.end() && !change.dependsOnPlace) {
      to = it->second;
    } else {
      CellFormat f = formats_[cell.format];
      change(f, r, c);
      to = intern(f);
      done.emplace_back(cell.format, to);
    }
    cell.format = to;
    cell.styled = true;
  });
}

namespace {

// A change of format that is the same for every cell of the range.
template <typename Fn>
struct Uniform {
  Fn fn;
  static constexpr bool dependsOnPlace = false;
  void operator()(CellFormat& f, int, int) const { fn(f); }
};
template <typename Fn>
Uniform(Fn) -> Uniform<Fn>;

}  // namespace

void Sheet::setValueImpl(const Range& range, const CellValue& value) {
  for (int r = range.firstRow; r <= range.lastRow; ++r) {
    for (int c = range.firstColumn; c <= range.lastColumn; ++c) {
      const Range* m = mergeCovering(r, c);
      if (m && (m->firstRow != r || m->firstColumn != c)) continue;  // hidden by the merge
      if (std::holds_alternative<std::monostate>(value) && !findCell(r, c)) continue;
      cellAt(r, c).value = value;
    }
  }
}

void Sheet::setValue(const Range& range, const QString& text) {
  // The application refuses a workbook with a longer cell text as damaged.
  if (text.size() <= kMaxCellText) {
    setValueImpl(range, text);
    return;
  }
  qsizetype length = kMaxCellText;
  if (text[length - 1].isHighSurrogate()) --length;
  setValueImpl(range, text.left(length));
}
void Sheet::setValue(const Range& range, double number) { setValueImpl(range, number); }
void Sheet::clearValue(const Range& range) { setValueImpl(range, std::monostate{}); }

CellValue Sheet::value(int row, int column) const {
  const Cell* cell = findCell(row, column);
  return cell ? cell->value : CellValue{};
}

void Sheet::merge(const Range& range) {
  Range area = range;
  // Take in every merged area the new one touches until none is left outside it.
  for (bool grown = true; grown;) {
    grown = false;
    for (auto it = merges_.begin(); it != merges_.end(); ++it) {
      if (!it->intersects(area)) continue;
      area = Range(std::min(area.firstRow, it->firstRow), std::min(area.firstColumn, it->firstColumn),
                   std::max(area.lastRow, it->lastRow), std::max(area.lastColumn, it->lastColumn));
      merges_.erase(it);
      grown = true;
      break;
    }
  }
  if (area.rows() == 1 && area.columns() == 1) return;
  for (int r = area.firstRow; r <= area.lastRow; ++r)
    for (int c = area.firstColumn; c <= area.lastColumn; ++c)
      if ((r != area.firstRow || c != area.firstColumn) && findCell(r, c))
        cellAt(r, c).value = std::monostate{};
  merges_.push_back(area);
}

void Sheet::setHorizontalAlignment(const Range& range, HAlign align) {
  restyle(range, Uniform{[&](CellFormat& f) { f.horizontal = align; }});
}

void Sheet::setVerticalAlignment(const Range& range, VAlign align) {
  restyle(range, Uniform{[&](CellFormat& f) { f.vertical = align; }});
}

void Sheet::setWrapText(const Range& range, bool wrap) {
  restyle(range, Uniform{[&](CellFormat& f) { f.wrap = wrap; }});
}

void Sheet::setFontSize(const Range& range, double points) {
  if (!(points > 0)) throw std::invalid_argument("font size must be positive");
  restyle(range, Uniform{[&](CellFormat& f) { f.font.size = points; }});
}

void Sheet::setFontName(const Range& range, const QString& name) {
  restyle(range, Uniform{[&](CellFormat& f) { f.font.name = name; }});
}

void Sheet::setBold(const Range& range, bool bold) {
  restyle(range, Uniform{[&](CellFormat& f) { f.font.bold = bold; }});
}

void Sheet::setItalic(const Range& range, bool italic) {
  restyle(range, Uniform{[&](CellFormat& f) { f.font.italic = italic; }});
}

void Sheet::setFill(const Range& range, std::optional<Color> fill) {
  restyle(range, Uniform{[&](CellFormat& f) { f.fill = fill; }});
}

namespace {

// The lines of a border call for one cell of its range.
struct Borders {
  static constexpr bool dependsOnPlace = true;
  const Range& range;
  unsigned lines;
  BorderStyle style;
  void operator()(CellFormat& f, int r, int c) const {
    // Each line is drawn on both cells that share it, as the application does, so that a
    // merged area shows it whichever of its cells the line belongs to.
    if (c == range.firstColumn ? (lines & EdgeLeft) : (lines & InsideVertical)) f.left = style;
    if (c == range.lastColumn ? (lines & EdgeRight) : (lines & InsideVertical)) f.right = style;
    if (r == range.firstRow ? (lines & EdgeTop) : (lines & InsideHorizontal)) f.top = style;
    if (r == range.lastRow ? (lines & EdgeBottom) : (lines & InsideHorizontal)) f.bottom = style;
  }
};

}  // namespace

void Sheet::setBorders(const Range& range, unsigned lines, BorderStyle style) {
  restyle(range, Borders{range, lines, style});
}

void Sheet::setLocked(const Range& range, bool locked) {
  restyle(range, Uniform{[&](CellFormat& f) { f.locked = locked; }});
}

CellFormat Sheet::format(int row, int column) const {
  if (const Cell* cell = findCell(row, column)) return formats_[cell->format];
  const auto it = columnFormats_.find(column);
  return it != columnFormats_.end() ? formats_[it->second] : formats_.front();
}

void Sheet::setColumnFormat(const Range& columnsOf, const CellFormat& format) {
  const quint16 index = intern(format);
  for (int c = columnsOf.firstColumn; c <= columnsOf.lastColumn; ++c) columnFormats_[c] = index;
}

void Sheet::freezePanes(int rows, int columns) {
  if (rows < 0 || columns < 0 || rows >= kMaxRows || columns >= kMaxColumns)
    throw std::out_of_range("frozen panes outside the sheet");
  frozenRows_ = rows;
  frozenColumns_ = columns;
}

std::optional<Range> Sheet::usedRange() const {
  int firstRow = 0, lastRow = 0, firstColumn = kMaxColumns + 1, lastColumn = 0;
  for (size_t r = 0; r < rows_.size(); ++r) {
    const auto& cells = rows_[r];
    for (size_t c = 0; c < cells.size(); ++c) {
      if (!cells[c].styled && std::holds_alternative<std::monostate>(cells[c].value)) continue;
      if (firstRow == 0) firstRow = int(r) + 1;
      lastRow = int(r) + 1;
      firstColumn = std::min(firstColumn, int(c) + 1);
      lastColumn = std::max(lastColumn, int(c) + 1);
    }
  }
  if (firstRow == 0) return std::nullopt;
  return Range(firstRow, firstColumn, lastRow, lastColumn);
}

// ---------------------------------------------------------------- sizes and geometry

void Sheet::setColumnWidth(const Range& columnsOf, double characters) {
  if (!(characters >= 0 && characters <= 255)) throw std::invalid_argument("column width out of 0..255");
  for (int c = columnsOf.firstColumn; c <= columnsOf.lastColumn; ++c) columnWidths_[c] = characters;
}

double Sheet::columnWidth(int column) const {
  const auto it = columnWidths_.find(column);
  return it != columnWidths_.end() ? it->second : defaultColumnWidth_;
}

void Sheet::setDefaultColumnWidth(double characters) {
  if (!(characters >= 0 && characters <= 255)) throw std::invalid_argument("column width out of 0..255");
  defaultColumnWidth_ = characters;
}

void Sheet::setRowHeight(int firstRow, int lastRow, double points) {
  checkCell(firstRow, 1);
  checkCell(lastRow, 1);
  if (!(points >= 0 && points <= 409.5)) throw std::invalid_argument("row height out of 0..409.5");
  for (int r = std::min(firstRow, lastRow); r <= std::max(firstRow, lastRow); ++r)
    rowHeights_[r] = snapRowHeight(points);
}

double Sheet::rowHeight(int row) const {
  const auto it = rowHeights_.find(row);
  return it != rowHeights_.end() ? it->second : defaultRowHeight_;
}

void Sheet::setDefaultRowHeight(double points) {
  if (!(points > 0 && points <= 409.5)) throw std::invalid_argument("row height out of 0..409.5");
  defaultRowHeight_ = snapRowHeight(points);
}

RectF Sheet::geometry(const Range& range) const {
  // Sums of whole pixels, so that the figures match the application's exactly.
  const int defaultColumn = geometry::columnPixels(defaultColumnWidth_);
  const int defaultRow = geometry::rowPixels(defaultRowHeight_);
  auto columnsBefore = [&](int column) {  // pixels of columns 1 .. column-1
    qint64 px = qint64(column - 1) * defaultColumn;
    for (auto it = columnWidths_.begin(); it != columnWidths_.end() && it->first < column; ++it)
      px += geometry::columnPixels(it->second) - defaultColumn;
    return px;
  };
  auto rowsBefore = [&](int row) {
    qint64 px = qint64(row - 1) * defaultRow;
    for (auto it = rowHeights_.begin(); it != rowHeights_.end() && it->first < row; ++it)
      px += geometry::rowPixels(it->second) - defaultRow;
    return px;
  };
  const qint64 left = columnsBefore(range.firstColumn);
  const qint64 top = rowsBefore(range.firstRow);
  const qint64 right = columnsBefore(range.lastColumn + 1);
  const qint64 bottom = rowsBefore(range.lastRow + 1);
  const double k = geometry::kPointsPerPixel;
  return RectF{left * k, top * k, (right - left) * k, (bottom - top) * k};
}

Shape& Sheet::addRectangle(const RectF& rect) {
  Shape& shape = shapes_.emplace_back();
  shape.rect = rect;
  return shape;
}

}  // namespace korvel::xlsx
