#include "evaluation/pdf_engine.h"

#include <QGlyphRun>
#include <QIODevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QtEndian>

#include <libdeflate.h>

#include <algorithm>
#include <cmath>
#include <utility>

namespace korvel::pdf {

namespace {

// A font's family and style. Qt's Windows font engines leave the family of a glyph run's font
// unset, and QRawFont::familyName() then reads past an empty list: there they are read from the
// font's own name table (the Windows English names, as the font database gives them elsewhere).
std::pair<QString, QString> familyAndStyle(const QRawFont& raw) {
#ifdef _WIN32
  const QByteArray table = raw.fontTable("name");
  const auto u16 = [&](qsizetype at) {
    return at + 2 <= table.size() ? qFromBigEndian<quint16>(table.constData() + at) : quint16(0);
  };
  QString names[2];
  const int count = u16(2), strings = u16(4);
  for (int i = 0; i < count; ++i) {
    const qsizetype record = 6 + qsizetype(i) * 12;
    const int nameId = u16(record + 6), length = u16(record + 8), offset = u16(record + 10);
    if (u16(record) != 3 || u16(record + 2) != 1 || u16(record + 4) != 0x409 || nameId < 1 || nameId > 2) continue;
    if (strings + offset + length > table.size()) continue;
    QString text;
    for (int c = 0; c + 1 < length; c += 2) text += QChar(u16(strings + offset + c));
    names[nameId - 1] = text;
  }
  return {names[0], names[1]};
#else
  return {raw.familyName(), raw.styleName()};
#endif
}

constexpr int kLevel = 1;  // the fastest packing: pages are many and alike
// The objects every file has, written last: the catalog, the page tree, the document's
// information and the resources all pages share.
enum { kCatalog = 1, kPages, kInfo, kResources, kFixedObjects = kResources };
// The characters whose glyphs the text of the catalogue may use, looked up for the readers' map
// from glyphs back to text.
constexpr std::pair<char16_t, char16_t> kCharacters[] = {{0x20, 0x24f}, {0x370, 0x52f}, {0x2000, 0x22ff}};

// A number as the content writes it: rounded to `decimals` places (two are a hundredth of a
// device unit; a scale needs more), no trailing zeros, then a space.
void number(QByteArray& out, double v, int decimals = 2) {
  static constexpr long long kPowers[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
  const long long power = kPowers[decimals];
  const long long scaled = std::llround(v * double(power));
  char text[40], *end = text + sizeof text, *p = end;
  *--p = ' ';
  unsigned long long u = scaled < 0 ? 0ULL - (unsigned long long)scaled : (unsigned long long)scaled;
  unsigned long long fraction = u % power;
  u /= power;
  if (fraction) {
    int places = decimals;
    while (fraction % 10 == 0) fraction /= 10, --places;
    for (; places > 0; --places, fraction /= 10) *--p = char('0' + fraction % 10);
    *--p = '.';
  }
  do *--p = char('0' + u % 10);
  while (u /= 10);
  if (scaled < 0) *--p = '-';
  out.append(p, end - p);
}

void numbers(QByteArray& out, std::initializer_list<double> values) {
  for (double v : values) number(out, v);
}

void hex4(QByteArray& out, quint32 v) {
  static const char digits[] = "0123456789ABCDEF";
  const char text[4] = {digits[(v >> 12) & 15], digits[(v >> 8) & 15], digits[(v >> 4) & 15], digits[v & 15]};
  out.append(text, 4);
}

// A glyph's number in a literal string, two bytes high first: the string's delimiters, its
// escape and the carriage return (which readers would take for a line's end) escaped.
void glyphCode(QByteArray& out, quint32 g) {
  for (const char b : {char(g >> 8), char(g & 0xff)}) {
    if (b == '(' || b == ')' || b == '\\') out.append('\\').append(b);
    else if (b == '\r') out.append("\\r");
    else out.append(b);
  }
}

// A text string of the document's information, in UTF-16 with its byte order mark.
QByteArray textString(const QString& s) {
  QByteArray out("<FEFF");
  for (QChar c : s) hex4(out, c.unicode());
  return out + '>';
}

// The font's file rebuilt from its tables, as a TrueType collection of one.
QByteArray fontFile(const QRawFont& font) {
  static const char* const tags[] = {"OS/2", "cmap", "cvt ", "fpgm", "glyf", "head", "hhea",
                                     "hmtx", "loca", "maxp", "name", "post", "prep"};
  std::vector<std::pair<const char*, QByteArray>> tables;
  for (const char* tag : tags)
    if (QByteArray t = font.fontTable(tag); !t.isEmpty()) tables.emplace_back(tag, std::move(t));
  const auto n = quint16(tables.size());
  quint16 power = 1, log = 0;
  while (power * 2 <= n) power *= 2, ++log;
  QByteArray out(12 + 16 * n, '\0');
  char* h = out.data();
  qToBigEndian<quint32>(0x00010000, h);
  qToBigEndian<quint16>(n, h + 4);
  qToBigEndian<quint16>(quint16(power * 16), h + 6);
  qToBigEndian<quint16>(log, h + 8);
  qToBigEndian<quint16>(quint16(n * 16 - power * 16), h + 10);
  for (quint16 i = 0; i < n; ++i) {
    QByteArray& t = tables[i].second;
    const auto length = quint32(t.size());
    t.append((4 - t.size() % 4) % 4, '\0');
    quint32 sum = 0;
    for (qsizetype k = 0; k < t.size(); k += 4) sum += qFromBigEndian<quint32>(t.constData() + k);
    char* e = out.data() + 12 + 16 * i;
    memcpy(e, tables[i].first, 4);
    qToBigEndian<quint32>(sum, e + 4);
    qToBigEndian<quint32>(quint32(out.size()), e + 8);
    qToBigEndian<quint32>(length, e + 12);
    out.append(t);
  }
  return out;
}

}  // namespace

// What the painter draws, other than text: rectangles, lines and paths, in the painter's pen
// and brush, with its transform and clip.
class Engine : public QPaintEngine {
 public:
  explicit Engine(Document& document) : QPaintEngine(AllFeatures), doc_(document) {}
  bool begin(QPaintDevice*) override { return true; }
  bool end() override { return true; }
  void updateState(const QPaintEngineState&) override {}
  Type type() const override { return User; }
  void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}

  void drawRects(const QRectF* rects, int count) override {
    QPainterPath path;
    for (int i = 0; i < count; ++i) path.addRect(rects[i]);
    drawPath(path);
  }
  void drawLines(const QLineF* lines, int count) override {
    const QPen& pen = painter()->pen();
    if (pen.style() == Qt::NoPen) return;
    const QTransform& t = painter()->deviceTransform();
    QByteArray& c = doc_.content_;
    const bool clip = beginClip();
    doc_.setStroke(pen, scale(t));
    for (int i = 0; i < count; ++i) {
      const QPointF a = t.map(lines[i].p1()), b = t.map(lines[i].p2());
      numbers(c, {a.x(), a.y()});
      c.append("m ");
      numbers(c, {b.x(), b.y()});
      c.append("l\n");
    }
    c.append("S\n");
    endClip(clip);
  }
  void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(points, points + count)));
    if (mode != PolylineMode) path.closeSubpath();
    path.setFillRule(mode == WindingMode ? Qt::WindingFill : Qt::OddEvenFill);
    paint(path, mode != PolylineMode);
  }
  void drawPath(const QPainterPath& path) override { paint(path, true); }

  // The path filled with the painter's brush (when `fillable`) and outlined with its pen.
  void paint(const QPainterPath& path, bool fillable) {
    const QPen& pen = painter()->pen();
    const QBrush& brush = painter()->brush();
    const bool fill = fillable && brush.style() != Qt::NoBrush, stroke = pen.style() != Qt::NoPen;
    if (!fill && !stroke) return;
    const QTransform& t = painter()->deviceTransform();
    QByteArray& c = doc_.content_;
    const bool clip = beginClip();
    if (fill) doc_.setFill(brush.color());
    if (stroke) doc_.setStroke(pen, scale(t));
    for (int i = 0; i < path.elementCount(); ++i) {
      const QPainterPath::Element& e = path.elementAt(i);
      const QPointF p = t.map(QPointF(e.x, e.y));
      if (e.isMoveTo()) {
        numbers(c, {p.x(), p.y()});
        c.append("m ");
      } else if (e.isLineTo()) {
        numbers(c, {p.x(), p.y()});
        c.append("l ");
      } else if (e.isCurveTo() && i + 2 < path.elementCount()) {
        const QPointF q = t.map(QPointF(path.elementAt(i + 1).x, path.elementAt(i + 1).y)),
                      r = t.map(QPointF(path.elementAt(i + 2).x, path.elementAt(i + 2).y));
        numbers(c, {p.x(), p.y(), q.x(), q.y(), r.x(), r.y()});
        c.append("c ");
        i += 2;
      }
    }
    // A path that ends where it began (a rectangle's outline) is closed, so that its corner joins.
    const bool closed = path.elementCount() > 1 && QPointF(path.elementAt(0)) == QPointF(path.elementAt(path.elementCount() - 1));
    const bool evenOdd = path.fillRule() == Qt::OddEvenFill;
    if (closed) c.append("h ");
    c.append(fill && stroke ? (evenOdd ? "B*\n" : "B\n") : fill ? (evenOdd ? "f*\n" : "f\n") : "S\n");
    endClip(clip);
  }

  // The painter's clip rectangle around what follows, when it has one.
  bool beginClip() {
    if (!painter()->hasClipping()) return false;
    const QRectF r = painter()->deviceTransform().mapRect(painter()->clipBoundingRect());
    doc_.content_.append("q ");
    numbers(doc_.content_, {r.x(), r.y(), r.width(), r.height()});
    doc_.content_.append("re W n\n");
    return true;
  }
  void endClip(bool clip) {
    if (!clip) return;
    doc_.content_.append("Q\n");
    doc_.resetState();
  }
  static double scale(const QTransform& t) { return std::sqrt(std::abs(t.determinant())); }

 private:
  Document& doc_;
};

Document::Document(QIODevice& out, QSizeF pageSize, int resolution, const QString& title, const QString& creator)
    : out_(out),
      pageSize_(pageSize),
      resolution_(resolution),
      engine_(std::make_unique<Engine>(*this)),
      compressor_(libdeflate_alloc_compressor(kLevel)),
      offsets_(kFixedObjects, 0),
      title_(title),
      creator_(creator) {
  write("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
  newPage();
}

Document::~Document() { libdeflate_free_compressor(compressor_); }

QPaintEngine* Document::paintEngine() const { return engine_.get(); }

int Document::metric(PaintDeviceMetric metric) const {
  const double k = resolution_ / 72.0;
  switch (metric) {
    case PdmWidth: return qRound(pageSize_.width() * k);
    case PdmHeight: return qRound(pageSize_.height() * k);
    case PdmWidthMM: return qRound(pageSize_.width() * 25.4 / 72);
    case PdmHeightMM: return qRound(pageSize_.height() * 25.4 / 72);
    case PdmNumColors: return INT_MAX;
    case PdmDepth: return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY: return resolution_;
    case PdmDevicePixelRatio: return 1;
    case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
    default: return 0;
  }
}

void Document::write(const QByteArray& bytes) {
  if (failed_) return;
  if (out_.write(bytes) != bytes.size()) failed_ = true;
  written_ += bytes.size();
}

int Document::startObject() {
  offsets_.push_back(written_);
  const int n = int(offsets_.size());
  write(QByteArray::number(n) + " 0 obj\n");
  return n;
}

void Document::writeStream(const QByteArray& dictionary, const QByteArray& data) {
  packed_.resize(qsizetype(libdeflate_zlib_compress_bound(compressor_, size_t(data.size()))));
  packed_.resize(qsizetype(libdeflate_zlib_compress(compressor_, data.constData(), size_t(data.size()),
                                                    packed_.data(), size_t(packed_.size()))));
  write("<< " + dictionary + " /Filter /FlateDecode /Length " + QByteArray::number(packed_.size()) +
        " >>\nstream\n");
  write(packed_);
  write("\nendstream\nendobj\n");
}

bool Document::newPage() {
  if (pageOpen_) endPage();
  pageOpen_ = true;
  content_.clear();
  const double k = 72.0 / resolution_;
  number(content_, k, 6);
  content_.append("0 0 ");
  number(content_, -k, 6);
  numbers(content_, {0, pageSize_.height()});
  content_.append("cm\n");
  resetState();
  return !failed_;
}

void Document::endPage() {
  const int contents = startObject();
  writeStream(QByteArray(), content_);
  const int page = startObject();
  pages_.push_back(page);
  QByteArray box;
  numbers(box, {0, 0, pageSize_.width(), pageSize_.height()});
  write("<< /Type /Page /Parent 2 0 R /Resources 4 0 R /MediaBox [" + box + "] /Contents " +
        QByteArray::number(contents) + " 0 R >>\nendobj\n");
  pageOpen_ = false;
}

void Document::resetState() {
  fill_ = stroke_ = kUnknown;
  line_.clear();
}

QByteArray Document::extGState(char key, int alpha) {
  const QByteArray name = "G" + QByteArray(1, key) + QByteArray::number(alpha);
  if (!extGStates_.count(name))
    extGStates_[name] = QByteArray("<< /") + (key == 'f' ? "ca " : "CA ") + QByteArray::number(alpha / 255.0, 'f', 3) + " >>";
  return "/" + name + " gs ";
}

void Document::setFill(const QColor& color) {
  const QRgb rgb = color.rgba();
  if (fill_ == rgb) return;
  if (fill_ == kUnknown || qAlpha(rgb) != qAlpha(QRgb(fill_))) content_.append(extGState('f', qAlpha(rgb)));
  numbers(content_, {qRed(rgb) / 255.0, qGreen(rgb) / 255.0, qBlue(rgb) / 255.0});
  content_.append("rg\n");
  fill_ = rgb;
}

void Document::setStroke(const QPen& pen, double scale) {
  const QRgb rgb = pen.color().rgba();
  if (stroke_ != rgb) {
    if (stroke_ == kUnknown || qAlpha(rgb) != qAlpha(QRgb(stroke_))) content_.append(extGState('s', qAlpha(rgb)));
    numbers(content_, {qRed(rgb) / 255.0, qGreen(rgb) / 255.0, qBlue(rgb) / 255.0});
    content_.append("RG\n");
    stroke_ = rgb;
  }
  // The width, ends, joins and dashes, as Qt's own writer gives them.
  QByteArray line;
  const double width = pen.widthF() > 0 ? pen.widthF() * scale : 1;
  number(line, width);
  line.append("w ");
  line.append(pen.capStyle() == Qt::SquareCap ? "2 J " : pen.capStyle() == Qt::RoundCap ? "1 J " : "0 J ");
  line.append(pen.joinStyle() == Qt::MiterJoin ? "0 j " : pen.joinStyle() == Qt::RoundJoin ? "1 j " : "2 j ");
  line.append('[');
  if (pen.style() != Qt::SolidLine)
    for (double d : pen.dashPattern()) number(line, std::max(d * width, 0.01));
  line.append("] ");
  number(line, pen.style() != Qt::SolidLine ? pen.dashOffset() * width : 0);
  line.append("d\n");
  if (line != line_) {
    content_.append(line);
    line_ = line;
  }
}

int Document::fontOf(const QRawFont& raw) {
  for (const auto& [font, index] : rawFonts_)
    if (font == raw) return index;
  const auto [family, style] = familyAndStyle(raw);
  const QString key = family + u'/' + style;
  int index = fontNames_.value(key, -1);
  if (index < 0) {
    index = int(fonts_.size());
    Font& f = fonts_.emplace_back();
    f.raw = raw;
    f.raw.setPixelSize(1000);
    f.name = (family + u'-' + style).toLatin1();
    f.name.replace(' ', "");
    fontNames_.insert(key, index);
  }
  rawFonts_.emplace_back(raw, index);
  return index;
}

float Document::glyphWidth(Font& font, quint32 glyph) {
  if (glyph >= font.widths.size()) {
    font.widths.resize(glyph + 1, -1);
    font.used.resize(glyph + 1, false);
  }
  float& w = font.widths[glyph];
  if (w < 0) {
    const QList<QPointF> advance = font.raw.advancesForGlyphIndexes(QList<quint32>{glyph}, QRawFont::UseDesignMetrics);
    w = advance.isEmpty() ? 0 : float(advance.first().x());
    font.used[glyph] = true;
  }
  return w;
}

void Document::drawGlyphRun(const QPainter& painter, QPointF position, const QGlyphRun& run) {
  const QList<quint32> glyphs = run.glyphIndexes();
  if (glyphs.isEmpty()) return;
  const QList<QPointF> positions = run.positions();
  const QRawFont raw = run.rawFont();
  const int index = fontOf(raw);
  Font& font = fonts_[size_t(index)];
  const QTransform t = painter.deviceTransform();
  const double scale = Engine::scale(t), size = raw.pixelSize();
  const bool clip = engine_->beginClip();
  setFill(painter.pen().color());
  QByteArray& c = content_;
  c.append("BT /F");
  c.append(QByteArray::number(index)).append(' ');
  number(c, size);
  c.append("Tf\n");
  // Glyphs on one line form one string; the small differences between the layout's places
  // and the font's widths are kept as the string's adjustments.
  double penX = 0, lineY = 0;
  bool inString = false;
  for (qsizetype i = 0; i < glyphs.size(); ++i) {
    const QPointF p = t.map(position + positions[i]);
    const quint32 g = glyphs[i];
    if (!inString || std::abs(p.y() - lineY) > 0.01) {
      if (inString) c.append(")] TJ\n");
      number(c, scale, 6);
      c.append("0 0 ");
      number(c, -scale, 6);
      numbers(c, {p.x(), p.y()});
      c.append("Tm [(");
      lineY = p.y();
      penX = p.x();
      inString = true;
    } else {
      const double adjust = -(p.x() - penX) / (scale * size) * 1000;
      if (std::abs(adjust) >= 0.05) {
        c.append(") ");
        number(c, adjust);
        c.append('(');
        penX = p.x();
      }
    }
    glyphCode(c, g);
    penX += glyphWidth(font, g) * size / 1000 * scale;
    font.used[g] = true;
  }
  c.append(")] TJ ET\n");
  engine_->endClip(clip);
}

void Document::writeFont(int index, int object) {
  Font& font = fonts_[size_t(index)];
  // Objects: the font, its descendant, descriptor, file and glyph-to-text map, in that order.
  const int descendant = object + 1, descriptor = object + 2, file = object + 3, toUnicode = object + 4;
  QByteArray w("[");
  for (size_t g = 0; g < font.used.size(); ++g)
    if (font.used[g]) {
      w.append(QByteArray::number(g)).append(" [");
      number(w, font.widths[g]);
      w.append("] ");
    }
  w.append(']');
  QByteArray map;
  int mapped = 0;
  QByteArray entries;
  std::vector<bool> done(font.used.size(), false);
  for (const auto& [from, to] : kCharacters) {
    QList<char16_t> chars;
    for (char16_t ch = from; ch <= to; ++ch) chars.append(ch);
    QList<quint32> ids(chars.size());
    int count = int(chars.size());
    if (!font.raw.glyphIndexesForChars(reinterpret_cast<const QChar*>(chars.constData()), count, ids.data(), &count))
      continue;
    for (int k = 0; k < count; ++k) {
      const quint32 g = ids[k];
      if (g == 0 || g >= font.used.size() || !font.used[g] || done[g]) continue;
      done[g] = true;
      entries.append('<');
      hex4(entries, g);
      entries.append("> <");
      hex4(entries, chars[k]);
      entries.append(">\n");
      if (++mapped % 100 == 0) {
        map.append("100 beginbfchar\n" + entries + "endbfchar\n");
        entries.clear();
      }
    }
  }
  if (mapped % 100) map.append(QByteArray::number(mapped % 100) + " beginbfchar\n" + entries + "endbfchar\n");

  const QByteArray head = font.raw.fontTable("head");
  const double units = font.raw.unitsPerEm() > 0 ? font.raw.unitsPerEm() : 1000;
  QByteArray box;
  for (int k = 0; k < 4; ++k)
    number(box, head.size() >= 44 ? qFromBigEndian<qint16>(head.constData() + 36 + 2 * k) * 1000 / units : 0);

  startObject();
  write("<< /Type /Font /Subtype /Type0 /BaseFont /" + font.name + " /Encoding /Identity-H /DescendantFonts [" +
        QByteArray::number(descendant) + " 0 R] /ToUnicode " + QByteArray::number(toUnicode) + " 0 R >>\nendobj\n");
  startObject();
  write("<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + font.name +
        " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /FontDescriptor " +
        QByteArray::number(descriptor) + " 0 R /CIDToGIDMap /Identity /W " + w + " >>\nendobj\n");
  startObject();
  QByteArray metrics;
  numbers(metrics, {font.raw.ascent(), -font.raw.descent()});
  write("<< /Type /FontDescriptor /FontName /" + font.name + " /Flags 32 /FontBBox [" + box +
        "] /ItalicAngle 0 /Ascent " + metrics.split(' ')[0] + " /Descent " + metrics.split(' ')[1] + " /CapHeight " +
        metrics.split(' ')[0] + " /StemV 80 /FontFile2 " + QByteArray::number(file) + " 0 R >>\nendobj\n");
  startObject();
  const QByteArray ttf = fontFile(font.raw);
  writeStream("/Length1 " + QByteArray::number(ttf.size()), ttf);
  startObject();
  writeStream(QByteArray(),
              "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
              "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
              "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
              "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n" +
                  map + "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n");
}

bool Document::finish() {
  if (pageOpen_) endPage();
  QByteArray fonts;
  for (int i = 0; i < int(fonts_.size()); ++i) {
    const int object = int(offsets_.size()) + 1;
    writeFont(i, object);
    fonts.append("/F" + QByteArray::number(i) + ' ' + QByteArray::number(object) + " 0 R ");
  }
  QByteArray states;
  for (const auto& [name, dictionary] : extGStates_) states.append('/' + name + ' ' + dictionary + ' ');
  const auto fixed = [&](int n, const QByteArray& body) {
    offsets_[size_t(n - 1)] = written_;
    write(QByteArray::number(n) + " 0 obj\n" + body + "\nendobj\n");
  };
  fixed(kCatalog, "<< /Type /Catalog /Pages 2 0 R >>");
  QByteArray kids;
  for (int p : pages_) kids.append(QByteArray::number(p) + " 0 R ");
  fixed(kPages, "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(qsizetype(pages_.size())) + " >>");
  fixed(kInfo, "<< /Title " + textString(title_) + " /Creator " + textString(creator_) + " >>");
  fixed(kResources, "<< /Font << " + fonts + ">> /ExtGState << " + states + ">> >>");
  const qint64 xref = written_;
  QByteArray table = "xref\n0 " + QByteArray::number(qsizetype(offsets_.size() + 1)) + "\n0000000000 65535 f \n";
  for (qint64 offset : offsets_) table.append(QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n");
  table.append("trailer\n<< /Size " + QByteArray::number(qsizetype(offsets_.size() + 1)) +
               " /Root 1 0 R /Info 3 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n");
  write(table);
  return !failed_;
}

}  // namespace korvel::pdf
