#!/bin/sh
# Seed corpus of fuzz_zorb_open: valid and damaged .zbx files written by the
# container tests' generator.
# Usage: fuzz/zorb_open.seeds.sh BUILD_DIR CORPUS_DIR
set -eu
BUILD="$1"
CORPUS="$2"
mkdir -p "$CORPUS"
cmake --build "$BUILD" -j2 --target test_codec_container >/dev/null
ZORB_SEED_DIR="$CORPUS" "$BUILD/tests/test_codec_container" --gtest_filter='Corpus.WriteFuzzSeeds' >/dev/null
