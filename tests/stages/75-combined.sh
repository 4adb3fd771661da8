#!/usr/bin/env bash
# The one file for both builds: build it, then take tests with its Windows
# side under Wine (x86-64; the i686 file's DOS side runs in the DOS stage).
set -euo pipefail
dos/combine.sh
python3 tests/e2e/win32/e2e.py --exe build-dos/combined/MERIDOKA-X64.EXE \
  --headless build/headless/meridoka-headless --displays 40-49 \
  --only windowed_whole_test esc_on_first_item no_archive
