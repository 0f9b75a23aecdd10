// Display records: choosing a mode, preparing the buffer and the SDL objects,
// closing, describing, and the screen resolution.
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "codec/format.h"
#include "platform/platform.h"
#include "runtime/display_internal.h"

namespace zorb::display {

namespace {

std::string g_openError; // why the last DisplayOpen failed

void Fail(const std::string &why)
{
    g_openError = why;
}

std::string SdlFail(const char *what)
{
    const char *sdl = SDL_GetError();
    return std::string(what) + (sdl && *sdl ? std::string(": ") + sdl : std::string());
}

const char *const kModeNames[6] = {
    "Automatic", "Full screen 320x240", "Full screen 320x200", "Full screen 320x200 direct", "Standard Windows DIBs",
    "DIBSection"};

// Screen sizes of DisplaySetResolution 1-4.
const int kResolutions[5][2] = {{0, 0}, {640, 400}, {640, 480}, {800, 600}, {1024, 768}};

// The size conditions of a mode; availability of the facilities is checked
// when the mode is prepared.
bool SizeAllows(int mode, int w, int h, bool stretched)
{
    switch (mode) {
    case DISPLAY_FULL_320X240:
        return w <= 320 && h <= 240 && !stretched;
    case DISPLAY_FULL_320X200:
    case DISPLAY_FULL_DIRECT:
        return w <= 320 && h <= 200 && !stretched;
    case DISPLAY_DIBS:
    case DISPLAY_DIBSECTION:
        return true;
    default:
        return false;
    }
}

int32_t BatchCapacity(int w, int h)
{
    const int32_t cells = (h / 4) * (w / 64);
    return cells < 32 ? 16 : cells / 2;
}

SDL_Renderer *MakeRenderer(SDL_Window *window)
{
    if (SDL_Renderer *r = SDL_GetRenderer(window))
        SDL_DestroyRenderer(r);
    // Headless drivers have no graphics hardware to speak of: the software
    // renderer is exact and keeps up with full-screen size changes.
    const char *driver = SDL_GetCurrentVideoDriver();
    if (driver && (!std::strcmp(driver, "offscreen") || !std::strcmp(driver, "dummy")))
        if (SDL_Renderer *r = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE))
            return r;
    SDL_Renderer *r = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED);
    if (!r)
        r = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    return r;
}

bool EnterFullScreen(SDL_Window *window)
{
    const int res = TheScreen().resolution;
    if (res > 0) {
        SDL_DisplayMode want{}, got{};
        want.w = kResolutions[res][0];
        want.h = kResolutions[res][1];
        const int index = SDL_GetWindowDisplayIndex(window);
        if (SDL_GetClosestDisplayMode(index < 0 ? 0 : index, &want, &got) && got.w == want.w && got.h == want.h &&
            SDL_SetWindowDisplayMode(window, &got) == 0 && SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) == 0)
            return true;
    }
    return SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
}

void FreeRecord(ZorbDisplay *d)
{
    if (!d)
        return;
    if (Private *p = d->Private) {
        if (p->texture)
            SDL_DestroyTexture(p->texture);
        if (p->indexed)
            SDL_FreeSurface(p->indexed);
        if (p->rgb)
            SDL_FreeSurface(p->rgb);
        if (p->renderer)
            SDL_DestroyRenderer(p->renderer);
        if (p->wasFullScreen && d->Window)
            SDL_SetWindowFullscreen(d->Window, 0);
        delete p;
    }
    ZorbBlitClose(d->ScreenBlitter);
    std::free(d->Buffer);
    std::free(d->SavedScreen);
    delete[] d->BatchList;
    delete d;
}

// Prepares one mode; null when it cannot be had here.
ZorbDisplay *Prepare(SDL_Window *window, int mode, uint32_t request, int w, int h, int outW, int outH)
{
    auto *d = new (std::nothrow) ZorbDisplay{};
    if (!d)
        return nullptr;
    auto *p = new (std::nothrow) Private{};
    if (!p) {
        delete d;
        return nullptr;
    }
    d->Private = p;
    d->Window = window;
    p->request = request;
    const Screen &screen = TheScreen();

    d->Mode = mode;
    d->FullScreen = mode <= DISPLAY_FULL_DIRECT;
    d->Width = w;
    d->Height = h;
    if (mode == DISPLAY_FULL_DIRECT)
        d->Width = 320, d->Height = 200;
    if (mode == DISPLAY_FULL_320X240 && d->Height <= 200)
        d->Height = 204;
    d->Pitch = (d->Width + 7) & ~7;
    d->OutWidth = d->FullScreen ? d->Width : outW;
    d->OutHeight = d->FullScreen ? d->Height : outH;
    d->Stretched = d->OutWidth != d->Width || d->OutHeight != d->Height;
    d->BottomUp = (mode == DISPLAY_FULL_320X240 || mode == DISPLAY_FULL_320X200) ? 1 : 0;
    if (mode == DISPLAY_FULL_DIRECT)
        d->RectMode = 2;
    else if (mode == DISPLAY_DIBSECTION && (d->OutWidth * 4) % d->Width == 0 && (d->OutHeight * 4) % d->Height == 0)
        d->RectMode = 0;
    else
        d->RectMode = 1;
    d->ScreenColours = screen.colours;
    d->PaletteEntries = 256; // screens here have more than 256 colours
    d->FirstUsable = 0;      // and reserve no palette entries
    d->EndUsable = 256;
    d->UsableEntries = 256;
    d->PaletteFormat = ZORB_PALFMT_4BYTE | ZORB_PALFMT_BGR;
    d->BatchCapacity = BatchCapacity(d->Width, d->Height);
    d->BatchList = new (std::nothrow) DisplayRect[d->BatchCapacity];

    const size_t bytes = static_cast<size_t>(d->Pitch) * d->Height;
    d->Buffer = static_cast<uint8_t *>(std::aligned_alloc(ZBX_ALIGNMENT, ZbxAlign16(bytes)));
    if (mode == DISPLAY_FULL_DIRECT)
        d->SavedScreen = static_cast<uint8_t *>(std::calloc(64000, 1));
    if (!d->Buffer || !d->BatchList || (mode == DISPLAY_FULL_DIRECT && !d->SavedScreen)) {
        Fail("out of memory for the picture buffer");
        FreeRecord(d);
        return nullptr;
    }
    std::memset(d->Buffer, 0, bytes);

    // Full-screen modes: the playback window becomes a full-screen one with the
    // mode's logical size.
    if (d->FullScreen) {
        if (!EnterFullScreen(window)) {
            Fail(SdlFail("the window cannot go full screen"));
            FreeRecord(d);
            return nullptr;
        }
        p->wasFullScreen = true;
        p->logicalW = 320;
        p->logicalH = mode == DISPLAY_FULL_320X240 ? 240 : 200;
        p->place = {(p->logicalW - d->Width) / 2, (p->logicalH - d->Height) / 2, d->Width, d->Height};
        d->Active = (SDL_GetWindowFlags(window) & SDL_WINDOW_INPUT_FOCUS) ? 1 : 0;
    } else {
        const int f = FrameWidth(screen.frame);
        p->frame = screen.frame;
        p->logicalW = d->OutWidth + 2 * f;
        p->logicalH = d->OutHeight + 2 * f;
        p->place = {f, f, d->OutWidth, d->OutHeight};
    }

    p->renderer = MakeRenderer(window);
    if (!p->renderer) {
        Fail(SdlFail("no renderer for the window"));
        FreeRecord(d);
        return nullptr;
    }
    SDL_RenderSetLogicalSize(p->renderer, p->logicalW, p->logicalH);

    // Mode 5 with direct writing: on screens deeper than 16 bits the picture
    // is written in 32-bit colour (exact palette colours); on 16-bit screens
    // the blitter writes 16-bit pixels into a 5-6-5 texture. Both double,
    // interlace or smooth as asked.
    const bool one = d->OutWidth == d->Width && d->OutHeight == d->Height;
    const bool two = d->OutWidth == 2 * d->Width && d->OutHeight == 2 * d->Height;
    const bool direct =
        mode == DISPLAY_DIBSECTION && !(request & DISPLAY_OPT_NO_DIRECT) && screen.colours > 256 && (one || two);
    if (direct && screen.bitsPerPixel > 16) {
        const DeepMode deep = one                                  ? DeepMode::One
                              : (request & DISPLAY_OPT_SMOOTH)     ? DeepMode::Smooth
                              : (request & DISPLAY_OPT_INTERLACED) ? DeepMode::Interlaced
                                                                   : DeepMode::Double;
        PrepareDeep(d, deep); // failing, plain mode 5
    } else if (direct) {
        uint32_t flags = ZORB_BLIT_16BIT_565;
        if (one)
            flags |= 1;
        else if (request & DISPLAY_OPT_SMOOTH)
            flags |= ZORB_BLIT_SMOOTH;
        else if (request & DISPLAY_OPT_INTERLACED)
            flags |= ZORB_BLIT_INTERLACED;
        else
            flags |= ZORB_BLIT_DOUBLE;
        d->ScreenBlitter = ZorbBlitOpen(flags);
        p->texture = d->ScreenBlitter ? SDL_CreateTexture(p->renderer, SDL_PIXELFORMAT_RGB565,
                                                          SDL_TEXTUREACCESS_STREAMING, d->OutWidth, d->OutHeight)
                                      : nullptr;
        if (p->texture) {
            p->directScale = one ? 1 : 2;
            p->smoothing = (flags & ZORB_BLIT_SMOOTH) != 0;
            p->direct.assign(static_cast<size_t>(d->OutWidth) * d->OutHeight, 0);
            SDL_UpdateTexture(p->texture, nullptr, p->direct.data(), d->OutWidth * 2);
        } else {
            // Direct writing cannot be prepared: plain mode 5.
            ZorbBlitClose(d->ScreenBlitter);
            d->ScreenBlitter = nullptr;
        }
    }
    if (!p->texture) {
        p->indexed =
            SDL_CreateRGBSurfaceWithFormatFrom(d->Buffer, d->Width, d->Height, 8, d->Pitch, SDL_PIXELFORMAT_INDEX8);
        p->rgb = SDL_CreateRGBSurfaceWithFormat(0, d->Width, d->Height, 32, SDL_PIXELFORMAT_ARGB8888);
        p->texture =
            SDL_CreateTexture(p->renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, d->Width, d->Height);
        if (!p->indexed || !p->rgb || !p->texture) {
            Fail(SdlFail("the picture's surfaces cannot be made"));
            FreeRecord(d);
            return nullptr;
        }
        SDL_SetSurfaceBlendMode(p->indexed, SDL_BLENDMODE_NONE);
        SDL_FillRect(p->rgb, nullptr, 0xFF000000u);
        SDL_UpdateTexture(p->texture, nullptr, p->rgb->pixels, p->rgb->pitch);
    }
    // Palette entries start black.
    std::memset(d->Palette, 0, sizeof d->Palette);
    DisplayRealizePalette(d);
    DeepPalette(d);
    return d;
}

} // namespace

int FrameWidth(FrameStyle style)
{
    return style == FrameStyle::Thin ? 1 : style == FrameStyle::Dialog ? 3 : 0;
}

const std::string &DisplayOpenError()
{
    return g_openError;
}

Screen &TheScreen()
{
    static Screen screen;
    return screen;
}

bool VideoReady()
{
    if (SDL_WasInit(SDL_INIT_VIDEO))
        return true;
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    // SIGINT and SIGTERM keep their usual effect (SDL would turn them into a
    // quit event that nothing reads while a message box is up).
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        PlatformDebugLog("display: SDL video: %s", SDL_GetError());
        return false;
    }
    // Headless: the window's own surface is presented without a GL renderer.
    const char *driver = SDL_GetCurrentVideoDriver();
    if (driver && (!std::strcmp(driver, "offscreen") || !std::strcmp(driver, "dummy")))
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    return true;
}

void ReadScreenOnce()
{
    Screen &s = TheScreen();
    if (s.known)
        return;
    SDL_DisplayMode mode{};
    if (SDL_GetDesktopDisplayMode(0, &mode) == 0 && SDL_BITSPERPIXEL(mode.format) > 0) {
        s.bitsPerPixel = static_cast<int>(SDL_BITSPERPIXEL(mode.format));
        const int bits = s.bitsPerPixel > 24 ? 24 : s.bitsPerPixel;
        s.colours = 1u << bits;
    }
    s.known = true;
}

} // namespace zorb::display

using namespace zorb::display;

extern "C" const char *DisplayModeName(int32_t mode)
{
    return mode >= 0 && mode <= 5 ? kModeNames[mode] : "";
}

extern "C" ZorbDisplay *DisplayOpen(SDL_Window *window, uint32_t request, int32_t width, int32_t height,
                                    int32_t stretchWidth, int32_t stretchHeight)
{
    g_openError.clear();
    if (!window || width <= 0 || height <= 0 || width > 16384 || height > 16384) {
        Fail("the picture size " + std::to_string(width) + " x " + std::to_string(height) + " cannot be shown");
        return nullptr;
    }
    if (stretchWidth < 0 || stretchHeight < 0 || stretchWidth > 16384 || stretchHeight > 16384) {
        Fail("the stretch size " + std::to_string(stretchWidth) + " x " + std::to_string(stretchHeight) +
             " cannot be shown");
        return nullptr;
    }
    if (!VideoReady()) {
        Fail(SdlFail("no display"));
        return nullptr;
    }
    ReadScreenOnce();
    const int outW = stretchWidth ? stretchWidth : width;
    const int outH = stretchHeight ? stretchHeight : height;
    const bool stretched = outW != width || outH != height;
    const int wanted = static_cast<int>(request & 0x7F);
    if (wanted > 5) {
        Fail("there is no display mode " + std::to_string(wanted));
        return nullptr;
    }
    const uint32_t options = request & ~0x7Fu;
    const int candidates[2] = {wanted == 0 ? 5 : wanted, wanted == 0 ? 4 : -1};
    for (int mode : candidates) {
        if (mode < 0)
            continue;
        if (!SizeAllows(mode, width, height, stretched)) {
            const int maxH = mode == DISPLAY_FULL_320X240 ? 240 : 200;
            Fail(std::string("the mode \"") + kModeNames[mode] + "\" shows pictures of at most 320 x " +
                 std::to_string(maxH) + (stretched ? ", not stretched" : "") + "; this one is " +
                 std::to_string(width) + " x " + std::to_string(height) +
                 (stretched ? " stretched to " + std::to_string(outW) + " x " + std::to_string(outH) : ""));
            continue;
        }
        if (ZorbDisplay *d = Prepare(window, mode, options, width, height, outW, outH))
            return d;
    }
    return nullptr;
}

extern "C" void DisplayClose(ZorbDisplay *display)
{
    FreeRecord(display);
}

extern "C" char *DisplayDescribe(ZorbDisplay *display, char *text)
{
    if (!display || !text)
        return text;
    std::strcpy(text, DisplayModeName(display->Mode));
    if (DirectBits(display) && display->OnScreen) {
        char blit[ZORB_BLIT_STRING_SIZE];
        std::strcat(text, " with accelerated blitting (");
        std::strcat(text,
                    display->ScreenBlitter ? ZorbBlitString(display->ScreenBlitter, blit) : DeepDescription(display));
        std::strcat(text, ")");
    }
    return text;
}

extern "C" int32_t DisplaySetResolution(int32_t which)
{
    if (which < 0 || which >= 5)
        return 0;
    Screen &s = TheScreen();
    if (which == 0) {
        s.resolution = 0;
        return 1;
    }
    if (!VideoReady())
        return 0;
    const int modes = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < modes; ++i) {
        SDL_DisplayMode m{};
        if (SDL_GetDisplayMode(0, i, &m) == 0 && m.w == kResolutions[which][0] && m.h == kResolutions[which][1]) {
            s.resolution = which;
            return 1;
        }
    }
    return 0;
}
