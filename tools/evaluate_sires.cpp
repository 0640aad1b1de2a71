// evaluate-sires: the sire evaluation without windows. Reads the working folder's tables,
// runs the request given on the command line and writes the linear profile workbook, or with
// --pdf their printable catalogue, or both; with --figures also one CSV row per sire and
// characteristic, in full precision.
#include "cli/command_line.h"
#include "db/data_module.h"
#include "db/file_io.h"
#include "tool_folder.h"
#include "db/journal.h"
#include "db/rows.h"
#include "db/table_error.h"
#include "evaluation/profile_pdf.h"
#include "evaluation/profile_workbook.h"
#include "evaluation/sire_statistics.h"
#include "cli/terminal_progress.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QDir>
#include <QStringList>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

using namespace korvel;

namespace {

const cli::Command kCommand{
    "Использование: %1 ПАПКА [ВЫХОД.xlsx] --breed КОД\n"
    "  [--base all|no-archives|region:R|region-no-archives:R|farm:R/F]\n"
    "  [--bulls all|no-archives|region:R|region-no-archives:R|farm:R/F|bull:КОД]\n"
    "  [--figures ВЫХОД.csv] [--pdf ВЫХОД.pdf]\n",
    "Оценка быков-производителей без окон: читает таблицы рабочей папки ПАПКА, считает\n"
    "по запросу и записывает книгу линейных профилей ВЫХОД.xlsx, ту же, что и программа,\n"
    "или (с --pdf) профили в PDF для печати, или и то и другое.\n"
    "\n"
    "  --breed КОД           порода (код KODPOROD)\n"
    "  --base ВЫБОР          база сравнения: all - все коровы породы (так и без параметра),\n"
    "                        no-archives - без архивов регионов, region:R - регион R,\n"
    "                        region-no-archives:R - регион R без его архива,\n"
    "                        farm:R/F - хозяйство F региона R\n"
    "  --bulls ВЫБОР         оцениваемые быки: те же выборы и bull:КОД - один бык\n"
    "  --figures ВЫХОД.csv   записать ещё показатели каждого быка в CSV с полной точностью\n"
    "  --pdf ВЫХОД.pdf       записать профили в PDF: страницы содержания (бык, код, число\n"
    "                        дочерей, страница) и по странице A4 на каждого быка\n"
    "  -h, --help            показать эту справку\n"
    "  --version             показать версию\n"};

void say(const QString& text) { cli::sayError(text); }

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
  // Under a temporary name first: a failure or a kill leaves a file already there as it was.
  if (const int err = db::io::replaceWholeFile(path, out))
    throw db::TableError(
        QStringLiteral("Файл %1 не записан: %2.").arg(QDir::toNativeSeparators(path), db::io::causeText(err)));
}

int evaluate(int argc, char** argv) {
  // The catalogue's texts need the fonts of a GUI application; the tool shows no window.
  const bool printing = std::any_of(argv + 1, argv + argc, [](const char* a) { return std::strcmp(a, "--pdf") == 0; });
  std::unique_ptr<QCoreApplication> app;
  if (printing) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app = std::make_unique<QGuiApplication>(argc, argv);
  } else {
    app = std::make_unique<QCoreApplication>(argc, argv);
  }
  const QStringList command = cli::arguments(argc, argv);
  if (const auto answered = cli::answerHelpOrVersion(command, kCommand)) return *answered;
  const QStringList args = command.mid(1);
  QString breed, base = QStringLiteral("all"), bulls = QStringLiteral("all"), figures, pdf;
  QStringList positional;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == u"--breed" && hasValue) breed = args[++i];
    else if (a == u"--base" && hasValue) base = args[++i];
    else if (a == u"--bulls" && hasValue) bulls = args[++i];
    else if (a == u"--figures" && hasValue) figures = args[++i];
    else if (a == u"--pdf" && hasValue) pdf = args[++i];
    else if (a.startsWith(u'-'))
      return cli::wrongArguments(command[0], kCommand, QStringLiteral("Неизвестный параметр или нет его значения: %1").arg(a));
    else positional << a;
  }
  EvaluationRequest request;
  const auto breedCode = number(breed);
  // The workbook may be left out when the catalogue is asked for.
  bool ok = (positional.size() == 2 || (positional.size() == 1 && !pdf.isEmpty())) && breedCode.has_value();
  if (ok) request.breed = *breedCode;
  ok = ok && readChoice(base, request.baseRegion, request.baseFarm, request.baseWithArchives);
  if (ok && bulls.startsWith(u"bull:")) {
    request.oneBull = true;
    request.bullCode = bulls.mid(5).left(20);
  } else {
    ok = ok && readChoice(bulls, request.bullRegion, request.bullFarm, request.bullsWithArchives);
  }
  if (!ok) return cli::wrongArguments(command[0], kCommand);
  const QString workbook = positional.value(1);
  for (const QString& output : {workbook, figures, pdf}) {
    if (output.isEmpty()) continue;
    if (const auto refusal = db::outputRefusal(positional[0], output)) {
      say(*refusal);
      return 1;
    }
  }

  const auto lock = tools::enterFolder(positional[0]);
  if (!lock) return 1;
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
  if (!workbook.isEmpty())
    writeProfileWorkbook(e, names, workbook, [&](int done, int total) {
      progress.show(QStringLiteral("Записано листов: %1 из %2").arg(done).arg(total), done == total);
    });
  if (!pdf.isEmpty())
    writeProfileCatalogue(e, names, pdf, [&](int done, int total) {
      progress.show(QStringLiteral("Записано страниц профилей: %1 из %2").arg(done).arg(total), done == total);
    });
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return cli::guarded([&] { return evaluate(argc, argv); });
}
