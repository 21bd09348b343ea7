#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets up the machine, checks the formatting and the translations, builds
# the programs (optimised, with the distribution's flags) and checks them
# as installed (the package, the accessibility tree), then builds everything
# with clang, AddressSanitizer and UndefinedBehaviorSanitizer and runs every
# test there (unit, renderer, window, player, MIDI ports and the fuzz
# targets), and the core, renderer, player and ports with ThreadSanitizer.
# Each test is built and run once under a sanitizer rather than also in the
# plain build: that keeps the whole under ten minutes on two cores.
# The benchmarks are not built here, and each fuzz target runs ten seconds.
# clang-tidy (scripts/check-tidy.sh) is left to its own script.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/check-format.sh
scripts/check-translations.sh
cmake --preset dev -DVARIMEL_TESTS=OFF -DVARIMEL_BENCH=OFF
cmake --build --preset dev
scripts/check-package.sh build/dev
scripts/check-atspi.sh build/dev
cmake --preset asan -DVARIMEL_FUZZ_SECONDS=10
cmake --build --preset asan
ctest --preset asan
cmake --preset tsan
cmake --build --preset tsan
ctest --preset tsan
