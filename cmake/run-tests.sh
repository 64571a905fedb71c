#!/usr/bin/env bash
# Runs a tree's tests with CTest, as many at once as there are cores:
#   run-tests.sh TREE [32|64]
# For a Windows tree (the Wine bits given) one Wine server serves all of
# the tree's programs in its prefix: started before the first, it is ended
# after the last, instead of ending whenever no program of the tree runs
# for a moment and starting again with the next.
#
# Wine's server itself crashes now and then under load (seen as a segfault
# of wineserver64 in the middle of the release tree's run). Every program
# of the prefix then ends at once with status 0 and no output, which fails
# whatever test was running. When the run fails and the server it started
# is gone, the failed tests run once more with a new server, and the log
# says so; a failure with the server alive is never run again.
set -uo pipefail
tree=$1 bits=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
server="" server_pid=""

# The process of the Wine server that serves $WINEPREFIX, if one runs: the
# server works in a folder named after the prefix's device and inode.
prefix_server_pid() {
  local dev ino pid
  read -r dev ino < <(stat -L -c '%d %i' "$WINEPREFIX") || return 0
  for pid in $(pgrep -x "$(basename "$server")"); do
    case "$(readlink "/proc/$pid/cwd" 2> /dev/null)" in
      */server-$(printf '%x-%x' "$dev" "$ino")) echo "$pid"; return 0 ;;
    esac
  done
}

# Ends every process started for $WINEPREFIX. Programs whose server died do
# not always notice (Wine's services were seen waiting on for good), and a
# new server would not know them.
end_prefix_programs() {
  local file
  for file in /proc/[0-9]*/environ; do
    [ "$file" = "/proc/$$/environ" ] && continue
    tr '\0' '\n' < "$file" 2> /dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
    file=${file#/proc/}
    kill -9 "${file%/environ}" 2> /dev/null
  done
}

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
    "$here/wine-run.sh" "$bits" wineboot < /dev/null > /dev/null 2>&1 || true
    server_pid=$(prefix_server_pid)
  fi
fi
cd "$tree" || exit 1
ctest --output-on-failure -j "$(nproc)" && exit 0
status=$?
if [ -z "$server_pid" ] || [ "$(prefix_server_pid)" = "$server_pid" ]; then
  exit $status
fi
echo "== The Wine server of $WINEPREFIX (process $server_pid) ended during the run: every"
echo "   program it served ended with it. The failed tests run once more, with a new server."
end_prefix_programs
"$server" -p > /dev/null 2>&1 || true
"$here/wine-run.sh" "$bits" wineboot < /dev/null > /dev/null 2>&1 || true
ctest --output-on-failure -j "$(nproc)" --rerun-failed
