#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The English catalogue is complete: every text the window's sources give to
# the translation system is in it, translated, and it holds nothing else.
set -euo pipefail
cd "$(dirname "$0")/.."
catalogue=app/translations/varimel_en.ts
lupdate=$(command -v lupdate || echo /usr/lib/qt6/bin/lupdate)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$catalogue" "$work/varimel_en.ts"
"$lupdate" -silent app -ts "$work/varimel_en.ts" -source-language ja -target-language en -no-obsolete \
  -locations none
status=0
if ! cmp -s "$catalogue" "$work/varimel_en.ts"; then
  echo "check-translations: $catalogue is not up to date with the sources (run lupdate as above and translate):" >&2
  diff "$catalogue" "$work/varimel_en.ts" >&2 || true
  status=1
fi
if grep -n 'type="unfinished"\|type="vanished"\|type="obsolete"' "$work/varimel_en.ts" >&2; then
  echo "check-translations: entries above are not translated" >&2
  status=1
fi
if grep -n '<translation></translation>\|<translation/>' "$work/varimel_en.ts" >&2; then
  echo "check-translations: entries above are empty" >&2
  status=1
fi
[ "$status" -eq 0 ] && echo "check-translations: $(grep -c '<message>' "$catalogue") texts, all translated"
exit "$status"
