#!/usr/bin/env bash
# The browser build (web/): built with Debian's Emscripten, the page's plain
# parts under Node.js, then the page in headless Chromium against the
# headless tool: the shared scenarios, leaving the page, full screen, the
# archive chosen or dropped, bad archives, no WebAssembly.
set -euo pipefail
cmake -S . -B build -G Ninja -DMERIDOKA_WERROR=ON >/dev/null
cmake --build build --target meridoka-headless sample_ru >/dev/null
web/build.sh build-web
if [ ! -d tests/browser/node_modules/playwright-core ]; then
  echo "65-web: tests/browser/node_modules is missing (scripts/setup.sh runs npm ci there)" >&2
  exit 1
fi
MERIDOKA_WEB_DIR=build-web node --test web/tests/page.test.mjs
node web/tests/run-suite.mjs build-web build/headless/meridoka-headless build/data/ru/MERIDOKA.WDL build/web-e2e
