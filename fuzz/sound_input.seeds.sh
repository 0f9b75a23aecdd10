#!/bin/sh
# Seed corpus of fuzz_sound_input: small wave files of the four sample formats
# behind the two selector bytes, and a headerless file.
# Usage: fuzz/sound_input.seeds.sh BUILD_DIR CORPUS_DIR
set -eu
CORPUS="$2"
mkdir -p "$CORPUS"
# wave CHANNELS BITS: a 44-byte header and 16 data bytes (little-endian fields in octal escapes).
wave() {
    case "$1$2" in
        18) fmt='\001\000\001\000\100\037\000\000\100\037\000\000\001\000\010\000' ;;
        28) fmt='\001\000\002\000\100\037\000\000\200\076\000\000\002\000\010\000' ;;
        116) fmt='\001\000\001\000\100\037\000\000\200\076\000\000\002\000\020\000' ;;
        *) fmt='\001\000\002\000\100\037\000\000\000\175\000\000\004\000\020\000' ;;
    esac
    printf 'RIFF\064\000\000\000WAVEfmt \020\000\000\000'"$fmt"'data\020\000\000\000'
    printf '\200\201\177\000\377\020\040\060\200\200\001\002\003\004\005\006'
}
n=0
for f in "1 8" "2 8" "1 16" "2 16"; do
    for sel in '\000\000' '\050\011' '\204\103' '\004\007'; do
        { printf "$sel"; wave $f; } > "$CORPUS/seed_$n"
        n=$((n + 1))
    done
done
{ printf '\103\021'; printf '\000\001\002\003\004\005\006\007\010\011\012\013'; } > "$CORPUS/seed_raw"
# Zorblax and AVI files from the tests' generators.
cmake --build "$1" -j2 --target test_sound_input >/dev/null
ZORB_SEED_DIR="$CORPUS" "$1/tests/test_sound_input" --gtest_filter='SoundCorpus.WriteFuzzSeeds' >/dev/null
