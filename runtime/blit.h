/* The blitter: copies rectangles of 8-bit palettised pixels into 8-bit or
   16-bit destinations, unchanged, doubled, doubled and interlaced, or doubled
   with smoothing; transparent, masked and merged copies; rectangle fill; and
   copies between two display buffers. Exported by the player programs under
   these names (C linkage). */
#ifndef ZORB_RUNTIME_BLIT_H
#define ZORB_RUNTIME_BLIT_H

#include <stdint.h>

#define ZORBBLITAPI __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Flags --------------------------------------------------------------- */

enum {
    ZORB_BLIT_DOUBLE = 0x2,    /* 2x in both directions */
    ZORB_BLIT_SMOOTH = 0x4,    /* 2x with smoothing (needs a pair table) */
    ZORB_BLIT_INTERLACED = 0x8 /* 2x, every other destination line */
};
#define ZORB_BLIT_16BIT_ANY 0x40000000u /* any flags value >= this: 16-bit output */
#define ZORB_BLIT_16BIT_555 0x80000000u /* red 10-14, green 5-9, blue 0-4 */
#define ZORB_BLIT_16BIT_565 0xC0000000u /* red 11-15, green 5-10, blue 0-4 */

/* Palette-format flags (shared with the display layer and the codec's colour
   remap). Default: 3-byte entries R, G, B. */
enum {
    ZORB_PALFMT_16BIT = 0x1, /* every component stored in 16 bits (low byte used) */
    ZORB_PALFMT_BGR = 0x2,   /* components in the order B, G, R */
    ZORB_PALFMT_4BYTE = 0x4, /* 4-byte entries */
    ZORB_PALFMT_SKIP1 = 0x8  /* with 0x4: components start at the entry's second byte */
};

/* Modes (ZorbBlitter.Mode). */
enum {
    ZORB_BLIT_MODE_8_1X = 0,
    ZORB_BLIT_MODE_8_2X = 1,
    ZORB_BLIT_MODE_8_2X_INTERLACED = 2,
    ZORB_BLIT_MODE_8_2X_SMOOTH = 3,
    ZORB_BLIT_MODE_16_1X = 6,
    ZORB_BLIT_MODE_16_2X = 7,
    ZORB_BLIT_MODE_16_2X_INTERLACED = 8,
    ZORB_BLIT_MODE_16_2X_SMOOTH = 9
};

/* Longest description ("16-bit 2x Interlaced using MMX") plus room. */
#define ZORB_BLIT_STRING_SIZE 40

/* ---- Handle -------------------------------------------------------------- */

/* The tables follow the header in the same allocation. */
typedef struct ZorbBlitter {
    uint32_t Flags;              /* flags last given to open or set-flags */
    uint8_t *Palette;            /* 256 x R, G, B; 16-bit or smoothing handles only */
    uint32_t Reserved;           /* always 0 */
    void *PairTable;             /* 65536 entries of 1 (8-bit) or 2 (16-bit) bytes; smoothing handles only */
    uint16_t *ColourTable;       /* 16-bit colour of each index; 16-bit handles only */
    uint32_t Mode;               /* 0-3, 6-9 */
    uint32_t PaletteVersion;     /* incremented whenever a different palette is set */
    uint32_t ColourTableVersion; /* PaletteVersion the colour table was built for */
    uint32_t PairTableVersion;   /* PaletteVersion the pair table was built for */
    uint32_t PairTableBits;      /* 8 or 16: kind of pair table built (0: none yet) */
    uint32_t PaletteNeverSet;    /* 1 after open, 0 after the first palette */
} ZorbBlitter;

/* The display layer's record (runtime/display.h). The buffer-to-buffer calls
   use its BottomUp, Width, Height, Pitch and Buffer fields. */
struct ZorbDisplay;

/* ---- Calls --------------------------------------------------------------- */
/* Every call accepts a null handle and then does nothing (and returns 0). */

/* A new handle for the given flags; null when out of memory. Opening with 16-bit
   output allocates the colour table, opening with 0x4 the pair table; both keep
   a palette. */
ZORBBLITAPI ZorbBlitter *ZorbBlitOpen(uint32_t flags);

/* Takes a new palette (256 entries in the given palette format). Returns 0 when
   the handle keeps no palette or the palette is unchanged; otherwise 1 when the
   current mode's output depends on the palette (16-bit or smoothing), else 0. */
ZORBBLITAPI uint32_t ZorbBlitSetPalette(ZorbBlitter *handle, const void *palette, uint32_t format);

/* Changes the mode. Returns 1, or 0 (nothing changed) when the handle lacks the
   table the new flags need. */
ZORBBLITAPI uint32_t ZorbBlitSetFlags(ZorbBlitter *handle, uint32_t flags);

/* Fills text (at least ZORB_BLIT_STRING_SIZE bytes) with the mode's description
   and returns it. */
ZORBBLITAPI char *ZorbBlitString(ZorbBlitter *handle, char *text);

/* Copies a width x height rectangle of source pixels at (srcX, srcY) to the
   destination at (dstX, dstY) in destination pixels (doubling modes: the caller
   passes doubled positions). Pitches are in bytes and may be negative. No
   clipping: the rectangles must lie inside both surfaces. */
ZORBBLITAPI void ZorbBlit(ZorbBlitter *handle, void *dst, int32_t dstPitch, int32_t dstX, int32_t dstY, const void *src,
                          int32_t srcPitch, int32_t srcX, int32_t srcY, int32_t width, int32_t height);

/* Mode 0 only: source pixels equal to transparent are not written. */
ZORBBLITAPI void ZorbBlitTrans(ZorbBlitter *handle, void *dst, int32_t dstPitch, int32_t dstX, int32_t dstY,
                               const void *src, int32_t srcPitch, int32_t srcX, int32_t srcY, int32_t width,
                               int32_t height, uint32_t transparent);

/* Mode 0 only: where the mask (addressed like the source) equals transparent the
   destination keeps its pixel, elsewhere the source pixel is written. */
ZORBBLITAPI void ZorbBlitMask(ZorbBlitter *handle, void *dst, int32_t dstPitch, int32_t dstX, int32_t dstY,
                              const void *src, int32_t srcPitch, int32_t srcX, int32_t srcY, int32_t width,
                              int32_t height, uint32_t transparent, const void *mask);

/* Mode 0 only: the source pixel, or where it equals transparent the pixel of the
   second source (addressed like the source). */
ZORBBLITAPI void ZorbBlitMerge(ZorbBlitter *handle, void *dst, int32_t dstPitch, int32_t dstX, int32_t dstY,
                               const void *src, int32_t srcPitch, int32_t srcX, int32_t srcY, int32_t width,
                               int32_t height, uint32_t transparent, const void *src2);

/* Fills a rectangle. 8-bit modes: the low byte of |colour|. 16-bit modes: a
   negative colour c fills with the 16-bit value -c, otherwise colour is a
   palette index (its low byte) looked up in the colour table. */
ZORBBLITAPI void ZorbBlitClear(ZorbBlitter *handle, void *dst, int32_t dstPitch, int32_t x, int32_t y, int32_t width,
                               int32_t height, int32_t colour);

ZORBBLITAPI void ZorbBlitClose(ZorbBlitter *handle);

/* Copies between two display buffers (8-bit). Positions are picture
   coordinates, y counted from the top, for both buffers; bottom-up buffers are
   walked upward. The rectangle is clipped to both buffers. A null buffer does
   nothing. Mask and Merge need the source and the mask (or second source) to
   have the same orientation and pitch, and do nothing otherwise. */
ZORBBLITAPI void ZorbBufferToBuffer(struct ZorbDisplay *dst, int32_t dstX, int32_t dstY, const struct ZorbDisplay *src,
                                    int32_t srcX, int32_t srcY, int32_t width, int32_t height);
ZORBBLITAPI void ZorbBufferToBufferTrans(struct ZorbDisplay *dst, int32_t dstX, int32_t dstY,
                                         const struct ZorbDisplay *src, int32_t srcX, int32_t srcY, int32_t width,
                                         int32_t height, uint32_t transparent);
ZORBBLITAPI void ZorbBufferToBufferMask(struct ZorbDisplay *dst, int32_t dstX, int32_t dstY,
                                        const struct ZorbDisplay *src, int32_t srcX, int32_t srcY, int32_t width,
                                        int32_t height, uint32_t transparent, const struct ZorbDisplay *mask);
ZORBBLITAPI void ZorbBufferToBufferMerge(struct ZorbDisplay *dst, int32_t dstX, int32_t dstY,
                                         const struct ZorbDisplay *src, int32_t srcX, int32_t srcY, int32_t width,
                                         int32_t height, uint32_t transparent, const struct ZorbDisplay *src2);

#ifdef __cplusplus
}
#endif

#endif
