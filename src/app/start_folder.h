// Where the program works, chosen by its command line: the folder it is started in (its
// tables must be there), a folder named on the command line, the user's herd folder (~/Корвель
// unless another was chosen; the choice is remembered between runs, and the folder is laid out
// on its first start) or the demonstration folder (~/Корвель-демо, a generated herd). The folder
// is locked before anything in it is read or written.
#pragma once

#include "db/folder_lock.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace korvel {

class Prompts;

struct StartCommand {
  enum class Where { Current, Folder, Herd, Demo };
  Where where = Where::Current;
  QString folder;               // Folder: the folder named; Herd: a newly chosen herd folder, or empty
  std::optional<int> exitCode;  // the command line was answered (--help, --version) or refused
};

// Reads the program's arguments (its own name first). --help, --version and wrong arguments are
// answered here on the standard streams, before any window system is needed.
StartCommand readStartCommand(const QStringList& args);

// The file that remembers the chosen herd folder (~/.config/korvel/korvel.conf).
QString settingsFile();
// The herd folder chosen last, or ~/Корвель when none was chosen.
QString herdFolder();
// The demonstration folder, ~/Корвель-демо.
QString demoFolder();

// The folder the program works in, held locked while the object lives.
class WorkingFolder {
 public:
  // Finds the folder the command names, locks it, brings back what an interrupted run left
  // there and, for the herd and demonstration folders, lays it out when it holds no tables
  // yet; then makes it the current folder. Returns an exit status when the program must not
  // start: the reason has been told on standard error and through the prompts.
  std::optional<int> enter(const StartCommand& command, Prompts& prompts);
  const QString& path() const { return path_; }

 private:
  QString path_;
  std::unique_ptr<db::FolderLock> lock_;
};

}  // namespace korvel
