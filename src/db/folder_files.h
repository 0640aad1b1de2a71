// The files the program keeps in the working folder beside the six tables. None of their names
// contains ".dbf", and a listing of tables or of files to copy leaves every one of them out.
#pragma once

#include <QStringView>

namespace korvel::db {

// The lock file that keeps a second copy away from the same working folder. Its name does
// not look like a table or a table backup.
inline constexpr const char* kLockFileName = "korvel.lock";

// The journal of the operation in progress (db/journal.h): it exists only while an operation
// runs, or after one was interrupted until the folder is next opened. A backup must never
// take it and a restore must never bring one in, so its name does not look like a table.
inline constexpr const char* kJournalFileName = "korvel.journal";

// The record of a replacement of files in progress (file_set_swap.h): while it exists, the
// folder's files are not yet all replaced, and the next opening of the folder puts them back.
inline constexpr const char* kSwapRecordName = "korvel-swap.rec";

// Temporary files (copies being written, replaced files kept until a replacement is done):
// hidden where dot names are, and removed by the next opening of the folder when left behind.
inline constexpr const char* kTemporaryPrefix = ".korvel-";
inline constexpr const char* kTemporarySuffix = ".korvel-tmp";

inline bool isTemporaryName(QStringView name) {
  return name.endsWith(QLatin1String(kTemporarySuffix), Qt::CaseInsensitive);
}

// Whether a name in the working folder is one of the program's own files above.
inline bool isProgramFile(QStringView name) {
  return isTemporaryName(name) || name.compare(QLatin1String(kLockFileName), Qt::CaseInsensitive) == 0 ||
         name.compare(QLatin1String(kSwapRecordName), Qt::CaseInsensitive) == 0 ||
         name.compare(QLatin1String(kJournalFileName), Qt::CaseInsensitive) == 0;
}

// Whether a name in the working folder is a file the herd lives in: a table or one of its
// companions (a name holding ".dbf", what a backup takes) or one of the program's own files.
inline bool isHerdFile(QStringView name) {
  return name.contains(QLatin1String(".dbf"), Qt::CaseInsensitive) || isProgramFile(name);
}

}  // namespace korvel::db
