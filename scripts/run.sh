#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets up the machine, builds Varimel and starts the window.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset dev
cmake --build --preset dev
exec build/dev/app/varimel
