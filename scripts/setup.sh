#!/usr/bin/env bash
# Installs what the build and the tests need on a fresh Debian 12 machine and
# generates the locales the tests use. Safe to run again; skips what is there.
set -euo pipefail

packages=(cmake make g++ g++-multilib clang libclang-rt-14-dev googletest libgtest-dev
          libbenchmark-dev libfmt-dev libspdlog-dev qemu-user locales python3 pkg-config
          binutils tzdata libc-bin clang-format rsyslog libinih-dev
          uuid-dev libssl-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# Locales for the catalog and code-page tests.
wanted=("en_US.UTF-8 UTF-8" "de_DE ISO-8859-1" "de_DE.UTF-8 UTF-8" "fr_FR ISO-8859-1")
have=$(locale -a)
need_gen=0
for l in en_US.utf8 de_DE.iso88591 de_DE.utf8 fr_FR.iso88591; do
  grep -qx "$l" <<<"$have" || need_gen=1
done
if [ $need_gen -eq 1 ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
  for l in "${wanted[@]}"; do
    grep -qx "$l" /etc/locale.gen || echo "$l" | $sudo tee -a /etc/locale.gen >/dev/null
  done
  $sudo locale-gen >/dev/null
fi
