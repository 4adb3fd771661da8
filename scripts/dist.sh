#!/usr/bin/env bash
# `make dist`: installs what is missing, builds a release and writes dist/:
#   meridoka-VERSION-windows-dos.zip   the one-file MERIDOKA.EXE (Windows and
#                                      MS-DOS) and MERIDOKA-X64.EXE beside each
#                                      sample test, the guide, the licences
#   meridoka_VERSION_ARCH.deb          the Linux programs, manual pages,
#                                      sample tests, and the collecting server
#                                      as a service with its browser build (CPack)
#   SHA256SUMS
# DIST_BUILD_DIR (default build-dist) is the CMake build folder; the test
# stage passes the Release build it has already made.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/setup.sh

version=$(scripts/version.sh)
build=${DIST_BUILD_DIR:-build-dist}
# file times in the zip: the last commit's (the programs themselves carry a link time)
epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}

# The browser build the server's package serves, made again only when a
# source is newer.
web=$build/web
if [ ! -f "$web/meridoka.wasm" ] ||
   [ -n "$(find web platform runner base archive graphics frontend core.sources -newer "$web/meridoka.wasm" -print -quit)" ]; then
  web/build.sh "$web" >/dev/null
fi

# The Linux programs and the sample tests, built as a user builds them.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMERIDOKA_BENCH=OFF -DBUILD_TESTING=OFF \
  "-DMERIDOKA_WEB_DIR=$(realpath "$web")" >/dev/null
cmake --build "$build"
for program in sdl/meridoka tools/wdl/wdl headless/meridoka-headless tools/report/meridoka-report \
               tools/server/meridoka-server data/ru/MERIDOKA.WDL data/en/MERIDOKA.WDL; do
  [ -e "$build/$program" ] || { echo "dist: $build/$program was not built" >&2; exit 1; }
done

# The Windows and DOS programs, always from scratch (their Makefile does not
# see a version change).
rm -rf "$build/dos"
dos/combine.sh "$build/dos"

rm -rf dist "$build/zip"
mkdir -p dist
stage=$build/zip/meridoka-$version
# text for Windows: CR LF line ends; the Russian guide as UTF-8 with a BOM,
# which tells Notepad its encoding
windows_text() { sed -e "s/@PROJECT_VERSION@/$version/g" -e 's/$/\r/' "$1"; }
for lang in ru en; do
  folder=$stage/${lang^^}
  mkdir -p "$folder"
  cp "$build/dos/combined/MERIDOKA.EXE" "$build/dos/combined/MERIDOKA-X64.EXE" "$build/data/$lang/MERIDOKA.WDL" "$folder/"
done
windows_text packaging/guide-en.txt > "$stage/README.TXT"
{ printf '\xef\xbb\xbf'; windows_text packaging/guide-ru.txt; } > "$stage/README-RU.TXT"
windows_text LICENSE > "$stage/LICENSE.TXT"
windows_text data/font/LICENSE > "$stage/FONT.TXT"
find "$build/zip" -exec touch -h -d "@$epoch" {} +
zip_file=$root/dist/meridoka-$version-windows-dos.zip
(cd "$build/zip" && find "meridoka-$version" | LC_ALL=C sort | TZ=UTC zip -X -q -@ "$zip_file")

# The Debian package.
rm -rf "$build/cpack"
(cd "$build" && cpack -G DEB -B "$PWD/cpack" > cpack.log 2>&1) || { cat "$build/cpack.log"; exit 1; }
cp "$build"/cpack/meridoka_"$version"_*.deb dist/

(cd dist && sha256sum -- *.zip *.deb > SHA256SUMS)
for f in dist/*; do
  echo "dist: wrote $f ($(stat -c %s "$f") bytes)"
done
