// The scoring form out: a 20,000-cow farm's form (every cow scored, as the generator makes them)
// collected, and written as a workbook and as CSV; and a 100,000-cow region's form collected
// and written as a workbook, with the process's peak memory. Each herd is generated on first use
// (into KORVEL_BENCH_HERDS when set, kept between runs).
#include "bench_support.h"
#include "cows/trait_catalogue.h"
#include "db/data_module.h"
#include "reference/herd_context.h"
#include "scoreform/form_export.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace {

using namespace korvel;
using scoreform::FormScope;

struct Herd {
  const char* name;
  herd::HerdOptions options;
  FormScope scope;
};

herd::HerdOptions shaped(long long cows, int farms) {
  herd::HerdOptions o;
  o.cows = cows;
  o.regions = 1;
  o.farmsPerRegion = farms;
  o.breeds = 2;
  return o;
}

const Herd kFarm{"form_farm_20000", shaped(20'000, 1), FormScope::Farm};
const Herd kRegion{"form_region_100000", shaped(100'000, 20), FormScope::Region};

scoreform::ScoringForm collect(const Herd& herd) {
  HerdTables dm(bench::benchHerd(QString::fromLatin1(herd.name), herd.options));
  TraitCatalogue catalogue(dm.xarakt, &dm.korova);
  return scoreform::collectScoringForm(dm, catalogue, HerdContext{1, 1, {}}, herd.scope);
}

void count(benchmark::State& state, const scoreform::ScoringForm& form, const QString& path = {}) {
  state.counters["cows"] = double(form.cows.size());
  state.counters["columns"] = double(form.columns.size());
  if (!path.isEmpty()) state.counters["file_MB"] = double(QFileInfo(path).size()) / 1e6;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_RSS_MB"] = double(usage.ru_maxrss) / 1024;
}

void BM_Collect(benchmark::State& state, const Herd* herd) {
  scoreform::ScoringForm form;
  for (auto _ : state) form = collect(*herd);
  count(state, form);
}

void BM_Write(benchmark::State& state, const Herd* herd, const char* fileName) {
  const scoreform::ScoringForm form = collect(*herd);
  QTemporaryDir out;
  const QString path = out.filePath(QString::fromLatin1(fileName));
  for (auto _ : state) scoreform::writeScoringForm(form, path);
  count(state, form, path);
}

}  // namespace

BENCHMARK_CAPTURE(BM_Collect, farm, &kFarm)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Write, farm_xlsx, &kFarm, "form.xlsx")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Write, farm_csv, &kFarm, "form.csv")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Collect, region, &kRegion)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_Write, region_xlsx, &kRegion, "form.xlsx")->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
