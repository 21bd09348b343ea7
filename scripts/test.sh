#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets up the machine, checks the formatting, builds everything once and runs
# every test: the main build (unit, renderer, window and player tests), then
# the clang build of the same with
# AddressSanitizer and UndefinedBehaviorSanitizer and the fuzz targets, and
# the core, renderer and player with ThreadSanitizer. clang-tidy
# (scripts/check-tidy.sh) is left to its own script: with it the run would
# pass six minutes on two cores.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/check-format.sh
scripts/check-translations.sh
cmake --preset dev
cmake --build --preset dev
ctest --preset dev
scripts/check-package.sh build/dev
scripts/check-atspi.sh build/dev
cmake --preset asan
cmake --build --preset asan
ctest --preset asan
cmake --preset tsan
cmake --build --preset tsan
ctest --preset tsan
