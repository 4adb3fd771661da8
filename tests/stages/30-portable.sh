#!/usr/bin/env bash
set -euo pipefail
scripts/check-portable.sh
