#include "safety/backup_restore.h"

#include "db/data_module.h"
#include "db/file_io.h"
#include "db/file_set_swap.h"
#include "db/folder_files.h"
#include "db/table_error.h"
#include "safety/backup_manifest.h"
#include "safety/drive_letters.h"
#include "safety/whole_file_copy.h"

#include <QDir>
#include <QFile>
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

namespace {

// The backup folder of the medium as it is stored (any case); empty when there is none.
QString existingBackupFolder(const QDir& root) { return findEntry(root, kBackupFolderName, QDir::Dirs); }

// The name a copied file takes in `dir`: the file that is there already under that name in
// another case is the one replaced, as on a medium whose names ignore case.
QString targetName(const QDir& dir, const QString& name) {
  const QString existing = findEntry(dir, name, QDir::Files);
  return existing.isEmpty() ? name : existing;
}

}  // namespace

CopyOutcome backupToDrive(const QString& workDir, QChar letter) {
  CopyOutcome out;
  QDir root(driveRoot(letter));
  QString folder = existingBackupFolder(root);
  if (folder.isEmpty()) {
    if (!root.mkdir(kBackupFolderName)) {
      out.messages << msg::kFolderNotCreated << msg::kBackupNotDone;
      return out;
    }
    folder = kBackupFolderName;
  }
  const QDir backup(root.filePath(folder));
  const QDir work(workDir);

  const QStringList names = listFiles(work, QStringLiteral("*.dbf*"));
  if (names.isEmpty()) {
    out.messages << msg::kBackupNotDone;
    return out;
  }
  // Until the manifest is written again, the folder is an unfinished backup to a restore.
  int cause = markUnfinished(backup);
  // Copies an interrupted backup left half-written only take room.
  for (const QString& name : backup.entryList(QDir::Files | QDir::Hidden | QDir::System))
    if (db::isTemporaryName(name)) QFile::remove(backup.filePath(name));
  std::vector<ManifestEntry> copied;
  for (const QString& name : cause ? QStringList() : names) {
    const QString stored = targetName(backup, name);
    const QString target = backup.filePath(stored);
    Copied c = copyReplacing(work.filePath(name), target);
    if (isNoRoom(c.err) && QFileInfo::exists(target) && db::io::remove(target) == 0) {
      // No room for the new copy beside the old one: the old one goes first. The working folder
      // is the source, so nothing is lost but an old copy already marked unfinished.
      c = copyReplacing(work.filePath(name), target);
    }
    if (c.err) {
      out.messages << msg::copyNotMade(name);
      if (!cause) cause = c.err;
      continue;
    }
    copied.push_back({stored, c.print});
  }
  if (!cause) cause = db::io::syncFolder(backup.path());
  if (!cause) cause = writeManifest(backup, copied);
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

CopyOutcome restoreFromDrive(const QString& workDir, QChar letter) {
  CopyOutcome out;
  const QDir root(driveRoot(letter));
  const QString folder = existingBackupFolder(root);
  // Every regular file of the folder ("*.*" on a drive-letter system matches names without a dot too).
  const QStringList names = folder.isEmpty() ? QStringList() : listFiles(QDir(root.filePath(folder)), QStringLiteral("*"));
  if (names.isEmpty()) {
    out.messages << msg::kRestoreNotDone;
    return out;
  }
  const QDir backup(root.filePath(folder));
  const QDir work(workDir);

  // A set the manifest does not vouch for is refused before anything is copied.
  const Manifest manifest = readManifest(backup);
  if (manifest.state == Manifest::State::Unfinished) {
    out.messages << msg::kBackupUnfinished << msg::kRestoreNotDone;
    return out;
  }
  QStringList mismatched;
  std::map<QString, Fingerprint> expected;  // by the name as stored
  for (const ManifestEntry& e : manifest.files) {
    const QString stored = findEntry(backup, e.name, QDir::Files);
    if (stored.isEmpty() || QFileInfo(backup.filePath(stored)).size() != e.print.size) mismatched << e.name;
    else expected[stored] = e.print;
  }

  // First every file beside its target; the working files are not touched yet. Their
  // checksums are taken on the way.
  std::vector<db::FileReplacement> staged;
  int cause = 0;
  for (const QString& name : mismatched.isEmpty() ? names : QStringList()) {
    const QString target = targetName(work, name);
    const Copied c = QFileInfo(work.filePath(target)).isDir() ? Copied{{}, EISDIR, {}}
                                                                : copyToTemporary(backup.filePath(name), work.path());
    if (c.err) {
      out.messages << msg::fileNotCopied(name);
      if (!cause) cause = c.err;
      continue;
    }
    staged.push_back({QFileInfo(c.path).fileName(), target});
    const auto listed = expected.find(name);
    if (listed != expected.end() && listed->second != c.print) mismatched << name;
  }
  if (cause || !mismatched.isEmpty()) {
    for (const db::FileReplacement& s : staged) QFile::remove(work.filePath(s.staged));
    out.messages << (cause ? msg::restoreCause(cause) : msg::manifestMismatch(mismatched)) << msg::kRestoreNotDone;
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
