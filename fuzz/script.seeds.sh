#!/bin/sh
# Seeds for fuzz_script: a mode byte (odd: a script; even: parameter text),
# then the text.
set -eu
corpus="$2"
printf '\001VARSET a 5\n:L\nCOMPUTE a = a - 1\nIF a > 0 GOTO "L" ; VARSET b "x%%a%%y"\nGOSUB "S"\nEND\n:S\nVARPUSH a b\nVARPOP\nRETURN\n' >"$corpus/seed1"
printf '\001STRPIECE x 2 3 "abcdef"\nSTRFIRST a b ","\nIFSET "abc" @= "ABC" c 1 0\nINTERPRET "VARSET d 1 ; VARFREE d"\nCOMPUTESQRT e 4294967295\n' >"$corpus/seed2"
printf '\000a, "q %%a%% %%B%%" <>= @< -5 -x 5abc $ # ; * / + | ^ %% &' >"$corpus/seed3"
printf '\003  = < > @= "unterminated %%a' >"$corpus/seed4"
printf '\001BITMAPALLOC a 40 30\nBITMAPALLOC b 9 7\nBITMAPCLEAR a 3\nBITMAPLINE a -5 -9 60 44 300\nBITMAPBOX b 1 1 9 9 2\nBITMAPFILLEDBOX a 30 20 99 99 4\nBITMAPTOBITMAPMERGE b a a 5 5 3\nBITMAPTOBITMAPTRANS a b 35 25 0\nBITMAPTOBITMAP a a 1 1\nBITMAPSETPALETTEVALUE a 300 16777215\nBITMAPGETBRIGHTESTPALETTEINDEX x a\nBITMAPGETPIXEL p a 99 -1\nBITMAPTEXT b -3 2 "Hi"\nBITMAPFREE a\n' >"$corpus/seed5"
