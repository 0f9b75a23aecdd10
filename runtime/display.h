/* The display layer: the playback window, the 8-bit picture buffer the decoder
   writes into, and putting that buffer on the screen (SDL2). See docs/display.md. */
#ifndef ZORB_RUNTIME_DISPLAY_H
#define ZORB_RUNTIME_DISPLAY_H

#include <stdint.h>

#include "runtime/blit.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Display modes (ZorbDisplay.Mode; 0 is a request only). */
enum {
    DISPLAY_AUTOMATIC = 0,     /* "Automatic": try 5, then 4 */
    DISPLAY_FULL_320X240 = 1,  /* "Full screen 320x240" */
    DISPLAY_FULL_320X200 = 2,  /* "Full screen 320x200" */
    DISPLAY_FULL_DIRECT = 3,   /* "Full screen 320x200 direct": the buffer is the screen */
    DISPLAY_DIBS = 4,          /* "Standard Windows DIBs": 8-bit surface scaled to the window */
    DISPLAY_DIBSECTION = 5     /* "DIBSection": streaming texture, optionally written by the blitter */
};

/* Option bits of a DisplayOpen request. */
enum {
    DISPLAY_OPT_NO_DIRECT = 0x80,     /* "no DirectDraw": no direct writing by the blitter */
    DISPLAY_OPT_SMOOTH = 0x100,
    DISPLAY_OPT_INTERLACED = 0x200
};

/* Batch states. */
enum { DISPLAY_BATCH_OFF = 0, DISPLAY_BATCH_REPLAY = 1, DISPLAY_BATCH_COLLECT = 2 };

/* DisplayDraw's answer when it repainted the whole picture. */
#define DISPLAY_REPAINTED 256

/* A collected rectangle (six 32-bit values). */
typedef struct DisplayRect {
    int32_t DstX, DstY, SrcX, SrcY, Width, Height;
} DisplayRect;

struct DisplayPrivate;  /* the SDL objects behind a record */

/* One open display. */
typedef struct ZorbDisplay {
    int32_t BottomUp;        /* 1 when buffer rows are stored bottom-up */
    int32_t RectMode;        /* ZorbNextDirtyRect mode: 0 merged, 1 bounding, 2 none */
    int32_t Mode;            /* 1-5 */
    int32_t FullScreen;      /* 1 for modes 1-3 */
    int32_t Width, Height;   /* picture size */
    int32_t Pitch;           /* bytes per buffer row: Width rounded up to a multiple of 8 */
    int32_t Stretched;       /* the output size differs from the picture size */
    int32_t OutWidth, OutHeight;
    uint32_t ScreenColours;  /* 2^(bits per pixel), at most 2^24 */
    int32_t PaletteEntries;
    int32_t UsableEntries;
    int32_t FirstUsable, EndUsable;
    uint8_t Palette[256 * 4];  /* blue, green, red, 0 */
    uint32_t PaletteFormat;    /* always 6: 4-byte entries, blue first */
    int32_t RepaintAll;        /* repaint the whole picture at the next drawing */
    int32_t HasDrawn;
    uint8_t *Buffer;           /* Height rows of Pitch bytes */
    uint8_t *SavedScreen;      /* mode 3: copy held while inactive */
    int32_t Active;            /* full-screen modes: the display window is active */
    ZorbBlitter *ScreenBlitter;  /* mode 5 with direct writing */
    int32_t OnScreen, FirstDirectDone;
    int32_t BatchMode;         /* DISPLAY_BATCH_* */
    DisplayRect *BatchList;
    int32_t BatchNext;
    int32_t BatchCapacity;
    int32_t BatchCount;
    struct DisplayPrivate *Private;
} ZorbDisplay;

#ifdef __cplusplus
}
#endif

#endif
