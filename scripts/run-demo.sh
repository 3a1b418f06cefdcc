#!/usr/bin/env bash
# Builds the program and shows it at work beside the stand-in messenger.
#
# With a display, both windows open there and you press Start yourself.
# Without one (say over SSH), nobody could press anything on a virtual
# display, so a short guided run does it: it types five statuses, presses
# Start with real keystrokes, lets a few statuses pass, saves a picture of both
# windows, prints the stand-in's log, presses Stop and Exit, and ends.
#
# Either way nothing is left behind: no Wine process of the project's prefix,
# no X server of ours, no stand-in, also after Ctrl+C.
set -euo pipefail
cd "$(dirname "$0")/.."
export STATUSCYCLER_WINEPREFIX="${STATUSCYCLER_WINEPREFIX:-$PWD/build/wineprefix}"
bin=build/windows/bin
log=build/messenger-demo.log
picture=build/demo.png
statuses=(Guided run of Status Cycler)

cmake --preset windows >/dev/null
cmake --build --preset windows --target StatusCycler messenger-standin

say() { printf '%s\n' "$*"; }
fail() {
  printf 'run-demo: FAILED: %s\n' "$*" >&2
  exit 1
}

xvfb_pid=""
# The stand-in stores its user id among the messenger's settings in the
# prefix, and the program a status: both are put back as they were.
settings_saved=""
settings_file="C:\\run-demo-messenger-settings.reg"
end_wine() {
  # wineserver -k ends every process of the prefix, the stand-in included;
  # waiting for the server keeps the prefix from being used half torn down.
  WINEPREFIX="$STATUSCYCLER_WINEPREFIX" wineserver -k 2>/dev/null || true
  WINEPREFIX="$STATUSCYCLER_WINEPREFIX" timeout 10 wineserver -w 2>/dev/null || true
}
cleanup() {
  trap '' INT TERM # a second Ctrl+C must not cut the cleanup short
  end_wine
  if [ -n "$settings_saved" ]; then
    scripts/wine-run.sh reg delete 'HKCU\Software\Yahoo' /f >/dev/null 2>&1 || true
    if [ "$settings_saved" = yes ]; then scripts/wine-run.sh reg import "$settings_file" >/dev/null 2>&1 || true; fi
    rm -f "$STATUSCYCLER_WINEPREFIX/drive_c/run-demo-messenger-settings.reg"
    end_wine
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT
trap 'echo " interrupted" >&2; exit 130' INT
trap 'exit 143' TERM

# The first run creates the prefix, which takes about a minute; doing it up
# front keeps the two programs from both trying to at once.
prepare_wine() {
  if [ ! -f "$STATUSCYCLER_WINEPREFIX/system.reg" ]; then
    say "Preparing Wine in $STATUSCYCLER_WINEPREFIX (first run only, about a minute)..."
    scripts/wine-run.sh cmd /c exit 0 >/dev/null 2>&1 || true
  fi
  if scripts/wine-run.sh reg export 'HKCU\Software\Yahoo' "$settings_file" /y >/dev/null 2>&1; then
    settings_saved=yes
  else
    settings_saved=none
  fi
}

# Prints the X window of a running Windows program (by its executable name)
# once it is shown; Wine names the window class after the executable.
wait_window() {
  local exe="$1" seconds="$2" id
  for _ in $(seq $((seconds * 4))); do
    id=$(xdotool search --onlyvisible --classname "^${exe//./\\.}\$" 2>/dev/null | head -1) || true
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.25
  done
  return 1
}

# Polls a state every quarter second until it holds, for `seconds` at most.
wait_until() {
  local seconds="$1"
  shift
  for _ in $(seq $((seconds * 4))); do
    "$@" && return 0
    sleep 0.25
  done
  "$@"
}

window_gone() { ! xdotool search --onlyvisible --classname "^${1//./\\.}\$" >/dev/null 2>&1; }
has_focus() { [ "$(xdotool getwindowfocus -f 2>/dev/null)" = "$1" ]; }
process_gone() { ! kill -0 "$1" 2>/dev/null; }

lines() { if [ -f "$log" ]; then wc -l <"$log"; else echo 0; fi; }
log_reaches() { [ "$(lines)" -ge "$1" ]; }

# The program's own clock: returns once its title has scrolled through the
# whole banner, 39 ticks of its 100 ms timer, however slow the machine is.
title_turn() {
  local title from last wrapped=""
  title=$(xdotool getwindowname "$1") || return 1
  from=${#title} last=${#title}
  for _ in $(seq 1200); do # a minute at most
    title=$(xdotool getwindowname "$1") || return 1
    if [ "${#title}" -lt "$last" ]; then wrapped=1; fi
    if [ -n "$wrapped" ] && [ "${#title}" -ge "$from" ]; then return 0; fi
    last=${#title}
    sleep 0.05
  done
  return 1
}

# "2024-05-01 12:00:01.250<TAB>sent<TAB>lParam=1<TAB>text" -> "  12:00:01.250  text"
print_log() {
  if [ -s "$log" ]; then sed -E 's/^[0-9-]+ ([0-9:.]+)\t[^\t]*\t[^\t]*\t/  \1  /' "$log"; else say "  (empty)"; fi
}

with_display() {
  say "Display $DISPLAY: starting the stand-in messenger and Status Cycler side by side."
  prepare_wine
  rm -f "$log"
  setsid scripts/wine-run.sh "$bin/messenger-standin.exe" --user-id demo --log "$log" &
  local standin program
  standin=$(wait_window messenger-standin.exe 60) || fail "the stand-in messenger's window did not appear"
  setsid scripts/wine-run.sh "$bin/StatusCycler.exe" &
  local launcher=$!
  if program=$(wait_window statuscycler.exe 60); then
    # A window manager may put the two on top of each other.
    eval "$(xdotool getwindowgeometry --shell "$program")"
    xdotool windowmove "$standin" $((X + WIDTH + 16)) "$Y" 2>/dev/null || true
  fi
  say "Press Start (Alt+S): the stand-in shows the next status once a second."
  say "Stop (Alt+T) ends the rotation; Exit (Alt+X) ends the demo."
  wait "$launcher" || true
  say "The stand-in's log ($log):"
  print_log
}

guided() {
  say "No display: a guided run on a virtual one (Xvfb)."
  local displayfile
  displayfile=$(mktemp)
  # -displayfd: Xvfb takes the first free display and says which. Its own
  # session keeps Ctrl+C from ending it under the programs still drawing on
  # it; the cleanup ends it after them.
  setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$displayfile" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    grep -q '^[0-9]' "$displayfile" && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  DISPLAY=":$(head -1 "$displayfile")"
  export DISPLAY
  rm -f "$displayfile"
  xdpyinfo >/dev/null 2>&1 || fail "the virtual display (Xvfb) did not start"
  prepare_wine
  rm -f "$log" "$picture"

  # A Wine desktop draws the title bars that a bare X server would not; both
  # programs join the same one, so they see each other's windows.
  local desktop=1064x236
  say "Starting the stand-in messenger..."
  setsid scripts/wine-run.sh explorer /desktop=demo,$desktop "$bin/messenger-standin.exe" --user-id demo --log "$log" >/dev/null &
  local standin program
  standin=$(wait_window messenger-standin.exe 60) || fail "the stand-in messenger's window did not appear"
  say "Starting Status Cycler..."
  setsid scripts/wine-run.sh explorer /desktop=demo,$desktop "$bin/StatusCycler.exe" >/dev/null &
  program=$(wait_window statuscycler.exe 60) || fail "Status Cycler's window did not appear"
  # Wine gives each X window the Linux process it belongs to.
  local program_pid
  program_pid=$(xdotool getwindowpid "$program") || fail "Status Cycler's window names no process"

  # Both open at the desktop's corner; the stand-in goes to the right.
  eval "$(xdotool getwindowgeometry --shell "$program")"
  local program_w=$WIDTH program_h=$HEIGHT
  eval "$(xdotool getwindowgeometry --shell "$standin")"
  xdotool windowmove "$standin" $((program_w + 10)) $(((program_h - HEIGHT) / 2))
  # A click on the title bar, as a user would, so the keys go to the program.
  xdotool mousemove --window "$program" $((program_w / 2)) 10 click 1
  wait_until 10 has_focus "$program" || fail "a click on its title bar did not give Status Cycler the keyboard"

  say "Typing five statuses: ${statuses[*]}..."
  local first=1 text
  for text in "${statuses[@]}"; do
    # The focus starts in txt1; Tab goes on to the next box.
    [ -n "$first" ] || xdotool key Tab
    first=""
    xdotool key Home shift+End
    xdotool type --delay 40 "$text"
  done

  local before
  before=$(lines)
  say "Pressing Start (Alt+S)..."
  xdotool key alt+s
  say "Letting the statuses rotate until the stand-in has applied five..."
  local rotated=yes
  wait_until 60 log_reaches $((before + 5)) || rotated=""
  say "Saving a picture of both windows..."
  import -window root -crop "$desktop+0+0" +repage "$picture"
  [ "$(lines)" -gt "$before" ] || fail "the stand-in logged no status after Start: the program set none (see $picture)"
  [ -n "$rotated" ] || fail "the stand-in applied $(($(lines) - before)) statuses in a minute after Start, not five (see $log)"

  say "Pressing Stop (Alt+T)..."
  xdotool key alt+t
  # Stopped once a whole turn of the title, in which three statuses would
  # come, brings none; a few turns are left for the key to arrive.
  local stopped="" turn_began
  for _ in 1 2 3 4 5; do
    turn_began=$(lines)
    title_turn "$program" || fail "Status Cycler's title stopped scrolling (see $picture)"
    if [ "$(lines)" -eq "$turn_began" ]; then
      stopped=yes
      break
    fi
  done

  say "The stand-in's log ($log), one line per status it was told to apply:"
  print_log
  local applied=$(($(lines) - before)) ours=0
  for text in "${statuses[@]}"; do
    if cut -f4 "$log" | grep -qxF "$text"; then ours=$((ours + 1)); fi
  done
  [ "$ours" -gt 0 ] || fail "none of the typed statuses reached the stand-in: the typing missed the boxes (see $picture)"
  [ -n "$stopped" ] || fail "statuses kept coming after Stop (see $log)"

  say "Pressing Exit (Alt+X)..."
  xdotool key alt+x
  wait_until 30 window_gone statuscycler.exe || fail "Exit did not close Status Cycler's window"
  wait_until 30 process_gone "$program_pid" || fail "Status Cycler was still running 30 s after Exit"

  say "Done: the stand-in applied $applied statuses between Start and Stop, $ours of the five typed ones among them."
  say "Picture of both windows: $picture"
  say "The stand-in's log: $log"
}

for tool in xdpyinfo xdotool Xvfb import; do
  command -v "$tool" >/dev/null || fail "$tool is missing: run scripts/setup-debian.sh first"
done
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  with_display
else
  if [ -n "${DISPLAY:-}" ]; then say "Display $DISPLAY cannot be reached."; fi
  unset DISPLAY
  guided
fi
