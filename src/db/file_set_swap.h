// Replacing a set of files of one folder all or nothing. Each new file, complete and flushed
// under a temporary name in the folder, takes its target's name; the files it replaces are
// kept under temporary names until every new one is in place, and a record of the replacement
// in progress (kSwapRecordName) lets the next opening of the folder put every file back when
// the process was killed or the power went midway.
#pragma once

#include <QString>
#include <optional>
#include <vector>

namespace korvel::db {

// One file to replace; both are names within the folder.
struct FileReplacement {
  QString staged;  // the complete new file, under a temporary name
  QString target;  // the name it takes; a file there is replaced
};

// What stopped a replacement: the file that could not be put in place and the error number.
struct ReplaceFailure {
  QString name;
  int err = 0;
};

// Replaces every target by its staged file. On failure every target is as it was, the staged
// files are gone, and the failure is returned.
std::optional<ReplaceFailure> replaceFiles(const QString& folder, const std::vector<FileReplacement>& files);

// Runs whenever the folder's tables are opened, before any of them is read: a replacement left
// unfinished is undone, so that every file is as before it, and temporaries left behind are
// removed. Throws TableError when a file cannot be put back.
void undoUnfinishedReplacement(const QString& folder);

}  // namespace korvel::db
