// What the benchmarks share: the generated million-cow herd and the floor they are set beside,
// reading a table file's bytes once.
#pragma once

#include "herdgen.h"

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

// The floor: the file at `path` read once per iteration, 1 MiB at a time (from the page cache
// after the first), with the bytes read counted as processed.
void readFileBytes(benchmark::State& state, const QString& path);

}  // namespace korvel::bench
