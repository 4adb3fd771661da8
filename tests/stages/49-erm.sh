#!/usr/bin/env bash
# The results report's item analysis against an independent implementation:
# R's eRm (conditional Rasch fit, person parameters, item and person fit,
# Andersen's test, separation reliability) and stats::mantelhaen.test, on
# simulated sessions of two runner builds: once with every session
# complete, once with sessions ended early (answers missing). The R script
# prints the largest difference per statistic and fails beyond tolerance.
# Then the exports (wide CSV, codebook, SPSS, Stata) read back in R.
set -euo pipefail
cmake -S . -B build -G Ninja -DMERIDOKA_WERROR=ON >/dev/null
cmake --build build --target meridoka-report report_simulate >/dev/null
if ! Rscript -e 'library(eRm); library(haven); library(foreign)' >/dev/null 2>&1; then
  echo "49-erm: R with eRm, haven and foreign is missing (scripts/setup.sh installs them)" >&2
  exit 1
fi
work=$(mktemp -d /tmp/meridoka-erm-XXXXXX)
trap 'rm -rf "$work"' EXIT
report=build/tools/report/meridoka-report
for run in "complete:--complete --seed 5" "missing:--seed 6"; do
  name=${run%%:*} options=${run#*:}
  # shellcheck disable=SC2086  # the options are words
  build/tools/report/bench/report_simulate -n 600 --items 23 --builds win32,dos $options -o "$work/$name" >/dev/null
  $report add "$work/$name.db" "$work/$name" --quiet 2>/dev/null || [ $? = 2 ]
  $report csv "$work/$name.db" -o "$work/$name-tables" >/dev/null
  echo "49-erm: $name"
  Rscript tools/report/tests/erm_check.R "$work/$name-tables" 2>&1 | grep -v -e "^Spline" -e "^  Less than" -e "^  Perhaps"
done

# the exports of the store with sessions ended early, with participants'
# attributes (UTF-8, cells a spreadsheet would run as formulas), read back
exports=$work/exports
mkdir -p "$exports"
awk -F, 'NR > 1 && !seen[$3]++ {
  n++; split("Школа №5|=SUM(A1)|@home|-7 days|plain, with a comma|", g, "|")
  split("+3|year 2|", y, "|")
  printf "%s,%d,\"%s\",%s,%d,%d\n", $3, 18 + n % 50, g[n % 6 + 1], y[n % 3 + 1], n % 2, n % 4
} BEGIN { print "participant,age,group,School year,by,класс" }' "$work/missing-tables/sessions.csv" >"$exports/people.csv"
$report participants import "$work/missing.db" "$exports/people.csv" >/dev/null
for f in wide:wide.csv codebook:codebook.csv codebook:codebook.md sav:sessions.sav dta:sessions.dta; do
  $report export "$work/missing.db" --format "${f%%:*}" -o "$exports/${f#*:}" >/dev/null
done
Rscript tools/report/tests/export_check.R "$work/missing-tables" "$exports/people.csv" "$exports"

# DIF and Andersen's test by a participant attribute: a sex column imported
# (two uneven groups), the tables again with --by, checked as above
awk -F, 'NR > 1 && !seen[$3]++ { n++; printf "%s,%s\n", $3, (n * 7 % 3 == 0 ? "f" : "m") }
  BEGIN { print "participant,sex" }' "$work/missing-tables/sessions.csv" >"$work/sex.csv"
$report participants import "$work/missing.db" "$work/sex.csv" >/dev/null
$report csv "$work/missing.db" --by sex -o "$work/by-tables" >/dev/null
echo "49-erm: missing, by sex"
Rscript tools/report/tests/erm_check.R "$work/by-tables" 2>&1 | grep -v -e "^Spline" -e "^  Less than" -e "^  Perhaps"
