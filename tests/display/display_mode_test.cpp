// Display modes, records, batching, palettes and capture, headless.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/display.h"
#include "runtime/display_internal.h"

namespace {

// Makes the display layer take the screen as this deep while it lives.
class ScreenDepth {
public:
    explicit ScreenDepth(int bits)
    {
        zorb::display::ReadScreenOnce();
        saved_ = zorb::display::TheScreen().bitsPerPixel;
        zorb::display::TheScreen().bitsPerPixel = bits;
    }
    ~ScreenDepth() { zorb::display::TheScreen().bitsPerPixel = saved_; }

private:
    int saved_;
};

class DisplayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(zorb::display::VideoReady()) << SDL_GetError();
        window = SDL_CreateWindow("test", 0, 0, 320, 240, SDL_WINDOW_HIDDEN);
        ASSERT_NE(window, nullptr) << SDL_GetError();
    }
    void TearDown() override
    {
        for (ZorbDisplay *d : opened)
            DisplayClose(d);
        if (window)
            SDL_DestroyWindow(window);
    }
    ZorbDisplay *Open(uint32_t request, int w, int h, int sw = 0, int sh = 0)
    {
        ZorbDisplay *d = DisplayOpen(window, request, w, h, sw, sh);
        if (d)
            opened.push_back(d);
        return d;
    }
    void Close(ZorbDisplay *d)
    {
        std::erase(opened, d);
        DisplayClose(d);
    }
    SDL_Window *window = nullptr;
    std::vector<ZorbDisplay *> opened;
};

TEST_F(DisplayTest, AutomaticPicksDibSectionAndSpecificRequestsFollowSizeRules)
{
    ZorbDisplay *d = Open(DISPLAY_AUTOMATIC, 400, 300);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->Mode, DISPLAY_DIBSECTION);
    Close(d);
    EXPECT_EQ(Open(DISPLAY_FULL_320X240, 400, 300), nullptr);
    EXPECT_EQ(Open(DISPLAY_FULL_DIRECT, 320, 240), nullptr);
    d = Open(DISPLAY_FULL_320X240, 320, 240);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->Mode, 1);
    EXPECT_EQ(d->FullScreen, 1);
    EXPECT_EQ(d->BottomUp, 1);
    EXPECT_EQ(d->RectMode, 1);
    Close(d);
    d = Open(DISPLAY_FULL_DIRECT, 320, 200);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->Width, 320);
    EXPECT_EQ(d->Height, 200);
    EXPECT_EQ(d->RectMode, 2);
    EXPECT_NE(d->SavedScreen, nullptr);
    Close(d);
    d = Open(DISPLAY_FULL_DIRECT, 100, 50); // the direct mode is always the whole screen
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->Width, 320);
    EXPECT_EQ(d->Height, 200);
    Close(d);
    d = Open(DISPLAY_FULL_320X240, 320, 180); // short pictures get 204 lines
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->Height, 204);
    Close(d);
    EXPECT_EQ(Open(DISPLAY_FULL_320X200, 320, 200, 640, 400), nullptr); // no stretching full screen
    EXPECT_EQ(Open(6, 64, 64), nullptr);
    EXPECT_EQ(Open(DISPLAY_AUTOMATIC, 0, 10), nullptr);
}

TEST_F(DisplayTest, RecordFields)
{
    ZorbDisplay *d = Open(DISPLAY_DIBS, 50, 30);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->Mode, 4);
    EXPECT_EQ(d->Pitch, 56);
    EXPECT_EQ(d->BottomUp, 0);
    EXPECT_EQ(d->RectMode, 1);
    EXPECT_EQ(d->Stretched, 0);
    EXPECT_EQ(d->PaletteFormat, 6u);
    EXPECT_EQ(d->FirstUsable, 0);
    EXPECT_EQ(d->EndUsable, 256);
    EXPECT_EQ(d->UsableEntries, 256);
    EXPECT_EQ(d->PaletteEntries, 256);
    EXPECT_GT(d->ScreenColours, 256u);
    for (int y = 0; y < d->Height; ++y)
        for (int x = 0; x < d->Width; ++x)
            ASSERT_EQ(d->Buffer[y * d->Pitch + x], 0);

    // Mode 5: merged rectangles when the output is a quarter-step multiple.
    ZorbDisplay *e = Open(DISPLAY_DIBSECTION, 64, 32, 128, 64);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->RectMode, 0);
    EXPECT_EQ(e->Stretched, 1);
    ZorbDisplay *f = Open(DISPLAY_DIBSECTION, 64, 32, 100, 50);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->RectMode, 1);
    EXPECT_EQ(f->ScreenBlitter, nullptr); // not 1x or 2x: no direct writing
}

TEST_F(DisplayTest, BatchCapacity)
{
    ZorbDisplay *d = Open(DISPLAY_DIBS, 160, 1); // the sound-only picture
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->BatchCapacity, 16);
    ZorbDisplay *e = Open(DISPLAY_DIBS, 640, 480);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->BatchCapacity, (480 / 4) * (640 / 64) / 2);
}

// On a 16-bit screen the 16-bit blitter writes to the screen.
TEST_F(DisplayTest, DirectWritingFollowsOptionsOnA16BitScreen)
{
    ScreenDepth depth(16);
    ZorbDisplay *d = Open(DISPLAY_DIBSECTION, 64, 32, 128, 64);
    ASSERT_NE(d, nullptr);
    ASSERT_NE(d->ScreenBlitter, nullptr);
    EXPECT_EQ(d->ScreenBlitter->Mode, 7u);
    char text[128];
    EXPECT_STREQ(DisplayDescribe(d, text), "DIBSection"); // nothing shown yet
    Close(d);
    d = Open(DISPLAY_DIBSECTION | DISPLAY_OPT_SMOOTH, 64, 32, 128, 64);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->ScreenBlitter->Mode, 9u);
    Close(d);
    d = Open(DISPLAY_DIBSECTION | DISPLAY_OPT_INTERLACED, 64, 32, 128, 64);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->ScreenBlitter->Mode, 8u);
    Close(d);
    d = Open(DISPLAY_DIBSECTION | DISPLAY_OPT_NO_DIRECT, 64, 32, 128, 64);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->ScreenBlitter, nullptr);
    EXPECT_STREQ(DisplayDescribe(d, text), "DIBSection");
    Close(d);
    d = Open(DISPLAY_DIBSECTION, 64, 32);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->ScreenBlitter->Mode, 6u);
    SDL_ShowWindow(window);
    DisplayBeginBatch(d);
    DisplayEndBatch(d);
    DisplayDraw(d, nullptr, 0, 0, 0, 0, 64, 32);
    EXPECT_EQ(std::string(DisplayDescribe(d, text)).rfind("DIBSection with accelerated blitting (16-bit 1x", 0), 0u)
        << text;
}

// Deeper screens get 32-bit colour, in the same four forms.
TEST_F(DisplayTest, DirectWritingIn32BitColourOnDeeperScreens)
{
    ScreenDepth depth(24);
    struct Case {
        uint32_t options;
        int scale;
        DeepMode mode;
        const char *text;
    };
    for (const Case &c : {Case{0, 1, DeepMode::One, "32-bit 1x"}, Case{0, 2, DeepMode::Double, "32-bit 2x"},
                          Case{DISPLAY_OPT_INTERLACED, 2, DeepMode::Interlaced, "32-bit 2x Interlaced"},
                          Case{DISPLAY_OPT_SMOOTH, 2, DeepMode::Smooth, "32-bit 2x Smoothing"}}) {
        ZorbDisplay *d = Open(DISPLAY_DIBSECTION | c.options, 64, 32, 64 * c.scale, 32 * c.scale);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->ScreenBlitter, nullptr);
        EXPECT_EQ(d->Private->deep, c.mode);
        EXPECT_EQ(zorb::display::DirectBits(d), 32);
        SDL_ShowWindow(window);
        DisplayDraw(d, nullptr, 0, 0, 0, 0, 64, 32); // shown: on screen
        char text[128];
        EXPECT_EQ(std::string(DisplayDescribe(d, text)),
                  std::string("DIBSection with accelerated blitting (") + c.text + ")");
        Close(d);
    }
    ZorbDisplay *d = Open(DISPLAY_DIBSECTION | DISPLAY_OPT_NO_DIRECT, 64, 32, 128, 64);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(zorb::display::DirectBits(d), 0);
}

TEST_F(DisplayTest, DrawingBatchesAndRepaints)
{
    ZorbDisplay *d = Open(DISPLAY_DIBS, 640, 12);
    ASSERT_NE(d, nullptr);
    const int cap = d->BatchCapacity;
    ASSERT_EQ(cap, 16);
    DisplayBeginBatch(d);
    for (int i = 0; i < cap; ++i)
        EXPECT_EQ(DisplayDraw(d, nullptr, i, 0, i, 0, 1, 1), 0);
    EXPECT_EQ(d->BatchCount, cap);
    EXPECT_EQ(d->HasDrawn, 0);                               // collected, not drawn
    EXPECT_EQ(DisplayDraw(d, nullptr, 0, 0, 0, 0, 4, 4), 0); // full list: drawn at once
    EXPECT_EQ(d->HasDrawn, 1);
    EXPECT_EQ(d->BatchCount, cap);
    DisplayEndBatch(d);
    EXPECT_EQ(d->BatchMode, DISPLAY_BATCH_OFF);
    EXPECT_EQ(d->BatchCount, 0);

    // A palette change on a screen of many colours: the next drawing repaints all.
    uint8_t pal[768] = {};
    DisplaySetPalette(d, pal, 0);
    EXPECT_EQ(d->RepaintAll, 1);
    EXPECT_EQ(DisplayDraw(d, nullptr, 0, 0, 0, 0, 4, 4), DISPLAY_REPAINTED);
    EXPECT_EQ(DisplayDraw(d, nullptr, 0, 0, 0, 0, 4, 4), 0);
    // In a batch the replay stops at the whole-picture repaint.
    DisplaySetPalette(d, pal, 0);
    DisplayBeginBatch(d);
    DisplayDraw(d, nullptr, 0, 0, 0, 0, 4, 4);
    DisplayDraw(d, nullptr, 0, 0, 8, 0, 4, 4);
    DisplayEndBatch(d);
    EXPECT_EQ(d->RepaintAll, 0);
    // Rectangles outside the picture are clipped, not drawn past the buffer.
    EXPECT_EQ(DisplayDraw(d, nullptr, 0, 0, 630, 10, 100, 100), 0);
    EXPECT_EQ(DisplayDraw(d, nullptr, 0, 0, -5, -5, 10, 10), 0);
}

TEST_F(DisplayTest, FullScreenDrawingAlwaysSendsTheWholePicture)
{
    ZorbDisplay *d = Open(DISPLAY_FULL_320X200, 320, 200);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(DisplayDraw(d, nullptr, 0, 0, 0, 0, 8, 8), DISPLAY_REPAINTED);
    Close(d);
    d = Open(DISPLAY_FULL_DIRECT, 320, 200);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(DisplayDraw(d, nullptr, 0, 0, 0, 0, 8, 8), 0);
}

TEST_F(DisplayTest, PaletteAndClear)
{
    ZorbDisplay *d = Open(DISPLAY_DIBS, 20, 10);
    ASSERT_NE(d, nullptr);
    uint8_t pal[256 * 4];
    for (int i = 0; i < 256; ++i)
        pal[i * 4] = 0, pal[i * 4 + 1] = i, pal[i * 4 + 2] = 255 - i, pal[i * 4 + 3] = 9;
    DisplaySetPalette(d, pal, ZORB_PALFMT_4BYTE | ZORB_PALFMT_SKIP1); // R, G, B from the second byte
    EXPECT_EQ(d->Palette[7 * 4 + 2], 7);                              // red
    EXPECT_EQ(d->Palette[7 * 4 + 1], 255 - 7);                        // green
    EXPECT_EQ(d->Palette[7 * 4 + 0], 9);                              // blue
    EXPECT_EQ(d->Palette[7 * 4 + 3], 0);
    d->Buffer[d->Pitch - 1] = 0xAB; // row padding
    DisplayClear(d, 0x1FE);
    EXPECT_EQ(d->Buffer[0], 0xFE);
    EXPECT_EQ(d->Buffer[9 * d->Pitch + 19], 0xFE);
    EXPECT_EQ(d->Buffer[d->Pitch - 1], 0xAB); // padding untouched
}

TEST(DisplayResolution, Values)
{
    EXPECT_EQ(DisplaySetResolution(5), 0);
    EXPECT_EQ(DisplaySetResolution(-1), 0);
    EXPECT_EQ(DisplaySetResolution(0), 1);
}

TEST(DisplayResolution, FollowsTheScreensModes)
{
    ASSERT_TRUE(zorb::display::VideoReady());
    const int sizes[5][2] = {{0, 0}, {640, 400}, {640, 480}, {800, 600}, {1024, 768}};
    for (int which = 1; which <= 4; ++which) {
        bool present = false;
        for (int i = 0; i < SDL_GetNumDisplayModes(0); ++i) {
            SDL_DisplayMode m{};
            if (SDL_GetDisplayMode(0, i, &m) == 0 && m.w == sizes[which][0] && m.h == sizes[which][1])
                present = true;
        }
        EXPECT_EQ(DisplaySetResolution(which), present ? 1 : 0) << which;
        if (present) {
            // The full-screen modes use it.
            ZorbDisplay *d = WindowOpen(320, 200, -1, -1, 23 | WINDOW_DOUBLE_BUFFER);
            ASSERT_NE(d, nullptr);
            EXPECT_EQ(d->Mode, 2);
            WindowClose();
        }
    }
    EXPECT_EQ(DisplaySetResolution(0), 1);
}

TEST(DisplayNames, ModeNames)
{
    EXPECT_STREQ(DisplayModeName(0), "Automatic");
    EXPECT_STREQ(DisplayModeName(3), "Full screen 320x200 direct");
    EXPECT_STREQ(DisplayModeName(4), "Standard Windows DIBs");
    EXPECT_STREQ(DisplayModeName(5), "DIBSection");
}

TEST(WindowFlags, ModeRequest)
{
    EXPECT_EQ(WindowModeRequest(25), 5u);
    EXPECT_EQ(WindowModeRequest(24), 4u);
    EXPECT_EQ(WindowModeRequest(23), 3u);
    EXPECT_EQ(WindowModeRequest(23 | 0x100), 2u);
    EXPECT_EQ(WindowModeRequest(22), 1u);
    EXPECT_EQ(WindowModeRequest(0), 0u);
    EXPECT_EQ(WindowModeRequest(7), 0u);
    EXPECT_EQ(WindowModeRequest(25 | 0x20 | 0x40 | 0x80),
              5u | DISPLAY_OPT_NO_DIRECT | DISPLAY_OPT_SMOOTH | DISPLAY_OPT_INTERLACED);
}

} // namespace

namespace {

TEST(DisplayDrawLimits, ExtremeRectanglesAreClipped)
{
    ASSERT_TRUE(zorb::display::VideoReady());
    SDL_Window *w = SDL_CreateWindow("t", 0, 0, 64, 64, SDL_WINDOW_HIDDEN);
    ASSERT_NE(w, nullptr);
    ZorbDisplay *d = DisplayOpen(w, DISPLAY_DIBSECTION | DISPLAY_OPT_SMOOTH, 32, 16, 64, 32);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(DisplayDraw(d, nullptr, 0, 0, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX), 0);
    EXPECT_EQ(DisplayDraw(d, nullptr, 0, 0, INT32_MAX, 3, INT32_MAX, 2), 0);
    EXPECT_EQ(DisplayDraw(d, nullptr, 0, 0, -3, -3, INT32_MIN, 5), 0);
    EXPECT_EQ(DisplayDraw(d, nullptr, 0, 0, 31, 15, 1, 1), 0); // the smoothing widening stays inside
    DisplayClose(d);
    SDL_DestroyWindow(w);
}

} // namespace
