#include "safety/backup_restore.h"

#include "db/data_module.h"
#include "db/table_error.h"
#include "safety/drive_letters.h"
#include "safety/whole_file_copy.h"

#include <QDir>
#include <QFile>

namespace korvel::safety {

QString msg::copyNotMade(const QString& name) { return QStringLiteral("Копия ") + name + QStringLiteral(" не создана"); }
QString msg::fileNotCopied(const QString& name) { return name + QStringLiteral(" не скопирован"); }

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
  out.ok = true;
  for (const QString& name : names) {
    if (!copyReplacing(work.filePath(name), backup.filePath(targetName(backup, name)))) {
      out.messages << msg::copyNotMade(name);
      out.ok = false;
    }
  }
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

  // First every file beside its target; the working tables are not touched yet.
  struct Staged {
    QString name, temporary, target;
  };
  std::vector<Staged> staged;
  out.ok = true;
  for (const QString& name : names) {
    const QString target = work.filePath(targetName(work, name));
    const QString temporary = QFileInfo(target).isDir() ? QString() : copyToTemporary(backup.filePath(name), work.path());
    if (temporary.isEmpty()) {
      out.messages << msg::fileNotCopied(name);
      out.ok = false;
      continue;
    }
    staged.push_back({name, temporary, target});
  }
  if (!out.ok) {
    for (const Staged& s : staged) QFile::remove(s.temporary);
    out.messages << msg::kRestoreNotDone;
    return out;
  }

  // Then each complete copy replaces its working file.
  for (const Staged& s : staged) {
    if (!putInPlace(s.temporary, s.target)) {
      out.messages << msg::fileNotCopied(s.name);
      out.ok = false;
    }
  }
  out.messages << (out.ok ? msg::kRestoreDone : msg::kRestoreNotDone);
  return out;
}

std::vector<db::Table*> backupOrder(TDataModule5& dm) {
  return {&dm.Table1, &dm.vlad2, &dm.bik, &dm.korova, &dm.poroda, &dm.xarakt};
}

std::vector<db::Table*> restoreOrder(TDataModule5& dm) {
  return {&dm.Table1, &dm.vlad2, &dm.korova, &dm.xarakt, &dm.bik, &dm.poroda};
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
