#!/usr/bin/env bash
# Installs the build into a scratch prefix, then builds and runs a small C
# program against it twice: through find_package(zel) and through pkg-config.
set -euo pipefail
build=$1 consumer=$2 toolchain=${3:-} emulator=${4:-} flags=${5:-}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
libdir=$(dirname "$(find "$scratch/prefix" -name 'libzel.so.1' | head -n 1)")
export LD_LIBRARY_PATH=$libdir
for lib in libzel.so libjrnmsg.so libkmt7qcks.so; do
  test -L "$libdir/$lib" || { echo "missing link $lib"; exit 1; }
done

run() { if [ -n "$emulator" ]; then "$emulator" "$@"; else "$@"; fi; }

# CMake package.
args=(-S "$consumer" -B "$scratch/cmake-build" -DCMAKE_PREFIX_PATH="$scratch/prefix")
# Set only when needed: an empty CMAKE_C_FLAGS would hide the toolchain's -m32.
[ -n "$flags" ] && args+=(-DCMAKE_C_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags")
[ -n "$toolchain" ] && args+=(-DCMAKE_TOOLCHAIN_FILE="$toolchain")
cmake "${args[@]}" >/dev/null
cmake --build "$scratch/cmake-build" >/dev/null
run "$scratch/cmake-build/consumer"

# pkg-config.
cflags=$flags
[ -n "$toolchain" ] && cflags="$cflags -m32"
export PKG_CONFIG_PATH=$libdir/pkgconfig
cc $cflags "$consumer/consumer.c" -o "$scratch/consumer-pc" $(pkg-config --cflags --libs zel)
run "$scratch/consumer-pc"
echo "installed tree consumed through find_package and pkg-config"
