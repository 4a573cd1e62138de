#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Proving a program's own code, as zolt's users do (examples/ct_check: a
# function with an early exit on a secret byte, which must be caught, and one
# that selects, which must pass):
# - from the build tree: the example's tests through zolt_add_ct_test, and the
#   early exit reported by the source tree's zolt-ct-check;
# - from an installed prefix: tests/consumer/ct_check.sh (a project outside
#   the repository through find_package, a build through pkg-config and the
#   installed script, the script's exit codes);
# - under MemorySanitizer (Clang 14), which <zolt/ct_check.h> drives too.
# The Debian packages run the same consumer check in packages.sh.
source "$(dirname "$0")/lib.sh"
cd "$(dirname "$0")/.."
need_pkgs cmake g++ clang make pkg-config valgrind
build=$PWD/build-ci-ct-examples
example=examples/ct_check

step "build tree: the example's tests"
rm -rf "$build"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DZOLT_WERROR=ON -DZOLT_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 >/dev/null
ctest --test-dir "$build/$example" --output-on-failure --timeout 900 | tee "$build/ctest.log"
if grep -q "did not run" "$build/ctest.log"; then echo "FAIL: a test was skipped"; exit 1; fi
status=0
tools/ctcheck/zolt-ct-check "$build/$example/leading_zeros" leaky || status=$?
[ "$status" = 99 ] || { echo "FAIL: the early exit went unreported (exit $status)"; exit 1; }

step "installed prefix"
cmake --install "$build" --prefix "$build/prefix" >/dev/null
bash tests/consumer/ct_check.sh "$build/prefix"

step "MemorySanitizer"
clang++ -std=c++20 -O1 -g -fsanitize=memory -I include "$example/leading_zeros.cpp" -o "$build/msan"
for which in leaky fixed; do
  status=0
  "$build/msan" "$which" >"$build/msan.log" 2>&1 || status=$?
  cat "$build/msan.log"
  if [ "$which" = leaky ]; then
    [ "$status" != 0 ] && grep -q "MemorySanitizer: use-of-uninitialized-value" "$build/msan.log" ||
      { echo "FAIL: MemorySanitizer missed the early exit"; exit 1; }
  elif [ "$status" != 0 ]; then
    echo "FAIL: MemorySanitizer reported the select"; exit 1
  fi
done
echo "ct examples: all checks passed"
