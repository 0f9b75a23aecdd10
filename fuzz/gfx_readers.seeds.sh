#!/bin/sh
# Seed corpus of fuzz_gfx_readers: flics with every chunk type, raw frame
# files and AVI files written by the graphics input tests' builders.
# Usage: fuzz/gfx_readers.seeds.sh BUILD_DIR CORPUS_DIR
set -eu
BUILD="$1"
CORPUS="$2"
mkdir -p "$CORPUS"
cmake --build "$BUILD" -j2 --target test_graphics_input >/dev/null
ZORB_SEED_DIR="$CORPUS" "$BUILD/tests/test_graphics_input" --gtest_filter='Corpus.WriteFuzzSeeds' >/dev/null
