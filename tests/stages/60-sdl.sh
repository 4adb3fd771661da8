#!/usr/bin/env bash
# The Linux front end (sdl/): the shared key channel again under
# ThreadSanitizer (the display thread and the driver share it), then the
# end-to-end runs of build/sdl/meridoka under a private Xvfb against the
# headless tool.
set -euo pipefail
cmake -S . -B build -G Ninja -DMERIDOKA_WERROR=ON >/dev/null
cmake --build build
if [ ! -x build/sdl/meridoka ]; then
  echo "60-sdl: build/sdl/meridoka was not built (SDL2 missing?)" >&2
  exit 1
fi
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMERIDOKA_BENCH=OFF -DMERIDOKA_WERROR=ON \
  -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread >/dev/null
cmake --build build-tsan --target frontend_tests
TSAN_OPTIONS=halt_on_error=1 build-tsan/tests/frontend_tests --gtest_brief=1
sdl/tests/e2e/run-all.sh build
