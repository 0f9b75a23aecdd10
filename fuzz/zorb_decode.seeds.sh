#!/bin/sh
# Seed corpus of fuzz_zorb_decode: small generated .zbx files of every kind
# (height modes, ring frames, sound tracks in all four variants, raw tracks)
# and damaged variants of them, written by the decode tests.
# Usage: fuzz/zorb_decode.seeds.sh BUILD_DIR CORPUS_DIR
set -eu
BUILD="$1"
CORPUS="$2"
mkdir -p "$CORPUS"
cmake --build "$BUILD" -j2 --target test_decode >/dev/null
ZORB_SEED_DIR="$CORPUS" "$BUILD/tests/test_decode" --gtest_filter='Corpus.WriteDecodeSeeds' >/dev/null
