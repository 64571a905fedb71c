#!/usr/bin/env bash
# Builds the trees and runs every test: natively under the sanitizers, and
# under Wine for the Windows builds. What ships comes from the release tree
# and is checked in dist/.
#   ./test.sh            every tree and check (what CI runs)
#   ./test.sh --native   the native tree alone, with the sanitizers: the
#                        quick check while working
# The steps and what each needs are in cmake/test-steps.mk; they run side by
# side on all cores. Each step's output is in build/logs; a table of how
# long each took ends the run.
set -euo pipefail
cd "$(dirname "$0")"

goal=all
case "${1:-}" in
  "") ;;
  --native) goal=native ;;
  *)
    echo "usage: ./test.sh [--native]" >&2
    exit 2
    ;;
esac
if [ $# -gt 1 ]; then
  echo "usage: ./test.sh [--native]" >&2
  exit 2
fi

mkdir -p build
rm -rf build/logs build/timings
run_start=$(date +%s.%N)

# The rows of the table, in the order of the steps: "step label".
rows=(
  "install-check install check" "install-script install script's decisions"
  "configure-native native: configure" "build-native native: build" "tests-native native: tests"
  "configure-win32 win32: configure" "build-win32 win32: build" "prefix-win32 win32: Wine prefix"
  "prefix-win32-comma win32: Wine prefix, comma" "tests-win32 win32: tests"
  "configure-win64 win64: configure" "build-win64 win64: build" "prefix-win64 win64: Wine prefix"
  "prefix-win64-comma win64: Wine prefix, comma" "tests-win64 win64: tests"
  "configure-release release: configure" "build-release release: build"
  "prefix-release release: Wine prefix" "tests-release release: tests"
  "configure-bench bench: configure" "build-bench bench: build"
  "build-fuzz fuzz: configure and build" "fuzz-smoke fuzz: smoke (2 x 30 s)"
  "release-check release check: dist/"
)
print_timings() {
  local total
  total=$(awk -v s="$run_start" -v e="$(date +%s.%N)" 'BEGIN { printf "%.1f", e - s }')
  echo
  echo "== time per step, in seconds (steps run side by side: they add up to more than the total;"
  echo "   cpu is the processor time of the step's programs, less changed by a busy machine)"
  printf '  %-30s %8s %8s %8s  %s\n' step started took cpu result
  local row name label line cpu_total
  cpu_total=$(awk '{ t += $5 } END { printf "%.1f", t }' build/timings 2>/dev/null || echo 0)
  for row in "${rows[@]}"; do
    name=${row%% *} label=${row#* }
    line=$(grep "^$name " build/timings 2>/dev/null | tail -1) || true
    [ -n "$line" ] || continue
    awk -v label="$label" -v s="$run_start" '{
      printf "  %-30s %8.1f %8.1f %8.1f  %s\n", label, $2 - s, $3 - $2, $5, ($4 == 0 ? "ok" : "FAILED")
    }' <<< "$line"
  done
  printf '  %-30s %8s %8.1f %8.1f\n' "total (wall clock; cpu: sum)" "" "$total" "$cpu_total"
}
trap print_timings EXIT

# Some kernels run no 32-bit programs (32-bit emulation switched off): the
# 32-bit Wine can never start there, so it is not even installed, and the
# 64-bit build stands in for it. The kernel is asked once, here, before the
# install; the install script takes the answer from KELVADO_RUNS_32BIT.
runs_32bit=no
install_args=(--native)
if [ "$goal" = all ]; then
  source cmake/runs-32bit.sh
  runs_32bit=$(kelvado_runs_32bit)
  export KELVADO_RUNS_32BIT=$runs_32bit
  [ "$runs_32bit" = yes ] || kelvado_note_no_32bit
  install_args=()
fi

# Shown: a warning about a package index that failed to download must reach
# the reader even when everything installed.
cmake/test-step.sh show install-check cmake/install-deps.sh "${install_args[@]}"

make -f cmake/test-steps.mk -j "$(( $(nproc) + 1 ))" --output-sync=recurse --keep-going --silent \
  "$goal" RUNS_32BIT=$runs_32bit
