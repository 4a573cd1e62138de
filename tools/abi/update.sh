#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Regenerates the ABI baselines abi/lib*.abi from the current sources. Commit
# them together with the soname change when the ABI breaks on purpose, or
# after adding functions.
# Usage: bash tools/abi/update.sh   (builds in build-abi)
# shellcheck source=tools/abi/lib.sh
source "$(dirname "$0")/lib.sh"
build=$abi_root/build-abi
abi_build "$build"
mkdir -p "$abi_root/abi"
for lib in "${abi_libs[@]}"; do
  abi_dump "$build" "$lib" "$abi_root/abi/lib$lib.abi"
  echo "abi/lib$lib.abi: $(abi_soname "$abi_root/abi/lib$lib.abi")"
done
