// The workbook package read back for the spreadsheet tests: parts by name, parsed XML, cells by
// sheet and address, and the fixture that saves a workbook to a temporary folder and loads it.
#pragma once

#include "evaluation/spreadsheet.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>
#include <zip.h>

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvel::test {

using namespace korvel::xlsx;


using Package = std::map<QString, QByteArray>;

inline Package readPackage(const QString& path) {
  Package parts;
  int err = 0;
  // libzip takes file names in UTF-8 on every platform (on Windows too, where encodeName would
  // give the ANSI code page and lose a Cyrillic name).
  zip_t* za = zip_open(path.toUtf8().constData(), ZIP_RDONLY | ZIP_CHECKCONS, &err);
  if (!za) {
    ADD_FAILURE() << "not a zip archive: " << path.toStdString() << " (" << err << ")";
    return parts;
  }
  for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i) {
    zip_stat_t st;
    zip_stat_index(za, zip_uint64_t(i), 0, &st);
    QByteArray data(qsizetype(st.size), '\0');
    zip_file_t* f = zip_fopen_index(za, zip_uint64_t(i), 0);
    EXPECT_EQ(zip_fread(f, data.data(), st.size), zip_int64_t(st.size));
    zip_fclose(f);
    parts[QString::fromUtf8(st.name)] = data;
  }
  zip_close(za);
  return parts;
}

struct Node {
  QString name;  // qualified name as written ("c", "xdr:from")
  std::map<QString, QString> attrs;
  QString text;
  std::vector<Node> children;

  QString attr(const QString& key) const {
    const auto it = attrs.find(key);
    return it == attrs.end() ? QString() : it->second;
  }
  const Node* child(const QString& n) const {
    for (const Node& c : children)
      if (c.name == n) return &c;
    return nullptr;
  }
  std::vector<const Node*> all(const QString& n) const {
    std::vector<const Node*> out;
    for (const Node& c : children)
      if (c.name == n) out.push_back(&c);
    return out;
  }
  // Path of child names: node.at({"xdr:from", "xdr:col"}).
  const Node& at(std::initializer_list<const char*> path) const {
    const Node* n = this;
    for (const char* p : path) {
      n = n->child(QString::fromUtf8(p));
      if (!n) throw std::runtime_error(std::string("no element ") + p);
    }
    return *n;
  }
};

// Parses an XML part; a malformed part fails the test.
inline Node parseXml(const QByteArray& bytes, const QString& partName) {
  QXmlStreamReader reader(bytes);
  std::vector<Node> stack(1);
  while (!reader.atEnd()) {
    reader.readNext();
    if (reader.isStartElement()) {
      Node n;
      n.name = reader.qualifiedName().toString();
      for (const auto& a : reader.attributes()) n.attrs[a.qualifiedName().toString()] = a.value().toString();
      stack.push_back(std::move(n));
    } else if (reader.isEndElement()) {
      Node n = std::move(stack.back());
      stack.pop_back();
      stack.back().children.push_back(std::move(n));
    } else if (reader.isCharacters()) {
      stack.back().text += reader.text();
    }
  }
  EXPECT_FALSE(reader.hasError()) << partName.toStdString() << ": " << reader.errorString().toStdString();
  if (stack.size() != 1 || stack[0].children.size() != 1) return Node{};
  return stack[0].children[0];
}

// Shared string text with the _xHHHH_ escapes undone.
inline QString unescapeOoxml(const QString& s) {
  QString out;
  for (qsizetype i = 0; i < s.size(); ++i) {
    if (s[i] == u'_' && i + 6 < s.size() && s[i + 1] == u'x' && s[i + 6] == u'_') {
      bool ok = false;
      const uint code = s.mid(i + 2, 4).toUInt(&ok, 16);
      if (ok) {
        out += QChar(char16_t(code));
        i += 6;
        continue;
      }
    }
    out += s[i];
  }
  return out;
}

struct CellRead {
  QString text;  // text of a shared string, else the <v> as written
  bool isString = false;
  QString type;
  int style = 0;
};

// The package read back: parts, parsed XML, cells by sheet and address.
struct Book {
  Package parts;
  QStringList strings;

  Node xml(const QString& name) const {
    const auto it = parts.find(name);
    if (it == parts.end()) {
      ADD_FAILURE() << "missing part " << name.toStdString();
      return Node{};
    }
    return parseXml(it->second, name);
  }
  Node sheet(int n) const { return xml(QStringLiteral("xl/worksheets/sheet%1.xml").arg(n)); }
  std::map<QString, CellRead> cells(int n) const {
    std::map<QString, CellRead> out;
    const Node ws = sheet(n);
    for (const Node* row : ws.at({"sheetData"}).all("row")) {
      for (const Node* c : row->all("c")) {
        CellRead cell;
        cell.type = c->attr("t");
        cell.style = c->attr("s").toInt();
        const Node* v = c->child("v");
        if (v) cell.text = v->text;
        if (cell.type == "s") {
          cell.isString = true;
          cell.text = strings.value(cell.text.toInt());
        }
        out[c->attr("r")] = cell;
      }
    }
    return out;
  }
};

inline Book load(const QString& path) {
  Book book;
  book.parts = readPackage(path);
  const Node sst = book.xml("xl/sharedStrings.xml");
  for (const Node* si : sst.all("si")) book.strings << unescapeOoxml(si->at({"t"}).text);
  return book;
}

class SpreadsheetTest : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QString path(const QString& name) const { return dir.filePath(name); }
  Book saveAndLoad(const Workbook& book, const QString& name = "book.xlsx") {
    book.save(path(name));
    return load(path(name));
  }
};

}  // namespace korvel::test
