#!/usr/bin/env bash
# The whole job: installs what is missing, builds the native tree, the 64-bit
# Windows tree and the release tree, imports a 3DO file through the Kelvado
# plug-in into the stand-in host (natively, and as Windows code under Wine),
# writes the host model as out/NAME.obj, draws it as out/NAME.svg, and puts
# the two 32-bit deliverables and their package into dist/.
#   ./demo.sh [FILE.3do]      (default: examples/polyShip.3do)
set -euo pipefail

if [ $# -gt 1 ] || [[ ${1:-} == -* ]]; then
  echo "usage: ./demo.sh [FILE.3do]" >&2
  exit 2
fi
# The file is named relative to where the user stands, not to the repository.
input=${1:-$(dirname "$0")/examples/polyShip.3do}
if [ ! -f "$input" ]; then
  echo "demo.sh: no such file: $input" >&2
  exit 2
fi
file=$(realpath -- "$input")
name=$(basename -- "$file")
name=${name%.[3][dD][oO]}

cd "$(dirname "$0")"
root=$(pwd)
# Where the three trees live: build/native, build/win64 and build/release unless
# KELVADO_TREES names another prefix (e.g. KELVADO_TREES=build/mine- ).
trees=${KELVADO_TREES:-build/}
mkdir -p build out dist
log="$root/build/demo-step.log"
quiet() { "$@" > "$log" 2>&1 || { cat "$log"; echo "demo.sh: step failed: $*" >&2; return 1; }; }

# Asked once, before the install, which then leaves out the 32-bit Wine
# where it could never start.
source cmake/runs-32bit.sh
runs_32bit=$(kelvado_runs_32bit)
export KELVADO_RUNS_32BIT=$runs_32bit

echo "== installing what is missing"
cmake/install-deps.sh

# The same trees and settings as ./test.sh, so either script reuses the
# other's work; only what the demo runs and ships is built.
build_tree() {  # tree, cmake arguments...
  local tree=$trees$1; shift
  echo "== building $tree"
  quiet cmake -S . -B "$tree" "$@"
  quiet cmake --build "$tree" -j "$(nproc)" --target modelhost Kelvado KelvadoImpl "${extra_targets[@]}"
}
extra_targets=()
build_tree native -DCMAKE_BUILD_TYPE=Debug -DKELVADO_SANITIZE=ON
build_tree win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release
# The 32-bit deliverables as they ship: stripped, with their package.
extra_targets=(kelvado_dist)
build_tree release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686-win32.cmake -DCMAKE_BUILD_TYPE=Release \
  -DKELVADO_RELEASE_TREE=ON

obj="out/$name.obj"
echo
echo "== importing $file natively (Linux build)"
status=0
svg="out/$name.svg"
"${trees}native/bin/modelhost" --open "$file" --obj "$obj" --svg "$svg" || status=$?
echo "(host model written to $root/$obj, and drawn in $root/$svg)"

echo
echo "== importing $file as 64-bit Windows code under Wine"
if [ ! -f "${trees}win64/wineprefix"/system.reg ]; then
  echo "(making the Wine prefix of ${trees}win64 first; this takes a little while)"
fi
# A run that fails fails the demo; the runs after it still show theirs.
cmake/wine-run.sh 64 "${trees}win64/bin/modelhost.exe" --open "Z:$file" || status=$?

echo
if [ "$runs_32bit" = yes ]; then
  echo "== importing $file as 32-bit Windows code under Wine (the real deliverables)"
  cmake/wine-run.sh 32 "${trees}release/bin/modelhost.exe" --open "Z:$file" || status=$?
else
  kelvado_note_no_32bit
fi

rm -f dist/Kelvado.dll dist/KelvadoImpl.dll dist/Kelvado-*-win32.zip
cp "${trees}release/dist/"* dist/
echo
echo "== deliverables for 32-bit Windows hosts (Windows XP SP3 and later):"
ls -l dist/Kelvado.dll dist/KelvadoImpl.dll dist/Kelvado-*-win32.zip
echo "Copy both libraries together into the host program's folder (INSTALL.txt in the"
echo "package says more); the import then appears as \"Jedi Knight 3DO...\"."
[ "$status" -eq 0 ] || echo "demo.sh: an import above failed (exit status $status)" >&2
exit "$status"
