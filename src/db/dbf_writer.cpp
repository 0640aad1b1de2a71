#include "db/dbf_writer.h"

#include "db/field_value.h"
#include "db/file_io.h"
#include "db/table_error.h"

#include <QFileInfo>
#include <cstring>

namespace korvel::db {
namespace {
constexpr size_t kBufferSize = size_t(4) << 20;
}

DbfWriter::DbfWriter(const QString& path, std::vector<FieldDef> fields) : path_(path), file_(path) {
  DbfFile::create(path, fields);  // checks the layout and writes the header
  int offset = 1;
  for (FieldDef& f : fields) {
    f.name = f.name.toUpper();
    f.offset = offset;
    offset += f.width;
  }
  fields_ = std::move(fields);
  record_.assign(size_t(offset), ' ');
  buffer_.resize(std::max(kBufferSize, record_.size()));
  if (!file_.open(QIODevice::ReadWrite))
    fail(QStringLiteral("файл не открывается для записи (%1).").arg(io::causeText(file_)));
  pos_ = 32 + 32 * qint64(fields_.size()) + 1;
}

DbfWriter::~DbfWriter() {
  if (!finished_) {
    try {
      finish();
    } catch (const TableError&) {
      // Reported only to callers that ask through finish().
    }
  }
}

void DbfWriter::fail(const QString& what) const {
  throw TableError(QStringLiteral("Таблица %1: %2").arg(QFileInfo(path_).fileName(), what));
}

int DbfWriter::fieldIndex(QStringView name) const {
  for (size_t i = 0; i < fields_.size(); ++i)
    if (fields_[i].name.compare(name, Qt::CaseInsensitive) == 0) return int(i);
  fail(QStringLiteral("поле «%1» не найдено.").arg(name.toString()));
}

void DbfWriter::setText(int field, const QString& value) {
  putText(fields_[size_t(field)], record_.data(), value, Codepage::Cp1251, QFileInfo(path_).fileName());
}

void DbfWriter::setBytes(int field, std::string_view encoded) {
  const FieldDef& f = fields_[size_t(field)];
  const size_t n = std::min(encoded.size(), size_t(f.width));
  std::memcpy(record_.data() + f.offset, encoded.data(), n);
  std::memset(record_.data() + f.offset + n, ' ', size_t(f.width) - n);
}

void DbfWriter::setWhole(int field, long long value) {
  const FieldDef& f = fields_[size_t(field)];
  if (f.decimals != 0 || (f.type != 'N' && f.type != 'F' && f.type != 'C')) {
    setNumber(field, double(value));
    return;
  }
  // Digits right to left without allocating: this runs a hundred times per generated cow.
  char digits[24];
  int n = 0;
  unsigned long long v = value < 0 ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
  do {
    digits[n++] = char('0' + v % 10);
    v /= 10;
  } while (v);
  if (value < 0) digits[n++] = '-';
  if (n > f.width)
    fail(QStringLiteral("число %1 не помещается в поле %2 (ширина %3).").arg(value).arg(f.name).arg(f.width));
  char* p = record_.data() + f.offset;
  if (f.type == 'C') {
    for (int i = 0; i < n; ++i) p[i] = digits[n - 1 - i];
    std::memset(p + n, ' ', size_t(f.width - n));
  } else {
    std::memset(p, ' ', size_t(f.width - n));
    for (int i = 0; i < n; ++i) p[f.width - 1 - i] = digits[i];
  }
}

void DbfWriter::setNumber(int field, double value) {
  putNumber(fields_[size_t(field)], record_.data(), value, QFileInfo(path_).fileName());
}

void DbfWriter::setDate(int field, const QDate& value) {
  putDate(fields_[size_t(field)], record_.data(), value, QFileInfo(path_).fileName());
}

void DbfWriter::append() {
  if (finished_) fail(QStringLiteral("запись уже завершена."));
  if (count_ == 0xFFFFFFFFu) fail(QStringLiteral("слишком много записей."));
  if (used_ + record_.size() > buffer_.size()) flush();
  std::memcpy(buffer_.data() + used_, record_.data(), record_.size());
  used_ += record_.size();
  ++count_;
  std::memset(record_.data(), ' ', record_.size());
}

void DbfWriter::writeFailed(int err) {
  finished_ = true;
  file_.close();
  QFile::remove(path_);
  fail(QStringLiteral("запись не удалась: %1. Таблица не записана.").arg(io::causeText(err)));
}

void DbfWriter::flush() {
  if (used_ == 0) return;
  if (const int err = io::writeAt(file_.handle(), pos_, buffer_.data(), used_)) writeFailed(err);
  pos_ += qint64(used_);
  used_ = 0;
}

void DbfWriter::finish() {
  if (finished_) return;
  finished_ = true;
  buffer_.resize(std::max(buffer_.size(), used_ + 1));
  buffer_[used_++] = 0x1A;
  flush();
  // The count last, once every record is in place.
  char c[4];
  for (int i = 0; i < 4; ++i) c[i] = char((count_ >> (8 * i)) & 0xFF);
  if (const int err = io::writeAt(file_.handle(), 4, c, 4)) writeFailed(err);
  file_.close();
}

}  // namespace korvel::db
