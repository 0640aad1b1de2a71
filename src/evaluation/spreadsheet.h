// The spreadsheet workbook of the sire evaluation, held in memory and written as an Office Open
// XML workbook (.xlsx): sheets with text and number cells, merges, cell formats (font, alignment,
// wrapping, borders, fill), column widths, row heights, page margins, rectangle shapes anchored
// to cells, range geometry in points, and the rule that makes a sheet name acceptable.
//
// Rows and columns are counted from 1, as in "A1" (row 1, column 1 = A). Sheets are counted
// from 0. Sizes follow the spreadsheet application's own units: column widths in characters of
// the default font (Calibri 11, whose digits are 7 pixels wide), row heights, geometry and shape
// positions in points, page margins in inches.
#pragma once

#include "base/user_error.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <deque>
#include <map>
#include <optional>
#include <stdexcept>
#include <variant>
#include <vector>

namespace korvel::xlsx {

inline constexpr int kMaxRows = 1048576;
inline constexpr int kMaxColumns = 16384;
inline constexpr int kMaxSheetNameLength = 31;
inline constexpr int kMaxCellText = 32767;  // UTF-16 units

// 1 -> "A", 27 -> "AA", 16384 -> "XFD".
QString columnName(int column);
// "A" -> 1, "xfd" -> 16384; 0 for anything that is not a column of a sheet.
int columnNumber(QStringView letters);

// A rectangular block of cells; first <= last always holds.
struct Range {
  int firstRow = 1;
  int firstColumn = 1;
  int lastRow = 1;
  int lastColumn = 1;

  Range() = default;
  // Corners in any order. Throws std::out_of_range for a cell outside the sheet.
  Range(int row1, int column1, int row2, int column2);
  // "C4:F4", "A1", "$A$1:$I$1", lower case too. Throws std::invalid_argument when malformed.
  Range(const char* address);  // NOLINT: lets callers write sheet.merge("A1:I1")
  static Range parse(QStringView address);
  static Range cell(int row, int column) { return Range(row, column, row, column); }

  int rows() const { return lastRow - firstRow + 1; }
  int columns() const { return lastColumn - firstColumn + 1; }
  bool contains(int row, int column) const {
    return row >= firstRow && row <= lastRow && column >= firstColumn && column <= lastColumn;
  }
  bool intersects(const Range& other) const;
  QString address() const;  // "A1" for one cell, else "C4:F4"
  friend bool operator==(const Range&, const Range&) = default;
};

// Geometry in points (1/72 inch), as the application reports it for a range.
struct RectF {
  double left = 0;
  double top = 0;
  double width = 0;
  double height = 0;
  double right() const { return left + width; }
  double bottom() const { return top + height; }
};

struct Color {
  quint8 red = 0;
  quint8 green = 0;
  quint8 blue = 0;
  static constexpr Color rgb(quint32 rrggbb) {
    return Color{quint8(rrggbb >> 16), quint8(rrggbb >> 8), quint8(rrggbb)};
  }
  QByteArray hex() const;  // "4F81BD"
  friend bool operator==(const Color&, const Color&) = default;
};

enum class HAlign : quint8 { General, Left, Center, Right, Justify };
enum class VAlign : quint8 { Bottom, Center, Top, Justify };
enum class BorderStyle : quint8 { None, Hair, Thin, Medium, Thick, Dotted, Dashed, Double };

// Which lines of a range a border call draws; combine with |.
enum BorderLine : unsigned {
  EdgeLeft = 1,
  EdgeTop = 2,
  EdgeRight = 4,
  EdgeBottom = 8,
  InsideVertical = 16,
  InsideHorizontal = 32,
  Edges = EdgeLeft | EdgeTop | EdgeRight | EdgeBottom,
  Inside = InsideVertical | InsideHorizontal,
  AllLines = Edges | Inside,  // the application's Borders.LineStyle on a whole range
};

struct Font {
  QString name = QStringLiteral("Calibri");
  double size = 11;
  bool bold = false;
  bool italic = false;
  friend bool operator==(const Font&, const Font&) = default;
};

struct CellFormat {
  Font font;
  HAlign horizontal = HAlign::General;
  VAlign vertical = VAlign::Bottom;
  bool wrap = false;
  BorderStyle left = BorderStyle::None;
  BorderStyle right = BorderStyle::None;
  BorderStyle top = BorderStyle::None;
  BorderStyle bottom = BorderStyle::None;
  std::optional<Color> fill;
  // Whether a protected sheet refuses typing into the cell (the application's default).
  bool locked = true;
  // Whether what is typed into the cell stays text as typed (the number format "@"): "++" is
  // then no formula, "007" no number.
  bool text = false;
  friend bool operator==(const CellFormat&, const CellFormat&) = default;
};

// Empty, text or number.
using CellValue = std::variant<std::monostate, QString, double>;

// Page margins in inches; the defaults are the application's own.
struct PageMargins {
  double left = 0.7;
  double right = 0.7;
  double top = 0.75;
  double bottom = 0.75;
  double header = 0.3;
  double footer = 0.3;
  friend bool operator==(const PageMargins&, const PageMargins&) = default;
};

// How a sheet prints: on A4 paper in portrait, scaled down so that it takes at most `pagesWide`
// pages across and `pagesTall` down (0: as many as it takes). With both 0 the sheet keeps the
// application's defaults.
struct PageFit {
  int pagesWide = 0;
  int pagesTall = 0;
  bool any() const { return pagesWide > 0 || pagesTall > 0; }
  friend bool operator==(const PageFit&, const PageFit&) = default;
};

// A rectangle drawn over the cells. Its place is given in points, like the application's
// AddShape; the writer anchors it to the cells under its corners.
struct Shape {
  RectF rect;
  std::optional<Color> fill = Color::rgb(0x4472C4);  // none: not filled
  double fillTransparency = 0;                        // 0 opaque ... 1 invisible
  std::optional<Color> line;                          // none: no outline
  double lineWidth = 0.75;                            // points
  QString name;                                       // empty: "Прямоугольник N"
  // A text drawn in black on one line, centred both ways in the rectangle (and beyond its
  // sides when longer); empty: none.
  QString text;
  Font textFont;
};

// A check of what may be typed into a range, with the message that refuses anything else. An
// empty cell is always allowed.
struct Validation {
  enum class Kind : quint8 { WholeNumber, List };
  Range range;
  Kind kind = Kind::WholeNumber;
  int minimum = 0, maximum = 0;  // WholeNumber: the allowed numbers, both ends included
  QStringList items;             // List: the allowed texts (none holding a comma or a quote)
  QString errorTitle;            // at most 32 characters
  QString error;                 // at most 255 characters
};

// Width in points of a column of the given width in characters (whole pixels at 96 dpi).
double columnWidthPoints(double characters);
// The nearest height the application can show (whole pixels at 96 dpi), in points.
double snapRowHeight(double points);

class Sheet {
 public:
  explicit Sheet(QString name) : name_(std::move(name)), formats_(1) {}

  const QString& name() const { return name_; }

  const PageMargins& margins() const { return margins_; }
  void setMargins(const PageMargins& margins) { margins_ = margins; }
  const PageFit& pageFit() const { return pageFit_; }
  void setPageFit(const PageFit& fit) { pageFit_ = fit; }

  // Writes the value into every cell of the range, except the cells a merged area hides
  // (all of it but its top-left cell), which keep no value, as in the application. A text
  // longer than kMaxCellText is cut to that length.
  void setValue(const Range& range, const QString& text);
  void setValue(const Range& range, double number);
  void clearValue(const Range& range);
  CellValue value(int row, int column) const;

  // Merges the range into one cell keeping only the top-left value. A range that overlaps
  // merged areas takes them in (the union's bounding box), so areas never overlap.
  void merge(const Range& range);
  const std::vector<Range>& merges() const { return merges_; }

  void setHorizontalAlignment(const Range& range, HAlign align);
  void setVerticalAlignment(const Range& range, VAlign align);
  void setWrapText(const Range& range, bool wrap);
  void setFontSize(const Range& range, double points);
  void setFontName(const Range& range, const QString& name);
  void setBold(const Range& range, bool bold);
  void setItalic(const Range& range, bool italic);
  void setFill(const Range& range, std::optional<Color> fill);
  // Draws the chosen lines of the range: EdgeTop the top of its first row, InsideHorizontal
  // the lines between its rows, and so on. BorderStyle::None removes them.
  void setBorders(const Range& range, unsigned lines, BorderStyle style);
  void setLocked(const Range& range, bool locked);
  CellFormat format(int row, int column) const;

  // The format of the whole columns of the range: their empty cells show it, and a cell of
  // theirs given a value afterwards starts from it.
  void setColumnFormat(const Range& columnsOf, const CellFormat& format);

  // Protects the sheet without a password: only unlocked cells can be typed into (column widths
  // and row heights may still be changed).
  void setProtected(bool on) { protected_ = on; }
  bool isProtected() const { return protected_; }

  // Freezes the first `rows` rows and `columns` columns in place while the rest scrolls; 0 and
  // 0 freeze nothing.
  void freezePanes(int rows, int columns);
  int frozenRows() const { return frozenRows_; }
  int frozenColumns() const { return frozenColumns_; }

  void addValidation(const Validation& validation) { validations_.push_back(validation); }
  const std::vector<Validation>& validations() const { return validations_; }

  // Whole columns of the range, as the application's EntireColumn.ColumnWidth.
  void setColumnWidth(const Range& columnsOf, double characters);
  double columnWidth(int column) const;  // characters
  double defaultColumnWidth() const { return defaultColumnWidth_; }
  void setDefaultColumnWidth(double characters);

  // A row given a height keeps it; other rows start at the default height, which the
  // application may still change to fit wrapped or larger text.
  void setRowHeight(int firstRow, int lastRow, double points);
  double rowHeight(int row) const;  // points
  bool hasCustomHeight(int row) const { return rowHeights_.count(row) != 0; }
  double defaultRowHeight() const { return defaultRowHeight_; }
  void setDefaultRowHeight(double points);

  // Left, top, width and height of the range in points from the sheet's top-left corner,
  // from the column widths and row heights above.
  RectF geometry(const Range& range) const;

  // Adds a rectangle; the reference stays valid while the sheet lives.
  Shape& addRectangle(const RectF& rect);
  const std::deque<Shape>& shapes() const { return shapes_; }

  // Extent of the cells holding a value or a format; nullopt for an untouched sheet.
  std::optional<Range> usedRange() const;

 private:
  friend class Workbook;
  struct Cell {
    CellValue value;
    quint16 format = 0;   // index into formats_
    bool styled = false;  // format differs from the default at some point
  };
  Cell& cellAt(int row, int column);
  const Cell* findCell(int row, int column) const;
  const Range* mergeCovering(int row, int column) const;
  template <typename Fn>
  void forEachCell(const Range& range, Fn&& fn);
  // Changes the format of every cell of the range; `change(format, row, column)`.
  template <typename Change>
  void restyle(const Range& range, Change&& change);
  quint16 intern(const CellFormat& format);
  void setValueImpl(const Range& range, const CellValue& value);

  QString name_;
  PageMargins margins_;
  PageFit pageFit_;
  std::vector<std::vector<Cell>> rows_;  // rows_[row - 1][column - 1]
  // The sheet's distinct cell formats, the default first: a cell holds an index, so that a
  // sheet is cheap to copy and its cells' formats are resolved once per format when written.
  std::vector<CellFormat> formats_;
  std::vector<Range> merges_;
  std::map<int, double> columnWidths_;  // characters, by column
  std::map<int, double> rowHeights_;    // points, by row
  std::map<int, quint16> columnFormats_;  // index into formats_, by column
  bool protected_ = false;
  int frozenRows_ = 0, frozenColumns_ = 0;
  std::vector<Validation> validations_;
  double defaultColumnWidth_ = 8.43;
  double defaultRowHeight_ = 15;
  std::deque<Shape> shapes_;

  friend struct SheetAccess;  // the writer's read-only view of the cells
};

// A failure to write the workbook file; its text names the file.
class WriteError : public UserError {
 public:
  using UserError::UserError;
};

// A name the application accepts that none of `taken` has (compared case-insensitively):
// the characters : \ / ? * [ ] and control characters become '_', an apostrophe may not
// begin or end it, at most 31 characters, "Лист" when nothing is left, and " (2)", " (3)", ...
// added (the name shortened to make room) while it clashes.
QString acceptableSheetName(const QString& wanted, const QStringList& taken);

class Workbook {
 public:
  // A new workbook with that many sheets named "Лист1", "Лист2", ...
  explicit Workbook(int sheetCount = 1);

  int sheetCount() const { return int(sheets_.size()); }
  Sheet& sheet(int index) { return sheets_.at(size_t(index)); }
  const Sheet& sheet(int index) const { return sheets_.at(size_t(index)); }
  Sheet& addSheet(const QString& wantedName = {});
  // Renames the sheet to acceptableSheetName(wanted, the other sheets' names) and returns
  // the name given.
  QString renameSheet(int index, const QString& wanted);
  QStringList sheetNames() const;

  // The sheet shown when the file is opened.
  int activeSheet() const { return activeSheet_; }
  void setActiveSheet(int index);

  // Writes the package to a temporary file beside `path` and renames it into place, so a
  // failure never leaves a half-written file. Throws WriteError.
  void save(const QString& path) const;

 private:
  // A name the application accepts that no sheet but `except` has.
  QString freeName(const QString& wanted, const Sheet* except) const;
  void countName(const QString& name, int delta);

  std::deque<Sheet> sheets_;  // deque: references to sheets survive addSheet
  int activeSheet_ = 0;
  // How many sheets bear each name, case-folded: naming a sheet in a workbook of thousands
  // stays a lookup, not a comparison with every other name.
  QHash<QString, int> nameCounts_;
};

}  // namespace korvel::xlsx
