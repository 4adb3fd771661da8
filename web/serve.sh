#!/usr/bin/env bash
# Serves build-web/ (or the folder given) on 127.0.0.1 with Python's static
# file server, from port 8000 or the first free one after it, and prints
# the address to open. Ctrl+C stops it.
#   web/serve.sh [DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-web}
[ -f "$dir/index.html" ] || { echo "serve: $dir/index.html is missing: run make web first" >&2; exit 1; }
port=$(python3 - <<'PY'
import socket
for port in range(8000, 8100):
    with socket.socket() as s:
        try:
            s.bind(("127.0.0.1", port))
            print(port)
            break
        except OSError:
            pass
PY
)
[ -n "$port" ] || { echo "serve: no free port in 8000..8099" >&2; exit 1; }
echo "serve: the test is at http://127.0.0.1:$port/ (Ctrl+C stops the server)"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$dir"
