// Showing a bull: the figures of the sire with the most daughters (thousands) recomputed over
// generated herds of 1,000,000 cows (the generator's default shape and one shaped like a herd
// book's), set beside the time to read the cow table's bytes once. Each herd is generated on
// first use into a temporary folder (or into KORVEL_BENCH_HERDS when set, kept between runs).
#include "bench_support.h"
#include "db/data_module.h"
#include "db/dbf_file.h"
#include "db/rows.h"
#include "sires/bull_figures.h"

#include <QCoreApplication>
#include <QDir>
#include <benchmark/benchmark.h>
#include <string>
#include <utility>
#include <unordered_map>

using namespace korvel;

namespace {

struct Herd {
  Herd(const char* name, const herd::HerdOptions& options) : dir(bench::benchHerd(QString::fromLatin1(name), options)) {
    findMostUsedSire();
  }

  // The sire with the most daughters.
  void findMostUsedSire() {
    db::DbfFile korova(file());
    const CowTraitFields fields(korova);
    std::unordered_map<long long, long long> daughters;
    for (const db::Row row : db::LiveRows(korova))
      if (const auto f = fields.father.code(row)) ++daughters[*f];
    for (const auto& [code, n] : daughters)
      if (n > sireDaughters) {
        sire = code;
        sireDaughters = n;
      }
  }
  QString file() const { return QDir(dir).filePath(QStringLiteral("KOROVA.DBF")); }
  QString dir;
  long long sire = 0;
  long long sireDaughters = 0;
};

Herd& defaultHerd() {
  static Herd h("generated", bench::defaultShapedHerd());
  return h;
}
Herd& herdBookHerd() {
  static Herd h("herd_book", bench::herdBookShapedHerd());
  return h;
}

// The floor: the cow table's bytes read once from the page cache.
void BM_ReadKorovaBytes(benchmark::State& state, Herd& (*herd)()) { bench::readFileBytes(state, herd().file()); }

// Showing the sire with the most daughters: with KOROVA open as the cow card leaves it, and
// with it closed (opened and mapped again by each call).
void showBull(benchmark::State& state, Herd& herd, bool korovaOpen) {
  HerdTables dm(herd.dir);
  dm.bik.open();
  dm.bik.setFilter(QStringLiteral("kodbyk=%1").arg(herd.sire));
  dm.bik.setFiltered(true);
  dm.bik.first();
  if (korovaOpen) dm.korova.open();
  for (auto _ : state) recomputeBullFigures(dm);
  state.counters["daughters"] = double(dm.bik.fieldByName(u"kolkorov").asInteger());
}
void BM_ShowBull_KorovaOpen(benchmark::State& state, Herd& (*herd)()) { showBull(state, herd(), true); }
void BM_ShowBull_KorovaClosed(benchmark::State& state, Herd& (*herd)()) { showBull(state, herd(), false); }

// Every live bull at once (the recompute-bulls tool): one pass over the cows.
void BM_RecomputeEveryLiveBull(benchmark::State& state) {
  HerdTables dm(defaultHerd().dir);
  for (auto _ : state) benchmark::DoNotOptimize(recomputeEveryLiveBull(dm).size());
}

void registerBenchmarks() {
  // Each herd is made when its first benchmark runs.
  using Of = Herd& (*)();
  for (const auto& [herdName, herd] : {std::pair<const char*, Of>{"generated", defaultHerd}, {"herd_book", herdBookHerd}}) {
    const auto name = [&](const char* benchmark) { return std::string(benchmark) + '/' + herdName; };
    benchmark::RegisterBenchmark(name("BM_ReadKorovaBytes").c_str(), BM_ReadKorovaBytes, herd)
        ->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark(name("BM_ShowBull_KorovaOpen").c_str(), BM_ShowBull_KorovaOpen, herd)
        ->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark(name("BM_ShowBull_KorovaClosed").c_str(), BM_ShowBull_KorovaClosed, herd)
        ->Unit(benchmark::kMillisecond)->UseRealTime();
  }
  benchmark::RegisterBenchmark("BM_RecomputeEveryLiveBull", BM_RecomputeEveryLiveBull)
      ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  registerBenchmarks();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
