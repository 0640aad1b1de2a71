// Корвель: start-up guard, creation of every window, the main menu and the event loop.
#include "app/form_set.h"
#include "app/main_menu.h"
#include "app/startup_guard.h"
#include "db/data_module.h"
#include "db/folder_files.h"
#include "ui/forms.h"
#include "ui/minimize_together.h"
#include "ui/real_prompts.h"
#include "ui/window_font.h"

#include <QApplication>
#include <QDir>
#include <QLockFile>
#include <cstdio>

using namespace korvel;

namespace {

int refuseStart(Prompts& p, const QString& title) {
  const QString text = guardMessage(title);
  std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
  p.message(text);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Корвель"));
  useWindowFont();
  minimizeWindowsTogether();
  RealPrompts realPrompts;
  setPrompts(&realPrompts);

  if (const auto windows = desktopWindows())
    if (const auto title = blockingTitle(*windows)) return refuseStart(realPrompts, *title);

  // Where the window list cannot be seen, or another copy already works on this folder,
  // the lock file is what keeps two copies from writing the same tables.
  QLockFile lock(QDir::current().filePath(QString::fromLatin1(db::kLockFileName)));
  lock.setStaleLockTime(0);
  if (!lock.tryLock(0) && lock.error() == QLockFile::LockFailedError)
    return refuseStart(realPrompts, QStringLiteral("Корвель"));

  FormSet formSet(QDir::currentPath());
  // A catalogue that could not be opened is told by the menu's activation, once the menu is
  // on the screen.
  forms().Form1->show();
  return QApplication::exec();
}
