#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each over its corpus in fuzz/corpus/
# for a fixed number of inputs, the same amount of work on a fast machine or
# a slow one. Usage: scripts/fuzz.sh [runs per target]
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-200000}"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
failed=0
for target in presence_url; do
  work=$(mktemp -d)
  # New inputs go to a scratch folder; the committed corpus is only read.
  if build/fuzz/fuzz/fuzz_$target -runs="$runs" -max_len=512 -print_final_stats=0 \
       -artifact_prefix="build/fuzz/crash-$target-" "$work" "fuzz/corpus/$target" >"build/fuzz/$target.log" 2>&1; then
    echo "fuzz_$target: $(grep -Eo 'Done [0-9]+ runs' "build/fuzz/$target.log" | tail -1)"
  else
    echo "fuzz_$target: FAILED"; tail -30 "build/fuzz/$target.log"; failed=1
  fi
  rm -rf "$work"
done
exit $failed
