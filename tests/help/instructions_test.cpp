// The instructions viewer and the reading of instruction files.
#include "db/text.h"
#include "help/instruction_text.h"
#include "help/instructions_window.h"

#include "help_test_support.h"
#include "named.h"
#include "ui/session.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QListWidget>

namespace korvel {
namespace {

using test::named;

const QStringList kFixtureLines = {
    QStringLiteral("ИНСТРУКЦИЯ"),           QStringLiteral("Строка с CR"),
    QStringLiteral("Строка с LF"),          QString(),
    QStringLiteral("Ёлка, №5 - ЯЩИК щука"), QString(),
    QStringLiteral("  отступ\tтаб"),        QString(),
    QStringLiteral("Последняя без конца строки")};

QByteArray fixtureBytes() {
  QFile f(QStringLiteral(KORVEL_FIXTURES "/instruction_mixed_endings.txt"));
  EXPECT_TRUE(f.open(QIODevice::ReadOnly));
  return f.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

QStringList items(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

TEST(InstructionText, MixedLineEndsGiveOneLinePerTextLine) {
  const QByteArray bytes = fixtureBytes();
  // The fixture must really hold every kind of line end (guards against a checkout that
  // rewrote them).
  ASSERT_TRUE(bytes.contains("\r\n"));
  ASSERT_TRUE(bytes.contains(QByteArray("R\x0D\xD1", 3)));  // a lone CR between letters
  ASSERT_TRUE(bytes.contains("\n\r"));
  EXPECT_EQ(instructionLines(bytes), kFixtureLines);

  EXPECT_TRUE(instructionLines(QByteArray()).isEmpty());
  EXPECT_EQ(instructionLines("\r\n"), QStringList{QString()});
  EXPECT_EQ(instructionLines("a\r"), QStringList{QStringLiteral("a")});
  EXPECT_EQ(instructionLines("a\n\nb\r\n"), (QStringList{QStringLiteral("a"), QString(), QStringLiteral("b")}));
}

// Notepad saves UTF-8, with or without the mark: such a file reads as UTF-8; the program's own
// Windows-1251 files, plain ASCII and bytes that are no valid UTF-8 read as Windows-1251.
TEST(InstructionText, Utf8FilesAreReadAsUtf8AndEverythingElseAsWindows1251) {
  const QString russian = QStringLiteral("Ёлка, №5 — щука");
  const QByteArray utf8 = russian.toUtf8();
  const QByteArray cp1251 = db::encode(russian);
  const std::pair<QByteArray, QStringList> cases[] = {
      {"\xEF\xBB\xBF" + utf8 + "\r\nASCII", {russian, QStringLiteral("ASCII")}},
      {"\xEF\xBB\xBF", {}},
      {utf8 + "\n" + utf8, {russian, russian}},
      {cp1251 + "\r\n" + cp1251, {russian, russian}},
      {"plain ASCII\r\n", {QStringLiteral("plain ASCII")}},
      // D0 A1 happens to be valid UTF-8 ("С"), the lone D0 after it is not: Windows-1251.
      {"\xD0\xA1\xD0", {QStringLiteral("РЎР")}},
  };
  for (const auto& [bytes, lines] : cases)
    EXPECT_EQ(instructionLines(bytes), lines) << bytes.toHex().toStdString();
}

TEST(InstructionText, SelectorsNameTheEightFiles) {
  const QStringList expected = {"rezerv.txt", "poroda.txt", "region.txt", "vlad.txt",
                                "bik.txt",    "korova.txt", "otcet.txt",  "ocenki.txt"};
  for (int s = 1; s <= 8; ++s) EXPECT_EQ(instructionFileName(s), expected[s - 1]);
  EXPECT_TRUE(instructionFileName(0).isEmpty());
  EXPECT_TRUE(instructionFileName(9).isEmpty());
  EXPECT_EQ(instructionFilePath(5), QDir::toNativeSeparators(QStringLiteral("./bik.txt")));
}

class ViewerTest : public ::testing::Test {
 protected:
  void TearDown() override { instructionSelector = 1; }
  test::RecordingPrompts prompts;
  test::WorkingFolder folder;
};

TEST_F(ViewerTest, ShowsTheSelectedFileLineByLineAndOnlyThatFile) {
  writeFile(folder.path(QStringLiteral("bik.txt")), fixtureBytes());
  writeFile(folder.path(QStringLiteral("region.txt")), "\xD0\xE5\xE3\xE8\xEE\xED\xFB\r\n\xE2\xF2\xEE\xF0\xE0\xFF\r\n");

  InstructionsWindow viewer;
  instructionSelector = 5;
  viewer.show();
  EXPECT_EQ(viewer.windowTitle(), QStringLiteral("Инструкции"));
  EXPECT_EQ(viewer.pos(), QPoint(0, 0));
  EXPECT_EQ(viewer.size(), QSize(1024, 736));
  EXPECT_EQ(items(named<QListWidget>(viewer, "ListBox1")), kFixtureLines);
  // Columns line up: narrow and wide letters, Latin and Cyrillic, take the same width. (Every
  // Windows has Courier New; Wine has no fixed-pitch font under that name or as the system's.)
#ifdef _WIN32
  const bool fixedFontHere = QFontDatabase::hasFamily(QStringLiteral("Courier New"));
#else
  const bool fixedFontHere = true;
#endif
  const QFontMetrics metrics(named<QListWidget>(viewer, "ListBox1")->font());
  for (const QString& ch : {QStringLiteral("W"), QStringLiteral("Ш"), QStringLiteral("."), QStringLiteral("ы")})
    if (fixedFontHere)
      EXPECT_EQ(metrics.horizontalAdvance(ch), metrics.horizontalAdvance(QStringLiteral("i"))) << ch.toStdString();
  EXPECT_EQ(named<QListWidget>(viewer, "ListBox1")->font().pixelSize(), 15);
  viewer.hide();

  // Moved or resized in between: the next opening puts it back and shows only the new file.
  viewer.move(100, 50);
  instructionSelector = 3;
  viewer.show();
  EXPECT_EQ(viewer.pos(), QPoint(0, 0));
  EXPECT_EQ(items(named<QListWidget>(viewer, "ListBox1")), (QStringList{QStringLiteral("Регионы"), QStringLiteral("вторая")}));
  EXPECT_EQ(viewer.windowTitle(), QStringLiteral("Инструкции"));
  EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(ViewerTest, EmptyFileGivesEmptyListWithoutMessage) {
  writeFile(folder.path(QStringLiteral("korova.txt")), QByteArray());
  InstructionsWindow viewer;
  instructionSelector = 6;
  viewer.show();
  EXPECT_EQ(named<QListWidget>(viewer, "ListBox1")->count(), 0);
  EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(ViewerTest, MissingOrUnreadableFileIsReportedAndTheListStaysEmpty) {
  writeFile(folder.path(QStringLiteral("bik.txt")), fixtureBytes());
  InstructionsWindow viewer;
  instructionSelector = 5;
  viewer.show();
  ASSERT_GT(named<QListWidget>(viewer, "ListBox1")->count(), 0);
  viewer.hide();

  instructionSelector = 7;  // no otcet.txt in the folder
  viewer.show();
  EXPECT_EQ(named<QListWidget>(viewer, "ListBox1")->count(), 0);
  EXPECT_TRUE(viewer.isVisible());
  ASSERT_EQ(prompts.messages.size(), 1);
  EXPECT_EQ(prompts.messages[0], QStringLiteral("Cannot open file ") +
                                     QDir::toNativeSeparators(QStringLiteral("./otcet.txt")));
  viewer.hide();

  // A folder where the file should be cannot be read either.
  ASSERT_TRUE(QDir(folder.path(QString())).mkdir(QStringLiteral("vlad.txt")));
  instructionSelector = 4;
  viewer.show();
  EXPECT_EQ(named<QListWidget>(viewer, "ListBox1")->count(), 0);
  ASSERT_EQ(prompts.messages.size(), 2);
  EXPECT_TRUE(prompts.messages[1].endsWith(QStringLiteral("vlad.txt")));
}

}  // namespace
}  // namespace korvel
