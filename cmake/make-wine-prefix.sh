#!/usr/bin/env bash
# Makes a Wine prefix, unless it is there already:
#   make-wine-prefix.sh 32|64 PREFIX [LOCALE]
# A tree's tests run side by side in its prefix, so it is made once, before
# they start; ./test.sh makes it while the trees compile. With a LOCALE
# (the decimal-comma test's prefix) it is made in that locale, as that
# test's first run would make it.
set -uo pipefail
bits=$1 prefix=$2 locale=${3:-}
[ -f "$prefix/system.reg" ] && exit 0
mkdir -p "$(dirname "$prefix")"
export WINEPREFIX
WINEPREFIX=$(cd "$(dirname "$prefix")" && pwd)/$(basename "$prefix")
if [ -n "$locale" ]; then
  export LC_ALL=$locale
fi
# Wine prints its first-start chatter; a prefix that turns out unusable
# shows in the tests that run in it.
"$(dirname "$0")/wine-run.sh" "$bits" wineboot -i || true
# The registry reaches the prefix's files when the server ends, a few
# seconds after wineboot: the prefix is complete only then.
server=/usr/lib/wine/wineserver$bits
if [ -x /usr/lib/wine/wineserver64 ]; then
  server=/usr/lib/wine/wineserver64
fi
"$server" -w || true
