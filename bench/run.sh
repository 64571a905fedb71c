#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them all.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DKELVADO_BENCH=ON -DKELVADO_TESTS=OFF > /dev/null
cmake --build build/bench -j "$(nproc)" > /dev/null
for benchmark in build/bench/bin/bench_*; do
  echo "== $(basename "$benchmark")"
  "$benchmark" "$@"
done
