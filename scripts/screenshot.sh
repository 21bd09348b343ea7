#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Starts Varimel under a virtual display, loads a CSV file through the open
# dialog as a user would, and saves a picture of the window.
# Usage: scripts/screenshot.sh [CSV] [OUT.png] [BUILD] [ja|en]
# QT_SCALE_FACTOR=2 scripts/screenshot.sh ... shows the window on a display
# scaled by 2.
set -euo pipefail
cd "$(dirname "$0")/.."
csv=$(realpath "${1:-examples/walk.csv}")
out=${2:-docs/screenshot.png}
build=${3:-build/dev}
lang=${4:-ja}
work=$(mktemp -d)
display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1600x1100x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $app $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
export DISPLAY=$display XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work HOME=$work
sleep 1
"$build/app/varimel" --lang "$lang" &
app=$!
for _ in $(seq 50); do
  win=$(xdotool search --name '^Varimel$' 2>/dev/null | head -n1) && [ -n "$win" ] && break
  sleep 0.2
done
eval "$(xdotool getwindowgeometry --shell "$win")"
# CSVファイル読込... is at (24, 33) in the window; its centre is 64 px right, 12 down.
scale=${QT_SCALE_FACTOR:-1}
xdotool mousemove "$(awk -v x="$X" -v s="$scale" 'BEGIN { printf "%d", x + (8 + 16 + 64) * s }')" \
  "$(awk -v y="$Y" -v s="$scale" 'BEGIN { printf "%d", y + (8 + 25 + 12) * s }')" click 1
sleep 1.5
xdotool type --delay 20 "$csv"
xdotool key Return
sleep 1.5
# Close the warning about skipped lines (the header), if one came up.
xdotool key Return
sleep 0.5
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "$out"
echo "saved $out"
