// What a restore takes from a medium and what a backup writes on it: only copies that open as
// the herd's tables and that the manifest vouches for, nothing through a symbolic link, and
// nothing replaced before the person agreed.
#include "drive_fixture.h"
#include "herd_writer.h"
#include "messages.h"
#include "work_folder.h"

#include "db/dbf_file.h"
#include "safety/backup_manifest.h"
#include "safety/backup_restore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>

namespace korvel {
namespace {

using test::bytesOf;
using test::copyFiles;
using test::sixTables;
using test::snapshot;
using test::TestDrive;
using test::WorkFolder;
using test::writeFile;
using test::kNotRestored;

const QString kUnchanged = QStringLiteral(" Рабочая папка осталась без изменений.");

// A herd of its own: a region, three cows and two bulls.
struct Herd {
  explicit Herd(const QString& region) {
    test::appendRow(folder.path(), "REGION", {{"kodreg", 1}, {"region", region}});
    for (const char* name : {"Майка", "Зорька", "Ночка"})
      test::appendRow(folder.path(), "KOROVA", {{"kodreg", 1}, {"kodvlad", 1}, {"nokli", QString::fromUtf8(name)}});
    for (const char* name : {"Буян", "Гром"})
      test::appendRow(folder.path(), "BIK", {{"kodreg", 1}, {"kodvlad", 1}, {"nokli", QString::fromUtf8(name)}});
  }
  QString path() const { return folder.path(); }
  QString file(const QString& name) const { return folder.file(name); }
  WorkFolder folder;
};

QString linkMessage(const QString& name) {
  return QStringLiteral("Файл %1 в резервной копии — символическая ссылка на другой файл, а не копия.").arg(name) +
         kUnchanged;
}

QString notATable(const QString& name, const QString& table, const QString& reason) {
  return QStringLiteral("Файл %1 резервной копии не является исправной таблицей %2: %3").arg(name, table, reason) +
         kUnchanged;
}

TEST(RestoreTrust, RefusesAnythingButTheHerdsOwnTablesAndChangesNothing) {
  Herd saved(QStringLiteral("Архивный"));
  Herd other(QStringLiteral("Другой"));
  TestDrive f('F');
  ASSERT_TRUE(safety::backupToDrive(saved.path(), 'F').ok);
  const QString backup = f.path("arhivbik");
  QTemporaryDir pristine;
  copyFiles(backup, pristine.path());
  auto replace = [&](const QString& name, const QByteArray& bytes) { writeFile(backup + "/" + name, bytes); };
  auto link = [&](const QString& name, const QString& target) {
    QFile::remove(backup + "/" + name);
    ASSERT_TRUE(QFile::link(target, backup + "/" + name));
  };
  const QByteArray korova = bytesOf(saved.file("KOROVA.DBF"));
  const int headerLength = uchar(korova[8]) | uchar(korova[9]) << 8, recordLength = uchar(korova[10]) | uchar(korova[11]) << 8;

  struct Case {
    const char* what;
    bool manifest;  // the backup keeps its manifest
    std::function<void()> spoil;
    QString message;
  };
  const std::vector<Case> cases = {
      {"a text file as the bulls' table", false, [&] { replace("BIK.DBF", QByteArray(200, 'x')); },
       notATable("BIK.DBF", "BIK", "это не таблица DBF (первый байт 0x78).")},
      {"the cows' table cut in half, its header still counting three", false,
       [&] { replace("KOROVA.DBF", korova.left(headerLength + recordLength * 3 / 2)); },
       notATable("KOROVA.DBF", "KOROVA", "в заголовке 3 записи, а файл обрывается раньше (таблица усечена).")},
      {"a breeds' table in the regions' place", false,
       [&] { replace("REGION.DBF", bytesOf(saved.file("PORODA.DBF"))); },
       notATable("REGION.DBF", "REGION", "в файле нет поля KODREG, таблица не открыта.")},
// Windows makes symbolic links only for an administrator (QFile::link makes a shortcut there).
#ifndef Q_OS_WIN
      {"the regions' table a link to a system file", false, [&] { link("REGION.DBF", "/etc/passwd"); },
       linkMessage("REGION.DBF")},
      {"the cows' table a link to another herd's", false, [&] { link("KOROVA.DBF", other.file("KOROVA.DBF")); },
       linkMessage("KOROVA.DBF")},
#endif
      {"a manifest listing the bulls' table only, beside another herd's cows", true,
       [&] {
         QTemporaryDir t;
         const safety::Copied bik = safety::copyToTemporary(backup + "/BIK.DBF", t.path());
         ASSERT_EQ(bik.err, 0);
         QFile::remove(backup + "/korvel-backup.txt");
         ASSERT_EQ(safety::writeManifestFile(backup + "/korvel-backup.txt", {{"BIK.DBF", bik.print}},
                                             QDateTime::currentDateTimeUtc()),
                   0);
         replace("KOROVA.DBF", bytesOf(other.file("KOROVA.DBF")));
       },
       QStringLiteral("Резервная копия на носителе не совпадает со своей описью: файлы KOROVA.DBF, PORODA.DBF, "
                      "REGION.DBF, VLAD.DBF, XARAKT.DBF изменены, повреждены или отсутствуют.") + kUnchanged},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QDir(backup).removeRecursively();
    QDir().mkpath(backup);
    copyFiles(pristine.path(), backup);
    if (!c.manifest) QFile::remove(backup + "/korvel-backup.txt");
    c.spoil();
    Herd work(QStringLiteral("Текущий"));
    const auto before = snapshot(work.path());
    bool asked = false;
    const safety::CopyOutcome out = safety::restoreFromDrive(work.path(), 'F', [&](const QString&) { return asked = true; });
    EXPECT_FALSE(out.ok);
    EXPECT_FALSE(asked) << "a refused copy is not offered";
    EXPECT_EQ(out.messages, (QStringList{c.message, kNotRestored}));
    EXPECT_TRUE(snapshot(work.path()) == before) << "the working folder changed";
  }
}

// Only the herd's files come back: with a manifest, the files it lists; without one, the six
// tables and their companions. Whatever else lies in the backup folder stays there. The person
// is asked first, told when the backup was made and how many cows and bulls it holds.
TEST(RestoreTrust, TakesOnlyTheHerdsFilesAndOnlyWhenThePersonAgrees) {
  Herd saved(QStringLiteral("Архивный"));
  writeFile(saved.file("KOROVA.DBF.BAK"), "an older cows' table");
  TestDrive f('F');
  ASSERT_TRUE(safety::backupToDrive(saved.path(), 'F').ok);
  const QString backup = f.path("arhivbik");
  const safety::Manifest manifest = safety::readManifest(QDir(backup));
  ASSERT_EQ(manifest.state, safety::Manifest::State::Complete);
  QStringList strangers = {"rezerv.txt", "a$(touch x).txt", "extra.dbf"};
#ifndef Q_OS_WIN
  strangers << "new\nline.txt";  // a name Windows does not allow
#endif
  for (const QString& name : strangers) writeFile(backup + "/" + name, "not the herd's");
  // Made when the manifest says; a backup without one, when its bulls' table was copied.
  auto question = [](const QDateTime& made) {
    return QStringLiteral("Заменить данные рабочей папки копией от %1 (3 коровы, 2 быка)? Данные, введенные после "
                          "этого, будут потеряны.")
        .arg(made.toLocalTime().toString("dd.MM.yyyy HH:mm"));
  };
  {
    QFile bik(backup + "/BIK.DBF");
    ASSERT_TRUE(bik.open(QIODevice::ReadWrite));
    ASSERT_TRUE(bik.setFileTime(QDateTime(QDate(2024, 3, 5), QTime(14, 30)), QFileDevice::FileModificationTime));
  }

  for (const bool withManifest : {true, false}) {
    SCOPED_TRACE(withManifest ? "with a manifest" : "without one");
    if (!withManifest) QFile::remove(backup + "/korvel-backup.txt");
    Herd work(QStringLiteral("Текущий"));
    writeFile(work.file("rezerv.txt"), "mine");
    const auto before = snapshot(work.path());
    QStringList asked;
    safety::CopyOutcome out =
        safety::restoreFromDrive(work.path(), 'F', [&](const QString& q) { return asked << q, false; });
    EXPECT_FALSE(out.ok);
    EXPECT_TRUE(out.messages.isEmpty()) << out.messages.join('\n').toStdString();
    EXPECT_TRUE(snapshot(work.path()) == before) << "a declined restore changed the working folder";

    out = safety::restoreFromDrive(work.path(), 'F', [&](const QString& q) { return asked << q, true; });
    EXPECT_EQ(out.messages, QStringList{"Данные восстановлены!"});
    const QString expected = question(withManifest ? manifest.made : QDateTime(QDate(2024, 3, 5), QTime(14, 30)));
    EXPECT_EQ(asked, (QStringList{expected, expected}));
    EXPECT_TRUE(sixTables(work.path()) == sixTables(saved.path()));
    EXPECT_EQ(bytesOf(work.file("KOROVA.DBF.BAK")), "an older cows' table");
    EXPECT_EQ(bytesOf(work.file("rezerv.txt")), "mine");
    for (const QString& name : strangers.mid(1)) EXPECT_FALSE(QFile::exists(work.file(name))) << name.toStdString();
  }
}

// A table's code page travels with it: the backup keeps its .cpg, and a restored table is read
// in the code page it was saved in, whatever .cpg the working folder held.
TEST(RestoreTrust, ATablesCodePageComesBackWithIt) {
  struct Case {
    const char* what;
    bool utf8Saved;          // the saved REGION is GDAL's UTF-8 one, with its .cpg
    bool oldBackup;          // a backup from before the .cpg was copied: no manifest, no .cpg
    const char* workCpg;     // the working folder's REGION.cpg before the restore; null: none
    db::Codepage readAs;     // how the restored REGION is read
    const char* cpgAfter;    // the working folder's REGION.cpg after it; null: none
  };
  const Case cases[] = {
      {"a UTF-8 table into a folder without a .cpg", true, false, nullptr, db::Codepage::Utf8, "UTF-8"},
      {"a Windows-1251 table into a folder re-saved as UTF-8", false, false, "UTF-8", db::Codepage::Cp1251, "1251"},
      {"an older backup of a UTF-8 folder", true, true, "UTF-8", db::Codepage::Utf8, "UTF-8"},
      {"Windows-1251 into Windows-1251", false, false, nullptr, db::Codepage::Cp1251, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Herd saved(QStringLiteral("Архивный"));
    if (c.utf8Saved) {
      ASSERT_TRUE(QFile::remove(saved.file("REGION.DBF")));
      for (const char* name : {"REGION.dbf", "REGION.cpg"}) {
        ASSERT_TRUE(QFile::copy(QStringLiteral(KORVEL_FIXTURES "/gdal_region_utf8/") + name, saved.file(name)));
        QFile::setPermissions(saved.file(name), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
      }
    }
    TestDrive f('F');
    ASSERT_TRUE(safety::backupToDrive(saved.path(), 'F').ok);
    const QString backup = f.path("arhivbik");
    if (c.utf8Saved) EXPECT_EQ(bytesOf(backup + "/REGION.cpg"), bytesOf(saved.file("REGION.cpg")));
    if (c.oldBackup) {
      ASSERT_TRUE(QFile::remove(backup + "/korvel-backup.txt"));
      ASSERT_TRUE(QFile::remove(backup + "/REGION.cpg"));
    }
    Herd work(QStringLiteral("Текущий"));
    if (c.workCpg) writeFile(work.file("REGION.cpg"), c.workCpg);
    const safety::CopyOutcome out = safety::restoreFromDrive(work.path(), 'F', [](const QString&) { return true; });
    ASSERT_EQ(out.messages, QStringList{"Данные восстановлены!"});
    const QString restored = QDir(work.path()).entryList({"REGION.dbf"}, QDir::Files).value(0);
    EXPECT_EQ(bytesOf(work.file(restored)), bytesOf(saved.file(c.utf8Saved ? "REGION.dbf" : "REGION.DBF")));
    EXPECT_EQ(db::DbfFile(work.file(restored)).codepage(), c.readAs);
    if (c.cpgAfter)
      EXPECT_EQ(bytesOf(work.file("REGION.cpg")), QByteArray(c.cpgAfter));
    else
      EXPECT_FALSE(QFile::exists(work.file("REGION.cpg")));
    EXPECT_TRUE(QDir(work.path()).entryList({".korvel-*"}, QDir::Files | QDir::Hidden).isEmpty());
  }
}

// A backup writes nothing through a symbolic link: not its manifest, not a backup folder that
// is one.
TEST(BackupTrust, WritesNothingThroughALink) {
#ifdef Q_OS_WIN
  GTEST_SKIP() << "Windows makes symbolic links only for an administrator; QFile::link makes a shortcut there";
#endif
  Herd work(QStringLiteral("Текущий"));
  TestDrive e('E');
  QTemporaryDir outside;
  const QString victim = outside.filePath("victim.txt");
  writeFile(victim, "outside the medium's backup");
  ASSERT_TRUE(QDir(e.root()).mkdir("arhivbik"));
  ASSERT_TRUE(QFile::link(victim, e.path("arhivbik/korvel-backup.txt")));
  EXPECT_EQ(safety::backupToDrive(work.path(), 'E').messages, QStringList{"Резервная копия создана!"});
  EXPECT_EQ(bytesOf(victim), "outside the medium's backup");
  EXPECT_FALSE(QFileInfo(e.path("arhivbik/korvel-backup.txt")).isSymLink());
  EXPECT_EQ(safety::readManifest(QDir(e.path("arhivbik"))).state, safety::Manifest::State::Complete);

  TestDrive g('G');
  ASSERT_TRUE(QFile::link(outside.path(), g.path("arhivbik")));
  const auto outsideBefore = snapshot(outside.path());
  const QString refused = QStringLiteral(
      "Папка arhivbik на носителе — символическая ссылка на другую папку. Копия в ней не создается и из нее не "
      "восстанавливается: удалите ссылку или возьмите другой носитель.");
  EXPECT_EQ(safety::backupToDrive(work.path(), 'G').messages, (QStringList{refused, "Резервная копия НЕ создана!!"}));
  EXPECT_TRUE(snapshot(outside.path()) == outsideBefore);
  // A backup folder that is a link gives nothing back either.
  copyFiles(e.path("arhivbik"), outside.path());
  const auto workBefore = snapshot(work.path());
  EXPECT_EQ(safety::restoreFromDrive(work.path(), 'G').messages, (QStringList{refused, kNotRestored}));
  EXPECT_TRUE(snapshot(work.path()) == workBefore);
}

}  // namespace
}  // namespace korvel
