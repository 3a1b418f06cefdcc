#!/usr/bin/env bash
# Builds everything and runs every test: the native unit tests, the same under
# the sanitizers, and the Windows and end-to-end tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
export STATUSCYCLER_WINEPREFIX="${STATUSCYCLER_WINEPREFIX:-$PWD/build/wineprefix}"

cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

cmake --preset sanitize >/dev/null
cmake --build --preset sanitize
ctest --preset sanitize

# About a minute of fuzzing over the portable core, seeded from fuzz/corpus/.
scripts/fuzz.sh 15

cmake --preset windows >/dev/null
cmake --build --preset windows
scripts/with-display.sh bash -c '
  scripts/wine-run.sh cmd /c exit 0 >/dev/null 2>&1 || true   # prepares the Wine prefix once
  ctest --preset windows
  status=$?
  WINEPREFIX="$STATUSCYCLER_WINEPREFIX" wineserver -k 2>/dev/null || true
  exit $status'

# The run command as a newcomer without a display gets it: the guided run
# fails unless the typed statuses reach the stand-in and Stop and Exit work.
env -u DISPLAY scripts/run-demo.sh
