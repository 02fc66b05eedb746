#!/bin/sh
# User-space instructions per FILE record, ours and spdlog's under the same
# fcntl lock: callgrind counts two runs of record_instructions (1000 and 3000
# records) and the difference, over 2000, is the cost of one record.
# Usage: bench/record_instructions.sh [BUILD_DIR]   (default build/bench)
set -eu
build=${1:-build/bench}
program=$build/bench/record_instructions
[ -x "$program" ] || { echo "build it: cmake --build --preset bench --target record_instructions" >&2; exit 2; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

instructions() {  # contender records
    valgrind --tool=callgrind --dump-instr=no --callgrind-out-file="$out/$1.$2" \
        "$program" "$1" "$2" 2>"$out/log" >/dev/null || { cat "$out/log" >&2; exit 1; }
    sed -n 's/^summary: //p' "$out/$1.$2"
}

per_record() {
    low=$(instructions "$1" 1000)
    high=$(instructions "$1" 3000)
    echo $(( (high - low) / 2000 ))
}

zel=$(per_record zel)
spdlog=$(per_record spdlog)
echo "instructions per record: zel $zel, locked spdlog $spdlog"
awk -v z="$zel" -v s="$spdlog" 'BEGIN { printf "zel over locked spdlog: %.2fx (target <= 1.00)\n", z / s }'
