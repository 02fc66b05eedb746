#!/bin/sh
# Runs benchmark programs one after the other, round after round, and prints
# each contender's median time with all its times, sorted. On a host whose
# system calls swing between phases, alternating short runs puts every
# contender in every phase; it compares two builds of the library as well
# as ours against a peer.
#
# A contender is LABEL=PROGRAM@FILTER: a Google Benchmark program and a
# filter that selects one benchmark of it.
# Usage: bench/alternate.sh ROUNDS DIR CONTENDER...
#   ROUNDS   how many times each contender runs (0.3 s each)
#   DIR      where the benchmarks write their files (ZEL_BENCH_DIR)
# Example, ours against locked spdlog at one thread on tmpfs:
#   p=build/bench/bench/svc_bench
#   bench/alternate.sh 21 /dev/shm "zel=$p@ZelFileRecord/real_time/threads:1\$" \
#       "spdlog=$p@SpdlogFlushedLocked/real_time/threads:1\$"
set -eu
[ $# -ge 3 ] || { echo "usage: $0 ROUNDS DIR LABEL=PROGRAM@FILTER..." >&2; exit 2; }
rounds=$1
dir=$2
shift 2
case $rounds in '' | *[!0-9]* | 0) echo "ROUNDS must be a positive number" >&2; exit 2 ;; esac
for contender in "$@"; do
    case $contender in
    *=*@*) ;;
    *) echo "a contender is LABEL=PROGRAM@FILTER: $contender" >&2; exit 2 ;;
    esac
    program=${contender#*=}
    program=${program%%@*}
    [ -x "$program" ] || { echo "no such program: $program" >&2; exit 2; }
done

times=$(mktemp)
trap 'rm -f "$times"' EXIT
round=0
while [ "$round" -lt "$rounds" ]; do
    round=$((round + 1))
    for contender in "$@"; do
        label=${contender%%=*}
        program=${contender#*=}
        filter=${program#*@}
        program=${program%%@*}
        time=$(ZEL_BENCH_DIR=$dir "$program" --benchmark_filter="$filter" \
            --benchmark_min_time=0.3 --benchmark_color=false 2>/dev/null |
            sed "s/\x1b\[[0-9;]*m//g" | awk '/^BM_/ { print $2; exit }')
        [ -n "$time" ] || { echo "$label: the filter selected no benchmark" >&2; exit 1; }
        echo "$label $time" >>"$times"
    done
done

for contender in "$@"; do
    label=${contender%%=*}
    awk -v label="$label" '$1 == label { print $2 }' "$times" | sort -g |
        awk -v label="$label" '{ t[NR] = $1; all = all " " $1 }
            END { printf "%s: median %s ns over %d runs;%s\n", label, t[int((NR + 1) / 2)], NR, all }'
done
