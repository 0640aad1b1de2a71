#include "safety/backup_restore.h"

#include "db/data_module.h"
#include "db/file_io.h"
#include "db/file_set_swap.h"
#include "db/folder_files.h"
#include "db/schema.h"
#include "db/table_error.h"
#include "db/text.h"
#include "safety/backup_manifest.h"
#include "safety/drive_letters.h"
#include "safety/whole_file_copy.h"

#include <QDir>
#include <QFile>
#include <QStorageInfo>
#include <algorithm>
#include <cerrno>
#include <map>

namespace korvel::safety {

QString msg::copyNotMade(const QString& name) { return QStringLiteral("Копия ") + name + QStringLiteral(" не создана"); }
QString msg::fileNotCopied(const QString& name) { return name + QStringLiteral(" не скопирован"); }

namespace {

bool isNoRoom(int err) {
#ifdef EDQUOT
  if (err == EDQUOT) return true;
#endif
  return err == ENOSPC;
}

// The file layer's words for a cause, and those of the failures only copies meet.
QString causeText(int err) {
  if (err == EISDIR) return QStringLiteral("на месте файла находится папка с тем же именем");
  if (err == ENOENT) return QStringLiteral("файл не найден");
  return db::io::causeText(err);
}

}  // namespace

QString msg::backupCause(int err) {
  if (isNoRoom(err))
    return QStringLiteral("На резервном носителе нет свободного места: копия не помещается. Освободите место на "
                          "носителе или возьмите другой носитель.");
  return QStringLiteral("Причина: %1.").arg(causeText(err));
}

QString msg::restoreCause(int err) {
  return QStringLiteral("Причина: %1. Рабочая папка осталась без изменений.").arg(causeText(err));
}

QString msg::manifestMismatch(const QStringList& names) {
  return QStringLiteral("Резервная копия на носителе не совпадает со своей описью: файлы %1 изменены, повреждены или "
                        "отсутствуют. Рабочая папка осталась без изменений.")
      .arg(names.join(QStringLiteral(", ")));
}

QString msg::notATable(const QString& name, const QString& table, const QString& reason) {
  return QStringLiteral("Файл %1 резервной копии не является исправной таблицей %2: %3 Рабочая папка осталась без "
                        "изменений.")
      .arg(name, table, reason);
}

QString msg::linkInBackup(const QString& name) {
  return QStringLiteral("Файл %1 в резервной копии — символическая ссылка на другой файл, а не копия. Рабочая папка "
                        "осталась без изменений.")
      .arg(name);
}

namespace {
QString shownDate(const QDateTime& made) {
  return made.isValid() ? made.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm")) : QStringLiteral("неизвестной даты");
}
}  // namespace

QString msg::replaceOldBackup(const QDateTime& made) {
  return QStringLiteral("На носителе нет места для второй копии. Заменить прежнюю копию от %1? Пока новая не будет "
                        "записана, восстановить будет нечего.")
      .arg(shownDate(made));
}

QString msg::replaceWorkingData(const QDateTime& made, long long cows, long long bulls) {
  return QStringLiteral("Заменить данные рабочей папки копией от %1 (%2, %3)? Данные, введенные после этого, будут "
                        "потеряны.")
      .arg(shownDate(made),
           db::counted(cows, QStringLiteral("корова"), QStringLiteral("коровы"), QStringLiteral("коров")),
           db::counted(bulls, QStringLiteral("бык"), QStringLiteral("быка"), QStringLiteral("быков")));
}

namespace {

// The backup folder of the medium as it is stored (any case); empty when there is none.
QString existingBackupFolder(const QDir& root) { return findEntry(root, kBackupFolderName, QDir::Dirs); }

// The name a copied file takes in `dir`: the file that is there already under that name in
// another case is the one replaced, as on a medium whose names ignore case.
QString targetName(const QDir& dir, const QString& name) {
  const QString existing = findEntry(dir, name, QDir::Files | QDir::System);
  return existing.isEmpty() ? name : existing;
}

// The herd table a file name is, case ignored ("KOROVA" for "korova.dbf"); empty for any other.
QString herdTableOf(const QString& name) {
  for (const db::TableLayout& t : db::allLayouts())
    if (name.compare(t.fileName, Qt::CaseInsensitive) == 0) return t.fileName.section(QLatin1Char('.'), 0, 0);
  return {};
}

// The herd table whose code page a file names ("KOROVA" for "korova.cpg"); empty for any other.
QString codepageFileOf(const QString& name) {
  if (!name.endsWith(QLatin1String(".cpg"), Qt::CaseInsensitive)) return {};
  return herdTableOf(name.chopped(4) + QStringLiteral(".DBF"));
}

// The name of the code-page file of a table file ("KOROVA.cpg" for "KOROVA.DBF").
QString codepageFileName(const QString& tableFile) { return QFileInfo(tableFile).completeBaseName() + QStringLiteral(".cpg"); }

// Whether a backup without a manifest brings this file back: a herd table, its code-page file
// or a companion of the table (a name that begins with its file name, as KOROVA.DBF.BAK).
bool tableOrCompanion(const QString& name) {
  for (const db::TableLayout& t : db::allLayouts())
    if (name.startsWith(t.fileName, Qt::CaseInsensitive)) return true;
  return !codepageFileOf(name).isEmpty();
}

// Whether a name a manifest lists is one a backup writes: a table file's name or a table's
// code-page file, nothing the program keeps for itself, no control characters.
bool backupName(const QString& name) {
  if (!name.contains(QLatin1String(".dbf"), Qt::CaseInsensitive) && codepageFileOf(name).isEmpty()) return false;
  if (db::isProgramFile(name)) return false;
  return std::none_of(name.begin(), name.end(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

// When the backup in the folder was made: its manifest says so; a backup without one is as old
// as its BIK table's copy.
QDateTime backupDate(const QDir& backup, const Manifest& manifest) {
  if (manifest.made.isValid()) return manifest.made;
  const QString bik = findEntry(backup, QStringLiteral("BIK.DBF"), QDir::Files);
  return bik.isEmpty() ? QDateTime() : QFileInfo(backup.filePath(bik)).lastModified();
}

// Whether the folder holds a backup that a restore would take.
bool restorableBackup(const QDir& backup, const Manifest& manifest) {
  if (manifest.state == Manifest::State::Complete) return true;
  return manifest.state == Manifest::State::Absent && !findEntry(backup, QStringLiteral("BIK.DBF"), QDir::Files).isEmpty();
}

qint64 onMedium(qint64 size) { return (size + 4095) / 4096 * 4096 + 4096; }

// Whether the folder is a symbolic link (followed, it could lead anywhere).
bool isLink(const QDir& root, const QString& folder) { return QFileInfo(root.filePath(folder)).isSymLink(); }

// Puts back what a backup cut short left half in place in the folder; 0 or the error's text.
QString undoUnfinished(const QDir& dir) {
  try {
    db::undoUnfinishedReplacement(dir.path());
  } catch (const db::TableError& e) {
    return e.text();
  }
  return {};
}

// A new temporary name in the folder, for a file written there by the program itself.
QString temporaryIn(const QDir& dir, const QString& what) {
  const QString name = QLatin1String(db::kTemporaryPrefix) + what + QLatin1String(db::kTemporarySuffix);
  QFile::remove(dir.filePath(name));
  return name;
}

}  // namespace

CopyOutcome backupToDrive(const QString& workDir, QChar letter, const Question& ask) {
  CopyOutcome out;
  QDir root(driveRoot(letter));
  QString folder = existingBackupFolder(root);
  if (!folder.isEmpty() && isLink(root, folder)) {
    out.messages << msg::kBackupFolderIsLink << msg::kBackupNotDone;
    return out;
  }
  if (folder.isEmpty()) {
    if (!root.mkdir(kBackupFolderName)) {
      out.messages << msg::kFolderNotCreated << msg::kBackupNotDone;
      return out;
    }
    folder = kBackupFolderName;
  }
  const QDir backup(root.filePath(folder));
  const QDir work(workDir);

  QStringList names = listFiles(work, QStringLiteral("*.dbf*"));
  if (names.isEmpty()) {
    out.messages << msg::kBackupNotDone;
    return out;
  }
  // The code page of a table travels with it: a table read in another one is another table.
  for (const QString& name : listFiles(work, QStringLiteral("*.cpg")))
    if (!codepageFileOf(name).isEmpty()) names << name;
  // A backup cut short midway is put back to the old one; the copies it left only take room.
  if (const QString error = undoUnfinished(backup); !error.isEmpty()) {
    out.messages << error << msg::kBackupNotDone;
    return out;
  }

  // The new copies go beside the old backup. Where the medium cannot hold both, the old one
  // (whose room the new one will take) goes first, when the person agrees.
  qint64 needed = onMedium(0), freed = 0;
  for (const QString& name : names) {
    needed += onMedium(QFileInfo(work.filePath(name)).size());
    const QFileInfo old(backup.filePath(targetName(backup, name)));
    if (old.isFile()) freed += onMedium(old.size());
  }
  const QStorageInfo storage(backup.path());
  const qint64 available = storage.isValid() ? storage.bytesAvailable() : -1;
  const bool inPlace = available >= 0 && needed > available;
  if (inPlace) {
    if (needed > available + freed) {
      out.messages << msg::backupCause(ENOSPC) << msg::kBackupNotDone;
      return out;
    }
    const Manifest old = readManifest(backup);
    if (restorableBackup(backup, old) && ask && !ask(msg::replaceOldBackup(backupDate(backup, old)))) {
      out.messages << msg::kBackupNotDone;
      return out;
    }
  }

  int cause = 0;
  std::vector<db::FileReplacement> staged;
  std::vector<ManifestEntry> copied;
  const QString manifest = manifestName(backup);
  if (inPlace) {
    // From here until the new manifest is in place, the folder is an unfinished backup.
    const QString marker = temporaryIn(backup, QStringLiteral("unfinished"));
    cause = writeManifestFile(backup.filePath(marker), {}, QDateTime::currentDateTimeUtc());
    if (!cause) cause = db::io::rename(backup.filePath(marker), backup.filePath(manifest));
    for (const QString& name : cause ? QStringList() : names) {
      const QString target = backup.filePath(targetName(backup, name));
      if (QFileInfo(target).isFile()) db::io::remove(target);
    }
  }
  for (const QString& name : cause && inPlace ? QStringList() : names) {
    const QString stored = targetName(backup, name);
    Copied c = QFileInfo(backup.filePath(stored)).isDir() ? Copied{{}, EISDIR, {}}
               : inPlace ? copyReplacing(work.filePath(name), backup.filePath(stored))
                         : copyToTemporary(work.filePath(name), backup.path());
    if (c.err) {
      out.messages << msg::copyNotMade(name);
      if (!cause) cause = c.err;
      continue;
    }
    if (!inPlace) staged.push_back({QFileInfo(c.path).fileName(), stored});
    copied.push_back({stored, c.print});
  }
  if (!cause) {
    const QString written = temporaryIn(backup, QStringLiteral("manifest"));
    cause = writeManifestFile(backup.filePath(written), copied, QDateTime::currentDateTimeUtc());
    if (!cause) staged.push_back({written, manifest});
  }
  if (!cause) cause = db::io::syncFolder(backup.path());
  if (!cause) {
    // All of them replace the old backup at once, or none does.
    if (const std::optional<db::ReplaceFailure> failed = db::replaceFiles(backup.path(), staged)) cause = failed->err;
  } else {
    for (const db::FileReplacement& s : staged) QFile::remove(backup.filePath(s.staged));
  }
  out.ok = cause == 0;
  if (!out.ok) out.messages << msg::backupCause(cause);
  out.messages << (out.ok ? msg::kBackupDone : msg::kBackupNotDone);
  return out;
}

bool backupPresent(QChar letter) {
  const QDir root(driveRoot(letter));
  const QString folder = existingBackupFolder(root);
  if (folder.isEmpty()) return false;
  return !findEntry(QDir(root.filePath(folder)), QStringLiteral("bik.DBF"), QDir::Files).isEmpty();
}

namespace {

struct StagedCheck {
  QString reason;  // empty when the table is whole
  long long live = 0;
  db::Codepage codepage = db::Codepage::Cp1251;
};

// Checks a staged copy of a herd table: it opens as a table of its layout, whole, in the code
// page of the table at `codepageOf`. Counts its live records.
StagedCheck checkStagedTable(const QString& path, const QString& codepageOf, const QString& table) {
  StagedCheck check;
  try {
    const db::DbfFile file(path, codepageOf);
    db::checkLayout(file, table);
    for (uint32_t i = 0; i < file.recordCount(); ++i) check.live += file.record(i)[0] == '*' ? 0 : 1;
    check.codepage = file.codepage();
  } catch (const db::TableError& e) {
    // The table layer names the file by its temporary name: the cause is what follows.
    QString reason = e.text();
    const qsizetype colon = reason.indexOf(QLatin1String(": "));
    if (reason.startsWith(QStringLiteral("Таблица ")) && colon > 0) reason = reason.mid(colon + 2);
    check.reason = reason;
  }
  return check;
}

// What a code-page file says, as GIS programs write it.
QByteArray codepageFileText(db::Codepage cp) {
  switch (cp) {
    case db::Codepage::Cp866: return "866";
    case db::Codepage::Utf8: return "UTF-8";
    case db::Codepage::Cp1251: break;
  }
  return "1251";
}

}  // namespace

CopyOutcome restoreFromDrive(const QString& workDir, QChar letter, const Question& ask) {
  CopyOutcome out;
  const QDir root(driveRoot(letter));
  const QString folder = existingBackupFolder(root);
  if (folder.isEmpty()) {
    out.messages << msg::kRestoreNotDone;
    return out;
  }
  if (isLink(root, folder)) {
    out.messages << msg::kBackupFolderIsLink << msg::kRestoreNotDone;
    return out;
  }
  const QDir backup(root.filePath(folder));
  const QDir work(workDir);
  // A backup cut short midway is put back to the old one first.
  if (const QString error = undoUnfinished(backup); !error.isEmpty()) {
    out.messages << error << msg::kRestoreNotDone;
    return out;
  }

  // The files to take. A set the manifest does not vouch for is refused before anything is copied.
  const Manifest manifest = readManifest(backup);
  if (manifest.state == Manifest::State::Unfinished) {
    out.messages << msg::kBackupUnfinished << msg::kRestoreNotDone;
    return out;
  }
  // Every regular file of the folder ("*.*" on a drive-letter system matches names without a dot too).
  const QStringList present = listFiles(backup, QStringLiteral("*"));
  QStringList names, mismatched;
  std::map<QString, Fingerprint> expected;  // by the name as stored
  if (manifest.state == Manifest::State::Complete) {
    QStringList listed;
    for (const ManifestEntry& e : manifest.files) {
      const QString stored = findEntry(backup, e.name, QDir::Files | QDir::System);
      listed << stored;
      if (stored.isEmpty() || !backupName(e.name) || QFileInfo(backup.filePath(stored)).size() != e.print.size) {
        mismatched << e.name;
        continue;
      }
      expected[stored] = e.print;
      names << stored;
    }
    for (const QString& name : present)
      if (!herdTableOf(name).isEmpty() && !listed.contains(name)) mismatched << name;
  } else {
    for (const QString& name : present)
      if (tableOrCompanion(name)) names << name;
  }
  names.sort(Qt::CaseInsensitive);
  if (names.isEmpty() && mismatched.isEmpty()) {
    out.messages << msg::kRestoreNotDone;
    return out;
  }
  for (const QString& name : names) {
    if (QFileInfo(backup.filePath(name)).isSymLink()) {
      out.messages << msg::linkInBackup(name) << msg::kRestoreNotDone;
      return out;
    }
  }

  // First every file beside its target; the working files are not touched yet. Their
  // checksums are taken on the way, and the tables are opened as the program would open them.
  std::vector<db::FileReplacement> staged;
  int cause = 0;
  QString refused;
  long long cows = 0, bulls = 0;
  std::map<QString, QString> stagedPath;  // by the name in the backup
  for (const QString& name : mismatched.isEmpty() ? names : QStringList()) {
    const QString target = targetName(work, name);
    const Copied c = QFileInfo(work.filePath(target)).isDir()
                         ? Copied{{}, EISDIR, {}}
                         : copyToTemporary(backup.filePath(name), work.path(), true);
    if (c.err == ELOOP) {  // it became a link after it was looked at
      if (refused.isEmpty()) refused = msg::linkInBackup(name);
      continue;
    }
    if (c.err) {
      out.messages << msg::fileNotCopied(name);
      if (!cause) cause = c.err;
      continue;
    }
    staged.push_back({QFileInfo(c.path).fileName(), target});
    stagedPath[name] = c.path;
    const auto listed = expected.find(name);
    if (listed != expected.end() && listed->second != c.print) {
      mismatched << name;
      continue;
    }
  }
  // Each table is checked as it will be read in its place, in the code page it will have there:
  // the one the backup's code-page file names, else its own header's. Where the header names
  // none, the working folder's code-page file stays (a backup made before they were copied);
  // where it names one, a working folder's code-page file is replaced by one naming it, lest
  // the restored table be read in another.
  for (const QString& name : cause || !refused.isEmpty() || !mismatched.isEmpty() ? QStringList() : names) {
    const QString table = herdTableOf(name);
    const auto path = stagedPath.find(name);
    if (table.isEmpty() || path == stagedPath.end()) continue;
    const QString backupCodepage = findEntry(backup, codepageFileName(name), QDir::Files);
    const QString workCodepage = findEntry(work, codepageFileName(name), QDir::Files);
    StagedCheck check;
    if (!backupCodepage.isEmpty() && names.contains(backupCodepage)) {
      check = checkStagedTable(path->second, backup.filePath(name), table);
    } else {
      check = checkStagedTable(path->second, path->second, table);
      if (!check.reason.isEmpty() && !workCodepage.isEmpty()) {
        check = checkStagedTable(path->second, work.filePath(targetName(work, name)), table);
      } else if (check.reason.isEmpty() && !workCodepage.isEmpty()) {
        const QString written = temporaryIn(work, QStringLiteral("codepage-") + table);
        if (const int err = db::io::replaceWholeFile(work.filePath(written), codepageFileText(check.codepage))) {
          out.messages << msg::fileNotCopied(workCodepage);
          cause = err;
          break;
        }
        staged.push_back({written, workCodepage});
      }
    }
    if (!check.reason.isEmpty()) {
      refused = msg::notATable(name, table, check.reason);
      break;
    }
    if (table == QLatin1String("KOROVA")) cows = check.live;
    if (table == QLatin1String("BIK")) bulls = check.live;
  }
  auto dropStaged = [&] {
    for (const db::FileReplacement& s : staged) QFile::remove(work.filePath(s.staged));
  };
  if (cause || !mismatched.isEmpty() || !refused.isEmpty()) {
    dropStaged();
    out.messages << (cause                  ? msg::restoreCause(cause)
                     : !mismatched.isEmpty() ? msg::manifestMismatch(mismatched)
                                             : refused)
                 << msg::kRestoreNotDone;
    return out;
  }
  if (ask && !ask(msg::replaceWorkingData(backupDate(backup, manifest), cows, bulls))) {
    dropStaged();
    return out;
  }

  // Then all of them replace the working files at once, or none does.
  if (const std::optional<db::ReplaceFailure> failed = db::replaceFiles(work.path(), staged)) {
    if (failed->name.compare(QLatin1String(db::kSwapRecordName), Qt::CaseInsensitive) != 0)
      out.messages << msg::fileNotCopied(failed->name);
    out.messages << msg::restoreCause(failed->err) << msg::kRestoreNotDone;
    return out;
  }
  out.ok = true;
  out.messages << msg::kRestoreDone;
  return out;
}

std::vector<db::Table*> backupOrder(HerdTables& dm) {
  return {&dm.region, &dm.vlad, &dm.bik, &dm.korova, &dm.poroda, &dm.xarakt};
}

std::vector<db::Table*> restoreOrder(HerdTables& dm) {
  return {&dm.region, &dm.vlad, &dm.korova, &dm.xarakt, &dm.bik, &dm.poroda};
}

std::vector<ClosedTable> closeTables(const std::vector<db::Table*>& order) {
  std::vector<ClosedTable> closed;
  for (db::Table* t : order) {
    ClosedTable c{t, t->isOpen(), t->filtered(), t->filter()};
    try {
      t->close();
    } catch (const db::TableError&) {
      reopenTables(closed);
      throw;
    }
    closed.push_back(c);
  }
  return closed;
}

QStringList reopenTables(const std::vector<ClosedTable>& closed) {
  QStringList errors;
  for (const ClosedTable& c : closed) {
    if (!c.wasOpen) continue;
    try {
      c.table->open();
      c.table->setFiltered(c.filtered);
      c.table->setFilter(c.filter);
      c.table->first();
    } catch (const db::TableError& e) {
      errors << e.text();
    }
  }
  return errors;
}

}  // namespace korvel::safety
