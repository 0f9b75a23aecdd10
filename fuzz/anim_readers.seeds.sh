#!/bin/sh
# Seed corpus of fuzz_anim_readers: animated GIF and WebP files of the demo's
# first frames, made by pictproc (a leading byte picks the reader).
# Usage: fuzz/anim_readers.seeds.sh BUILD_DIR CORPUS_DIR
set -eu
BUILD="$1"
CORPUS="$2"
mkdir -p "$CORPUS"
cmake --build "$BUILD" -j2 --target pictproc demo >/dev/null
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
"$BUILD/bin/pictproc" "$BUILD/demo/demo.zbx" "$TMP/a.gif" /S1 /E6 /W64 /H48 /O >/dev/null 2>&1
"$BUILD/bin/pictproc" "$BUILD/demo/demo.zbx" "$TMP/a.webp" /S1 /E6 /W64 /H48 /O >/dev/null 2>&1
{ printf '\000'; cat "$TMP/a.gif"; } > "$CORPUS/demo-gif"
{ printf '\001'; cat "$TMP/a.webp"; } > "$CORPUS/demo-webp"
