#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Times varimel-render end to end on generated files of 10^6 and 10^7 rows
# (x = i*0.25, a random walk in y) and prints wall time and peak memory. The
# 10^7-row file uses --dx 10: at --dx 1 it would last 2.4e9 ticks, more than
# a delta time in a MIDI file can hold, and the build is refused.
set -euo pipefail
build=${1:-build/dev}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for run in 1000000:1 10000000:10; do
  rows=${run%%:*} dx=${run##*:}
  awk -v n="$rows" 'BEGIN { srand(42); y = 0; for (i = 0; i < n; i++) { y += rand() - 0.5; printf "%.2f,%.6f\n", i * 0.25, y } }' > "$work/in.csv"
  size=$(stat -c %s "$work/in.csv")
  /usr/bin/time -f "rows=$rows dx=$dx bytes=$size wall=%es maxrss=%MkB" "$build/cli/varimel-render" --dx "$dx" "$work/in.csv" "$work/out.mid"
done
