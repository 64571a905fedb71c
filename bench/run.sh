#!/usr/bin/env bash
# Builds the benchmarks in Release (build/bench) and runs them all: first the
# whole import against tinyobjloader, then the Google Benchmark programs.
#   bench/run.sh [--runs N] [GOOGLE BENCHMARK OPTIONS...]
# --runs sets how many times each reader runs in the whole-import table
# (default 5); the rest goes to every Google Benchmark program. The machine
# is shared: compare medians and minimums of runs made close together.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=5
if [ "${1:-}" = "--runs" ]; then runs=$2; shift 2; fi

cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DKELVADO_BENCH=ON -DKELVADO_TESTS=OFF > /dev/null
cmake --build build/bench -j "$(nproc)" > /dev/null

echo "== bench_Import"
build/bench/bin/bench_Import --runs "$runs"
for benchmark in build/bench/bin/bench_*; do
  [ "$(basename "$benchmark")" = bench_Import ] && continue
  echo "== $(basename "$benchmark")"
  "$benchmark" "$@"
done
