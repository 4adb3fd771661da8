#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test stage in
# tests/stages/ in order. Stops at the first failing stage.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
passed=0
for stage in tests/stages/*.sh; do
  echo "=== $(basename "$stage")"
  start=$(date +%s)
  bash "$stage"
  echo "=== $(basename "$stage") passed in $(( $(date +%s) - start )) s"
  passed=$((passed + 1))
done
echo "stages: $passed passed, 0 failed"
