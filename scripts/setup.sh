#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs everything Varimel needs to build, run and test on Debian 12.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev clang-format clang-tidy
  qt6-base-dev qt6-svg-dev qt6-tools-dev qt6-l10n-tools qt6-translations-l10n libfluidsynth-dev fluidsynth fluid-soundfont-gm timgm6mb-soundfont
  libsimpleini-dev fonts-noto-cjk fonts-dejavu-core
  libgtest-dev libbenchmark-dev libsndfile1-dev libasound2-dev jackd2 libjack-jackd2-dev
  xvfb xauth xdotool imagemagick midicsv time locales
  lintian desktop-file-utils appstream dpkg-dev man-db
  dbus at-spi2-core python3-pyatspi python3-mido
)
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  sudo=(sudo)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update
  "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
# A locale with a decimal comma, so the tests can show that numbers are read
# and shown with '.' whatever the user's locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  "${sudo[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8 || true
fi
