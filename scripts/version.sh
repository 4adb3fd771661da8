#!/usr/bin/env bash
# Prints the program's version: the one place it is kept is the project line
# of the top-level CMakeLists.txt, project(meridoka VERSION x.y.z ...).
# CMake reads it there itself; win32/Makefile, dos/build.sh and the
# portability check take it from here and pass -DMERIDOKA_VERSION="x.y.z".
set -euo pipefail
sed -n 's/^project(meridoka VERSION \([0-9][0-9.]*\).*/\1/p' "$(dirname "$0")/../CMakeLists.txt"
