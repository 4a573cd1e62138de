#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The libFuzzer targets (Clang, ASan+UBSan), each run for a bounded time from the
# committed corpus. The corpus is copied to a scratch directory first: the
# fuzzer adds the inputs it finds to its corpus, and CI must not write into the
# repository.
source "$(dirname "$0")/lib.sh"
cd "$(dirname "$0")/.."
need_pkgs cmake clang libclang-rt-14-dev make

dir=${ZOLT_FUZZ_BUILD_DIR:-build-ci-fuzz}
seconds=${ZOLT_FUZZ_SECONDS:-20}
step "fuzz: build"
cmake -S . -B "$dir" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZOLT_SANITIZE=address,undefined -DZOLT_BUILD_FUZZ=ON -DZOLT_BUILD_TESTS=OFF \
  -DZOLT_BUILD_EXAMPLES=OFF -DZOLT_WERROR=ON >/dev/null
cmake --build "$dir" -j2 >/dev/null

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for corpus in fuzz/corpus/*/; do
  target=$(basename "$corpus")
  step "fuzz: $target for ${seconds}s"
  cp -r "$corpus" "$scratch/$target"
  if ! "$dir/fuzz/$target" -max_total_time="$seconds" -artifact_prefix="$scratch/$target-" \
      "$scratch/$target" >"$scratch/$target.log" 2>&1; then
    tail -n 60 "$scratch/$target.log"
    for input in "$scratch/$target"-*; do echo "failing input (hex):"; od -An -tx1 "$input"; done
    exit 1
  fi
  grep -E '^Done [0-9]+ runs' "$scratch/$target.log"
done
