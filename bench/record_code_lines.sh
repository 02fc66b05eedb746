#!/bin/sh
# Distinct 64-byte code lines that one FILE record runs through, ours and
# locked spdlog's. After each of a record's system calls (lock, write,
# unlock) its code is cold, and on this kind of machine each line it touches
# then costs a few nanoseconds, so this count matters to the record's wall
# time as much as its instructions do.
#
# record_instructions.sh gives the instructions of one record, W, for each;
# record_instructions then runs under lackey for its instruction trace, and
# the script counts the distinct lines in windows of W instructions near the
# end of the run (any window of one record's length covers each of its lines
# once), over 20 windows, and prints the median with the lines in each
# loaded object (the program tells where each object's code lies).
#
# Under valgrind a record takes longer than a millisecond, so the log file's
# name is looked at for every record: about ten lines that a real run
# touches once in a few hundred records.
# Usage: bench/record_code_lines.sh [BUILD_DIR]   (default build/bench)
set -eu
build=${1:-build/bench}
program=$build/bench/record_instructions
[ -x "$program" ] || { echo "build it: cmake --build --preset bench --target record_instructions" >&2; exit 2; }
counts=$("$(dirname "$0")/record_instructions.sh" "$build" |
    sed -n 's/^instructions per record: zel \([0-9]*\), locked spdlog \([0-9]*\)$/\1 \2/p')
[ -n "$counts" ] || { echo "record_instructions.sh gave no counts" >&2; exit 1; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

for contender in zel spdlog; do
    case $contender in
    zel) per_record=${counts% *} ;;
    spdlog) per_record=${counts#* } ;;
    esac
    valgrind --tool=lackey --trace-mem=yes --log-file="$out/trace" \
        "$program" "$contender" 300 code >"$out/code" 2>/dev/null
    python3 - "$out/trace" "$out/code" "$per_record" "$contender" <<'EOF'
import collections
import sys
trace, code, width, who = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
segments = []  # (start, end, object) of each loaded object's code
with open(code) as f:
    for line in f:
        fields = line.split()
        if len(fields) == 4 and fields[0] == 'code':
            segments.append((int(fields[1], 16), int(fields[2], 16), fields[3]))
def owner(address):
    for start, end, name in segments:
        if start <= address < end:
            return name.split('.so')[0]
    return 'elsewhere'
addresses = []
with open(trace) as f:
    for line in f:
        if line.startswith('I'):
            try:
                addresses.append(int(line[3:].split(',')[0], 16))
            except ValueError:
                pass
start = len(addresses) - 150 * width  # well inside the records, before the exit
counts = []
for k in range(20):
    window = addresses[start + 3 * k * width:start + (3 * k + 1) * width]
    lines = {a >> 6 for a in window}
    counts.append((len(lines), collections.Counter(owner(line << 6) for line in lines)))
counts.sort(key=lambda c: c[0])
total, by_object = counts[len(counts) // 2]
parts = ', '.join(f"{n} in {name}" for name, n in by_object.most_common())
print(f"{who}: {width} instructions, {total} code lines per record ({parts})")
EOF
done
