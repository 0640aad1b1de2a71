// The files the program keeps in the working folder beside the six tables.
#pragma once

namespace korvel::db {

// The lock file that keeps a second copy away from the same working folder. Its name does
// not look like a table or a table backup.
inline constexpr const char* kLockFileName = "korvel.lock";

// The journal of the operation in progress (db/journal.h): it exists only while an operation
// runs, or after one was interrupted until the folder is next opened. A backup must never
// take it and a restore must never bring one in, so its name does not look like a table.
inline constexpr const char* kJournalFileName = "korvel.journal";

}  // namespace korvel::db
