// evaluate-sires: the sire evaluation without windows. Reads the working folder's tables,
// runs the request given on the command line and writes the linear profile workbook; with
// --figures also one CSV row per sire and characteristic, in full precision.
#include "cli/command_line.h"
#include "db/data_module.h"
#include "db/folder_lock.h"
#include "db/rows.h"
#include "db/table_error.h"
#include "evaluation/profile_workbook.h"
#include "evaluation/sire_statistics.h"
#include "cli/terminal_progress.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#include <charconv>
#include <cstdio>
#include <optional>

using namespace korvel;

namespace {

const cli::Command kCommand{
    "Использование: %1 ПАПКА ВЫХОД.xlsx --breed КОД\n"
    "  [--base all|no-archives|region:R|region-no-archives:R|farm:R/F]\n"
    "  [--bulls all|no-archives|region:R|region-no-archives:R|farm:R/F|bull:КОД]\n"
    "  [--figures ВЫХОД.csv]\n",
    "Оценка быков-производителей без окон: читает таблицы рабочей папки ПАПКА, считает\n"
    "по запросу и записывает книгу линейных профилей ВЫХОД.xlsx, ту же, что и программа.\n"
    "\n"
    "  --breed КОД           порода (код KODPOROD)\n"
    "  --base ВЫБОР          база сравнения: all - все коровы породы (так и без параметра),\n"
    "                        no-archives - без архивов регионов, region:R - регион R,\n"
    "                        region-no-archives:R - регион R без его архива,\n"
    "                        farm:R/F - хозяйство F региона R\n"
    "  --bulls ВЫБОР         оцениваемые быки: те же выборы и bull:КОД - один бык\n"
    "  --figures ВЫХОД.csv   записать ещё показатели каждого быка в CSV с полной точностью\n"
    "  -h, --help            показать эту справку\n"
    "  --version             показать версию\n"};

void say(const QString& text) { std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData()); }

std::optional<int> number(const QString& text) {
  bool ok = false;
  const int v = text.toInt(&ok);
  return ok ? std::optional<int>(v) : std::nullopt;
}

// Reads one of the base or bull choices into region, farm and archives; false when malformed.
bool readChoice(const QString& choice, int& region, int& farm, bool& archives) {
  if (choice == u"all") return true;
  if (choice == u"no-archives") {
    archives = false;
    return true;
  }
  const qsizetype colon = choice.indexOf(u':');
  if (colon < 0) return false;
  const QString kind = choice.left(colon), value = choice.mid(colon + 1);
  if (kind == u"region" || kind == u"region-no-archives") {
    const auto r = number(value);
    if (!r) return false;
    region = *r;
    archives = kind == u"region";
    return true;
  }
  if (kind == u"farm") {
    const QStringList parts = value.split(u'/');
    const auto r = parts.size() == 2 ? number(parts[0]) : std::nullopt;
    const auto f = parts.size() == 2 ? number(parts[1]) : std::nullopt;
    if (!r || !f) return false;
    region = *r;
    farm = *f;
    return true;
  }
  return false;
}

QByteArray shortest(float v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return QByteArray(buf, int(r.ptr - buf));
}

QByteArray csvField(const QString& text) {
  QByteArray b = text.toUtf8();
  if (b.contains(',') || b.contains('"') || b.contains('\n')) b = '"' + b.replace("\"", "\"\"") + '"';
  return b;
}

void writeFigures(const SireEvaluation& e, const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
    throw db::TableError(QStringLiteral("Файл %1 не открывается для записи.").arg(path));
  QByteArray out = "sire,kind,position,figure,zero_daughters,zero_base\n";
  const auto row = [&](const QByteArray& code, const char* kind, size_t position, const QByteArray& figure,
                       bool zd = false, bool zb = false) {
    out += code + ',' + kind + ',' + QByteArray::number(qulonglong(position)) + ',' + figure + ',' +
           (zd ? '1' : '0') + ',' + (zb ? '1' : '0') + '\n';
  };
  for (int i = 0; i < e.sireCount(); ++i) {
    const SireFigures f = e.figures(i);
    const QByteArray code = csvField(f.code);
    row(code, "daughters", 0, QByteArray::number(f.daughters));
    for (size_t j = 0; j < f.linear.size(); ++j)
      if (!e.linearRows[j].heading)
        row(code, "linear", j + 1, shortest(f.linear[j].z), f.linear[j].zeroDaughters, f.linear[j].zeroBase);
    for (size_t k = 0; k < f.defects.size(); ++k) {
      if (e.defectRows[k].heading) continue;
      row(code, "defect_marked", k + 1, shortest(f.defects[k].marked));
      row(code, "defect_strong", k + 1, shortest(f.defects[k].strong));
    }
    for (size_t m = 0; m < f.complexMeans.size(); ++m)
      if (!e.complexRows[m].heading) row(code, "complex", m + 1, shortest(f.complexMeans[m]));
    row(code, "overall", 0, shortest(f.overall));
  }
  if (file.write(out) != out.size() || !file.flush())
    throw db::TableError(QStringLiteral("Файл %1 не записан полностью.").arg(path));
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (const auto answered = cli::answerHelpOrVersion(argc, argv, kCommand)) return *answered;
  QStringList args = app.arguments().mid(1);
  QString breed, base = QStringLiteral("all"), bulls = QStringLiteral("all"), figures;
  QStringList positional;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == u"--breed" && hasValue) breed = args[++i];
    else if (a == u"--base" && hasValue) base = args[++i];
    else if (a == u"--bulls" && hasValue) bulls = args[++i];
    else if (a == u"--figures" && hasValue) figures = args[++i];
    else if (a.startsWith(u'-'))
      return cli::wrongArguments(argv[0], kCommand, QStringLiteral("Неизвестный параметр или нет его значения: %1").arg(a));
    else positional << a;
  }
  EvaluationRequest request;
  const auto breedCode = number(breed);
  bool ok = positional.size() == 2 && breedCode.has_value();
  if (ok) request.breed = *breedCode;
  ok = ok && readChoice(base, request.baseRegion, request.baseFarm, request.baseWithArchives);
  if (ok && bulls.startsWith(u"bull:")) {
    request.oneBull = true;
    request.bullCode = bulls.mid(5).left(20);
  } else {
    ok = ok && readChoice(bulls, request.bullRegion, request.bullFarm, request.bullsWithArchives);
  }
  if (!ok) return cli::wrongArguments(argv[0], kCommand);

  try {
    const auto lock = db::enterWorkFolder(positional[0]);
    if (lock->busy()) {
      say(lock->busyMessage());
      return 1;
    }
    HerdTables dm(positional[0]);
    if (!dm.openError().isEmpty()) throw db::TableError(dm.openError());
    EvaluationRun run(dm);
    tools::TerminalProgress progress;
    // The tool reads each table once: what it has read leaves its memory as it goes.
    const SireEvaluation e = scanSires(dm, request, [&](qint64 done, qint64 total) {
      progress.show(QStringLiteral("Прочитано записей коров: %1 из %2").arg(done).arg(total), done == total);
      db::releaseRecords(dm.korova.file(), uint32_t(done));
    });
    progress.clear();
    const EvaluationCheck check = checkEvaluation(e);
    if (check != EvaluationCheck::Ok) {
      say(checkMessage(check));
      return 1;
    }
    if (!figures.isEmpty()) writeFigures(e, figures);
    const ProfileNames names = readProfileNames(dm, e);
    db::releaseRecords(dm.bik.file(), dm.bik.file().recordCount());
    writeProfileWorkbook(e, names, positional[1], [&](int done, int total) {
      progress.show(QStringLiteral("Записано листов: %1 из %2").arg(done).arg(total), done == total);
    });
  } catch (const db::TableError& e) {
    say(e.text());
    return 1;
  } catch (const xlsx::WriteError& e) {
    say(e.message());
    return 1;
  }
  return 0;
}
