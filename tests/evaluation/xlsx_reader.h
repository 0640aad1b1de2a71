// Reads a written .xlsx back for the tests: sheet names in order, cell texts, merged ranges,
// cell styles' font sizes and borders, and the rectangles and texts of each sheet's drawing
// with their anchors.
#pragma once

#include <QByteArray>
#include <QString>
#include <map>
#include <vector>

namespace korvel::test {

struct Anchor {
  int column = 0;  // from 0, as the drawing stores it
  long long columnOffset = 0;
  int row = 0;  // from 0
  long long rowOffset = 0;
};

struct ReadBar {
  Anchor from, to;
  long long x = 0, y = 0, cx = 0, cy = 0;  // EMU
  QString fill;                             // "00FF00"
  int alpha = 100000;
  QString text;         // a shape holding a text (the scale's labels)
  double textSize = 0;  // points
};

struct ReadSheet {
  QString name;
  std::map<QString, QString> cells;  // "H5" -> text (numbers as written)
  std::vector<QString> merges;       // "A1:I1"
  std::map<QString, int> styleOf;    // "A2" -> xf index
  std::map<int, double> columnWidths;
  QByteArray pageMargins;            // the <pageMargins .../> element as written
  std::vector<ReadBar> bars;    // the filled rectangles
  std::vector<ReadBar> labels;  // the shapes holding a text
  QString text(const QString& cell) const {
    const auto it = cells.find(cell);
    return it == cells.end() ? QString() : it->second;
  }
  bool merged(const QString& range) const;
};

struct ReadStyles {
  std::vector<double> fontSizes;  // by font index
  std::vector<QString> fontNames;
  struct Xf {
    int font = 0, border = 0;
    QString horizontal, vertical;
    bool wrap = false;
  };
  std::vector<Xf> xfs;
  std::vector<bool> borderAll;  // by border index: all four sides drawn
};

struct ReadBook {
  std::vector<ReadSheet> sheets;
  ReadStyles styles;
  int activeSheet = 0;  // the sheet the workbook opens on
  bool ok = false;
  double fontSize(const ReadSheet& s, const QString& cell) const;
  QString fontName(const ReadSheet& s, const QString& cell) const;
  bool bordered(const ReadSheet& s, const QString& cell) const;
  const ReadStyles::Xf* xf(const ReadSheet& s, const QString& cell) const;
};

ReadBook readBook(const QString& path);

}  // namespace korvel::test
