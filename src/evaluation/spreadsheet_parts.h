// Inside the .xlsx writer: XML text helpers, the workbook-wide tables of shared strings and
// cell formats, pixel geometry, and one `assemble` function per package part.
#pragma once

#include "evaluation/spreadsheet.h"

#include <QHash>

#include <array>
#include <string>
#include <unordered_map>

namespace korvel::xlsx {

// The writer's read-only view of a sheet's cells.
struct SheetAccess {
  using Cell = Sheet::Cell;
  static const std::vector<std::vector<Cell>>& rows(const Sheet& s) { return s.rows_; }
  static const std::map<int, double>& columnWidths(const Sheet& s) { return s.columnWidths_; }
  static const std::map<int, double>& rowHeights(const Sheet& s) { return s.rowHeights_; }
  static const std::vector<CellFormat>& formats(const Sheet& s) { return s.formats_; }
  static const std::map<int, quint16>& columnFormats(const Sheet& s) { return s.columnFormats_; }
};

// Throws std::out_of_range for a cell outside a sheet.
void checkCell(int row, int column);

namespace geometry {
// Whole pixels at 96 dpi: the application lays cells out in pixels.
inline constexpr double kPointsPerPixel = 0.75;
inline constexpr qint64 kEmuPerPixel = 9525;
inline constexpr qint64 kEmuPerPoint = 12700;
int columnPixels(double characters);
int rowPixels(double points);
// The width attribute of a <col> that the application reads back as exactly columnPixels().
double columnFileWidth(double characters);
// The Normal font of the workbook, in which the file states column widths, and the width of its
// digits in pixels.
inline constexpr char kNormalFontName[] = "Courier New";
inline constexpr int kNormalFontSize = 10;
inline constexpr int kNormalDigitPixels = 8;
}  // namespace geometry

// The text of a part while it is built. Appending is the writer's innermost work (a sheet is
// tens of thousands of small appends), so it goes straight to a std::string.
class XmlText {
 public:
  XmlText() = default;
  explicit XmlText(const char* text) : text_(text) {}
  XmlText& append(const char* text) {
    text_.append(text);
    return *this;
  }
  XmlText& append(const char* bytes, qsizetype n) {
    text_.append(bytes, size_t(n));
    return *this;
  }
  XmlText& append(char c) {
    text_.push_back(c);
    return *this;
  }
  XmlText& append(const QByteArray& bytes) { return append(bytes.constData(), bytes.size()); }
  void reserve(qsizetype n) { text_.reserve(size_t(n)); }
  const std::string& str() const { return text_; }
  std::string take() { return std::move(text_); }

 private:
  std::string text_;
};

namespace xml {
// Element text: & < > escaped; control characters, which XML cannot carry, as _xHHHH_ (and a
// literal "_xHHHH_" protected as _x005F_xHHHH_) the way the application stores them.
void appendText(XmlText& out, QStringView text);
// Attribute value: & < > " escaped; control characters dropped.
void appendAttribute(XmlText& out, QStringView text);
// Shortest text that reads back as the same double.
void appendNumber(XmlText& out, double value);
void appendInt(XmlText& out, qint64 value);
// "C5"
void appendCellRef(XmlText& out, int row, int column);
// "C5" for one cell, else "C4:F4", as Range::address() writes it.
void appendRange(XmlText& out, const Range& range);
inline constexpr char kDeclaration[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
inline constexpr char kMainNs[] = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
inline constexpr char kRelNs[] =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
}  // namespace xml

// Shared strings of the workbook: each distinct text once, in order of first use.
class StringTable {
 public:
  int index(const QString& text);
  int uniqueCount() const { return int(texts_.size()); }
  XmlText assemble() const;

 private:
  QHash<QString, int> indexOf_;
  std::vector<QString> texts_;
  qint64 uses_ = 0;
};

// Cell formats of the workbook, each distinct one once (xf 0 is the default format), with their
// fonts, fills and borders deduplicated too.
class StyleTable {
 public:
  StyleTable();
  int xf(const CellFormat& format);
  XmlText assemble() const;

 private:
  struct Xf {
    int font, fill, border;
    HAlign horizontal;
    VAlign vertical;
    bool wrap;
    bool locked;
    bool text;
  };
  struct Hash {
    size_t operator()(const CellFormat& f) const;
  };
  std::unordered_map<CellFormat, int, Hash> xfOf_;
  std::vector<Xf> xfs_;
  std::vector<Font> fonts_;
  std::vector<std::optional<Color>> fills_;  // after the two every file must start with
  std::vector<std::array<BorderStyle, 4>> borders_;  // left, right, top, bottom
};

// A shape corner as the drawing stores it: a cell (from 0) and an offset inside it in EMU.
struct AnchorPoint {
  int column = 0;
  qint64 columnOffset = 0;
  int row = 0;
  qint64 rowOffset = 0;
};
// The cell under a point of the sheet (points from its top-left corner). A point on a cell
// boundary belongs to the cell that starts there, with offset 0.
AnchorPoint anchorAt(const Sheet& sheet, double x, double y);
// The shape's rectangle with a negative width or height turned round and clipped to the sheet.
RectF shapeBounds(const Shape& shape);

namespace part {
XmlText contentTypes(const std::vector<bool>& sheetHasDrawing);
XmlText rootRels();
XmlText app();
XmlText core();
XmlText workbook(const QStringList& sheetNames, int activeSheet);
XmlText workbookRels(int sheetCount);
XmlText worksheet(const Sheet& sheet, bool selected, bool hasDrawing, StringTable& strings,
                     StyleTable& styles);
XmlText worksheetRels(int drawingNumber);
XmlText drawing(const Sheet& sheet);
}  // namespace part

}  // namespace korvel::xlsx
