#!/usr/bin/env bash
# Sets up the machine, builds Varimel and renders the bundled example.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset dev
cmake --build --preset dev
build/dev/cli/varimel-render --summary-json examples/walk.csv walk.mid
echo "wrote walk.mid"
