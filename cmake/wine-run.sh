#!/bin/sh
# Runs a Windows executable under Wine: wine-run.sh 32|64 PROGRAM [ARGS...].
# The prefix belongs to the build tree that holds the program (unless the
# caller sets WINEPREFIX), so test runs never touch the user's ~/.wine.
bits=$1
shift
if [ -z "$WINEPREFIX" ]; then
  WINEPREFIX="$(cd "$(dirname "$1")/.." && pwd)/wineprefix"
fi
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer prompts when the prefix is first made.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ "$bits" = 64 ]; then
  # Debian's /usr/bin/wine prefers the 32-bit loader whenever it is
  # installed, so the 64-bit loader and server are named directly.
  export WINELOADER=/usr/lib/wine/wine64
  export WINESERVER=/usr/lib/wine/wineserver64
  exec /usr/lib/wine/wine64 "$@"
fi
exec /usr/lib/wine/wine "$@"
