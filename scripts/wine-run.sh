#!/usr/bin/env bash
# Runs a Windows program under Wine, in the project's own prefix, on a virtual
# display when there is no display. Used as CMake's cross-compiling emulator.
# `wine-run.sh --start [DPI...]` prepares the prefix (and those for the DPIs
# given) and starts its Wine server, kept ten seconds past its last program
# (ending, after saying so, one that is already up); `wine-run.sh --end` ends
# every process of the prefix (and of those made from it for other DPIs) and
# waits for them.
set -euo pipefail
export WINEPREFIX="${STATUSCYCLER_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/statuscycler/wine}"
if [ "${1:-}" = --end ]; then
  # The prefix and those made from it for other DPIs (below).
  for prefix in "$WINEPREFIX" "$WINEPREFIX"-dpi*; do
    [ -d "$prefix" ] || continue
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true # none running is as good
    WINEPREFIX="$prefix" wineserver -w
  done
  exit 0
fi
# The prefix is the project's own, no user's: the end-to-end tests may change
# the messenger's settings in it (and put them back). Wine hands the variable
# on to the Windows programs.
export STATUSCYCLER_THROWAWAY_PROFILE=1
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono and no Gecko: Wine would otherwise offer to download them, and no
# test may ever wait on such a dialog. The DLLs the program takes from
# system32 itself are looked for first in a program's folder, as Windows
# does, so that one planted beside it would run (the online check's test
# plants them). Wine's processes read this as they start.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;iphlpapi,oleacc,urlmon=n,b}"
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w || true
fi
# STATUSCYCLER_DPI=144 (say) runs the program on a screen of that DPI: in a
# prefix of its own, copied from the first, whose display is set to that many
# dots per inch. It is made once, by --start before the first's server is up
# (made later, it waits for that server to end, so that the copy is of
# settings written out).
dpi_prefix() { # dpi
  local base="$WINEPREFIX" prefix="$WINEPREFIX-dpi$1"
  [ -f "$prefix/.dpi-ready" ] && return
  WINEPREFIX="$base" wineserver -w || true
  rm -rf "$prefix"
  cp -a "$base" "$prefix"
  WINEPREFIX="$prefix" wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  WINEPREFIX="$prefix" wineserver -w || true
  touch "$prefix/.dpi-ready"
}
if [ "${1:-}" = --start ]; then
  shift
  # A server already up (a program of the prefix still open, such as the run
  # command in another terminal, or a server kept alive by an earlier call)
  # is ended: the tests need the prefix to themselves (one copy of the
  # program, one stand-in, the messenger's settings), and a server started
  # on another display or none cannot show their windows on this one.
  if wineserver -k0 2>/dev/null; then
    echo "A Wine server of $WINEPREFIX was already running (a program of the prefix open elsewhere?):" \
      "the tests need the prefix to themselves, so its programs are ended now." >&2
    wineserver -k 2>/dev/null || true
    wineserver -w
  fi
  for dpi in "$@"; do dpi_prefix "$dpi"; done
  # Started by a test instead, the server and Wine's own services would hold
  # the test's output open until they went, and their start-up would come
  # with every test.
  wineserver -p10 </dev/null >/dev/null 2>&1
  exec wine cmd /c exit 0 </dev/null >/dev/null 2>&1
fi
if [ -n "${STATUSCYCLER_DPI:-}" ] && [ "$STATUSCYCLER_DPI" != 96 ]; then
  dpi_prefix "$STATUSCYCLER_DPI"
  export WINEPREFIX="$WINEPREFIX-dpi$STATUSCYCLER_DPI"
fi
exec wine "$@" 2> >(grep -v -e 'wine32 is missing' -e 'multiarch needs' -e 'dpkg --add-architecture' -e 'apt-get install wine32' >&2)
