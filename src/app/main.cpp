// Корвель: start-up guard, creation of every window, the main menu and the event loop.
#include "app/form_set.h"
#include "app/main_menu.h"
#include "app/start_folder.h"
#include "app/startup_guard.h"
#include "cli/command_line.h"
#include "db/data_module.h"
#include "ui/forms.h"
#include "ui/minimize_together.h"
#include "ui/real_prompts.h"
#include "ui/window_font.h"

#include <QApplication>
#include <QIcon>

using namespace korvel;

namespace {

int refuseStart(Prompts& p, const QString& title) {
  const QString text = guardMessage(title);
  cli::sayError(text);
  p.message(text);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  // The command line is read before any window system is touched: --help and --version need none.
  const StartCommand command = readStartCommand(cli::arguments(argc, argv));
  if (command.exitCode) return *command.exitCode;

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Корвель"));
  useWindowFont();
  minimizeWindowsTogether();
  // The menu entry's name and its icon (from the icon theme, where the package installed it).
  QApplication::setDesktopFileName(QStringLiteral("ru.korvel.Korvel"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("ru.korvel.Korvel")));
  RealPrompts realPrompts;
  setPrompts(&realPrompts);

  if (const auto windows = desktopWindows())
    if (const auto title = blockingTitle(*windows)) return refuseStart(realPrompts, *title);

  // The folder is locked before anything in it is read: where the window list cannot be seen,
  // or another copy already works on this folder, the lock is what keeps two copies apart.
  WorkingFolder folder;
  if (const auto refused = folder.enter(command, realPrompts)) return *refused;

  FormSet formSet(folder.path());
  // A catalogue that could not be opened is told by the menu's activation, once the menu is
  // on the screen.
  forms().mainMenu->show();
  return QApplication::exec();
}
