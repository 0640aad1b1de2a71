// Removing a farm with 50 bulls from a generated million-cow herd: the whole removal (cows and
// bulls freed, every daughter's father link released in one walk over KOROVA, all of it one
// journaled operation flushed to the disk at its end), the release alone, the release done as
// one walk per bull, and reading KOROVA's bytes once (the floor).
#include "bench_support.h"
#include "db/data_module.h"
#include "db/file_io.h"
#include "db/protected_scan.h"
#include "db/schema.h"
#include "reference/farm_removal.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr int kBulls = 50;
const korvel::FarmKey kFarm{5, 2};

// The generated herd, with exactly 50 live bulls on farm (5, 2): the others of that farm go to
// farm (5, 3), or bulls of farm (5, 3) come over when the farm has fewer. Made once per run.
struct Herd {
  QTemporaryDir pristine;  // the herd as generated
  QTemporaryDir work;      // the copy each removal changes

  Herd() {
    korvel::bench::generateMillionCowHerd(pristine.path());
    korvel::db::Table bik(QStringLiteral("bik"), QStringLiteral("BIK"));
    bik.setDirectory(pristine.path());
    bik.open();
    auto move = [&](long long to) {
      bik.edit();
      bik.fieldByName(korvel::db::field::kodvlad).setInteger(to);
      bik.post();
    };
    auto on = [&](long long farm) {
      return bik.fieldByName(korvel::db::field::kodreg).asInteger() == kFarm.region && bik.fieldByName(korvel::db::field::kodvlad).asInteger() == farm;
    };
    int onFarm = 0;
    for (bik.first(); !bik.eof(); bik.next())
      if (on(kFarm.farm) && ++onFarm > kBulls) move(3);
    onFarm = std::min(onFarm, kBulls);
    for (bik.first(); !bik.eof() && onFarm < kBulls; bik.next())
      if (on(3)) {
        move(kFarm.farm);
        ++onFarm;
      }
    bik.close();
    reset();
  }

  QString file(const QString& dir, const char* name) const { return QDir(dir).filePath(QString::fromLatin1(name)); }
  // Puts the pristine tables back into the work folder, flushed to the disk: the removal's own
  // flush at its end then writes only what the removal changed.
  void reset() const {
    for (const char* name : {"REGION.DBF", "VLAD.DBF", "PORODA.DBF", "BIK.DBF", "KOROVA.DBF", "XARAKT.DBF"}) {
      QFile::remove(file(work.path(), name));
      QFile::copy(file(pristine.path(), name), file(work.path(), name));
      QFile copy(file(work.path(), name));
      if (copy.open(QIODevice::ReadWrite)) korvel::db::io::sync(copy.handle());
    }
  }
  // The freed bulls of the farm as the removal collects them.
  std::vector<korvel::FreedBull> bulls() const {
    std::vector<korvel::FreedBull> out;
    korvel::db::Table bik(QStringLiteral("bik"), QStringLiteral("BIK"));
    bik.setDirectory(pristine.path());
    bik.open();
    for (bik.first(); !bik.eof(); bik.next())
      if (bik.fieldByName(korvel::db::field::kodreg).asInteger() == kFarm.region && bik.fieldByName(korvel::db::field::kodvlad).asInteger() == kFarm.farm)
        out.push_back({bik.fieldByName(korvel::db::field::kodbyk).asString(),
                       QStringLiteral("#") + bik.fieldByName(korvel::db::field::nokli).asString().trimmed()});
    return out;
  }
};

Herd& herd() {
  static Herd h;
  return h;
}

// The herd as generated, under a new data module: every timed release starts from the same
// files. Called with the timing paused.
std::unique_ptr<korvel::HerdTables> freshHerd() {
  herd().reset();
  return std::make_unique<korvel::HerdTables>(herd().work.path());
}

void BM_ReadKorovaBytes(benchmark::State& state) {
  korvel::bench::readFileBytes(state, herd().file(herd().work.path(), "KOROVA.DBF"));
}

// The removal with every animal freed: cows of the farm freed, its 50 bulls freed, their
// daughters anywhere released. The tables are restored between iterations, outside the timing.
void BM_RemoveFarmAllFreed(benchmark::State& state) {
  korvel::TransferCount n;
  for (auto _ : state) {
    state.PauseTiming();
    const auto module = freshHerd();
    korvel::HerdTables& dm = *module;
    state.ResumeTiming();
    n = korvel::transferFarmAnimals(dm, kFarm, korvel::RemovalVariant::AllFreed, {});
  }
  state.counters["bulls"] = double(n.bullsFreed);
  state.counters["cows"] = double(n.cowsFreed);
  state.counters["daughters"] = double(n.daughtersReleased);
}

// The release alone: one walk over KOROVA for the 50 bulls.
void BM_ReleaseOneWalk(benchmark::State& state) {
  const std::vector<korvel::FreedBull> bulls = herd().bulls();
  long long released = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const auto module = freshHerd();
    korvel::HerdTables& dm = *module;
    state.ResumeTiming();
    korvel::db::ProtectedScan scan(dm.korova, dm.cowsSource);
    released = korvel::releaseFatherLinks(dm.korova, bulls);
  }
  state.counters["daughters"] = double(released);
}

// The release alone with the cow file already mapped and read once: the walk without the first
// touch of every page of a fresh mapping.
void BM_ReleaseOneWalkWarm(benchmark::State& state) {
  const std::vector<korvel::FreedBull> bulls = herd().bulls();
  long long released = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const auto module = freshHerd();
    korvel::HerdTables& dm = *module;
    dm.korova.open();
    const korvel::db::DbfFile& file = dm.korova.file();
    long long sum = 0;
    for (uint32_t i = 0; i < file.recordCount(); i += 8) sum += file.record(i)[0];
    benchmark::DoNotOptimize(sum);
    state.ResumeTiming();
    korvel::db::ProtectedScan scan(dm.korova, dm.cowsSource);
    released = korvel::releaseFatherLinks(dm.korova, bulls);
  }
  state.counters["daughters"] = double(released);
}

// The same release as one walk per bull, each walk as fast as the single one.
void BM_ReleaseWalkPerBull(benchmark::State& state) {
  const std::vector<korvel::FreedBull> bulls = herd().bulls();
  long long released = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const auto module = freshHerd();
    korvel::HerdTables& dm = *module;
    state.ResumeTiming();
    korvel::db::ProtectedScan scan(dm.korova, dm.cowsSource);
    released = 0;
    for (const korvel::FreedBull& b : bulls) released += korvel::releaseFatherLinks(dm.korova, {b});
  }
  state.counters["daughters"] = double(released);
}

}  // namespace

BENCHMARK(BM_ReadKorovaBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveFarmAllFreed)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ReleaseOneWalk)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ReleaseOneWalkWarm)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ReleaseWalkPerBull)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_MAIN();
