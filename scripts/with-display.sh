#!/usr/bin/env bash
# Runs a command with one virtual X display for all of it (Wine needs one),
# unless a display is already there. Two at once get a display each: the
# choice of a free number and the server's start are made one at a time.
set -euo pipefail
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then exec "$@"; fi
exec 9>"${TMPDIR:-/tmp}/.statuscycler-display.lock"
flock 9
for n in $(seq 90 140); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 9>&- &
  xvfb_pid=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  if xdpyinfo >/dev/null 2>&1; then
    flock -u 9
    exec 9>&-
    trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
    "$@"
    exit $?
  fi
  kill $xvfb_pid 2>/dev/null || true
done
echo "no free X display found" >&2
exit 1
