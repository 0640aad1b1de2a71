// Tables against other programs: files written by other DBF writers (python3-dbf, GDAL's
// ogr2ogr) read with the layer, and files written by the layer read back by independent
// readers (Python's dbfread, GDAL's ogrinfo).
#include "db_test_support.h"
#include "needs_tool.h"

#include "db/field_value.h"
#include "db/rows.h"
#include "db/schema.h"
#include "db/table_error.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

using namespace korvel::db;
using namespace korvel::db::test;

TEST(ForeignFilesTest, TableWrittenByAnotherProgramReadsExactly) {
  QTemporaryDir tmp;
  const QString copy = QDir(tmp.path()).filePath(QStringLiteral("OTHER.DBF"));
  ASSERT_TRUE(QFile::copy(QStringLiteral(KORVEL_FIXTURES "/other_writer.dbf"), copy));
  QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner);

  Table t(QStringLiteral("other"), QStringLiteral("OTHER"));
  t.setDirectory(tmp.path());
  t.open();
  EXPECT_EQ(t.file().codepage(), Codepage::Cp1251);
  EXPECT_EQ(t.file().recordCount(), 4u);
  EXPECT_EQ(t.file().record(2)[0], '*');
  EXPECT_EQ(walk(t), (std::vector<int>{1, 2, 4}));

  struct Row {
    QString nokli;
    long long kodreg, kodvlad;
    double ves;
    QString vesText;
    QDate data;
    QString otel, ot;
  };
  const Row expected[] = {
      {QStringLiteral("Зорька 101"), 5, 2, 512.25, QStringLiteral("512.25"), QDate(2023, 4, 17), QStringLiteral("T"), QStringLiteral("+")},
      {QStringLiteral(" Ёлочка"), 5, 0, -3.5, QStringLiteral("-3.5"), QDate(1999, 12, 31), QStringLiteral("F"), QString()},
      {QStringLiteral("Щука-ЪЫЭЮЯ ёж"), 0, 0, 99999.99, QStringLiteral("99999.99"), QDate(), QString(), QString()},
  };
  t.first();
  for (const Row& r : expected) {
    ASSERT_FALSE(t.eof());
    EXPECT_EQ(t.fieldByName(u"nokli").asString(), r.nokli);
    EXPECT_EQ(t.fieldByName(u"kodreg").asInteger(), r.kodreg);
    EXPECT_EQ(t.fieldByName(u"kodvlad").asInteger(), r.kodvlad);
    EXPECT_DOUBLE_EQ(t.fieldByName(u"ves").asFloat(), r.ves);
    EXPECT_EQ(t.fieldByName(u"ves").asString(), r.vesText);
    EXPECT_EQ(t.fieldByName(u"data").asDate(), r.data);
    EXPECT_EQ(t.fieldByName(u"otel").asString(), r.otel);
    EXPECT_EQ(t.fieldByName(u"ot").asString(), r.ot);
    t.next();
  }
  EXPECT_TRUE(t.eof());

  // The deleted row keeps its data; filters see the live rows only.
  DbfFile f(copy);
  EXPECT_EQ(fieldText(f.fields()[0], f.record(2), f.codepage()), QStringLiteral("Удалённая"));
  t.setFilter(QStringLiteral("kodreg=5 and (kodvlad=0)"));
  t.setFiltered(true);
  EXPECT_EQ(walk(t), (std::vector<int>{2}));
  t.setFilter(QStringLiteral("ot='+'"));
  EXPECT_EQ(walk(t), (std::vector<int>{1}));

  // Appending to the other program's file keeps it whole.
  t.setFiltered(false);
  appendRow(t, {{QStringLiteral("nokli"), QStringLiteral("Новая")}, {QStringLiteral("ves"), QStringLiteral("1.5")}});
  t.close();
  const QByteArray b = readFile(copy);
  EXPECT_EQ(uint8_t(b[4]), 5);
  EXPECT_EQ(b.back(), '\x1A');
  t.open();
  EXPECT_EQ(walk(t), (std::vector<int>{1, 2, 4, 5}));
}

namespace {

// The table as dbfread sees it, or an empty object when the reader is not available.
QJsonObject readWithDbfread(const QString& path, QString* skipReason) {
  const QString python = QStringLiteral("/usr/bin/python3");
  if (!QFileInfo::exists(python)) {
    *skipReason = QStringLiteral("no /usr/bin/python3");
    return {};
  }
  static const char* script = R"(
import json, sys
try:
    import dbfread
except ImportError:
    print("NO-DBFREAD"); sys.exit(0)
t = dbfread.DBF(sys.argv[1], char_decode_errors="strict")
def plain(v):
    return v.isoformat() if hasattr(v, "isoformat") else v
out = {"encoding": t.encoding, "date": plain(t.date),
       "fields": [[f.name, f.type, f.length, f.decimal_count] for f in t.fields],
       "records": [{k: plain(v) for k, v in r.items()} for r in t],
       "deleted": len(list(t.deleted))}
print(json.dumps(out))
)";
  QProcess p;
  p.start(python, {QStringLiteral("-c"), QString::fromLatin1(script), path});
  if (!p.waitForFinished(60000)) {
    *skipReason = QStringLiteral("python did not finish");
    return {};
  }
  const QByteArray out = p.readAllStandardOutput().trimmed();
  if (out == "NO-DBFREAD") {
    *skipReason = QStringLiteral("the dbfread module is not installed (python3-dbfread)");
    return {};
  }
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  return QJsonDocument::fromJson(out).object();
}

}  // namespace

TEST(ForeignFilesTest, IndependentReaderSeesWhatTheLayerWrote) {
  QTemporaryDir tmp;
  createTable(tmp.path(), "COWS", {C("NOKLI", 20), N("KODREG", 6), N("MEAN", 10, 3), D("DATA"), L("OTEL"), C("OT", 1)});
  Table t(QStringLiteral("cows"), QStringLiteral("COWS"));
  t.setDirectory(tmp.path());
  t.open();
  struct Row {
    QString nokli;
    int kodreg;
    double mean;
    QDate data;
    const char* otel;
  };
  const Row rows[] = {{QStringLiteral("Зорька"), 5, 4.125, QDate(2023, 4, 17), "T"},
                      {QStringLiteral(" Ёлка"), -12, -0.5, QDate(1999, 12, 31), "F"},
                      {QStringLiteral("удалить"), 1, 0, QDate(), ""},
                      {QStringLiteral("ЩЪЫЬЭЮЯ абвгдеёжзийклмнопрстуфхцчшщъыьэюя №"), 7, 123456.789, QDate(2000, 2, 29), ""}};
  for (const Row& r : rows) {
    t.append();
    t.fieldByName(u"nokli").setString(r.nokli);
    t.fieldByName(u"kodreg").setInteger(r.kodreg);
    t.fieldByName(u"mean").setFloat(r.mean);
    t.fieldByName(u"data").setDate(r.data);
    t.fieldByName(u"otel").setString(QString::fromLatin1(r.otel));
    t.post();
  }
  t.goToRecNo(3);
  t.deleteRecord();
  t.close();

  QString skip;
  const QJsonObject got = readWithDbfread(QDir(tmp.path()).filePath(QStringLiteral("COWS.DBF")), &skip);
  KORVEL_NEED_TOOL(skip.isEmpty(), skip.toStdString());
  EXPECT_EQ(got[QStringLiteral("encoding")].toString(), QStringLiteral("cp1251"));
  EXPECT_EQ(got[QStringLiteral("date")].toString(), QDate::currentDate().toString(Qt::ISODate));
  EXPECT_EQ(got[QStringLiteral("deleted")].toInt(), 1);
  const QJsonArray fields = got[QStringLiteral("fields")].toArray();
  ASSERT_EQ(fields.size(), 6);
  EXPECT_EQ(fields[2].toArray(), (QJsonArray{QStringLiteral("MEAN"), QStringLiteral("N"), 10, 3}));
  const QJsonArray recs = got[QStringLiteral("records")].toArray();
  ASSERT_EQ(recs.size(), 3);
  const Row* live[] = {&rows[0], &rows[1], &rows[3]};
  for (int i = 0; i < 3; ++i) {
    const QJsonObject o = recs[i].toObject();
    const Row& r = *live[i];
    EXPECT_EQ(o[QStringLiteral("NOKLI")].toString(), r.nokli.left(20)) << i;
    EXPECT_EQ(o[QStringLiteral("KODREG")].toInt(), r.kodreg) << i;
    EXPECT_DOUBLE_EQ(o[QStringLiteral("MEAN")].toDouble(), r.mean) << i;
    if (r.data.isValid())
      EXPECT_EQ(o[QStringLiteral("DATA")].toString(), r.data.toString(Qt::ISODate)) << i;
    else
      EXPECT_TRUE(o[QStringLiteral("DATA")].isNull()) << i;
    if (*r.otel)
      EXPECT_EQ(o[QStringLiteral("OTEL")].toBool(), r.otel[0] == 'T') << i;
    else
      EXPECT_TRUE(o[QStringLiteral("OTEL")].isNull()) << i;
    EXPECT_TRUE(o[QStringLiteral("OT")].toString().isEmpty()) << i;
  }
}

namespace {

QString dbfIn(const QString& dir) {
  const QStringList found = QDir(dir).entryList({QStringLiteral("*.dbf")}, QDir::Files);
  return found.isEmpty() ? QString() : QDir(dir).filePath(found.front());
}

}  // namespace

// GDAL writes an empty number as '*' fill: it reads as empty, like a blank one.
TEST(ForeignFilesTest, StarFilledNumbersFromGdalReadAsEmpty) {
  QTemporaryDir tmp;
  copyFixture(QStringLiteral("gdal_korova_cp1251"), tmp.path());
  Table t(QStringLiteral("korova"), QStringLiteral("KOROVA"));
  t.setDirectory(tmp.path());
  t.open();
  t.first();
  EXPECT_EQ(t.fieldByName(u"nokli").asString(), QStringLiteral("Зорька"));
  EXPECT_EQ(t.fieldByName(u"x1").asInteger(), 5);
  EXPECT_EQ(t.fieldByName(u"xxx15").asFloat(), 80.0);
  t.next();
  EXPECT_EQ(t.fieldByName(u"nokli").asString(), QStringLiteral("Пустая"));
  ASSERT_EQ(QByteArray(t.currentRecord() + t.fieldByName(u"x1").def().offset, 3), "***");
  for (const char16_t* name : {u"x1", u"x30", u"xxx1", u"nlakt"}) {
    Field f = t.fieldByName(name);
    EXPECT_TRUE(f.isNull()) << QString::fromUtf16(name).toStdString();
    EXPECT_EQ(f.asInteger(), 0);
    EXPECT_EQ(f.asFloat(), 0.0);
  }
  const WholeView x1(t.file(), u"x1");
  const FloatView xxx1(t.file(), u"xxx1");
  std::vector<long long> scores;
  for (const Row row : LiveRows(t.file())) {
    scores.push_back(x1(row));
    EXPECT_EQ(xxx1.number(row).has_value(), true);
  }
  EXPECT_EQ(scores, (std::vector<long long>{5, 0}));
  t.setFilter(QStringLiteral("x1=0"));
  t.setFiltered(true);
  EXPECT_EQ(walk(t), (std::vector<int>{2}));
}

// The code page comes from the .cpg file GDAL writes beside the table (its language-driver
// byte is 0): names read, compare in filters and are written in the table's own code page, and
// GDAL reads back what the layer appended.
TEST(ForeignFilesTest, TablesSavedByGdalKeepTheirCodePage) {
  struct Case {
    const char* folder;
    Codepage cp;
  };
  for (const Case& c : {Case{"gdal_region_utf8", Codepage::Utf8}, Case{"gdal_region_cp866", Codepage::Cp866}}) {
    SCOPED_TRACE(c.folder);
    QTemporaryDir tmp;
    copyFixture(QString::fromLatin1(c.folder), tmp.path());
    Table t(QStringLiteral("Table1"), QStringLiteral("REGION"));
    t.setDirectory(tmp.path());
    t.open();
    EXPECT_EQ(t.file().codepage(), c.cp);
    EXPECT_EQ(t.fieldByName(u"region").asString(), QStringLiteral("Вологодская область"));
    t.setFilter(QStringLiteral("vibor='+'"));
    t.setFiltered(true);
    EXPECT_EQ(t.fieldByName(u"region").asString(), QStringLiteral("Ярославская область"));
    t.setFiltered(false);
    const QString added = QStringLiteral("Костромская область №3");
    appendRow(t, {{QStringLiteral("kodreg"), QStringLiteral("3")}, {QStringLiteral("region"), added}});
    const QByteArray stored = QByteArray(t.file().record(2) + t.fieldByName(u"region").def().offset, 70).trimmed();
    EXPECT_EQ(stored, encode(added, c.cp));
    t.close();

    QProcess ogr;
    ogr.start(QStringLiteral("ogrinfo"), {QStringLiteral("-q"), QStringLiteral("-al"), dbfIn(tmp.path())});
    const bool ran = ogr.waitForFinished(60000) && ogr.exitStatus() == QProcess::NormalExit;
    KORVEL_NEED_TOOL(ran, "ogrinfo (gdal-bin)");
    const QString shown = QString::fromUtf8(ogr.readAllStandardOutput());
    EXPECT_TRUE(shown.contains(QStringLiteral("REGION (String) = ") + added)) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("REGION (String) = Вологодская область"))) << shown.toStdString();
  }
}

// A table whose code page cannot be told, or is one the program does not write, and a table
// with binary or over-wide fields, are refused when opened, and their files stay as they were.
TEST(ForeignFilesTest, TablesTheProgramCannotWriteAreRefusedAtOpening) {
  auto region = [](uint8_t ldid, int width = 6) {
    RawDbf raw;
    raw.ldid = ldid;
    raw.fields = {{"KODREG", 'N', width}, {"REGION", 'C', 70}, {"VIBOR", 'C', 1}};
    raw.records = {record(raw.fields, {"1", "Вологодская область", ""})};
    return raw.bytes();
  };
  struct Case {
    const char* what;
    QByteArray bytes;
    QByteArray cpg;  // written as REGION.cpg when not empty
    QString fixture;
    QString message;
  };
  const Case cases[] = {
      {"no code page at all", region(0x00), {}, {},
       QStringLiteral("Таблица REGION.DBF: кодовая страница не определена: байт языкового драйвера 0x00 (не указана), "
                      "файла REGION.cpg рядом нет; таблица не открыта. Сохраните таблицу в кодировке Windows-1251, "
                      "CP866 или UTF-8 с файлом REGION.cpg.")},
      {"ANSI of some computer", region(0x57), {}, {}, QStringLiteral("байт языкового драйвера 0x57 («ANSI»")},
      {"Windows-1252 by its byte", region(0x03), {}, {}, QStringLiteral("0x03 (Windows-1252)")},
      {"Windows-1252 by its .cpg", region(0xC9), "1252\n", {},
       QStringLiteral("Таблица REGION.DBF: кодовая страница «1252» (из файла REGION.cpg) не поддерживается: программа "
                      "читает и пишет таблицы в кодировках Windows-1251, CP866 и UTF-8; таблица не открыта.")},
      {"a number 24 wide", region(0xC9, 24), {}, {},
       QStringLiteral("Таблица REGION.DBF: поле KODREG типа «N»: недопустимая ширина 24 (допустимо от 1 до 20).")},
      {"python-dbf's Visual FoxPro integer", {}, {}, QStringLiteral("vfp_integer_region"),
       QStringLiteral("Таблица REGION: поле KODREG типа «I» хранит двоичные данные, которые программа не записывает; "
                      "таблица не открыта. Сохраните таблицу с числовыми полями (тип N).")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QTemporaryDir tmp;
    if (c.fixture.isEmpty()) writeFile(QDir(tmp.path()).filePath(QStringLiteral("REGION.DBF")), c.bytes);
    else copyFixture(c.fixture, tmp.path());
    if (!c.cpg.isEmpty()) writeFile(QDir(tmp.path()).filePath(QStringLiteral("REGION.cpg")), c.cpg);
    const QString file = QDir(tmp.path()).filePath(QDir(tmp.path()).entryList({QStringLiteral("*.DBF")}).front());
    const QByteArray before = readFile(file);
    Table t(QStringLiteral("Table1"), QStringLiteral("REGION"));
    t.setDirectory(tmp.path());
    checkLayoutAtOpening(t);
    try {
      t.open();
      ADD_FAILURE() << "opened";
    } catch (const TableError& e) {
      EXPECT_TRUE(e.text().contains(c.message)) << e.text().toStdString();
    }
    EXPECT_FALSE(t.isOpen());
    EXPECT_EQ(readFile(file), before);
  }
}
