#!/usr/bin/env bash
# Whether this machine's kernel runs 32-bit x86 programs, asked of the kernel
# itself before anything is installed for them: some kernels have 32-bit
# emulation switched off (some container and VM hosts), and there the
# 32-bit Wine can never start.
#   cmake/runs-32bit.sh          prints "yes" or "no"
#   cmake/runs-32bit.sh --note   prints nothing, or the note that says the
#                                32-bit runs are skipped, and why
# Sourced by test.sh, demo.sh and install-deps.sh, which take the answer from
# KELVADO_RUNS_32BIT when a caller has already asked (so the machine is
# probed, and the note printed, once per command).

# Writes a complete 32-bit x86 Linux program of 96 bytes to FILE: an ELF
# header, one loadable segment, and `mov ebx, 42; mov eax, 1; int 0x80`,
# the old system call exit(42). Nothing but a kernel that runs 32-bit
# programs can make it answer 42.
kelvado_write_32bit_probe() {
  local file=$1
  # ELF header: 32-bit, little-endian, version 1; an executable for i386,
  # entry 0x08048054, program headers at 52, one of 32 bytes.
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' > "$file"
  printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' >> "$file"
  printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' >> "$file"
  printf '\x00\x00\x00\x00' >> "$file"
  # The segment: the whole file (96 bytes), read and execute, at 0x08048000.
  printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' >> "$file"
  printf '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' >> "$file"
  # The code.
  printf '\xbb\x2a\x00\x00\x00\xb8\x01\x00\x00\x00\xcd\x80' >> "$file"
  chmod +x "$file"
}

# Succeeds when PROGRAM starts and exits with 42. A program that cannot be
# started ("Exec format error", a missing loader) or says anything else
# fails.
kelvado_program_answers() {
  local status=0
  "$1" > /dev/null 2>&1 || status=$?
  [ "$status" -eq 42 ]
}

# Prints "yes" or "no". A folder mounted noexec would make every program
# fail to start, 32-bit or not, so the probe runs beside a native script in
# a folder where that script does start.
kelvado_probe_32bit() {
  local dir answer=no candidates=("${TMPDIR:-/tmp}" "$(pwd)/build" "$HOME")
  for dir in "${candidates[@]}"; do
    mkdir -p "$dir" 2> /dev/null || continue
    local work
    work=$(mktemp -d "$dir/kelvado-probe.XXXXXX" 2> /dev/null) || continue
    printf '#!/bin/sh\nexit 42\n' > "$work/native"
    chmod +x "$work/native"
    if kelvado_program_answers "$work/native"; then
      kelvado_write_32bit_probe "$work/probe32"
      kelvado_program_answers "$work/probe32" && answer=yes
      rm -rf "$work"
      echo "$answer"
      return 0
    fi
    rm -rf "$work"
  done
  # No folder runs programs at all: nothing 32-bit will run either.
  echo no
}

# The answer, probed once: KELVADO_RUNS_32BIT is set (and exported) here, so
# every later caller in the same command takes it from there.
kelvado_runs_32bit() {
  case "${KELVADO_RUNS_32BIT:-}" in
    yes | no) ;;
    *) KELVADO_RUNS_32BIT=$(kelvado_probe_32bit) ;;
  esac
  export KELVADO_RUNS_32BIT
  echo "$KELVADO_RUNS_32BIT"
}

# The one text that says why the 32-bit runs are skipped.
kelvado_note_no_32bit() {
  echo "== 32-bit runs skipped: this machine's kernel runs no 32-bit programs (32-bit"
  echo "   emulation is switched off), so the 32-bit Wine is not installed, and the win32 and"
  echo "   release tests and the demo's 32-bit import do not run; the 64-bit Windows build"
  echo "   runs the same sources and tests, and the release check still reads the shipped files"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  answer=$(kelvado_runs_32bit)
  case "${1:-}" in
    "") echo "$answer" ;;
    --note) [ "$answer" = yes ] || kelvado_note_no_32bit ;;
    *)
      echo "usage: cmake/runs-32bit.sh [--note]" >&2
      exit 2
      ;;
  esac
fi
