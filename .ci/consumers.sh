#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# zolt as users take it, each route from the project of tests/consumer, which
# sets its own strict warnings as errors and build type and checks that zolt
# leaves its cache and flags alone:
#   - static libraries (BUILD_SHARED_LIBS=OFF), installed: find_package and
#     pkg-config --static, by tests/consumer/run.sh (the test suite's
#     installed_libraries test runs it on the shared libraries);
#   - built inside the project: add_subdirectory with GCC 12 and no build
#     type, FetchContent from a source directory with Clang 14 in Debug, and
#     FetchContent from a local git clone with Clang 16 in Debug; each builds
#     zolt's sources under the project's warnings, makes no test, example or
#     tool, and lets the project's `cmake --install` install zolt only when
#     ZOLT_INSTALL is on;
#   - every installed C++ header below C++20: one error, naming C++20.
source "$(dirname "$0")/lib.sh"
cd "$(dirname "$0")/.."
need_pkgs cmake g++ clang clang-16 make pkg-config git binutils
root=$PWD
work=$root/build-ci-consumers
rm -rf "$work"
mkdir -p "$work"

fail() { echo "FAIL: $*" >&2; exit 1; }

step "static libraries: find_package and pkg-config"
cmake -S . -B "$work/static" -DBUILD_SHARED_LIBS=OFF -DZOLT_BUILD_TESTS=OFF \
  -DZOLT_BUILD_EXAMPLES=OFF -DZOLT_WERROR=ON >/dev/null
cmake --build "$work/static" -j2 >/dev/null
bash tests/consumer/run.sh "$work/static"

step "headers below C++20"
include=$work/static/consumer-test/prefix/include
headers=("$include"/zolt/*.hpp)
for cxx in g++ clang++; do
  for header in "${headers[@]}" all; do
    if [ "$header" = all ]; then
      source_text=$(printf '#include <%s>\n' "${headers[@]#"$include"/}")
    else
      source_text="#include <${header#"$include"/}>"
    fi
    errors=$("$cxx" -std=c++17 -fsyntax-only -I"$include" -x c++ - <<<"$source_text" 2>&1 | grep ' error: ' || true)
    if [ "$(wc -l <<<"$errors")" != 1 ] || ! grep -q 'C++20' <<<"$errors"; then
      fail "$cxx -std=c++17, $header: expected one error naming C++20, got: $errors"
    fi
  done
done
echo "${#headers[@]} headers, alone and together, with g++ and clang++: one error each"

# route NAME COMPILER BUILD_TYPE ZOLT_INSTALL [ARGUMENTS...]: the consumer
# project taking zolt by the route NAME; builds, runs its programs, installs.
route() {
  local name=$1 cxx=$2 type=$3 install=$4 out=$work/$1
  shift 4
  step "route $name ($cxx, build type '$type', ZOLT_INSTALL=${install:-default})"
  local args=(-DCMAKE_BUILD_TYPE="$type" -DCMAKE_CXX_COMPILER="$cxx" -DZOLT_CONSUMER_ROUTE="$name")
  if [ -n "$install" ]; then args+=(-DZOLT_INSTALL="$install"); fi
  cmake -S tests/consumer -B "$out" "${args[@]}" "$@" >/dev/null
  cmake --build "$out" -j2 >/dev/null
  for program in all_libraries zolt_only zolt_bigstring_only zolt_bytes_only zolt_cstruct_only; do
    readelf -d "$out/$program" | grep -q '(FLAGS).*BIND_NOW' || fail "$program is not linked with -z now"
    "$out/$program"
  done
  cmake --install "$out" --prefix "$out/prefix" >/dev/null
  local installed
  installed=$(cd "$out/prefix" && find . ! -type d | sort)
  if [ "$install" = ON ]; then
    for file in ./include/zolt/zolt.hpp ./lib/libzolt.so ./lib/cmake/zolt/zoltConfig.cmake \
        ./lib/pkgconfig/zolt.pc; do
      grep -qx "$file" <<<"$installed" || fail "ZOLT_INSTALL=ON did not install $file"
    done
  elif [ "$installed" != ./bin/all_libraries ]; then
    fail "the project's install put zolt's files in its prefix: $(tr '\n' ' ' <<<"$installed")"
  fi
}

route subdirectory g++ "" "" -DZOLT_CONSUMER_SOURCE="$root"
route fetch_source clang++ Debug ON -DZOLT_CONSUMER_SOURCE="$root"
git clone --quiet --bare "$root" "$work/zolt.git"
route fetch_git clang++-16 Debug OFF -DZOLT_CONSUMER_SOURCE="file://$work/zolt.git" \
  -DZOLT_CONSUMER_TAG="$(git rev-parse HEAD)"
echo "consumers: all routes passed"
