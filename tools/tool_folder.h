// A tool enters a herd's folder as the program does: the folder's lock first, refused (and said)
// while another process works on the folder, then what an earlier run left unfinished rolled
// back and said.
#pragma once

#include "cli/command_line.h"
#include "db/folder_lock.h"
#include "db/journal.h"

#include <QDir>
#include <memory>

namespace korvel::tools {

// False, with the message said, when `dir` is no folder.
inline bool folderFound(const QString& dir) {
  if (QDir(dir).exists()) return true;
  cli::sayError(QStringLiteral("Папка %1 не найдена.").arg(QDir::toNativeSeparators(dir)));
  return false;
}

// The lock held while the tool works; null, with the message said, when the folder is busy.
inline std::unique_ptr<db::FolderLock> enterFolder(const QString& dir) {
  auto lock = db::enterWorkFolder(dir);
  if (lock->busy()) {
    cli::sayError(lock->busyMessage());
    return nullptr;
  }
  if (const QString notice = db::takeRecoveryNotice(); !notice.isEmpty()) cli::sayError(notice);
  return lock;
}

}  // namespace korvel::tools
