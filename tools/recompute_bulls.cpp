// recompute-bulls DIR: recomputes and writes the figures of every live bull of a working
// folder, as showing each bull on the bull card would, and prints one line per bull: his code and
// his number of daughters (a bull whose code is no number is reported on stderr).
#include "cli/command_line.h"
#include "db/data_module.h"
#include "tool_folder.h"
#include "db/journal.h"
#include "sires/bull_figures.h"
#include "cli/terminal_progress.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <vector>

namespace {

const korvel::cli::Command kCommand{
    "Использование: %1 ПАПКА\n",
    "Пересчитывает и записывает показатели каждого действующего быка рабочей папки ПАПКА, как\n"
    "показ быка в карточке, и печатает по строке на быка: его код и число дочерей. Бык,\n"
    "чей код не число, называется в потоке ошибок, и тогда код завершения 1.\n"
    "\n"
    "  -h, --help  показать эту справку\n"
    "  --version   показать версию\n"};

int run(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = korvel::cli::arguments(argc, argv);
  if (const auto answered = korvel::cli::answerHelpOrVersion(args, kCommand)) return *answered;
  if (args.size() != 2 || args[1].startsWith(u'-')) return korvel::cli::wrongArguments(args[0], kCommand);
  const QString dir = args[1];
  if (!korvel::tools::folderFound(dir)) return 1;
  const auto lock = korvel::tools::enterFolder(dir);
  if (!lock) return 1;
  korvel::HerdTables dm(dir);
  int failed = 0;
  std::vector<korvel::RecomputedBull> bulls;
  {
    korvel::tools::TerminalProgress progress;
    korvel::RecomputeProgress report;
    report.rowsRead = [&](qint64 done, qint64 total) {
      progress.show(QStringLiteral("Прочитано записей коров: %1 из %2").arg(done).arg(total), done == total);
    };
    report.bullsWritten = [&](int done) { progress.show(QStringLiteral("Записано быков: %1").arg(done)); };
    bulls = korvel::recomputeEveryLiveBull(dm, report);
  }
  for (const korvel::RecomputedBull& b : bulls) {
    if (!b.error.isEmpty()) {
      ++failed;
      korvel::cli::sayError(b.code + u'\t' + b.name + u'\t' + b.error);
      continue;
    }
    korvel::cli::print(stdout, b.code + u'\t' + QString::number(b.daughters) + u'\n');
  }
  return failed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  return korvel::cli::guarded([&] { return run(argc, argv); });
}
