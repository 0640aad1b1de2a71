#!/usr/bin/env bash
# Installs what is missing, builds and runs every test (window tests run offscreen).
set -euo pipefail
cd "$(dirname "$0")"
./deps.sh
./build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j"$(nproc)"
