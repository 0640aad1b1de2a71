#include "raw_table.h"

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

RawTable::RawTable(const QString& path) : path_(path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    ADD_FAILURE() << "cannot read " << path.toStdString();
    return;
  }
  bytes_ = f.readAll();
  if (bytes_.size() < 32) {
    ADD_FAILURE() << "no header in " << path.toStdString();
    return;
  }
  count_ = u32(bytes_, 4);
  headerLength_ = int(u16(bytes_, 8));
  recordLength_ = int(u16(bytes_, 10));
  int offset = 1;
  for (int at = 32; at + 32 <= headerLength_ && bytes_[at] != '\x0d'; at += 32) {
    const int width = uchar(bytes_[at + 16]);
    fields_.push_back({QString::fromLatin1(bytes_.mid(at, 11).constData()).toLower(), bytes_[at + 11], offset, width});
    offset += width;
  }
  EXPECT_EQ(offset, recordLength_) << path.toStdString();
  EXPECT_GE(bytes_.size(), qsizetype(headerLength_) + qsizetype(count_) * recordLength_) << path.toStdString();
}

QByteArray RawTable::record(int recNo) const {
  return bytes_.mid(headerLength_ + qsizetype(recNo - 1) * recordLength_, recordLength_);
}

QByteArray RawTable::field(const QByteArray& record, const QString& name) const {
  for (const RawField& f : fields_)
    if (f.name == name.toLower()) return record.mid(f.offset, f.width);
  ADD_FAILURE() << "no field " << name.toStdString() << " in " << path_.toStdString();
  return {};
}

std::vector<FileRow> RawTable::rows() const {
  std::vector<FileRow> rows;
  for (unsigned i = 1; i <= count_; ++i) {
    const QByteArray rec = record(int(i));
    if (rec.size() < recordLength_) break;  // the size check above has failed the test
    FileRow row;
    row.deleted = rec[0] == '*';
    for (const RawField& f : fields_) {
      QString text = db::decode(rec.constData() + f.offset, f.width);
      while (text.endsWith(QLatin1Char(' '))) text.chop(1);
      if (f.type == 'N' || f.type == 'F') text = text.trimmed();
      row.fields[f.name.toUpper()] = text.trimmed().isEmpty() ? QString() : text;
    }
    rows.push_back(row);
  }
  return rows;
}

std::vector<FileRow> fileRows(const QString& path) { return RawTable(path).rows(); }

std::vector<FileRow> liveRows(const QString& path) {
  std::vector<FileRow> rows = fileRows(path);
  std::erase_if(rows, [](const FileRow& r) { return r.deleted; });
  return rows;
}

}  // namespace korvel::test
