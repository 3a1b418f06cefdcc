#!/usr/bin/env bash
# Builds the program and starts it under Wine beside the stand-in messenger,
# so the status can be seen changing once a second after Start.
set -euo pipefail
cd "$(dirname "$0")/.."
export STATUSCYCLER_WINEPREFIX="${STATUSCYCLER_WINEPREFIX:-$PWD/build/wineprefix}"
cmake --preset windows >/dev/null
cmake --build --preset windows --target StatusCycler messenger-standin
run() {
  scripts/wine-run.sh build/windows/bin/messenger-standin.exe --user-id demo --log build/messenger-demo.log &
  sleep 2
  scripts/wine-run.sh build/windows/bin/StatusCycler.exe
  WINEPREFIX="$STATUSCYCLER_WINEPREFIX" wineserver -k 2>/dev/null || true
}
if [ -n "${DISPLAY:-}" ]; then run; else
  echo "No display: running on a virtual one (see build/messenger-demo.log)." >&2
  export -f run; scripts/with-display.sh bash -c run
fi
