// DBF files: the header the layer writes, every field type read and written, code pages,
// the header kept true after posts and appends, and the field conversions.
#include "db_test_support.h"

#include "db/field_value.h"
#include "db/schema.h"
#include "db/table_error.h"

#include <QDate>
#include <QDir>
#include <cstring>
#include <limits>
#include <gtest/gtest.h>

using namespace korvel::db;
using namespace korvel::db::test;

namespace {

class DbfFileTest : public ::testing::Test {
 protected:
  QTemporaryDir tmp;
  QString dir() const { return tmp.path(); }
  QString path(const char* file) const { return QDir(tmp.path()).filePath(QString::fromLatin1(file)); }
};

uint32_t le32(const QByteArray& b, int at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | uint8_t(b[at + i]);
  return v;
}
int le16(const QByteArray& b, int at) { return uint8_t(b[at]) | (uint8_t(b[at + 1]) << 8); }

}  // namespace

TEST_F(DbfFileTest, CreatedTableHasTrueHeaderAndEndByte) {
  const TableLayout k = korovaLayout();
  const QString p = createTable(dir(), "KOROVA", k.fields);
  const QByteArray b = readFile(p);
  const int hl = 32 + 32 * int(k.fields.size()) + 1;
  int rl = 1;
  for (const FieldDef& f : k.fields) rl += f.width;
  ASSERT_EQ(b.size(), hl + 1);
  EXPECT_EQ(uint8_t(b[0]), 0x03);
  EXPECT_EQ(b.mid(1, 3), todayBytes());
  EXPECT_EQ(le32(b, 4), 0u);
  EXPECT_EQ(le16(b, 8), hl);
  EXPECT_EQ(le16(b, 10), rl);
  EXPECT_EQ(uint8_t(b[29]), 0xC9);
  EXPECT_EQ(b[hl - 1], '\x0D');
  EXPECT_EQ(b[hl], '\x1A');

  DbfFile f(p);
  ASSERT_EQ(f.fields().size(), k.fields.size());
  EXPECT_EQ(f.recordLength(), rl);
  EXPECT_EQ(f.codepage(), Codepage::Cp1251);
  int offset = 1;
  for (size_t i = 0; i < k.fields.size(); ++i) {
    EXPECT_EQ(f.fields()[i].name, k.fields[i].name);
    EXPECT_EQ(f.fields()[i].type, k.fields[i].type);
    EXPECT_EQ(f.fields()[i].width, k.fields[i].width);
    EXPECT_EQ(f.fields()[i].offset, offset);
    offset += k.fields[i].width;
  }
  EXPECT_EQ(f.fieldIndex(u"xxx15"), int(k.fields.size()) - 1);
  EXPECT_EQ(f.fieldIndex(u"NOPE"), -1);
}

TEST_F(DbfFileTest, CreateRefusesTypesItCannotWrite) {
  EXPECT_THROW(DbfFile::create(path("A.DBF"), {{QStringLiteral("N1"), 'I', 4, 0, 0}}), TableError);
  EXPECT_THROW(DbfFile::create(path("B.DBF"), {{QStringLiteral("D1"), 'D', 6, 0, 0}}), TableError);
  EXPECT_THROW(DbfFile::create(path("C.DBF"), {{QStringLiteral("C1"), 'C', 300, 0, 0}}), TableError);
}

TEST_F(DbfFileTest, WritableTypesRoundTrip) {
  createTable(dir(), "T", {C("NAME", 10), N("CODE", 6), N("MEAN", 8, 2), {QStringLiteral("F1"), 'F', 10, 3, 0}, D("DATA"),
                           L("OK")});
  {
    Table t(QStringLiteral("t"), QStringLiteral("T"));
    t.setDirectory(dir());
    t.open();
    t.append();
    t.fieldByName(u"name").setString(QStringLiteral("Зорька"));
    t.fieldByName(u"code").setInteger(-42);
    t.fieldByName(u"mean").setFloat(12.5);
    t.fieldByName(u"f1").setString(QStringLiteral("3,125"));
    t.fieldByName(u"data").setDate(QDate(2024, 1, 31));
    t.fieldByName(u"ok").setString(QStringLiteral("T"));
    t.post();
    t.append();
    t.fieldByName(u"ok").setString(QStringLiteral("F"));
    t.fieldByName(u"data").setString(QStringLiteral("29.02.2020"));
    t.post();
  }
  const QByteArray b = readFile(QDir(dir()).filePath("T.DBF"));
  const int hl = 32 + 32 * 6 + 1;
  EXPECT_EQ(b.mid(hl, 44), QByteArray(" \xC7\xEE\xF0\xFC\xEA\xE0    "
                                       "   -42"
                                       "   12.50"
                                       "     3.125"
                                       "20240131"
                                       "T"));
  Table t(QStringLiteral("t"), QStringLiteral("T"));
  t.setDirectory(dir());
  t.open();
  EXPECT_EQ(t.fieldByName(u"NAME").asString(), QStringLiteral("Зорька"));
  EXPECT_EQ(t.fieldByName(u"code").asInteger(), -42);
  EXPECT_DOUBLE_EQ(t.fieldByName(u"mean").asFloat(), 12.5);
  EXPECT_EQ(t.fieldByName(u"mean").asString(), QStringLiteral("12.5"));
  EXPECT_DOUBLE_EQ(t.fieldByName(u"f1").asFloat(), 3.125);
  EXPECT_EQ(t.fieldByName(u"data").asDate(), QDate(2024, 1, 31));
  EXPECT_EQ(t.fieldByName(u"data").asString(), QStringLiteral("31.01.2024"));
  EXPECT_EQ(t.fieldByName(u"ok").asString(), QStringLiteral("T"));
  EXPECT_EQ(t.fieldByName(u"ok").asInteger(), 1);
  t.next();
  ASSERT_FALSE(t.eof());
  EXPECT_EQ(t.fieldByName(u"ok").asString(), QStringLiteral("F"));
  EXPECT_EQ(t.fieldByName(u"data").asDate(), QDate(2020, 2, 29));
  EXPECT_TRUE(t.fieldByName(u"name").isNull());
  EXPECT_TRUE(t.fieldByName(u"code").isNull());
  EXPECT_EQ(t.fieldByName(u"code").asInteger(), 0);
  EXPECT_EQ(t.fieldByName(u"mean").asFloat(), 0.0);
  t.edit();
  EXPECT_THROW(t.fieldByName(u"data").setString(QStringLiteral("31.02.2020")), TableError);
  EXPECT_THROW(t.fieldByName(u"code").setString(QStringLiteral("12abc")), TableError);
  t.cancel();
}

TEST_F(DbfFileTest, ReadOnlyTypesFromHandMadeBytes) {
  RawDbf raw;
  raw.version = 0x30;
  raw.fields = {{"I1", 'I', 4}, {"B1", 'B', 8}, {"Y1", 'Y', 8}, {"T1", 'T', 8}};
  std::string rec(" ");
  const int32_t i = -7;
  const double d = 3.25;
  const int64_t y = 123456;  // 12.3456
  const int32_t jd = int32_t(QDate(2020, 2, 29).toJulianDay());
  const int32_t ms = 3600 * 1000;
  rec.append(reinterpret_cast<const char*>(&i), 4);
  rec.append(reinterpret_cast<const char*>(&d), 8);
  rec.append(reinterpret_cast<const char*>(&y), 8);
  rec.append(reinterpret_cast<const char*>(&jd), 4);
  rec.append(reinterpret_cast<const char*>(&ms), 4);
  raw.records = {rec};
  writeFile(path("VFP.DBF"), raw.bytes());

  Table t(QStringLiteral("vfp"), QStringLiteral("VFP"));
  t.setDirectory(dir());
  t.open();
  ASSERT_FALSE(t.eof());
  EXPECT_EQ(t.fieldByName(u"i1").asInteger(), -7);
  EXPECT_EQ(t.fieldByName(u"i1").asString(), QStringLiteral("-7"));
  EXPECT_DOUBLE_EQ(t.fieldByName(u"b1").asFloat(), 3.25);
  EXPECT_DOUBLE_EQ(t.fieldByName(u"y1").asFloat(), 12.3456);
  EXPECT_EQ(t.fieldByName(u"y1").asString(), QStringLiteral("12.3456"));
  EXPECT_EQ(t.fieldByName(u"t1").asString(), QStringLiteral("29.02.2020"));
  // Types the layer only reads are refused on write, and the row stays as it was.
  t.edit();
  EXPECT_THROW(t.fieldByName(u"i1").setString(QStringLiteral("5")), TableError);
  EXPECT_THROW(t.fieldByName(u"t1").setDate(QDate(2021, 1, 1)), TableError);
  t.cancel();
  EXPECT_EQ(t.fieldByName(u"i1").asInteger(), -7);
}

TEST_F(DbfFileTest, Windows1251NamesRoundTrip) {
  createTable(dir(), "R", {C("REGION", 20), N("KODREG", 6)});
  const QString names[] = {QStringLiteral("Ёлкино-Щучье"), QStringLiteral("  Архив региона"),
                           QStringLiteral("ёжик №5 «Ъ»"), QString(QChar(0x0098)) + QStringLiteral("край")};
  {
    Table t(QStringLiteral("r"), QStringLiteral("R"));
    t.setDirectory(dir());
    t.open();
    int code = 1;
    for (const QString& n : names) appendRow(t, {{QStringLiteral("region"), n}, {QStringLiteral("kodreg"), QString::number(code++)}});
  }
  const QByteArray b = readFile(QDir(dir()).filePath("R.DBF"));
  const int hl = 32 + 64 + 1, rl = 27;
  EXPECT_EQ(b.mid(hl + 1, 12), QByteArray("\xA8\xEB\xEA\xE8\xED\xEE-\xD9\xF3\xF7\xFC\xE5"));
  EXPECT_EQ(b.mid(hl + rl + 1, 3), QByteArray("  \xC0"));
  EXPECT_EQ(uint8_t(b[hl + 3 * rl + 1]), 0x98);

  Table t(QStringLiteral("r"), QStringLiteral("R"));
  t.setDirectory(dir());
  t.open();
  for (const QString& n : names) {
    ASSERT_FALSE(t.eof());
    EXPECT_EQ(t.fieldByName(u"region").asString(), n);
    // Writing back what was read changes no byte.
    t.edit();
    t.fieldByName(u"region").setString(t.fieldByName(u"region").asString());
    t.post();
    t.next();
  }
  EXPECT_EQ(readFile(QDir(dir()).filePath("R.DBF")).mid(hl), b.mid(hl));
  // A character Windows-1251 lacks is refused, never stored as '?'; decomposed text (и and a
  // combining breve, as some programs paste "й") is stored composed.
  t.first();
  t.edit();
  try {
    t.fieldByName(u"region").setString(QStringLiteral("中x é🐄"));
    ADD_FAILURE() << "stored";
  } catch (const TableError& e) {
    EXPECT_EQ(e.text(), QStringLiteral("Таблица R: в поле REGION есть знаки, которые нельзя сохранить в таблице (Windows-1251): 中, é, 🐄."));
  }
  EXPECT_EQ(t.fieldByName(u"region").asString(), names[0]);
  t.fieldByName(u"region").setString(QStringLiteral("Зои\u0306ка"));
  t.post();
  EXPECT_EQ(t.fieldByName(u"region").asString(), QStringLiteral("Зойка"));
  EXPECT_EQ(nameKey(QStringLiteral("  ёлкино-щучье ")), nameKey(names[0]));
}

TEST_F(DbfFileTest, Cp866TablesAreDecodedAndWrittenInCp866) {
  for (uint8_t ldid : {uint8_t(0x65), uint8_t(0x26)}) {
    RawDbf raw;
    raw.ldid = ldid;
    raw.fields = {{"NAME", 'C', 10}};
    raw.records = {std::string(" \x8a\xae\xe0\xae\xa2\xa0    ")};  // "Корова" in CP866
    writeFile(path("DOS.DBF"), raw.bytes());
    Table t(QStringLiteral("dos"), QStringLiteral("DOS"));
    t.setDirectory(dir());
    t.open();
    EXPECT_EQ(t.file().codepage(), Codepage::Cp866);
    EXPECT_EQ(t.fieldByName(u"name").asString(), QStringLiteral("Корова"));
    t.setFilter(QStringLiteral("name='Корова'"));
    t.setFiltered(true);
    EXPECT_FALSE(t.isEmpty());
    t.setFiltered(false);
    t.edit();
    t.fieldByName(u"name").setString(QStringLiteral("Бык"));
    t.post();
    t.close();
    EXPECT_EQ(readFile(path("DOS.DBF")).mid(32 + 32 + 1, 4), QByteArray(" \x81\xeb\xaa"));
  }
}

TEST_F(DbfFileTest, HeaderStaysTrueAfterPostAndAppend) {
  RawDbf raw;
  raw.fields = {{"NAME", 'C', 5}, {"KOD", 'N', 3}};
  raw.records = {record(raw.fields, {"a", "1"}), record(raw.fields, {"b", "2"})};
  raw.eofByte = false;  // some writers leave it out
  writeFile(path("H.DBF"), raw.bytes());
  const int hl = 32 + 64 + 1, rl = 9;

  Table t(QStringLiteral("h"), QStringLiteral("H"));
  t.setDirectory(dir());
  t.open();
  t.edit();
  t.fieldByName(u"kod").setInteger(7);
  t.post();
  QByteArray b = readFile(path("H.DBF"));
  EXPECT_EQ(b.mid(1, 3), todayBytes());
  EXPECT_EQ(le32(b, 4), 2u);
  EXPECT_EQ(b.size(), hl + 2 * rl);
  EXPECT_EQ(b.mid(hl, rl), QByteArray(" a      7"));

  appendRow(t, {{QStringLiteral("name"), QStringLiteral("c")}, {QStringLiteral("kod"), QStringLiteral("3")}});
  appendRow(t, {{QStringLiteral("name"), QStringLiteral("d")}});
  b = readFile(path("H.DBF"));
  EXPECT_EQ(le32(b, 4), 4u);
  ASSERT_EQ(b.size(), hl + 4 * rl + 1);
  EXPECT_EQ(b.mid(hl + 2 * rl, 2 * rl), QByteArray(" c      3 d       "));
  EXPECT_EQ(b.back(), '\x1A');
  EXPECT_EQ(t.file().recordCount(), 4u);
  EXPECT_EQ(walk(t), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(DbfFile(path("H.DBF")).recordCount(), 4u);
}

TEST_F(DbfFileTest, FieldConversions) {
  createTable(dir(), "V", {C("TXT", 4), N("NUM", 4), N("DEC", 6, 1), C("CODE", 6)});
  Table t(QStringLiteral("v"), QStringLiteral("V"));
  t.setDirectory(dir());
  t.open();
  t.append();
  // A text longer than its field is cut to the width.
  t.fieldByName(u"txt").setString(QStringLiteral("Буренка"));
  EXPECT_EQ(t.fieldByName(u"txt").asString(), QStringLiteral("Буре"));
  // A number too wide for its field is refused with a message naming table and field.
  t.fieldByName(u"num").setInteger(9999);
  try {
    t.fieldByName(u"num").setInteger(12345);
    FAIL() << "a five-digit number went into a four-wide field";
  } catch (const TableError& e) {
    EXPECT_TRUE(e.text().contains(QStringLiteral("V"))) << e.text().toStdString();
    EXPECT_TRUE(e.text().contains(QStringLiteral("NUM"))) << e.text().toStdString();
  }
  EXPECT_THROW(t.fieldByName(u"num").setFloat(-1000.0), TableError);
  EXPECT_EQ(t.fieldByName(u"num").asInteger(), 9999);  // the refused value left the field alone
  t.post();

  // Reading a number as a whole number rounds half to even.
  const std::pair<double, long long> rounding[] = {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {0.5, 0}, {1.5, 2}, {2.4, 2}, {2.6, 3}};
  for (const auto& [in, out] : rounding) {
    t.edit();
    t.fieldByName(u"dec").setFloat(in);
    t.post();
    EXPECT_EQ(t.fieldByName(u"dec").asInteger(), out) << in;
  }

  // A text field read as a whole number must hold one.
  const std::pair<const char*, long long> good[] = {{"12", 12}, {"  12", 12}, {"-3", -3}, {"007", 7}};
  for (const auto& [in, out] : good) {
    t.edit();
    t.fieldByName(u"code").setString(QString::fromLatin1(in));
    t.post();
    EXPECT_EQ(t.fieldByName(u"code").asInteger(), out) << in;
  }
  for (const char* bad : {"", "abc", "12a", "#12", "1 2"}) {
    t.edit();
    t.fieldByName(u"code").setString(QString::fromLatin1(bad));
    t.post();
    try {
      t.fieldByName(u"code").asInteger();
      ADD_FAILURE() << "read «" << bad << "» as a whole number";
    } catch (const TableError& e) {
      EXPECT_TRUE(e.text().contains(QStringLiteral("CODE"))) << e.text().toStdString();
    }
  }
  // An empty numeric field reads as 0, both ways.
  t.edit();
  t.fieldByName(u"num").clear();
  t.post();
  EXPECT_EQ(t.fieldByName(u"num").asInteger(), 0);
  EXPECT_EQ(t.fieldByName(u"num").asFloat(), 0.0);
  EXPECT_EQ(t.fieldByName(u"num").asString(), QString());
  EXPECT_THROW(t.fieldByName(u"nosuch"), TableError);

  // A numeric field of '*' alone (other writers' empty number) is empty; any other text that is
  // no number is still refused.
  const FieldDef num{QStringLiteral("NUM"), 'N', 4, 0, 1};
  for (const char* empty : {"****", "    ", "  **"}) {
    const std::string rec = std::string(" ") + empty;
    EXPECT_TRUE(fieldBlank(num, rec.data())) << empty;
    EXPECT_EQ(fieldNumber(num, rec.data(), Codepage::Cp1251), 0.0) << empty;
    EXPECT_EQ(fieldText(num, rec.data(), Codepage::Cp1251), QString()) << empty;
  }
  for (const char* bad : {"*5**", "1***", " * 1"}) {
    const std::string rec = std::string(" ") + bad;
    EXPECT_FALSE(fieldBlank(num, rec.data())) << bad;
    EXPECT_FALSE(fieldNumber(num, rec.data(), Codepage::Cp1251).has_value()) << bad;
  }
}

TEST_F(DbfFileTest, WideNumericFieldsReadTheirValue) {
  // Twenty-digit numbers exceed a 64-bit integer; they must still read as the number written.
  RawDbf raw;
  raw.fields = {{"BIG", 'N', 20}, {"FRAC", 'N', 20, 15}};
  raw.records = {record(raw.fields, {"12345678901234567890", "4.123456789012345"}),
                 record(raw.fields, {"-9999999999999999999", "-0.000000000000001"})};
  writeFile(path("W.DBF"), raw.bytes());
  DbfFile f(path("W.DBF"));
  EXPECT_DOUBLE_EQ(*fieldNumber(f.fields()[0], f.record(0), f.codepage()), 12345678901234567890.0);
  EXPECT_DOUBLE_EQ(*fieldNumber(f.fields()[1], f.record(0), f.codepage()), 4.123456789012345);
  EXPECT_DOUBLE_EQ(*fieldNumber(f.fields()[0], f.record(1), f.codepage()), -9999999999999999999.0);
  EXPECT_DOUBLE_EQ(*fieldNumber(f.fields()[1], f.record(1), f.codepage()), -1e-15);
}

TEST_F(DbfFileTest, NumbersBeyondAWholeNumberAreAConversionError) {
  // A number too large for a whole number (or not finite) cannot be read as one.
  RawDbf raw;
  raw.version = 0x30;
  raw.fields = {{"BIG", 'N', 20}, {"B1", 'B', 8}};
  const double nan = std::numeric_limits<double>::quiet_NaN(), huge = 1e300;
  for (const double* d : {&nan, &huge}) {
    std::string rec = record({raw.fields[0]}, {"1e300"});
    rec.append(reinterpret_cast<const char*>(d), 8);
    raw.records.push_back(rec);
  }
  writeFile(path("BIG.DBF"), raw.bytes());
  Table t(QStringLiteral("big"), QStringLiteral("BIG"));
  t.setDirectory(dir());
  t.open();
  for (; !t.eof(); t.next()) {
    EXPECT_DOUBLE_EQ(t.fieldByName(u"big").asFloat(), 1e300);
    EXPECT_THROW(t.fieldByName(u"big").asInteger(), TableError);
    EXPECT_THROW(t.fieldByName(u"b1").asInteger(), TableError);
  }
}
