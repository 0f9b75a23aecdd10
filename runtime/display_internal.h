// The display layer's private side: the SDL objects behind a record and the
// process-wide state shared by the display, window and key files.
#ifndef ZORB_RUNTIME_DISPLAY_INTERNAL_H
#define ZORB_RUNTIME_DISPLAY_INTERNAL_H

#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/display.h"

// The frame a borderless playback window draws itself: none, a thin
// one-pixel border, or a three-pixel dialog frame.
enum class FrameStyle { None, Thin, Dialog };

// Direct writing in 32-bit colour (screens deeper than 16 bits).
enum class DeepMode { None, One, Double, Interlaced, Smooth };

// The SDL objects behind a record.
struct DisplayPrivate {
    SDL_Renderer *renderer = nullptr;
    SDL_Texture *texture = nullptr; // the picture (or the doubled picture with direct writing)
    SDL_Surface *indexed = nullptr; // 8-bit surface over Buffer, rows in memory order
    SDL_Surface *rgb = nullptr;     // its conversion (not with direct writing)
    std::vector<uint16_t> direct;   // direct writing: the 16-bit picture the blitter writes
    DeepMode deep = DeepMode::None; // direct writing in 32-bit colour instead
    std::vector<uint32_t> direct32; // its picture, its colours and its smoothing table
    std::vector<uint32_t> colours32, pairs32;
    int directScale = 1;                 // 1 or 2
    bool smoothing = false;              // the screen blitter smooths: neighbours matter
    uint32_t request = 0;                // the DisplayOpen request with its option bits
    SDL_Rect place{};                    // where the texture goes in the renderer's logical area
    FrameStyle frame = FrameStyle::None; // drawn around it (windowed displays)
    int logicalW = 0, logicalH = 0;
    bool dirty = false; // the texture changed since the last present
    bool wasFullScreen = false;
};

namespace zorb::display {

using Private = ::DisplayPrivate;

inline Private *P(ZorbDisplay *d)
{
    return d->Private;
}

int FrameWidth(FrameStyle style); // in pixels

// Process-wide: the screen, the resolution request, capture.
struct Screen {
    bool known = false;
    int bitsPerPixel = 32;
    uint32_t colours = 1u << 24;
    int resolution = 0;                  // DisplaySetResolution value in force (0: desktop)
    FrameStyle frame = FrameStyle::None; // drawn around windowed pictures (borderless windows)
};
Screen &TheScreen();
// Why the last DisplayOpen failed, in words ("" after a success).
const std::string &DisplayOpenError();
void ReadScreenOnce();
bool VideoReady(); // SDL's video subsystem is up (initialised on demand)

// Shows the whole texture (the picture's current state) in the window.
void Present(ZorbDisplay *d);
// Converts or blits the rectangle of the picture into the texture.
void Upload(ZorbDisplay *d, int x, int y, int w, int h);
// Draws the whole picture (repaint).
void RepaintWhole(ZorbDisplay *d);
// Renders the picture as Present does, without showing it, and reads the
// window's pixels back (tests).
bool ReadShown(ZorbDisplay *d, std::vector<uint32_t> &argb, int &width, int &height);
// 32-bit direct writing: prepares the texture (false when it cannot be
// had), takes the record's palette, writes a rectangle (clipped by the
// caller) into the texture, and describes itself ("32-bit 2x").
bool PrepareDeep(ZorbDisplay *d, DeepMode mode);
void DeepPalette(ZorbDisplay *d);
void DeepUpload(ZorbDisplay *d, int x, int y, int w, int h);
const char *DeepDescription(const ZorbDisplay *d);
// Bits per pixel of direct writing: 16 (the screen blitter), 32, or 0 (none).
int DirectBits(const ZorbDisplay *d);

// Full-screen activation changes.
void SetActive(ZorbDisplay *d, bool active);

// Capture (ZORB_CAPTURE=DIR): writes the picture and palette in effect.
void CaptureFrame(const ZorbDisplay *d);
void ResetCaptureForTests();

// Key translation, exposed for tests: the code an SDL event queues, or -1.
int KeyCodeOf(const SDL_Event &e);
void QueueKey(int code);

} // namespace zorb::display

#endif
