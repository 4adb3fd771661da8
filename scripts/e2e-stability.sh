#!/usr/bin/env bash
# Runs the end-to-end suites of the Windows, Linux (SDL) and DOS programs
# several rounds in a row and reports every case that failed in any round,
# with its log: a case that fails in some rounds and passes in others is a
# flake.
#
#   scripts/e2e-stability.sh [--rounds N] [--load N] [--suites "win32 sdl dos"] [--no-build]
#
# --rounds N   rounds (default 5)
# --load N     keep N busy loops running meanwhile, to see how the suites
#              fare on a loaded machine (default 0)
# --no-build   take the builds as they are (build/, build-win32/, build-dos/)
# Logs: build/e2e-stability/<suite>-<round>.log. Exits 1 when any case failed.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=5 load=0 suites="win32 sdl dos" build=1
while [ $# -gt 0 ]; do
  case $1 in
    --rounds) rounds=$2; shift 2 ;;
    --load) load=$2; shift 2 ;;
    --suites) suites=$2; shift 2 ;;
    --no-build) build=0; shift ;;
    *) echo "usage: scripts/e2e-stability.sh [--rounds N] [--load N] [--suites \"win32 sdl dos\"] [--no-build]" >&2
       exit 64 ;;
  esac
done

if [ $build = 1 ]; then
  cmake -S . -B build -G Ninja >/dev/null
  cmake --build build -j2 >/dev/null
  [[ " $suites " != *" win32 "* ]] || make -s -f win32/Makefile -j2 all >/dev/null
  [[ " $suites " != *" dos "* ]] || dos/build.sh build-dos >/dev/null
fi

logs=build/e2e-stability
rm -rf "$logs"
mkdir -p "$logs"
loads=()
stop_load() { for pid in "${loads[@]}"; do kill "$pid" 2>/dev/null || true; done; }
trap stop_load EXIT
for _ in $(seq "$load"); do
  (while :; do :; done) &
  loads+=($!)
done

run_suite() {  # SUITE LOG
  case $1 in
    win32) timeout 900 python3 tests/e2e/win32/e2e.py --exe build-win32/meridoka-x86_64.exe \
             --headless build/headless/meridoka-headless --displays 40-49 --sample build/data/ru/MERIDOKA.WDL ;;
    sdl) timeout 900 sdl/tests/e2e/run-all.sh build ;;
    dos) timeout 900 tests/dos/e2e.sh build-dos ;;
  esac >"$2" 2>&1
}

# The names of the cases a suite's log reports as failed.
failed_cases() {  # SUITE LOG
  case $1 in
    win32|sdl) sed -n 's/^FAIL \+\([^ ].*\)$/\1/p' "$2" | sed 's/ \+[0-9.]\+ s .*//' ;;
    dos) sed -n 's/^ *FAIL: \([^:]*\):.*/\1/p' "$2" | sort -u ;;
  esac
}

declare -A failures=() first_log=()
summary=()
for round in $(seq "$rounds"); do
  for suite in $suites; do
    log=$logs/$suite-$round.log
    start=$(date +%s)
    status=0
    run_suite "$suite" "$log" || status=$?
    seconds=$(( $(date +%s) - start ))
    cases=$(failed_cases "$suite" "$log")
    [ $status = 0 ] || [ -n "$cases" ] || cases="(the suite itself, status $status)"
    summary+=("round $round $suite: $( [ $status = 0 ] && echo passed || echo FAILED ) in ${seconds} s")
    echo "${summary[-1]}"
    while IFS= read -r c; do
      [ -n "$c" ] || continue
      key="$suite: $c"
      failures[$key]=$(( ${failures[$key]:-0} + 1 ))
      [ -n "${first_log[$key]:-}" ] || first_log[$key]=$log
    done <<<"$cases"
  done
done
stop_load

echo
echo "e2e stability: $rounds rounds of $suites, $load busy loops alongside"
if [ ${#failures[@]} = 0 ]; then
  echo "every case passed in every round"
  exit 0
fi
for key in "${!failures[@]}"; do
  kind=flaky
  [ "${failures[$key]}" = "$rounds" ] && kind="failed every round"
  echo "$key: failed in ${failures[$key]} of $rounds rounds ($kind); first log: ${first_log[$key]}"
  { grep -F -- "$(sed 's/^[a-z0-9]*: //' <<<"$key")" "${first_log[$key]}" | grep -i fail | head -n 3 \
      | sed 's/^/    /'; } || true  # a suite that failed as a whole names no case
done
exit 1
