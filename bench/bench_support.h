// What the benchmarks share: the generated million-cow herd and the floor they are set beside,
// reading a table file's bytes once.
#pragma once

#include "herdgen/herdgen.h"

#include <QString>
#include <benchmark/benchmark.h>
#include <functional>

namespace korvel::bench {

constexpr long long kHerdCows = 1'000'000;

// Generates the million-cow herd into `dir`.
herd::HerdSummary generateMillionCowHerd(const QString& dir);

// A million-cow herd generated on first call into a temporary folder removed at exit; `prepare`,
// when given, lays the folder out before the herd is generated. Later calls return the same folder.
QString temporaryMillionCowHerd(const std::function<void(const QString&)>& prepare = {});

// A million cows as the generator makes them by default (405 MB KOROVA, 50,000 bulls).
herd::HerdOptions defaultShapedHerd();

// A million cows shaped like a herd book's rather than like the generator's default: bull codes
// as a herd book numbers its bulls, KOROVA's numeric fields only as wide as their values (a
// 353 MB file) and fewer bulls used less unevenly, so that breed 1 has about 9,800 sires and
// the most used sire about 11,000 daughters.
herd::HerdOptions herdBookShapedHerd();

// A herd generated with `options` on the first call for `name`: into a temporary folder removed
// at exit, or, when KORVEL_BENCH_HERDS names a folder, into its subfolder `name`, kept between
// runs and generated again only when it was made with other options.
QString benchHerd(const QString& name, const herd::HerdOptions& options);

// The floor: the file at `path` read once per iteration, 1 MiB at a time (from the page cache
// after the first), with the bytes read counted as processed.
void readFileBytes(benchmark::State& state, const QString& path);

}  // namespace korvel::bench
