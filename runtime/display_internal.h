// The display layer's private side: the SDL objects behind a record and the
// process-wide state shared by the display, window and key files.
#ifndef ZORB_RUNTIME_DISPLAY_INTERNAL_H
#define ZORB_RUNTIME_DISPLAY_INTERNAL_H

#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/display.h"

// The SDL objects behind a record.
struct DisplayPrivate {
    SDL_Renderer *renderer = nullptr;
    SDL_Texture *texture = nullptr; // the picture (or the doubled picture with direct writing)
    SDL_Surface *indexed = nullptr; // 8-bit surface over Buffer, rows in memory order
    SDL_Surface *rgb = nullptr;     // its conversion (not with direct writing)
    std::vector<uint16_t> direct;   // direct writing: the 16-bit picture the blitter writes
    int directScale = 1;            // 1 or 2
    bool smoothing = false;         // the screen blitter smooths: neighbours matter
    uint32_t request = 0;           // the DisplayOpen request with its option bits
    SDL_Rect place{};               // where the texture goes in the renderer's logical area
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

// Process-wide: the screen, the resolution request, capture.
struct Screen {
    bool known = false;
    int bitsPerPixel = 32;
    uint32_t colours = 1u << 24;
    int resolution = 0; // DisplaySetResolution value in force (0: desktop)
};
Screen &TheScreen();
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
