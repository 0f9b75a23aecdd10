#!/bin/sh
# Decode speed of the web build against the native decoder on the same file:
# bench_decode's BM_DecodeFile, then the benchmark page in headless Chromium,
# which prints both figures and their ratio.
# Usage: scripts/web-bench.sh [FILE.zbx]   (default: the demo, made when missing)
set -eu
cd "$(dirname "$0")/.."
FILE="${1:-}"
if [ -z "$FILE" ]; then
    [ -f build/demo/demo.zbx ] || ./scripts/make-demo.sh build >/dev/null
    FILE=build/demo/demo.zbx
fi
cmake --build build --target bench_decode -j2 >/dev/null
./scripts/web-build.sh build-web >/dev/null
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
ZORB_BENCH_FILE="$(realpath "$FILE")" build/bench/bench_decode --benchmark_filter=BM_DecodeFile \
    --benchmark_format=json >"$WORK/native.json"
FPS="$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["benchmarks"][0]["fps"])' "$WORK/native.json")"
cp "$FILE" "$WORK/bench.zbx"
python3 tests/web/browser.py bench build-web/site "$WORK" "$WORK/bench.zbx" "$FPS"
