// SDL loaded when a script first needs it (a window, sound, a box): zorbscw
// is linked with these definitions of the SDL calls the program makes
// instead of with the SDL library, whose loading (with the dozens of
// libraries it brings) would otherwise cost every run, even one that only
// computes or handles files, about ten milliseconds. The first call opens
// the library and finds every call in it; later calls go straight through.
#include <SDL.h>

#include <dlfcn.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

// name, result, parameters, arguments
#define ZORB_SDL_CALLS(X)                                                                                              \
    X(SDL_BuildAudioCVT, int,                                                                                          \
      (SDL_AudioCVT * cvt, SDL_AudioFormat sf, Uint8 sc, int sr, SDL_AudioFormat df, Uint8 dc, int dr),                \
      (cvt, sf, sc, sr, df, dc, dr))                                                                                   \
    X(SDL_ClearQueuedAudio, void, (SDL_AudioDeviceID dev), (dev))                                                      \
    X(SDL_CloseAudioDevice, void, (SDL_AudioDeviceID dev), (dev))                                                      \
    X(SDL_ConvertAudio, int, (SDL_AudioCVT * cvt), (cvt))                                                              \
    X(SDL_CreateRGBSurfaceWithFormat, SDL_Surface *, (Uint32 flags, int w, int h, int depth, Uint32 format),           \
      (flags, w, h, depth, format))                                                                                    \
    X(SDL_CreateRGBSurfaceWithFormatFrom, SDL_Surface *,                                                               \
      (void *pixels, int w, int h, int depth, int pitch, Uint32 format), (pixels, w, h, depth, pitch, format))         \
    X(SDL_CreateRenderer, SDL_Renderer *, (SDL_Window * window, int index, Uint32 flags), (window, index, flags))      \
    X(SDL_CreateTexture, SDL_Texture *, (SDL_Renderer * r, Uint32 format, int access, int w, int h),                   \
      (r, format, access, w, h))                                                                                       \
    X(SDL_CreateWindow, SDL_Window *, (const char *title, int x, int y, int w, int h, Uint32 flags),                   \
      (title, x, y, w, h, flags))                                                                                      \
    X(SDL_Delay, void, (Uint32 ms), (ms))                                                                              \
    X(SDL_DestroyRenderer, void, (SDL_Renderer * r), (r))                                                              \
    X(SDL_DestroyTexture, void, (SDL_Texture * t), (t))                                                                \
    X(SDL_DestroyWindow, void, (SDL_Window * window), (window))                                                        \
    X(SDL_FillRect, int, (SDL_Surface * dst, const SDL_Rect *rect, Uint32 color), (dst, rect, color))                  \
    X(SDL_FlushEvents, void, (Uint32 minType, Uint32 maxType), (minType, maxType))                                     \
    X(SDL_FreeSurface, void, (SDL_Surface * surface), (surface))                                                       \
    X(SDL_FreeWAV, void, (Uint8 * buffer), (buffer))                                                                   \
    X(SDL_GetClosestDisplayMode, SDL_DisplayMode *,                                                                    \
      (int display, const SDL_DisplayMode *mode, SDL_DisplayMode *closest), (display, mode, closest))                  \
    X(SDL_GetCurrentVideoDriver, const char *, (void), ())                                                             \
    X(SDL_GetDesktopDisplayMode, int, (int display, SDL_DisplayMode *mode), (display, mode))                           \
    X(SDL_GetDisplayBounds, int, (int display, SDL_Rect *rect), (display, rect))                                       \
    X(SDL_GetDisplayMode, int, (int display, int index, SDL_DisplayMode *mode), (display, index, mode))                \
    X(SDL_GetDisplayUsableBounds, int, (int display, SDL_Rect *rect), (display, rect))                                 \
    X(SDL_GetError, const char *, (void), ())                                                                          \
    X(SDL_GetKeyFromName, SDL_Keycode, (const char *name), (name))                                                     \
    X(SDL_GetNumDisplayModes, int, (int display), (display))                                                           \
    X(SDL_GetQueuedAudioSize, Uint32, (SDL_AudioDeviceID dev), (dev))                                                  \
    X(SDL_GetRenderer, SDL_Renderer *, (SDL_Window * window), (window))                                                \
    X(SDL_GetRendererOutputSize, int, (SDL_Renderer * r, int *w, int *h), (r, w, h))                                   \
    X(SDL_GetScancodeFromKey, SDL_Scancode, (SDL_Keycode key), (key))                                                  \
    X(SDL_GetWindowDisplayIndex, int, (SDL_Window * window), (window))                                                 \
    X(SDL_GetWindowFlags, Uint32, (SDL_Window * window), (window))                                                     \
    X(SDL_GetWindowID, Uint32, (SDL_Window * window), (window))                                                        \
    X(SDL_InitSubSystem, int, (Uint32 flags), (flags))                                                                 \
    X(SDL_LoadWAV_RW, SDL_AudioSpec *,                                                                                 \
      (SDL_RWops * src, int freesrc, SDL_AudioSpec *spec, Uint8 **buffer, Uint32 *length),                             \
      (src, freesrc, spec, buffer, length))                                                                            \
    X(SDL_LockAudioDevice, void, (SDL_AudioDeviceID dev), (dev))                                                       \
    X(SDL_LowerBlit, int, (SDL_Surface * src, SDL_Rect * srcrect, SDL_Surface * dst, SDL_Rect * dstrect),              \
      (src, srcrect, dst, dstrect))                                                                                    \
    X(SDL_OpenAudioDevice, SDL_AudioDeviceID,                                                                          \
      (const char *device, int capture, const SDL_AudioSpec *desired, SDL_AudioSpec *obtained, int changes),           \
      (device, capture, desired, obtained, changes))                                                                   \
    X(SDL_PauseAudioDevice, void, (SDL_AudioDeviceID dev, int pause), (dev, pause))                                    \
    X(SDL_PollEvent, int, (SDL_Event * event), (event))                                                                \
    X(SDL_PumpEvents, void, (void), ())                                                                                \
    X(SDL_PushEvent, int, (SDL_Event * event), (event))                                                                \
    X(SDL_QueueAudio, int, (SDL_AudioDeviceID dev, const void *data, Uint32 len), (dev, data, len))                    \
    X(SDL_QuitSubSystem, void, (Uint32 flags), (flags))                                                                \
    X(SDL_RWFromFile, SDL_RWops *, (const char *file, const char *mode), (file, mode))                                 \
    X(SDL_RaiseWindow, void, (SDL_Window * window), (window))                                                          \
    X(SDL_RenderClear, int, (SDL_Renderer * r), (r))                                                                   \
    X(SDL_RenderCopyEx, int,                                                                                           \
      (SDL_Renderer * r, SDL_Texture * t, const SDL_Rect *src, const SDL_Rect *dst, const double angle,                \
       const SDL_Point *center, const SDL_RendererFlip flip),                                                          \
      (r, t, src, dst, angle, center, flip))                                                                           \
    X(SDL_RenderDrawLine, int, (SDL_Renderer * r, int x1, int y1, int x2, int y2), (r, x1, y1, x2, y2))                \
    X(SDL_RenderDrawRect, int, (SDL_Renderer * r, const SDL_Rect *rect), (r, rect))                                    \
    X(SDL_RenderLogicalToWindow, void, (SDL_Renderer * r, float lx, float ly, int *wx, int *wy), (r, lx, ly, wx, wy))  \
    X(SDL_RenderPresent, void, (SDL_Renderer * r), (r))                                                                \
    X(SDL_RenderReadPixels, int, (SDL_Renderer * r, const SDL_Rect *rect, Uint32 format, void *pixels, int pitch),     \
      (r, rect, format, pixels, pitch))                                                                                \
    X(SDL_RenderSetLogicalSize, int, (SDL_Renderer * r, int w, int h), (r, w, h))                                      \
    X(SDL_RenderSetScale, int, (SDL_Renderer * r, float sx, float sy), (r, sx, sy))                                    \
    X(SDL_RenderSetViewport, int, (SDL_Renderer * r, const SDL_Rect *rect), (r, rect))                                 \
    X(SDL_SetHint, SDL_bool, (const char *name, const char *value), (name, value))                                     \
    X(SDL_SetPaletteColors, int, (SDL_Palette * palette, const SDL_Color *colors, int first, int count),               \
      (palette, colors, first, count))                                                                                 \
    X(SDL_SetRenderDrawColor, int, (SDL_Renderer * renderer, Uint8 r, Uint8 g, Uint8 b, Uint8 a),                      \
      (renderer, r, g, b, a))                                                                                          \
    X(SDL_SetSurfaceBlendMode, int, (SDL_Surface * surface, SDL_BlendMode mode), (surface, mode))                      \
    X(SDL_SetWindowDisplayMode, int, (SDL_Window * window, const SDL_DisplayMode *mode), (window, mode))               \
    X(SDL_SetWindowFullscreen, int, (SDL_Window * window, Uint32 flags), (window, flags))                              \
    X(SDL_SetWindowPosition, void, (SDL_Window * window, int x, int y), (window, x, y))                                \
    X(SDL_SetWindowSize, void, (SDL_Window * window, int w, int h), (window, w, h))                                    \
    X(SDL_SetWindowTitle, void, (SDL_Window * window, const char *title), (window, title))                             \
    X(SDL_ShowCursor, int, (int toggle), (toggle))                                                                     \
    X(SDL_ShowMessageBox, int, (const SDL_MessageBoxData *data, int *button), (data, button))                          \
    X(SDL_ShowWindow, void, (SDL_Window * window), (window))                                                           \
    X(SDL_UnlockAudioDevice, void, (SDL_AudioDeviceID dev), (dev))                                                     \
    X(SDL_UpdateTexture, int, (SDL_Texture * t, const SDL_Rect *rect, const void *pixels, int pitch),                  \
      (t, rect, pixels, pitch))                                                                                        \
    X(SDL_WaitEventTimeout, int, (SDL_Event * event, int timeout), (event, timeout))                                   \
    X(SDL_WarpMouseInWindow, void, (SDL_Window * window, int x, int y), (window, x, y))                                \
    X(SDL_WasInit, Uint32, (Uint32 flags), (flags))

namespace {

constexpr const char *kLibrary = "libSDL2-2.0.so.0";

struct Calls {
#define ZORB_SDL_FIELD(name, result, params, args) decltype(&::name) name;
    ZORB_SDL_CALLS(ZORB_SDL_FIELD)
#undef ZORB_SDL_FIELD
    decltype(&::SDL_SetError) SDL_SetError;
};

void *Find(void *library, const char *name)
{
    void *call = dlsym(library, name);
    if (!call) {
        std::fprintf(stderr, "zorbscw: %s lacks %s\n", kLibrary, name);
        std::exit(1);
    }
    return call;
}

Calls Load()
{
    void *library = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        std::fprintf(stderr, "zorbscw: cannot load %s: %s\n", kLibrary, dlerror());
        std::exit(1);
    }
    Calls c{};
#define ZORB_SDL_FIND(name, result, params, args) c.name = reinterpret_cast<decltype(c.name)>(Find(library, #name));
    ZORB_SDL_CALLS(ZORB_SDL_FIND)
#undef ZORB_SDL_FIND
    c.SDL_SetError = reinterpret_cast<decltype(c.SDL_SetError)>(Find(library, "SDL_SetError"));
    return c;
}

const Calls &Sdl()
{
    static const Calls calls = Load();
    return calls;
}

} // namespace

extern "C" {

#define ZORB_SDL_DEFINE(name, result, params, args)                                                                    \
    result SDLCALL name params                                                                                         \
    {                                                                                                                  \
        return Sdl().name args;                                                                                        \
    }
ZORB_SDL_CALLS(ZORB_SDL_DEFINE)
#undef ZORB_SDL_DEFINE

int SDLCALL SDL_SetError(const char *format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return Sdl().SDL_SetError("%s", text);
}

} // extern "C"
