#!/usr/bin/env bash
# Checks that a change is invisible: builds the native modelhost of a base
# revision and of the working tree (Release, no sanitizers) and compares
# what each prints with --dump, byte for byte, with its error output and
# exit status, and, when the base's modelhost can write it (--calls), the
# list of every host library call in order, for every 3DO file in tests/data and examples/, for the two
# generated benchmark files and for a cancelled dialog; and for every file
# in the folders given after the revision, such as a fuzzer's corpus
# (build/fuzz/corpus-Import), whose many malformed inputs check that every
# error message stays the same.
#   bench/compare_dumps.sh [BASE_REVISION [FOLDER...]]   (default: main)
# The base build is kept in the temporary folder under its commit, so a
# second comparison against the same base only builds the working tree
# (in build/bench, the benchmarks' tree).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
base_revision=${1:-main}
shift || true
extra_folders=("$@")
sha=$(git rev-parse --verify --quiet "$base_revision^{commit}") ||
  { echo "compare_dumps: no such revision: $base_revision" >&2; exit 2; }
jobs=$(( $(nproc) < 2 ? $(nproc) : 2 ))
base_dir=${TMPDIR:-/tmp}/kelvado-dumps/$sha
log=$(mktemp)
work=$(mktemp -d)
trap 'rm -rf "$work" "$log"' EXIT

quiet() { "$@" > "$log" 2>&1 || { cat "$log" >&2; return 1; }; }

# The base's own sources, as committed; nothing of the repository changes.
build_base() {
  [ -f "$base_dir/built" ] && return 0
  echo "== building the base $base_revision (${sha:0:12}) in $base_dir"
  rm -rf "$base_dir"
  mkdir -p "$base_dir/src"
  git archive "$sha" | tar -x -C "$base_dir/src"
  quiet cmake -S "$base_dir/src" -B "$base_dir/build" -DCMAKE_BUILD_TYPE=Release -DKELVADO_TESTS=OFF
  quiet cmake --build "$base_dir/build" -j "$jobs"
  touch "$base_dir/built"
}

build_working_tree() {
  echo "== building the working tree in build/bench"
  quiet cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DKELVADO_BENCH=ON -DKELVADO_TESTS=OFF
  quiet cmake --build build/bench -j "$jobs" --target modelhost Kelvado KelvadoImpl make_bench_files
}

failures=0 runs=0

run_side() {  # side, modelhost arguments...
  local side=$1; shift
  local status=0 calls=()
  [ "$compare_calls" = yes ] && calls=(--calls "$work/$side.calls")
  "$@" --dump "${calls[@]}" > "$work/$side.out" 2> "$work/$side.err" || status=$?
  echo "$status" > "$work/$side.status"
}

compare() {  # label, modelhost arguments...
  local label=$1; shift
  run_side base "$base_dir/build/bin/modelhost" "$@"
  run_side new "$root/build/bench/bin/modelhost" "$@"
  runs=$((runs + 1))
  local part parts=(status out err)
  [ "$compare_calls" = yes ] && parts+=(calls)
  for part in "${parts[@]}"; do
    if ! cmp -s "$work/base.$part" "$work/new.$part"; then
      failures=$((failures + 1))
      echo "DIFFERENT: $label (exit status base $(cat "$work/base.status"), new $(cat "$work/new.status"))"
      diff "$work/base.$part" "$work/new.$part" | head -10 || true
      return
    fi
  done
}

build_base
build_working_tree
# Older bases cannot list their host calls; then only the dumps are compared.
compare_calls=no
"$base_dir/build/bin/modelhost" --help | grep -q -- "--calls" && compare_calls=yes
echo "== comparing dumps$([ "$compare_calls" = yes ] && echo " and host calls")"
mapfile -t generated < <(build/bench/bin/make_bench_files | grep '\.3do$')

compare "cancelled dialog" --cancel
for file in tests/data/*.3do examples/*.3do "${generated[@]}"; do
  compare "$file" --open "$file"
done
for folder in "${extra_folders[@]}"; do
  while IFS= read -r -d '' file; do
    compare "$file" --open "$(realpath "$file")"
  done < <(find "$folder" -type f -print0 | sort -z)
done
echo "$runs runs compared against $base_revision (${sha:0:12}), $failures different"
[ "$failures" -eq 0 ]
