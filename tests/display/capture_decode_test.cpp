// Capture files of a played file equal the frames the decoder produced.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "codec/zorb.h"
#include "runtime/display.h"
#include "runtime/display_internal.h"
#include "tests/support/zbxgen.h"

namespace {

zbxgen::Description Movie(uint32_t w, uint32_t h, uint32_t seed)
{
    zbxgen::Rng rng(seed);
    zbxgen::Description d;
    d.width = w;
    d.height = h;
    d.options.seed = seed;
    std::vector<uint8_t> previous;
    const zbxgen::Content kinds[] = {zbxgen::Content::Random, zbxgen::Content::MostlySkipped,
                                     zbxgen::Content::TwoColour, zbxgen::Content::Fill, zbxgen::Content::MostlySkipped};
    for (int i = 0; i < 5; ++i) {
        zbxgen::Frame f;
        if (i == 3) {
            // picture unchanged: nothing to draw, still a frame shown
        } else {
            f.picture = zbxgen::MakePicture(w, h, kinds[i], rng, previous.empty() ? nullptr : &previous);
            previous = f.picture;
        }
        if (i == 0 || i == 2)
            f.palette = zbxgen::RandomPalette(rng);
        d.frames.push_back(f);
    }
    return d;
}

struct TempDir {
    std::filesystem::path path;
    TempDir()
    {
        char tmpl[] = "/tmp/zorbplayXXXXXX";
        path = mkdtemp(tmpl);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
};

std::vector<uint8_t> ReadFile(const std::filesystem::path &p)
{
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

class CaptureDecoded : public ::testing::TestWithParam<uint32_t> {};

TEST_P(CaptureDecoded, CapturesEqualDecodedFrames)
{
    const uint32_t flags = GetParam();
    TempDir dir;
    const auto desc = Movie(64, 48, flags);
    const std::string file = (dir.path / "movie.zbx").string();
    ASSERT_TRUE(zbxgen::WriteFile(desc, file));
    const auto frames = dir.path / "frames";
    std::filesystem::create_directory(frames);
    setenv("ZORB_CAPTURE", frames.c_str(), 1);

    ZorbHandle *h = ZorbOpen(const_cast<char *>(file.c_str()), ZORB_OPEN_NEVER_SKIP | ZORB_OPEN_PRELOAD, -1);
    ASSERT_NE(h, nullptr);
    ZorbDisplay *d = WindowOpen(static_cast<int32_t>(h->Width), static_cast<int32_t>(h->Height), -1, -1, flags);
    ASSERT_NE(d, nullptr);
    DisplayAttach(d, h);
    for (uint32_t i = 0; i < h->FrameCount; ++i) {
        if (h->FreshPalette) {
            DisplaySetPalette(d, h->Palette, 0);
            h->FreshPalette = 0;
        }
        ZorbDecodeFrame(h);
        DisplayDrawChanges(d, h);
        if (!d->FullScreen) {
            // What the window shows after drawing only the changed rectangles.
            std::vector<uint32_t> shown;
            int ow = 0, oh = 0;
            ASSERT_TRUE(zorb::display::ReadShown(d, shown, ow, oh));
            const auto picture = zbxgen::PictureAt(desc, i);
            const auto palette = zbxgen::PaletteAt(desc, i);
            const int tolerance = d->ScreenBlitter ? 8 : 0; // 16-bit direct writing rounds
            int bad = 0;
            for (int y = 0; y < oh; ++y)
                for (int x = 0; x < ow; ++x) {
                    const uint8_t index = picture[(y * 48 / oh) * 64 + x * 64 / ow];
                    const uint32_t px = shown[y * ow + x];
                    const int r = (px >> 16) & 255, g = (px >> 8) & 255, b = px & 255;
                    if (std::abs(r - palette[index * 3]) > tolerance ||
                        std::abs(g - palette[index * 3 + 1]) > tolerance ||
                        std::abs(b - palette[index * 3 + 2]) > tolerance)
                        ++bad;
                }
            EXPECT_EQ(bad, 0) << "frame " << i;
        }
        ZorbAdvanceFrame(h);
    }
    const int width = d->Width, height = d->Height;
    WindowClose();
    ZorbClose(h);
    unsetenv("ZORB_CAPTURE");

    for (size_t i = 0; i < desc.frames.size(); ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%05zu.raw", i + 1); // numbered from 1
        const auto got = ReadFile(frames / name);
        ASSERT_EQ(got.size(), static_cast<size_t>(width) * height + 768) << name;
        const auto picture = zbxgen::PictureAt(desc, i);
        const auto palette = zbxgen::PaletteAt(desc, i);
        for (int y = 0; y < 48; ++y)
            ASSERT_TRUE(std::equal(picture.begin() + y * 64, picture.begin() + y * 64 + 64, got.begin() + y * width))
                << name << " row " << y;
        EXPECT_TRUE(std::equal(palette.begin(), palette.end(), got.begin() + static_cast<ptrdiff_t>(width) * height))
            << name;
    }
    char name[32];
    std::snprintf(name, sizeof name, "frame_%05zu.raw", desc.frames.size() + 1);
    EXPECT_FALSE(std::filesystem::exists(frames / name));
}

// Standard DIBs, DIBSection (direct writing, 1x; and without), full screen 320x200 (bottom-up),
// full screen direct (the buffer is the screen), full screen 320x240.
INSTANTIATE_TEST_SUITE_P(Modes, CaptureDecoded, ::testing::Values(24u, 25u, 25u | 0x20u, 23u | 0x100u, 23u, 22u));

} // namespace
