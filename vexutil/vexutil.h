/* libvexutil: the utility library of the Zorblax toolkit's command-line tools.
   Bit-level buffered file I/O, the Huffman encoder, graphics, flic and sound
   input, graphics and flic output, palette reduction, the sound chunk encoder,
   the status window and string utilities. C interface; only the names declared
   here with VEXAPI are exported from libvexutil.so. */
#ifndef VEXUTIL_H
#define VEXUTIL_H

#include <stddef.h>
#include <stdint.h>

#define VEXAPI __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/* ==== Buffered bit-level file I/O (VEXFile) ================================ */

/* ==== Status window, switches, strings, file names, memory ================== */

/* ==== Huffman statistics and encoder (Huff) ================================== */

/* ==== Flic reader (VEXFlic) =================================================== */

/* ==== Graphics input (GFile) and palette reduction ============================ */

/* ==== Sound input (SFile) and sound chunk encoder (CSFile) ==================== */

#ifdef __cplusplus
}
#endif

#endif
