// The sire evaluation over a generated 1,000,000-cow herd, every sire of one breed against all
// cows of the breed: the time to read KOROVA's bytes once (the floor), the scan alone, the
// workbook alone (laid out and written), and the whole run (scan, names, workbook, file).
#include "bench_support.h"
#include "db/data_module.h"
#include "evaluation/profile_workbook.h"
#include "evaluation/sire_statistics.h"
#include "starter/starter_folder.h"

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

using namespace korvel;

// The herd is made once per run (starter catalogue, then the generated tables), in a folder
// removed at exit.
QString herdDir() {
  return bench::temporaryMillionCowHerd([](const QString& dir) { layOutStarterFolder(dir); });
}

EvaluationRequest everySireOfBreed1() {
  EvaluationRequest r;
  r.breed = 1;
  return r;
}

TDataModule5& dataModule() {
  static TDataModule5 dm(herdDir());
  return dm;
}

void BM_ReadKorovaBytes(benchmark::State& state) {
  bench::readFileBytes(state, QDir(herdDir()).filePath(QStringLiteral("KOROVA.DBF")));
}

void BM_Scan(benchmark::State& state) {
  TDataModule5& dm = dataModule();
  SireEvaluation e;
  for (auto _ : state) {
    EvaluationRun run(dm);
    e = scanSires(dm, everySireOfBreed1());
    benchmark::DoNotOptimize(e.baseCount);
  }
  state.counters["base_cows"] = e.baseCount;
  state.counters["sires"] = e.sireCount();
}

void BM_Workbook(benchmark::State& state) {
  TDataModule5& dm = dataModule();
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

void BM_WholeRun(benchmark::State& state) {
  TDataModule5& dm = dataModule();
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

}  // namespace

BENCHMARK(BM_ReadKorovaBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Scan)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Workbook)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_WholeRun)->Unit(benchmark::kMillisecond)->Iterations(1);

// The starter folder draws its help pictures, which needs a GUI application (offscreen).
int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
