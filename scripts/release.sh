#!/usr/bin/env bash
# Builds the release StatusCycler.exe (static, stripped, with its manifest,
# version information and icon) and packs it with the README and licence.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release --target StatusCycler
version=$(sed -n 's/^project(StatusCycler VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
out="build/release/StatusCycler-$version.zip"
rm -f "$out"
zip -j -q "$out" build/release/bin/StatusCycler.exe README.md LICENSE
ls -l build/release/bin/StatusCycler.exe "$out"
