#!/usr/bin/env bash
# Sets up the machine, builds everything once and runs every test: the main
# build (unit, renderer, window and player tests), then the clang build with
# AddressSanitizer, UndefinedBehaviorSanitizer and the fuzz targets.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset dev
cmake --build --preset dev
ctest --preset dev
cmake --preset asan
cmake --build --preset asan
ctest --preset asan
