// The working folder's lock: the program and every tool that opens a folder's tables take it
// first and keep it while they work, so that one process at a time works on a folder. Opening
// the tables runs a recovery (an interrupted restore put back, an interrupted operation rolled
// back) that must never run beside a live program: enterWorkFolder is the one way in, the lock
// first and the recovery only once it is held.
#pragma once

#include <QLockFile>
#include <QString>
#include <memory>
#include <optional>

namespace korvel::db {

class FolderLock {
 public:
  // Tries once to take the lock file of the folder `dir` (which must exist).
  explicit FolderLock(const QString& dir);
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  // Another live process holds the lock: the folder must not be opened.
  bool busy() const { return busy_; }
  // The lock is ours. Neither busy nor held: the lock could not be made (a folder without
  // write access, a full disk), and a folder that cannot be locked is not worked on.
  bool held() const { return file_.isLocked(); }

  // The refusal for a tool, naming the folder and the program that holds it.
  QString busyMessage() const;
  // The refusal where the lock could not be made, with the cause.
  QString unmadeMessage() const;

 private:
  QString dir_;
  QLockFile file_;
  bool busy_ = false;
};

// Takes the lock of `dir` (which must exist) and, once it is held, puts back what an interrupted
// run left there (db/folder_recovery.h). A busy lock is returned with nothing in the folder read
// or changed. Throws TableError when the lock cannot be made or the recovery fails.
std::unique_ptr<FolderLock> enterWorkFolder(const QString& dir);

// The refusal of a tool's output file that would be written over a file the herd of `folder`
// lives in (symbolic links followed, whether the file exists yet or not); nothing when it may
// be written.
std::optional<QString> outputRefusal(const QString& folder, const QString& output);

}  // namespace korvel::db
