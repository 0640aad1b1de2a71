// The drive letters, and backup and restore over temporary folders standing for the media.
#include "drive_fixture.h"
#include "messages.h"
#include "work_folder.h"

#include "db/table.h"
#include "safety/backup_restore.h"
#include "safety/drive_letters.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace korvel {
namespace {

using test::addRegion;
using test::bytesOf;
using test::snapshot;
using test::temporaries;
using test::TestDrive;
using test::WorkFolder;
using test::writeFile;
using test::kNotRestored;

const QStringList kTables = {"BIK.DBF", "KOROVA.DBF", "PORODA.DBF", "REGION.DBF", "VLAD.DBF", "XARAKT.DBF"};

TEST(DriveLetters, TheFieldGivesOneUpperCaseLatinLetter) {
  EXPECT_EQ(safety::driveLetterOf("e"), QChar('E'));
  EXPECT_EQ(safety::driveLetterOf(" f "), QChar('F'));
  EXPECT_EQ(safety::driveLetterOf("A"), QChar('A'));
  EXPECT_EQ(safety::driveLetterOf("z"), QChar('Z'));
  for (const QString& refused : {QString(), QStringLiteral("   "), QStringLiteral("е"), QStringLiteral("Е"),
                                 QStringLiteral("ё"), QStringLiteral("1"), QStringLiteral("_"), QStringLiteral("é")})
    EXPECT_FALSE(safety::driveLetterOf(refused).has_value()) << refused.toStdString();
}

#ifndef Q_OS_WIN
TEST(DriveLetters, ALetterIsItsVariablesFolderOrMnt) {
  qputenv("KORVEL_DRIVE_K", "/media/ivanov/FLASH/");
  EXPECT_EQ(safety::driveRoot('K'), "/media/ivanov/FLASH");
  qunsetenv("KORVEL_DRIVE_K");
  EXPECT_EQ(safety::driveRoot('K'), "/mnt/k");

  {
    TestDrive q('Q');
    EXPECT_TRUE(safety::driveReady('Q'));
    writeFile(q.path("file"), "x");
    qputenv("KORVEL_DRIVE_R", QFile::encodeName(q.path("file")));
    EXPECT_FALSE(safety::driveReady('R')) << "a file is no medium";
    qputenv("KORVEL_DRIVE_R", QFile::encodeName(q.path("absent")));
    EXPECT_FALSE(safety::driveReady('R'));
    qunsetenv("KORVEL_DRIVE_R");
  }
  EXPECT_FALSE(safety::driveReady('Q')) << "its folder is gone";
}
#endif

#ifdef Q_OS_WIN
// On Windows a letter is a drive: the system's drive is ready, a letter no drive answers to is
// not; a letter given to a folder (as SUBST gives one) takes a backup, and once the letter is
// taken away again it is not ready, as a flash drive pulled out.
TEST(DriveLetters, OnWindowsALetterIsADrive) {
  wchar_t system[MAX_PATH] = {};
  ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
  EXPECT_TRUE(safety::driveReady(QChar(system[0])));
  EXPECT_EQ(safety::driveRoot(QChar(system[0])), QString(QChar(system[0])) + ":/");
  char16_t unused = u'Z';
  while (unused > u'D' && (GetLogicalDrives() & (1u << (unused - u'A')))) --unused;
  const QChar letter(unused);
  ASSERT_FALSE(GetLogicalDrives() & (1u << (unused - u'A'))) << "every letter is taken";
  EXPECT_FALSE(safety::driveReady(letter));

  QTemporaryDir medium;
  const std::wstring device{wchar_t(unused), L':'};
  ASSERT_TRUE(DefineDosDeviceW(0, device.c_str(), QDir::toNativeSeparators(medium.path()).toStdWString().c_str()));
  struct Taken {
    std::wstring device;
    ~Taken() { DefineDosDeviceW(DDD_REMOVE_DEFINITION, device.c_str(), nullptr); }
  } takenAtEnd{device};
  // Wine keeps its drives in its own folder, where DefineDosDevice puts none.
  if (!safety::driveReady(letter)) GTEST_SKIP() << "this system gives no drive letter to a folder";
  WorkFolder work;
  const safety::CopyOutcome out = safety::backupToDrive(work.path(), letter);
  EXPECT_EQ(out.messages, QStringList{"Резервная копия создана!"});
  for (const QString& name : kTables)
    EXPECT_EQ(bytesOf(medium.filePath("arhivbik/" + name)), bytesOf(work.file(name))) << name.toStdString();
  ASSERT_TRUE(DefineDosDeviceW(DDD_REMOVE_DEFINITION, device.c_str(), nullptr));
  EXPECT_FALSE(safety::driveReady(letter));
}
#endif

// Media the desktop mounts get letters of their own from D, in mount order, past the letters
// that a KORVEL_DRIVE_<L> variable or a /mnt/<l> folder already takes.
TEST(DriveLetters, MountedRemovableMediaGetLettersFromDInMountOrder) {
  const QByteArray table =
      "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
      "97 22 8:17 / /media/anna/KINGSTON rw,nosuid,nodev shared:50 - vfat /dev/sdb1 rw\n"
      "98 22 0:45 / /home/anna/media/x rw - tmpfs tmpfs rw\n"
      "99 22 8:33 / /run/media/anna/\xD0\x9C\xD0\x9E\xD0\x99\\040\xD0\x94\xD0\x98\xD0\xA1\xD0\x9A rw - exfat /dev/sdc1 rw\n"
      "100 22 8:49 / /media/anna rw - tmpfs tmpfs rw\n"
      "101 22 8:65 / /media/boris/SD rw - vfat /dev/sdd1 rw\n"
      "102 22 8:65 / /media/boris/SD rw - vfat /dev/sdd1 rw\n";
  using M = safety::RemovableMedium;
  const std::vector<M> none = safety::removableMediaIn(table, [](QChar) { return false; });
  EXPECT_EQ(none, (std::vector<M>{{'D', "KINGSTON", "/media/anna/KINGSTON"},
                                  {'E', QStringLiteral("МОЙ ДИСК"), QStringLiteral("/run/media/anna/МОЙ ДИСК")},
                                  {'F', "SD", "/media/boris/SD"}}));
  const std::vector<M> someTaken = safety::removableMediaIn(table, [](QChar l) { return l == 'D' || l == 'F'; });
  EXPECT_EQ(someTaken, (std::vector<M>{{'E', "KINGSTON", "/media/anna/KINGSTON"},
                                       {'G', QStringLiteral("МОЙ ДИСК"), QStringLiteral("/run/media/anna/МОЙ ДИСК")},
                                       {'H', "SD", "/media/boris/SD"}}));
  EXPECT_TRUE(safety::removableMediaIn(table, [](QChar l) { return l != 'Z'; }).size() == 1);
  EXPECT_EQ(QDir::fromNativeSeparators(safety::mediaListText(none)),
            QStringLiteral("D: — KINGSTON (/media/anna/KINGSTON)\nE: — МОЙ ДИСК (/run/media/anna/МОЙ ДИСК)\n"
                           "F: — SD (/media/boris/SD)"));

#ifndef Q_OS_WIN
  // The letters answer in the program: a variable still wins, other letters stay /mnt/<l>.
  QTemporaryDir dir;
  const QString mountinfo = dir.filePath(QStringLiteral("mountinfo"));
  writeFile(mountinfo, table);
  qputenv("KORVEL_MOUNTINFO", QFile::encodeName(mountinfo));
  ASSERT_FALSE(QFileInfo::exists(QStringLiteral("/mnt/d"))) << "this machine's /mnt/d would take D";
  EXPECT_EQ(safety::driveRoot('D'), "/media/anna/KINGSTON");
  EXPECT_EQ(safety::driveRoot('Q'), "/mnt/q");
  qputenv("KORVEL_DRIVE_D", "/srv/backup");
  EXPECT_EQ(safety::driveRoot('D'), "/srv/backup");
  EXPECT_EQ(safety::removableMedia().front().letter, QChar('E'));
  qunsetenv("KORVEL_DRIVE_D");
  qunsetenv("KORVEL_MOUNTINFO");
#endif
}

TEST(Backup, CopiesTheTableFilesAndASecondBackupReplacesTheFirst) {
  WorkFolder work;
  TestDrive e('E');
  writeFile(work.file("notes.txt"), "notes");
  writeFile(work.file("korvel.lock"), "123");
  writeFile(work.file("OLD.DBF.BAK"), "old table");
  writeFile(work.file("extra.dbf"), "lower case");
  writeFile(work.file(".hidden.dbf"), "hidden");

  safety::CopyOutcome first = safety::backupToDrive(work.path(), 'E');
  EXPECT_TRUE(first.ok);
  EXPECT_EQ(first.messages, QStringList{"Резервная копия создана!"});
  const QString backup = e.path("arhivbik");
  QStringList expected = kTables;
  expected << "extra.dbf" << "OLD.DBF.BAK";
  for (const QString& name : expected) EXPECT_EQ(bytesOf(backup + "/" + name), bytesOf(work.file(name))) << name.toStdString();
  expected << "korvel-backup.txt";  // the manifest
  expected.sort(Qt::CaseInsensitive);
  EXPECT_EQ(QDir(backup).entryList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase), expected);

  // The herd changes; the next backup replaces the copies file by file and keeps other files.
  writeFile(backup + "/other.txt", "kept");
  const QByteArray oldRegion = bytesOf(backup + "/REGION.DBF");
  addRegion(work.path(), 1, QStringLiteral("Северный"));
  ASSERT_NE(bytesOf(work.file("REGION.DBF")), oldRegion);
  safety::CopyOutcome second = safety::backupToDrive(work.path(), 'E');
  EXPECT_EQ(second.messages, QStringList{"Резервная копия создана!"});
  EXPECT_EQ(bytesOf(backup + "/REGION.DBF"), bytesOf(work.file("REGION.DBF")));
  EXPECT_EQ(bytesOf(backup + "/other.txt"), "kept");
  EXPECT_TRUE(temporaries(backup).isEmpty());
  EXPECT_TRUE(temporaries(work.path()).isEmpty());
}

TEST(Backup, AFolderAndCopiesStoredInAnotherCaseAreTheOnesReplaced) {
  WorkFolder work;
  TestDrive e('E');
  ASSERT_TRUE(QDir(e.root()).mkdir("ARHIVBIK"));
  writeFile(e.path("ARHIVBIK/region.dbf"), "stale");

  EXPECT_EQ(safety::backupToDrive(work.path(), 'E').messages, QStringList{"Резервная копия создана!"});
  EXPECT_EQ(QDir(e.root()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"ARHIVBIK"});
  const QStringList stored = QDir(e.path("ARHIVBIK")).entryList(QDir::Files);
  EXPECT_TRUE(stored.contains("region.dbf"));
  EXPECT_FALSE(stored.contains("REGION.DBF"));
  EXPECT_EQ(bytesOf(e.path("ARHIVBIK/region.dbf")), bytesOf(work.file("REGION.DBF")));
}

TEST(Backup, FailuresAreReportedAndNothingIsPutInPlace) {
  TestDrive e('E');
  {  // nothing to copy: no copy at all
    WorkFolder empty(false);
    writeFile(empty.file("notes.txt"), "notes");
    const safety::CopyOutcome out = safety::backupToDrive(empty.path(), 'E');
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.messages, QStringList{"Резервная копия НЕ создана!!"});
    EXPECT_TRUE(QDir(e.path("arhivbik")).isEmpty());
  }
  WorkFolder work;
  {  // a folder in the place of one copy: no copy is put in place, so no half set is left
    ASSERT_TRUE(QDir(e.path("arhivbik")).mkdir("KOROVA.DBF"));
    const safety::CopyOutcome out = safety::backupToDrive(work.path(), 'E');
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.messages, (QStringList{"Копия KOROVA.DBF не создана",
                                         "Причина: на месте файла находится папка с тем же именем.",
                                         "Резервная копия НЕ создана!!"}));
    EXPECT_EQ(QDir(e.path("arhivbik")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"KOROVA.DBF"});
    WorkFolder other;
    EXPECT_EQ(safety::restoreFromDrive(other.path(), 'E').messages, QStringList{kNotRestored});
  }
  {  // the backup folder cannot be made
    TestDrive g('G');
    writeFile(g.path("arhivbik"), "a file, not a folder");
    const safety::CopyOutcome out = safety::backupToDrive(work.path(), 'G');
    EXPECT_EQ(out.messages, (QStringList{"Папка резервной копии не создается...", "Резервная копия НЕ создана!!"}));
    EXPECT_EQ(bytesOf(g.path("arhivbik")), "a file, not a folder");
  }
}

TEST(Restore, TheBikTableFileIsFoundWhateverTheCase) {
  TestDrive f('F');
  EXPECT_FALSE(safety::backupPresent('F'));
  ASSERT_TRUE(QDir(f.root()).mkdir("ArhivBik"));
  writeFile(f.path("ArhivBik/REGION.DBF"), "r");
  EXPECT_FALSE(safety::backupPresent('F'));
  writeFile(f.path("ArhivBik/Bik.Dbf"), "b");
  EXPECT_TRUE(safety::backupPresent('F'));
  QFile::remove(f.path("ArhivBik/Bik.Dbf"));
  ASSERT_TRUE(QDir(f.path("ArhivBik")).mkdir("BIK.DBF"));
  EXPECT_FALSE(safety::backupPresent('F')) << "a folder is not the table's file";
}

TEST(Restore, TheBackupsFilesReplaceTheirWorkingFiles) {
  WorkFolder saved;
  addRegion(saved.path(), 7, QStringLiteral("Архивный"));
  TestDrive f('F');
  ASSERT_TRUE(safety::backupToDrive(saved.path(), 'F').ok);
  writeFile(f.path("arhivbik/notes.txt"), "notes");
  writeFile(f.path("arhivbik/.hidden"), "hidden");
  writeFile(f.path("arhivbik/.korvel-abc123.korvel-tmp"), "left over");
  writeFile(f.path("arhivbik/korvel.lock"), "theirs");
  writeFile(f.path("arhivbik/korvel-swap.rec"), "a record of another folder");

  WorkFolder work;
  // This working folder stores its bulls' table in lower case: that file is the one replaced.
  ASSERT_TRUE(QFile::rename(work.file("BIK.DBF"), work.file("bik.dbf")));
  writeFile(work.file("korvel.lock"), "mine");
  addRegion(work.path(), 1, QStringLiteral("Текущий"));

  const safety::CopyOutcome out = safety::restoreFromDrive(work.path(), 'F');
  EXPECT_TRUE(out.ok);
  EXPECT_EQ(out.messages, QStringList{"Данные восстановлены!"});
  for (const QString name : {"REGION.DBF", "KOROVA.DBF", "XARAKT.DBF", "VLAD.DBF", "PORODA.DBF"})
    EXPECT_EQ(bytesOf(work.file(name)), bytesOf(saved.file(name))) << name.toStdString();
  EXPECT_EQ(bytesOf(work.file("bik.dbf")), bytesOf(saved.file("BIK.DBF")));
#ifdef Q_OS_WIN
  // Names that differ in case only are one name on Windows.
  EXPECT_EQ(QDir(work.path()).entryList({"bik.dbf"}, QDir::Files).size(), 1);
#else
  EXPECT_FALSE(QFile::exists(work.file("BIK.DBF")));
#endif
  EXPECT_FALSE(QFile::exists(work.file("notes.txt"))) << "the manifest does not list it";
  EXPECT_FALSE(QFile::exists(work.file(".hidden")));
  EXPECT_EQ(bytesOf(work.file("korvel.lock")), "mine");
  EXPECT_FALSE(QFile::exists(work.file("korvel-swap.rec")));
  EXPECT_FALSE(QFile::exists(work.file("korvel-backup.txt")));
  EXPECT_TRUE(temporaries(work.path()).filter("korvel-abc123").isEmpty());
  EXPECT_TRUE(temporaries(work.path()).isEmpty());
}

TEST(Restore, AFailedCopyLeavesTheWorkingFolderAsItWas) {
  WorkFolder saved;
  addRegion(saved.path(), 7, QStringLiteral("Архивный"));
  writeFile(saved.file("KOROVA.DBF.BAK"), "an older cows' table");
  TestDrive f('F');
  ASSERT_TRUE(safety::backupToDrive(saved.path(), 'F').ok);

  // A folder of the working folder stands where a copy goes: the file cannot replace it.
  WorkFolder work;
  ASSERT_TRUE(QDir(work.path()).mkdir("KOROVA.DBF.BAK"));
  addRegion(work.path(), 1, QStringLiteral("Текущий"));
  const auto before = snapshot(work.path());
  const safety::CopyOutcome out = safety::restoreFromDrive(work.path(), 'F');
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.messages, (QStringList{"KOROVA.DBF.BAK не скопирован",
                                       "Причина: на месте файла находится папка с тем же именем. Рабочая папка "
                                       "осталась без изменений.",
                                       kNotRestored}));
  EXPECT_TRUE(snapshot(work.path()) == before) << "the working folder changed";

  // An empty backup folder, or none at all, restores nothing.
  for (const QString& name : QDir(f.path("arhivbik")).entryList(QDir::Files)) QFile::remove(f.path("arhivbik/" + name));
  EXPECT_EQ(safety::restoreFromDrive(work.path(), 'F').messages, QStringList{kNotRestored});
  ASSERT_TRUE(QDir(f.path("arhivbik")).removeRecursively());
  EXPECT_EQ(safety::restoreFromDrive(work.path(), 'F').messages, QStringList{kNotRestored});
  EXPECT_TRUE(snapshot(work.path()) == before);
}

}  // namespace
}  // namespace korvel
