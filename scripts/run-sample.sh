#!/usr/bin/env bash
# Takes the bundled sample test in a window (`make run`): installs what is
# missing, builds, then starts build/sdl/meridoka in a fresh scratch folder
# (scratch/run-YYYYmmdd-HHMMSS/) that holds a copy of the sample archive.
# The result file and any F12 screenshots stay in that folder.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/setup.sh
cmake -S . -B build -G Ninja -DMERIDOKA_WERROR=ON >/dev/null
cmake --build build
program=$root/build/sdl/meridoka
if [ ! -x "$program" ]; then
  echo "run-sample: $program was not built (SDL2 missing? see scripts/packages/sdl.txt)" >&2
  exit 1
fi

run=$root/scratch/run-$(date +%Y%m%d-%H%M%S)
mkdir -p "$run"
sample=$root/build/data/ru/MERIDOKA.WDL
if [ -f "$sample" ]; then
  cp "$sample" "$run/MERIDOKA.WDL"
else
  echo "run-sample: NOTE: the sample test ($sample) is not built; taking a small synthetic test archive instead"
  python3 tests/e2e/make_test_archive.py "$run/MERIDOKA.WDL" >/dev/null
fi

echo "run-sample: starting the test in $run"
echo "run-sample: hold Shift while it starts for a window without the full-screen question;"
echo "run-sample: digits 1-9 choose, Enter confirms, Esc ends, F12 saves a screenshot"
status=0
(cd "$run" && "$program") || status=$?

echo
if [ $status = 2 ]; then
  echo "run-sample: no display: start it from a desktop session (or under Xvfb with DISPLAY set)"
fi
if [ -f "$run/RESULT-W.TXT" ]; then
  echo "run-sample: result file: $run/RESULT-W.TXT (Windows-1251 text)"
  if command -v iconv >/dev/null; then
    iconv -f CP1251 -t UTF-8 "$run/RESULT-W.TXT" | sed 's/\r$//; s/^/    /' || true
  fi
else
  echo "run-sample: no result file (no item was completed)"
fi
shots=$(find "$run" -maxdepth 1 -name '*.bmp' | wc -l)
if [ "$shots" -gt 0 ]; then
  echo "run-sample: $shots screenshot(s): $run/00000001.bmp ..."
fi
echo "run-sample: exit code $status"
exit $status
