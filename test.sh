#!/usr/bin/env bash
# Builds the native tree and the Windows trees and runs every test: natively
# under the sanitizers, and under Wine for the Windows builds. What ships
# comes from the release tree and is checked in dist/.
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)

cmake/install-deps.sh

jobs=$(nproc)
mkdir -p build
quiet() { "$@" > "$root/build/last-step.log" 2>&1 || { cat "$root/build/last-step.log"; return 1; }; }

configure_and_build() {  # tree, extra cmake arguments...
  local tree=$1; shift
  echo "== build $tree"
  quiet cmake -S . -B "build/$tree" "$@"
  quiet cmake --build "build/$tree" -j "$jobs"
}

configure_and_build native -DCMAKE_BUILD_TYPE=Debug -DKELVADO_SANITIZE=ON
configure_and_build win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release
configure_and_build win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release
# What ships: the 32-bit libraries for Windows XP SP3 and later (win32
# thread model), stripped, and the package, in build/release/dist.
configure_and_build release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686-win32.cmake \
  -DCMAKE_BUILD_TYPE=Release -DKELVADO_RELEASE_TREE=ON
# Benchmarks are only built here, so they keep compiling; bench/run.sh runs them.
configure_and_build bench -DCMAKE_BUILD_TYPE=Release -DKELVADO_BENCH=ON -DKELVADO_TESTS=OFF

echo "== fuzz smoke (30 s)"
fuzz/run.sh 30

# Makes a tree's Wine prefix once, before its tests run side by side in it.
make_prefix() {  # tree, bits
  local prefix="$root/build/$1/wineprefix"
  [ -f "$prefix/system.reg" ] && return 0
  echo "== creating the Wine prefix of $1"
  WINEPREFIX="$prefix" cmake/wine-run.sh "$2" wineboot -i > /dev/null 2>&1 || true
}

status=0
# Some kernels run no 32-bit processes (32-bit emulation switched off); the
# 32-bit Wine cannot start there, and the 64-bit build stands in for it.
runs_32bit() { /usr/lib/wine/wine --version > /dev/null 2>&1; }

run_ctest() {  # tree
  echo "== tests: $1"
  (cd "build/$1" && ctest --output-on-failure -j "$jobs") || status=1
}

make_prefix win64 64
# What ships: the release tree's dist/ copied to dist/, as ./demo.sh copies
# it, checked as a host needs it (the version resources are read back by the
# 64-bit reader under Wine, which every machine here runs).
echo "== release check: dist/"
mkdir -p dist
rm -f dist/Kelvado.dll dist/KelvadoImpl.dll dist/Kelvado-*-win32.zip
cp build/release/dist/* dist/
python3 tests/check_release.py dist --unstripped build/release/unstripped \
  --version-reader cmake/wine-run.sh 64 build/win64/bin/read_version.exe || status=1

run_ctest native
if runs_32bit; then
  make_prefix win32 32
  run_ctest win32
  make_prefix release 32
  run_ctest release
else
  echo "== tests: win32 and release skipped: this machine runs no 32-bit processes; the win64"
  echo "   tree runs the same tests, and the release check above read the shipped files"
fi
run_ctest win64

exit $status
