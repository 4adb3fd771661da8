#!/usr/bin/env bash
# Takes the sample test with a scenario in the headless runner and checks
# the result file against the scenario's "# marks:" line ('_' = not
# reached), the totals line, and the number of screenshots.
#   check_scenario.sh HEADLESS ARCHIVE SCENARIO WORK_DIR
set -euo pipefail
headless=$1 archive=$2 scenario=$3 work=$4
rm -rf "$work"
mkdir -p "$work"
cp "$archive" "$work/MERIDOKA.WDL"
"$headless" --dir "$work" "$scenario"

marks=$(sed -n 's/^# marks: //p' "$scenario")
[ -n "$marks" ] || { echo "no marks line in $scenario"; exit 1; }
count=${#marks}
result="$work/RESULT-W.TXT"
[ -f "$result" ] || { echo "no result file"; exit 1; }
tr -d '\r' < "$result" > "$work/result.txt"
[ "$(wc -l < "$work/result.txt")" = $((count + 4)) ] || { echo "result file has $(wc -l < "$work/result.txt") lines, want $((count + 4))"; exit 1; }
got=$(sed -n "3,$((count + 2))p" "$work/result.txt" | cut -c1 | tr ' ' _ | tr -d '\n')
[ "$got" = "$marks" ] || { printf 'marks:\n got  %s\n want %s\n' "$got" "$marks"; exit 1; }
sed -n "3,$((count + 2))p" "$work/result.txt" | cut -c2-4 | sort -u | grep -qx ' | ' || { echo "bad line prefix"; exit 1; }

plus=$(tr -cd + <<< "$marks" | wc -c)
minus=$(tr -cd -- - <<< "$marks" | wc -c)
answered=$((plus + minus))
tail -n 1 "$work/result.txt" | grep -q " $plus(+) $minus(-) ($answered/$count)\$" ||
  { echo "totals line: $(tail -n 1 "$work/result.txt")"; exit 1; }

shots=$(grep -c '^shot' "$scenario" || true)
[ "$(find "$work" -name '*.bmp' | wc -l)" = "$shots" ] || { echo "want $shots screenshots"; exit 1; }
echo "$(basename "$scenario"): $marks"
