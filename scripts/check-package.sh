#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks Varimel as an installed application: the desktop entry and the
# AppStream metadata validate, `cmake --install` lays out every file, the
# Debian package builds and passes lintian, and both programs run from the
# unpacked package.
# Usage: scripts/check-package.sh [BUILD]   (default build/dev, already built)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/dev}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

desktop-file-validate desktop/example.korvath.Varimel.desktop
appstream=$(appstreamcli validate --no-net desktop/example.korvath.Varimel.metainfo.xml 2>&1) || {
  echo "$appstream"; exit 1; }
if grep -E '^(E|W):' <<<"$appstream"; then
  echo "AppStream metadata has errors or warnings"; exit 1
fi

cmake --install "$build" --prefix "$work/prefix" >/dev/null
(cd "$work/prefix" && find . -type f | sort) > "$work/installed.txt"
cat > "$work/expected.txt" <<'LIST'
./bin/varimel
./bin/varimel-render
./libexec/varimel/varimel-audio
./libexec/varimel/varimel-ports
./share/applications/example.korvath.Varimel.desktop
./share/doc/varimel/README.md
./share/doc/varimel/changelog.Debian.gz
./share/doc/varimel/copyright
./share/doc/varimel/walk.csv
./share/icons/hicolor/128x128/apps/example.korvath.Varimel.png
./share/icons/hicolor/16x16/apps/example.korvath.Varimel.png
./share/icons/hicolor/24x24/apps/example.korvath.Varimel.png
./share/icons/hicolor/256x256/apps/example.korvath.Varimel.png
./share/icons/hicolor/32x32/apps/example.korvath.Varimel.png
./share/icons/hicolor/48x48/apps/example.korvath.Varimel.png
./share/icons/hicolor/64x64/apps/example.korvath.Varimel.png
./share/icons/hicolor/scalable/apps/example.korvath.Varimel.svg
./share/man/man1/varimel-render.1.gz
./share/man/man1/varimel.1.gz
./share/metainfo/example.korvath.Varimel.metainfo.xml
LIST
diff -u "$work/expected.txt" "$work/installed.txt"

deb=$(scripts/package.sh "$build" | tail -n 1)
lint=$(lintian --allow-root "$deb" 2>&1 || true)
echo "$lint"
if grep -q '^E:' <<<"$lint"; then
  echo "lintian reports errors"; exit 1
fi
if grep -q 'hardening' <<<"$lint"; then
  echo "lintian reports missing hardening"; exit 1
fi
dpkg-deb -x "$deb" "$work/root"
"$work/root/usr/bin/varimel-render" --help | head -n 1
QT_QPA_PLATFORM=offscreen "$work/root/usr/bin/varimel" --version
printf '0,1\n1,2\n' > "$work/a.csv"
"$work/root/usr/bin/varimel-render" "$work/a.csv" "$work/a.mid"
# The port helper is found where the package puts it: with no JACK server
# (and no sequencer here) it says so, rather than that it is missing.
ports=$(JACK_DEFAULT_SERVER=varimel-package-check "$work/root/usr/bin/varimel-render" --list-ports 2>&1) || true
if [[ $ports == *"not installed"* ]]; then
  echo "check-package: $ports" >&2
  exit 1
fi
MANWIDTH=80 man -l "$work/root/usr/share/man/man1/varimel-render.1.gz" 2>/dev/null | head -n 3 >/dev/null
echo "package: $(basename "$deb") checked"
