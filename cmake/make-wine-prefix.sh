#!/usr/bin/env bash
# Makes a Wine prefix, unless it is there already:
#   make-wine-prefix.sh PREFIX 32|64
# A tree's tests run side by side in its prefix, so it is made once, before
# they start; ./test.sh makes it while the trees compile.
set -uo pipefail
prefix=$1 bits=$2
[ -f "$prefix/system.reg" ] && exit 0
mkdir -p "$(dirname "$prefix")"
# Wine prints its first-start chatter; a prefix that turns out unusable
# shows in the tests that run in it.
WINEPREFIX=$(cd "$(dirname "$prefix")" && pwd)/$(basename "$prefix") \
  "$(dirname "$0")/wine-run.sh" "$bits" wineboot -i || true
