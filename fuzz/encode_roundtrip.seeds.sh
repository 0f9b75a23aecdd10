#!/bin/sh
# Seeds of fuzz_encode_roundtrip: a few pictures of every size class, from
# one colour to many, with and without a ring frame.
# Usage: fuzz/encode_roundtrip.seeds.sh BUILD_DIR CORPUS_DIR
set -eu
CORPUS="$2"
mkdir -p "$CORPUS"
i=0
for head in '\000\000\000\000' '\007\007\375\006' '\003\005\102\001' '\001\006\203\005'; do
  { printf "$head"; head -c 1200 /dev/urandom; } > "$CORPUS/seed$i"
  i=$((i + 1))
done
