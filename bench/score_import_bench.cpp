// A classifier's filled form of 10,000 cows, every trait column of the catalogue in it, taken
// into a generated million-cow herd: reading the form's workbook, the plan alone (one walk over
// KOROVA, the rows matched by hashed keys, every value checked), the whole import (the workbook
// read, the plan, the cows written and their fathers' figures recomputed, all one journaled
// operation flushed to the disk at its end), and reading KOROVA's bytes once (the floor).
#include "bench_support.h"
#include "db/data_module.h"
#include "db/file_io.h"
#include "db/protected_scan.h"
#include "db/rows.h"
#include "db/schema.h"
#include "evaluation/spreadsheet.h"
#include "scoreform/filled_form.h"
#include "scoreform/form_columns.h"
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
  QString formPath = work.filePath(QStringLiteral("бланк.xlsx"));

  // The form: the first 10,000 live cows of region 1 with the key columns and every trait column
  // filled as a classifier would fill them (each linear trait and complex trait scored, a defect
  // here and there), written by the project's own workbook writer.
  Herd() {
    reset();
    korvel::HerdTables dm(work.path());
    korvel::TraitCatalogue catalogue(dm.xarakt, &dm.korova);
    const std::vector<korvel::scoreform::FormColumn> columns = korvel::scoreform::formColumns(catalogue);
    dm.korova.open();
    const korvel::db::DbfFile& file = dm.korova.file();
    const korvel::db::WholeView kodreg(file, korvel::db::field::kodreg), kodvlad(file, korvel::db::field::kodvlad);
    const korvel::db::TextView nokli(file, korvel::db::field::nokli);
    korvel::xlsx::Workbook book;
    korvel::xlsx::Sheet& sheet = book.sheet(0);
    const auto cell = [&](int row, int column) { return korvel::xlsx::Range::cell(row, column); };
    const char* keys[] = {"KODREG", "KODVLAD", "NOKLI"};
    for (int k = 0; k < 3; ++k) sheet.setValue(cell(1, k + 1), QString::fromLatin1(keys[k]));
    for (size_t c = 0; c < columns.size(); ++c)
      sheet.setValue(cell(1, 4 + int(c)), korvel::scoreform::columnHeaderId(columns[c].id));
    int row = 1;
    for (const korvel::db::Row cow : korvel::db::LiveRows(file)) {
      if (kodreg(cow) != 1) continue;
      if (++row > kScoredCows + 1) break;
      sheet.setValue(cell(row, 1), 1.0);
      sheet.setValue(cell(row, 2), double(kodvlad(cow)));
      sheet.setValue(cell(row, 3), nokli(cow));
      for (size_t c = 0; c < columns.size(); ++c) {
        const int at = 4 + int(c), seed = row * 7 + int(c);
        switch (columns[c].kind) {
          case korvel::TraitKind::Linear: sheet.setValue(cell(row, at), double(seed % 9 + 1)); break;
          case korvel::TraitKind::Defect:
            if (seed % 11 == 0) sheet.setValue(cell(row, at), seed % 2 ? QStringLiteral("+") : QStringLiteral("++"));
            break;
          case korvel::TraitKind::Complex: sheet.setValue(cell(row, at), double(seed % 100 + 1)); break;
        }
      }
    }
    book.save(formPath);
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

void BM_ReadForm(benchmark::State& state) {
  korvel::scoreform::FilledForm form;
  for (auto _ : state) form = korvel::scoreform::readFilledForm(herd().formPath);
  state.counters["rows"] = double(form.rows.size());
  state.counters["columns"] = double(form.rows.front().size());
}

void BM_PlanImport(benchmark::State& state) {
  korvel::HerdTables dm(herd().work.path());
  korvel::TraitCatalogue catalogue(dm.xarakt, &dm.korova);
  const korvel::scoreform::FilledForm form = korvel::scoreform::readFilledForm(herd().formPath);
  korvel::scoreform::ImportPlan plan;
  for (auto _ : state) plan = korvel::scoreform::planImport(dm, catalogue, form, {});
  state.counters["rows"] = plan.rowsRead;
  state.counters["changed"] = double(plan.changes.size());
}

// The whole import from the workbook file, by a fresh data module over the pristine tables
// (restored outside the timing).
void BM_ImportScores(benchmark::State& state) {
  korvel::scoreform::ImportResult result;
  size_t values = 0;
  for (auto _ : state) {
    state.PauseTiming();
    herd().reset();
    auto dm = std::make_unique<korvel::HerdTables>(herd().work.path());
    state.ResumeTiming();
    const korvel::scoreform::FilledForm form = korvel::scoreform::readFilledForm(herd().formPath);
    korvel::TraitCatalogue catalogue(dm->xarakt, &dm->korova);
    const korvel::scoreform::ImportPlan plan = korvel::scoreform::planImport(*dm, catalogue, form, {});
    result = korvel::scoreform::applyImport(*dm, catalogue, plan);
    values = 0;
    for (const auto& cow : plan.changes) values += cow.changes.size();
  }
  state.counters["cows"] = result.cowsWritten;
  state.counters["values"] = double(values);
  state.counters["bulls"] = result.bullsRecomputed;
}

}  // namespace

BENCHMARK(BM_ReadKorovaBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadForm)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlanImport)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ImportScores)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
