#!/usr/bin/env bash
# Builds the library and the zel tool, then describes a few status codes.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target zel-tool
zel=build/release/tools/zel/zel
$zel errtext 0x3665A097 3665A0A2 0x10652209 0x3665A0C8
SVC_ERROR=STDOUT: $zel log ERROR 0x3665A0A2 /etc/example.conf 2
SVC_QPC_DBG="qpc:*.9:STDOUT:" $zel trace 3 "a trace of qpc/core at level 3"
$zel utc --tz CET-1CEST,M3.5.0,M10.5.0/3
