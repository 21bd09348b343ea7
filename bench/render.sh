#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Times varimel-render end to end against `cat` of the same file in the same
# run (medians of runs taken in turn, so a slow moment of the machine falls
# on all of them alike) and prints wall times and peak memory:
# - start-up: a 10-row file, MIDI only;
# - 10^5 and 10^6 rows (x = i*0.25, a random walk in y, --dx 1), and the
#   10^6 rows of a file with three walks, read as one series and as three;
# - 10^7 rows at --dx 10;
# - a batch of 1,000 files of 100 rows with -j 2;
# - with a second build (another commit, the same build type), every file
#   above through both in the same rounds, and their outputs compared byte
#   for byte.
# Usage: bench/render.sh [BUILD [OTHER_BUILD]]
set -euo pipefail
here=$(dirname "$0")
build=${1:-build/dev}
render="$build/cli/varimel-render"
other=${2:+$2/cli/varimel-render}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "cores: $(nproc)"

walk() { # rows columns file
  awk -v n="$1" -v c="$2" 'BEGIN { srand(42); for (i = 0; i < n; i++) { printf "%.2f", i * 0.25;
    for (k = 0; k < c; k++) { y[k] += rand() - 0.5; printf ",%.6f", y[k] } printf "\n" } }' > "$3"
}
# file, then the renderer's options: this build (and the other) against cat.
compare() {
  local file=$1
  shift
  echo "$(basename "$file"): $(stat -c %s "$file") bytes, $*"
  local commands=("cat $file" "$render $* $file $work/this.mid")
  [[ -n $other ]] && commands+=("$other $* $file $work/other.mid")
  "$here/medians.py" "${rounds:-20}" "${commands[@]}"
  if [[ -n $other ]]; then
    cmp "$work/other.mid" "$work/this.mid" && echo "  outputs byte-identical"
  fi
}

awk 'BEGIN { for (i = 0; i < 10; i++) printf "%d,%d\n", i, i % 5 }' > "$work/ten.csv"
rounds=100 compare "$work/ten.csv"
walk 100000 1 "$work/rows-1e5.csv"
compare "$work/rows-1e5.csv" --dx 1
walk 1000000 1 "$work/rows-1e6.csv"
compare "$work/rows-1e6.csv" --dx 1
walk 1000000 3 "$work/three-1e6.csv"
rounds=10 compare "$work/three-1e6.csv" --dx 1 --y-column 2
rounds=10 compare "$work/three-1e6.csv" --dx 1 --y-column 2,3,4
walk 10000000 1 "$work/rows-1e7.csv"
rounds=3 compare "$work/rows-1e7.csv" --dx 10

mkdir -p "$work/batch" "$work/out"
awk 'BEGIN { srand(7); for (f = 0; f < 1000; f++) { file = sprintf("'"$work"'/batch/s%04d.csv", f);
  for (i = 0; i < 100; i++) printf "%d,%.3f\n", i, rand() > file; close(file) } }'
/usr/bin/time -o "$work/time.txt" -f "batch of 1000 files x 100 rows, -j 2: wall=%es maxrss=%MkB" \
  "$render" -j 2 -o "$work/out" "$work"/batch/*.csv 2>/dev/null
cat "$work/time.txt"
