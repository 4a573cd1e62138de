#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Constant time on the builds people make, on x86-64: the libraries built by
# GCC 12 and Clang 14 at -O0, -O1, -O2, -O3 and -Os (Clang with its default
# passes); by Clang 16, whose back end turns more selects into branches, at
# -O1, -O2, -O3 and -Os; and by GCC 12 and Clang 16 at -O2 for x86-64-v3 (AVX2,
# BMI2), as -march=native builds on current machines. On each: the memcheck
# constant-time checker with its negative controls, the no-division check of
# divmod/ascii_of_int32, and the functional test suite. The test programs are
# built once per compiler and run against each of its library builds (their
# RUNPATH yields to LD_LIBRARY_PATH), which keeps the builds within CI's time.
# -gdwarf-4 lets Debian 12's valgrind read Clang's debug info, so that a report
# names the function.
# ZOLT_CTCHECK_BUILDS="NAME..." runs only the builds named (see the list below).
source "$(dirname "$0")/lib.sh"
cd "$(dirname "$0")/.."
need_pkgs cmake g++ clang clang-16 make libgtest-dev valgrind binutils

prefix=${ZOLT_CTCHECK_BUILD_PREFIX:-build-ci-ctcheck}
common=(-DCMAKE_BUILD_TYPE=Release -DZOLT_WERROR=ON -DZOLT_BUILD_EXAMPLES=OFF)
# NAME COMPILER FLAGS: NAME starts with the compiler's short name.
builds=()
for level in O0 O1 O2 O3 Os; do builds+=("gcc-$level g++ -$level"); done
for level in O0 O1 O2 O3 Os; do builds+=("clang-$level clang++ -$level"); done
for level in O1 O2 O3 Os; do builds+=("clang16-$level clang++-16 -$level"); done
builds+=("gcc-O2-v3 g++ -O2 -march=x86-64-v3" "clang16-O2-v3 clang++-16 -O2 -march=x86-64-v3")

declare -A tested=()
for build in "${builds[@]}"; do
  read -r name compiler flags <<<"$build"
  if [ -n "${ZOLT_CTCHECK_BUILDS:-}" ] && [[ " $ZOLT_CTCHECK_BUILDS " != *" $name "* ]]; then
    continue
  fi
  tests=$prefix-${name%%-*}-tests
  if [ -z "${tested[$tests]:-}" ]; then
    step "functional tests: build with $compiler"
    cmake -S . -B "$tests" -DCMAKE_CXX_COMPILER="$compiler" "${common[@]}" \
      -DCMAKE_CXX_FLAGS_RELEASE="-O2" >/dev/null
    cmake --build "$tests" -j2 >/dev/null
    tested[$tests]=1
  fi
  dir=$prefix-$name
  step "constant time: $compiler $flags"
  extra=()
  # The timing tool runs by hand only, but must keep building.
  [ "$name" = clang-O2 ] && extra=(-DZOLT_BUILD_DUDECT=ON)
  cmake -S . -B "$dir" -DCMAKE_CXX_COMPILER="$compiler" "${common[@]}" \
    -DCMAKE_CXX_FLAGS_RELEASE="$flags -gdwarf-4" -DZOLT_BUILD_TESTS=OFF \
    -DZOLT_BUILD_CTCHECK=ON "${extra[@]}" >/dev/null
  cmake --build "$dir" -j2 >/dev/null
  ctest --test-dir "$dir" --output-on-failure --timeout 900 -j2
  libs=$PWD/$dir
  loaded=$(LD_LIBRARY_PATH=$libs ldd "$tests/tests/zolt_tests")
  if ! grep -q "$libs/libzolt.so" <<<"$loaded"; then
    echo "the test programs do not load the libraries of $dir"; exit 1
  fi
  # The installed-tree check builds its own consumer and the compile-time
  # tests load no library: native.sh runs them.
  if ! LD_LIBRARY_PATH=$libs ctest --test-dir "$tests" --timeout 900 -E 'installed_libraries|compile_' \
      --output-on-failure -j2 >"$dir/tests.log" 2>&1; then
    cat "$dir/tests.log"; exit 1
  fi
  tail -n 3 "$dir/tests.log"
done
