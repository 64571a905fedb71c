#!/usr/bin/env bash
# Draws a small model through the whole import and checks the picture:
#   check_svg.sh OUT.svg FILE.3do EDGES_PER_MESH... -- MODELHOST_COMMAND...
# OUT.svg and FILE.3do are given as the program sees them (Z:... under Wine)
# and, for reading back here, OUT.svg's Unix path comes from the first
# argument with a leading "Z:" removed. The document must be well-formed XML
# (xmllint), draw each mesh's expected number of edges in the axonometric
# view (the last, which sees no axis-aligned edge end-on) and no more in the
# three others, and hold no segment of length zero.
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
if grep -qE 'M([0-9.-]+ [0-9.-]+)L\1[ "]' "$local_svg"; then
  echo "FAIL: $local_svg draws a segment of length zero"
  status=1
fi
for mesh in "${!expected[@]}"; do
  # One line of segment counts per view that draws the mesh, in view order.
  counts=$(grep -o "<path class=\"mesh$mesh\"[^>]* d=\"[^\"]*\"" "$local_svg" |
    awk -F'M' '{print NF - 1}')
  axonometric=$(tail -n 1 <<< "$counts")
  most=$(sort -n <<< "$counts" | tail -n 1)
  if [ "$axonometric" != "${expected[mesh]}" ] || [ "$most" != "${expected[mesh]}" ]; then
    echo "FAIL: mesh $mesh drawn with" $counts "segments in its views, expected" \
      "${expected[mesh]} in the axonometric view and no more in any other"
    status=1
  fi
done
[ $status -eq 0 ] && echo "ok    $local_svg is well-formed and draws ${expected[*]} edges per mesh"
exit $status
