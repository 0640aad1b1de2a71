// The sire evaluation over two generated 1,000,000-cow herds (the generator's default shape and
// one shaped like a herd book's), every sire of one breed against all cows of the breed: the time
// to read KOROVA's bytes once (the floor), the scan alone, the workbook alone (laid out and
// written), the printable catalogue beside it (the same sheets drawn on PDF pages), and the
// whole run (scan, names, workbook, file).
#include "bench_support.h"
#include "db/data_module.h"
#include "evaluation/profile_pdf.h"
#include "evaluation/profile_workbook.h"
#include "evaluation/sire_statistics.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <map>
#include <memory>

namespace {

using namespace korvel;

struct Herd {
  const char* name;
  herd::HerdOptions options;
};

const Herd kHerds[] = {{"generated", bench::defaultShapedHerd()}, {"herd_book", bench::herdBookShapedHerd()}};

// Each herd is made on first use: the generator writes all six tables, the catalogue included.
QString herdDir(const Herd& herd) { return bench::benchHerd(QString::fromLatin1(herd.name), herd.options); }

EvaluationRequest everySireOfBreed1() {
  EvaluationRequest r;
  r.breed = 1;
  return r;
}

HerdTables& dataModule(const Herd& herd) {
  static std::map<std::string, std::unique_ptr<HerdTables>> modules;
  auto& dm = modules[herd.name];
  if (!dm) dm = std::make_unique<HerdTables>(herdDir(herd));
  return *dm;
}

void BM_ReadKorovaBytes(benchmark::State& state, const Herd& herd) {
  bench::readFileBytes(state, QDir(herdDir(herd)).filePath(QStringLiteral("KOROVA.DBF")));
}

void BM_Scan(benchmark::State& state, const Herd& herd) {
  HerdTables& dm = dataModule(herd);
  SireEvaluation e;
  for (auto _ : state) {
    EvaluationRun run(dm);
    e = scanSires(dm, everySireOfBreed1());
    benchmark::DoNotOptimize(e.baseCount);
  }
  state.counters["base_cows"] = e.baseCount;
  state.counters["sires"] = e.sireCount();
}

void BM_Workbook(benchmark::State& state, const Herd& herd) {
  HerdTables& dm = dataModule(herd);
  const SireEvaluation e = [&] {
    EvaluationRun run(dm);
    return scanSires(dm, everySireOfBreed1());
  }();
  const ProfileNames names = readProfileNames(dm, e);
  QTemporaryDir out;
  const QString path = out.filePath(QStringLiteral("profile.xlsx"));
  for (auto _ : state) writeProfileWorkbook(e, names, path);
  state.counters["sheets"] = e.sireCount();
  state.counters["sheets_per_s"] =
      benchmark::Counter(double(e.sireCount()) * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_Catalogue(benchmark::State& state, const Herd& herd) {
  HerdTables& dm = dataModule(herd);
  const SireEvaluation e = [&] {
    EvaluationRun run(dm);
    return scanSires(dm, everySireOfBreed1());
  }();
  const ProfileNames names = readProfileNames(dm, e);
  QTemporaryDir out;
  const QString path = out.filePath(QStringLiteral("profile.pdf"));
  for (auto _ : state) writeProfileCatalogue(e, names, path);
  const int pages = e.sireCount() + catalogueContentsPages(e.sireCount());
  state.counters["pages"] = pages;
  state.counters["pages_per_s"] =
      benchmark::Counter(double(pages) * double(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["file_MB"] = double(QFileInfo(path).size()) / 1e6;
}

void BM_WholeRun(benchmark::State& state, const Herd& herd) {
  HerdTables& dm = dataModule(herd);
  QTemporaryDir out;
  const QString path = out.filePath(QStringLiteral("profile.xlsx"));
  int sheets = 0;
  for (auto _ : state) {
    EvaluationRun run(dm);
    const SireEvaluation e = scanSires(dm, everySireOfBreed1());
    writeProfileWorkbook(e, readProfileNames(dm, e), path);
    sheets = e.sireCount();
  }
  state.counters["sheets"] = sheets;
  state.counters["sheets_per_s"] =
      benchmark::Counter(double(sheets) * double(state.iterations()), benchmark::Counter::kIsRate);
}

void registerBenchmarks() {
  for (const Herd& herd : kHerds) {
    const auto name = [&](const char* benchmark) { return std::string(benchmark) + '/' + herd.name; };
    benchmark::RegisterBenchmark(name("BM_ReadKorovaBytes").c_str(), BM_ReadKorovaBytes, herd)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(name("BM_Scan").c_str(), BM_Scan, herd)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(name("BM_Workbook").c_str(), BM_Workbook, herd)->Unit(benchmark::kMillisecond)->Iterations(1);
    benchmark::RegisterBenchmark(name("BM_Catalogue").c_str(), BM_Catalogue, herd)->Unit(benchmark::kMillisecond)->Iterations(1);
    benchmark::RegisterBenchmark(name("BM_WholeRun").c_str(), BM_WholeRun, herd)->Unit(benchmark::kMillisecond)->Iterations(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  // The catalogue's texts need the fonts of a GUI application; no window is shown.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  registerBenchmarks();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
