#!/usr/bin/env bash
# Runs a tree's tests with CTest, as many at once as there are cores:
#   run-tests.sh TREE [32|64]
# For a Windows tree (the Wine bits given) one Wine server serves all of
# the tree's programs in its prefix: started before the first, it is ended
# after the last, instead of ending whenever no program of the tree runs
# for a moment and starting again with the next.
set -uo pipefail
tree=$1 bits=${2:-}
server=""
if [ -n "$bits" ]; then
  export WINEPREFIX
  WINEPREFIX=$(cd "$tree" && pwd)/wineprefix
  # Wine makes 64-bit prefixes wherever its 64-bit loader is installed and
  # runs 32-bit programs in them through the 64-bit server.
  server=/usr/lib/wine/wineserver$bits
  if [ -x /usr/lib/wine/wineserver64 ] && ! grep -qs '^#arch=win32' "$WINEPREFIX/system.reg"; then
    server=/usr/lib/wine/wineserver64
  fi
  if [ -d "$WINEPREFIX" ] && [ -x "$server" ]; then
    trap '"$server" -k > /dev/null 2>&1' EXIT
    trap 'exit 130' INT TERM
    # A server still running for the prefix (it lingers a few seconds after
    # its last program) would be kept instead of the persistent one.
    "$server" -w > /dev/null 2>&1 || true
    "$server" -p > /dev/null 2>&1 || true
    # Wine's own background programs (services.exe and the like) live as
    # long as the server. Started here, they hold none of CTest's pipes
    # open, which would keep CTest waiting for a finished test until the
    # server ended.
    "$(dirname "$0")/wine-run.sh" "$bits" wineboot < /dev/null > /dev/null 2>&1 || true
  fi
fi
cd "$tree" && ctest --output-on-failure -j "$(nproc)"
