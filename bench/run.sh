#!/usr/bin/env bash
# Builds the benchmarks in Release (build/bench) and runs them all: first the
# whole import against tinyobjloader, then the Google Benchmark programs.
#   bench/run.sh [--runs N] [--compare-dumps REVISION] [GOOGLE BENCHMARK OPTIONS...]
# --runs sets how many times each reader runs in the whole-import table
# (default 5). --compare-dumps first checks that the working tree's dumps
# are those of REVISION (bench/compare_dumps.sh). The rest goes to every
# Google Benchmark program. The machine is shared: compare medians and
# minimums of runs made close together.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=5 compare_with=""
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --compare-dumps) compare_with=$2; shift 2 ;;
    *) break ;;
  esac
done

if [ -n "$compare_with" ]; then
  bench/compare_dumps.sh "$compare_with"
fi
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DKELVADO_BENCH=ON -DKELVADO_TESTS=OFF > /dev/null
cmake --build build/bench -j "$(nproc)" > /dev/null

echo "== bench_Import"
build/bench/bin/bench_Import --runs "$runs"
for benchmark in build/bench/bin/bench_*; do
  [ "$(basename "$benchmark")" = bench_Import ] && continue
  echo "== $(basename "$benchmark")"
  "$benchmark" "$@"
done
