#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Debian packages: a Release build, `cpack -G DEB`, the split checked (the
# runtime package holds the versioned libraries, the -dev package the rest,
# python3-zolt the Python package), the packages unpacked into a scratch root,
# and consumer programs built against that root alone and run; then lintian,
# failing on any error that is not explained in docs/packages.md.
source "$(dirname "$0")/lib.sh"
cd "$(dirname "$0")/.."
need_pkgs cmake g++ make pkg-config dpkg-dev file binutils lintian
build=$PWD/build-ci-packages
jobs=$(( $(nproc) < 2 ? $(nproc) : 2 ))
libs=(zolt zolt_bigstring zolt_bytes zolt_cstruct)

fail() { echo "FAIL: $*" >&2; exit 1; }

step "Release build for the packages"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DZOLT_WERROR=ON \
  -DZOLT_BUILD_TESTS=OFF -DZOLT_BUILD_EXAMPLES=OFF \
  -DZOLT_PYTHON=ON -DZOLT_PYTHON_DIR=lib/python3/dist-packages >/dev/null
cmake --build "$build" -j"$jobs" >/dev/null

step "cpack -G DEB"
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >/dev/null)
version=$(sed -n 's/^#define ZOLT_VERSION_STRING "\(.*\)"$/\1/p' "$build/include/zolt/version.h")
soversion=${version%.*}
runtime=$build/libzolt${soversion}_${version}-1_$(dpkg --print-architecture).deb
dev=$build/libzolt-dev_${version}-1_$(dpkg --print-architecture).deb
python=$build/python3-zolt_${version}-1_all.deb
ls "$build"/*.deb
for deb in "$runtime" "$dev" "$python"; do [ -f "$deb" ] || fail "cpack made no $(basename "$deb")"; done

step "package contents"
# The files of a package, without directories, sorted.
contents() { dpkg-deb -c "$1" | grep -v '^d' | awk '{print $6}' | sed 's|^\./||' | sort; }
expected=$(for l in "${libs[@]}"; do echo "usr/lib/lib$l.so.$soversion"; echo "usr/lib/lib$l.so.$version"; done
           echo "usr/share/doc/libzolt$soversion/copyright")
[ "$(contents "$runtime")" = "$(echo "$expected" | sort)" ] ||
  fail "runtime package holds: $(contents "$runtime" | tr '\n' ' ')"
for l in "${libs[@]}"; do
  contents "$dev" | grep -qx "usr/lib/lib$l.so" || fail "libzolt-dev lacks usr/lib/lib$l.so"
  contents "$dev" | grep -qx "usr/lib/pkgconfig/$l.pc" || fail "libzolt-dev lacks $l.pc"
done
contents "$dev" | grep -qx usr/lib/cmake/zolt/zoltConfig.cmake || fail "libzolt-dev lacks the CMake package"
contents "$dev" | grep -qx usr/include/zolt/zolt.hpp || fail "libzolt-dev lacks the headers"
if contents "$dev" | grep "\.so\.[0-9]"; then fail "libzolt-dev holds versioned libraries"; fi
depends=$(dpkg-deb -f "$dev" Depends)
[ "$depends" = "libzolt$soversion (= $version-1)" ] || fail "libzolt-dev depends on '$depends'"
pydir=usr/lib/python3/dist-packages
[ "$(contents "$python")" = "$(printf '%s\n' "$pydir/zolt/__init__.py" "$pydir/zolt/_build.py" \
  usr/share/doc/python3-zolt/copyright)" ] || fail "python3-zolt holds: $(contents "$python" | tr '\n' ' ')"
depends=$(dpkg-deb -f "$python" Depends)
[ "$depends" = "libzolt$soversion (= $version-1), python3" ] || fail "python3-zolt depends on '$depends'"

step "unpack the packages into a scratch root"
root=$build/root
rm -rf "$root" "$build/consumers"
mkdir -p "$build/consumers"
dpkg-deb -x "$runtime" "$root"
dpkg-deb -x "$dev" "$root"
dpkg-deb -x "$python" "$root"
usr=$root/usr

# run PROGRAM: runs it after checking that every zolt library it loads comes
# from the scratch root.
run() {
  local outside
  outside=$(ldd "$1" | grep libzolt | grep -v "=> $usr/lib/" || true)
  [ -z "$outside" ] || fail "$1 loads zolt from outside the scratch root: $outside"
  "$1"
}

# One function per consumer: it builds its programs against $usr alone into
# $build/consumers/NAME and runs them. A consumer in another language adds a
# function and its name to the list below.
consumer_cxx_cmake() {
  local out=$build/consumers/cxx_cmake
  cmake -S tests/consumer -B "$out" -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$usr" \
    -Dzolt_DIR="$usr/lib/cmake/zolt" >/dev/null
  cmake --build "$out" >/dev/null
  for program in all_libraries zolt_only zolt_bigstring_only zolt_bytes_only zolt_cstruct_only; do
    run "$out/$program"
  done
}
consumer_cxx_pkgconfig() {
  local out=$build/consumers/cxx_pkgconfig
  mkdir -p "$out"
  # shellcheck disable=SC2046  # pkg-config output is meant to split into words
  c++ -std=c++20 tests/consumer/all_libraries.cpp -o "$out/all_libraries" \
    $(PKG_CONFIG_PATH=$usr/lib/pkgconfig pkg-config --cflags --libs "${libs[@]}") -Wl,-rpath,"$usr/lib"
  run "$out/all_libraries"
}
# examples/ct_check against the packages: zolt_add_ct_test from the CMake
# package, /usr/bin/zolt-ct-check from libzolt-dev.
consumer_ct_check() {
  need_pkgs valgrind
  bash tests/consumer/ct_check.sh "$usr"
}
# The Python package's tests, and the one line a user tries first, with each
# python3 at hand; the tests check that libzolt comes from the scratch root.
consumer_python() {
  need_pkgs python3
  for py in python3 /usr/bin/python3; do
    [ "$(cd "$build" && PYTHONPATH=$usr/lib/python3/dist-packages "$py" -c \
      "import zolt; print(zolt.equal(b'a', b'a'))")" = True ] || fail "$py: import zolt"
    PYTHONPATH=$usr/lib/python3/dist-packages "$py" -m unittest discover -s python/tests
  done
}
consumers=(cxx_cmake cxx_pkgconfig ct_check python)
for c in "${consumers[@]}"; do
  step "consumer $c"
  "consumer_$c"
done

step "lintian"
# Explained in docs/packages.md; any other error fails.
explained=library-not-linked-against-libc,malformed-contact,no-changelog
lintian --fail-on error --suppress-tags "$explained" "$runtime" "$dev" "$python"
echo "packages: all checks passed"
