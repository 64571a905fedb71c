#!/usr/bin/env bash
# The stand-in host program's exit status and messages, on either target:
#   modelhost_exit.sh BIN DATA_DIR [RUNNER ARGS...]
# With a runner (the Wine runner and its bits) BIN holds the Windows build.
set -uo pipefail
bin=$1 data=$2
shift 2
runner=("$@")
if [ ${#runner[@]} -gt 0 ]; then
  host=("${runner[@]}" "$bin/modelhost.exe") unix_root="Z:" other_library="$bin/msModelLib.dll"
else
  host=("$bin/modelhost") unix_root="" other_library="$bin/libmsModelLib.so"
fi
if [ ${#runner[@]} -gt 0 ]; then
  # The tree's own Wine prefix, also for programs copied elsewhere.
  export WINEPREFIX="${WINEPREFIX:-$(cd "$bin/.." && pwd)/wineprefix}"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# expect STATUS TEXT ARGS...: the run ends with STATUS and its output
# (stdout and stderr together) holds TEXT.
expect() {
  local status=$1 text=$2
  shift 2
  "${host[@]}" "$@" > "$work/out" 2>&1
  local actual=$?
  if [ "$actual" -ne "$status" ] || ! grep -qF -- "$text" "$work/out"; then
    failures=$((failures + 1))
    echo "FAILED: modelhost $* -> status $actual (expected $status with '$text'):"
    head -20 "$work/out"
  fi
}

expect 2 "--open and --cancel exclude each other" --open x.3do --cancel
expect 2 "unknown option '--bogus'" --bogus
expect 2 "unexpected argument 'file.3do'" file.3do
expect 2 "--obj needs a FILE" --cancel --obj
expect 0 "usage: modelhost" --help
expect 2 "cannot load the plug-in library '${unix_root}$work/none.dll'" \
  --plugin "${unix_root}$work/none.dll" --cancel
expect 2 "has no export CreatePlugIn" --plugin "${unix_root}$other_library" --cancel
expect 1 "Result -1 (import failed or no file chosen)" --cancel
expect 1 'box "Jedi Knight 3DO" "Error while importing:\x0aToken '"'"'MATERIALS'"'"' not found"' \
  --open "${unix_root}$data/empty.3do" --dump
expect 0 "Result 0 (import completed)" --open "${unix_root}$data/triangle.3do"
# A host at its limits: the plug-in stops at the refused call, with one box,
# and hands nothing refused back (the host would report that as a fault).
for refusal in "AddVertex:6|vertex 1 to mesh 'leg'" "GetTriangleAt:4|triangle 0 to mesh 'foot'"; do
  expect 1 "Error while importing:\x0aThe host could not add ${refusal#*|}\"" \
    --open "${unix_root}$data/walker.3do" --fail "${refusal%%|*}" --dump
  if grep -q "host library fault" "$work/out"; then
    failures=$((failures + 1))
    echo "FAILED: --fail ${refusal%%|*} left a host library fault:"
    grep "host library fault" "$work/out"
  fi
done
# A medium that fails while the file is read: the read's error, not a parse error.
expect 1 'box "Jedi Knight 3DO" "Error while importing:\x0aCannot read file \"' \
  --open "${unix_root}$data/walker.3do" --fail ReadFile:1 --dump
# A size query that fails, and memory for the file's text that runs out.
for failure in GetFileSize:1 VirtualAlloc:1; do
  expect 1 'box "Jedi Knight 3DO" "Error while importing:\x0aOut of memory"' \
    --open "${unix_root}$data/walker.3do" --fail "$failure" --dump
done
expect 2 "--fail cannot fail 'SetVertex'" --fail SetVertex:1 --cancel
expect 2 "cannot write '${unix_root}$work/no/such/folder/t.obj'" \
  --open "${unix_root}$data/triangle.3do" --obj "${unix_root}$work/no/such/folder/t.obj"
expect 0 "result 0" --open "${unix_root}$data/triangle.3do" --dump --obj "${unix_root}$work/t.obj"
if ! grep -qx "f 1/1 2/2 3/3" "$work/t.obj"; then
  failures=$((failures + 1))
  echo "FAILED: the OBJ of triangle.3do lacks its face:"
  cat "$work/t.obj"
fi

# A host whose process already holds the toolchain's shared runtime library
# (32-bit Windows; KELVADO_SHARED_RUNTIME lists it first, then what it needs
# beside it): the plug-in's errors still unwind to its one box, and the
# libraries still load, work and unload.
if [ -n "${KELVADO_SHARED_RUNTIME:-}" ]; then
  IFS=: read -ra shared <<< "$KELVADO_SHARED_RUNTIME"
  mkdir "$work/crowded"
  cp "$bin/modelhost.exe" "$bin/Kelvado.dll" "$bin/KelvadoImpl.dll" "$bin/msModelLib.dll" \
    "$work/crowded/"
  for file in "${shared[@]}"; do
    [ -f "$file" ] && cp "$file" "$work/crowded/" && continue
    failures=$((failures + 1))
    echo "FAILED: the toolchain's '$file' is missing"
  done
  host=("${runner[@]}" "$work/crowded/modelhost.exe")
  preload=(--preload "Z:$work/crowded/$(basename "${shared[0]}")")
  expect 1 'box "Jedi Knight 3DO" "Error while importing:\x0aToken '"'"'MATERIALS'"'"' not found"' \
    "${preload[@]}" --open "Z:$data/empty.3do" --dump
  expect 1 "Error while importing:\x0aThe host could not add vertex 1 to mesh 'leg'\"" \
    "${preload[@]}" --open "Z:$data/walker.3do" --fail AddVertex:6 --dump
  expect 0 "result 0" "${preload[@]}" --open "Z:$data/walker.3do" --dump
  expect 0 "all alike" "${preload[@]}" --repeat 12 --reload --open "Z:$data/empty.3do" \
    --open "Z:$data/walker.3do" --dump
  expect 2 "cannot preload 'Z:$work/none.dll'" --preload "Z:$work/none.dll" --cancel
fi

# A folder with the program and the plug-in library but no implementation
# library: the box shown while the object is created comes first.
mkdir "$work/alone"
if [ ${#runner[@]} -gt 0 ]; then
  cp "$bin/modelhost.exe" "$bin/Kelvado.dll" "$bin/msModelLib.dll" "$work/alone/"
  host=("${runner[@]}" "$work/alone/modelhost.exe")
else
  cp "$bin/modelhost" "$bin/libKelvado.so" "$bin/libmsModelLib.so" "$bin/libkelvado_platform.so" \
    "$work/alone/"
  host=("$work/alone/modelhost")
fi
expect 1 "result -1" --cancel --dump
if ! diff <(grep -v '^wine' "$work/out") <(printf '%s\n' \
  'box "Jedi Knight 3DO Import module" "Implementation module '"'"'KelvadoImpl.dll'"'"' not found"' \
  'plugin type 0 title ""' 'result -1'); then
  failures=$((failures + 1))
  echo "FAILED: the dump without the implementation library"
fi

echo "$failures failed"
[ "$failures" -eq 0 ]
