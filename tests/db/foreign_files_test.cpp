// Tables against other programs: a file written by another DBF writer read with the layer,
// and files written by the layer read back by an independent reader (Python's dbfread).
#include "db_test_support.h"

#include "db/field_value.h"
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
  if (!skip.isEmpty()) GTEST_SKIP() << skip.toStdString();
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
