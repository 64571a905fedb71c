#!/usr/bin/env bash
# Line and branch coverage of the native test suite, per file of impl/,
# shim/ and platform/, then the lines of impl/ that no test runs.
#
#   tests/coverage.sh [BUILD_DIR]        (default: build/coverage)
#
# Configures BUILD_DIR with -DKELVADO_COVERAGE=ON (clang's source-based
# coverage) when it has no cache yet, builds it, runs every CTest test of the
# tree and reports from the merged profiles of every process: the test
# program, the plug-in libraries it loads and the helper programs the
# scripts run. Not part of ./test.sh.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/coverage}
mkdir -p "$build"
build=$(cd "$build" && pwd)

for tool in clang++ llvm-profdata llvm-cov python3; do
  if ! command -v "$tool" >/dev/null; then
    echo "coverage.sh: '$tool' is missing (Debian: clang, llvm, python3)" >&2
    exit 2
  fi
done

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DKELVADO_COVERAGE=ON >/dev/null
fi
if ! grep -q '^KELVADO_COVERAGE:BOOL=ON' "$build/CMakeCache.txt"; then
  echo "coverage.sh: $build is not a coverage tree (-DKELVADO_COVERAGE=ON)" >&2
  exit 2
fi
cmake --build "$build" -j2 >/dev/null

# One profile per process and instrumented module (%p, %m): the libraries
# a test loads write their own counters beside the program's.
profiles=$build/profiles
rm -rf "$profiles"
mkdir -p "$profiles"
status=0
(cd "$build" && LLVM_PROFILE_FILE="$profiles/%p-%m.profraw" ctest -j2 --output-on-failure) \
  >"$build/coverage-ctest.log" 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
  echo "coverage.sh: some tests failed; the figures below still count what ran" >&2
  grep -E '^[[:space:]]*[0-9]+ - |tests passed' "$build/coverage-ctest.log" >&2 || true
fi
llvm-profdata merge -sparse "$profiles"/*.profraw -o "$build/coverage.profdata"

# Every instrumented program and library of the tree, each file once.
objects=()
while IFS= read -r file; do
  objects+=(-object "$file")
done < <(find "$build/bin" -type f \( -perm -u+x -o -name '*.so' \) -print0 |
  xargs -0 sh -c 'for f; do head -c4 "$f" | grep -q ELF && echo "$f"; done' sh |
  xargs -r sha256sum | sort -u -k1,1 | cut -c67-)

llvm-cov export -format=text -summary-only -instr-profile="$build/coverage.profdata" \
  "${objects[@]:1}" "$root/impl" "$root/shim" "$root/platform" >"$build/coverage-summary.json"
llvm-cov export -format=lcov -instr-profile="$build/coverage.profdata" \
  "${objects[@]:1}" "$root/impl" >"$build/coverage-impl.lcov"

python3 - "$root" "$build/coverage-summary.json" "$build/coverage-impl.lcov" <<'EOF'
import json, sys

root, summary_path, lcov_path = sys.argv[1:4]
files = json.load(open(summary_path))["data"][0]["files"]

def percent(covered, count):
    return f"{100.0 * covered / count:6.1f}%" if count else "     -"

def row(name, lines, branches):
    return (f"{name:<32} {percent(lines[0], lines[1])} {lines[0]:>5}/{lines[1]:<5}"
            f" {percent(branches[0], branches[1])} {branches[0]:>5}/{branches[1]:<5}")

print(f"{'file':<32} {'lines':>19} {'branches':>19}")
for folder in ("impl", "shim", "platform"):
    total_lines, total_branches = [0, 0], [0, 0]
    for entry in sorted(files, key=lambda e: e["filename"]):
        name = entry["filename"][len(root) + 1:]
        if not name.startswith(folder + "/"):
            continue
        s = entry["summary"]
        lines = (s["lines"]["covered"], s["lines"]["count"])
        branches = (s["branches"]["covered"], s["branches"]["count"])
        for total, part in ((total_lines, lines), (total_branches, branches)):
            total[0] += part[0]
            total[1] += part[1]
        print(row(name, lines, branches))
    print(row(folder + "/ (all)", total_lines, total_branches))
    print()

print("Lines of impl/ that no test runs:")
current, uncovered = None, {}
for line in open(lcov_path):
    line = line.strip()
    if line.startswith("SF:"):
        current = line[3:][len(root) + 1:]
    elif line.startswith("DA:") and current:
        number, count = line[3:].split(",")[:2]
        if int(count) == 0:
            uncovered.setdefault(current, []).append(int(number))
if not uncovered:
    print("  none")
for name in sorted(uncovered):
    source = open(f"{root}/{name}").read().split("\n")
    for number in uncovered[name]:
        print(f"  {name}:{number}: {source[number - 1].strip()}")
EOF
exit "$status"
