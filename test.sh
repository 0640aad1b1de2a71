#!/usr/bin/env bash
# Installs what is missing, builds and runs every test (window tests run offscreen).
# --windows: the same for the Windows build (./build.sh --windows), every test under Wine.
set -euo pipefail
cd "$(dirname "$0")"
if [ "${1:-}" = "--windows" ]; then
  ./deps.sh --windows
  ./build.sh --windows
  ctest --test-dir build-win --output-on-failure -j"$(nproc)"
  exit
fi
./deps.sh
./build.sh

# The DBF reader under libFuzzer with AddressSanitizer and UBSan, when clang is present: a
# separate build in build-fuzz, a short run seeded with the fixtures and a tiny generated herd.
# A crash found fails this script and leaves the input in build-fuzz/crash-*.
if command -v clang++-14 >/dev/null; then
  san="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined"
  cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
        "-DCMAKE_CXX_FLAGS=$san" -DKORVEL_FUZZ=ON -DKORVEL_TESTS=OFF -DKORVEL_BENCH=OFF >/dev/null
  cmake --build build-fuzz -j"$(nproc)" --target fuzz_dbf
  corpus="$(mktemp -d)"
  trap 'rm -rf "$corpus"' EXIT
  cp tests/fixtures/*.dbf "$corpus"/
  herd="$corpus/herd"
  ./build/tools/generate-herd "$herd" --cows 3 --bulls 2 --regions 1 --farms-per-region 1 --breeds 1 >/dev/null
  for f in "$herd"/*.DBF; do cp "$f" "$corpus/seed_$(basename "$f")"; done
  rm -rf "$herd"
  if ! ./build-fuzz/tools/fuzz_dbf -max_total_time="${KORVEL_FUZZ_SECONDS:-20}" -timeout=10 -max_len=8192 \
         -artifact_prefix=build-fuzz/ "$corpus" >build-fuzz/fuzz.log 2>&1; then
    cat build-fuzz/fuzz.log
    echo "Чтение DBF упало на входе, найденном fuzz_dbf (build-fuzz/crash-*)." >&2
    exit 1
  fi
  tail -n 1 build-fuzz/fuzz.log
fi

# Every test; CTest's summary is the last thing this script prints.
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j"$(nproc)"
