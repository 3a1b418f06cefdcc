#!/usr/bin/env bash
# Installs what building, running and testing Status Cycler needs on Debian 12.
set -euo pipefail
packages=(
  build-essential cmake ninja-build git python3
  mingw-w64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  googletest libgtest-dev libbenchmark-dev
  wine wine64 xvfb xauth xdotool x11-utils imagemagick zip
  clang clang-format clang-tidy libclang-rt-14-dev locales
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
if [ ${#missing[@]} -gt 0 ]; then
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
# The registry tests run once more under a Japanese locale, whose ANSI code
# page is the double-byte 932: Wine reads the page from the locale's name, and
# with the locale there the Unix side of the run is in it too. Listed in
# locale.gen so that a later locale-gen keeps it.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; then
  grep -qx 'ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo 'ja_JP.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen --keep-existing
fi
