#!/usr/bin/env bash
# Drives the plug-in through the real Windows dialogs, as a person would: the
# stand-in host runs under Wine on a private X display, without --open, so the
# plug-in's GetOpenFileNameA and MessageBoxA show the real dialog and the real
# boxes, which this script operates with the keyboard. Another program's
# window stands behind the host's, as a browser or Explorer would: after
# every import the host's window must still be in front, and the other
# program must not have been activated in between. Some cases start the host
# in a folder of its own and walk the dialog into the data folder: the host's
# current folder must be the same after the import. Others run the import
# from a tool palette that the host's window owns (--palette): the dialog and
# the box must be owned by the host's window all the same.
#
#   gui_e2e.sh WIN64_BIN WIN32_BIN DATA_DIR
#
# The 32-bit build (WIN32_BIN) runs when this machine runs 32-bit processes;
# on kernels with 32-bit emulation switched off the 32-bit Wine cannot start,
# and the 64-bit build (WIN64_BIN) of the same sources stands in for it.
# Screenshots go to <tree of the build that ran>/screenshots. Exit status 0
# passed, 1 failed, 77 skipped (a tool is missing).
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
wine_run="$here/../cmake/wine-run.sh"
win64_bin=$(cd "$1" && pwd)
win32_bin=$2
data_dir=$(cd "$3" && pwd)
SKIP=77

skip() { echo "SKIP: $*"; exit $SKIP; }
fail() {
  echo "FAIL: $*"
  [ -s "${work:-}/host.out" ] && sed 's/^/  modelhost: /' "$work/host.out"
  [ -s "${work:-}/host.err" ] && sed 's/^/  modelhost (stderr): /' "$work/host.err"
  exit 1
}
passed=0
pass() {
  echo "ok    $*"
  passed=$((passed + 1))
}

for tool in Xvfb xdotool import /usr/lib/wine/wine64; do
  command -v "$tool" > /dev/null 2>&1 || skip "$tool is not installed (./test.sh installs it)"
done

if /usr/lib/wine/wine --version > /dev/null 2>&1 && [ -f "$win32_bin/modelhost.exe" ]; then
  bits=32
  bin=$(cd "$win32_bin" && pwd)
  echo "Running the 32-bit build (the deliverables) under the 32-bit Wine."
else
  bits=64
  bin=$win64_bin
  echo "This machine runs no 32-bit processes (32-bit emulation is off), so the 32-bit Wine"
  echo "cannot start: the 64-bit build of the same sources runs in its place."
fi
for file in modelhost.exe Kelvado.dll KelvadoImpl.dll msModelLib.dll read_window.exe other_program.exe; do
  [ -f "$bin/$file" ] || fail "$bin/$file has not been built"
done
tree=$(dirname "$bin")
shots="$tree/screenshots"
mkdir -p "$shots"
rm -f "$shots"/*.png
# A prefix of its own: it shows every window on one Wine desktop, which draws
# the captions itself (there is no window manager) and lets read_window find
# the dialogs.
export WINEPREFIX="$tree/gui-wineprefix"
work=$(mktemp -d)

xvfb_pid=""
host_pid=""
other_pid=""
cleanup() {
  [ -n "$host_pid" ] && kill "$host_pid" 2> /dev/null
  [ -n "$other_pid" ] && kill "$other_pid" 2> /dev/null
  # Ends every process of this test's own prefix, and only those.
  WINEPREFIX="$WINEPREFIX" /usr/lib/wine/wineserver64 -k > /dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2> /dev/null && wait "$xvfb_pid" 2> /dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# Starts Xvfb on the first free display number from 90 on.
start_display() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 800x600x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    local tries
    for tries in $(seq 1 50); do
      if DISPLAY=":$n" xdotool getdisplaygeometry > /dev/null 2>&1; then
        export DISPLAY=":$n"
        return 0
      fi
      kill -0 "$xvfb_pid" 2> /dev/null || break
      sleep 0.1
    done
    kill "$xvfb_pid" 2> /dev/null
    xvfb_pid=""
  done
  return 1
}

wine_cmd() { "$wine_run" "$bits" "$@"; }

prepare_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the dialog tests' Wine prefix (once)..."
    timeout 300 "$wine_run" "$bits" wineboot -i > "$work/wineboot.log" 2>&1
  fi
  timeout 120 "$wine_run" "$bits" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f \
    > /dev/null 2>&1 &&
    timeout 120 "$wine_run" "$bits" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default \
      /d 800x600 /f > /dev/null 2>&1 || return 1
  # The desktop setting takes effect with the next Wine server.
  /usr/lib/wine/wineserver64 -k > /dev/null 2>&1
  /usr/lib/wine/wineserver64 -w > /dev/null 2>&1
  return 0
}

# Waits up to $2 seconds for a window whose name is exactly $1; prints its id.
wait_window() {
  local deadline=$((SECONDS + $2)) id
  while [ $SECONDS -lt $deadline ]; do
    id=$(xdotool search --name "^$1\$" 2> /dev/null | head -1)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    host_running || return 1
    sleep 0.2
  done
  return 1
}

# Starts modelhost.exe from folder $1, in the current folder $2 (the dialog
# opens there), with --dump and the remaining arguments.
start_host() {
  local folder=$1 current=$2
  shift 2
  rm -f "$work/host.out" "$work/host.rc"
  (
    cd "$current" || exit 1
    wine_cmd "$folder/modelhost.exe" --dump "$@" > "$work/host.out" 2> "$work/host.err"
    echo $? > "$work/host.rc"
  ) &
  host_pid=$!
}

host_running() { [ ! -f "$work/host.rc" ]; }

# Waits up to 60 seconds for modelhost to end; sets host_status.
wait_host() {
  local deadline=$((SECONDS + 60))
  while host_running && [ $SECONDS -lt $deadline ]; do sleep 0.2; done
  host_running && return 1
  wait "$host_pid" 2> /dev/null
  host_pid=""
  host_status=$(cat "$work/host.rc")
}

shot() { import -window root "$shots/$1.png" || fail "cannot take the screenshot $1"; }

# Lists what the window titled $1 shows (its controls and their texts).
read_window() { timeout 60 "$wine_run" "$bits" "$bin/read_window.exe" "$1" 2> /dev/null | tr -d '\r'; }

# Gives the window $1 the keyboard focus and sends the keys that follow.
press() {
  local window=$1
  shift
  xdotool windowfocus --sync "$window" > /dev/null 2>&1 || true
  sleep 0.3
  xdotool key --clearmodifiers "$@"
}

scripted_dump() { timeout 120 "$wine_run" "$bits" "$bin/modelhost.exe" --dump "$@" 2> /dev/null; }

windows_path() { echo "Z:${1//\//\\}"; }

# The host's main window must take no input while the plug-in's dialog or
# box ($1) shows: it owns them, so they disable it.
expect_host_disabled() {
  read_window "Kelvado stand-in host" | grep -qx 'window "Kelvado stand-in host" disabled' ||
    fail "the host's main window is not disabled while \"$1\" shows"
}

# ... and takes input again afterwards, and is still in front (modelhost
# reports both otherwise), and the other program was not activated while the
# host's window showed.
expect_host_enabled_after() {
  grep -q "main window disabled" "$work/host.err" && fail "$1: the host's main window stayed disabled"
  grep -q "in front of the host's main window" "$work/host.err" &&
    fail "$1: another window was in front of the host's main window after the import"
  grep -q "goes unchecked" "$work/host.err" &&
    fail "$1: the host's main window was not in front before the import"
  grep -q "activated while the host showed" "$work/other.out" &&
    fail "$1: the other program's window was activated during the import"
  grep -q "moved the host's current folder" "$work/host.err" &&
    fail "$1: the import moved the host's current folder"
  return 0
}

# The window titled $1 must be owned by the host's main window, which the
# plug-in disables under it, so that activation returns there when it goes.
expect_owned_by_host() {
  read_window "$1" | grep -qx 'owner "Kelvado stand-in host"' ||
    fail "\"$1\" is not owned by the host's main window: $(read_window "$1" | grep '^owner')"
}

# Types $2 into the file name field of the dialog $1, replacing what it holds.
type_into_field() {
  local attempt
  for attempt in 1 2 3; do
    # Select whatever the field holds, so that the typed text replaces it.
    press "$1" End shift+Home
    xdotool type --delay 15 --clearmodifiers "$2"
    read_window "Import Jedi Knight 3DO" | grep -qF "\"$2\"" && return 0
  done
  fail "the typed text \"$2\" did not arrive in the file name field"
}

# Walks the dialog $1 into the folder $2 as a person may: the folder's path
# typed into the file name field and Enter. The field keeps the path; the
# "Look in" box (1137) names the folder once the dialog is there.
walk_into() {
  local path
  path=$(windows_path "$2")
  type_into_field "$1" "$path"
  press "$1" Return
  local deadline=$((SECONDS + 10))
  until read_window "Import Jedi Knight 3DO" | grep -qx "control ComboBox 1137 \"$(basename "$2")\""; do
    [ $SECONDS -lt $deadline ] || fail "the dialog did not walk into $path"
    sleep 0.3
  done
}

# Starts the other program, whose window stands behind the host's in every
# case; it prints a line whenever it is activated (tests/other_program.cpp).
start_other_program() {
  : > "$work/other.out"
  wine_cmd "$bin/other_program.exe" > "$work/other.out" 2> "$work/other.err" &
  other_pid=$!
  local deadline=$((SECONDS + 90))
  until grep -qx "ready" <(tr -d '\r' < "$work/other.out"); do
    [ $SECONDS -lt $deadline ] && kill -0 "$other_pid" 2> /dev/null || return 1
    sleep 0.2
  done
  wait_window "Kelvado other program" 30 > /dev/null
}

# Waits for the dialog and checks what it proposes and its owner; photographs
# it when $2 names a screenshot; walks into the folder $3 when given; then
# types the path $1 and presses Enter, or, when $1 is empty, leaves the
# dialog open.
answer_dialog() {
  local dialog
  dialog=$(wait_window "Import Jedi Knight 3DO" 90) || fail "the dialog \"Import Jedi Knight 3DO\" did not appear"
  sleep 0.5
  local controls
  controls=$(read_window "Import Jedi Knight 3DO")
  grep -q '^control [A-Za-z]* [0-9]* "polyShip.3do"$' <<< "$controls" ||
    fail "the dialog does not propose \"polyShip.3do\": $controls"
  grep -q '^control ComboBox [0-9]* "Jedi Knight 3DO (\*.3do)"$' <<< "$controls" ||
    fail "the dialog's filter is not \"Jedi Knight 3DO (*.3do)\": $controls"
  expect_host_disabled "Import Jedi Knight 3DO"
  expect_owned_by_host "Import Jedi Knight 3DO"
  if [ -n "${2:-}" ]; then
    xdotool windowfocus --sync "$dialog" > /dev/null 2>&1 || true
    sleep 0.5
    shot "$2"
  fi
  [ -n "${3:-}" ] && walk_into "$dialog" "$3"
  [ -n "$1" ] || return 0
  type_into_field "$dialog" "$1"
  press "$dialog" Return
}

# Waits for the error box, checks its text, photographs it and closes it with Enter.
close_error_box() {  # caption, expected start of the text, screenshot name (if any)
  local box
  box=$(wait_window "$1" 60) || fail "the box \"$1\" did not appear"
  sleep 0.5
  read_window "$1" | grep -qF "\"$2" || fail "the box \"$1\" does not say \"$2...\""
  if [ "$1" = "Jedi Knight 3DO" ]; then
    expect_host_disabled "$1"
    expect_owned_by_host "$1"
  fi
  [ -n "${3:-}" ] && shot "$3"
  press "$box" Return
}

expect_same_dump() {  # what, scripted arguments...
  local what=$1
  shift
  scripted_dump "$@" > "$work/scripted.out"
  diff -u "$work/scripted.out" "$work/host.out" > "$work/diff.out" ||
    fail "$what: the dump differs from the scripted run: $(cat "$work/diff.out")"
}

expect_status() {  # what, wanted exit status
  wait_host || fail "$1: modelhost did not end within 60 s"
  [ "$host_status" = "$2" ] ||
    fail "$1: exit status $host_status, expected $2; output: $(cat "$work/host.out" "$work/host.err")"
}

start_display || skip "no free X display for Xvfb"
prepare_prefix || fail "cannot set up the Wine prefix $WINEPREFIX"
start_other_program || fail "the other program's window did not appear: $(cat "$work/other.err")"
# A folder with no model in it, where a host may well have been started.
elsewhere="$work/elsewhere"
mkdir -p "$elsewhere"

# 1: a valid file, chosen after walking from the host's folder into the data
# folder; the host's current folder stays where it was.
valid="$data_dir/gui_box.3do"
start_host "$bin" "$elsewhere"
answer_dialog "$(basename "$valid")" "" "$data_dir"
expect_status "valid file" 0
expect_host_enabled_after "valid file"
grep -qx "result 0" "$work/host.out" || fail "valid file: no \"result 0\" in the dump"
grep -q '^box ' "$work/host.out" && fail "valid file: a message box was shown"
expect_same_dump "valid file" --open "$(windows_path "$valid")"
pass "dialog owned by the host's window, proposing \"polyShip.3do\" with the filter \"Jedi Knight 3DO (*.3do)\", the host's window disabled under it; walked into the data folder, a typed valid name imports (result 0) as the scripted run does, the host's current folder unmoved and its window still in front"

# 2 and 3: a missing file, then a malformed file: the error box, closed with Enter.
for case in "missing:$data_dir/gui_no_such_file.3do" "malformed:$data_dir/gui_truncated.3do"; do
  name=${case%%:*}
  path=$(windows_path "${case#*:}")
  start_host "$bin" "$data_dir"
  # The data folder shows the filter at work in the picture.
  answer_dialog "$path" "$([ "$name" = missing ] && echo dialog)"
  close_error_box "Jedi Knight 3DO" "Error while importing:\\n" "error-$name"
  expect_status "$name file" 1
  expect_host_enabled_after "$name file"
  grep -qx "result -1" "$work/host.out" || fail "$name file: no \"result -1\" in the dump"
  [ "$(grep -c '^box "Jedi Knight 3DO" "Error while importing:' "$work/host.out")" = 1 ] ||
    fail "$name file: not exactly one error box"
  expect_same_dump "$name file" --open "$path"
  pass "$name file: one error box \"Jedi Knight 3DO\" owned by the disabled host window, closed with Enter, result -1, the window enabled again and in front, the other program never activated"
done

# 4: Escape in the dialog cancels without a box, after walking into the data
# folder, which must not become the host's current folder either.
start_host "$bin" "$elsewhere"
answer_dialog "" "" "$data_dir"
press "$(wait_window "Import Jedi Knight 3DO" 5)" Escape
expect_status "Escape" 1
expect_host_enabled_after "Escape"
grep -qx "result -1" "$work/host.out" || fail "Escape: no \"result -1\" in the dump"
grep -q '^box ' "$work/host.out" && fail "Escape: a message box was shown"
pass "Escape in the dialog after walking into the data folder: result -1, no box, the host's current folder unmoved, its window in front, the other program never activated"

# 5 to 7: the command run from a tool palette that the host's window owns
# and disables with itself: the dialog and the box are owned by the host's
# window all the same, which is in front afterwards.
for case in "valid:0:$data_dir/gui_box.3do" "Escape:1:" "malformed:1:$data_dir/gui_truncated.3do"; do
  name=${case%%:*}
  status=${case#*:}
  status=${status%%:*}
  file=${case#*:*:}
  start_host "$bin" "$data_dir" --palette
  if [ -z "$file" ]; then
    answer_dialog ""
    press "$(wait_window "Import Jedi Knight 3DO" 5)" Escape
  else
    answer_dialog "$(windows_path "$file")"
  fi
  [ "$name" = malformed ] && close_error_box "Jedi Knight 3DO" "Error while importing:\\n"
  expect_status "palette, $name" "$status"
  expect_host_enabled_after "palette, $name"
  grep -qx "result $([ "$status" = 0 ] && echo 0 || echo -1)" "$work/host.out" ||
    fail "palette, $name: not the expected result in the dump"
  pass "run from the palette, $name: the dialog$([ "$name" = malformed ] && echo " and the box") owned by the disabled host window, the host in front afterwards, the other program never activated"
done

# 8: the implementation library missing: one box, then the fallbacks, no dialog.
lonely="$work/no-impl"
mkdir -p "$lonely"
cp "$bin/modelhost.exe" "$bin/Kelvado.dll" "$bin/msModelLib.dll" "$lonely/"
start_host "$lonely" "$data_dir"
close_error_box "Jedi Knight 3DO Import module" "Implementation module 'KelvadoImpl.dll' not found" \
  "error-no-implementation"
expect_status "no KelvadoImpl.dll" 1
xdotool search --name "^Import Jedi Knight 3DO\$" > /dev/null 2>&1 &&
  fail "no KelvadoImpl.dll: the file dialog appeared"
cat > "$work/expected.out" << 'EOF'
box "Jedi Knight 3DO Import module" "Implementation module 'KelvadoImpl.dll' not found"
plugin type 0 title ""
result -1
EOF
tr -d '\r' < "$work/host.out" | diff -u "$work/expected.out" - > "$work/diff.out" ||
  fail "no KelvadoImpl.dll: $(cat "$work/diff.out")"
pass "without KelvadoImpl.dll: one box \"Jedi Knight 3DO Import module\", then type 0, title \"\", result -1"

echo "Screenshots: $(cd "$shots" && ls -- *.png | tr '\n' ' ')in $shots"
echo "$passed passed, 0 failed"
