#!/usr/bin/env bash
# Constant time on the builds people make: the libraries built by GCC and by
# Clang at -O0, -O1, -O2, -O3 and -Os (ten builds, Clang with its default
# passes). On each: the test suite, the memcheck constant-time checker, its
# negative controls, and the no-division check of divmod/ascii_of_int32. The
# -gdwarf-4 lets Debian 12's valgrind read Clang's debug info, so that a report
# names the function.
source "$(dirname "$0")/lib.sh"
cd "$(dirname "$0")/.."
need_pkgs cmake g++ clang make libgtest-dev valgrind binutils

prefix=${ZOLT_CTCHECK_BUILD_PREFIX:-build-ci-ctcheck}
for compiler in g++ clang++; do
  for level in O0 O1 O2 O3 Os; do
    dir=$prefix-${compiler%%+*}-$level
    step "constant time: $compiler -$level"
    extra=()
    # The timing tool runs by hand only, but must keep building.
    [ "$compiler-$level" = clang++-O2 ] && extra=(-DZOLT_BUILD_DUDECT=ON)
    cmake -S . -B "$dir" -DCMAKE_CXX_COMPILER="$compiler" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_CXX_FLAGS_RELEASE="-$level -gdwarf-4" -DZOLT_WERROR=ON \
      -DZOLT_BUILD_EXAMPLES=OFF -DZOLT_BUILD_CTCHECK=ON "${extra[@]}" >/dev/null
    cmake --build "$dir" -j2 >/dev/null
    ctest --test-dir "$dir" --output-on-failure -j2
  done
done
