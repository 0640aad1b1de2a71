#include "xlsx_reader.h"

#include <QFile>
#include <QXmlStreamReader>
#include <gtest/gtest.h>
#include <zip.h>

namespace korvel::test {
namespace {

std::map<QString, QByteArray> readPackage(const QString& path) {
  std::map<QString, QByteArray> parts;
  int err = 0;
  // libzip takes file names in UTF-8 on every platform (on Windows too, where encodeName would
  // give the ANSI code page and lose a Cyrillic name).
  zip_t* za = zip_open(path.toUtf8().constData(), ZIP_RDONLY | ZIP_CHECKCONS, &err);
  if (!za) {
    ADD_FAILURE() << "not a zip archive: " << path.toStdString();
    return parts;
  }
  for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i) {
    zip_stat_t st;
    zip_stat_index(za, zip_uint64_t(i), 0, &st);
    QByteArray data(qsizetype(st.size), '\0');
    zip_file_t* f = zip_fopen_index(za, zip_uint64_t(i), 0);
    zip_fread(f, data.data(), st.size);
    zip_fclose(f);
    parts[QString::fromUtf8(st.name)] = data;
  }
  zip_close(za);
  return parts;
}

QString attr(const QXmlStreamReader& x, const char* name) {
  return x.attributes().value(QLatin1String(name)).toString();
}

std::vector<QString> sharedStrings(const QByteArray& xml) {
  std::vector<QString> out;
  QXmlStreamReader x(xml);
  QString current;
  bool inSi = false;
  while (!x.atEnd()) {
    x.readNext();
    if (x.isStartElement() && x.name() == u"si") {
      inSi = true;
      current.clear();
    } else if (x.isStartElement() && x.name() == u"t" && inSi) {
      current += x.readElementText();
    } else if (x.isEndElement() && x.name() == u"si") {
      out.push_back(current);
      inSi = false;
    }
  }
  return out;
}

// "../drawings/drawing3.xml" of a worksheet's relationships, or empty.
QString drawingTarget(const QByteArray& rels) {
  QXmlStreamReader x(rels);
  while (!x.atEnd()) {
    x.readNext();
    if (x.isStartElement() && x.name() == u"Relationship" && attr(x, "Type").endsWith(u"/drawing"))
      return attr(x, "Target");
  }
  return {};
}

std::vector<ReadBar> readBars(const QByteArray& xml) {
  std::vector<ReadBar> bars;
  QXmlStreamReader x(xml);
  Anchor* marker = nullptr;
  while (!x.atEnd()) {
    x.readNext();
    if (x.isStartElement()) {
      const auto n = x.qualifiedName();
      if (n == u"xdr:twoCellAnchor") bars.emplace_back();
      else if (n == u"xdr:from") marker = &bars.back().from;
      else if (n == u"xdr:to") marker = &bars.back().to;
      else if (n == u"xdr:col" && marker) marker->column = x.readElementText().toInt();
      else if (n == u"xdr:colOff" && marker) marker->columnOffset = x.readElementText().toLongLong();
      else if (n == u"xdr:row" && marker) marker->row = x.readElementText().toInt();
      else if (n == u"xdr:rowOff" && marker) marker->rowOffset = x.readElementText().toLongLong();
      else if (n == u"a:off") {
        bars.back().x = attr(x, "x").toLongLong();
        bars.back().y = attr(x, "y").toLongLong();
      } else if (n == u"a:ext") {
        bars.back().cx = attr(x, "cx").toLongLong();
        bars.back().cy = attr(x, "cy").toLongLong();
      } else if (n == u"a:srgbClr" && bars.back().fill.isEmpty()) {
        bars.back().fill = attr(x, "val");
      } else if (n == u"a:alpha") {
        bars.back().alpha = attr(x, "val").toInt();
      } else if (n == u"xdr:sp") {
        marker = nullptr;
      } else if (n == u"a:t") {
        bars.back().text += x.readElementText();
      } else if (n == u"a:rPr") {
        bars.back().textSize = attr(x, "sz").toDouble() / 100;
      }
    }
  }
  return bars;
}

ReadStyles readStyles(const QByteArray& xml) {
  ReadStyles s;
  QXmlStreamReader x(xml);
  QString section;
  while (!x.atEnd()) {
    x.readNext();
    if (!x.isStartElement()) {
      if (x.isEndElement() && (x.name() == u"fonts" || x.name() == u"borders" || x.name() == u"cellXfs"))
        section.clear();
      continue;
    }
    const auto n = x.name();
    if (n == u"fonts" || n == u"borders" || n == u"cellXfs" || n == u"cellStyleXfs") {
      section = n.toString();
    } else if (section == u"fonts" && n == u"font") {
      s.fontSizes.push_back(11);
      s.fontNames.push_back(QString());
    } else if (section == u"fonts" && n == u"sz") {
      s.fontSizes.back() = attr(x, "val").toDouble();
    } else if (section == u"fonts" && n == u"name") {
      s.fontNames.back() = attr(x, "val");
    } else if (section == u"borders" && n == u"border") {
      s.borderAll.push_back(true);
    } else if (section == u"borders" && (n == u"left" || n == u"right" || n == u"top" || n == u"bottom")) {
      if (attr(x, "style").isEmpty()) s.borderAll.back() = false;
    } else if (section == u"cellXfs" && n == u"xf") {
      ReadStyles::Xf xf;
      xf.font = attr(x, "fontId").toInt();
      xf.border = attr(x, "borderId").toInt();
      s.xfs.push_back(xf);
    } else if (section == u"cellXfs" && n == u"alignment") {
      s.xfs.back().horizontal = attr(x, "horizontal");
      s.xfs.back().vertical = attr(x, "vertical");
      s.xfs.back().wrap = attr(x, "wrapText") == u"1";
    }
  }
  return s;
}

}  // namespace

bool ReadSheet::merged(const QString& range) const {
  return std::find(merges.begin(), merges.end(), range) != merges.end();
}

const ReadStyles::Xf* ReadBook::xf(const ReadSheet& s, const QString& cell) const {
  const auto it = s.styleOf.find(cell);
  const int index = it == s.styleOf.end() ? 0 : it->second;
  return size_t(index) < styles.xfs.size() ? &styles.xfs[size_t(index)] : nullptr;
}

double ReadBook::fontSize(const ReadSheet& s, const QString& cell) const {
  const ReadStyles::Xf* f = xf(s, cell);
  return f && size_t(f->font) < styles.fontSizes.size() ? styles.fontSizes[size_t(f->font)] : 11;
}

QString ReadBook::fontName(const ReadSheet& s, const QString& cell) const {
  const ReadStyles::Xf* f = xf(s, cell);
  return f && size_t(f->font) < styles.fontNames.size() ? styles.fontNames[size_t(f->font)] : QString();
}

bool ReadBook::bordered(const ReadSheet& s, const QString& cell) const {
  const ReadStyles::Xf* f = xf(s, cell);
  return f && size_t(f->border) < styles.borderAll.size() && styles.borderAll[size_t(f->border)];
}

ReadBook readBook(const QString& path) {
  ReadBook book;
  const auto parts = readPackage(path);
  if (parts.empty()) return book;
  const auto strings = sharedStrings(parts.count("xl/sharedStrings.xml") ? parts.at("xl/sharedStrings.xml") : QByteArray());
  book.styles = readStyles(parts.at("xl/styles.xml"));

  QXmlStreamReader wb(parts.at("xl/workbook.xml"));
  while (!wb.atEnd()) {
    wb.readNext();
    if (wb.isStartElement() && wb.name() == u"sheet") book.sheets.push_back(ReadSheet{attr(wb, "name"), {}, {}, {}, {}, {}, {}});
    if (wb.isStartElement() && wb.name() == u"workbookView") book.activeSheet = attr(wb, "activeTab").toInt();
  }
  for (size_t i = 0; i < book.sheets.size(); ++i) {
    ReadSheet& sheet = book.sheets[i];
    const QString file = QStringLiteral("xl/worksheets/sheet%1.xml").arg(i + 1);
    QXmlStreamReader x(parts.at(file));
    QString ref, type;
    while (!x.atEnd()) {
      x.readNext();
      if (!x.isStartElement()) continue;
      const auto n = x.name();
      if (n == u"c") {
        ref = attr(x, "r");
        type = attr(x, "t");
        sheet.styleOf[ref] = attr(x, "s").toInt();
      } else if (n == u"v") {
        const QString v = x.readElementText();
        sheet.cells[ref] = type == u"s" ? strings.at(size_t(v.toInt())) : v;
      } else if (n == u"mergeCell") {
        sheet.merges.push_back(attr(x, "ref"));
      } else if (n == u"col") {
        for (int c = attr(x, "min").toInt(); c <= attr(x, "max").toInt(); ++c)
          sheet.columnWidths[c] = attr(x, "width").toDouble();
      } else if (n == u"pageMargins") {
        QByteArray m;
        for (const auto& a : x.attributes()) m += a.name().toLatin1() + '=' + a.value().toLatin1() + ' ';
        sheet.pageMargins = m.trimmed();
      }
    }
    const QString rels = QStringLiteral("xl/worksheets/_rels/sheet%1.xml.rels").arg(i + 1);
    if (parts.count(rels)) {
      QString target = drawingTarget(parts.at(rels));
      if (target.startsWith(u"../")) target = QStringLiteral("xl/") + target.mid(3);
      if (parts.count(target))
        for (ReadBar& shape : readBars(parts.at(target)))
          (shape.text.isEmpty() ? sheet.bars : sheet.labels).push_back(std::move(shape));
    }
  }
  book.ok = true;
  return book;
}

}  // namespace korvel::test
