#!/usr/bin/env bash
# Builds the browser version into build-web/ (or the folder given): the page
# (index.html and its scripts), meridoka.js + meridoka.wasm from the
# portable core and this platform layer, and the sample test MERIDOKA.WDL.
# Serve the folder from any static web server (make run-web).
#   web/build.sh [OUT_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build-web}
mkdir -p "$out"

# Debian's emscripten: its JS optimiser needs Debian's node modules, and it
# runs under Debian's python
export NODE_PATH=/usr/share/nodejs EMSDK_PYTHON=/usr/bin/python3

warn=(-Wall -Wextra -Werror -Wshadow -Wundef -Wcast-qual -Wmissing-declarations)
mapfile -t sources < <(grep -v '^#' core.sources)
sources+=(frontend/*.cpp web/*.cpp)

# Asyncify lets the blocking driver sleep in these five calls (web/web.h);
# only the functions on the way to them are rewritten.
link=(-sENVIRONMENT=web -sMODULARIZE -sEXPORT_ES6 -sEXPORT_NAME=createMeridoka
      -sASYNCIFY "-sASYNCIFY_IMPORTS=[web_display_open,web_let_events_in,web_sleep,web_sleep_for,web_wait_shown,web_file_commit]" -sASYNCIFY_IGNORE_INDIRECT
      -sFILESYSTEM=0 -sMALLOC=emmalloc -sALLOW_MEMORY_GROWTH -sINITIAL_MEMORY=4MB -sTOTAL_STACK=256KB
      "-sEXPORTED_FUNCTIONS=[_main,_web_key_press,_web_page_left,_web_archive_header,_web_archive_cyrillic,_web_archive_offers_resume,_web_options_refused,_web_journal_header,_web_journal_judge,_web_journal_number,_web_journal_start]"
      "-sINCOMING_MODULE_JS_API=[web,instantiateWasm,noInitialRun]"
      --js-library web/library.js)
# the version from its one place (scripts/version.sh)
em++ -std=c++17 -Os -fno-exceptions -fno-rtti -I. "-DMERIDOKA_VERSION=\"$(scripts/version.sh)\"" "${warn[@]}" "${sources[@]}" "${link[@]}" -o "$out/meridoka.js"

cp web/page/*.html web/page/*.js web/page/settings.json "$out/"
sample=build/data/ru/MERIDOKA.WDL
if [ ! -f "$sample" ]; then
  cmake -S . -B build -G Ninja >/dev/null
  cmake --build build --target sample_ru >/dev/null
fi
cp "$sample" "$out/MERIDOKA.WDL"
echo "web: $out: meridoka.wasm $(stat -c %s "$out/meridoka.wasm") bytes, meridoka.js $(stat -c %s "$out/meridoka.js") bytes"
