#include "reference_support.h"

#include "db/text.h"

#include <QFile>
#include <gtest/gtest.h>

namespace korvel::test {
namespace {

unsigned u16(const QByteArray& b, int at) { return uchar(b[at]) | uchar(b[at + 1]) << 8; }
unsigned u32(const QByteArray& b, int at) { return u16(b, at) | u16(b, at + 2) << 16; }

}  // namespace

QString FileRow::operator[](const char* name) const {
  const auto it = fields.find(QString::fromLatin1(name).toUpper());
  if (it == fields.end()) ADD_FAILURE() << "no field " << name;
  return it == fields.end() ? QString() : it->second;
}

std::vector<FileRow> fileRows(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    ADD_FAILURE() << "cannot read " << path.toStdString();
    return {};
  }
  const QByteArray b = f.readAll();
  const unsigned count = u32(b, 4), headerLength = u16(b, 8), recordLength = u16(b, 10);
  struct Def {
    QString name;
    int offset, width;
    bool number;
  };
  std::vector<Def> defs;
  int offset = 1;
  for (int at = 32; at + 32 <= int(headerLength) && b[at] != '\x0d'; at += 32) {
    const int width = uchar(b[at + 16]);
    const char type = b[at + 11];
    defs.push_back({QString::fromLatin1(b.mid(at, 11).constData()), offset, width, type == 'N' || type == 'F'});
    offset += width;
  }
  EXPECT_EQ(offset, int(recordLength)) << path.toStdString();
  EXPECT_GE(b.size(), qsizetype(headerLength + count * recordLength)) << path.toStdString();
  std::vector<FileRow> rows;
  for (unsigned i = 0; i < count; ++i) {
    const char* rec = b.constData() + headerLength + i * recordLength;
    FileRow row;
    row.deleted = rec[0] == '*';
    for (const Def& d : defs) {
      QString text = db::decode(rec + d.offset, d.width);
      while (text.endsWith(QLatin1Char(' '))) text.chop(1);
      if (d.number) text = text.trimmed();
      row.fields[d.name] = text.trimmed().isEmpty() ? QString() : text;
    }
    rows.push_back(row);
  }
  return rows;
}

std::vector<FileRow> liveRows(const QString& path) {
  std::vector<FileRow> rows = fileRows(path);
  std::erase_if(rows, [](const FileRow& r) { return r.deleted; });
  return rows;
}

void seed(db::Table& table, const std::vector<std::pair<const char*, QVariant>>& values) {
  table.open();
  table.append();
  for (const auto& [name, value] : values) {
    if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong)
      table.fieldByName(QString::fromLatin1(name)).setInteger(value.toLongLong());
    else
      table.fieldByName(QString::fromLatin1(name)).setString(value.toString());
  }
  table.post();
}

QStringList shownButtons(const QWidget& window) {
  QStringList out;
  for (const QPushButton* b : window.findChildren<QPushButton*>())
    if (b->isVisible()) out << b->objectName();
  out.sort();
  return out;
}

}  // namespace korvel::test
