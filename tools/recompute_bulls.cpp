// recompute-bulls DIR: recomputes and writes the figures of every live bull of a working
// folder, as showing each bull on the bull card would, and prints one line per bull: his code and
// his number of daughters (a bull whose code is no number is reported on stderr).
#include "db/data_module.h"
#include "db/table_error.h"
#include "sires/bull_figures.h"
#include "terminal_progress.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <exception>
#include <vector>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "Использование: recompute-bulls ПАПКА\n");
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(argv[1]);
  if (!QDir(dir).exists()) {
    std::fprintf(stderr, "Папка %s не найдена.\n", QDir::toNativeSeparators(dir).toLocal8Bit().constData());
    return 1;
  }
  try {
    korvel::TDataModule5 dm(dir);
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
