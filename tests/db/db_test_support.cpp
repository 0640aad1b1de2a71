#include "db_test_support.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace korvel::db::test {

int RawDbf::trueRecordLength() const {
  int n = 1;
  for (const Field& f : fields) n += f.width;
  return n;
}

QByteArray RawDbf::bytes() const {
  const int hl = 32 + 32 * int(fields.size()) + 1;
  QByteArray h(hl, '\0');
  h[0] = char(version);
  for (int i = 0; i < 3; ++i) h[1 + i] = char(date[i]);
  const uint32_t n = count.value_or(uint32_t(records.size()));
  for (int i = 0; i < 4; ++i) h[4 + i] = char((n >> (8 * i)) & 0xFF);
  const uint16_t hlen = headerLength.value_or(uint16_t(hl));
  const uint16_t rlen = recordLength.value_or(uint16_t(trueRecordLength()));
  h[8] = char(hlen & 0xFF);
  h[9] = char(hlen >> 8);
  h[10] = char(rlen & 0xFF);
  h[11] = char(rlen >> 8);
  h[29] = char(ldid);
  for (size_t i = 0; i < fields.size(); ++i) {
    char* d = h.data() + 32 + 32 * i;
    std::memcpy(d, fields[i].name.data(), std::min<size_t>(fields[i].name.size(), 10));
    d[11] = fields[i].type;
    d[16] = char(fields[i].width);
    d[17] = char(fields[i].decimals);
  }
  h[hl - 1] = 0x0D;
  for (const std::string& r : records) h.append(r.data(), qsizetype(r.size()));
  if (eofByte) h.append(char(0x1A));
  return h;
}

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
  ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray readFile(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

void copyFixture(const QString& folder, const QString& to) {
  const QDir from(QStringLiteral(KORVEL_FIXTURES "/") + folder);
  for (const QString& e : from.entryList(QDir::Files)) {
    const QString target = QDir(to).filePath(e);
    ASSERT_TRUE(QFile::copy(from.filePath(e), target)) << e.toStdString();
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  }
}

std::string record(const std::vector<RawDbf::Field>& fields, const std::vector<std::string>& values, bool deleted) {
  std::string r(deleted ? "*" : " ");
  for (size_t i = 0; i < fields.size(); ++i) {
    std::string v = i < values.size() ? encode(QString::fromUtf8(values[i])).toStdString() : std::string();
    const size_t w = size_t(fields[i].width);
    if (v.size() > w) v.resize(w);
    const std::string pad(w - v.size(), ' ');
    r += fields[i].type == 'C' ? v + pad : pad + v;
  }
  return r;
}

QString createTable(const QString& dir, const QString& name, std::vector<FieldDef> fields) {
  const QString path = QDir(dir).filePath(name + QStringLiteral(".DBF"));
  DbfFile::create(path, std::move(fields));
  return path;
}

FieldDef C(const char* name, int width) { return {QString::fromLatin1(name), 'C', width, 0, 0}; }
FieldDef N(const char* name, int width, int decimals) { return {QString::fromLatin1(name), 'N', width, decimals, 0}; }
FieldDef D(const char* name) { return {QString::fromLatin1(name), 'D', 8, 0, 0}; }
FieldDef L(const char* name) { return {QString::fromLatin1(name), 'L', 1, 0, 0}; }

std::vector<int> walk(Table& t) {
  std::vector<int> out;
  for (t.first(); !t.eof(); t.next()) out.push_back(t.recNo());
  return out;
}

QByteArray todayBytes() {
  const QDate d = QDate::currentDate();
  QByteArray b(3, '\0');
  b[0] = char(d.year() - 1900);
  b[1] = char(d.month());
  b[2] = char(d.day());
  return b;
}

}  // namespace korvel::db::test
