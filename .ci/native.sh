#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The README's quick start, each command after the packages the README names
# for it: build and run the example, then the test command on the Release
# build and on the ASan+UBSan build.
source "$(dirname "$0")/lib.sh"
cd "$(dirname "$0")/.."

need_pkgs cmake make g++
step "quick start: build and run the example"
cmake -S . -B build-quick -DZOLT_BUILD_TESTS=OFF && cmake --build build-quick -j2 && ./build-quick/examples/check_token
need_pkgs libgtest-dev pkg-config python3
for preset in release asan; do
  step "cmake --workflow --preset $preset"
  cmake --workflow --preset "$preset"
done
