# SPDX-License-Identifier: MIT
# shellcheck shell=bash
# Shared by tools/abi/update.sh and .ci/abi.sh; sourced, not run. The ABI of a
# library is read from the debug info of a GCC Release build with -g; source paths
# are made relative so the result does not depend on where the clone lives.
set -euo pipefail

abi_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# shellcheck disable=SC2034  # used by the scripts that source this file
abi_libs=(zolt zolt_bigstring zolt_bytes zolt_cstruct)

# abi_build DIR: the four libraries, Release with debug info, into DIR, which
# is made anew so that no cached setting can differ.
abi_build() {
  local jobs=$(( $(nproc) < 2 ? $(nproc) : 2 ))
  rm -rf "$1"
  cmake -S "$abi_root" -B "$1" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=g++ \
    -DCMAKE_CXX_FLAGS="-g -ffile-prefix-map=$abi_root/=" \
    -DZOLT_BUILD_TESTS=OFF -DZOLT_BUILD_EXAMPLES=OFF >/dev/null
  cmake --build "$1" -j"$jobs" >/dev/null
}

# abi_dump DIR LIB OUT: the ABI of DIR's libLIB.so as abidw XML, which records
# the soname.
abi_dump() {
  (cd "$abi_root" && abidw --no-corpus-path --no-comp-dir-path --drop-private-types --no-show-locs \
    --hd include/zolt --hd "$1/include/zolt" --out-file "$3" "$1/lib$2.so")
  grep -q '<abi-instr' "$3" || { echo "lib$2.so has no debug info: no ABI to read" >&2; return 1; }
}

# abi_soname FILE: the soname an ABI file records.
abi_soname() { sed -n "1s/.* soname='\([^']*\)'.*/\1/p" "$1"; }
