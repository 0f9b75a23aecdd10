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

/* One file, one buffer, a logical position, reads and writes on the same
   handle, bit fields of 1 to 32 bits least significant bit first, numbers
   little-endian. Every call accepts a null or closed handle and then returns
   0 (VEXFileAtEnd returns true). Names accept '\\' and '/' as separators. */
typedef struct VEXFILE VEXFILE;

#define VEXFILE_READ 250      /* open mode: read only */
#define VEXFILE_READWRITE 251 /* open mode: read and write */

/* bufferSize: its magnitude is the buffer's size, 0 = unbuffered. */
VEXAPI VEXFILE *VEXFileOpen(int32_t bufferSize, const char *name, int32_t mode);
VEXAPI VEXFILE *VEXFileCreate(int32_t bufferSize, const char *name); /* truncates */
VEXAPI void VEXFileClose(VEXFILE *f);
VEXAPI uint32_t VEXFileBitPos(VEXFILE *f);
VEXAPI uint32_t VEXFileSize(VEXFILE *f);
VEXAPI uint32_t VEXFileGetPos(VEXFILE *f);
VEXAPI uint32_t VEXFileSetPos(VEXFILE *f, uint32_t position); /* returns the position before */
VEXAPI int VEXFileIsInBuffer(VEXFILE *f, uint32_t position);
VEXAPI int VEXFileAtEnd(VEXFILE *f);
VEXAPI void VEXFileByteAlign(VEXFILE *f);
VEXAPI void VEXFileFlush(VEXFILE *f);
VEXAPI uint32_t VEXFileGetNB(VEXFILE *f, void *destination, uint32_t count); /* ignores the bit state */
VEXAPI uint32_t VEXFileGet(VEXFILE *f, void *destination, uint32_t count);
VEXAPI uint32_t VEXFileGet8(VEXFILE *f);
VEXAPI uint32_t VEXFileGet16(VEXFILE *f);
VEXAPI uint32_t VEXFileGet32(VEXFILE *f);
VEXAPI uint32_t VEXFileGetBits(VEXFILE *f, uint32_t count);
VEXAPI uint32_t VEXFilePutNB(VEXFILE *f, const void *source, uint32_t count); /* ignores the bit state */
VEXAPI uint32_t VEXFilePut(VEXFILE *f, const void *source, uint32_t count);
VEXAPI uint32_t VEXFilePut8(VEXFILE *f, uint32_t value);
VEXAPI uint32_t VEXFilePut16(VEXFILE *f, uint32_t value);
VEXAPI uint32_t VEXFilePut32(VEXFILE *f, uint32_t value);
VEXAPI uint32_t VEXFilePutBits(VEXFILE *f, uint32_t value, uint32_t count);
/* Copies at most 127 characters and the NUL into destination (when given). */
VEXAPI char *VEXFileGetName(VEXFILE *f, char *destination);
VEXAPI char *VEXFileGetLine(VEXFILE *f, char *buffer, uint32_t size);
/* The modification time in units of 2^32 x 100 ns (about 7 minutes). */
VEXAPI uint32_t VEXFileGetTime(VEXFILE *f);
VEXAPI int VEXFileSetTime(VEXFILE *f, uint32_t time);
VEXAPI int VEXFileErase(const char *name);

/* ==== Status window, switches, strings, file names, memory ================== */

/* 16-byte aligned blocks. Size 0 or negative gives null silently; when memory
   runs out "Error: ran out of memory!" is shown and null returned. */
VEXAPI void *vexmalloc(int32_t size);
VEXAPI void vexfree(void *block);

/* ==== Huffman statistics and encoder (Huff) ================================== */

/* ==== Flic reader (VEXFlic) =================================================== */

/* ==== Graphics input (GFile) and palette reduction ============================ */

/* ==== Sound input (SFile) and sound chunk encoder (CSFile) ==================== */

#ifdef __cplusplus
}
#endif

#endif
