// Showing a bull: the figures of the sire with the most daughters (thousands) recomputed over a
// generated herd of 1,000,000 cows, set beside the time to read the cow table's bytes once. The
// herd is generated on first use into a temporary folder (or into KORVEL_BENCH_HERD when set,
// and kept there between runs).
#include "bench_support.h"
#include "db/data_module.h"
#include "db/dbf_file.h"
#include "db/rows.h"
#include "db/schema.h"
#include "sires/bull_figures.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstring>
#include <memory>
#include <unordered_map>

using namespace korvel;

namespace {

struct Herd {
  Herd() {
    const QByteArray kept = qgetenv("KORVEL_BENCH_HERD");
    if (kept.isEmpty()) {
      temp = std::make_unique<QTemporaryDir>();
      dir = temp->path();
    } else {
      dir = QString::fromLocal8Bit(kept);
      QDir().mkpath(dir);
    }
    const QString korova = QDir(dir).filePath(QStringLiteral("KOROVA.DBF"));
    bool ready = false;
    if (QFile::exists(korova) && db::missingTables(dir).isEmpty()) {
      db::DbfFile f(korova);
      ready = f.recordCount() == uint32_t(bench::kHerdCows);
    }
    if (!ready) summary = bench::generateMillionCowHerd(dir);
    findMostUsedSire();
  }

  // The sire with the most daughters and his BIK record.
  void findMostUsedSire() {
    db::DbfFile korova(file());
    const CowTraitFields fields(korova);
    std::unordered_map<long long, long long> daughters;
    for (const db::Row row : db::LiveRows(korova))
      if (const auto f = fields.fatherCode(row)) ++daughters[*f];
    for (const auto& [code, n] : daughters)
      if (n > sireDaughters) {
        sire = code;
        sireDaughters = n;
      }
  }
  QString file() const { return QDir(dir).filePath(QStringLiteral("KOROVA.DBF")); }
  std::unique_ptr<QTemporaryDir> temp;
  QString dir;
  herd::HerdSummary summary;
  long long sire = 0;
  long long sireDaughters = 0;
};

Herd& theHerd() {
  static Herd h;
  return h;
}

// The floor: the cow table's bytes read once from the page cache.
void BM_ReadKorovaBytes(benchmark::State& state) { bench::readFileBytes(state, theHerd().file()); }
BENCHMARK(BM_ReadKorovaBytes)->Unit(benchmark::kMillisecond)->UseRealTime();

// Showing bull 1 (thousands of daughters): with KOROVA open as the cow card leaves it, and
// with it closed (opened and mapped again by each call).
void showBull(benchmark::State& state, bool korovaOpen) {
  TDataModule5 dm(theHerd().dir);
  dm.bik.open();
  dm.bik.setFilter(QStringLiteral("kodbyk=%1").arg(theHerd().sire));
  dm.bik.setFiltered(true);
  dm.bik.first();
  if (korovaOpen) dm.korova.open();
  for (auto _ : state) recomputeBullFigures(dm);
  state.counters["daughters"] = double(dm.bik.fieldByName(u"kolkorov").asInteger());
}
void BM_ShowBull_KorovaOpen(benchmark::State& state) { showBull(state, true); }
void BM_ShowBull_KorovaClosed(benchmark::State& state) { showBull(state, false); }
BENCHMARK(BM_ShowBull_KorovaOpen)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ShowBull_KorovaClosed)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every live bull at once (the recompute-bulls tool): one pass over the cows.
void BM_RecomputeEveryLiveBull(benchmark::State& state) {
  TDataModule5 dm(theHerd().dir);
  for (auto _ : state) benchmark::DoNotOptimize(recomputeEveryLiveBull(dm).size());
}
BENCHMARK(BM_RecomputeEveryLiveBull)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  theHerd();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
