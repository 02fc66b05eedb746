#!/usr/bin/env bash
# Runs every fuzz target in a folder for a few seconds each, starting from its
# seed corpus in fuzz/corpus/<target>/ when there is one. Fails when any
# target finds a crash, a leak or a sanitizer report.
# Usage: scripts/fuzz-smoke.sh BUILD_FUZZ_DIR SECONDS
set -uo pipefail
dir=$(cd "$1" && pwd) seconds=$2
root=$(cd "$(dirname "$0")/.." && pwd)
count=0 failed=0
for target in "$dir"/*_fuzz; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  work=$(mktemp -d)
  corpus=("$work/corpus")
  mkdir "$work/corpus"
  [ -d "$root/fuzz/corpus/$name" ] && corpus+=("$root/fuzz/corpus/$name")
  if (cd "$work" && "$target" -max_total_time="$seconds" -print_final_stats=1 "${corpus[@]}" >"$work/log" 2>&1); then
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/log" | grep -o '[0-9]*$')
    echo "$name: ${runs:-?} runs in ${seconds}s, clean"
  else
    echo "$name: FAILED"; tail -n 40 "$work/log"; failed=$((failed + 1))
  fi
  rm -rf "$work"
  count=$((count + 1))
done
echo "fuzz smoke: $count targets, $failed failed"
[ $failed -eq 0 ]
