#!/usr/bin/env bash
# Fuzzes the 3DO reader for SECONDS (default 60), seeded with tests/data.
# New crashes, leaks, hangs and out-of-memory inputs land in build/fuzz/artifacts.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

cmake -S . -B build/fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVADO_TESTS=OFF -DKELVADO_FUZZ=ON \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all" \
  -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" > build/fuzz-configure.log
cmake --build build/fuzz --target fuzz_ParseText -j "$(nproc)" > build/fuzz-build.log

mkdir -p build/fuzz/corpus build/fuzz/artifacts
# Stored failures come first as seeds, so an old fault that returns is found
# at once.
./build/fuzz/bin/fuzz_ParseText build/fuzz/corpus tests/data \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=512 \
  -max_len=65536 -print_final_stats=1 -artifact_prefix=build/fuzz/artifacts/ 2>&1 |
  grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::peak_rss_mb|==[0-9]+==|SUMMARY|artifact_prefix|Test unit written)' || true
# libFuzzer's own exit status is lost in the pipe: an artifact means a fault.
if compgen -G "build/fuzz/artifacts/*" > /dev/null; then
  echo "fuzz: faults found:"; ls build/fuzz/artifacts
  exit 1
fi
echo "fuzz: no faults in ${seconds}s"
