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
    DISPLAY_AUTOMATIC = 0,    /* "Automatic": try 5, then 4 */
    DISPLAY_FULL_320X240 = 1, /* "Full screen 320x240" */
    DISPLAY_FULL_320X200 = 2, /* "Full screen 320x200" */
    DISPLAY_FULL_DIRECT = 3,  /* "Full screen 320x200 direct": the buffer is the screen */
    DISPLAY_DIBS = 4,         /* "Standard Windows DIBs": 8-bit surface scaled to the window */
    DISPLAY_DIBSECTION = 5,   /* "DIBSection": streaming texture, optionally written by the blitter */

    /* Option bits of a DisplayOpen request. */
    DISPLAY_OPT_NO_DIRECT = 0x80, /* "no DirectDraw": no direct writing by the blitter */
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

struct DisplayPrivate; /* the SDL objects behind a record */
struct SDL_Window;

/* One open display. */
typedef struct ZorbDisplay {
    int32_t BottomUp;      /* 1 when buffer rows are stored bottom-up */
    int32_t RectMode;      /* ZorbNextDirtyRect mode: 0 merged, 1 bounding, 2 none */
    int32_t Mode;          /* 1-5 */
    int32_t FullScreen;    /* 1 for modes 1-3 */
    int32_t Width, Height; /* picture size */
    int32_t Pitch;         /* bytes per buffer row: Width rounded up to a multiple of 8 */
    int32_t Stretched;     /* the output size differs from the picture size */
    int32_t OutWidth, OutHeight;
    uint32_t ScreenColours; /* 2^(bits per pixel), at most 2^24 */
    int32_t PaletteEntries;
    int32_t UsableEntries;
    int32_t FirstUsable, EndUsable;
    uint8_t Palette[256 * 4]; /* blue, green, red, 0 */
    uint32_t PaletteFormat;   /* always 6: 4-byte entries, blue first */
    int32_t RepaintAll;       /* repaint the whole picture at the next drawing */
    int32_t HasDrawn;
    uint8_t *Buffer;            /* Height rows of Pitch bytes */
    uint8_t *SavedScreen;       /* mode 3: copy held while inactive */
    int32_t Active;             /* full-screen modes: the display window is active */
    struct SDL_Window *Window;  /* the playback window */
    ZorbBlitter *ScreenBlitter; /* mode 5 with direct writing */
    int32_t OnScreen, FirstDirectDone;
    int32_t BatchMode; /* DISPLAY_BATCH_* */
    DisplayRect *BatchList;
    int32_t BatchNext;
    int32_t BatchCapacity;
    int32_t BatchCount;
    struct DisplayPrivate *Private;
} ZorbDisplay;

/* ---- Display ----------------------------------------------------------------- */

/* Chooses and prepares a display mode for a picture of width x height on the
   given window (an SDL_Window). request: the mode (0-5) plus option bits
   (DISPLAY_OPT_*). A stretch size of 0 means the picture size. "Automatic"
   tries 5, then 4 (which always succeeds); a specific request that cannot be
   met returns null. Null also when allocation fails. */
ZorbDisplay *DisplayOpen(struct SDL_Window *window, uint32_t request, int32_t width, int32_t height,
                         int32_t stretchWidth, int32_t stretchHeight);

/* Frees the record and its SDL objects; a full-screen window becomes a window again. */
void DisplayClose(ZorbDisplay *display);

/* Puts the rectangle (srcX, srcY, width, height) of the picture on the screen.
   The picture always fills the window, scaled to OutWidth x OutHeight, so
   dstX and dstY (callers pass the source position) are not needed here.
   Returns DISPLAY_REPAINTED (256) when the whole picture was drawn instead
   (callers then stop sending rectangles), else 0. context: unused, pass null. */
int32_t DisplayDraw(ZorbDisplay *display, void *context, int32_t dstX, int32_t dstY, int32_t srcX, int32_t srcY,
                    int32_t width, int32_t height);

/* Start collecting rectangles / draw the collected ones in one pass and show
   the result. The end of a batch is the end of a frame's drawing: with
   ZORB_CAPTURE set, the picture is written out there (docs/display.md). */
void DisplayBeginBatch(ZorbDisplay *display);
void DisplayEndBatch(ZorbDisplay *display);

/* Draws the collected rectangles and shows the result as DisplayEndBatch
   does, without ending a frame (nothing is captured); collecting stops. For
   callers that draw a little at a time and show it now and then. */
void DisplayFlushBatch(ZorbDisplay *display);

/* Takes a new palette (256 entries in the palette-format flags of blit.h). */
void DisplaySetPalette(ZorbDisplay *display, const void *palette, uint32_t format);

/* Puts the record's palette into effect again (after the window system asked). */
void DisplayRealizePalette(ZorbDisplay *display);

/* Fills Width bytes of every buffer row with the colour index. */
void DisplayClear(ZorbDisplay *display, int32_t colour);

/* Full-screen modes: the display is the active one; otherwise the window has
   the keyboard focus. */
int32_t DisplayIsActive(ZorbDisplay *display);

/* The mode's description (at least 96 bytes), e.g. "DIBSection with
   accelerated blitting (16-bit 2x using MMX)". Returns text. */
char *DisplayDescribe(ZorbDisplay *display, char *text);

/* 1 = 640x400, 2 = 640x480, 3 = 800x600, 4 = 1024x768: the full-screen modes
   use a display mode of that size (only the size changes); 0 goes back to the
   desktop's mode; 5 or more do nothing. Returns 1 on success, else 0. */
int32_t DisplaySetResolution(int32_t which);

/* The name of a mode number (0-5). */
const char *DisplayModeName(int32_t mode);

/* ---- A decoded frame on the display --------------------------------------------- */

struct ZorbHandle;

/* Points the decoder's output (ZorbSetOutput) at the display buffer, position
   0,0, with the record's pitch, height and orientation. */
void DisplayAttach(ZorbDisplay *display, struct ZorbHandle *handle);

/* Draws the changed rectangles of the last decoded frame (ZorbNextDirtyRect
   with the record's RectMode) as one batch, stopping at a whole-picture
   repaint; the batch's end shows (and captures) the frame. */
void DisplayDrawChanges(ZorbDisplay *display, struct ZorbHandle *handle);

/* ---- Window --------------------------------------------------------------- */

/* Display flags of the players (low 5 bits: 25 DIBSection, 24 standard DIBs,
   23 full screen 320x200, 22 full screen 320x240, else automatic). */
enum {
    WINDOW_MODE_MASK = 0x1F,
    WINDOW_NO_DIRECT = 0x20,
    WINDOW_SMOOTH = 0x40,
    WINDOW_INTERLACED = 0x80,
    WINDOW_DOUBLE_BUFFER = 0x100, /* with 23: the buffered 320x200 mode, else the direct one */
    WINDOW_NO_CAPTION = 0x200,
    WINDOW_KEEP_PICTURE = 0x1000, /* don't clear a reused buffer */
    WINDOW_NO_DIALOG_FRAME = 0x4000,
    WINDOW_THIN_BORDER = 0x8000
};

/* Translates the players' display flags into a DisplayOpen request. */
uint32_t WindowModeRequest(uint32_t flags);

/* Creates the window on first use (titled with the name given to
   WindowSetName), and the display for a width x height picture at x, y
   (-1: centred); reuses a full-screen display that is large enough. Returns
   the window's display, or null when it cannot be opened. */
ZorbDisplay *WindowOpen(int32_t width, int32_t height, int32_t x, int32_t y, uint32_t flags);

/* Why the last WindowOpen failed, in words ("" when it did not). */
const char *WindowLastError(void);

/* Destroys the window and closes its display; the description and the screen
   colours stay available for the summary. */
void WindowClose(void);

void WindowSetName(const char *name);                 /* title of the window to be created */
void WindowSetTitle(const char *title);               /* the open window's title */
void WindowSetStretch(int32_t width, int32_t height); /* the player's /W and /H (0: none) */
struct SDL_Window *WindowHandle(void);                /* null before WindowOpen */
ZorbDisplay *WindowDisplay(void);                     /* the window's display */

/* Handles pending window events (keys, buttons, focus, repaint, close).
   Returns 0 once the window system asked the program to quit, else 1. */
int32_t WindowPump(void);

/* Sleeps until a window event is pending or ms milliseconds have passed
   (the event stays queued). Returns 1 when an event is pending. */
int32_t WindowWaitEvent(uint32_t ms);

/* The system pointer's last position over the picture, in picture
   coordinates (from the window's mouse events). Returns 1 when it is over the
   picture; otherwise 0 with -1, -1. */
int32_t WindowPointer(int32_t *x, int32_t *y);
/* Moves the system pointer to a picture position in the window. */
void WindowSetPointer(int32_t x, int32_t y);
/* Shows or hides the system pointer over the program's windows. */
void WindowShowPointer(int32_t show);

/* Release counts of the left and right mouse buttons since the start. */
uint32_t WindowLeftReleases(void);
uint32_t WindowRightReleases(void);

/* Kept at WindowClose for the summary: the display description and the screen's colour count. */
const char *WindowLastDescription(void);
uint32_t WindowScreenColours(void);

/* ---- Keys ----------------------------------------------------------------------- */

/* Key codes beyond plain characters. */
enum {
    KEY_F1 = 208,     /* F1-F10: 208-217; with Shift 218-227; with Ctrl 228-237 */
    KEY_ALT_F1 = 238, /* Alt+F1-F10: 238-247 */
    KEY_PAGE_UP = 161,
    KEY_PAGE_DOWN = 162,
    KEY_END = 163,
    KEY_HOME = 164,
    KEY_LEFT = 165,
    KEY_UP = 166,
    KEY_RIGHT = 167,
    KEY_DOWN = 168,
    KEY_INSERT = 173,
    KEY_DELETE = 174,
    KEY_SHIFT_TAB = 137,
    KEY_CLOSE = 241 /* the window was closed */
};

/* Pump events; nonzero when a key code is queued (at most 64 are kept). */
int32_t KeyAvailable(void);
/* Pump events until a key code is queued, then remove and return the oldest.
   Without a window (none open, or closed) it returns KEY_CLOSE at once when
   nothing is queued. */
int32_t KeyGet(void);

/* ---- Messages --------------------------------------------------------------------- */

/* Installs the graphical message box into the platform's message output when a
   display is available and standard error is not a terminal. Returns 1 when
   installed. WindowOpen calls it. */
int32_t DisplayInstallMessageBox(void);

#ifdef __cplusplus
}
#endif

#endif
