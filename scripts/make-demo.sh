#!/bin/sh
# Makes the demo file BUILD/demo/demo.zbx: renders the animation and its tune
# with zbxdemo, compresses the frames with zorbc (ring frame for seamless
# looping) and puts the tune into track 1 with zorbmix.
# Usage: scripts/make-demo.sh [BUILD_DIR]
set -eu
cd "$(dirname "$0")/.."
BUILD="${1:-build}"
cmake --build "$BUILD" -j2 --target zbxdemo zorbc zorbmix
OUT="$BUILD/demo"
mkdir -p "$OUT"
"$BUILD/bin/zbxdemo" "$OUT/demo.raw" "$OUT/demo.wav"
"$BUILD/bin/zorbc" "$OUT/demo.raw" "$OUT/demo-video.zbx" /G /L-1 /O
"$BUILD/bin/zorbmix" "$OUT/demo-video.zbx" "$OUT/demo.wav" "$OUT/demo.zbx" /M1 /O
rm -f "$OUT/demo.raw" "$OUT/demo-video.zbx"
echo "Demo file: $OUT/demo.zbx"
