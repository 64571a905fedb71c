#!/usr/bin/env bash
# Runs one step of ./test.sh and records how long it took:
#   test-step.sh quiet|show NAME COMMAND [ARGS...]
# The output goes to build/logs/NAME.log. A quiet step (configure, build)
# shows it only when the step fails; a shown step (tests, fuzz smoke,
# release check) always does. Steps run side by side, so each prints its
# output in one piece when it ends (make --output-sync keeps the pieces
# apart). build/timings gets one line per step: NAME START END STATUS CPU,
# the times in seconds since 1970, CPU in seconds.
set -uo pipefail
mode=$1 name=$2
shift 2
mkdir -p build/logs
log=build/logs/$name.log
start=$(date +%s.%N)
"$@" > "$log" 2>&1
status=$?
end=$(date +%s.%N)
# The processor time the step's programs used, which a busy machine changes
# less than the wall-clock time: the second line of `times`, in the form
# 1m2.500s 0m0.250s (user, system). Wine's server and background programs
# are not counted.
times > "$log.times"
cpu=$(tail -1 "$log.times" | awk '{
  t = 0
  for (i = 1; i <= 2; i++) { split($i, p, "m"); t += p[1] * 60 + p[2] }
  printf "%.1f", t
}')
rm -f "$log.times"
seconds=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.1f", e - s }')
echo "$name $start $end $status $cpu" >> build/timings
if [ "$status" -ne 0 ]; then
  echo "== $name FAILED (${seconds} s, exit status $status); its output ($log):"
  cat "$log"
elif [ "$mode" = show ]; then
  echo "== $name (${seconds} s)"
  cat "$log"
else
  echo "== $name (${seconds} s)"
fi
exit "$status"
