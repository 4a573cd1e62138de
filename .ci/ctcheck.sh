#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Constant time on the builds people make: the libraries built by GCC and by
# Clang at -O0, -O1, -O2, -O3 and -Os (ten builds, Clang with its default
# passes). On each: the memcheck constant-time checker with its negative
# controls, the no-division check of divmod/ascii_of_int32, and the functional
# test suite. The test programs are built once per compiler and run against
# each of its five library builds (their RUNPATH yields to LD_LIBRARY_PATH),
# which keeps ten builds within CI's time. -gdwarf-4 lets Debian 12's valgrind
# read Clang's debug info, so that a report names the function.
source "$(dirname "$0")/lib.sh"
cd "$(dirname "$0")/.."
need_pkgs cmake g++ clang make libgtest-dev valgrind binutils

prefix=${ZOLT_CTCHECK_BUILD_PREFIX:-build-ci-ctcheck}
common=(-DCMAKE_BUILD_TYPE=Release -DZOLT_WERROR=ON -DZOLT_BUILD_EXAMPLES=OFF)
for compiler in g++ clang++; do
  name=${compiler%%+*}
  tests=$prefix-$name-tests
  step "functional tests: build with $compiler"
  cmake -S . -B "$tests" -DCMAKE_CXX_COMPILER="$compiler" "${common[@]}" \
    -DCMAKE_CXX_FLAGS_RELEASE="-O2" >/dev/null
  cmake --build "$tests" -j2 >/dev/null
  for level in O0 O1 O2 O3 Os; do
    dir=$prefix-$name-$level
    step "constant time: $compiler -$level"
    extra=()
    # The timing tool runs by hand only, but must keep building.
    [ "$name-$level" = clang-O2 ] && extra=(-DZOLT_BUILD_DUDECT=ON)
    cmake -S . -B "$dir" -DCMAKE_CXX_COMPILER="$compiler" "${common[@]}" \
      -DCMAKE_CXX_FLAGS_RELEASE="-$level -gdwarf-4" -DZOLT_BUILD_TESTS=OFF \
      -DZOLT_BUILD_CTCHECK=ON "${extra[@]}" >/dev/null
    cmake --build "$dir" -j2 >/dev/null
    ctest --test-dir "$dir" --output-on-failure -j2
    libs=$PWD/$dir
    loaded=$(LD_LIBRARY_PATH=$libs ldd "$tests/tests/zolt_tests")
    if ! grep -q "$libs/libzolt.so" <<<"$loaded"; then
      echo "the test programs do not load the libraries of $dir"; exit 1
    fi
    # The installed-tree check builds its own consumer and the compile-time
    # tests do not load the libraries: native.sh runs them.
    if ! LD_LIBRARY_PATH=$libs ctest --test-dir "$tests" -E 'installed_libraries|compile_' \
        --output-on-failure -j2 >"$dir/tests.log" 2>&1; then
      cat "$dir/tests.log"; exit 1
    fi
    tail -n 3 "$dir/tests.log"
  done
done
