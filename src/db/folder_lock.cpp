#include "db/folder_lock.h"

#include "db/folder_files.h"
#include "db/folder_recovery.h"

#include <QDir>

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

std::unique_ptr<FolderLock> enterWorkFolder(const QString& dir) {
  auto lock = std::make_unique<FolderLock>(dir);
  if (!lock->busy()) recoverWorkFolder(dir);
  return lock;
}

}  // namespace korvel::db
