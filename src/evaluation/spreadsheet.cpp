// The in-memory workbook: addresses, cells, merges, formats, sizes, geometry and sheet names.
#include "evaluation/spreadsheet.h"

#include "evaluation/spreadsheet_parts.h"

#include <QSet>

#include <algorithm>
#include <cmath>

namespace korvel::xlsx {

// ---------------------------------------------------------------- addresses

QString columnName(int column) {
  if (column < 1 || column > kMaxColumns) return {};
  QString name;
  while (column > 0) {
    const int digit = (column - 1) % 26;
    name.prepend(QChar(u'A' + digit));
    column = (column - 1) / 26;
  }
  return name;
}

int columnNumber(QStringView letters) {
  if (letters.isEmpty() || letters.size() > 3) return 0;
  int n = 0;
  for (QChar c : letters) {
    const char16_t u = c.unicode();
    int digit;
    if (u >= u'A' && u <= u'Z') digit = u - u'A' + 1;
    else if (u >= u'a' && u <= u'z') digit = u - u'a' + 1;
    else return 0;
    n = n * 26 + digit;
  }
  return n <= kMaxColumns ? n : 0;
}

namespace {

void checkCell(int row, int column) {
  if (row < 1 || row > kMaxRows || column < 1 || column > kMaxColumns)
    throw std::out_of_range("cell outside the sheet");
}

// One "A1" or "$A$1"; false when malformed.
bool parseCell(QStringView text, int& row, int& column) {
  qsizetype i = 0;
  if (i < text.size() && text[i] == u'$') ++i;
  const qsizetype lettersStart = i;
  while (i < text.size() && text[i].isLetter() && text[i].unicode() < 128) ++i;
  column = columnNumber(text.mid(lettersStart, i - lettersStart));
  if (column == 0) return false;
  if (i < text.size() && text[i] == u'$') ++i;
  const QStringView digits = text.mid(i);
  if (digits.isEmpty() || digits.size() > 7) return false;
  row = 0;
  for (QChar c : digits) {
    if (c.unicode() < u'0' || c.unicode() > u'9') return false;
    row = row * 10 + (c.unicode() - u'0');
  }
  return row >= 1 && row <= kMaxRows;
}

}  // namespace

Range::Range(int row1, int column1, int row2, int column2) {
  checkCell(row1, column1);
  checkCell(row2, column2);
  firstRow = std::min(row1, row2);
  lastRow = std::max(row1, row2);
  firstColumn = std::min(column1, column2);
  lastColumn = std::max(column1, column2);
}

Range::Range(const char* address) : Range(parse(QString::fromUtf8(address))) {}

Range Range::parse(QStringView address) {
  const QStringView text = address.trimmed();
  const qsizetype colon = text.indexOf(u':');
  int r1, c1, r2, c2;
  bool ok;
  if (colon < 0) {
    ok = parseCell(text, r1, c1);
    r2 = r1;
    c2 = c1;
  } else {
    ok = parseCell(text.left(colon), r1, c1) && parseCell(text.mid(colon + 1), r2, c2);
  }
  if (!ok) throw std::invalid_argument("bad cell address: " + address.toString().toStdString());
  return Range(r1, c1, r2, c2);
}

bool Range::intersects(const Range& o) const {
  return firstRow <= o.lastRow && o.firstRow <= lastRow && firstColumn <= o.lastColumn &&
         o.firstColumn <= lastColumn;
}

QString Range::address() const {
  QString a = columnName(firstColumn) + QString::number(firstRow);
  if (rows() > 1 || columns() > 1)
    a += u':' + columnName(lastColumn) + QString::number(lastRow);
  return a;
}

QByteArray Color::hex() const {
  static const char digits[] = "0123456789ABCDEF";
  QByteArray out(6, '0');
  const quint8 parts[3] = {red, green, blue};
  for (int i = 0; i < 3; ++i) {
    out[2 * i] = digits[parts[i] >> 4];
    out[2 * i + 1] = digits[parts[i] & 15];
  }
  return out;
}

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

// Stored in 1/256 of a character, truncated: the application turns that back into the same
// whole number of pixels.
double columnFileWidth(double characters) {
  const int pixels = columnPixels(characters);
  return std::floor(pixels / 7.0 * 256.0) / 256.0;
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
  if (cells.size() < size_t(column)) cells.resize(size_t(column));
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
  forEachCell(range, [&](Cell& cell, int, int) { cell.format.horizontal = align; cell.styled = true; });
}

void Sheet::setVerticalAlignment(const Range& range, VAlign align) {
  forEachCell(range, [&](Cell& cell, int, int) { cell.format.vertical = align; cell.styled = true; });
}

void Sheet::setWrapText(const Range& range, bool wrap) {
  forEachCell(range, [&](Cell& cell, int, int) { cell.format.wrap = wrap; cell.styled = true; });
}

void Sheet::setFontSize(const Range& range, double points) {
  if (!(points > 0)) throw std::invalid_argument("font size must be positive");
  forEachCell(range, [&](Cell& cell, int, int) { cell.format.font.size = points; cell.styled = true; });
}

void Sheet::setFontName(const Range& range, const QString& name) {
  forEachCell(range, [&](Cell& cell, int, int) { cell.format.font.name = name; cell.styled = true; });
}

void Sheet::setBold(const Range& range, bool bold) {
  forEachCell(range, [&](Cell& cell, int, int) { cell.format.font.bold = bold; cell.styled = true; });
}

void Sheet::setItalic(const Range& range, bool italic) {
  forEachCell(range, [&](Cell& cell, int, int) { cell.format.font.italic = italic; cell.styled = true; });
}

void Sheet::setFill(const Range& range, std::optional<Color> fill) {
  forEachCell(range, [&](Cell& cell, int, int) { cell.format.fill = fill; cell.styled = true; });
}

void Sheet::setBorders(const Range& range, unsigned lines, BorderStyle style) {
  forEachCell(range, [&](Cell& cell, int r, int c) {
    CellFormat& f = cell.format;
    // Each line is drawn on both cells that share it, as the application does, so that a
    // merged area shows it whichever of its cells the line belongs to.
    if (c == range.firstColumn ? (lines & EdgeLeft) : (lines & InsideVertical)) f.left = style;
    if (c == range.lastColumn ? (lines & EdgeRight) : (lines & InsideVertical)) f.right = style;
    if (r == range.firstRow ? (lines & EdgeTop) : (lines & InsideHorizontal)) f.top = style;
    if (r == range.lastRow ? (lines & EdgeBottom) : (lines & InsideHorizontal)) f.bottom = style;
    cell.styled = true;
  });
}

CellFormat Sheet::format(int row, int column) const {
  const Cell* cell = findCell(row, column);
  return cell ? cell->format : CellFormat{};
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

// ---------------------------------------------------------------- sheet names

QString acceptableSheetName(const QString& wanted, const QStringList& taken) {
  QString name = wanted;
  for (QChar& c : name) {
    const char16_t u = c.unicode();
    if (u < 0x20 || u == 0x7F || u == u':' || u == u'\\' || u == u'/' || u == u'?' || u == u'*' ||
        u == u'[' || u == u']' || u == 0xFFFE || u == 0xFFFF)
      c = u'_';
  }
  if (!name.isEmpty() && name.front() == u'\'') name.front() = u'_';
  if (!name.isEmpty() && name.back() == u'\'') name.back() = u'_';
  if (name.isEmpty()) name = QStringLiteral("Лист");

  // Cut to `length` UTF-16 units without splitting a surrogate pair.
  auto cut = [](const QString& text, qsizetype length) {
    if (text.size() <= length) return text;
    if (length > 0 && text[length - 1].isHighSurrogate()) --length;
    QString out = text.left(length);
    if (!out.isEmpty() && out.back() == u'\'') out.back() = u'_';
    return out;
  };

  QSet<QString> folded;
  for (const QString& t : taken) folded.insert(t.toCaseFolded());
  folded.insert(QStringLiteral("history"));  // the application keeps this name for itself

  QString candidate = cut(name, kMaxSheetNameLength);
  for (int n = 2; folded.contains(candidate.toCaseFolded()); ++n) {
    const QString suffix = QStringLiteral(" (%1)").arg(n);
    candidate = cut(name, kMaxSheetNameLength - suffix.size()) + suffix;
  }
  return candidate;
}

// ---------------------------------------------------------------- workbook

Workbook::Workbook(int sheetCount) {
  for (int i = 1; i <= sheetCount; ++i) {
    sheets_.emplace_back(QStringLiteral("Лист%1").arg(i));
    countName(sheets_.back().name(), 1);
  }
}

void Workbook::countName(const QString& name, int delta) {
  const QString key = name.toCaseFolded();
  const int n = nameCounts_.value(key) + delta;
  if (n > 0)
    nameCounts_.insert(key, n);
  else
    nameCounts_.remove(key);
}

QString Workbook::freeName(const QString& wanted, const Sheet* except) const {
  // The first acceptable form of the name is taken unless another sheet has it; only then are
  // the other names gathered to find a numbered form.
  const QString plain = acceptableSheetName(wanted, {});
  const int own = except && except->name().toCaseFolded() == plain.toCaseFolded() ? 1 : 0;
  if (nameCounts_.value(plain.toCaseFolded()) - own <= 0) return plain;
  QStringList others;
  for (const Sheet& s : sheets_)
    if (&s != except) others << s.name();
  return acceptableSheetName(wanted, others);
}

Sheet& Workbook::addSheet(const QString& wantedName) {
  const QString wanted =
      wantedName.isEmpty() ? QStringLiteral("Лист%1").arg(sheets_.size() + 1) : wantedName;
  Sheet& sheet = sheets_.emplace_back(freeName(wanted, nullptr));
  countName(sheet.name(), 1);
  return sheet;
}

QString Workbook::renameSheet(int index, const QString& wanted) {
  Sheet& target = sheets_.at(size_t(index));
  const QString name = freeName(wanted, &target);
  countName(target.name_, -1);
  target.name_ = name;
  countName(name, 1);
  return target.name_;
}

QStringList Workbook::sheetNames() const {
  QStringList names;
  names.reserve(qsizetype(sheets_.size()));
  for (const Sheet& s : sheets_) names << s.name();
  return names;
}

void Workbook::setActiveSheet(int index) {
  if (index < 0 || index >= sheetCount()) throw std::out_of_range("no such sheet");
  activeSheet_ = index;
}

}  // namespace korvel::xlsx
