#!/bin/sh
# Seeds for fuzz_vexutil_text: a switch letter, then a command line.
set -eu
corpus="$2"
printf 'S in.flc /S12 "out file.zbx" /Tname /P /F-5' >"$corpus/seed1"
printf 'T/T"a b" C:\\dir\\..\\x.zbx ,rest' >"$corpus/seed2"
printf '#/#4242 "unterminated /O' >"$corpus/seed3"
