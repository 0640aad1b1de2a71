// The files the program keeps in the working folder beside the six tables.
#pragma once

namespace korvel::db {

// The lock file that keeps a second copy away from the same working folder. Its name does
// not look like a table or a table backup.
inline constexpr const char* kLockFileName = "korvel.lock";

}  // namespace korvel::db
