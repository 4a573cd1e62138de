#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the benchmark so that it cannot rot. Its numbers are not judged here:
# shared CI machines are too noisy. Run it by hand (see bench/ratios.py):
#   build-ci-bench/bench/zolt_bench --benchmark_out=b.json --benchmark_out_format=json
#   python3 bench/ratios.py b.json
source "$(dirname "$0")/lib.sh"
cd "$(dirname "$0")/.."
need_pkgs cmake g++ make pkg-config python3 libbenchmark-dev libssl-dev libsodium-dev

step "build the benchmark (Release)"
cmake -S . -B build-ci-bench -DCMAKE_BUILD_TYPE=Release -DZOLT_WERROR=ON -DZOLT_BUILD_BENCH=ON \
  -DZOLT_BUILD_TESTS=OFF -DZOLT_BUILD_EXAMPLES=OFF >/dev/null
cmake --build build-ci-bench -j2 --target zolt_bench >/dev/null
python3 -c "import ast, sys; ast.parse(open(sys.argv[1]).read())" bench/ratios.py
