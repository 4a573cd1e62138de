#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Constant time on AArch64 machine code: the libraries cross-built for
# aarch64-linux-gnu by GCC 12 at -O0, -O1, -O2, -O3 and -Os and by Clang 16 at
# -O1, -O2, -O3 and -Os (against GCC's cross libraries), each checked by the
# memcheck constant-time checker with its negative controls and by the
# no-division check (udiv/sdiv), as .ci/ctcheck.sh does on x86-64. The test
# suite itself runs on aarch64 in .ci/cross.sh.
#
# There is no AArch64 machine here, so Debian's arm64 valgrind runs under
# qemu-aarch64 with a private arm64 sysroot. The packages are downloaded once
# and kept in <prefix>-arm64-sysroot inside the clone, reused while the stamp
# (their versions) matches.
# ZOLT_CTCHECK_BUILD_PREFIX (default build-ci-ctcheck) names the directories;
# ZOLT_CTCHECK_BUILDS="NAME..." runs only the builds named (see the list below).
source "$(dirname "$0")/lib.sh"
cd "$(dirname "$0")/.."
need_pkgs cmake ninja-build g++-aarch64-linux-gnu clang-16 qemu-user

prefix=${ZOLT_CTCHECK_BUILD_PREFIX:-build-ci-ctcheck}
sysroot=$PWD/$prefix-arm64-sysroot
# libc6 (with ld.so) and libstdc++6/libgcc-s1 are what the checker loads;
# libc6-dbg holds ld.so's symbols, without which memcheck refuses to start (it
# must redirect ld.so's string functions); valgrind is memcheck itself and
# <valgrind/memcheck.h>.
debs=(libc6:arm64 libc6-dbg:arm64 libstdc++6:arm64 libgcc-s1:arm64 valgrind:arm64)

arm64_versions() { apt-cache policy "${debs[@]}" 2>/dev/null | awk '/^[^ ]/ {p = $1} /Candidate:/ {print p, $2}'; }
cached() {
  [ -f "$sysroot/stamp" ] && [ "$(cat "$sysroot/stamp")" = "$(arm64_versions)" ] &&
    [ "$(arm64_versions | grep -vc '(none)')" = ${#debs[@]} ]
}

step "aarch64: arm64 valgrind and sysroot"
# apt must know the arm64 packages to download them; adding the architecture
# installs nothing for it.
dpkg --print-foreign-architectures | grep -qx arm64 || dpkg --add-architecture arm64
# The package lists for arm64, fetched when they are missing or the cached
# download is not of the versions they name.
cached || apt-get update -qq
if cached; then
  echo "reusing $sysroot"
else
  rm -rf "$sysroot"
  mkdir -p "$sysroot/debs"
  # Download only, not install: valgrind:arm64 would replace the host's
  # valgrind, and the host needs none of this. Run as root: apt's own _apt
  # user may not write into the clone.
  (cd "$sysroot/debs" && apt-get download -q -o APT::Sandbox::User=root "${debs[@]}")
  # Unpacked into one private tree: qemu-aarch64 -L looks up the loader and the
  # libraries in it before the host's file system.
  for deb in "$sysroot"/debs/*.deb; do dpkg -x "$deb" "$sysroot/root"; done
  rm -rf "$sysroot/debs"
  arm64_versions >"$sysroot/stamp"
fi
# The valgrind wrapper the checker's tests run. It starts the memcheck tool
# directly under qemu: the valgrind launcher would start it with execve, which
# the host cannot run without binfmt_misc. The tool refuses to start unless
# VALGRIND_LAUNCHER is set (the launcher sets it); VALGRIND_LIB is where it
# finds its preloaded objects and suppressions. Written on every run, as it
# names the clone's path.
cat >"$sysroot/valgrind" <<EOF
#!/bin/sh
export VALGRIND_LIB=$sysroot/root/usr/libexec/valgrind
export VALGRIND_LAUNCHER=$sysroot/root/usr/bin/valgrind
exec qemu-aarch64 -L $sysroot/root \$VALGRIND_LIB/memcheck-arm64-linux "\$@"
EOF
chmod +x "$sysroot/valgrind"

# NAME TOOLCHAIN FLAGS
builds=()
for level in O0 O1 O2 O3 Os; do builds+=("aarch64-gcc-$level aarch64-linux-gnu -$level"); done
for level in O1 O2 O3 Os; do
  builds+=("aarch64-clang16-$level aarch64-linux-gnu-clang16 -$level")
done
for build in "${builds[@]}"; do
  read -r name toolchain flags <<<"$build"
  if [ -n "${ZOLT_CTCHECK_BUILDS:-}" ] && [[ " $ZOLT_CTCHECK_BUILDS " != *" $name "* ]]; then
    continue
  fi
  dir=$prefix-$name
  step "constant time: $name ($toolchain $flags)"
  rm -rf "$dir"
  cmake -S . -B "$dir" -G Ninja -DZOLT_WERROR=ON -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchains/$toolchain.cmake" \
    -DCMAKE_CXX_FLAGS_RELEASE="$flags -gdwarf-4" -DZOLT_BUILD_TESTS=OFF \
    -DZOLT_BUILD_EXAMPLES=OFF -DZOLT_BUILD_CTCHECK=ON \
    -DZOLT_VALGRIND_INCLUDE="$sysroot/root/usr/include" -DZOLT_VALGRIND="$sysroot/valgrind" >/dev/null
  cmake --build "$dir" -j2 >/dev/null
  ctest --test-dir "$dir" --output-on-failure --timeout 900 -j2
done
