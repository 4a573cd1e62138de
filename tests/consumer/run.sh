#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs a build tree into a fresh prefix under it and checks the result as a
# user sees it: the installed files, the link graph and exported symbols of the
# four libraries (shared, or static in a BUILD_SHARED_LIBS=OFF build), and
# programs built against the prefix with strict warnings as errors, once
# through find_package(zolt CONFIG) and once through pkg-config, then run: one
# that uses all four libraries and one per library that uses it alone, each
# bound at load time; then the C interface: the C test program built with a C
# compiler through pkg-config, the ctypes test on the installed libzolt.so, and
# the Python package's tests when the build installs it (ZOLT_PYTHON).
#
# usage: run.sh BUILD_DIR, with the build's tools in the environment:
#   ZOLT_CXX        the C++ compiler (default c++)
#   ZOLT_CC         the C compiler (default cc)
#   ZOLT_SANITIZE   the build's sanitizers, e.g. address,undefined: instrumented
#                   libraries need an instrumented program
#   ZOLT_NM         nm for the target (default nm)
#   ZOLT_TOOLCHAIN  the CMake toolchain file of a cross build
#   ZOLT_EMULATOR   the command that runs the target's programs (e.g. qemu-user)
#   ZOLT_GENERATOR  the CMake generator for the consumer build (default CMake's)
set -euo pipefail

build=$(cd "$1" && pwd)
cxx=${ZOLT_CXX:-c++}
cc=${ZOLT_CC:-cc}
nm=${ZOLT_NM:-nm}
flags=()
if [ -n "${ZOLT_SANITIZE:-}" ]; then flags=("-fsanitize=$ZOLT_SANITIZE"); fi
cmake_args=()
if [ -n "${ZOLT_TOOLCHAIN:-}" ]; then cmake_args+=("-DCMAKE_TOOLCHAIN_FILE=$ZOLT_TOOLCHAIN"); fi
if [ -n "${ZOLT_GENERATOR:-}" ]; then cmake_args+=(-G "$ZOLT_GENERATOR"); fi
read -r -a emulator <<<"${ZOLT_EMULATOR:-}"
here=$(cd "$(dirname "$0")" && pwd)
work=$build/consumer-test
prefix=$work/prefix
libs=(zolt zolt_bigstring zolt_bytes zolt_cstruct)
# The warnings a strict user's build turns into errors.
strict=(-Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wshadow -Werror)

fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
cmake --install "$build" --prefix "$prefix" >/dev/null
# A static build's .pc files give its dependencies to `pkg-config --static`.
static=()
if [ -f "$prefix/lib/libzolt.a" ]; then static=(--static); fi

echo "-- installed files"
for h in zolt zolt_bigstring zolt_bytes zolt_cstruct cstruct cxx20; do
  [ -f "$prefix/include/zolt/$h.hpp" ] || fail "header zolt/$h.hpp not installed"
done
[ -f "$prefix/include/zolt/version.h" ] || fail "header zolt/version.h not installed"
# The version the build was configured with, from the installed header.
version_part() { sed -n "s/^#define ZOLT_VERSION_$1 \(.*\)$/\1/p" "$prefix/include/zolt/version.h"; }
major=$(version_part MAJOR) minor=$(version_part MINOR) patch=$(version_part PATCH)
[ "$(version_part STRING)" = "\"$major.$minor.$patch\"" ] || fail "ZOLT_VERSION_STRING disagrees with its parts"
[ -f "$prefix/include/zolt/zolt.h" ] || fail "header zolt/zolt.h not installed"
[ -f "$prefix/lib/cmake/zolt/zoltConfig.cmake" ] || fail "CMake package not installed"
[ -f "$prefix/include/zolt/ct_check.h" ] && [ -f "$prefix/lib/cmake/zolt/ct_check.cmake" ] &&
  [ -x "$prefix/bin/zolt-ct-check" ] || fail "the constant-time check of a program's own code not installed"
for l in "${libs[@]}"; do
  [ -f "$prefix/lib/pkgconfig/$l.pc" ] || fail "$l.pc not installed"
  grep -qx "Version: $major.$minor.$patch" "$prefix/lib/pkgconfig/$l.pc" || fail "$l.pc does not carry version $major.$minor.$patch"
  if grep -q -- '-std=' "$prefix/lib/pkgconfig/$l.pc"; then fail "$l.pc forces a language level"; fi
  if [ ${#static[@]} -gt 0 ]; then
    [ -f "$prefix/lib/lib$l.a" ] || fail "lib$l.a not installed"
    if [ -e "$prefix/lib/lib$l.so" ]; then fail "lib$l.so installed by a static build"; fi
    continue
  fi
  [ -f "$prefix/lib/lib$l.so" ] || fail "lib$l.so not installed"
  # While the major version is 0, every minor version may break the ABI.
  readelf -d "$prefix/lib/lib$l.so" | grep -q "SONAME.*\[lib$l\.so\.$major\.$minor\]" ||
    fail "lib$l.so's SONAME is not lib$l.so.$major.$minor"
  # Each library finds the zolt libraries it needs beside itself.
  readelf -d "$prefix/lib/lib$l.so" | grep -q 'RUNPATH.*\[\$ORIGIN\]' || fail "lib$l.so has no RUNPATH \$ORIGIN"
done

echo "-- link graph"
# The zolt libraries each one needs: by SONAME without its version, or for a
# static library, those `pkg-config --static` adds to its link.
needs() {
  if [ ${#static[@]} -gt 0 ]; then
    # shellcheck disable=SC2046  # one word per flag
    printf '%s\n' $(PKG_CONFIG_PATH=$prefix/lib/pkgconfig pkg-config --static --libs-only-l "$1") |
      sed -n "/^-l$1\$/d; s/^-l\(zolt[a-z_]*\)$/lib\1/p" | sort | tr '\n' ' '
  else
    readelf -d "$prefix/lib/lib$1.so" | sed -n 's/.*(NEEDED).*\[\(libzolt[a-z_]*\)\.so.*\]/\1/p' | sort | tr '\n' ' '
  fi
}
expect_needs() {
  local got
  got=$(needs "$1")
  [ "$got" = "$2" ] || fail "lib$1 needs '${got}', expected '$2'"
}
expect_needs zolt ""
expect_needs zolt_bigstring ""
expect_needs zolt_bytes "libzolt "
expect_needs zolt_cstruct "libzolt_bigstring "

echo "-- exported symbols"
seven="compare_be compare_be_with_len compare_le compare_le_with_len equal exists_uint8 find_uint8"
c_api="zolt_strerror zolt_version_string zolt_equal zolt_compare_be zolt_compare_le
  zolt_compare_be_with_len zolt_compare_le_with_len zolt_find_uint8 zolt_exists_uint8 zolt_divmod
  zolt_ascii_of_int32 zolt_lowercase_ascii zolt_uppercase_ascii zolt_hex_of_bytes zolt_bytes_of_hex
  zolt_wipe zolt_one_if_not_zero zolt_zero_if_not_zero zolt_int_of_bool zolt_bool_of_int
  zolt_select_int zolt_select_a_if_in_range zolt_base64_encoded_size zolt_base64_decoded_max_size
  zolt_base64_of_bytes zolt_bytes_of_base64 zolt_is_zero zolt_copy_if zolt_swap_if
  zolt_dit_supported zolt_dit_enable zolt_dit_restore

  zolt_ct_lookup_row zolt_increment_le zolt_increment_be zolt_add_le zolt_add_be zolt_sub_le
  zolt_sub_be zolt_pad_iso7816 zolt_pad_pkcs7 zolt_unpad_iso7816 zolt_unpad_pkcs7"
# The words given, sorted, one space after each.
words() { printf '%s\n' "$@" | sed '/^$/d' | sort -u | tr '\n' ' '; }
# The symbols a library lets a program see, demangled: its defined dynamic
# symbols, or a static library's defined global symbols of default visibility.
visible() {
  if [ ${#static[@]} -gt 0 ]; then
    readelf -sW "$prefix/lib/lib$1.a" | awk '$5 != "LOCAL" && $6 == "DEFAULT" && $7 != "UND" { print $8 }' |
      c++filt
  else
    "$nm" -DC --defined-only "$prefix/lib/lib$1.so" | cut -d' ' -f3-
  fi
}
# Every visible symbol must be NAMESPACE::name(...) or
# NAMESPACE::class::member(...) with that name in the expected list, or a C
# function zolt_* in the list C_NAMES (none by default), and every listed name
# must be there.
expect_exports() {
  local lib=$1 namespace=$2 expected c_expected got c_got
  # shellcheck disable=SC2086  # the lists are meant to split into words
  expected=$(words $3)
  # shellcheck disable=SC2086
  c_expected=$(words ${4:-})
  got=$(visible "$lib" | sed 's/\[abi:[^]]*\]//; s/(.*//' | sort -u)
  if echo "$got" | grep -v -x -e "$namespace::[a-z0-9_]*\(::~\?[a-z0-9_]*\)\?" -e "zolt_[a-z0-9_]*" >&2; then
    fail "lib$lib exports the symbols above, outside its API"
  fi
  # shellcheck disable=SC2046
  c_got=$(words $(echo "$got" | grep -x "zolt_[a-z0-9_]*" || true))
  # shellcheck disable=SC2046
  got=$(words $(echo "$got" | grep -v -x "zolt_[a-z0-9_]*" | sed "s/^$namespace:://"))
  [ "$got" = "$expected" ] || fail "lib$lib exports '$got', expected '$expected'"
  [ "$c_got" = "$c_expected" ] || fail "lib$lib exports the C functions '$c_got', expected '$c_expected'"
}
expect_exports zolt Zolt "$seven divmod ascii_of_int32 ascii_of_int32_into lowercase_ascii uppercase_ascii hex_of_bytes
  hex_of_string string_of_hex find_uint8_inner hex_of_bytes_into hex_of_string_into
  bytes_of_hex_into string_of_hex_into wipe version_string base64_of_string base64_of_bytes string_of_base64
  base64_of_string_into base64_of_bytes_into string_of_base64_into
  bytes_of_base64_into is_zero copy_if swap_if secure_allocate secure_deallocate
  detail::throw_unless_padding_fits
  data_independent_timing::data_independent_timing data_independent_timing::~data_independent_timing
  data_independent_timing::supported data_independent_timing::enabled
  ct_lookup_row increment_le increment_be add_le add_be sub_le sub_be pad_iso7816 pad_pkcs7
  unpad_iso7816 unpad_pkcs7 ct_eq ct_is_zero" "$c_api"
expect_exports zolt_bigstring Zolt_bigstring "$seven find_uint8_inner is_zero"
expect_exports zolt_bytes Zolt_bytes "$seven is_zero"
expect_exports zolt_cstruct Zolt_cstruct "$seven is_zero"

echo "-- find_package(zolt VERSION CONFIG)"
# The package accepts a request for its own major.minor only.
accepts() {
  cmake -S "$here/version" -B "$work/version-$1" "${cmake_args[@]}" -Dzolt_DIR="$prefix/lib/cmake/zolt" \
    -DZOLT_REQUEST="$1" >/dev/null 2>&1
}
accepts "$major.$minor" || fail "find_package(zolt $major.$minor CONFIG) fails"
accepts "$major.$minor.$patch" || fail "find_package(zolt $major.$minor.$patch CONFIG) fails"
for other in "$major.$((minor - 1))" "$major.$((minor + 1))" "$((major + 1)).$minor"; do
  if accepts "$other"; then fail "find_package(zolt $other CONFIG) accepts version $major.$minor.$patch"; fi
done

# The programs run as a user's would: no LD_LIBRARY_PATH, linked with
# --as-needed (the default of some toolchains), so that a library that does not
# find its own dependencies fails to start. Each is bound at load time by the
# -z now that the CMake package and the .pc files add to its link.
run() {
  readelf -d "$1" | grep -q '(FLAGS).*BIND_NOW' || fail "$1 is not linked with -z now"
  env -u LD_LIBRARY_PATH "${emulator[@]}" "$@"
}
as_needed=-Wl,--as-needed
only=(zolt_only zolt_bigstring_only zolt_bytes_only zolt_cstruct_only)

echo "-- find_package(zolt CONFIG)"
# A cross toolchain confines package search to its sysroot; zolt_DIR names the
# package outright.
cmake -S "$here" -B "$work/cmake" "${cmake_args[@]}" -DCMAKE_PREFIX_PATH="$prefix" \
  -Dzolt_DIR="$prefix/lib/cmake/zolt" -DCMAKE_CXX_COMPILER="$cxx" \
  -DCMAKE_CXX_FLAGS="${flags[*]}" -DCMAKE_EXE_LINKER_FLAGS="$as_needed" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/cmake" >/dev/null
for program in all_libraries "${only[@]}"; do run "$work/cmake/$program"; done

echo "-- pkg-config"
# The .pc files leave the language level to the user: the headers need C++20
# or later, and a later one must work too.
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
mkdir -p "$work/pc"
# shellcheck disable=SC2046  # pkg-config output is meant to split into words
"$cxx" -std=c++2b "${strict[@]}" "${flags[@]}" "$here/all_libraries.cpp" -o "$work/pc/all_libraries" \
  $as_needed $(pkg-config "${static[@]}" --cflags --libs "${libs[@]}") -Wl,-rpath,"$prefix/lib"
run "$work/pc/all_libraries"
for l in "${libs[@]}"; do
  # shellcheck disable=SC2046
  "$cxx" -std=c++20 "${strict[@]}" "${flags[@]}" -DZOLT_ONLY_"$l" "$here/one_library.cpp" \
    -o "$work/pc/${l}_only" $as_needed $(pkg-config "${static[@]}" --cflags --libs "$l") \
    -Wl,-rpath,"$prefix/lib"
  run "$work/pc/${l}_only"
done

echo "-- C interface"
# A C99 program that includes only <zolt/zolt.h>, built by a C compiler.
# shellcheck disable=SC2046
"$cc" -std=c99 -Wall -Wextra -pedantic -Werror "${flags[@]}" "$here/../c/test_c_api.c" \
  -o "$work/pc/test_c_api" $(pkg-config "${static[@]}" --cflags --libs zolt) -Wl,-rpath,"$prefix/lib"
run "$work/pc/test_c_api" "$(pkg-config --modversion zolt)"
# The host's Python cannot load a library built for another target, nor one
# built with sanitizers, whose runtime must come first in the process.
if [ -n "${ZOLT_EMULATOR:-}" ] || [ -n "${ZOLT_SANITIZE:-}" ] || [ ${#static[@]} -gt 0 ]; then
  echo "ctypes test skipped: cross, sanitizer or static build"
else
  python3 "$here/../c/test_ctypes.py" "$prefix/lib/libzolt.so"
  package=$(find "$prefix" -path '*/zolt/__init__.py' -printf '%h\n')
  if [ -n "$package" ]; then
    echo "-- Python package"
    site=$(dirname "$package")
    [ "$(cd "$work" && PYTHONPATH=$site python3 -c "import zolt; print(zolt.equal(b'a', b'a'))")" = True ] ||
      fail "import zolt from $site"
    PYTHONPATH=$site python3 -m unittest discover -s "$here/../../python/tests"
  fi
fi

for program in "$work/cmake/zolt_bigstring_only" "$work/pc/zolt_bigstring_only"; do
  if readelf -d "$program" | grep -q 'NEEDED.*\[libzolt\.so'; then
    fail "$program needs libzolt: zolt_bigstring should stand alone"
  fi
done
echo "installed libraries: all checks passed"
