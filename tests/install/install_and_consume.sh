#!/usr/bin/env bash
# Installs the build into a scratch prefix outside the library path, runs the
# installed zel, then builds and runs a small C program against the tree
# twice: through find_package(zel) and through pkg-config. Nothing runs with
# LD_LIBRARY_PATH: the installed files find their libraries by run path.
set -euo pipefail
build=$1 consumer=$2 toolchain=${3:-} emulator=${4:-} flags=${5:-}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
unset LD_LIBRARY_PATH
prefix=$scratch/prefix

cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(dirname "$(find "$prefix" -name 'libzel.so.1' | head -n 1)")
for lib in libzel.so libjrnmsg.so libkmt7qcks.so; do
  test -L "$libdir/$lib" || { echo "missing link $lib"; exit 1; }
done
test -f "$prefix/include/zel/svc_internal.h" || { echo "svc_internal.h not installed"; exit 1; }

# Every run path of an installed file is relative to the file itself; the
# tool and libzel must have one.
for file in "$prefix"/bin/zel "$libdir"/lib*.so.1; do
  paths=$(readelf -d "$file" | sed -n 's/.*(\(RUNPATH\|RPATH\)).*\[\(.*\)\]/\2/p')
  case $file in */zel|*/libzel.so.1) [ -n "$paths" ] || { echo "$file: no run path"; exit 1; } ;; esac
  IFS=: read -ra entries <<< "$paths"
  for entry in "${entries[@]}"; do
    case $entry in
      '$ORIGIN'|'$ORIGIN/'*) ;;
      *) echo "$file: run path entry '$entry' is not relative to \$ORIGIN"; exit 1 ;;
    esac
  done
done

run() { if [ -n "$emulator" ]; then "$emulator" "$@"; else "$@"; fi; }
expect_text() {  # expect_text WHAT COMMAND...: the command prints the 0x3665A097 text
  local out
  out=$(run "${@:2}") || { echo "$1 failed"; exit 1; }
  case $out in KVXSC0151E*) echo "$out" ;; *) echo "$1 printed: $out"; exit 1 ;; esac
}

expect_text "installed zel" "$prefix/bin/zel" errtext 0x3665A097

# CMake package.
args=(-S "$consumer" -B "$scratch/cmake-build" -DCMAKE_PREFIX_PATH="$prefix")
# Set only when needed: an empty CMAKE_C_FLAGS would hide the toolchain's -m32.
[ -n "$flags" ] && args+=(-DCMAKE_C_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags")
[ -n "$toolchain" ] && args+=(-DCMAKE_TOOLCHAIN_FILE="$toolchain")
cmake "${args[@]}" >/dev/null
cmake --build "$scratch/cmake-build" >/dev/null
expect_text "find_package consumer" "$scratch/cmake-build/consumer"

# pkg-config. A program linked against a prefix outside the library path
# names that prefix in its own run path; libzel finds the rest by its own.
cflags=$flags
[ -n "$toolchain" ] && cflags="$cflags -m32"
export PKG_CONFIG_PATH=$libdir/pkgconfig
cc $cflags "$consumer/consumer.c" -o "$scratch/consumer-pc" $(pkg-config --cflags --libs zel) \
   -Wl,-rpath,"$(pkg-config --variable=libdir zel)"
expect_text "pkg-config consumer" "$scratch/consumer-pc"
echo "installed tree runs and is consumed through find_package and pkg-config"
