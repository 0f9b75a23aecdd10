// The test hook: "W:EVENT,W:EVENT,...", each EVENT pushed onto SDL's queue
// when the W-th wait of the run (counted from 1) starts:
//   key=[shift+][ctrl+][alt+]NAME   a key press (SDL key names: F1, Escape, Left, ...)
//   text=CHARS                      typed characters
//   move=X/Y                        the pointer moves to window point X, Y
//   click=X/Y, rclick=X/Y           left / right button released there
//   leave                           the pointer leaves the window
//   close                           the window's close button
#include "script/sdl/test_input.h"
#include "runtime/display.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zscript {

namespace {

uint32_t WindowId()
{
    return WindowHandle() ? SDL_GetWindowID(WindowHandle()) : 0;
}

bool ParsePoint(const std::string &text, int &x, int &y)
{
    return std::sscanf(text.c_str(), "%d/%d", &x, &y) == 2;
}

void PushMotion(int x, int y)
{
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = WindowId();
    e.motion.x = x;
    e.motion.y = y;
    SDL_PushEvent(&e);
}

bool PushKey(std::string name)
{
    uint16_t mod = KMOD_NONE;
    for (const auto &[prefix, bit] : {std::pair{"shift+", KMOD_LSHIFT}, {"ctrl+", KMOD_LCTRL}, {"alt+", KMOD_LALT}}) {
        const size_t n = std::strlen(prefix);
        while (name.compare(0, n, prefix) == 0) {
            mod = static_cast<uint16_t>(mod | bit);
            name.erase(0, n);
        }
    }
    const SDL_Keycode key = SDL_GetKeyFromName(name.c_str());
    if (key == SDLK_UNKNOWN)
        return false;
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.windowID = WindowId();
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = key;
    e.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    e.key.keysym.mod = mod;
    SDL_PushEvent(&e);
    return true;
}

bool Push(const std::string &event)
{
    const size_t eq = event.find('=');
    const std::string kind = event.substr(0, eq);
    const std::string arg = eq == std::string::npos ? std::string() : event.substr(eq + 1);
    SDL_Event e{};
    int x = 0, y = 0;
    if (kind == "key")
        return PushKey(arg);
    if (kind == "text") {
        for (char c : arg) {
            e = {};
            e.type = SDL_TEXTINPUT;
            e.text.windowID = WindowId();
            e.text.text[0] = c;
            SDL_PushEvent(&e);
        }
        return true;
    }
    if (kind == "move" && ParsePoint(arg, x, y)) {
        PushMotion(x, y);
        return true;
    }
    if ((kind == "click" || kind == "rclick") && ParsePoint(arg, x, y)) {
        PushMotion(x, y);
        e.type = SDL_MOUSEBUTTONUP;
        e.button.windowID = WindowId();
        e.button.button = kind == "click" ? SDL_BUTTON_LEFT : SDL_BUTTON_RIGHT;
        e.button.state = SDL_RELEASED;
        e.button.clicks = 1;
        e.button.x = x;
        e.button.y = y;
        SDL_PushEvent(&e);
        return true;
    }
    if (kind == "leave" || kind == "close") {
        e.type = SDL_WINDOWEVENT;
        e.window.windowID = WindowId();
        e.window.event = kind == "leave" ? SDL_WINDOWEVENT_LEAVE : SDL_WINDOWEVENT_CLOSE;
        SDL_PushEvent(&e);
        return true;
    }
    return false;
}

} // namespace

TestInput::TestInput(const char *spec)
{
    while (spec && *spec) {
        char *end = nullptr;
        const unsigned long wait = std::strtoul(spec, &end, 10);
        if (end == spec || *end != ':') {
            std::fprintf(stderr, "ZORBSCW_TEST_INPUT: cannot read \"%s\"\n", spec);
            break;
        }
        const char *event = end + 1;
        const char *comma = std::strchr(event, ',');
        const size_t n = comma ? static_cast<size_t>(comma - event) : std::strlen(event);
        items_.push_back({static_cast<uint32_t>(wait), std::string(event, n)});
        spec = comma ? comma + 1 : event + n;
    }
}

void TestInput::WaitBegins()
{
    ++waits_;
    if (items_.empty() || !SDL_WasInit(SDL_INIT_VIDEO))
        return;
    for (const Item &item : items_)
        if (item.wait == waits_ && !Push(item.event))
            std::fprintf(stderr, "ZORBSCW_TEST_INPUT: cannot make the event \"%s\"\n", item.event.c_str());
}

} // namespace zscript
