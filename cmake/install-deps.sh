#!/usr/bin/env bash
# Installs what the build and the tests need on a fresh Debian 12 machine.
# Quick and quiet when everything is already there.
#   cmake/install-deps.sh            what ./test.sh and ./demo.sh need
#   cmake/install-deps.sh --native   only what the native tree needs: no
#                                    MinGW, no Wine, no 32-bit architecture
# The 32-bit Wine is installed only where the kernel runs 32-bit programs
# (cmake/runs-32bit.sh). A package index that fails to download (a mirror
# in the middle of a sync) is a warning as long as every package still
# installs from the indexes that did.
#
# tests/install_deps_test.sh runs this script against stand-ins, named by
# KELVADO_APT_GET, KELVADO_DPKG and KELVADO_DPKG_QUERY (default: the real
# commands), with the probe's answer in KELVADO_RUNS_32BIT.
set -euo pipefail
here=$(dirname "$0")
# shellcheck source=runs-32bit.sh
source "$here/runs-32bit.sh"

goal=all
case "${1:-}" in
  "") ;;
  --native) goal=native ;;
  *)
    echo "usage: cmake/install-deps.sh [--native]" >&2
    exit 2
    ;;
esac

# The native tree: compilers, CMake, GoogleTest, the sanitizers' runtime,
# xmllint for the SVG check and the locales for the decimal-comma test.
native_packages=(cmake g++ make googletest libgtest-dev libasan8 libubsan1 libxml2-utils locales)
# Everything else: the benchmarks, the fuzz tree (clang and its sanitizer
# runtime), the coverage report (llvm-profdata and llvm-cov), the Windows
# toolchains, the 64-bit Wine, the dialog tests under Xvfb and the release
# check.
windows_packages=(libbenchmark-dev libtinyobjloader-dev clang libclang-rt-14-dev llvm
                  g++-mingw-w64-i686-posix binutils-mingw-w64-i686 g++-mingw-w64-i686-win32
                  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64
                  xvfb xdotool imagemagick python3)

sudo=()
if [ "$(id -u)" -ne 0 ]; then sudo=(sudo); fi
apt_get() { DEBIAN_FRONTEND=noninteractive "${sudo[@]}" "${KELVADO_APT_GET:-apt-get}" "$@"; }
dpkg_cmd() { "${sudo[@]}" "${KELVADO_DPKG:-dpkg}" "$@"; }
is_installed() {
  "${KELVADO_DPKG_QUERY:-dpkg-query}" -W -f='${Status}' "$1" 2> /dev/null |
    grep -q "install ok installed"
}

packages=("${native_packages[@]}")
needs_i386=no
if [ "$goal" = all ]; then
  packages+=("${windows_packages[@]}")
  # Asked before anything is installed. The note comes from whoever asked
  # first: test.sh and demo.sh ask before they call this script.
  asked_before=${KELVADO_RUNS_32BIT:-}
  KELVADO_RUNS_32BIT=$(kelvado_runs_32bit)
  if [ -z "$asked_before" ] && [ "$KELVADO_RUNS_32BIT" = no ]; then kelvado_note_no_32bit; fi
  if [ "$KELVADO_RUNS_32BIT" = yes ]; then
    packages+=(wine32:i386)
    needs_i386=yes
  fi
fi

# The plug-in tests read numbers under regional settings that write a
# decimal comma; generated once, after the locales package is there.
ensure_comma_locale() {
  locale -a 2> /dev/null | grep -qix 'de_DE.utf8' && return 0
  echo "Generating the de_DE.UTF-8 locale"
  "${sudo[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8
}

missing=()
for p in "${packages[@]}"; do
  is_installed "$p" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  ensure_comma_locale
  exit 0
fi

echo "Installing: ${missing[*]}"
if [ "$needs_i386" = yes ] && ! dpkg_cmd --print-foreign-architectures | grep -qx i386; then
  dpkg_cmd --add-architecture i386
fi

# apt's first line about an index that did not download, such as
#   E: Failed to fetch http://.../binary-i386/Packages.xz  File has unexpected size ...
failed_index_line() { grep -m1 -E '^(E|W|Err):.*(Failed to fetch|failed to download)' "$1" || true; }
# The address of that index, from the line.
failed_index_address() { grep -o -E 'Failed to fetch [^ ]+' <<< "$1" | cut -d' ' -f4 || true; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
update_status=0
apt_get update -q > "$work/update.log" 2>&1 || update_status=$?
# apt-get update can end well and still have left an index out, so its
# lines are read either way; a failure that names no index is quoted by its
# first error.
index_line=$(failed_index_line "$work/update.log")
if [ -z "$index_line" ] && [ "$update_status" -ne 0 ]; then
  index_line=$(grep -m1 '^E:' "$work/update.log" || true)
fi

if apt_get install -y -q "${missing[@]}" > "$work/install.log" 2>&1; then
  if [ -n "$index_line" ]; then
    address=$(failed_index_address "$index_line")
    [ -n "$address" ] || address="named in apt's line"
    echo "warning: a package index failed to download ($address): \"$index_line\"; every package installed all the same"
  fi
  ensure_comma_locale
  exit 0
fi

still_missing=()
for p in "${missing[@]}"; do
  is_installed "$p" || still_missing+=("$p")
done
echo "install-deps.sh: these packages could not be installed: ${still_missing[*]}" >&2
grep -E '^E:' "$work/install.log" | sed 's/^/  apt: /' >&2 || true
if [ -n "$index_line" ]; then
  {
    echo "The package mirror's index failed to download, so apt does not know these packages:"
    echo "  $index_line"
    echo "The mirror is probably in the middle of a sync. Wait a while and run this again, or"
    echo "point apt at another Debian mirror (/etc/apt/sources.list or /etc/apt/sources.list.d/)."
  } >&2
else
  echo "apt-get install failed; the end of its output:" >&2
  [ -s "$work/install.log" ] && grep -v -E '^E:' "$work/install.log" | tail -20 | sed 's/^/  /' >&2
fi
exit 1
