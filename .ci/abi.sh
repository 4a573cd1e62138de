#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The guarded ABI: each library of a Release build with debug info is compared
# with its baseline abi/lib*.abi. Added functions and variables pass; anything
# else (a removed or changed function, a changed type it uses) fails, and so
# does a soname that differs from the one the baseline records. Breaking the
# ABI on purpose means raising the minor version (so the soname) and running
# tools/abi/update.sh, committing both together. Once a release is tagged
# (vMAJOR.MINOR.PATCH), its baselines bind every later one with the same soname.
source "$(dirname "$0")/lib.sh"
cd "$(dirname "$0")/.."
need_pkgs cmake g++ make binutils git abigail-tools
# shellcheck source=tools/abi/lib.sh
source tools/abi/lib.sh
build=$PWD/build-ci-abi

# compatible OLD NEW WHAT: true when NEW keeps every interface of OLD as it was.
compatible() {
  local report status=0
  report=$(abidiff --no-added-syms --no-show-locs "$1" "$2") || status=$?
  [ "$status" = 0 ] && return 0
  echo "$report"
  echo "FAIL: $3 (abidiff status $status)" >&2
  return 1
}

step "ABI: Release build with debug info"
abi_build "$build"
release=$(git describe --tags --abbrev=0 --match 'v[0-9]*' 2>/dev/null || true)
failed=0
for lib in "${abi_libs[@]}"; do
  baseline=abi/lib$lib.abi
  step "ABI of lib$lib"
  [ -f "$baseline" ] || { echo "FAIL: no $baseline; run tools/abi/update.sh" >&2; failed=1; continue; }
  abi_dump "$build" "$lib" "$build/lib$lib.abi"
  was=$(abi_soname "$baseline") now=$(abi_soname "$build/lib$lib.abi")
  if [ "$was" != "$now" ]; then
    echo "FAIL: lib$lib's soname is $now, $baseline records $was:" \
      "regenerate the baselines with tools/abi/update.sh and commit them with the soname change" >&2
    failed=1
    continue
  fi
  ok=1
  compatible "$baseline" "$build/lib$lib.abi" "lib$lib breaks the ABI of $baseline: keep the \
interface, or raise the minor version (the soname) and run tools/abi/update.sh, committing both together" || ok=0
  if [ -n "$release" ] && git cat-file -e "$release:$baseline" 2>/dev/null; then
    git show "$release:$baseline" >"$build/lib$lib.$release.abi"
    if [ "$(abi_soname "$build/lib$lib.$release.abi")" = "$now" ]; then
      compatible "$build/lib$lib.$release.abi" "$baseline" \
        "$baseline was regenerated over a break of release $release's ABI without a soname change" || ok=0
    fi
  fi
  if [ "$ok" = 1 ]; then echo "lib$lib ($now): compatible with its baseline"; else failed=1; fi
done
exit "$failed"
