#!/bin/sh
# Builds the web player and the demo file, and serves the player with the demo
# on this machine (python3's http.server) until interrupted.
# Usage: scripts/web-demo.sh [PORT]   (default 8036; 0 picks a free port)
set -eu
cd "$(dirname "$0")/.."
PORT="${1:-8036}"
./scripts/make-demo.sh build >/dev/null
./scripts/web-build.sh build-web >/dev/null
SITE=build-web/site
cp build/demo/demo.zbx "$SITE/demo.zbx"
exec python3 - "$SITE" "$PORT" <<'PY'
import functools, http.server, sys
site, port = sys.argv[1], int(sys.argv[2])
handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=site)
httpd = http.server.ThreadingHTTPServer(("127.0.0.1", port), handler)
print("Zorblax web player with the demo: http://127.0.0.1:%d/player.html?src=demo.zbx" % httpd.server_address[1])
print("Decode speed: http://127.0.0.1:%d/bench.html?src=demo.zbx   (Ctrl-C stops)" % httpd.server_address[1], flush=True)
try:
    httpd.serve_forever()
except KeyboardInterrupt:
    pass
PY
