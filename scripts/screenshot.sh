#!/usr/bin/env bash
# Takes the README's picture of the real window: the program under Wine, in a
# Wine desktop (which draws the title bar that a bare X server would not).
# Usage: scripts/screenshot.sh [path/to/StatusCycler.exe] [out.png]
set -euo pipefail
cd "$(dirname "$0")/.."
exe="${1:-build/windows/bin/StatusCycler.exe}"
out="${2:-docs/screenshot.png}"
export STATUSCYCLER_WINEPREFIX="${STATUSCYCLER_WINEPREFIX:-$PWD/build/wineprefix}"
shoot() {
  timeout 30 scripts/wine-run.sh explorer /desktop=shot,640x300 "$exe" &
  local pid=$!
  # start-up, and a few seconds of the title scrolling
  for _ in $(seq 60); do sleep 0.5; xdotool search --name "^shot" >/dev/null 2>&1 && break; done
  sleep 6
  import -window root -crop 560x226+0+0 +repage "$out"
  kill "$pid" 2>/dev/null || true
  WINEPREFIX="$STATUSCYCLER_WINEPREFIX" wineserver -k 2>/dev/null || true
}
export -f shoot; export exe out
scripts/with-display.sh bash -c shoot
echo "wrote $out"
