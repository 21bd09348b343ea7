#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Draws the PNG icons from the SVG (run after changing the SVG; the PNGs are
# committed so a build needs no SVG renderer). Needs librsvg2-bin.
set -euo pipefail
cd "$(dirname "$0")/../desktop/icons"
for size in 16 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" example.korvath.Varimel.svg -o "$size.png"
done
