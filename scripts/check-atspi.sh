#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Starts the window under a virtual display with the AT-SPI bus running and
# reads it the way a screen reader does (tests/atspi/dump.py).
# Usage: scripts/check-atspi.sh [BUILD]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/dev}
work=$(mktemp -d)
display=:$((60 + RANDOM % 20))
Xvfb "$display" -screen 0 1024x768x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
export DISPLAY=$display XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work HOME=$work
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 NO_AT_BRIDGE=0
sleep 1
# Once in each language: Japanese, then English for this run.
for lang in ja en; do
  dbus-run-session -- bash -c '
    /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
    launcher=$!
    sleep 1
    "$0/app/varimel" --lang "$1" >/dev/null 2>&1 &
    app=$!
    sleep 2
    # The plot window too, opened with its shortcut as a user would.
    xdotool search --sync --name "^Varimel$" windowfocus --sync key ctrl+g >/dev/null 2>&1 || true
    sleep 1
    status=0
    timeout 60 /usr/bin/python3 tests/atspi/dump.py "$1" || status=$?
    kill $app $launcher 2>/dev/null || true
    exit $status
  ' "$build" "$lang"
done
