// Bad table files are input: each gives a TableError whose text names the file, never a crash
// or a read past the end. A read-only file opens and refuses every write with a message.
#include "db_test_support.h"

#include "db/schema.h"
#include "db/table_error.h"
#include "db/text.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

using namespace korvel::db;
using namespace korvel::db::test;

namespace {

RawDbf goodTable() {
  RawDbf raw;
  raw.fields = {{"NAME", 'C', 10}, {"KOD", 'N', 4}};
  raw.records = {record(raw.fields, {"Зорька", "1"}), record(raw.fields, {"Майка", "2"}),
                 record(raw.fields, {"Ночка", "3"})};
  return raw;
}

struct Case {
  const char* what;
  std::function<QByteArray()> bytes;
  const char* expectedWords;  // a piece the message must hold besides the file name
};

class CorruptTableTest : public ::testing::Test {
 protected:
  QTemporaryDir tmp;
  QString path() const { return QDir(tmp.path()).filePath(QStringLiteral("BAD.DBF")); }

  // Opening both directly and through the table component fails with the file's name.
  void expectRefused(const QByteArray& bytes, const char* what, const char* words) {
    writeFile(path(), bytes);
    try {
      DbfFile f(path());
      ADD_FAILURE() << what << ": opened";
    } catch (const TableError& e) {
      EXPECT_TRUE(e.text().contains(QStringLiteral("BAD.DBF"))) << what << ": " << e.text().toStdString();
      EXPECT_TRUE(e.text().contains(QString::fromUtf8(words))) << what << ": " << e.text().toStdString();
    }
    Table t(QStringLiteral("bad"), QStringLiteral("BAD"));
    t.setDirectory(tmp.path());
    EXPECT_THROW(t.open(), TableError) << what;
    EXPECT_FALSE(t.isOpen()) << what;
  }
};

}  // namespace

TEST_F(CorruptTableTest, MalformedFilesAreRefusedWithTheFileName) {
  const QByteArray good = goodTable().bytes();
  const int hl = 32 + 64 + 1;
  const Case cases[] = {
      {"truncated in the last record", [&] { return good.left(hl + 2 * 15 + 7); }, "в заголовке 3 записи, а файл обрывается"},
      {"one record, cut off", [] { RawDbf r = goodTable(); r.count = 1; r.records.clear(); return r.bytes(); }, "в заголовке 1 запись,"},
      {"21 records, three there", [] { RawDbf r = goodTable(); r.count = 21; return r.bytes(); }, "в заголовке 21 запись,"},
      {"12 records, three there", [] { RawDbf r = goodTable(); r.count = 12; return r.bytes(); }, "в заголовке 12 записей,"},
      {"truncated in the field descriptors", [&] { return good.left(50); }, "заголовка"},
      {"header length beyond the file", [] { RawDbf r = goodTable(); r.headerLength = 5000; return r.bytes(); }, "заголовка"},
      {"header length too small", [] { RawDbf r = goodTable(); r.headerLength = 20; return r.bytes(); }, "заголовка"},
      {"header length one byte beyond the terminator",
       [] { RawDbf r = goodTable(); r.headerLength = 32 + 64 + 2; return r.bytes(); }, "со сдвигом"},
      {"record length disagreeing with the fields", [] { RawDbf r = goodTable(); r.recordLength = 16; return r.bytes(); }, "длина записи"},
      {"zero-width field", [] { RawDbf r = goodTable(); r.fields[1].width = 0; r.records.clear(); return r.bytes(); }, "нулевую ширину"},
      {"record count beyond the file", [] { RawDbf r = goodTable(); r.count = 1000000; return r.bytes(); }, "1000000 записей"},
      {"record count near 2^32", [] { RawDbf r = goodTable(); r.count = 0xFFFFFFFFu; return r.bytes(); }, "усечена"},
      {"unknown field type", [] { RawDbf r = goodTable(); r.fields[1].type = 'Q'; return r.bytes(); }, "KOD"},
      {"date field of width 6", [] { RawDbf r = goodTable(); r.fields[1] = {"DATA", 'D', 6}; r.records.clear(); return r.bytes(); }, "DATA"},
      {"field without a name", [] { RawDbf r = goodTable(); r.fields[0].name = ""; return r.bytes(); }, "без имени"},
      {"no fields", [] { RawDbf r; r.recordLength = 1; return r.bytes(); }, "нет полей"},
      {"descriptors never terminated",
       [&] { QByteArray b = good; b[hl - 1] = ' '; return b; }, "не завершено"},
      {"not a DBF at all",
       [] { return QByteArray("Это просто текст, а не таблица: он длиннее тридцати двух байт.\n"); }, "не таблица"},
      {"file shorter than 32 bytes", [&] { return good.left(31); }, "(31 байт)"},
      {"22 bytes", [&] { return good.left(22); }, "(22 байта)"},
      {"empty file", [] { return QByteArray(); }, "короче"},
      {"9000 bytes after the last record", [&] { return good + QByteArray(9000, '\0'); },
       "файл длиннее, чем сказано в заголовке: после 3 записей в нем еще"},
  };
  for (const Case& c : cases) expectRefused(c.bytes(), c.what, c.expectedWords);
}

// After its last record a table holds its end mark and a little padding, no more: a file whose
// tail runs to gigabytes (a sparse one costs no room) is not opened, so that nothing reads,
// journals or copies that tail.
TEST_F(CorruptTableTest, AFileFarLongerThanItsHeaderSaysIsRefused) {
  const QByteArray good = goodTable().bytes();
  writeFile(path(), good + QByteArray(4096, '\x1a'));
  EXPECT_EQ(DbfFile(path()).recordCount(), 3u) << "a little padding after the end mark is a table's";
  writeFile(path(), good);
  QFile f(path());
  ASSERT_TRUE(f.resize(qint64(2560) << 20));
  try {
    DbfFile opened(path());
    ADD_FAILURE() << "a table with a 2.5 GB tail was opened";
  } catch (const TableError& e) {
    EXPECT_TRUE(e.text().contains(QStringLiteral("файл длиннее, чем сказано в заголовке"))) << e.text().toStdString();
  }
}

// Every message that counts something gives its noun the form Russian asks for.
TEST(CountedNoun, TakesTheFormTheNumberAsks) {
  const std::pair<long long, const char*> cases[] = {
      {0, "0 записей"},     {1, "1 запись"},      {2, "2 записи"},      {4, "4 записи"},
      {5, "5 записей"},     {11, "11 записей"},   {12, "12 записей"},   {14, "14 записей"},
      {21, "21 запись"},    {22, "22 записи"},    {25, "25 записей"},   {101, "101 запись"},
      {111, "111 записей"}, {112, "112 записей"}, {1003, "1003 записи"}};
  for (const auto& [n, text] : cases)
    EXPECT_EQ(counted(n, QStringLiteral("запись"), QStringLiteral("записи"), QStringLiteral("записей")),
              QString::fromUtf8(text));
}

TEST_F(CorruptTableTest, EveryPrefixOfAGoodFileIsReadOrRefused) {
  // Whatever length a copy was cut at, opening it either succeeds on whole records or fails cleanly.
  const QByteArray good = goodTable().bytes();
  for (int n = 0; n <= good.size(); ++n) {
    writeFile(path(), good.left(n));
    try {
      DbfFile f(path());
      for (uint32_t i = 0; i < f.recordCount(); ++i) (void)f.record(i)[0];
      EXPECT_GE(n, 32 + 64 + 1 + 3 * 15) << n;
    } catch (const TableError& e) {
      EXPECT_TRUE(e.text().contains(QStringLiteral("BAD.DBF"))) << e.text().toStdString();
    }
  }
}

TEST_F(CorruptTableTest, RecordsAreReadWhereTheyBeginAfterAZeroByteSomeWritersLeave) {
  const int hl = 32 + 64 + 1;
  QByteArray padded = goodTable().bytes();
  padded.insert(hl, '\0');
  padded[8] = char(hl + 1);
  writeFile(path(), padded);
  Table t(QStringLiteral("bad"), QStringLiteral("BAD"));
  t.setDirectory(tmp.path());
  t.open();
  EXPECT_EQ(t.fieldByName(u"NAME").asString(), QStringLiteral("Зорька"));
  t.next();
  EXPECT_EQ(t.fieldByName(u"KOD").asInteger(), 2);
}

TEST_F(CorruptTableTest, ATableLinkedToAFileOutsideItsFolderIsNotOpened) {
#ifdef Q_OS_WIN
  GTEST_SKIP() << "Windows makes symbolic links only for an administrator; QFile::link makes a shortcut, whose "
                  "bytes open as no table";
#endif
  QTemporaryDir outside;
  const QString real = QDir(outside.path()).filePath(QStringLiteral("REAL.DBF"));
  writeFile(real, goodTable().bytes());
  ASSERT_TRUE(QFile::link(real, path()));
  Table t(QStringLiteral("bad"), QStringLiteral("BAD"));
  t.setDirectory(tmp.path());
  try {
    t.open();
    ADD_FAILURE() << "opened a table outside its folder";
  } catch (const TableError& e) {
    EXPECT_TRUE(e.text().contains(QStringLiteral("вне рабочей папки"))) << e.text().toStdString();
  }
  // A link within the folder is the folder's own file.
  QFile::remove(path());
  const QString inside = QDir(tmp.path()).filePath(QStringLiteral("real.dbf"));
  ASSERT_TRUE(QFile::copy(real, inside));
  ASSERT_TRUE(QFile::link(inside, path()));
  t.open();
  EXPECT_EQ(t.fieldByName(u"NAME").asString(), QStringLiteral("Зорька"));
}

TEST_F(CorruptTableTest, MissingFileNamesTheFileAndTheFolder) {
  Table t(QStringLiteral("korova"), QStringLiteral("KOROVA"));
  t.setDirectory(tmp.path());
  try {
    t.open();
    FAIL() << "opened a missing table";
  } catch (const TableError& e) {
    EXPECT_TRUE(e.text().contains(QStringLiteral("KOROVA.DBF"))) << e.text().toStdString();
    EXPECT_TRUE(e.text().contains(QDir::toNativeSeparators(tmp.path()))) << e.text().toStdString();
  }
  EXPECT_THROW(DbfFile(QDir(tmp.path()).filePath(QStringLiteral("NONE.DBF"))), TableError);
}

TEST_F(CorruptTableTest, FoundCaseInsensitivelyAndPoroDaByFullName) {
  RawDbf breeds;
  breeds.fields = {{"KODPOROD", 'N', 6}, {"PORODA", 'C', 20}, {"OT", 'C', 1}};
  for (const char* name : {"Голштинская", "Черно-пестрая", "Айрширская"})
    breeds.records.push_back(record(breeds.fields, {"1", name, ""}));
  writeFile(QDir(tmp.path()).filePath(QStringLiteral("poroda.dbf")), breeds.bytes());
  Table t(QStringLiteral("poroda"), QStringLiteral("PORODA.DBF"));
  t.setDirectory(tmp.path());
  t.open();
  EXPECT_EQ(t.tableName(), QStringLiteral("PORODA"));
  EXPECT_EQ(walk(t).size(), 3u);
}

#ifdef Q_OS_LINUX
namespace {
// Makes a file unwritable even for root (the immutable attribute), or by its mode otherwise.
class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(const QString& path) : path_(path) {
    if (geteuid() != 0) {
      ok_ = QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
      return;
    }
    ok_ = setImmutable(true);
    immutable_ = ok_;
  }
  ~ReadOnlyFile() {
    if (immutable_) setImmutable(false);
    QFile::setPermissions(path_, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  }
  bool ok() const { return ok_; }

 private:
  bool setImmutable(bool on) {
    const int fd = ::open(path_.toLocal8Bit().constData(), O_RDONLY);
    if (fd < 0) return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
      flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
      done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
  }
  QString path_;
  bool ok_ = false;
  bool immutable_ = false;
};
}  // namespace

TEST_F(CorruptTableTest, ReadOnlyFileOpensAndRefusesWrites) {
  writeFile(path(), goodTable().bytes());
  const QByteArray before = readFile(path());
  ReadOnlyFile guard(path());
  if (!guard.ok()) GTEST_SKIP() << "cannot make a file read-only here";
  Table t(QStringLiteral("bad"), QStringLiteral("BAD"));
  t.setDirectory(tmp.path());
  t.open();
  EXPECT_FALSE(t.file().writable());
  EXPECT_EQ(walk(t), (std::vector<int>{1, 2, 3}));
  t.first();
  EXPECT_EQ(t.fieldByName(u"name").asString(), QStringLiteral("Зорька"));
  for (const auto& attempt : std::vector<std::function<void()>>{[&] { t.edit(); }, [&] { t.append(); },
                                                               [&] { t.deleteRecord(); }}) {
    try {
      attempt();
      ADD_FAILURE() << "a write to a read-only table was accepted";
    } catch (const TableError& e) {
      EXPECT_TRUE(e.text().contains(QStringLiteral("только для чтения"))) << e.text().toStdString();
      EXPECT_TRUE(e.text().contains(QStringLiteral("BAD"))) << e.text().toStdString();
    }
    EXPECT_EQ(t.state(), TableState::Browse);
  }
  EXPECT_EQ(readFile(path()), before);
}
#endif

namespace {

// Opens the herd table of `layout` written with `fields`; the error's text, empty when it opened.
QString openError(const QString& dir, const TableLayout& layout, const std::vector<FieldDef>& fields) {
  const QString path = QDir(dir).filePath(layout.fileName);
  QFile::remove(path);
  DbfFile::create(path, fields);
  const bool fullName = layout.fileName == QLatin1String("PORODA.DBF");
  Table t(QStringLiteral("t"), fullName ? layout.fileName : layout.fileName.chopped(4));
  t.setDirectory(dir);
  checkLayoutAtOpening(t);
  try {
    t.open();
  } catch (const TableError& e) {
    return e.text();
  }
  return {};
}

}  // namespace

// Every herd table is checked against its layout when it opens: each field missing, and each
// field of another kind, fails with a message naming the table and the field; other widths and
// fields the layout does not know are fine.
TEST(LayoutCheck, AHerdTableLackingAFieldOrHoldingOneOfAnotherTypeDoesNotOpen) {
  QTemporaryDir dir;
  for (const TableLayout& layout : allLayouts()) {
    const QString table = layout.fileName.chopped(4);
    SCOPED_TRACE(table.toStdString());
    EXPECT_EQ(openError(dir.path(), layout, layout.fields), QString());
    std::vector<FieldDef> other = layout.fields;
    for (FieldDef& f : other) {
      if (f.type == 'C') f.width = f.width > 5 ? f.width - 3 : f.width + 3;
      if (f.type == 'N') f.width = f.width < 18 ? f.width + 2 : f.width - 2;
    }
    other.insert(other.begin(), C("LISHNEE", 5));
    EXPECT_EQ(openError(dir.path(), layout, other), QString()) << "other widths and an extra field";

    for (size_t i = 0; i < layout.fields.size(); ++i) {
      const QString field = layout.fields[i].name;
      std::vector<FieldDef> lacking = layout.fields;
      lacking.erase(lacking.begin() + qsizetype(i));
      const QString missing = openError(dir.path(), layout, lacking);
      EXPECT_TRUE(missing.contains(QStringLiteral("Таблица %1: в файле нет поля %2,").arg(table, field)))
          << missing.toStdString();
      std::vector<FieldDef> retyped = layout.fields;
      FieldDef& f = retyped[i];
      f = f.type == 'C' ? N(field.toLatin1().constData(), std::min(f.width, 20)) : C(field.toLatin1().constData(), 8);
      const QString wrong = openError(dir.path(), layout, retyped);
      EXPECT_TRUE(wrong.startsWith(QStringLiteral("Таблица %1: поле %2 должно быть").arg(table, field)) &&
                  wrong.endsWith(QStringLiteral("таблица не открыта.")))
          << wrong.toStdString();
    }
  }
  // The region table of another program: a shorter name field opens, a missing mark does not.
  const TableLayout region = regionLayout();
  EXPECT_EQ(openError(dir.path(), region, {N("KODREG", 6), C("REGION", 10), C("VIBOR", 1)}), QString());
  EXPECT_EQ(openError(dir.path(), region, {N("KODREG", 6), C("REGION", 10)}),
            QStringLiteral("Таблица REGION: в файле нет поля VIBOR, таблица не открыта."));
  // The data module's tables check their layouts at opening: XARAKT opens with it.
  const TableLayout traits = xaraktLayout();
  DbfFile::create(QDir(dir.path()).filePath(traits.fileName), {traits.fields.begin() + 1, traits.fields.end()});
  EXPECT_EQ(korvel::HerdTables(dir.path()).openError(),
            QStringLiteral("Таблица XARAKT: в файле нет поля %1, таблица не открыта.").arg(traits.fields.front().name));
}
