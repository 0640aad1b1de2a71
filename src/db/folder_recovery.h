// What an earlier run left unfinished in a working folder is undone before any of its tables
// is read: first the files a restore was replacing, then the journal of an operation. It must
// never run beside a live process working on the folder: the program and every tool reach it
// through enterWorkFolder (db/folder_lock.h), once the folder's lock is held. The data module
// runs it again when it opens a folder, which then finds nothing left to do.
#pragma once

#include "db/file_set_swap.h"
#include "db/journal.h"

namespace korvel::db {

inline void recoverWorkFolder(const QString& folder) {
  undoUnfinishedReplacement(folder);
  recoverInterruptedOperation(folder);
}

}  // namespace korvel::db
