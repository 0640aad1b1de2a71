// Drawing a sheet of the in-memory workbook onto a printed page: its cells' texts, fills and
// borders, merged areas and rectangles, placed by the sheet's own column widths and row heights
// in points, as the spreadsheet application prints it.
#pragma once

#include "evaluation/spreadsheet.h"

#include <QFont>
#include <QGlyphRun>
#include <QHash>
#include <QRectF>
#include <QString>

#include <vector>

class QPaintDevice;
class QPainter;

namespace korvel::xlsx {

class SheetPainter {
 public:
  // Texts are laid out for `device`, the one the painter draws on.
  explicit SheetPainter(QPaintDevice* device);
  ~SheetPainter();
  SheetPainter(const SheetPainter&) = delete;
  SheetPainter& operator=(const SheetPainter&) = delete;

  // Draws the sheet's used range and its rectangles into `page` (the painter's own units) from
  // its top-left corner, scaled to fill the page's width, or its height when the sheet is the
  // taller of the two. Rows given no height grow to fit their wrapped texts, as the
  // application lays them out when it opens the file.
  void paint(QPainter& painter, const Sheet& sheet, const QRectF& page);

 private:
  struct LaidOut {
    QList<QGlyphRun> runs;  // positions from the text's top-left corner
    QSizeF size;
  };
  struct TextKey {
    QString text;
    int font;
    int width;  // in layout units; 0: not wrapped
    int align;
    friend bool operator==(const TextKey&, const TextKey&) = default;
    friend size_t qHash(const TextKey& k, size_t seed) { return qHashMulti(seed, k.text, k.font, k.width, k.align); }
  };
  int fontIndex(const Font& font);
  const LaidOut& laidOut(const TextKey& key);

  QPaintDevice* device_;
  std::vector<std::pair<Font, QFont>> fonts_;
  // Texts come again on every page of a catalogue (the captions, the trait rows, many of the
  // figures): each is laid out once, up to a bound on what is kept.
  QHash<TextKey, LaidOut> texts_;
};

}  // namespace korvel::xlsx
