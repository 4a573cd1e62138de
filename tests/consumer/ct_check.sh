#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# ct_check.sh PREFIX: proves the two functions of examples/ct_check constant
# time, or not, as a user of the zolt installed in PREFIX does, from a scratch
# directory outside the repository:
# - a project of its own (a copy of the example) that knows zolt only through
#   the installed package, find_package(zolt) and zolt_add_ct_test: its ctest
#   passes, the early exit caught (WILL_FAIL), the select clean, nothing skipped;
# - a build without CMake, through pkg-config and PREFIX/bin/zolt-ct-check:
#   the early exit is reported (status 99, the report naming the function and
#   its line), the select passes (0); built without ZOLT_CT_CHECK both run
#   clean;
# - a secret message length padded: what zolt makes public on purpose is
#   exempt through the installed suppressions;
# - the runner's other exit codes: skipped without valgrind or for a program
#   built with AddressSanitizer, usage, a program not found, a program's own
#   failure.
# Needs valgrind, pkg-config and a C++20 compiler (CXX, default c++).
set -euo pipefail
prefix=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
example=$here/../../examples/ct_check
runner=$prefix/bin/zolt-ct-check
cxx=${CXX:-c++}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

echo "-- find_package(zolt) and zolt_add_ct_test, from $work"
cp -r "$example" "$work/project"
cmake -S "$work/project" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$prefix" \
  -Dzolt_DIR="$prefix/lib/cmake/zolt" -DCMAKE_CXX_COMPILER="$cxx" >/dev/null
cmake --build "$work/cmake" >/dev/null
ctest --test-dir "$work/cmake" --output-on-failure >"$work/ctest.log" 2>&1 || { cat "$work/ctest.log"; fail "ctest"; }
grep -q "100% tests passed, 0 tests failed out of 2" "$work/ctest.log" &&
  ! grep -q "did not run" "$work/ctest.log" || { cat "$work/ctest.log"; fail "a test was skipped"; }
echo "ctest: the early exit caught, the select clean"

echo "-- c++ with pkg-config, and $runner"
# shellcheck disable=SC2046  # pkg-config output is meant to split into words
build() {
  "$cxx" -std=c++20 -g "$@" "$example/leading_zeros.cpp" \
    $(PKG_CONFIG_PATH=$prefix/lib/pkgconfig pkg-config --cflags --libs zolt) -Wl,-rpath,"$prefix/lib"
}
build -DZOLT_CT_CHECK -o "$work/checked"
build -o "$work/unchecked"
mkdir "$work/no-valgrind"
ln -s "$(command -v bash)" "$work/no-valgrind/bash"

# STATUS TEXT COMMAND...: the command must exit with STATUS and print TEXT.
expect() {
  local status=$1 text=$2 got=0
  shift 2
  "$@" >"$work/out" 2>&1 || got=$?
  if [ "$got" != "$status" ] || ! grep -qF -- "$text" "$work/out"; then
    cat "$work/out"
    fail "$* exited with $got, expected $status and \"$text\""
  fi
  echo "exit $got: $*"
}
expect 99 "at 0x" "$runner" "$work/checked" leaky
grep -q "leading_zero_bytes_leaky.*(leading_zeros.cpp:[0-9]*)" "$work/out" ||
  { cat "$work/out"; fail "the report does not name the function and its line"; }
expect 0 "PASS" "$runner" "$work/checked" fixed
# Nothing marked: the marks are no code.
expect 0 "PASS" "$runner" "$work/unchecked" leaky
expect 0 "PASS" "$runner" "$work/unchecked" fixed
expect 77 "valgrind is not installed" env PATH="$work/no-valgrind" bash "$runner" "$work/checked" fixed
expect 127 "not found" env ZOLT_VALGRIND="$work/no-valgrind/valgrind" "$runner" "$work/checked" fixed
expect 125 "usage" "$runner"
expect 127 "could not run" "$runner" "$work/missing"
expect 2 "usage: leading_zeros" "$runner" "$work/checked" neither
# What zolt makes public on purpose is exempt through the installed
# suppressions: padding a message whose length is secret makes public only
# whether it fits the buffer, to throw.
cat >"$work/pad.cpp" <<'EOF'
#include <zolt/ct_check.h>
#include <zolt/zolt.hpp>

#include <array>
#include <cstdio>

int main() {
  std::array<std::uint8_t, 64> record{};
  std::size_t length = 21;
  ZOLT_CT_SECRET(record.data(), record.size());
  ZOLT_CT_SECRET(&length, sizeof length);
  std::size_t padded = Zolt::pad_pkcs7(record, length, 16);
  ZOLT_CT_PUBLIC(&padded, sizeof padded);  // the record's length on the wire
  auto [unpadded, valid] = Zolt::unpad_pkcs7(std::span(record).first(padded), 16);
  std::uint64_t accepted = valid.mask();
  ZOLT_CT_PUBLIC(&accepted, sizeof accepted);  // the verdict, and then the length
  ZOLT_CT_PUBLIC(&unpadded, sizeof unpadded);
  const bool ok = accepted != 0 && unpadded == 21;
  std::printf("padded to %zu: %s\n", padded, ok ? "round trip" : "wrong");
  return ok ? 0 : 1;
}
EOF
# shellcheck disable=SC2046
"$cxx" -std=c++20 -g -O2 -DZOLT_CT_CHECK "$work/pad.cpp" -o "$work/pad" \
  $(PKG_CONFIG_PATH=$prefix/lib/pkgconfig pkg-config --cflags --libs zolt) -Wl,-rpath,"$prefix/lib"
expect 0 "PASS" "$runner" "$work/pad"
# valgrind cannot run a program built with AddressSanitizer: skipped, not failed.
build -DZOLT_CT_CHECK -fsanitize=address -o "$work/sanitized"
expect 77 "built with a sanitizer" "$runner" "$work/sanitized" fixed
echo "zolt-ct-check: all checks passed"
