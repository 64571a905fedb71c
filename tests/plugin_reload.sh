#!/usr/bin/env bash
# A host that creates and destroys the plug-in object for every import, so
# that each object loads and unloads KelvadoImpl.dll: 1,000 cycles, a good
# file and a malformed one in turn, each cycle's account alike its file's
# first; then the same with Kelvado.dll itself loaded and unloaded every
# cycle. What the libraries keep of private memory must stay within 1 KiB a
# cycle, and they must keep no handle and no TLS slot.
#   plugin_reload.sh BIN DATA_DIR RUNNER ARGS...
# Exits 77 (skipped) when the runner is the 32-bit Wine and this machine
# runs no 32-bit processes.
set -uo pipefail
bin=$1 data=$2
shift 2
runner=("$@")
export WINEPREFIX="${WINEPREFIX:-$(cd "$bin/.." && pwd)/wineprefix}"
if [ "${runner[*]: -1}" = 32 ] && ! /usr/lib/wine/wine --version > /dev/null 2>&1; then
  echo "SKIP: this machine runs no 32-bit processes"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cycles=1000
# The goal, with no margin of its own: private memory is counted in whole
# pages, which over the measured cycles comes to 4 bytes a cycle, and the
# libraries measure far below it.
max_bytes_per_cycle=1024
# A resource kept by every load shows as one a cycle; a few may come and go
# with Wine's own work.
max_handles=10
failures=0

fail() {
  failures=$((failures + 1))
  echo "FAILED ($mode): $*"
}

# The number after PREFIX on the report's line that starts with it.
reading() { sed -n "s/^$1 *\([-+]*[0-9]*\).*/\1/p" "$work/out" | head -1; }

check_report() {
  grep -qx "file 1 '.*walker.3do': $((cycles / 2)) cycles, all alike; cycle 1:" "$work/out" ||
    fail "no $((cycles / 2)) alike cycles of walker.3do"
  # Each file's first account: walker.3do imports three meshes, empty.3do
  # fails with the scanner's message and leaves the model empty.
  diff <(sed -n '/walker.3do/,/^file 2/p' "$work/out" | grep -E '^(result|mesh|box)') \
    <(printf '%s\n' 'result 0' 'mesh 0 "body" vertices 4 triangles 2' \
      'mesh 1 "leg" vertices 3 triangles 1' 'mesh 2 "foot" vertices 3 triangles 1') ||
    fail "walker.3do's account"
  diff <(sed -n '/^file 2/,/^measured/p' "$work/out" | grep -E '^(result|mesh|box)') \
    <(printf '%s\n' 'box "Jedi Knight 3DO" "Error while importing:\x0aToken '"'"'MATERIALS'"'"' not found"' \
      'result -1') || fail "empty.3do's account"
}

check_growth() {
  local measured bytes handles slots
  measured=$(sed -n 's/^measured over the \([0-9]*\) cycles.*/\1/p' "$work/out")
  bytes=$(reading "private memory:")
  handles=$(reading "handles:")
  slots=$(sed -n 's/^free TLS slots: \([0-9]*\) before, \([0-9]*\) after.*/\1 \2/p' "$work/out")
  if [ -z "$measured" ] || [ -z "$bytes" ] || [ -z "$handles" ] || [ -z "$slots" ]; then
    fail "no measurement in the report"
    return
  fi
  [ "$bytes" -le $((max_bytes_per_cycle * measured)) ] ||
    fail "private memory grew by $bytes bytes over $measured cycles"
  [ "$handles" -le "$max_handles" ] || fail "$handles more handles after $measured cycles"
  set -- $slots
  [ "$1" = "$2" ] || fail "the free TLS slots went from $1 to $2"
}

for mode in kept reloaded; do
  options=()
  [ $mode = reloaded ] && options=(--reload)
  start=$SECONDS
  "${runner[@]}" "$bin/modelhost.exe" --repeat $cycles "${options[@]}" --dump \
    --open "Z:$data/walker.3do" --open "Z:$data/empty.3do" > "$work/out" 2> "$work/err"
  status=$?
  echo "== $mode library, $((SECONDS - start)) s:"
  grep -E '^(repeat|measured|private|handles|free TLS)' "$work/out"
  if [ $status -ne 0 ]; then
    fail "modelhost ended with status $status"
    cat "$work/err"
    continue
  fi
  check_report
  check_growth
done

echo "$failures failed"
[ "$failures" -eq 0 ]
