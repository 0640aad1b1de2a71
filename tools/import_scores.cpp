// import-scores FOLDER FILE: a filled scoring form (.xlsx or CSV) taken into the working
// folder's cows without windows. Prints what would change and what is refused, then writes
// every change in one operation and recomputes the figures of the cows' fathers.
#include "cli/command_line.h"
#include "cli/terminal_progress.h"
#include "db/data_module.h"
#include "tool_folder.h"
#include "db/journal.h"
#include "scoreform/score_import.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

using namespace korvel;

namespace {

const cli::Command kCommand{
    "Использование: %1 ПАПКА ФАЙЛ [--dry-run] [--skip-refused] [--empty-clears]\n",
    "Загружает заполненный бланк оценки ФАЙЛ (.xlsx или CSV) в таблицу коров рабочей папки\n"
    "ПАПКА: печатает, чьи оценки изменятся (было → стало), какие строки и столбцы отказаны и\n"
    "каких коров этих хозяйств нет в файле, затем записывает все изменения одной операцией и\n"
    "пересчитывает показатели отцов изменённых коров. Если хотя бы одна строка или столбец\n"
    "отказаны, ничего не записывается (без --skip-refused).\n"
    "\n"
    "  --dry-run        только показать, ничего не записывать\n"
    "  --skip-refused   записать принятые строки, пропустив отказанные\n"
    "  --empty-clears   пустая ячейка стирает оценку (без него оставляет прежнюю)\n"
    "  -h, --help       показать эту справку\n"
    "  --version        показать версию\n"
    "\n"
    "Код завершения: 0 - записано (или с --dry-run: отказов нет), 1 - ничего не записано\n"
    "(отказанные строки, негодный файл, недоступная папка), 2 - неверные аргументы.\n"};

void print(const QString& text) { cli::print(stdout, text); }

int run(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList command = cli::arguments(argc, argv);
  if (const auto answered = cli::answerHelpOrVersion(command, kCommand)) return *answered;
  QStringList paths;
  bool dryRun = false;
  scoreform::ImportOptions options;
  for (const QString& a : command.mid(1)) {
    if (a == u"--dry-run") dryRun = true;
    else if (a == u"--skip-refused") options.skipRefused = true;
    else if (a == u"--empty-clears") options.emptyClears = true;
    else if (a.startsWith(u'-')) return cli::wrongArguments(command[0], kCommand, QStringLiteral("Неизвестный параметр %1.").arg(a));
    else paths << a;
  }
  if (paths.size() != 2) return cli::wrongArguments(command[0], kCommand);
  const QString dir = paths[0], file = paths[1];
  if (!tools::folderFound(dir)) return 1;
  const scoreform::FilledForm form = scoreform::readFilledForm(file);

  const auto lock = tools::enterFolder(dir);
  if (!lock) return 1;
  HerdTables dm(dir);
  if (!dm.openError().isEmpty()) {
    cli::sayError(dm.openError());
    return 1;
  }
  TraitCatalogue catalogue(dm.xarakt, &dm.korova);
  const scoreform::ImportPlan plan = scoreform::planImport(dm, catalogue, form, options);
  print(scoreform::previewText(plan));

  const bool refused = !plan.refused.empty() || !plan.unknownColumns.empty();
  if (refused && !options.skipRefused) {
    cli::sayError(QStringLiteral("Ничего не записано: в файле есть отказанные строки или столбцы. Исправьте их или "
                                 "запустите с --skip-refused, чтобы записать остальное."));
    return 1;
  }
  if (dryRun) {
    print(QStringLiteral("\nПроверка (--dry-run): ничего не записано.\n"));
    return 0;
  }
  if (plan.changes.empty()) {
    print(QStringLiteral("\nЗаписывать нечего: оценки в файле те же, что в таблице.\n"));
    return 0;
  }
  scoreform::ImportResult result;
  {
    tools::TerminalProgress progress;
    result = scoreform::applyImport(dm, catalogue, plan, [&](int done, int total) {
      progress.show(QStringLiteral("Записано коров: %1 из %2").arg(done).arg(total), done == total);
    });
  }
  print(QStringLiteral("\nЗаписано коров: %1; пересчитаны показатели быков: %2.\n")
            .arg(result.cowsWritten)
            .arg(result.bullsRecomputed));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return cli::guarded([&] { return run(argc, argv); });
}
