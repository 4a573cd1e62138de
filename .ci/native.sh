#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The README's test command on the Release build and on the ASan+UBSan build,
# then the README's quick start (build and run the example).
source "$(dirname "$0")/lib.sh"
cd "$(dirname "$0")/.."
need_pkgs cmake g++ make libgtest-dev pkg-config python3

for preset in release asan; do
  step "cmake --workflow --preset $preset"
  cmake --workflow --preset "$preset"
done
step "quick start: build and run the example"
cmake -S . -B build >/dev/null && cmake --build build -j"$(nproc)" >/dev/null && ./build/examples/check_token
