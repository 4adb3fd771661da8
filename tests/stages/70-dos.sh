#!/usr/bin/env bash
# The DOS build: a real-mode .EXE, run in headless DOSBox with scripted keys
# and compared screen by screen with the headless tool.
set -euo pipefail
dos/build.sh build-dos
tests/dos/e2e.sh build-dos
