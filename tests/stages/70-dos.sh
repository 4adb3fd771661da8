#!/usr/bin/env bash
# The DOS build: a real-mode .EXE, run in headless DOSBox with scripted keys
# and compared screen by screen with the headless tool; its heap and its
# 8086 start-up check on the host; the load image's size and the journal's
# cost per answer as figures (the image's size also as a limit).
set -euo pipefail
dos/build.sh build-dos --bench tests/dos/commit_bench.cpp
g++ -std=c++17 -O1 -g -Wall -Wextra -Werror -I. -fsanitize=address,undefined \
    tests/dos/heap_test.cpp -lgtest -lgtest_main -pthread -o build-dos/heap_test
build-dos/heap_test --gtest_brief=1
python3 tests/dos/check_8086_test.py
tests/dos/e2e.sh build-dos
# the load image within its 18 KB budget
image=$(stat -c %s build-dos/meridoka.bin)
echo "dos: load image $image bytes of the 18,432-byte budget ($((18432 - image)) left)"
[ "$image" -le 18432 ] || { echo "70-dos: the load image is over its 18,432-byte budget" >&2; exit 1; }
# the cost per answer of the journal on DOS (figures, not tests)
tests/dos/commit_bench.sh build-dos
