#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Cross builds of everything for i686 (32-bit word, little-endian), s390x
# (64-bit word, big-endian) and aarch64 (64-bit word, little-endian, the other
# instruction set people run this on), with the test suite run under qemu-user
# through ctest, so that no result can depend on the word width, the byte order
# or the instruction set.
# GoogleTest is built from Debian's sources for each target once and kept in
# <prefix>-gtest-<target> inside the clone, and reused while its stamp matches.
# Usage: bash .ci/cross.sh [i686] [s390x] [aarch64]   (all when none is named)
# ZOLT_CROSS_BUILD_PREFIX (default build-ci) names the build directories.
source "$(dirname "$0")/lib.sh"
cd "$(dirname "$0")/.."
need_pkgs cmake ninja-build pkg-config googletest g++-i686-linux-gnu g++-s390x-linux-gnu \
  g++-aarch64-linux-gnu qemu-user clang clang-16
prefix=${ZOLT_CROSS_BUILD_PREFIX:-build-ci}
jobs=$(( $(nproc) < 2 ? $(nproc) : 2 ))

# build_gtest TARGET: GoogleTest for TARGET, installed into $prefix-gtest-TARGET.
# Rebuilt only when the sources, the compiler or the toolchain file change.
build_gtest() {
  local target=$1 gtest=$PWD/$prefix-gtest-$1
  local toolchain=$PWD/cmake/toolchains/$target-linux-gnu.cmake
  local stamp
  stamp="$(dpkg-query -W -f='${Version}' googletest) $("$target-linux-gnu-g++" -dumpfullversion)\
 $(cat "$toolchain" cmake/toolchains/linux-gnu-cross.cmake | sha256sum)"
  if [ -f "$gtest/stamp" ] && [ "$(cat "$gtest/stamp")" = "$stamp" ]; then return 0; fi
  step "$target: GoogleTest"
  rm -rf "$gtest"
  cmake -S /usr/src/googletest -B "$gtest/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$gtest" \
    -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON >/dev/null
  cmake --build "$gtest/build" -j"$jobs"
  cmake --install "$gtest/build" >/dev/null
  rm -rf "$gtest/build"
  echo "$stamp" >"$gtest/stamp"
}

targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(i686 s390x aarch64)
for target in "${targets[@]}"; do
  build_gtest "$target"
  dir=$prefix-$target
  step "$target: configure and build"
  rm -rf "$dir"
  cmake -S . -B "$dir" -G Ninja -DZOLT_WERROR=ON \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchains/$target-linux-gnu.cmake" \
    -DGTest_DIR="$PWD/$prefix-gtest-$target/lib/cmake/GTest" >/dev/null
  cmake --build "$dir" -j"$jobs"
  step "$target: test under qemu"
  ctest --test-dir "$dir" --output-on-failure --timeout 900 -j"$jobs"
  if [ "$target" = aarch64 ]; then
    # The operations switching the data-independent timing mode on, a build
    # option off by default: its code path, on CPUs with and without the mode.
    step "$target: ZOLT_DIT_OPERATIONS=ON, the mode's tests under qemu"
    cmake -S . -B "$dir-dit" -G Ninja -DZOLT_WERROR=ON -DZOLT_DIT_OPERATIONS=ON \
      -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchains/$target-linux-gnu.cmake" \
      -DGTest_DIR="$PWD/$prefix-gtest-$target/lib/cmake/GTest" >/dev/null
    cmake --build "$dir-dit" -j"$jobs" --target zolt_dit_tests
    ctest --test-dir "$dir-dit" --timeout 900 -R '^(Dit\.|dit_cpu_)' --output-on-failure -j"$jobs"
    # PSTATE.DIT's register forms assemble for the base architecture, with no
    # -march, by GCC 12, Clang 14 and Clang 16.
    step "$target: the data-independent timing registers assemble"
    for cxx in "$target-linux-gnu-g++" "clang++ --target=$target-linux-gnu" \
               "clang++-16 --target=$target-linux-gnu"; do
      $cxx -std=c++20 -Wall -Wextra -Werror -Iinclude -c lib/dit.cpp -o /dev/null
    done
  fi
done
