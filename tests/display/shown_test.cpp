// What the window shows, read back from the renderer, and the capture files.
#include <gtest/gtest.h>

#include <SDL.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "runtime/display.h"
#include "runtime/display_internal.h"

namespace {

std::vector<uint8_t> RandomPalette(std::mt19937 &rng)
{
    std::vector<uint8_t> p(768);
    for (auto &v : p)
        v = static_cast<uint8_t>(rng());
    return p;
}

void Paint(ZorbDisplay *d, std::mt19937 &rng, std::vector<uint8_t> &picture)
{
    picture.resize(static_cast<size_t>(d->Width) * d->Height);
    for (auto &v : picture)
        v = static_cast<uint8_t>(rng() % 7);
    for (int y = 0; y < d->Height; ++y) {
        const int row = d->BottomUp ? d->Height - 1 - y : y;
        std::copy_n(picture.begin() + y * d->Width, d->Width, d->Buffer + row * d->Pitch);
    }
}

struct ShownCase {
    uint32_t flags;
    int stretch; // output scale
    int tolerance;
};

class ShownTest : public ::testing::TestWithParam<ShownCase> {
protected:
    void TearDown() override { WindowClose(); }
};

TEST_P(ShownTest, WindowShowsThePictureInItsPalette)
{
    const ShownCase c = GetParam();
    std::mt19937 rng(c.flags);
    const int w = 40, h = 24;
    WindowSetStretch(w * c.stretch, h * c.stretch);
    ZorbDisplay *d = WindowOpen(w, h, 0, 0, c.flags);
    WindowSetStretch(0, 0);
    ASSERT_NE(d, nullptr);
    const auto pal = RandomPalette(rng);
    DisplaySetPalette(d, pal.data(), 0);
    std::vector<uint8_t> picture;
    Paint(d, rng, picture);
    DisplayBeginBatch(d);
    DisplayDraw(d, nullptr, 0, 0, 0, 0, w, h);
    DisplayEndBatch(d);

    std::vector<uint32_t> shown;
    int ow = 0, oh = 0;
    ASSERT_TRUE(zorb::display::ReadShown(d, shown, ow, oh)) << SDL_GetError();
    ASSERT_EQ(ow, d->OutWidth);
    ASSERT_EQ(oh, d->OutHeight);
    int bad = 0;
    for (int y = 0; y < oh; ++y) {
        // Interlaced direct writing leaves every other line black.
        const bool skipped =
            ((d->ScreenBlitter && d->ScreenBlitter->Mode == 8) || d->Private->deep == DeepMode::Interlaced) && (y & 1);
        for (int x = 0; x < ow; ++x) {
            const uint8_t index = picture[(y * h / oh) * w + x * w / ow];
            const uint32_t px = shown[y * ow + x];
            const int r = (px >> 16) & 255, g = (px >> 8) & 255, b = px & 255;
            const int er = skipped ? 0 : pal[index * 3], eg = skipped ? 0 : pal[index * 3 + 1],
                      eb = skipped ? 0 : pal[index * 3 + 2];
            if (std::abs(r - er) > c.tolerance || std::abs(g - eg) > c.tolerance || std::abs(b - eb) > c.tolerance)
                ++bad;
        }
    }
    EXPECT_EQ(bad, 0) << "of " << ow * oh;
}

INSTANTIATE_TEST_SUITE_P(Modes, ShownTest,
                         ::testing::Values(ShownCase{24, 1, 0},          // standard DIBs
                                           ShownCase{24, 2, 0},          // stretched
                                           ShownCase{25 | 0x20, 2, 0},   // DIBSection without direct writing
                                           ShownCase{25, 1, 0},          // direct writing, 32-bit 1x: exact
                                           ShownCase{25, 2, 0},          // direct writing, 32-bit 2x
                                           ShownCase{25 | 0x80, 2, 0})); // interlaced

// ---- Capture -----------------------------------------------------------------

struct CaptureDir {
    std::filesystem::path path;
    CaptureDir()
    {
        char tmpl[] = "/tmp/zorbcapXXXXXX";
        path = mkdtemp(tmpl);
        setenv("ZORB_CAPTURE", path.c_str(), 1);
    }
    ~CaptureDir()
    {
        unsetenv("ZORB_CAPTURE");
        std::filesystem::remove_all(path);
    }
    std::vector<uint8_t> Read(int n) const
    {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%05d.raw", n);
        std::ifstream f(path / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(f), {}};
    }
};

TEST(Capture, EveryBatchEndWritesPictureAndPalette)
{
    CaptureDir dir;
    std::mt19937 rng(3);
    for (uint32_t flags : {24u, 25u, 22u, 23u | 0x100u, 23u}) {
        zorb::display::ResetCaptureForTests();
        ZorbDisplay *d = WindowOpen(48, 20, -1, -1, flags);
        ASSERT_NE(d, nullptr) << flags;
        auto pal = RandomPalette(rng);
        DisplaySetPalette(d, pal.data(), 0);
        std::vector<uint8_t> first, second;
        Paint(d, rng, first);
        DisplayBeginBatch(d);
        DisplayDraw(d, nullptr, 0, 0, 0, 0, 8, 8);
        DisplayEndBatch(d);
        Paint(d, rng, second);
        DisplayBeginBatch(d); // nothing drawn: still a frame shown
        DisplayEndBatch(d);
        const size_t bytes = static_cast<size_t>(d->Width) * d->Height;
        for (int k = 0; k < 2; ++k) {
            const auto file = dir.Read(k + 1); // numbered from 1
            ASSERT_EQ(file.size(), bytes + 768) << "flags " << flags << " frame " << k;
            const auto &want = k ? second : first;
            EXPECT_TRUE(std::equal(want.begin(), want.end(), file.begin())) << "flags " << flags << " frame " << k;
            EXPECT_TRUE(std::equal(pal.begin(), pal.end(), file.begin() + bytes)) << "flags " << flags;
        }
        EXPECT_TRUE(dir.Read(0).empty());
        EXPECT_TRUE(dir.Read(3).empty());
        WindowClose();
        std::filesystem::remove_all(dir.path);
        std::filesystem::create_directory(dir.path);
    }
}

} // namespace

namespace {

TEST(FullScreenShown, BottomUpBufferShowsUpright)
{
    for (uint32_t flags : {22u, 23u | 0x100u}) {
        ZorbDisplay *d = WindowOpen(320, 200, -1, -1, flags);
        ASSERT_NE(d, nullptr);
        ASSERT_EQ(d->BottomUp, 1);
        uint8_t pal[768] = {};
        pal[3] = 255;     // 1: red
        pal[6 + 2] = 255; // 2: blue
        DisplaySetPalette(d, pal, 0);
        for (int y = 0; y < d->Height; ++y) // picture rows: top half 1, bottom half 2
            std::memset(d->Buffer + (d->Height - 1 - y) * d->Pitch, y < d->Height / 2 ? 1 : 2, d->Width);
        DisplayBeginBatch(d);
        DisplayDraw(d, nullptr, 0, 0, 0, 0, 320, 200);
        DisplayEndBatch(d);
        std::vector<uint32_t> px;
        int w = 0, h = 0;
        ASSERT_TRUE(zorb::display::ReadShown(d, px, w, h));
        uint32_t top = 0, bottom = 0;
        for (int y = 0; y < h && !top; ++y)
            top = px[y * w + w / 2] & 0xFFFFFF;
        for (int y = h - 1; y >= 0 && !bottom; --y)
            bottom = px[y * w + w / 2] & 0xFFFFFF;
        EXPECT_EQ(top, 0xFF0000u) << flags;
        EXPECT_EQ(bottom, 0x0000FFu) << flags;
        WindowClose();
    }
}

} // namespace
