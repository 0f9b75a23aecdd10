// Process-wide choice between the plain and the wide ("MMX") inner loops,
// shared by the decoder and the blitter. The wide loops use SSE2 on x86-64;
// both kinds give identical output.
#ifndef ZORB_CODEC_CPU_H
#define ZORB_CODEC_CPU_H

#include <stdint.h>

#include "codec/zorb.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Detection word bits. */
enum {
    ZORB_CPU_HAS_WIDE = 0x1, /* the processor can run the wide loops */
    ZORB_CPU_DETECTED = 0x2, /* detection has run */
    ZORB_CPU_WIDE_OFF = 0x4  /* switched off with ZorbSetMMX(0) */
};

/* ZorbSetMMX (codec/zorb.h) sets the choice. */

/* The resulting level, computed on first need: 1 = plain loops, 2 = wide loops. */
int ZorbMMXLevel(void);

/* The detection word (runs detection on first call). */
uint32_t ZorbCpuWord(void);

#ifdef __cplusplus
}
#endif

#endif
