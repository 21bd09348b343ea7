#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs clang-tidy (naming and bug-prone patterns, see .clang-tidy) over the
# program's own sources, with the compile commands of a build.
# Usage: scripts/check-tidy.sh [BUILD]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/dev}
if [ ! -f "$build/compile_commands.json" ]; then
  cmake -S . -B "$build" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
fi
mapfile -t files < <(git ls-files 'sys/*.cpp' 'data/*.cpp' 'config/*.cpp' 'midi/*.cpp' 'music/*.cpp' \
  'playback/*.cpp' 'cli/*.cpp' 'app/*.cpp')
printf '%s\n' "${files[@]}" | xargs -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet 2>/dev/null
echo "tidy: ${#files[@]} files clean"
