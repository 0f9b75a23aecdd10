// The playback window: creation, placement, events, the key queue, button
// counters and the graphical message box.
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "runtime/display_internal.h"
#include "runtime/message_box.h"

namespace zorb::display {

namespace {

struct WindowState {
    SDL_Window *window = nullptr;
    ZorbDisplay *display = nullptr;
    std::string name = "ZorbPlay";
    int stretchW = 0, stretchH = 0;
    uint32_t leftReleases = 0, rightReleases = 0;
    bool quit = false;
    std::string lastDescription;
    std::string lastError; // why the last WindowOpen failed
    uint32_t lastColours = 0;
    uint8_t keys[64] = {};
    int keyCount = 0;
    // The system pointer over the picture, from the window's mouse events.
    bool pointerInside = false;
    int pointerX = 0, pointerY = 0;
};
WindowState &W()
{
    static WindowState w;
    return w;
}

// The client area starts on a multiple of 8 pixels on the screen (SDL
// positions are client-area positions).

int FloorAlign8(int x)
{
    const int v = x + 3;
    return v >= 0 ? v & ~7 : -((-v + 7) & ~7);
}

// The box closes by itself after ten seconds (ZORBLAX_BOX_SECONDS, 1-600,
// for tests).
void BoxHook(const char *caption, const char *text)
{
    unsigned seconds = kBoxSeconds;
    if (const char *env = std::getenv("ZORBLAX_BOX_SECONDS")) {
        const long v = std::strtol(env, nullptr, 10);
        if (v >= 1 && v <= 600)
            seconds = static_cast<unsigned>(v);
    }
    ShowTimedBox(caption, text, seconds);
}

// A mouse event's position (the renderer has already made it a position in
// its logical area) as a picture position; false outside the picture.
bool PicturePoint(int lx, int ly, int &x, int &y)
{
    const ZorbDisplay *d = W().display;
    if (!d || !d->Private || d->Private->place.w <= 0 || d->Private->place.h <= 0)
        return false;
    const SDL_Rect &place = d->Private->place;
    if (lx < place.x || ly < place.y || lx >= place.x + place.w || ly >= place.y + place.h)
        return false;
    x = static_cast<int>(int64_t{lx - place.x} * d->Width / place.w);
    y = static_cast<int>(int64_t{ly - place.y} * d->Height / place.h);
    return true;
}

void TrackPointer(uint32_t windowId, int lx, int ly)
{
    WindowState &w = W();
    if (!w.window || windowId != SDL_GetWindowID(w.window))
        return;
    w.pointerInside = PicturePoint(lx, ly, w.pointerX, w.pointerY);
}

// F11 and Alt+Enter switch a windowed display between its window and the
// whole screen (the picture is scaled to fit, its proportions kept). The
// full-screen modes stay full screen.
bool IsFullScreenToggle(const SDL_Event &e)
{
    if (e.type != SDL_KEYDOWN || e.key.repeat)
        return false;
    const SDL_Keycode k = e.key.keysym.sym;
    const bool alt = e.key.keysym.mod & KMOD_ALT;
    return k == SDLK_F11 || (alt && (k == SDLK_RETURN || k == SDLK_KP_ENTER));
}

void ToggleFullScreen()
{
    WindowState &w = W();
    if (!w.window || !w.display || w.display->FullScreen)
        return;
    const bool on = SDL_GetWindowFlags(w.window) & SDL_WINDOW_FULLSCREEN_DESKTOP;
    SDL_SetWindowFullscreen(w.window, on ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
    if (w.display->HasDrawn)
        Present(w.display);
}

void OnWindowEvent(const SDL_WindowEvent &e)
{
    WindowState &w = W();
    ZorbDisplay *d = w.display;
    switch (e.event) {
    case SDL_WINDOWEVENT_LEAVE:
        w.pointerInside = false;
        break;
    case SDL_WINDOWEVENT_CLOSE:
        QueueKey(KEY_CLOSE);
        break;
    case SDL_WINDOWEVENT_EXPOSED:
        if (d && d->HasDrawn)
            Present(d);
        break;
    case SDL_WINDOWEVENT_MOVED:
        if (d && !d->FullScreen && FloorAlign8(e.data1) != e.data1)
            SDL_SetWindowPosition(w.window, FloorAlign8(e.data1), e.data2);
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        SetActive(d, true);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        if (d && d->FullScreen) {
            d->Active = 0;
            if (d->Mode == DISPLAY_FULL_DIRECT && d->SavedScreen)
                std::memcpy(d->SavedScreen, d->Buffer, 64000);
        }
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
        if (d)
            d->OnScreen = 0;
        break;
    case SDL_WINDOWEVENT_RESTORED:
        if (d && d->HasDrawn)
            RepaintWhole(d);
        break;
    default:
        break;
    }
}

} // namespace

void QueueKey(int code)
{
    WindowState &w = W();
    if (code < 0 || w.keyCount >= 64)
        return; // a full queue drops further keys
    w.keys[w.keyCount++] = static_cast<uint8_t>(code);
}

int KeyCodeOf(const SDL_Event &e)
{
    if (e.type == SDL_KEYDOWN) {
        const SDL_Keycode k = e.key.keysym.sym;
        const uint16_t mod = e.key.keysym.mod;
        const bool alt = mod & KMOD_ALT, ctrl = mod & KMOD_CTRL, shift = mod & KMOD_SHIFT;
        if (k >= SDLK_F1 && k <= SDLK_F9) {
            const int vk = 112 + (k - SDLK_F1);
            if (alt)
                return vk + 126;
            if (ctrl)
                return vk + 116;
            if (shift)
                return vk + 106;
            return vk + 96;
        }
        if (k == SDLK_F10)
            return alt ? 121 + 126 : 121 + 96; // F10 is a system key
        switch (k) {
        case SDLK_PAGEUP:
            return 33 + 128;
        case SDLK_PAGEDOWN:
            return 34 + 128;
        case SDLK_END:
            return 35 + 128;
        case SDLK_HOME:
            return 36 + 128;
        case SDLK_LEFT:
            return 37 + 128;
        case SDLK_UP:
            return 38 + 128;
        case SDLK_RIGHT:
            return 39 + 128;
        case SDLK_DOWN:
            return 40 + 128;
        case SDLK_INSERT:
            return 45 + 128;
        case SDLK_DELETE:
            return 46 + 128;
        // Characters that arrive as key presses rather than text.
        case SDLK_TAB:
            return shift ? KEY_SHIFT_TAB : 9;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            return 13;
        case SDLK_ESCAPE:
            return 27;
        case SDLK_BACKSPACE:
            return 8;
        default:
            break;
        }
        if (ctrl && !alt && k >= SDLK_a && k <= SDLK_z)
            return 1 + (k - SDLK_a); // control characters
        return -1;
    }
    if (e.type == SDL_TEXTINPUT) {
        // One character: its code when it fits a byte (UTF-8 decoded).
        const auto *t = reinterpret_cast<const unsigned char *>(e.text.text);
        unsigned c = t[0];
        if (c >= 0x80) {
            if ((c & 0xE0) == 0xC0 && (t[1] & 0xC0) == 0x80)
                c = ((c & 0x1F) << 6) | (t[1] & 0x3F);
            else
                return -1;
        }
        if (c < 32 || c == 127 || c > 255)
            return -1;
        return static_cast<int>(c);
    }
    return -1;
}

} // namespace zorb::display

using namespace zorb::display;

extern "C" uint32_t WindowModeRequest(uint32_t flags)
{
    uint32_t request;
    switch (flags & WINDOW_MODE_MASK) {
    case 25:
        request = DISPLAY_DIBSECTION;
        break;
    case 24:
        request = DISPLAY_DIBS;
        break;
    case 23:
        request = (flags & WINDOW_DOUBLE_BUFFER) ? DISPLAY_FULL_320X200 : DISPLAY_FULL_DIRECT;
        break;
    case 22:
        request = DISPLAY_FULL_320X240;
        break;
    default:
        request = DISPLAY_AUTOMATIC;
        break;
    }
    if (flags & WINDOW_NO_DIRECT)
        request |= DISPLAY_OPT_NO_DIRECT;
    if (flags & WINDOW_SMOOTH)
        request |= DISPLAY_OPT_SMOOTH;
    if (flags & WINDOW_INTERLACED)
        request |= DISPLAY_OPT_INTERLACED;
    return request;
}

extern "C" ZorbDisplay *WindowOpen(int32_t width, int32_t height, int32_t x, int32_t y, uint32_t flags)
{
    WindowState &w = W();
    w.lastError.clear();
    if (!VideoReady()) {
        const char *sdl = SDL_GetError();
        w.lastError = std::string("no display") + (sdl && *sdl ? std::string(": ") + sdl : std::string());
        return nullptr;
    }
    const uint32_t request = WindowModeRequest(flags);
    if (w.window && w.display) {
        ZorbDisplay *d = w.display;
        if (d->FullScreen && d->Width >= width && d->Height >= height) {
            if (!(flags & WINDOW_KEEP_PICTURE))
                DisplayClear(d, 0);
            SDL_RaiseWindow(w.window);
            return d;
        }
        DisplayClose(d);
        w.display = nullptr;
    }
    if (!w.window) {
        // Styles: with a caption the window manager draws caption and frame
        // (a thin border or not is its choice). Without a caption the window
        // is borderless and draws its own frame: a thin border with
        // WINDOW_THIN_BORDER, a dialog frame unless WINDOW_NO_DIALOG_FRAME,
        // else nothing.
        Uint32 style = SDL_WINDOW_HIDDEN;
        FrameStyle frame = FrameStyle::None;
        if (flags & WINDOW_NO_CAPTION) {
            style |= SDL_WINDOW_BORDERLESS;
            frame = (flags & WINDOW_THIN_BORDER)       ? FrameStyle::Thin
                    : (flags & WINDOW_NO_DIALOG_FRAME) ? FrameStyle::None
                                                       : FrameStyle::Dialog;
        }
        TheScreen().frame = frame;
        w.window = SDL_CreateWindow(w.name.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 320, 240, style);
        if (!w.window) {
            PlatformDebugLog("display: cannot create the window: %s", SDL_GetError());
            w.lastError = std::string("the window cannot be made: ") + SDL_GetError();
            return nullptr;
        }
        DisplayInstallMessageBox();
    }
    ZorbDisplay *d = DisplayOpen(w.window, request, width, height, w.stretchW, w.stretchH);
    if (!d) {
        w.lastError = DisplayOpenError();
        return nullptr;
    }
    w.display = d;
    if (!d->FullScreen) {
        const int f = FrameWidth(d->Private->frame);
        SDL_SetWindowSize(w.window, d->OutWidth + 2 * f, d->OutHeight + 2 * f);
        SDL_Rect area{0, 0, 640, 480};
        const int index = SDL_GetWindowDisplayIndex(w.window);
        if (SDL_GetDisplayUsableBounds(index < 0 ? 0 : index, &area) != 0)
            SDL_GetDisplayBounds(0, &area);
        const int px = x == -1 ? area.x + (area.w - d->OutWidth - 2 * f) / 2 : x;
        const int py = y == -1 ? area.y + (area.h - d->OutHeight - 2 * f) / 2 : y;
        SDL_SetWindowPosition(w.window, FloorAlign8(px), py);
    }
    SDL_ShowWindow(w.window);
    SDL_RaiseWindow(w.window);
    RepaintWhole(d);
    return d;
}

extern "C" void WindowClose(void)
{
    WindowState &w = W();
    if (w.display) {
        char text[128];
        w.lastDescription = DisplayDescribe(w.display, text);
        w.lastColours = w.display->ScreenColours;
        DisplayClose(w.display);
        w.display = nullptr;
    }
    if (w.window) {
        SDL_DestroyWindow(w.window);
        w.window = nullptr;
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
    w.keyCount = 0;
    w.pointerInside = false;
    TheScreen().frame = FrameStyle::None;
}

extern "C" const char *WindowLastError(void)
{
    return W().lastError.c_str();
}

extern "C" void WindowSetName(const char *name)
{
    W().name = name ? name : "";
}

extern "C" void WindowSetTitle(const char *title)
{
    if (W().window)
        SDL_SetWindowTitle(W().window, title ? title : "");
}

extern "C" void WindowSetStretch(int32_t width, int32_t height)
{
    W().stretchW = width > 0 ? width : 0;
    W().stretchH = height > 0 ? height : 0;
}

extern "C" SDL_Window *WindowHandle(void)
{
    return W().window;
}
extern "C" ZorbDisplay *WindowDisplay(void)
{
    return W().display;
}

extern "C" int32_t WindowPump(void)
{
    WindowState &w = W();
    if (!SDL_WasInit(SDL_INIT_VIDEO))
        return w.quit ? 0 : 1;
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        switch (e.type) {
        case SDL_QUIT:
            w.quit = true;
            QueueKey(KEY_CLOSE);
            break;
        case SDL_KEYDOWN:
            if (IsFullScreenToggle(e)) {
                ToggleFullScreen();
                // The Enter of Alt+Enter must not arrive as a key as well.
                break;
            }
            QueueKey(KeyCodeOf(e));
            break;
        case SDL_TEXTINPUT:
            QueueKey(KeyCodeOf(e));
            break;
        case SDL_MOUSEMOTION:
            TrackPointer(e.motion.windowID, e.motion.x, e.motion.y);
            break;
        case SDL_MOUSEBUTTONUP:
            TrackPointer(e.button.windowID, e.button.x, e.button.y);
            if (e.button.button == SDL_BUTTON_LEFT)
                ++w.leftReleases;
            if (e.button.button == SDL_BUTTON_RIGHT)
                ++w.rightReleases;
            break;
        case SDL_WINDOWEVENT:
            if (w.window && e.window.windowID == SDL_GetWindowID(w.window))
                OnWindowEvent(e.window);
            break;
        default:
            break;
        }
    }
    return w.quit ? 0 : 1;
}

extern "C" int32_t WindowWaitEvent(uint32_t ms)
{
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
        SDL_Delay(ms);
        return 0;
    }
    return SDL_WaitEventTimeout(nullptr, static_cast<int>(ms)) ? 1 : 0;
}

extern "C" int32_t WindowPointer(int32_t *x, int32_t *y)
{
    const WindowState &w = W();
    const bool inside = w.window && w.display && w.pointerInside;
    if (x)
        *x = inside ? w.pointerX : -1;
    if (y)
        *y = inside ? w.pointerY : -1;
    return inside ? 1 : 0;
}

extern "C" void WindowSetPointer(int32_t x, int32_t y)
{
    WindowState &w = W();
    ZorbDisplay *d = w.display;
    if (!w.window || !d || !d->Private || !d->Private->renderer || d->Width <= 0 || d->Height <= 0)
        return;
    const SDL_Rect &place = d->Private->place;
    const float lx = static_cast<float>(place.x) + static_cast<float>(int64_t{x} * place.w / d->Width);
    const float ly = static_cast<float>(place.y) + static_cast<float>(int64_t{y} * place.h / d->Height);
    int wx = 0, wy = 0;
    SDL_RenderLogicalToWindow(d->Private->renderer, lx, ly, &wx, &wy);
    SDL_WarpMouseInWindow(w.window, wx, wy);
    w.pointerInside = x >= 0 && y >= 0 && x < d->Width && y < d->Height;
    w.pointerX = x;
    w.pointerY = y;
}

extern "C" void WindowShowPointer(int32_t show)
{
    if (SDL_WasInit(SDL_INIT_VIDEO))
        SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

extern "C" uint32_t WindowLeftReleases(void)
{
    return W().leftReleases;
}
extern "C" uint32_t WindowRightReleases(void)
{
    return W().rightReleases;
}
extern "C" const char *WindowLastDescription(void)
{
    return W().lastDescription.c_str();
}
extern "C" uint32_t WindowScreenColours(void)
{
    return W().lastColours;
}

extern "C" int32_t KeyAvailable(void)
{
    WindowPump();
    return W().keyCount > 0 ? 1 : 0;
}

extern "C" int32_t KeyGet(void)
{
    WindowState &w = W();
    while (WindowPump(), w.keyCount == 0) {
        // Without a window no key can ever come: answer as if it was closed
        // rather than wait for ever.
        if (!w.window)
            return KEY_CLOSE;
        SDL_Delay(5);
    }
    const int code = w.keys[0];
    std::memmove(w.keys, w.keys + 1, static_cast<size_t>(--w.keyCount));
    return code;
}

extern "C" int32_t DisplayInstallMessageBox(void)
{
    if (isatty(STDERR_FILENO))
        return 0;
    const char *driver = std::getenv("SDL_VIDEODRIVER");
    if (driver && (!std::strcmp(driver, "dummy") || !std::strcmp(driver, "offscreen")))
        return 0;
    // The box is drawn on X (Wayland desktops run X programs too).
    const char *x11 = std::getenv("DISPLAY");
    if (!(x11 && *x11))
        return 0;
    PlatformSetMessageBox(&BoxHook);
    return 1;
}
