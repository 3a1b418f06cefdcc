#!/usr/bin/env bash
# The long runs: 10,000 publishes and 1,000 trips to the notification area
# and back, through the real calls under Wine. The test command makes a few
# hundred of each; these take minutes.
# Prints one "long_run=..." line of figures per run; fails if either fails.
set -euo pipefail
cd "$(dirname "$0")/.."
export STATUSCYCLER_WINEPREFIX="${STATUSCYCLER_WINEPREFIX:-$PWD/build/wineprefix}"
if [ -z "${DISPLAY:-}" ]; then exec scripts/with-display.sh "$0" "$@"; fi
cmake --preset windows >/dev/null
cmake --build --preset windows --target win32_tests >/dev/null
export STATUSCYCLER_LONG_RUN=1
tests=build/windows/bin/win32_tests.exe
run() {
  local out
  out=$("$@" 2>&1) || true
  grep -E '^long_run=' <<<"$out" || true
  grep -q '\[  PASSED  \] 1 test' <<<"$out" || { echo "$out" | tail -20 >&2; return 1; }
}
trap 'WINEPREFIX="$STATUSCYCLER_WINEPREFIX" wineserver -k 2>/dev/null || true' EXIT
run scripts/wine-run.sh "$tests" --gtest_filter='RealRegistry.Publishes*'
run scripts/wine-run.sh explorer /desktop=cycles,1024x768 "$tests" --gtest_filter='MinimiseRestore.*'
