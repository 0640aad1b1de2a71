// safety-driver backup|restore WORKDIR LETTER: one backup or restore of a working folder, as
// the windows run it, in a process of its own, so that the crash tests can kill it midway
// (KORVEL_KILL_AFTER_WRITE). The messages go to the standard output; the exit code is 0 when
// the operation succeeded.
#include "safety/backup_restore.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() != 4 || args[3].size() != 1 || (args[1] != "backup" && args[1] != "restore")) {
    std::fprintf(stderr, "usage: safety-driver backup|restore WORKDIR LETTER\n");
    return 2;
  }
  const korvel::safety::CopyOutcome out = args[1] == "backup" ? korvel::safety::backupToDrive(args[2], args[3][0])
                                                                : korvel::safety::restoreFromDrive(args[2], args[3][0]);
  for (const QString& m : out.messages) std::printf("%s\n", m.toUtf8().constData());
  return out.ok ? 0 : 1;
}
