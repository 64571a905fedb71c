#!/usr/bin/env bash
# Draws a small model through the whole import and checks the picture:
#   check_svg.sh OUT.svg FILE.3do EDGES_PER_MESH... -- MODELHOST_COMMAND...
# OUT.svg and FILE.3do are given as the program sees them (Z:... under Wine)
# and, for reading back here, OUT.svg's Unix path comes from the first
# argument with a leading "Z:" removed. The document must be well-formed XML
# (xmllint) and draw each mesh's expected number of edges in all four views.
set -uo pipefail
svg=$1
model=$2
shift 2
expected=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do expected+=("$1"); shift; done
shift
command -v xmllint > /dev/null || { echo "SKIP: xmllint is not installed"; exit 77; }
local_svg=${svg#Z:}
rm -f "$local_svg"
"$@" --open "$model" --svg "$svg" || { echo "FAIL: modelhost did not import $model"; exit 1; }
xmllint --noout "$local_svg" || { echo "FAIL: $local_svg is not well-formed XML"; exit 1; }
status=0
for mesh in "${!expected[@]}"; do
  segments=$(grep -o "<path class=\"mesh$mesh\"[^>]* d=\"[^\"]*\"" "$local_svg" | grep -o M | wc -l)
  want=$((4 * expected[mesh]))
  if [ "$segments" -ne "$want" ]; then
    echo "FAIL: mesh $mesh drawn with $segments segments, expected $want (4 views x ${expected[mesh]} edges)"
    status=1
  fi
done
[ $status -eq 0 ] && echo "ok    $local_svg is well-formed and draws ${expected[*]} edges per mesh in 4 views"
exit $status
