// XML text of the .xlsx writer: escaping, numbers, cell references, and the shared strings part.
#include "evaluation/spreadsheet_parts.h"

#include <charconv>
#include <cmath>

namespace korvel::xlsx {

namespace xml {
namespace {

bool isHex(char16_t u) {
  return (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'F') || (u >= u'a' && u <= u'f');
}

void appendUtf8(XmlText& out, char32_t u) {
  if (u < 0x80) {
    out.append(char(u));
  } else if (u < 0x800) {
    const char b[2] = {char(0xC0 | (u >> 6)), char(0x80 | (u & 0x3F))};
    out.append(b, 2);
  } else if (u < 0x10000) {
    const char b[3] = {char(0xE0 | (u >> 12)), char(0x80 | ((u >> 6) & 0x3F)),
                       char(0x80 | (u & 0x3F))};
    out.append(b, 3);
  } else {
    const char b[4] = {char(0xF0 | (u >> 18)), char(0x80 | ((u >> 12) & 0x3F)),
                       char(0x80 | ((u >> 6) & 0x3F)), char(0x80 | (u & 0x3F))};
    out.append(b, 4);
  }
}

void appendEscapeCode(XmlText& out, char16_t u) {
  static const char digits[] = "0123456789ABCDEF";
  const char b[7] = {'_', 'x', digits[(u >> 12) & 15], digits[(u >> 8) & 15],
                     digits[(u >> 4) & 15], digits[u & 15], '_'};
  out.append(b, 7);
}

// Calls put(code point) for each character, a lone surrogate becoming U+FFFD.
template <typename Put>
void forEachCodePoint(QStringView text, Put&& put) {
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t u = text[i].unicode();
    if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode())) {
      put(QChar::surrogateToUcs4(u, text[i + 1].unicode()), i);
      ++i;
    } else if (QChar::isSurrogate(u)) {
      put(char32_t(0xFFFD), i);
    } else {
      put(char32_t(u), i);
    }
  }
}

}  // namespace

void appendText(XmlText& out, QStringView text) {
  forEachCodePoint(text, [&](char32_t u, qsizetype i) {
    switch (u) {
      case '&': out.append("&amp;", 5); return;
      case '<': out.append("&lt;", 4); return;
      case '>': out.append("&gt;", 4); return;
      case '\t':
      case '\n': out.append(char(u)); return;
      case '_':
        // A literal "_xHHHH_" would read back as an escape: protect its underscore.
        if (i + 6 < text.size() && text[i + 1] == u'x' && isHex(text[i + 2].unicode()) &&
            isHex(text[i + 3].unicode()) && isHex(text[i + 4].unicode()) &&
            isHex(text[i + 5].unicode()) && text[i + 6] == u'_') {
          appendEscapeCode(out, u'_');
          return;
        }
        out.append('_');
        return;
      default:
        break;
    }
    if (u < 0x20 || u == 0xFFFE || u == 0xFFFF) appendEscapeCode(out, char16_t(u));
    else appendUtf8(out, u);
  });
}

void appendAttribute(XmlText& out, QStringView text) {
  forEachCodePoint(text, [&](char32_t u, qsizetype) {
    switch (u) {
      case '&': out.append("&amp;", 5); return;
      case '<': out.append("&lt;", 4); return;
      case '>': out.append("&gt;", 4); return;
      case '"': out.append("&quot;", 6); return;
      case '\t': out.append("&#9;", 4); return;
      case '\n': out.append("&#10;", 5); return;
      case '\r': out.append("&#13;", 5); return;
      default: break;
    }
    if (u < 0x20 || u == 0xFFFE || u == 0xFFFF) return;  // not allowed in XML at all
    appendUtf8(out, u);
  });
}

void appendNumber(XmlText& out, double value) {
  if (!std::isfinite(value)) value = 0;
  if (value == 0) value = 0;  // no "-0"
  char buf[32];
  const auto res = std::to_chars(buf, buf + sizeof buf, value);  // shortest round-trip form
  out.append(buf, res.ptr - buf);
}

void appendInt(XmlText& out, qint64 value) {
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, res.ptr - buf);
}

void appendCellRef(XmlText& out, int row, int column) {
  char letters[3];
  int n = 0;
  for (int c = column; c > 0; c = (c - 1) / 26) letters[n++] = char('A' + (c - 1) % 26);
  while (n > 0) out.append(letters[--n]);
  appendInt(out, row);
}

void appendRange(XmlText& out, const Range& range) {
  appendCellRef(out, range.firstRow, range.firstColumn);
  if (range.rows() == 1 && range.columns() == 1) return;
  out.append(':');
  appendCellRef(out, range.lastRow, range.lastColumn);
}

}  // namespace xml

int StringTable::index(const QString& text) {
  ++uses_;
  const auto it = indexOf_.constFind(text);
  if (it != indexOf_.constEnd()) return it.value();
  const int i = int(texts_.size());
  indexOf_.insert(text, i);
  texts_.push_back(text);
  return i;
}

XmlText StringTable::assemble() const {
  XmlText out;
  out.reserve(128 + qsizetype(texts_.size()) * 48);
  out.append(xml::kDeclaration);
  out.append("<sst xmlns=\"").append(xml::kMainNs).append("\" count=\"");
  xml::appendInt(out, uses_);
  out.append("\" uniqueCount=\"");
  xml::appendInt(out, qint64(texts_.size()));
  out.append("\">");
  for (const QString& t : texts_) {
    // Leading or trailing blanks and line breaks are part of the text: keep them.
    const bool keepSpace = !t.isEmpty() && (t.front().isSpace() || t.back().isSpace() ||
                                            t.contains(u'\n') || t.contains(u'\t'));
    out.append(keepSpace ? "<si><t xml:space=\"preserve\">" : "<si><t>");
    xml::appendText(out, t);
    out.append("</t></si>");
  }
  out.append("</sst>");
  return out;
}

}  // namespace korvel::xlsx
