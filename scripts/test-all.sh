#!/usr/bin/env bash
# Builds what the tests run and runs every test: the native unit tests, the
# same under the sanitizers, the fuzzer, and the Windows and end-to-end tests
# under Wine. Prints how long each stage took.
#
# Two legs share nothing but the machine: the Windows leg (cross build, then
# the tests under Wine, which mostly wait on windows) runs beside the native
# leg (format, clang-tidy, the native, sanitizer and fuzzer builds), which is
# niced so that the Windows tests get the processor when they want it.
set -euo pipefail
cd "$(dirname "$0")/.."
export STATUSCYCLER_WINEPREFIX="${STATUSCYCLER_WINEPREFIX:-$PWD/build/wineprefix}"
begin=$SECONDS

# stage NAME COMMAND...: runs it, then says how long it took.
stage() {
  local name=$1 t0=$SECONDS
  shift
  "$@"
  printf '== %-22s %4d s\n' "$name" $((SECONDS - t0))
}

cmake --preset native >/dev/null
cmake --preset windows >/dev/null
cmake --preset sanitize >/dev/null

# The Windows tests in two halves that share nothing, side by side: each on a
# virtual display, in a Wine prefix and with a Wine server of its own (so
# one copy of the program, one stand-in, one focus and one set of messenger
# settings each). The loopback is shared, and on it the stand-in presence
# service's fixed port: the second half is of tests that never ask it (no
# "Check online/offline"), and a test not named there runs in the first.
# Each run ends with every process of its prefix. The tests
# are listed once first, so that the two runs find the list made rather than
# both writing it; the listing makes the first prefix if need be, and the
# second is a copy of it.
windows_tests() {
  local second='^(RotationE2E|TrayE2E|Desktop|MinimiseRestore|RealRegistry)\.' a=0 b=0
  ctest --preset windows -N >/dev/null
  WINEPREFIX="$STATUSCYCLER_WINEPREFIX" wineserver -w
  if [ ! -f "$STATUSCYCLER_WINEPREFIX-2/system.reg" ]; then
    rm -rf "$STATUSCYCLER_WINEPREFIX-2"
    cp -a "$STATUSCYCLER_WINEPREFIX" "$STATUSCYCLER_WINEPREFIX-2"
  fi
  scripts/with-display.sh ctest --preset windows -E "$second" >build/windows-tests-1.log 2>&1 &
  local first=$!
  STATUSCYCLER_WINEPREFIX="$STATUSCYCLER_WINEPREFIX-2" scripts/with-display.sh \
    ctest --preset windows -R "$second" >build/windows-tests-2.log 2>&1 || b=$?
  wait $first || a=$?
  cat build/windows-tests-1.log build/windows-tests-2.log
  [ $a -eq 0 ] && [ $b -eq 0 ]
}
windows_leg() {
  stage "windows build" cmake --build --preset windows --target win32_tests e2e_tests
  stage "windows tests" windows_tests
  # The run command as a newcomer without a display gets it: the guided run
  # fails unless the typed statuses reach the stand-in and Stop and Exit work.
  stage "guided run" env -u DISPLAY scripts/run-demo.sh
}
mkdir -p build
windows_log=build/windows-leg.log
echo "The Windows leg runs beside the native one; its output: $windows_log"
# In a process group of its own, so that a failure here ends all of it.
set -m
windows_leg >"$windows_log" 2>&1 &
windows_pid=$!
set +m
trap 'kill -- -$windows_pid 2>/dev/null || true' EXIT

# The code is kept clean under the root's .clang-format and .clang-tidy: the
# format of every C++ file, and clang-tidy over every source but the tests'
# and the benchmarks', the portable ones as the native build compiles them,
# the Windows ones as the cross build does (clang told the target and where
# mingw-w64's C++ library is, which it does not find by itself).
format() { git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror; }
tidy() { xargs -P 2 -n 4 clang-tidy --quiet "$@" 2> >(grep -v 'warnings generated' >&2); }
tidy_all() {
  git ls-files '*.cpp' | grep -v -e '^tests/' -e '^bench/' -e '^fuzz/' -e '^tools/' -e '/win32/' | tidy -p build/native
  local cxx
  cxx=/usr/lib/gcc/x86_64-w64-mingw32/$(x86_64-w64-mingw32-g++-posix -dumpversion)/include/c++
  git ls-files 'platform/win32/*.cpp' 'app/win32/*.cpp' 'tools/*.cpp' |
    tidy -p build/windows --extra-arg=--target=x86_64-w64-mingw32 --extra-arg=-isystem$cxx \
      --extra-arg=-isystem$cxx/x86_64-w64-mingw32 --extra-arg=-isystem$cxx/backward
}
unit() { cmake --build --preset "$1" --target unit_tests && ctest --preset "$1"; }
native_leg() {
  stage format format
  stage clang-tidy tidy_all
  stage "native tests" unit native
  stage sanitizers unit sanitize
  # A fixed number of inputs over the portable core, seeded from fuzz/corpus/.
  stage fuzzing scripts/fuzz.sh 200000
}
(
  renice -n 10 -p $BASHPID >/dev/null
  native_leg
)
windows_status=0
wait $windows_pid || windows_status=$?
trap - EXIT
cat "$windows_log"
printf '== %-22s %4d s\n' "all" $((SECONDS - begin))
if [ $windows_status -ne 0 ]; then
  echo "FAILED: the Windows leg (above)" >&2
  exit 1
fi
