#!/bin/sh
# Seeds: the demo file when it was built, and a few small files from zorbc.
set -eu
BUILD="$1"
CORPUS="$2"
mkdir -p "$CORPUS"
[ -f "$BUILD/demo/demo.zbx" ] && head -c 200000 "$BUILD/demo/demo.zbx" > "$CORPUS/demo-head.zbx" || true
if [ -x "$BUILD/bin/zbxdemo" ] && [ -x "$BUILD/bin/zorbc" ]; then
  TMP=$(mktemp -d)
  "$BUILD/bin/zbxdemo" "$TMP/d.raw" "$TMP/d.wav" 16 8 4 >/dev/null 2>&1 || true
  "$BUILD/bin/zorbc" "$TMP/d.raw" "$CORPUS/small.zbx" /G /O >/dev/null 2>&1 || true
  "$BUILD/bin/zorbc" "$TMP/d.raw" "$CORPUS/small-lossy.zbx" /N5/K5 /O >/dev/null 2>&1 || true
  rm -rf "$TMP"
fi
