// All or nothing: a restore replaces the working files all at once or not at all, whatever fails
// or kills it midway; a backup leaves on its medium either a complete set or one that a restore
// refuses; a restore refuses a set that the backup's manifest does not vouch for.
#include "drive_fixture.h"
#include "messages.h"
#include "work_folder.h"

#include "db/data_module.h"
#include "db/file_io.h"
#include "db/folder_files.h"
#include "safety/backup_manifest.h"
#include "safety/backup_restore.h"

#include <QProcess>
#include <algorithm>
#include <QTemporaryDir>
#include <cerrno>
#include <functional>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>
#endif

namespace korvel {
namespace {

using test::addRegion;
using test::bytesOf;
using test::copyFiles;
using test::sixTables;
using test::snapshot;
using test::temporaries;
using test::TestDrive;
using test::WorkFolder;
using test::writeFile;
using test::kNotRestored;

const QString kUnfinished = QStringLiteral(
    "Резервная копия на носителе не закончена: её создание было прервано или не удалось. Такую копию "
    "восстанавливать нельзя. Рабочая папка осталась без изменений.");

QString mismatch(const QString& names) {
  return QStringLiteral("Резервная копия на носителе не совпадает со своей описью: файлы %1 изменены, повреждены или "
                        "отсутствуют. Рабочая папка осталась без изменений.")
      .arg(names);
}

// A working folder whose data are a state of their own: the starter tables and one region.
struct State {
  explicit State(const QString& region) { addRegion(folder.path(), 1, region); }
  QString path() const { return folder.path(); }
  WorkFolder folder;
};

// A folder that starts as a copy of another's files.
struct CopyOf {
  explicit CopyOf(const QString& from) { copyFiles(from, dir.path()); }
  QString path() const { return dir.path(); }
  QTemporaryDir dir;
};

// Nothing of a replacement is left in a working folder: no record, no temporary.
void expectNoLeftovers(const QString& dir) {
  EXPECT_FALSE(QFile::exists(QDir(dir).filePath(QLatin1String(db::kSwapRecordName))));
  EXPECT_TRUE(temporaries(dir).isEmpty()) << temporaries(dir).join(' ').toStdString();
}

TEST(Restore, ASetItsManifestDoesNotVouchForIsRefusedAndChangesNothing) {
  State saved(QStringLiteral("Архивный"));
  State other(QStringLiteral("Другой"));
  TestDrive f('F');
  ASSERT_TRUE(safety::backupToDrive(saved.path(), 'F').ok);
  const QString backup = f.path("arhivbik");
  QTemporaryDir pristine;
  copyFiles(backup, pristine.path());
  const QString manifest = backup + "/korvel-backup.txt";
  ASSERT_TRUE(QFile::exists(manifest));

  struct Case {
    const char* what;
    std::function<void()> spoil;
    QStringList messages;
  };
  const std::vector<Case> cases = {
      {"one table from another backup (a mixed set)",
       [&] { ASSERT_TRUE(QFile::remove(backup + "/REGION.DBF") && QFile::copy(other.folder.file("REGION.DBF"), backup + "/REGION.DBF")); },
       {mismatch("REGION.DBF"), kNotRestored}},
      {"a byte changed in two copies",
       [&] {
         for (const QString name : {"KOROVA.DBF", "XARAKT.DBF"}) {
           QByteArray bytes = bytesOf(backup + "/" + name);
           bytes[bytes.size() - 2] = char(bytes[bytes.size() - 2] ^ 1);
           writeFile(backup + "/" + name, bytes);
         }
       },
       {mismatch("KOROVA.DBF, XARAKT.DBF"), kNotRestored}},
      {"one copy cut short, one missing",
       [&] {
         writeFile(backup + "/VLAD.DBF", bytesOf(backup + "/VLAD.DBF").chopped(1));
         QFile::remove(backup + "/PORODA.DBF");
       },
       {mismatch("PORODA.DBF, VLAD.DBF"), kNotRestored}},
      {"an emptied manifest: a backup that did not finish", [&] { writeFile(manifest, ""); }, {kUnfinished, kNotRestored}},
      {"a torn manifest", [&] { writeFile(manifest, bytesOf(manifest).chopped(5)); }, {kUnfinished, kNotRestored}},
      {"a manifest whose text was altered",
       [&] { writeFile(manifest, bytesOf(manifest).replace("KOROVA.DBF", "KOROVB.DBF")); },
       {kUnfinished, kNotRestored}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    copyFiles(pristine.path(), backup);
    c.spoil();
    State work(QStringLiteral("Текущий"));
    const auto before = snapshot(work.path());
    const safety::CopyOutcome out = safety::restoreFromDrive(work.path(), 'F');
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.messages, c.messages);
    EXPECT_TRUE(snapshot(work.path()) == before) << "the working folder changed";
  }

  // The whole set is restored; so is a copy made without a manifest, as it always was.
  for (const bool withManifest : {true, false}) {
    copyFiles(pristine.path(), backup);
    if (!withManifest) QFile::remove(manifest);
    State work(QStringLiteral("Текущий"));
    const safety::CopyOutcome out = safety::restoreFromDrive(work.path(), 'F');
    EXPECT_EQ(out.messages, QStringList{"Данные восстановлены!"});
    EXPECT_TRUE(sixTables(work.path()) == sixTables(saved.path()));
    EXPECT_FALSE(QFile::exists(work.folder.file("korvel-backup.txt"))) << "the manifest stays on the medium";
    expectNoLeftovers(work.path());
  }
}

#ifdef Q_OS_LINUX
// Makes a file immutable (it can be neither written, renamed nor replaced) for as long as the
// guard lives, where the file system and the process's rights allow it.
class Immutable {
 public:
  explicit Immutable(const QString& path) : path_(QFile::encodeName(path)) { ok_ = set(true); }
  ~Immutable() {
    if (ok_) set(false);
  }
  bool ok() const { return ok_; }

 private:
  bool set(bool on) {
    const int fd = ::open(path_.constData(), O_RDONLY);
    if (fd < 0) return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return done;
  }
  QByteArray path_;
  bool ok_ = false;
};

TEST(Restore, ATableThatCannotBeReplacedLeavesEveryTableAsItWas) {
  State saved(QStringLiteral("Архивный"));
  TestDrive f('F');
  ASSERT_TRUE(safety::backupToDrive(saved.path(), 'F').ok);
  State work(QStringLiteral("Текущий"));
  const auto before = snapshot(work.path());
  {
    // VLAD comes after BIK, KOROVA, PORODA and REGION, which are replaced first.
    Immutable vlad(work.folder.file("VLAD.DBF"));
    if (!vlad.ok()) GTEST_SKIP() << "files cannot be made immutable here";
    const safety::CopyOutcome out = safety::restoreFromDrive(work.path(), 'F');
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.messages, (QStringList{"VLAD.DBF не скопирован",
                                         "Причина: нет прав на запись. Рабочая папка осталась без изменений.",
                                         kNotRestored}));
    EXPECT_TRUE(snapshot(work.path()) == before) << "the working folder changed";
  }
  // Once the file can be replaced, the same restore goes through.
  EXPECT_EQ(safety::restoreFromDrive(work.path(), 'F').messages, QStringList{"Данные восстановлены!"});
  EXPECT_TRUE(sixTables(work.path()) == sixTables(saved.path()));
  expectNoLeftovers(work.path());
}

// A real small medium: a tmpfs of 2 MB mounted for the test, where mounting is permitted.
class SmallMedium {
 public:
  SmallMedium() : path_(QFile::encodeName(dir_.path())) {
    mounted_ = ::mount("tmpfs", path_.constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=2m") == 0;
  }
  ~SmallMedium() {
    if (mounted_) ::umount2(path_.constData(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }
  QString path(const QString& relative) const { return dir_.filePath(relative); }
  QString root() const { return dir_.path(); }

 private:
  QTemporaryDir dir_;
  QByteArray path_;
  bool mounted_ = false;
};

TEST(Backup, ASmallMediumReplacesItsOldCopyOnlyWhenThePersonAgrees) {
  SmallMedium medium;
  if (!medium.mounted()) GTEST_SKIP() << "a small file system cannot be mounted here";
  qputenv("KORVEL_DRIVE_M", QFile::encodeName(medium.root()));
  WorkFolder work;
  // A herd whose cow table fills well over half the medium.
  const auto cows = [&](int kib, char first) {
    QByteArray bytes(kib * 1024, '\0');
    for (int i = 0; i < bytes.size(); ++i) bytes[i] = char(first + i % 71);
    writeFile(work.file("KOROVA.DBF"), bytes);
  };
  // The cows' copy of the whole backup on the medium (this stand-in is no table a restore takes).
  const auto restored = [&] {
    const safety::Manifest m = safety::readManifest(QDir(medium.path("arhivbik")));
    EXPECT_EQ(m.state, safety::Manifest::State::Complete);
    return bytesOf(medium.path("arhivbik/KOROVA.DBF"));
  };
  cows(1200, '0');
  ASSERT_EQ(safety::backupToDrive(work.path(), 'M').messages, QStringList{"Резервная копия создана!"});
  const QByteArray first = bytesOf(work.file("KOROVA.DBF"));
  const QDateTime made = safety::readManifest(QDir(medium.path("arhivbik"))).made;
  const QString question = QStringLiteral("На носителе нет места для второй копии. Заменить прежнюю копию от %1? Пока "
                                          "новая не будет записана, восстановить будет нечего.")
                               .arg(made.toLocalTime().toString("dd.MM.yyyy HH:mm"));

  // No room for a second copy beside the first: asked; "Нет" keeps the first whole.
  cows(1200, '1');
  QStringList asked;
  EXPECT_EQ(safety::backupToDrive(work.path(), 'M', [&](const QString& q) { return asked << q, false; }).messages,
            QStringList{"Резервная копия НЕ создана!!"});
  EXPECT_EQ(asked, QStringList{question});
  EXPECT_EQ(restored(), first);
  // "Да": the old copy goes first and the new one takes its place.
  EXPECT_EQ(safety::backupToDrive(work.path(), 'M', [&](const QString& q) { return asked << q, true; }).messages,
            QStringList{"Резервная копия создана!"});
  EXPECT_EQ(asked.size(), 2);
  for (const auto& [name, bytes] : sixTables(work.path()))
    EXPECT_EQ(bytesOf(medium.path("arhivbik/" + name)), bytes) << name.toStdString();
  EXPECT_TRUE(temporaries(medium.path("arhivbik")).isEmpty());
  const QByteArray second = bytesOf(work.file("KOROVA.DBF"));

  // A herd that cannot fit even in the old copy's room: refused before anything is touched, and
  // the old copy is still restored.
  cows(2600, '2');
  EXPECT_EQ(safety::backupToDrive(work.path(), 'M', [&](const QString& q) { return asked << q, true; }).messages,
            (QStringList{"На резервном носителе нет свободного места: копия не помещается. Освободите место на "
                         "носителе или возьмите другой носитель.",
                         "Резервная копия НЕ создана!!"}));
  EXPECT_EQ(asked.size(), 2) << "nothing to ask when the new copy cannot fit anyway";
  EXPECT_TRUE(temporaries(medium.path("arhivbik")).isEmpty());
  EXPECT_EQ(restored(), second);
  qunsetenv("KORVEL_DRIVE_M");
}
#endif

TEST(BackupRestore, AFailedWriteChangesNothingAndNamesItsCause) {
  State a(QStringLiteral("Старый"));  // on the medium before the backup
  State b(QStringLiteral("Новый"));   // backed up over it
  State third(QStringLiteral("Третий"));  // restored into
  TestDrive e('E');
  const QString medium = e.path("arhivbik");
  ASSERT_TRUE(safety::backupToDrive(a.path(), 'E').ok);
  QTemporaryDir oldMedium;
  copyFiles(medium, oldMedium.path());

  // How many writes a backup and a restore make, when nothing fails.
  db::io::resetFaults();
  ASSERT_TRUE(safety::backupToDrive(b.path(), 'E').ok);
  const long backupWrites = db::io::writesSoFar();
  {
    CopyOf work(a.path());
    db::io::resetFaults();
    ASSERT_TRUE(safety::restoreFromDrive(work.path(), 'E').ok);
  }
  const long restoreWrites = db::io::writesSoFar();
  ASSERT_GE(backupWrites, 6) << "every copied byte goes through the file layer";
  ASSERT_GE(restoreWrites, 12) << "every copied byte and every rename goes through the file layer";

  const std::vector<std::pair<int, QString>> causes = {{ENOSPC, "нет свободного места"}, {EIO, "ошибка ввода-вывода"}};
  for (const auto& [err, cause] : causes) {
    int refused = 0;
    for (long k = 1; k <= backupWrites; ++k) {
      SCOPED_TRACE(QStringLiteral("backup, write %1 fails with %2").arg(k).arg(cause).toStdString());
      copyFiles(oldMedium.path(), medium);
      const auto workBefore = snapshot(b.path());
      db::io::resetFaults();
      db::io::failWrite(k, err);
      const safety::CopyOutcome out = safety::backupToDrive(b.path(), 'E');
      db::io::resetFaults();
      EXPECT_TRUE(snapshot(b.path()) == workBefore);
      if (!out.ok) {
        ++refused;
        EXPECT_TRUE(out.messages.join('\n').contains(cause)) << out.messages.join('\n').toStdString();
      }
      // The medium holds a complete set: the new one, or the old one kept whole.
      CopyOf c(third.path());
      const safety::CopyOutcome restored = safety::restoreFromDrive(c.path(), 'E');
      EXPECT_TRUE(restored.ok) << restored.messages.join('\n').toStdString();
      EXPECT_TRUE(sixTables(c.path()) == (out.ok ? sixTables(b.path()) : sixTables(a.path())));
    }
    EXPECT_GT(refused, 0);

    // A restore fails at every write but keeps the working folder as it was.
    ASSERT_TRUE(safety::backupToDrive(b.path(), 'E').ok);
    long restoresRefused = 0;
    for (long k = 1; k <= restoreWrites; ++k) {
      SCOPED_TRACE(QStringLiteral("restore, write %1 fails with %2").arg(k).arg(cause).toStdString());
      CopyOf work(a.path());
      const auto before = snapshot(work.path());
      db::io::resetFaults();
      db::io::failWrite(k, err);
      const safety::CopyOutcome out = safety::restoreFromDrive(work.path(), 'E');
      db::io::resetFaults();
      // A second name that cannot be made is no failure: the replaced file moves aside instead.
      if (out.ok) {
        EXPECT_TRUE(sixTables(work.path()) == sixTables(b.path()));
      } else {
        ++restoresRefused;
        EXPECT_TRUE(snapshot(work.path()) == before) << "the working folder changed";
        EXPECT_TRUE(out.messages.join('\n').contains(cause)) << out.messages.join('\n').toStdString();
        EXPECT_EQ(out.messages.value(out.messages.size() - 1), kNotRestored);
      }
      expectNoLeftovers(work.path());
    }
    EXPECT_EQ(restoresRefused, restoreWrites - 6) << "only the six second names may fail without harm";
  }
}

#ifdef Q_OS_UNIX
// Runs one backup or restore in a child process that kills itself right after its k-th write
// (0: never). Returns whether it was killed.
bool runKilled(const QString& op, const QString& dir, char letter, long k) {
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("KORVEL_KILL_AFTER_WRITE", QString::number(k));
  child.setProcessEnvironment(env);
  child.start(QStringLiteral(KORVEL_SAFETY_DRIVER), {op, dir, QString(QChar(letter))});
  EXPECT_TRUE(child.waitForFinished(60000));
  return child.exitStatus() == QProcess::CrashExit;
}

// A record of a replacement that was damaged after files were already set aside is not taken
// for a torn one: nothing is undone or removed, and the message names the files kept aside.
TEST(Restore, ADamagedSwapRecordKeepsEveryFileForThePerson) {
  State a(QStringLiteral("Старый"));
  State b(QStringLiteral("Новый"));
  TestDrive e('E');
  ASSERT_TRUE(safety::backupToDrive(b.path(), 'E').ok);
  for (long k = 1; k < 200; ++k) {
    CopyOf work(a.path());
    ASSERT_TRUE(runKilled("restore", work.path(), 'E', k)) << "the restore ended before three files were kept aside";
    const QStringList kept = QDir(work.path()).entryList({".korvel-keep*"}, QDir::Files | QDir::Hidden);
    if (kept.size() < 3) continue;
    const QString record = work.path() + "/" + QLatin1String(db::kSwapRecordName);
    QByteArray bytes = bytesOf(record);
    ASSERT_GT(bytes.size(), 20);
    bytes[20] = char(bytes[20] ^ 1);
    writeFile(record, bytes);
    const auto before = snapshot(work.path());
    {
      const HerdTables opened(work.path());
      EXPECT_TRUE(opened.openError().contains(QStringLiteral("повреждена"))) << opened.openError().toStdString();
      EXPECT_TRUE(opened.openError().contains(kept[0])) << opened.openError().toStdString();
    }
    EXPECT_TRUE(snapshot(work.path()) == before) << "the kept files or the record were touched";
    return;
  }
  FAIL() << "no kill left three files kept aside";
}

TEST(BackupRestore, AKilledRestoreOrBackupLeavesOneWholeStateAfterTheNextOpening) {
  State a(QStringLiteral("Старый"));
  State b(QStringLiteral("Новый"));
  State third(QStringLiteral("Третий"));
  TestDrive e('E');
  const QString medium = e.path("arhivbik");
  // A file the working folder does not have: a restore adds it.
  writeFile(b.folder.file("KOROVA.DBF.BAK"), "notes");
  ASSERT_TRUE(safety::backupToDrive(b.path(), 'E').ok);

  // A restore of b over a, killed after each of its writes and renames in turn.
  long kills = 0;
  for (long k = 1; k < 200; ++k) {
    SCOPED_TRACE(QStringLiteral("restore killed after write %1").arg(k).toStdString());
    CopyOf work(a.path());
    const bool killed = runKilled("restore", work.path(), 'E', k);
    {
      const HerdTables opened(work.path());
      EXPECT_TRUE(opened.openError().isEmpty()) << opened.openError().toStdString();
    }
    const auto tables = sixTables(work.path());
    const bool isBefore = tables == sixTables(a.path()), isAfter = tables == sixTables(b.path());
    EXPECT_TRUE(isBefore || isAfter) << "a mixed set of tables";
    EXPECT_EQ(QFile::exists(work.path() + "/KOROVA.DBF.BAK"), isAfter);
    if (!killed) {
      EXPECT_TRUE(isAfter);
    }
    expectNoLeftovers(work.path());
    if (!killed) break;
    ++kills;
  }
  EXPECT_GE(kills, 12);

  // A backup of a over b's copies, killed after each write in turn: the medium holds b or a,
  // whole; the next backup is whole again.
  QTemporaryDir bMedium;
  copyFiles(medium, bMedium.path());
  kills = 0;
  for (long k = 1; k < 200; ++k) {
    SCOPED_TRACE(QStringLiteral("backup killed after write %1").arg(k).toStdString());
    copyFiles(bMedium.path(), medium);
    const auto workBefore = snapshot(a.path());
    const bool killed = runKilled("backup", a.path(), 'E', k);
    EXPECT_TRUE(snapshot(a.path()) == workBefore);
    CopyOf c(third.path());
    const safety::CopyOutcome out = safety::restoreFromDrive(c.path(), 'E');
    EXPECT_TRUE(out.ok) << out.messages.join('\n').toStdString();
    const auto tables = sixTables(c.path());
    EXPECT_TRUE(tables == sixTables(a.path()) || tables == sixTables(b.path())) << "a mixed set was restored";
    if (!killed) break;
    ++kills;
    EXPECT_TRUE(safety::backupToDrive(a.path(), 'E').ok);
    EXPECT_TRUE(temporaries(medium).isEmpty()) << "the next backup clears what the killed one left";
  }
  EXPECT_GE(kills, 6);
}
#endif

}  // namespace
}  // namespace korvel
