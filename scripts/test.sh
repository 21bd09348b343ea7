#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets up the machine, checks the formatting, builds everything once and runs
# every test: the main build (unit, renderer, window and player tests), then
# the clang build of the same with AddressSanitizer and
# UndefinedBehaviorSanitizer, and the fuzz targets.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/check-format.sh
cmake --preset dev
cmake --build --preset dev
ctest --preset dev
scripts/check-package.sh build/dev
scripts/check-atspi.sh build/dev
cmake --preset asan
cmake --build --preset asan
ctest --preset asan
