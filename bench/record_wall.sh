#!/bin/sh
# Wall time of one FILE record, ours against spdlog under the same fcntl
# lock, at 1 and 4 threads, with the files on tmpfs (/dev/shm) and in /tmp:
# medians of 7 interleaved repetitions, the four ratios printed at the end.
# On a host whose system calls swing from run to run, REPETITIONS=21 narrows
# the medians at three times the cost.
# Usage: [REPETITIONS=N] bench/record_wall.sh [BUILD_DIR]   (default build/bench)
set -eu
build=${1:-build/bench}
repetitions=${REPETITIONS:-7}
case $repetitions in ''|*[!0-9]*|0) echo "REPETITIONS must be a positive number" >&2; exit 2 ;; esac
program=$build/bench/svc_bench
[ -x "$program" ] || { echo "build it: cmake --build --preset bench --target svc_bench" >&2; exit 2; }
ratios=""
for dir in /dev/shm /tmp; do
    result=$(ZEL_BENCH_DIR=$dir "$program" --benchmark_filter='ZelFileRecord|SpdlogFlushedLocked' \
        --benchmark_repetitions="$repetitions" --benchmark_enable_random_interleaving=true \
        --benchmark_report_aggregates_only=true --benchmark_color=false | sed "s/\x1b\[[0-9;]*m//g")
    echo "$result" | grep -E '_median' || true
    ratios="$ratios$(echo "$result" | grep -E '^(files in|record, )')
"
done
echo
printf '%s' "$ratios"
