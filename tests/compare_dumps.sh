#!/usr/bin/env bash
# Runs the Windows modelhost (under Wine) and the native one on every 3DO
# file of the test data, and on a cancelled dialog, and fails unless both
# print the same dump byte for byte and end with the same exit status.
#   compare_dumps.sh WINE_RUNNER BITS WINDOWS_BIN NATIVE_BIN DATA_DIR
# Exits 77 (skipped) when the native tree has not been built.
set -uo pipefail
runner=$1 bits=$2 windows_bin=$3 native_bin=$4 data=$5

if [ ! -x "$native_bin/modelhost" ]; then
  echo "SKIP: no native modelhost in $native_bin; build the native tree first"
  exit 77
fi

# One Wine server for all the runs, kept for a few seconds after the last
# one instead of being started anew for each: it ends by itself.
export WINEPREFIX="${WINEPREFIX:-$(cd "$windows_bin/.." && pwd)/wineprefix}"
# Wine makes 64-bit prefixes wherever its 64-bit loader is installed and
# runs 32-bit programs in them through the 64-bit server; a 32-bit server
# would refuse such a prefix, and every program started beside it.
server=/usr/lib/wine/wineserver$bits
if [ -x /usr/lib/wine/wineserver64 ] && ! grep -qs '^#arch=win32' "$WINEPREFIX/system.reg"; then
  server=/usr/lib/wine/wineserver64
fi
if [ -d "$WINEPREFIX" ] && [ -x "$server" ]; then
  "$server" -p5 > /dev/null 2>&1 || true
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0 runs=0

compare() {  # label, native arguments..., --, windows arguments...
  local label=$1; shift
  local native=() windows=()
  while [ "$1" != "--" ]; do native+=("$1"); shift; done
  shift
  windows=("$@")
  "$native_bin/modelhost" "${native[@]}" --dump > "$work/native" 2> "$work/native.err"
  local native_status=$?
  "$runner" "$bits" "$windows_bin/modelhost.exe" "${windows[@]}" --dump > "$work/windows" \
    2> "$work/windows.err"
  local windows_status=$?
  runs=$((runs + 1))
  if [ "$native_status" -ne "$windows_status" ] || ! cmp -s "$work/native" "$work/windows"; then
    failures=$((failures + 1))
    echo "DIFFERENT: $label (exit status native $native_status, Windows $windows_status)"
    diff "$work/native" "$work/windows" | head -20
    cat "$work/native.err" "$work/windows.err" | head -10
  fi
}

compare "cancelled dialog" --cancel -- --cancel
for file in "$data"/*.3do; do
  compare "$(basename "$file")" --open "$file" -- --open "Z:$file"
done

echo "$runs runs compared, $failures different"
[ "$failures" -eq 0 ]
