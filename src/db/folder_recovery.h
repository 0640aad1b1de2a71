// What an earlier run left unfinished in a working folder is undone before any of its tables
// is read: first the files a restore was replacing, then the journal of an operation. The
// program's data module and every tool that opens or replaces the folder's tables call it.
#pragma once

#include "db/file_set_swap.h"
#include "db/journal.h"

namespace korvel::db {

inline void recoverWorkFolder(const QString& folder) {
  undoUnfinishedReplacement(folder);
  recoverInterruptedOperation(folder);
}

}  // namespace korvel::db
