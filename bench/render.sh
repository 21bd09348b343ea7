#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Times varimel-render end to end and prints wall time and peak memory:
# - start-up: a 10-row file, MIDI only, 200 runs (mean per run);
# - 10^6 and 10^7 rows (x = i*0.25, a random walk in y); the 10^7-row file
#   uses --dx 10: at --dx 1 it would last 2.4e9 ticks, more than a delta time
#   in a MIDI file can hold, and the build is refused;
# - a batch of 1,000 files of 100 rows with -j 2;
# - with a second build (another commit, the same build type), the 10^6-row
#   file through both in one run (hyperfine, 40 runs each) and
#   their outputs compared byte for byte.
# Usage: bench/render.sh [BUILD [OTHER_BUILD]]
set -euo pipefail
build=${1:-build/dev}
render="$build/cli/varimel-render"
other=${2:+$2/cli/varimel-render}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

awk 'BEGIN { for (i = 0; i < 10; i++) printf "%d,%d\n", i, i % 5 }' > "$work/ten.csv"
start=$(date +%s%N)
for _ in $(seq 200); do "$render" "$work/ten.csv" "$work/ten.mid"; done
echo "start-up (10 rows, MIDI only): $(( ($(date +%s%N) - start) / 200 / 1000 )) us per run"

for run in 1000000:1 10000000:10; do
  rows=${run%%:*} dx=${run##*:}
  awk -v n="$rows" 'BEGIN { srand(42); y = 0; for (i = 0; i < n; i++) { y += rand() - 0.5; printf "%.2f,%.6f\n", i * 0.25, y } }' > "$work/in.csv"
  size=$(stat -c %s "$work/in.csv")
  /usr/bin/time -f "rows=$rows dx=$dx bytes=$size wall=%es maxrss=%MkB" "$render" --dx "$dx" "$work/in.csv" "$work/out.mid"
  if [[ -n $other && $rows == 1000000 ]]; then
    hyperfine -N -w 3 -r 40 "$other --dx 1 $work/in.csv $work/other.mid" "$render --dx 1 $work/in.csv $work/this.mid"
    cmp "$work/other.mid" "$work/this.mid" && echo "outputs byte-identical"
  fi
done

mkdir -p "$work/batch" "$work/out"
awk 'BEGIN { srand(7); for (f = 0; f < 1000; f++) { file = sprintf("'"$work"'/batch/s%04d.csv", f);
  for (i = 0; i < 100; i++) printf "%d,%.3f\n", i, rand() > file; close(file) } }'
/usr/bin/time -o "$work/time.txt" -f "batch of 1000 files x 100 rows, -j 2: wall=%es maxrss=%MkB" \
  "$render" -j 2 -o "$work/out" "$work"/batch/*.csv 2>/dev/null
cat "$work/time.txt"
