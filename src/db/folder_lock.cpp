#include "db/folder_lock.h"

#include "db/file_io.h"
#include "db/folder_files.h"
#include "db/folder_recovery.h"
#include "db/table_error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace korvel::db {

FolderLock::FolderLock(const QString& dir)
    : dir_(dir), file_(QDir(dir).filePath(QString::fromLatin1(kLockFileName))) {
  // Age never makes a lock stale: only a holder that is no longer running does, which
  // QLockFile finds out by itself.
  file_.setStaleLockTime(0);
  busy_ = !file_.tryLock(0) && file_.error() == QLockFile::LockFailedError;
}

QString FolderLock::busyMessage() const {
  qint64 pid = 0;
  QString host, program;
  QString holder;
  if (file_.getLockInfo(&pid, &host, &program) && pid > 0)
    holder = QStringLiteral(" (%1, процесс %2)").arg(program.isEmpty() ? QStringLiteral("?") : program).arg(pid);
  return QStringLiteral("С папкой %1 уже работает Корвель или другая его программа%2. Дождитесь, пока она "
                        "закончит, или закройте её и повторите. Ничего не сделано.")
      .arg(QDir::toNativeSeparators(dir_), holder);
}

QString FolderLock::unmadeMessage() const {
  // QLockFile keeps the system's reason to itself: a file of the same name made and written
  // once tells it.
  QFile probe(file_.fileName() + QLatin1String(kTemporarySuffix));
  QString why;
  if (!probe.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
    why = io::causeText(probe);
  } else {
    if (probe.write("?", 1) != 1) why = io::causeText(probe);
    probe.close();
    probe.remove();
  }
  if (why.isEmpty()) why = QStringLiteral("причина неизвестна");
  return QStringLiteral("С папкой %1 работать нельзя: в ней не создаётся файл блокировки %2 (%3), а без него "
                        "другая копия Корвеля или его программа могла бы работать с папкой одновременно. "
                        "Освободите место на диске или дайте права на запись в папку и повторите. Ничего не сделано.")
      .arg(QDir::toNativeSeparators(dir_), QString::fromLatin1(kLockFileName), why);
}

std::unique_ptr<FolderLock> enterWorkFolder(const QString& dir) {
  auto lock = std::make_unique<FolderLock>(dir);
  if (lock->busy()) return lock;
  if (!lock->held()) throw TableError(lock->unmadeMessage());
  recoverWorkFolder(dir);
  return lock;
}

namespace {

// The file a path names once every symbolic link on the way is followed, whether it exists yet
// or not.
QString resolvedPath(const QString& path) {
  QFileInfo f(path);
  for (int hops = 0; f.isSymLink() && hops < 40; ++hops) f = QFileInfo(f.symLinkTarget());
  const QString folder = QFileInfo(f.absolutePath()).canonicalFilePath();
  return folder.isEmpty() ? f.absoluteFilePath() : QDir(folder).filePath(f.fileName());
}

}  // namespace

std::optional<QString> outputRefusal(const QString& folder, const QString& output) {
  const QFileInfo target(resolvedPath(output));
  const QString herd = QFileInfo(folder).canonicalFilePath();
  if (herd.isEmpty() || target.absolutePath() != herd || !isHerdFile(target.fileName())) return std::nullopt;
  return QStringLiteral("Файл %1 нельзя записать: это файл %2 рабочей папки %3, и запись в него испортила бы "
                        "стадо. Укажите другой файл. Ничего не сделано.")
      .arg(QDir::toNativeSeparators(output), target.fileName(), QDir::toNativeSeparators(folder));
}

}  // namespace korvel::db
