// A small PDF writer for the printed catalogue: a paint device whose pages hold what the sheet
// painter draws (filled and outlined rectangles, lines, paths, clipped text) and nothing more.
// Each line of text is one string of glyph numbers; every font used is embedded once per file,
// with the widths and the characters of its glyphs, so that readers copy and search the text.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QPaintDevice>
#include <QRawFont>
#include <QSizeF>

#include <map>
#include <memory>
#include <vector>

class QGlyphRun;
class QIODevice;
class QPainter;
struct libdeflate_compressor;

namespace korvel::pdf {

class Engine;

class Document : public QPaintDevice {
 public:
  // Pages of `pageSize` points, drawn in units of 1/`resolution` inch from the top-left corner.
  Document(QIODevice& out, QSizeF pageSize, int resolution, const QString& title, const QString& creator);
  ~Document() override;

  QPaintEngine* paintEngine() const override;
  // Ends the page and opens the next one; false when the output failed.
  bool newPage();
  // Ends the last page and writes the fonts and the file's tables; false when the output failed.
  bool finish();
  // Draws `run` at `position` with the painter's transform, clip and pen colour.
  void drawGlyphRun(const QPainter& painter, QPointF position, const QGlyphRun& run);

 protected:
  int metric(PaintDeviceMetric metric) const override;

 private:
  friend class Engine;
  struct Font {
    QRawFont raw;  // at 1000 units to the em
    QByteArray name;
    std::vector<float> widths;  // by glyph; < 0: not yet known
    std::vector<bool> used;
  };
  int fontOf(const QRawFont& raw);
  float glyphWidth(Font& font, quint32 glyph);
  int startObject();
  void write(const QByteArray& bytes);
  void writeStream(const QByteArray& dictionary, const QByteArray& data);
  void endPage();
  void writeFont(int index, int object);
  QByteArray extGState(char key, int alpha);

  // The painter's state as the page's content last set it.
  void setFill(const QColor& color);
  void setStroke(const QPen& pen, double scale);
  void resetState();

  QIODevice& out_;
  QSizeF pageSize_;
  int resolution_;
  std::unique_ptr<Engine> engine_;
  libdeflate_compressor* compressor_;
  qint64 written_ = 0;
  bool failed_ = false;
  std::vector<qint64> offsets_;  // by object number - 1
  std::vector<int> pages_;
  QByteArray content_, packed_;
  std::vector<std::pair<QRawFont, int>> rawFonts_;  // the fonts as drawn, by size
  std::vector<Font> fonts_;
  QHash<QString, int> fontNames_;
  std::map<QByteArray, QByteArray> extGStates_;  // name -> dictionary
  // The content's state as last written: colours (kUnknown after a restore) and the pen's line.
  static constexpr qint64 kUnknown = -1;
  qint64 fill_ = kUnknown, stroke_ = kUnknown;
  QByteArray line_;
  int pageObject_ = 0;
  bool pageOpen_ = false;
  QString title_, creator_;
};

}  // namespace korvel::pdf
