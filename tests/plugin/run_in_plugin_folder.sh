#!/usr/bin/env bash
# Runs a plug-in folder test program built in another tree from FOLDER of
# this tree, so that it loads this tree's plug-in libraries (FOLDER/..).
#   run_in_plugin_folder.sh PROGRAM FOLDER [RUNNER...]
# Exits 77 (skipped) when PROGRAM has not been built.
set -euo pipefail
program=$1 folder=$2
shift 2
if [ ! -f "$program" ]; then
  echo "SKIP: $program has not been built; build the 32-bit GoogleTest tree first"
  exit 77
fi
mkdir -p "$folder"
cp "$program" "$folder/"
exec "$@" "$folder/$(basename "$program")"
