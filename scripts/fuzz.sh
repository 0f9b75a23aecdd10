#!/bin/sh
# Builds the libFuzzer targets with clang and runs each for a bounded time.
# Usage: scripts/fuzz.sh [BUILD_DIR] [SECONDS_PER_TARGET]
# A target's seed corpus is written by fuzz/<name>.seeds.sh BUILD_DIR CORPUS_DIR
# when that script exists (it usually runs a generator program of the build).
set -eu
cd "$(dirname "$0")/.."
BUILD="${1:-build-fuzz}"
SECONDS_PER="${2:-60}"
# A build directory configured before (for example CI's sanitizer build, made
# with clang and ZORB_FUZZ=ON) is used as it is; a new one is configured for
# the fuzzers alone.
if ! grep -qs '^ZORB_FUZZ:BOOL=ON' "$BUILD/CMakeCache.txt"; then
  CC=clang CXX=clang++ cmake -S . -B "$BUILD" -G Ninja -DZORB_FUZZ=ON -DZORB_TESTS=ON -DZORB_BENCH=OFF \
      -DZORB_FRONTEND=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZORB_SANITIZE=ON
fi
cmake --build "$BUILD" -j2 --target fuzz_all
status=0
for exe in "$BUILD"/fuzz/fuzz_*; do
  [ -x "$exe" ] || continue
  name=$(basename "$exe")
  corpus="$BUILD/corpus/$name"
  mkdir -p "$corpus"
  seeds="fuzz/${name#fuzz_}.seeds.sh"
  if [ -x "$seeds" ]; then
    "$seeds" "$BUILD" "$corpus"
  fi
  echo "fuzz: $name for ${SECONDS_PER}s" >&2
  if ! "$exe" -max_total_time="$SECONDS_PER" -timeout=10 -rss_limit_mb=2048 \
       -artifact_prefix="$BUILD/" "$corpus" 2>"$BUILD/$name.log"; then
    tail -40 "$BUILD/$name.log" >&2
    status=1
  fi
done
exit $status
