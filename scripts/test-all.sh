#!/usr/bin/env bash
# Builds and runs every test in each lane: x86_64 optimised with assertions,
# x86_64 with AddressSanitizer and UndefinedBehaviorSanitizer, x86_64 with
# ThreadSanitizer, and i386 under qemu-i386; then a short smoke run of every
# fuzz target. The format lane checks the layout of every source first.
# Usage: scripts/test-all.sh [LANE...]   (lanes: format release sanitize tsan i386 fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

lanes=("$@")
[ ${#lanes[@]} -eq 0 ] && lanes=(format release sanitize tsan i386 fuzz)
jobs=$(nproc)

for lane in "${lanes[@]}"; do
  echo "=== lane: $lane"
  start=$SECONDS
  case $lane in
    release|sanitize|tsan|i386)
      cmake --preset "$lane" >/dev/null
      cmake --build --preset "$lane" -j "$jobs"
      ctest --preset "$lane" -j "$jobs"
      ;;
    format)
      scripts/check-format.sh
      ;;
    fuzz)
      cmake --preset fuzz >/dev/null
      cmake --build --preset fuzz -j "$jobs"
      scripts/fuzz-smoke.sh build/fuzz/fuzz 20
      ;;
    *) echo "unknown lane $lane"; exit 2 ;;
  esac
  echo "=== lane $lane took $((SECONDS - start)) s"
done
