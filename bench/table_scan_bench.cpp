// Scans of a generated million-cow KOROVA: reading the file's bytes once (the floor), walking
// the table under a farm filter, and the same walk reading one field of every passing row.
#include "bench_support.h"
#include "db/table.h"

#include <QDir>
#include <benchmark/benchmark.h>

namespace {

const char* const kFilter = "kodreg=5 and kodvlad=2";

// The herd is made once per run, in a folder removed at exit.
QString herdDir() { return korvel::bench::temporaryMillionCowHerd(); }

QString korovaPath() { return QDir(herdDir()).filePath(QStringLiteral("KOROVA.DBF")); }

void BM_ReadFileBytes(benchmark::State& state) { korvel::bench::readFileBytes(state, korovaPath()); }

void BM_WalkFiltered(benchmark::State& state) {
  korvel::db::Table korova(QStringLiteral("korova"), QStringLiteral("KOROVA"));
  korova.setDirectory(herdDir());
  korova.setFilter(QString::fromLatin1(kFilter));
  korova.setFiltered(true);
  korova.open();
  long long rows = 0;
  for (auto _ : state) {
    rows = 0;
    for (korova.first(); !korova.eof(); korova.next()) ++rows;
    benchmark::DoNotOptimize(rows);
  }
  state.counters["rows"] = double(rows);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(korova.file().recordCount()) * korova.file().recordLength());
}

void BM_WalkFilteredReadingAField(benchmark::State& state) {
  korvel::db::Table korova(QStringLiteral("korova"), QStringLiteral("KOROVA"));
  korova.setDirectory(herdDir());
  korova.setFilter(QString::fromLatin1(kFilter));
  korova.setFiltered(true);
  korova.open();
  long long sum = 0;
  for (auto _ : state) {
    sum = 0;
    for (korova.first(); !korova.eof(); korova.next()) sum += korova.fieldByName(u"x1").asInteger();
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(korova.file().recordCount()) * korova.file().recordLength());
}

}  // namespace

BENCHMARK(BM_ReadFileBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WalkFiltered)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WalkFilteredReadingAField)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
