#!/usr/bin/env bash
# Runs a Windows program under Wine, in the project's own prefix, on a virtual
# display when there is no display. Used as CMake's cross-compiling emulator.
set -euo pipefail
export WINEPREFIX="${STATUSCYCLER_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/statuscycler/wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono and no Gecko: Wine would otherwise offer to download them, and no
# test may ever wait on such a dialog.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w || true
fi
# STATUSCYCLER_DPI=144 (say) runs the program on a screen of that DPI: in a
# prefix of its own, copied from the first once that one is idle, whose
# display is set to that many dots per inch.
if [ -n "${STATUSCYCLER_DPI:-}" ] && [ "$STATUSCYCLER_DPI" != 96 ]; then
  base="$WINEPREFIX"
  export WINEPREFIX="$base-dpi$STATUSCYCLER_DPI"
  if [ ! -f "$WINEPREFIX/.dpi-ready" ]; then
    WINEPREFIX="$base" wineserver -w || true
    rm -rf "$WINEPREFIX"
    cp -a "$base" "$WINEPREFIX"
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$STATUSCYCLER_DPI" /f >/dev/null 2>&1
    wineserver -w || true
    touch "$WINEPREFIX/.dpi-ready"
  fi
fi
exec wine "$@" 2> >(grep -v -e 'wine32 is missing' -e 'multiarch needs' -e 'dpkg --add-architecture' -e 'apt-get install wine32' >&2)
