#!/usr/bin/env bash
# Fuzzes for SECONDS (default 60) each target: fuzz_ParseText (the 3DO
# reader alone) and fuzz_Import (the whole import into the strict stand-in
# host library), one after the other, each seeded with tests/data.
#   fuzz/run.sh [SECONDS [TARGET...]]
#   fuzz/run.sh --build-only      (configures and builds the targets only)
# Each target keeps its corpus in build/fuzz/corpus-TARGET; new crashes,
# leaks, hangs and out-of-memory inputs land in build/fuzz/artifacts, named
# after the target.
set -euo pipefail
cd "$(dirname "$0")/.."
build_only=no
if [ "${1:-}" = --build-only ]; then
  build_only=yes
  shift
fi
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_ParseText fuzz_Import)

mkdir -p build
cmake -S . -B build/fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVADO_TESTS=OFF -DKELVADO_FUZZ=ON \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all" \
  -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" > build/fuzz-configure.log
# Under ./test.sh the build takes its jobs from the job slots that make
# shares among all the trees; on its own it uses every core.
parallel=(-j "$(nproc)")
if [[ "${MAKEFLAGS:-}" == *jobserver* ]]; then
  parallel=()
fi
cmake --build build/fuzz --target "${targets[@]}" "${parallel[@]}" > build/fuzz-build.log ||
  { cat build/fuzz-build.log; exit 1; }
[ "$build_only" = no ] || exit 0

status=0
for target in "${targets[@]}"; do
  corpus=build/fuzz/corpus-${target#fuzz_}
  mkdir -p "$corpus" build/fuzz/artifacts
  echo "fuzz: $target for ${seconds}s"
  # With the fuzz tree's lower placement limit (fuzz/CMakeLists.txt) no
  # input of at most 64 KiB takes a second here: one that takes 2 s is slow
  # somewhere, a hang to report, since a host would freeze on its like.
  ./build/fuzz/bin/"$target" "$corpus" tests/data \
    -max_total_time="$seconds" -timeout=2 -rss_limit_mb=2048 -malloc_limit_mb=512 \
    -max_len=65536 -print_final_stats=1 -artifact_prefix="build/fuzz/artifacts/$target-" 2>&1 |
    grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::peak_rss_mb|==[0-9]+==|SUMMARY|fuzz_Import:|artifact_prefix|Test unit written)' || true
  # libFuzzer's own exit status is lost in the pipe: an artifact means a fault.
  if compgen -G "build/fuzz/artifacts/$target-*" > /dev/null; then
    echo "fuzz: $target: faults found:"; ls build/fuzz/artifacts/"$target"-*
    status=1
  else
    echo "fuzz: $target: no faults in ${seconds}s"
  fi
done
exit $status
