// crash_driver [--stop-at-ready] DIR OPERATION...: the program's windows over the working
// folder DIR (offscreen), one operation done in them with scripted answers (crash_operations.h).
// Prints "ready N" right before the step that writes, N the writes made so far (the windows'
// own, while opening), and "done N" at the end; with --stop-at-ready it ends at "ready". Every
// message shown goes to stderr. The test hooks of the file layer come from the environment:
// KORVEL_KILL_AFTER_WRITE=k kills it right after its k-th write.
#include "crash_operations.h"
#include "db/file_io.h"
#include "work_folder.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <exception>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  QStringList args = QApplication::arguments().mid(1);
  const bool stopAtReady = !args.isEmpty() && args.first() == QLatin1String("--stop-at-ready");
  if (stopAtReady) args.removeFirst();
  if (args.size() < 2) {
    std::fputs("usage: crash_driver [--stop-at-ready] DIR OPERATION...\n", stderr);
    return 2;
  }
  korvel::test::App app(args.first());
  try {
    korvel::test::runOperation(app, args.mid(1), [&] {
      std::printf("ready %ld\n", korvel::db::io::writesSoFar());
      std::fflush(stdout);
      if (stopAtReady) std::_Exit(0);
    });
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 2;
  }
  for (const QString& m : app.prompts.messages) std::fprintf(stderr, "%s\n", m.toLocal8Bit().constData());
  std::printf("done %ld\n", korvel::db::io::writesSoFar());
  std::fflush(stdout);
  return 0;
}
