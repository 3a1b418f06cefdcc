#!/usr/bin/env bash
# Installs what building, running and testing Status Cycler needs on Debian 12.
set -euo pipefail
packages=(
  build-essential cmake ninja-build git python3
  mingw-w64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  googletest libgtest-dev libbenchmark-dev
  wine wine64 xvfb xauth xdotool x11-utils imagemagick zip
  clang clang-format clang-tidy libclang-rt-14-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
