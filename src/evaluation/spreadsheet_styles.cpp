// The styles part (xl/styles.xml): the workbook's distinct cell formats and their fonts, fills
// and borders.
#include "evaluation/spreadsheet_parts.h"

#include <algorithm>

namespace korvel::xlsx {

namespace {

template <typename T>
int indexIn(std::vector<T>& list, const T& item) {
  const auto it = std::find(list.begin(), list.end(), item);
  if (it != list.end()) return int(it - list.begin());
  list.push_back(item);
  return int(list.size() - 1);
}

const char* borderName(BorderStyle s) {
  switch (s) {
    case BorderStyle::None: return nullptr;
    case BorderStyle::Hair: return "hair";
    case BorderStyle::Thin: return "thin";
    case BorderStyle::Medium: return "medium";
    case BorderStyle::Thick: return "thick";
    case BorderStyle::Dotted: return "dotted";
    case BorderStyle::Dashed: return "dashed";
    case BorderStyle::Double: return "double";
  }
  return nullptr;
}

const char* horizontalName(HAlign a) {
  switch (a) {
    case HAlign::General: return nullptr;
    case HAlign::Left: return "left";
    case HAlign::Center: return "center";
    case HAlign::Right: return "right";
    case HAlign::Justify: return "justify";
  }
  return nullptr;
}

const char* verticalName(VAlign a) {
  switch (a) {
    case VAlign::Bottom: return nullptr;  // the default
    case VAlign::Center: return "center";
    case VAlign::Top: return "top";
    case VAlign::Justify: return "justify";
  }
  return nullptr;
}

}  // namespace

size_t StyleTable::Hash::operator()(const CellFormat& f) const {
  size_t h = qHash(f.font.name);
  auto mix = [&h](size_t v) { h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2); };
  mix(std::hash<double>{}(f.font.size));
  mix(size_t(f.font.bold) | size_t(f.font.italic) << 1 | size_t(f.wrap) << 2 |
      size_t(f.horizontal) << 3 | size_t(f.vertical) << 6 | size_t(f.locked) << 9 | size_t(f.text) << 10);
  mix(size_t(f.left) | size_t(f.right) << 4 | size_t(f.top) << 8 | size_t(f.bottom) << 12);
  mix(f.fill ? (size_t(1) << 24 | size_t(f.fill->red) << 16 | size_t(f.fill->green) << 8 |
                size_t(f.fill->blue))
             : 0);
  return h;
}

StyleTable::StyleTable() { xf(CellFormat{}); }  // xf 0, font 0, fill 0, border 0: the defaults

int StyleTable::xf(const CellFormat& f) {
  const auto it = xfOf_.find(f);
  if (it != xfOf_.end()) return it->second;
  Xf x;
  x.font = indexIn(fonts_, f.font);
  x.fill = f.fill ? 2 + indexIn(fills_, f.fill) : 0;
  x.border = indexIn(borders_, std::array<BorderStyle, 4>{f.left, f.right, f.top, f.bottom});
  x.horizontal = f.horizontal;
  x.vertical = f.vertical;
  x.wrap = f.wrap;
  x.locked = f.locked;
  x.text = f.text;
  xfs_.push_back(x);
  const int index = int(xfs_.size() - 1);
  xfOf_.emplace(f, index);
  return index;
}

XmlText StyleTable::assemble() const {
  XmlText out;
  out.reserve(1024 + qsizetype(xfs_.size()) * 160);
  out.append(xml::kDeclaration);
  out.append("<styleSheet xmlns=\"").append(xml::kMainNs).append("\">");

  // Font 0 is the Normal style's, which only sets the unit of the column widths; every cell
  // format names its own font after it.
  out.append("<fonts count=\"");
  xml::appendInt(out, qint64(fonts_.size()) + 1);
  out.append("\"><font><sz val=\"");
  xml::appendInt(out, geometry::kNormalFontSize);
  out.append("\"/><name val=\"").append(geometry::kNormalFontName).append("\"/><charset val=\"204\"/></font>");
  for (const Font& f : fonts_) {
    out.append("<font>");
    if (f.bold) out.append("<b/>");
    if (f.italic) out.append("<i/>");
    out.append("<sz val=\"");
    xml::appendNumber(out, f.size);
    out.append("\"/><name val=\"");
    xml::appendAttribute(out, f.name);
    out.append("\"/><charset val=\"204\"/></font>");  // Cyrillic texts
  }
  out.append("</fonts>");

  // The first two fills are reserved by the format: none and gray125.
  out.append("<fills count=\"");
  xml::appendInt(out, qint64(fills_.size()) + 2);
  out.append("\"><fill><patternFill patternType=\"none\"/></fill>"
             "<fill><patternFill patternType=\"gray125\"/></fill>");
  for (const auto& fill : fills_) {
    out.append("<fill><patternFill patternType=\"solid\"><fgColor rgb=\"FF");
    out.append(fill->hex());
    out.append("\"/><bgColor indexed=\"64\"/></patternFill></fill>");
  }
  out.append("</fills>");

  out.append("<borders count=\"");
  xml::appendInt(out, qint64(borders_.size()));
  out.append("\">");
  static const char* const sides[4] = {"left", "right", "top", "bottom"};
  for (const auto& b : borders_) {
    out.append("<border>");
    for (int s = 0; s < 4; ++s) {
      out.append('<').append(sides[s]);
      if (const char* name = borderName(b[size_t(s)])) {
        out.append(" style=\"").append(name).append("\"><color indexed=\"64\"/></");
        out.append(sides[s]).append('>');
      } else {
        out.append("/>");
      }
    }
    out.append("<diagonal/></border>");
  }
  out.append("</borders>");

  out.append("<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" "
             "borderId=\"0\"/></cellStyleXfs>");

  out.append("<cellXfs count=\"");
  xml::appendInt(out, qint64(xfs_.size()));
  out.append("\">");
  for (const Xf& x : xfs_) {
    out.append(x.text ? "<xf numFmtId=\"49\" fontId=\"" : "<xf numFmtId=\"0\" fontId=\"");
    xml::appendInt(out, x.font + 1);
    out.append("\" fillId=\"");
    xml::appendInt(out, x.fill);
    out.append("\" borderId=\"");
    xml::appendInt(out, x.border);
    out.append("\" xfId=\"0\"");
    out.append(" applyFont=\"1\"");
    if (x.text) out.append(" applyNumberFormat=\"1\"");
    if (x.fill != 0) out.append(" applyFill=\"1\"");
    if (x.border != 0) out.append(" applyBorder=\"1\"");
    const char* h = horizontalName(x.horizontal);
    const char* v = verticalName(x.vertical);
    const bool aligned = h || v || x.wrap;
    if (aligned) out.append(" applyAlignment=\"1\"");
    if (!x.locked) out.append(" applyProtection=\"1\"");
    if (!aligned && x.locked) {
      out.append("/>");
      continue;
    }
    out.append('>');
    if (aligned) {
      out.append("<alignment");
      if (h) out.append(" horizontal=\"").append(h).append('"');
      if (v) out.append(" vertical=\"").append(v).append('"');
      if (x.wrap) out.append(" wrapText=\"1\"");
      out.append("/>");
    }
    if (!x.locked) out.append("<protection locked=\"0\"/>");
    out.append("</xf>");
  }
  out.append("</cellXfs>");

  out.append("<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/>"
             "</cellStyles><dxfs count=\"0\"/><tableStyles count=\"0\"/></styleSheet>");
  return out;
}

}  // namespace korvel::xlsx
