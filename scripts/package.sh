#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package build/package/varimel_<version>-1_<arch>.deb.
# Usage: scripts/package.sh [BUILD]   (default: a Release build in build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVARIMEL_TESTS=OFF -DVARIMEL_BENCH=OFF \
    -DVARIMEL_DEB_FLAGS=ON
fi
cmake --build "$build"
rm -rf build/package
(cd "$build" && cpack -G DEB -D CPACK_OUTPUT_FILE_PREFIX="$PWD/../package" >/dev/null)
ls build/package/varimel_*.deb
