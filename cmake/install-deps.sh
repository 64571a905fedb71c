#!/usr/bin/env bash
# Installs what the build and the tests need on a fresh Debian 12 machine.
# Quick and quiet when everything is already there.
set -euo pipefail

packages=(cmake g++ make googletest libgtest-dev libbenchmark-dev libtinyobjloader-dev clang libclang-rt-14-dev
          g++-mingw-w64-i686-posix binutils-mingw-w64-i686 g++-mingw-w64-x86-64-posix
          binutils-mingw-w64-x86-64 wine wine32:i386 wine64
          xvfb xdotool imagemagick libxml2-utils locales
          g++-mingw-w64-i686-win32 python3)

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

# The plug-in tests read numbers under regional settings that write a
# decimal comma; generated once, after the locales package is there.
ensure_comma_locale() {
  locale -a 2>/dev/null | grep -qix 'de_DE.utf8' && return 0
  echo "Generating the de_DE.UTF-8 locale"
  $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  ensure_comma_locale
  exit 0
fi

echo "Installing: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -q >/dev/null
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}" >/dev/null
ensure_comma_locale
