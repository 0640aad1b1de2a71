// A classifier's filled form of 10,000 cows taken into a generated million-cow herd: the plan
// alone (one walk over KOROVA, the rows matched by hashed keys, every value checked), the whole
// import (plan, the cows written and their fathers' figures recomputed, all one journaled
// operation flushed to the disk at its end), and reading KOROVA's bytes once (the floor).
#include "bench_support.h"
#include "db/data_module.h"
#include "db/file_io.h"
#include "db/protected_scan.h"
#include "db/rows.h"
#include "db/schema.h"
#include "scoreform/score_import.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr int kScoredCows = 10'000;

struct Herd {
  QString pristine = korvel::bench::temporaryMillionCowHerd();
  QTemporaryDir work;
  korvel::scoreform::FilledForm form;

  // The form: the first 10,000 live cows of region 1, every linear, defect and complex column
  // of the first of each kind filled with a value the cow does not hold yet.
  Herd() {
    reset();
    korvel::HerdTables dm(work.path());
    dm.korova.open();
    const korvel::db::DbfFile& file = dm.korova.file();
    const korvel::db::WholeView kodreg(file, korvel::db::field::kodreg), kodvlad(file, korvel::db::field::kodvlad),
        x1(file, u"x1"), xxx1(file, u"xxx1");
    const korvel::db::TextView nokli(file, korvel::db::field::nokli), xx2(file, u"xx2");
    form.rows.push_back({"KODREG", "KODVLAD", "NOKLI", "X1", "XX2", "XXX1"});
    for (const korvel::db::Row row : korvel::db::LiveRows(file)) {
      if (kodreg(row) != 1) continue;
      form.rows.push_back({QStringLiteral("1"), QString::number(kodvlad(row)), nokli(row),
                           QString::number(x1(row) % 9 + 1), xx2(row) == u"+" ? QStringLiteral("++") : QStringLiteral("+"),
                           QString::number(xxx1(row) % 100 + 1)});
      if (form.rows.size() > kScoredCows) break;
    }
  }

  QString file(const QString& dir, const char* name) const { return QDir(dir).filePath(QString::fromLatin1(name)); }
  // The pristine tables back in the work folder, flushed: the import's flush writes only its own.
  void reset() const {
    for (const char* name : {"REGION.DBF", "VLAD.DBF", "PORODA.DBF", "BIK.DBF", "KOROVA.DBF", "XARAKT.DBF"}) {
      QFile::remove(file(work.path(), name));
      QFile::copy(file(pristine, name), file(work.path(), name));
      QFile copy(file(work.path(), name));
      if (copy.open(QIODevice::ReadWrite)) korvel::db::io::sync(copy.handle());
    }
  }
};

Herd& herd() {
  static Herd h;
  return h;
}

void BM_ReadKorovaBytes(benchmark::State& state) {
  korvel::bench::readFileBytes(state, herd().file(herd().work.path(), "KOROVA.DBF"));
}

void BM_PlanImport(benchmark::State& state) {
  korvel::HerdTables dm(herd().work.path());
  korvel::TraitCatalogue catalogue(dm.xarakt, &dm.korova);
  korvel::scoreform::ImportPlan plan;
  for (auto _ : state) plan = korvel::scoreform::planImport(dm, catalogue, herd().form, {});
  state.counters["rows"] = plan.rowsRead;
  state.counters["changed"] = double(plan.changes.size());
}

// The whole import from a fresh data module over the pristine tables (restored outside the timing).
void BM_ImportScores(benchmark::State& state) {
  korvel::scoreform::ImportResult result;
  for (auto _ : state) {
    state.PauseTiming();
    herd().reset();
    auto dm = std::make_unique<korvel::HerdTables>(herd().work.path());
    state.ResumeTiming();
    korvel::TraitCatalogue catalogue(dm->xarakt, &dm->korova);
    const korvel::scoreform::ImportPlan plan = korvel::scoreform::planImport(*dm, catalogue, herd().form, {});
    result = korvel::scoreform::applyImport(*dm, catalogue, plan);
  }
  state.counters["cows"] = result.cowsWritten;
  state.counters["bulls"] = result.bullsRecomputed;
}

}  // namespace

BENCHMARK(BM_ReadKorovaBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlanImport)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ImportScores)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
