// The profile workbook's spreadsheet, its sheet names and its saving: workbooks written to a temporary folder and read back
// with libzip and QXmlStreamReader.
#include "qt_print.h"
#include "spreadsheet_readback.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>

#include <csignal>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

using namespace korvel::xlsx;
using namespace korvel::test;

namespace {

// ------------------------------------------------------------ sheet names

// Names are kept unique through renames and additions in a workbook of thousands of sheets:
// an old name is free again once its sheet is renamed, clashes ignore case.
TEST_F(SpreadsheetTest, ManySheetsKeepUniqueNamesThroughRenames) {
  Workbook book(3000);
  for (int i = 0; i < 3000; ++i) book.renameSheet(i, QStringLiteral("№%1 Бык").arg(i + 1));
  EXPECT_EQ(book.sheet(2999).name(), QStringLiteral("№3000 Бык"));
  EXPECT_EQ(book.renameSheet(5, QStringLiteral("№1 БЫК")), QStringLiteral("№1 БЫК (2)"));
  EXPECT_EQ(book.renameSheet(7, QStringLiteral("№1 бык")), QStringLiteral("№1 бык (3)"));
  EXPECT_EQ(book.renameSheet(5, QStringLiteral("№6 Бык")), QStringLiteral("№6 Бык"));  // its old name was free
  EXPECT_EQ(book.renameSheet(9, QStringLiteral("№1 БЫК")), QStringLiteral("№1 БЫК (2)"));
  EXPECT_EQ(book.addSheet(QStringLiteral("№3000 БЫК")).name(), QStringLiteral("№3000 БЫК (2)"));
  EXPECT_EQ(book.addSheet(QStringLiteral("Лист1")).name(), QStringLiteral("Лист1"));  // renamed away
  EXPECT_EQ(book.renameSheet(0, QStringLiteral("History")), QStringLiteral("History (2)"));
  const QStringList names = book.sheetNames();
  QSet<QString> folded;
  for (const QString& n : names) folded.insert(n.toCaseFolded());
  EXPECT_EQ(folded.size(), names.size());
}

TEST_F(SpreadsheetTest, SheetNamesAreMadeAcceptableAndUnique) {
  EXPECT_EQ(acceptableSheetName(QStringLiteral("№12 Бык:Зорька/1?*[2]\\"), {}),
            QStringLiteral("№12 Бык_Зорька_1___2__"));
  EXPECT_EQ(acceptableSheetName(QStringLiteral("№3 "), {}), QStringLiteral("№3 "));  // kept as given
  EXPECT_EQ(acceptableSheetName("", {}), QStringLiteral("Лист"));
  EXPECT_EQ(acceptableSheetName("'quoted'", {}), "_quoted_");
  EXPECT_EQ(acceptableSheetName(QStringLiteral("таб\tулятор"), {}), QStringLiteral("таб_улятор"));
  EXPECT_EQ(acceptableSheetName("history", {}), "history (2)");

  const QString longName = QStringLiteral("№1 ") + QString(40, QChar(u'Ж'));
  const QString cut = acceptableSheetName(longName, {});
  EXPECT_EQ(cut.size(), 31);
  EXPECT_TRUE(longName.startsWith(cut));
  // Clashes are told apart case-insensitively, Cyrillic too, and the suffix still fits.
  EXPECT_EQ(acceptableSheetName(QStringLiteral("№1 ивАНОВ"), {QStringLiteral("№1 Иванов")}),
            QStringLiteral("№1 ивАНОВ (2)"));
  const QString second = acceptableSheetName(longName, {cut});
  EXPECT_EQ(second, cut.left(27) + " (2)");
  EXPECT_EQ(acceptableSheetName(longName, {cut, second}), cut.left(27) + " (3)");
  // A character outside the basic plane is never cut in half.
  const QString emoji = QString(30, QChar(u'a')) + QStringLiteral("😀");
  EXPECT_EQ(acceptableSheetName(emoji, {}), QString(30, QChar(u'a')));

  Workbook book(3);
  EXPECT_EQ(book.sheetNames(), QStringList({"Лист1", "Лист2", "Лист3"}));
  EXPECT_EQ(book.renameSheet(0, QStringLiteral("№1 ЗОРЬКА")), QStringLiteral("№1 ЗОРЬКА"));
  EXPECT_EQ(book.renameSheet(1, QStringLiteral("№1 зорька")), QStringLiteral("№1 зорька (2)"));
  EXPECT_EQ(book.renameSheet(0, QStringLiteral("№1 зорька")), QStringLiteral("№1 зорька"))
      << "a sheet does not clash with its own old name";
  EXPECT_EQ(book.renameSheet(2, "a&b<c>\"d\""), "a&b<c>\"d\"");
  const Book read = saveAndLoad(book);
  QStringList written;
  const Node wb = read.xml("xl/workbook.xml");
  for (const Node* sh : wb.at({"sheets"}).all("sheet")) written << sh->attr("name");
  EXPECT_EQ(written, book.sheetNames());
}

// ------------------------------------------------------------ saving

TEST_F(SpreadsheetTest, FailedSavesLeaveNothingBehind) {
  Workbook book(2);
  book.sheet(0).setValue("A1", QStringLiteral("профиль"));

  // A folder that cannot exist: its parent is a file (root cannot get past that either).
  QFile blocker(path("blocker"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  const QString impossible = path("blocker/книга.xlsx");
  try {
    book.save(impossible);
    FAIL() << "saving into a file's path succeeded";
  } catch (const WriteError& e) {
    EXPECT_TRUE(e.text().contains(QDir::toNativeSeparators(impossible))) << e.what();
    EXPECT_TRUE(e.text().startsWith(QStringLiteral("Не удалось создать файл"))) << e.what();
  }
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
            QStringList({"blocker"}));

  // A target that is a folder is not replaced.
  ASSERT_TRUE(QDir(dir.path()).mkdir("папка.xlsx"));
  EXPECT_THROW(book.save(path("папка.xlsx")), WriteError);
  EXPECT_TRUE(QFileInfo(path("папка.xlsx")).isDir());

#ifdef Q_OS_UNIX
  // A full disk, played by a file size limit: the old file stays whole and no temporary
  // file is left beside it.
  const QString target = path("профиль.xlsx");
  book.save(target);
  const QByteArray before = [&] { QFile f(target); f.open(QIODevice::ReadOnly); return f.readAll(); }();
  Workbook big(40);
  for (int i = 0; i < 40; ++i)
    for (int r = 1; r <= 40; ++r)
      big.sheet(i).setValue(Range(r, 1, r, 9), QStringLiteral("текст %1 %2").arg(i).arg(r));
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 2048;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  bool threw = false;
  try {
    big.save(target);
  } catch (const WriteError& e) {
    threw = true;
    EXPECT_TRUE(e.text().contains(QDir::toNativeSeparators(target))) << e.what();
  }
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_TRUE(threw);
  QFile f(target);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), before);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"blocker", "профиль.xlsx"}));
  EXPECT_EQ(load(target).cells(1).at("A1").text, "профиль");
#endif
}

// ------------------------------------------------------------ the real application

TEST_F(SpreadsheetTest, ConvertsToPdfWhereTheApplicationIsInstalled) {
  const QString soffice = QStandardPaths::findExecutable("soffice");
  if (soffice.isEmpty()) GTEST_SKIP() << "soffice is not on PATH";
  Workbook book(2);
  Sheet& s = book.sheet(0);
  s.setValue("A1:I1", QStringLiteral("Линейный профиль быка-производителя."));
  s.merge("A1:I1");
  s.setBorders("A2:I5", AllLines, BorderStyle::Thin);
  Shape& bar = s.addRectangle(s.geometry("E5:E5"));
  bar.fillTransparency = 0.7;
  book.renameSheet(1, QStringLiteral("№2 "));
  book.save(path("profile.xlsx"));

  QProcess p;
  p.setWorkingDirectory(dir.path());
  p.start(soffice, {"--headless", "-env:UserInstallation=file://" + dir.filePath("lo-profile"),
                    "--convert-to", "pdf", "--outdir", dir.path(), path("profile.xlsx")});
  ASSERT_TRUE(p.waitForFinished(180000)) << "soffice did not finish";
  EXPECT_TRUE(QFileInfo(path("profile.pdf")).size() > 0) << p.readAllStandardError().toStdString();
}

}  // namespace
