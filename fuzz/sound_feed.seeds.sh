#!/bin/sh
# Seed corpus of fuzz_sound_feed: the same generated files as fuzz_zorb_decode
# (every sound variant, ring frames, damaged variants).
# Usage: fuzz/sound_feed.seeds.sh BUILD_DIR CORPUS_DIR
set -eu
exec "$(dirname "$0")/zorb_decode.seeds.sh" "$@"
