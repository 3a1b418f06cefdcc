#!/usr/bin/env bash
# Builds everything and runs every test: the native unit tests, the same under
# the sanitizers, and the Windows and end-to-end tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
export STATUSCYCLER_WINEPREFIX="${STATUSCYCLER_WINEPREFIX:-$PWD/build/wineprefix}"

cmake --preset native >/dev/null
cmake --preset windows >/dev/null

# The code is kept clean under the root's .clang-format and .clang-tidy: the
# format of every C++ file, and clang-tidy over every source but the tests'
# and the benchmarks', the portable ones as the native build compiles them,
# the Windows ones as the cross build does (clang told the target and where
# mingw-w64's C++ library is, which it does not find by itself).
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
tidy() { xargs -P 2 -n 4 clang-tidy --quiet "$@" 2> >(grep -v 'warnings generated' >&2); }
git ls-files '*.cpp' | grep -v -e '^tests/' -e '^bench/' -e '^fuzz/' -e '^tools/' -e '/win32/' | tidy -p build/native
cxx=/usr/lib/gcc/x86_64-w64-mingw32/$(x86_64-w64-mingw32-g++-posix -dumpversion)/include/c++
git ls-files 'platform/win32/*.cpp' 'app/win32/*.cpp' 'tools/*.cpp' |
  tidy -p build/windows --extra-arg=--target=x86_64-w64-mingw32 --extra-arg=-isystem$cxx \
    --extra-arg=-isystem$cxx/x86_64-w64-mingw32 --extra-arg=-isystem$cxx/backward

cmake --build --preset native
ctest --preset native

cmake --preset sanitize >/dev/null
cmake --build --preset sanitize
ctest --preset sanitize

# About a minute of fuzzing over the portable core, seeded from fuzz/corpus/.
scripts/fuzz.sh 15

cmake --build --preset windows
# The run prepares the Wine prefix if need be and ends with every process of it.
scripts/with-display.sh ctest --preset windows

# The run command as a newcomer without a display gets it: the guided run
# fails unless the typed statuses reach the stand-in and Stop and Exit work.
env -u DISPLAY scripts/run-demo.sh
