#!/usr/bin/env bash
# What ships: the release tree's dist/ copied to dist/, as ./demo.sh copies
# it, checked as a host needs it. The version resources are read back by the
# win64 tree's reader under the 64-bit Wine, which every machine here runs.
set -euo pipefail
mkdir -p dist
rm -f dist/Kelvado.dll dist/KelvadoImpl.dll dist/Kelvado-*-win32.zip
cp build/release/dist/* dist/
python3 tests/check_release.py dist --unstripped build/release/unstripped \
  --version-reader cmake/wine-run.sh 64 build/win64/bin/read_version.exe
