#!/usr/bin/env bash
# The results report's item analysis against an independent implementation:
# R's eRm (conditional Rasch fit, person parameters, item and person fit,
# Andersen's test, separation reliability) and stats::mantelhaen.test, on
# simulated sessions of two runner builds: once with every session
# complete, once with sessions ended early (answers missing). The R script
# prints the largest difference per statistic and fails beyond tolerance.
set -euo pipefail
cmake -S . -B build -G Ninja -DMERIDOKA_WERROR=ON >/dev/null
cmake --build build --target meridoka-report report_simulate >/dev/null
if ! Rscript -e 'library(eRm)' >/dev/null 2>&1; then
  echo "49-erm: R with eRm is missing (scripts/setup.sh installs r-base-core r-cran-erm)" >&2
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
