// make-workdir [--demo] DIR: lays out a starter working folder; existing files are never
// touched, and a folder that holds some of the six tables but not all is refused (exit status
// 1). With --demo a folder without tables gets the demonstration herd instead of empty tables.
#include "base/user_error.h"
#include "cli/command_line.h"
#include "db/folder_lock.h"
#include "db/journal.h"
#include "starter/demo_folder.h"
#include "starter/starter_folder.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>
#include <cstring>

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
  if (const auto answered = korvel::cli::answerHelpOrVersion(argc, argv, kCommand)) return *answered;
  const bool demo = argc == 3 && std::strcmp(argv[1], "--demo") == 0;
  if (argc != 2 + int(demo) || argv[argc - 1][0] == '-') return korvel::cli::wrongArguments(argv[0], kCommand);
  // Pictures are drawn with fonts, which need a GUI application, but never a display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString dir = QString::fromLocal8Bit(argv[argc - 1]);
  const QByteArray shown = QDir::toNativeSeparators(dir).toLocal8Bit();
  if (!QDir().mkpath(dir)) throw korvel::UserError(QStringLiteral("Папка %1 не создаётся.").arg(QDir::toNativeSeparators(dir)));
  const auto lock = korvel::db::enterWorkFolder(dir);
  if (lock->busy()) {
    korvel::cli::sayError(lock->busyMessage());
    return 1;
  }
  // An operation an earlier run left unfinished was just rolled back: say so.
  if (const QString notice = korvel::db::takeRecoveryNotice(); !notice.isEmpty()) korvel::cli::sayError(notice);
  if (demo) {
    std::printf(korvel::layOutDemoFolder(dir) ? "%s: записано демонстрационное стадо\n"
                                              : "%s: таблицы уже есть, стадо не записывалось\n",
                shown.constData());
    return 0;
  }
  const QStringList written = korvel::layOutStarterFolder(dir);
  std::printf("%s: записано файлов: %lld\n", shown.constData(), static_cast<long long>(written.size()));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return korvel::cli::guarded([&] { return run(argc, argv); });
}
