#!/usr/bin/env bash
# The release: make dist from stage 15's Release build, then check the zip
# (DOSBox and Wine runs of its programs) and the Debian package (lintian
# without errors; installed here, run, its server's service checked, purged).
set -euo pipefail
version=$(scripts/version.sh)
DIST_BUILD_DIR=build-release scripts/dist.sh
(cd dist && sha256sum --quiet -c SHA256SUMS)
tests/dist/check_zip.sh "dist/meridoka-$version-windows-dos.zip" build-release/dos
tests/dist/check_deb.sh dist/meridoka_"$version"_*.deb
