// recompute-bulls DIR: recomputes and writes the figures of every live bull of a working
// folder, as showing each bull on the bull card would, and prints one line per bull: his code and
// his number of daughters (a bull whose code is no number is reported on stderr).
#include "cli/command_line.h"
#include "db/data_module.h"
#include "db/folder_lock.h"
#include "db/table_error.h"
#include "sires/bull_figures.h"
#include "cli/terminal_progress.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <exception>
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

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (const auto answered = korvel::cli::answerHelpOrVersion(argc, argv, kCommand)) return *answered;
  if (argc != 2 || argv[1][0] == '-') return korvel::cli::wrongArguments(argv[0], kCommand);
  const QString dir = QString::fromLocal8Bit(argv[1]);
  if (!QDir(dir).exists()) {
    std::fprintf(stderr, "Папка %s не найдена.\n", QDir::toNativeSeparators(dir).toLocal8Bit().constData());
    return 1;
  }
  try {
    const auto lock = korvel::db::enterWorkFolder(dir);
    if (lock->busy()) {
      korvel::cli::sayError(lock->busyMessage());
      return 1;
    }
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
        std::fprintf(stderr, "%s\t%s\t%s\n", b.code.toLocal8Bit().constData(), b.name.toLocal8Bit().constData(),
                     b.error.toLocal8Bit().constData());
        continue;
      }
      std::printf("%s\t%d\n", b.code.toLocal8Bit().constData(), b.daughters);
    }
    return failed ? 1 : 0;
  } catch (const korvel::db::TableError& e) {
    std::fprintf(stderr, "%s\n", e.text().toLocal8Bit().constData());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
  }
  return 1;
}
