#!/usr/bin/env bash
# The decisions of cmake/install-deps.sh and cmake/runs-32bit.sh, run
# against stand-ins for apt-get, dpkg and dpkg-query, so they change nothing
# on the machine: which packages each path asks for, whether the i386
# architecture is added, and what a package index that fails to download
# leads to.
#   tests/install_deps_test.sh
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0

# --- stand-ins --------------------------------------------------------------
# apt-get logs its calls to $work/calls; FAKE_UPDATE and FAKE_INSTALL (ok or
# fail) choose how update and install end. A successful install marks its
# packages installed in $work/installed, which dpkg-query reads.
mkdir -p "$work/bin"
cat > "$work/bin/apt-get" << 'EOF'
#!/usr/bin/env bash
echo "apt-get $*" >> "$FAKE_DIR/calls"
case "$*" in
  update*)
    [ "$FAKE_UPDATE" = ok ] && exit 0
    echo "Err:5 http://mirror.example/debian-security bookworm-security/main i386 Packages"
    echo "E: Failed to fetch http://mirror.example/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
    exit 100 ;;
  install*)
    if [ "$FAKE_INSTALL" = ok ]; then
      for p in "$@"; do [[ $p == -* || $p == install ]] || echo "$p" >> "$FAKE_DIR/installed"; done
      exit 0
    fi
    echo "E: Unable to locate package wine32:i386" >&2
    exit 100 ;;
esac
EOF
cat > "$work/bin/dpkg-query" << 'EOF'
#!/usr/bin/env bash
grep -qx "${@: -1}" "$FAKE_DIR/installed" 2> /dev/null && printf 'install ok installed' && exit 0
exit 1
EOF
cat > "$work/bin/dpkg" << 'EOF'
#!/usr/bin/env bash
echo "dpkg $*" >> "$FAKE_DIR/calls"
EOF
# The comma locale is there, so nothing is generated.
printf '#!/bin/sh\necho de_DE.utf8\n' > "$work/bin/locale"
chmod +x "$work/bin/"*

# Runs the install script: run_install UPDATE INSTALL RUNS_32BIT [ARGS...].
# Its output lands in $work/out, its status in $status.
run_install() {
  rm -f "$work/calls" "$work/installed"
  status=0
  PATH="$work/bin:$PATH" FAKE_DIR=$work FAKE_UPDATE=$1 FAKE_INSTALL=$2 KELVADO_RUNS_32BIT=$3 \
    KELVADO_APT_GET=apt-get KELVADO_DPKG=dpkg KELVADO_DPKG_QUERY=dpkg-query \
    "$root/cmake/install-deps.sh" "${@:4}" > "$work/out" 2>&1 || status=$?
}

# check NAME CONDITION...: one case; the condition is a command.
check() {
  local name=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $name"
    echo "  output:" && sed 's/^/    /' "$work/out"
    echo "  calls:" && sed 's/^/    /' "$work/calls" 2> /dev/null
  fi
}
out_has() { grep -q -E -- "$1" "$work/out"; }
calls_have() { grep -q -E -- "$1" "$work/calls" 2> /dev/null; }
install_call() { grep '^apt-get install' "$work/calls" 2> /dev/null; }

# --- the 32-bit probe ---------------------------------------------------------
# The probe's answer is the program's: 42 is yes, a program whose format the
# kernel refuses is no, and so is one that starts but says something else.
source "$root/cmake/runs-32bit.sh"
printf '#!/bin/sh\nexit 42\n' > "$work/answers" && chmod +x "$work/answers"
printf '#!/bin/sh\nexit 0\n' > "$work/other" && chmod +x "$work/other"
kelvado_write_32bit_probe "$work/refused"
printf '\xff' | dd of="$work/refused" bs=1 seek=18 conv=notrunc status=none  # no such machine
: > "$work/out"
check "a program that answers 42 means yes" kelvado_program_answers "$work/answers"
check "a program the kernel cannot start means no" eval '! kelvado_program_answers "$work/refused"'
check "a program that exits otherwise means no" eval '! kelvado_program_answers "$work/other"'
# The real probe's bytes, where an emulator can run them anywhere.
if command -v qemu-i386 > /dev/null; then
  kelvado_write_32bit_probe "$work/probe32"
  check "the 32-bit probe answers 42 when it runs" eval 'qemu-i386 "$work/probe32"; [ $? -eq 42 ]'
fi

# --- install paths ------------------------------------------------------------
run_install ok ok no
check "all succeed: installed quietly, no warning" \
  eval '[ $status -eq 0 ] && ! out_has "warning|could not" && calls_have "^apt-get install"'
check "no 32-bit programs: neither i386 nor wine32" \
  eval '! calls_have "add-architecture" && ! install_call | grep -q ":i386" && install_call | grep -q " wine64"'

run_install fail ok no
check "an index fails, the install succeeds: one warning that names the index" \
  eval '[ $status -eq 0 ] && [ "$(grep -c "^warning:" "$work/out")" -eq 1 ] &&
        out_has "^warning: .*http://mirror.example/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz"'

run_install fail fail yes
check "an index fails, the install fails: the packages, apt's line, what to do" \
  eval '[ $status -ne 0 ] && out_has "could not be installed: .*wine32:i386" &&
        out_has "E: Failed to fetch http://mirror.example/.*Mirror sync in progress" &&
        out_has "Wait a while and run this again" && out_has "another Debian mirror"'
check "32-bit programs run: i386 added and wine32 asked for, not skipped" \
  eval 'calls_have "dpkg --add-architecture i386" && install_call | grep -q "wine32:i386"'

run_install ok ok no --native
check "the native path asks for no Windows package" \
  eval '[ $status -eq 0 ] && install_call | grep -q " g++" &&
        ! install_call | grep -q -E "mingw|wine|xvfb|xdotool|:i386" && ! calls_have "add-architecture"'

echo "install-deps: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
