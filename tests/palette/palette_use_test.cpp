// Palette analysis as graphics input uses it: 8-bit frames from true-colour
// and palettised sources, palette ranges, system colours, palette files,
// stretches that end at palette changes, and the 24-bit conversion.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "tests/support/gfx_images.h"
#include "tests/support/gfx_samples.h"
#include "vexutil/graphics/graphics_input_internal.h"
#include "vexutil/graphics/palette_reduction.h"
#include "vexutil/vexutil.h"

using namespace gfxsamples;

namespace {

std::string Path(const std::string &name)
{
    return gfxsamples::ScratchDir("paluse") + "/" + name;
}

struct Closer {
    void operator()(GFILE *g) const { GFileClose(g); }
};
using GPtr = std::unique_ptr<GFILE, Closer>;

std::vector<std::pair<std::string, int>> *gMessages = nullptr;
int gCancelAfter = -1;
int Record(const char *text, int level)
{
    if (gMessages)
        gMessages->emplace_back(text ? text : "", level);
    return gCancelAfter >= 0 && gMessages && int(gMessages->size()) >= gCancelAfter;
}

GPtr Open(const std::string &name, int mode, int limit, int first, int count, int sys, int conv,
          const char *paletteFile = nullptr)
{
    return GPtr(GFileOpen(name.c_str(), 0, 0, 0, 0, 0, 0, 0, mode, limit, first, count, sys, conv, paletteFile, nullptr,
                          Record));
}

uint32_t Rgb(const uint8_t *p)
{
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

} // namespace

class PaletteUse : public ::testing::Test {
protected:
    void SetUp() override
    {
        gMessages = &messages;
        gCancelAfter = -1;
    }
    void TearDown() override { gMessages = nullptr; }
    std::vector<std::pair<std::string, int>> messages;
};

TEST_F(PaletteUse, TrueColourImageGetsItsColoursExactly)
{
    // Three colours: each gets an entry of its own colour cell (a box split
    // off a larger box keeps its mean, 4 x the cell; the last split of two
    // cells expands both by bit replication).
    uint8_t c[3][3] = {{vex::Expand6(10), vex::Expand6(20), vex::Expand6(30)},
                       {vex::Expand6(63), vex::Expand6(0), vex::Expand6(0)},
                       {vex::Expand6(5), vex::Expand6(60), vex::Expand6(40)}};
    Bytes rgb;
    for (int i = 0; i < 64; i++)
        rgb.insert(rgb.end(), c[i % 3], c[i % 3] + 3);
    ASSERT_TRUE(WriteTrueColourImage("BMP3", Path("three.bmp"), 16, 4, rgb));
    GPtr g = Open(Path("three.bmp"), 0, 0, 0, 256, 2, 2);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->depth, 24u);
    ASSERT_TRUE(GFileGet(g.get()));
    EXPECT_TRUE(g->paletteChanged);
    for (int i = 0; i < 64; i++) {
        const uint8_t *p = g->palette + 3 * g->pixels[(i / 16) * g->pitch + i % 16];
        EXPECT_EQ(vex::CellOf(p[0], p[1], p[2]), vex::CellOf(c[i % 3][0], c[i % 3][1], c[i % 3][2])) << i;
    }
    bool sawReduce = false;
    for (auto &m : messages)
        sawReduce |= m.first.rfind("Reducing the number of colors (", 0) == 0;
    EXPECT_TRUE(sawReduce);
}

TEST_F(PaletteUse, SystemColoursLeaveTwoHundredThirtySixEntries)
{
    Bytes rgb(64 * 64 * 3);
    std::mt19937 rng(3);
    for (auto &b : rgb)
        b = uint8_t(rng());
    ASSERT_TRUE(WriteTrueColourImage("BMP3", Path("noise.bmp"), 64, 64, rgb));
    GPtr g = Open(Path("noise.bmp"), 0, 0, 0, 256, 1, 2);
    ASSERT_TRUE(g);
    ASSERT_TRUE(GFileGet(g.get()));
    uint8_t sys[768];
    vex::WriteSystemColours(sys);
    EXPECT_EQ(0, std::memcmp(g->palette, sys, 30));
    EXPECT_EQ(0, std::memcmp(g->palette + 246 * 3, sys + 246 * 3, 30));
    std::set<uint32_t> computed;
    for (int i = 10; i < 246; i++)
        computed.insert(Rgb(g->palette + 3 * i));
    EXPECT_EQ(computed.size(), 236u);
    // Pixels use the whole palette range.
    for (uint32_t y = 0; y < 64; y++)
        for (uint32_t x = 0; x < 64; x++) {
            uint8_t v = g->pixels[y * g->pitch + x];
            ASSERT_LT(v, 256);
        }
}

TEST_F(PaletteUse, RangeKeepsTheOtherEntriesOfTheSource)
{
    Bytes pal = TestPalette(8);
    Bytes idx(32 * 8);
    for (size_t i = 0; i < idx.size(); i++)
        idx[i] = uint8_t(i);
    ASSERT_TRUE(WritePalettedImage("BMP3", Path("ramp.bmp"), 32, 8, idx, pal));
    GPtr g = Open(Path("ramp.bmp"), 1, 0, 16, 128, 0, 2);
    ASSERT_TRUE(g);
    ASSERT_TRUE(GFileGet(g.get()));
    EXPECT_EQ(0, std::memcmp(g->palette, pal.data(), 16 * 3));
    EXPECT_EQ(0, std::memcmp(g->palette + 144 * 3, pal.data() + 144 * 3, 768 - 144 * 3));
    for (uint32_t y = 0; y < 8; y++)
        for (uint32_t x = 0; x < 32; x++) {
            uint8_t v = g->pixels[y * g->pitch + x];
            EXPECT_GE(v, 16);
            EXPECT_LT(v, 144);
        }
    // Without analysis, a range only remaps: the palette is the source's.
    GPtr r = Open(Path("ramp.bmp"), 0, 0, 16, 128, 0, 2);
    ASSERT_TRUE(r);
    ASSERT_TRUE(GFileGet(r.get()));
    EXPECT_EQ(0, std::memcmp(r->palette, pal.data(), 768));
    EXPECT_EQ(r->pixels[20], 20); // inside the range: its own entry
    EXPECT_GE(r->pixels[3], 16);
    // Without analysis or range, indices pass unchanged.
    GPtr c = Open(Path("ramp.bmp"), 0, 0, 0, 256, 0, 2);
    ASSERT_TRUE(GFileGet(c.get()));
    EXPECT_EQ(c->pixels[3], 3);
    EXPECT_EQ(c->pixels[c->pitch + 5], 37);
}

TEST_F(PaletteUse, PaletteFileGivesThePalette)
{
    Bytes target(768, 0);
    target[3 * 1] = 250;     // entry 1: red
    target[3 * 2 + 2] = 250; // entry 2: blue
    ASSERT_TRUE(WritePalettedImage("BMP3", Path("target.bmp"), 4, 4, Bytes(16, 1), target));
    Bytes pal(768, 0);
    pal[3 * 7] = 200;     // a red
    pal[3 * 9 + 2] = 190; // a blue
    Bytes idx = {7, 9, 7, 9};
    ASSERT_TRUE(WritePalettedImage("BMP3", Path("src.bmp"), 4, 1, idx, pal));
    std::string pf = Path("target.bmp");
    GPtr g = Open(Path("src.bmp"), 0, 0, 0, 256, 2, 2, pf.c_str());
    ASSERT_TRUE(g);
    ASSERT_TRUE(GFileGet(g.get()));
    EXPECT_EQ(0, std::memcmp(g->palette, target.data(), 768));
    EXPECT_EQ(g->pixels[0], 1);
    EXPECT_EQ(g->pixels[1], 2);
    // A palette file that cannot be opened fails the get.
    std::string missing = Path("missing.bmp");
    GPtr m = Open(Path("src.bmp"), 0, 0, 0, 256, 2, 2, missing.c_str());
    ASSERT_TRUE(m);
    EXPECT_FALSE(GFileGet(m.get()));
    bool seen = false;
    for (auto &msg : messages)
        seen |= msg.first == "Error opening palette graphics file. " + missing + ": no such file or directory" &&
                msg.second == 2;
    EXPECT_TRUE(seen);
}

TEST_F(PaletteUse, ModeTwoStretchesEndAtPaletteChanges)
{
    Bytes p1(768, 0), p2(768, 0);
    p1[3] = 255;     // entry 1 red in the first palette
    p2[3 + 1] = 255; // entry 1 green in the second
    std::vector<RawFrame> f(4);
    f[0].palette = p1;
    f[2].palette = p2;
    for (auto &r : f)
        r.pixels.assign(16, 1);
    ASSERT_TRUE(WriteFile(Path("two.raw"), BuildRaw(4, 4, 1000, f)));
    GPtr g = Open(Path("two.raw"), 2, 100, 0, 256, 2, 2);
    ASSERT_TRUE(g);
    bool changed[4];
    uint32_t colour[4];
    for (int k = 0; k < 4; k++) {
        ASSERT_TRUE(GFileGet(g.get())) << k;
        changed[k] = g->paletteChanged;
        colour[k] = Rgb(g->palette + 3 * g->pixels[0]);
    }
    EXPECT_TRUE(changed[0]);
    EXPECT_FALSE(changed[1]);
    EXPECT_TRUE(changed[2]);
    EXPECT_FALSE(changed[3]);
    EXPECT_EQ(colour[0], 0xFC0000u); // one colour: 4 x its cell
    EXPECT_EQ(colour[1], 0xFC0000u); // one colour: 4 x its cell
    EXPECT_EQ(colour[2], 0x00FC00u);
    EXPECT_EQ(colour[3], 0x00FC00u);
}

TEST_F(PaletteUse, CancelledAnalysisFailsTheGet)
{
    ASSERT_TRUE(WriteTrueColourImage("BMP3", Path("c.bmp"), 8, 8, Bytes(8 * 8 * 3, 90)));
    GPtr g = Open(Path("c.bmp"), 0, 0, 0, 256, 2, 2);
    ASSERT_TRUE(g);
    gCancelAfter = int(messages.size()) + 2; // the get's message passes, the analysis is cancelled
    EXPECT_FALSE(GFileGet(g.get()));
}

TEST_F(PaletteUse, ForcedConversionTo24Bits)
{
    Bytes pal = TestPalette(6);
    ASSERT_TRUE(WritePalettedImage("BMP3", Path("p8.bmp"), 8, 8, Bytes(64, 200), pal));
    GPtr g = Open(Path("p8.bmp"), 0, 0, 0, 256, 2, 1);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->depth, 24u);
    EXPECT_EQ(g->unconvertedDepth, 8u);
    ASSERT_TRUE(GFileGet(g.get()));
    EXPECT_EQ(g->frameDepth, 24u);
    EXPECT_EQ(Rgb(g->palette + 3 * g->pixels[0]) >> 2 & 0x3F3F3F, Rgb(&pal[600]) >> 2 & 0x3F3F3F);
    // Ten or more true-colour frames switch it on by themselves.
    for (int n = 1; n <= 10; n++)
        ASSERT_TRUE(WriteTrueColourImage("BMP3", Path("tc" + std::to_string(n / 10) + std::to_string(n % 10) + ".bmp"),
                                         4, 4, Bytes(48, uint8_t(n * 20))));
    GPtr s = Open(Path("tc??.bmp*1-10"), 0, 0, 0, 256, 2, 0);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->frames, 10u);
    EXPECT_EQ(s->depth, 24u);
    GPtr n9 = Open(Path("tc??.bmp*1-9"), 0, 0, 0, 256, 2, 0);
    ASSERT_TRUE(n9);
    EXPECT_EQ(n9->depth, 24u);
    EXPECT_EQ(n9->unconvertedDepth, 24u);
}

// The smoothing filter against a direct reading of its rules.
TEST(SmoothFilter, MatchesTheRules)
{
    static const uint8_t table[8][8] = {{0, 11, 3, 14, 1, 12, 3, 15}, {8, 4, 11, 7, 8, 5, 11, 7},
                                        {2, 13, 1, 12, 2, 14, 2, 13}, {9, 6, 8, 5, 10, 6, 9, 5},
                                        {0, 12, 3, 15, 0, 12, 3, 14}, {8, 4, 11, 7, 8, 4, 11, 7},
                                        {2, 14, 1, 13, 2, 14, 1, 13}, {10, 6, 9, 5, 10, 6, 9, 5}};
    std::mt19937 rng(9);
    for (int round = 0; round < 20; round++) {
        uint32_t w = 1 + rng() % 20, h = 1 + rng() % 12;
        size_t pitch = w * 3 + rng() % 4;
        Bytes in(pitch * h), out(pitch * h, 0), expected(pitch * h, 0);
        int base = int(rng() % 200) + 20;
        for (auto &b : in)
            b = uint8_t(base + int(rng() % 6)); // small spreads: the filter acts
        if (round % 3 == 0)
            for (auto &b : in)
                b = uint8_t(rng() % 28); // dark: it does not
        int row = 7, col = 0;            // index 56 = row 7, column 0
        for (uint32_t y = 0; y < h; y++) {
            std::memcpy(&expected[y * pitch], &in[y * pitch], w * 3);
            if (y == 0 || y == h - 1)
                continue;
            col = (col + 7) % 8;
            for (uint32_t x = 1; x + 1 < w; x++) {
                row = (row + 7) % 8;
                int thr = table[row][col];
                int mx[3] = {0, 0, 0}, mn[3] = {255, 255, 255};
                for (int dy = -1; dy <= 1; dy++)
                    for (int dx = -1; dx <= 1; dx++)
                        for (int c = 0; c < 3; c++) {
                            int v = in[(y + dy) * pitch + (x + dx) * 3 + c];
                            mx[c] = std::max(mx[c], v);
                            mn[c] = std::min(mn[c], v);
                        }
                int spread = mx[0] - mn[0] + mx[1] - mn[1] + mx[2] - mn[2];
                bool allDark = mx[0] < 32 && mx[1] < 32 && mx[2] < 32;
                if (!allDark && spread >= 5 && spread <= 15)
                    for (int c = 0; c < 3; c++) {
                        int v = in[y * pitch + x * 3 + c];
                        expected[y * pitch + x * 3 + c] = uint8_t(std::min(255, v / 16 * 16 + (thr < v % 16 ? 16 : 0)));
                    }
            }
        }
        vex::SmoothFilter(in.data(), out.data(), w, h, pitch);
        for (uint32_t y = 0; y < h; y++)
            ASSERT_EQ(0, std::memcmp(&out[y * pitch], &expected[y * pitch], w * 3))
                << "round " << round << " row " << y;
    }
}
