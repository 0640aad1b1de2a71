// make-workdir [--demo] DIR: lays out a starter working folder; existing files are never
// touched, and a folder that holds some of the six tables but not all is refused (exit status
// 1). With --demo a folder without tables gets the demonstration herd instead of empty tables.
#include "base/user_error.h"
#include "cli/command_line.h"
#include "tool_folder.h"
#include "db/journal.h"
#include "starter/demo_folder.h"
#include "starter/starter_folder.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

namespace {

const korvel::cli::Command kCommand{
    "Использование: %1 ПАПКА\n"
    "          или: %1 --demo ПАПКА\n",
    "Раскладывает в ПАПКЕ (её создаёт, если нет) начальную рабочую папку Корвеля. Шесть таблиц\n"
    "(REGION, VLAD, KOROVA, BIK, PORODA пустые, XARAKT с каталогом признаков) пишутся только\n"
    "в папку, где нет ни одной из них; где есть все шесть, дописываются лишь недостающие\n"
    "инструкции и рисунки. Папка, где есть только часть таблиц, не трогается: недостающие\n"
    "таблицы называются, код завершения 1. Имеющиеся файлы не меняются.\n"
    "\n"
    "  --demo      в папке без таблиц записать вместо пустых таблиц демонстрационное стадо\n"
    "              на несколько тысяч коров с рассчитанными показателями быков\n"
    "  -h, --help  показать эту справку\n"
    "  --version   показать версию\n"};

int run(int argc, char** argv) {
  const QStringList args = korvel::cli::arguments(argc, argv);
  if (const auto answered = korvel::cli::answerHelpOrVersion(args, kCommand)) return *answered;
  const bool demo = args.size() == 3 && args[1] == u"--demo";
  if (args.size() != 2 + int(demo) || args.back().startsWith(u'-')) return korvel::cli::wrongArguments(args[0], kCommand);
  // Pictures are drawn with fonts, which need a GUI application, but never a display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString dir = args.back();
  const QString shown = QDir::toNativeSeparators(dir);
  if (!QDir().mkpath(dir)) throw korvel::UserError(QStringLiteral("Папка %1 не создаётся.").arg(QDir::toNativeSeparators(dir)));
  const auto lock = korvel::tools::enterFolder(dir);
  if (!lock) return 1;
  if (demo) {
    korvel::cli::print(stdout, shown + (korvel::layOutDemoFolder(dir) ? QStringLiteral(": записано демонстрационное стадо\n")
                                                                      : QStringLiteral(": таблицы уже есть, стадо не записывалось\n")));
    return 0;
  }
  const QStringList written = korvel::layOutStarterFolder(dir);
  korvel::cli::print(stdout, QStringLiteral("%1: записано файлов: %2\n").arg(shown).arg(written.size()));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return korvel::cli::guarded([&] { return run(argc, argv); });
}
