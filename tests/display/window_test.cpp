// The playback window: keys from SDL events, the queue limit, close, buttons,
// placement.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/display.h"
#include "runtime/display_internal.h"

namespace {

SDL_Event Key(SDL_Keycode sym, uint16_t mod = 0)
{
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = sym;
    e.key.keysym.mod = mod;
    return e;
}

SDL_Event Text(const char *utf8)
{
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    std::strncpy(e.text.text, utf8, sizeof e.text.text - 1);
    return e;
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        display = WindowOpen(64, 48, -1, -1, 24);
        ASSERT_NE(display, nullptr);
        while (KeyAvailable())
            KeyGet();
    }
    void TearDown() override { WindowClose(); }
    static void Push(SDL_Event e)
    {
        if (e.type == SDL_WINDOWEVENT || e.type == SDL_MOUSEBUTTONUP)
            e.window.windowID = SDL_GetWindowID(WindowHandle());
        ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
    }
    ZorbDisplay *display = nullptr;
};

TEST(KeyCodes, Translation)
{
    using zorb::display::KeyCodeOf;
    EXPECT_EQ(KeyCodeOf(Key(SDLK_F1)), 208);
    EXPECT_EQ(KeyCodeOf(Key(SDLK_F9, KMOD_LSHIFT)), 120 + 106);
    EXPECT_EQ(KeyCodeOf(Key(SDLK_F2, KMOD_RCTRL)), 113 + 116);
    EXPECT_EQ(KeyCodeOf(Key(SDLK_F3, KMOD_LALT)), 114 + 126);
    EXPECT_EQ(KeyCodeOf(Key(SDLK_F10)), 217);
    EXPECT_EQ(KeyCodeOf(Key(SDLK_F10, KMOD_LALT)), 247);
    EXPECT_EQ(KeyCodeOf(Key(SDLK_PAGEUP)), 161);
    EXPECT_EQ(KeyCodeOf(Key(SDLK_HOME)), 164);
    EXPECT_EQ(KeyCodeOf(Key(SDLK_DOWN)), 168);
    EXPECT_EQ(KeyCodeOf(Key(SDLK_INSERT)), 173);
    EXPECT_EQ(KeyCodeOf(Key(SDLK_DELETE)), 174);
    EXPECT_EQ(KeyCodeOf(Key(SDLK_TAB, KMOD_LSHIFT)), 137);
    EXPECT_EQ(KeyCodeOf(Key(SDLK_TAB)), 9);
    EXPECT_EQ(KeyCodeOf(Key(SDLK_ESCAPE)), 27);
    EXPECT_EQ(KeyCodeOf(Key(SDLK_RETURN)), 13);
    EXPECT_EQ(KeyCodeOf(Key(SDLK_c, KMOD_LCTRL)), 3);
    EXPECT_EQ(KeyCodeOf(Key(SDLK_a)), -1); // letters come as text
    EXPECT_EQ(KeyCodeOf(Text("a")), 'a');
    EXPECT_EQ(KeyCodeOf(Text(".")), '.');
    EXPECT_EQ(KeyCodeOf(Text("\xC3\xA9")), 0xE9);   // a Latin-1 character
    EXPECT_EQ(KeyCodeOf(Text("\xE2\x82\xAC")), -1); // beyond one byte
}

TEST_F(WindowTest, KeysArriveInOrderAndTheQueueHoldsSixtyFour)
{
    Push(Text("x"));
    Push(Key(SDLK_F1));
    Push(Key(SDLK_LEFT));
    EXPECT_EQ(KeyAvailable(), 1);
    EXPECT_EQ(KeyGet(), 'x');
    EXPECT_EQ(KeyGet(), 208);
    EXPECT_EQ(KeyGet(), 165);
    EXPECT_EQ(KeyAvailable(), 0);

    for (int i = 0; i < 70; ++i)
        Push(Text(i < 64 ? "a" : "b"));
    int count = 0;
    while (KeyAvailable()) {
        EXPECT_EQ(KeyGet(), 'a');
        ++count;
    }
    EXPECT_EQ(count, 64); // the later keys are lost
}

TEST_F(WindowTest, CloseQueues241AndButtonsAreCounted)
{
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    Push(e);
    EXPECT_EQ(KeyGet(), KEY_CLOSE);

    const uint32_t left = WindowLeftReleases(), right = WindowRightReleases();
    SDL_Event b{};
    b.type = SDL_MOUSEBUTTONUP;
    b.button.button = SDL_BUTTON_LEFT;
    Push(b);
    Push(b);
    b.button.button = SDL_BUTTON_RIGHT;
    Push(b);
    WindowPump();
    EXPECT_EQ(WindowLeftReleases(), left + 2);
    EXPECT_EQ(WindowRightReleases(), right + 1);
}

TEST_F(WindowTest, PlacementOnEightPixelBoundaries)
{
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(WindowHandle(), &x, &y);
    SDL_GetWindowSize(WindowHandle(), &w, &h);
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 48);
    EXPECT_EQ(x % 8, 0);
    SDL_Rect area{};
    ASSERT_EQ(SDL_GetDisplayUsableBounds(0, &area), 0);
    EXPECT_LE(std::abs(x - (area.x + (area.w - 64) / 2)), 4); // centred, then aligned
    EXPECT_EQ(y, area.y + (area.h - 48) / 2);

    // An explicit position is aligned the same way: (x + 3) rounded down to 8.
    ASSERT_NE(WindowOpen(64, 48, 13, 20, 24), nullptr);
    SDL_GetWindowPosition(WindowHandle(), &x, &y);
    EXPECT_EQ(x, 16);
    EXPECT_EQ(y, 20);
    ASSERT_NE(WindowOpen(64, 48, 12, 20, 24), nullptr);
    SDL_GetWindowPosition(WindowHandle(), &x, &y);
    EXPECT_EQ(x, 8);
}

TEST_F(WindowTest, StretchAndReuse)
{
    WindowSetStretch(128, 96);
    ZorbDisplay *d = WindowOpen(64, 48, 0, 0, 24);
    WindowSetStretch(0, 0);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->Mode, 4);
    EXPECT_EQ(d->OutWidth, 128);
    EXPECT_EQ(d->Stretched, 1);
    int w = 0, h = 0;
    SDL_GetWindowSize(WindowHandle(), &w, &h);
    EXPECT_EQ(w, 128);
    EXPECT_EQ(h, 96);

    // A full-screen display large enough is kept for the next picture, cleared
    // unless asked to keep it.
    ZorbDisplay *f = WindowOpen(320, 200, -1, -1, 23 | WINDOW_DOUBLE_BUFFER);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Mode, 2);
    f->Buffer[0] = 7;
    EXPECT_EQ(WindowOpen(100, 100, -1, -1, 23 | WINDOW_DOUBLE_BUFFER | WINDOW_KEEP_PICTURE), f);
    EXPECT_EQ(f->Buffer[0], 7);
    EXPECT_EQ(WindowOpen(100, 100, -1, -1, 23 | WINDOW_DOUBLE_BUFFER), f);
    EXPECT_EQ(f->Buffer[0], 0);
    ZorbDisplay *g = WindowOpen(320, 240, -1, -1, 22); // larger: a new display
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->Mode, 1);
}

TEST_F(WindowTest, PointerInPictureCoordinates)
{
    const auto motion = [](int x, int y) {
        SDL_Event e{};
        e.type = SDL_MOUSEMOTION;
        e.motion.windowID = SDL_GetWindowID(WindowHandle());
        e.motion.x = x;
        e.motion.y = y;
        ASSERT_EQ(SDL_PushEvent(&e), 1);
        WindowPump();
    };
    int32_t x = 0, y = 0;
    EXPECT_EQ(WindowPointer(&x, &y), 0);
    EXPECT_EQ(x, -1);
    // A picture shown twice its size: window points are halved.
    WindowSetStretch(128, 96);
    ASSERT_NE(WindowOpen(64, 48, 0, 0, 24), nullptr);
    WindowSetStretch(0, 0);
    motion(64, 51);
    ASSERT_EQ(WindowPointer(&x, &y), 1);
    EXPECT_EQ(x, 32);
    EXPECT_EQ(y, 25);
    SDL_Event leave{};
    leave.type = SDL_WINDOWEVENT;
    leave.window.event = SDL_WINDOWEVENT_LEAVE;
    Push(leave);
    WindowPump();
    EXPECT_EQ(WindowPointer(&x, &y), 0);
    EXPECT_EQ(y, -1);
    // Moving the pointer there and back; in a full-screen mode the picture
    // is centred in the logical screen.
    for (uint32_t flags : {24u, 22u}) {
        ASSERT_NE(WindowOpen(64, 48, 0, 0, flags), nullptr);
        WindowSetPointer(10, 20);
        WindowPump();
        ASSERT_EQ(WindowPointer(&x, &y), 1) << flags;
        EXPECT_EQ(x, 10);
        EXPECT_EQ(y, 20);
    }
    // The window's own events wake a sleeper at once.
    Push(leave);
    EXPECT_EQ(WindowWaitEvent(1000), 1);
}

TEST_F(WindowTest, CloseKeepsTheDescriptionForTheSummary)
{
    WindowClose();
    EXPECT_STREQ(WindowLastDescription(), "Standard Windows DIBs");
    EXPECT_GT(WindowScreenColours(), 256u);
    EXPECT_EQ(WindowHandle(), nullptr);
    display = WindowOpen(64, 48, -1, -1, 24); // for TearDown
}

} // namespace

namespace {

TEST(MessageBox, NotInstalledWithoutARealDisplay)
{
    const char *old = std::getenv("SDL_VIDEODRIVER");
    const std::string saved = old ? old : "";
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    EXPECT_EQ(DisplayInstallMessageBox(), 0);
    if (old)
        setenv("SDL_VIDEODRIVER", saved.c_str(), 1);
    else
        unsetenv("SDL_VIDEODRIVER");
}

} // namespace

namespace {

TEST_F(WindowTest, FullScreenActivityFollowsFocus)
{
    ZorbDisplay *d = WindowOpen(320, 200, -1, -1, 23 | WINDOW_DOUBLE_BUFFER);
    ASSERT_NE(d, nullptr);
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    Push(e);
    WindowPump();
    EXPECT_EQ(DisplayIsActive(d), 0);
    e.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
    Push(e);
    WindowPump();
    EXPECT_EQ(DisplayIsActive(d), 1);
}

TEST(KeyGetWithoutWindow, DoesNotWaitForEver)
{
    WindowClose();
    EXPECT_EQ(KeyGet(), KEY_CLOSE);
}

} // namespace

namespace {

// F11 and Alt+Enter switch a windowed display to the whole screen and back;
// they queue no key. A full-screen mode stays full screen.
TEST_F(WindowTest, F11AndAltEnterToggleFullScreen)
{
    const auto fullScreen = [] { return (SDL_GetWindowFlags(WindowHandle()) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0; };
    ASSERT_FALSE(fullScreen());
    Push(Key(SDLK_F11));
    WindowPump();
    EXPECT_TRUE(fullScreen());
    Push(Key(SDLK_RETURN, KMOD_LALT));
    WindowPump();
    EXPECT_FALSE(fullScreen());
    EXPECT_EQ(KeyAvailable(), 0);
    Push(Key(SDLK_RETURN)); // Enter alone is a key
    EXPECT_EQ(KeyGet(), 13);
}

// Borderless styles draw their own frame around the picture.
TEST(WindowStyles, FramesOfBorderlessWindows)
{
    struct Case {
        uint32_t flags;
        int frame;
    };
    for (const Case &c : {Case{0, 0}, Case{WINDOW_NO_DIALOG_FRAME | WINDOW_THIN_BORDER, 0},
                          Case{WINDOW_NO_DIALOG_FRAME | WINDOW_THIN_BORDER | WINDOW_NO_CAPTION, 1},
                          Case{WINDOW_NO_CAPTION, 3}, Case{WINDOW_NO_DIALOG_FRAME | WINDOW_NO_CAPTION, 0}}) {
        ZorbDisplay *d = WindowOpen(64, 48, 0, 0, 24 | c.flags);
        ASSERT_NE(d, nullptr);
        int w = 0, h = 0;
        SDL_GetWindowSize(WindowHandle(), &w, &h);
        EXPECT_EQ(w, 64 + 2 * c.frame) << c.flags;
        EXPECT_EQ(h, 48 + 2 * c.frame) << c.flags;
        EXPECT_EQ((SDL_GetWindowFlags(WindowHandle()) & SDL_WINDOW_BORDERLESS) != 0,
                  (c.flags & WINDOW_NO_CAPTION) != 0);
        // The picture itself is still shown whole.
        std::vector<uint32_t> shown;
        int ow = 0, oh = 0;
        ASSERT_TRUE(zorb::display::ReadShown(d, shown, ow, oh));
        EXPECT_EQ(ow, 64 + 2 * c.frame);
        WindowClose();
    }
}

// A mode that cannot show the picture says why.
TEST(WindowErrors, TheReasonIsKept)
{
    EXPECT_EQ(WindowOpen(320, 240, 0, 0, 23 | WINDOW_DOUBLE_BUFFER), nullptr);
    EXPECT_NE(std::string(WindowLastError()).find("at most 320 x 200"), std::string::npos) << WindowLastError();
    ZorbDisplay *d = WindowOpen(64, 48, 0, 0, 24);
    ASSERT_NE(d, nullptr);
    EXPECT_STREQ(WindowLastError(), "");
    WindowClose();
}

} // namespace
