#!/usr/bin/env bash
# Release and sanitizer (ASan+UBSan) builds of everything, with the README's
# test command run on each.
source "$(dirname "$0")/lib.sh"
cd "$(dirname "$0")/.."
need_pkgs cmake g++ make libgtest-dev pkg-config

for kind in release asan; do
  dir=build-ci-$kind
  extra=()
  [ "$kind" = asan ] && extra=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DZOLT_SANITIZE=address,undefined)
  step "$kind: configure and build"
  rm -rf "$dir"
  cmake -S . -B "$dir" -DZOLT_WERROR=ON "${extra[@]}" >/dev/null
  cmake --build "$dir" -j"$(nproc)"
  step "$kind: test"
  ctest --test-dir "$dir" --output-on-failure -j"$(nproc)"
done
step "example"
build-ci-release/examples/check_token
