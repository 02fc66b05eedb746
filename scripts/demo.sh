#!/usr/bin/env bash
# Builds the library and the zel tool, then describes a few status codes.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target zel-tool
build/release/tools/zel/zel errtext 0x3665A097 3665A0A2 0x10652209 0x3665A0C8 "${@}"
