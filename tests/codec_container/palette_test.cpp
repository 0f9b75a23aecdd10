#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "codec/handle.h"
#include "codec/zorb.h"
#include "zbxbuild.h"

using namespace zbxtest;

namespace {

using Pal = std::array<uint8_t, 768>;

Pal Ramp()
{
    Pal p;
    for (int i = 0; i < 768; ++i)
        p[i] = static_cast<uint8_t>(i * 5 + 1);
    return p;
}

Pal Apply(Pal p, std::vector<uint8_t> cmds)
{
    zorb::ApplyPaletteCommands(p.data(), cmds.data(), cmds.size());
    return p;
}

std::array<uint8_t, 3> Entry(const Pal &p, int i)
{
    return {p[3 * i], p[3 * i + 1], p[3 * i + 2]};
}

} // namespace

TEST(Palette, SixBitExpansion)
{
    const int in[] = {0, 1, 15, 16, 32, 48, 63};
    const int out[] = {0, 4, 60, 65, 130, 195, 255};
    for (int k = 0; k < 7; ++k) {
        uint8_t v = static_cast<uint8_t>(in[k]);
        Pal p = Apply(Pal{}, {v, v, v});
        EXPECT_EQ(p[0], out[k]);
        EXPECT_EQ(p[1], out[k]);
        EXPECT_EQ(p[2], out[k]);
    }
    Pal p = Apply(Pal{}, {0x3F, 0x00, 0x20});
    EXPECT_EQ(Entry(p, 0), (std::array<uint8_t, 3>{255, 0, 130}));
}

TEST(Palette, KeepCopyAndSet)
{
    Pal old = Ramp();
    EXPECT_EQ(Apply(old, {0xFF, 0xFF}), old);
    // Keep 2, copy 2 from 16, set one.
    Pal p = Apply(old, {0x81, 0x41, 0x10, 0x01, 0x02, 0x03});
    EXPECT_EQ(Entry(p, 0), Entry(old, 0));
    EXPECT_EQ(Entry(p, 1), Entry(old, 1));
    EXPECT_EQ(Entry(p, 2), Entry(old, 16));
    EXPECT_EQ(Entry(p, 3), Entry(old, 17));
    EXPECT_EQ(Entry(p, 4), (std::array<uint8_t, 3>{4, 8, 12}));
    EXPECT_EQ(Entry(p, 5), Entry(old, 5));
}

TEST(Palette, CopyReadsTheOldPalette)
{
    Pal old = Ramp();
    // Set entry 0, then copy 4 entries from 0 to 1..4: they get the old 0..3.
    Pal p = Apply(old, {0x01, 0x01, 0x01, 0x43, 0x00});
    EXPECT_EQ(Entry(p, 0), (std::array<uint8_t, 3>{4, 4, 4}));
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(Entry(p, i), Entry(old, i - 1)) << i;
}

TEST(Palette, LimitsAreKept)
{
    Pal old = Ramp();
    // Keep 255 entries, then a copy of 64 from entry 250: only entry 255 is
    // written (from 250), nothing beyond.
    Pal p = Apply(old, {0xFF, 0xFE, 0x7F, 0xFA});
    EXPECT_EQ(Entry(p, 255), Entry(old, 250));
    // A copy whose source runs past 255 keeps the entries it cannot fill.
    p = Apply(old, {0x7F, 0xF0});
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(Entry(p, i), Entry(old, 240 + i)) << i;
    for (int i = 16; i < 64; ++i)
        EXPECT_EQ(Entry(p, i), Entry(old, i)) << i;
    // Only the low 6 bits of a component count.
    p = Apply(old, {0x3F, 0xC1, 0xFF});
    EXPECT_EQ(Entry(p, 0), (std::array<uint8_t, 3>{255, 4, 255}));
    // Commands cut short: a copy without its source byte, a set without its
    // components; the rest of the palette stays.
    EXPECT_EQ(Apply(old, {0x41}), old);
    EXPECT_EQ(Apply(old, {0x01, 0x02}), old);
}

TEST(Palette, FreshPaletteAndFrameZero)
{
    // Frame 0 starts with keep commands: the kept part is black (the old
    // palette of frame 0 is all zeros). Frame 1 has no palette. Frame 2 sets entry 0.
    ZbxBuild b;
    b.frames.push_back(MakeFrame(std::vector<uint8_t>{0x80, 0x3F, 0x3F, 0x3F, 0xFF, 0xFE}, {}, {9}));
    b.frames.push_back(VideoFrame({9}));
    b.frames.push_back(MakeFrame(std::vector<uint8_t>{0x10, 0x10, 0x10, 0xFF, 0xFE}, {}, {9}));
    ZorbHandle *h = ZorbOpen(const_cast<char *>(WriteTemp(b.Bytes()).c_str()), 0, -1);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->FreshPalette, 1u);
    EXPECT_EQ(h->ColourTableStale, 1u);
    EXPECT_EQ(h->Palette[0], 0);
    EXPECT_EQ(h->Palette[3], 255);
    EXPECT_EQ(h->Palette[6], 0);

    // The frame whose palette was reported: decoded again, FreshPalette 0.
    h->LastPaletteFrame = 0;
    h->ColourTableStale = 0;
    zorb::ParseFrame(h);
    EXPECT_EQ(h->FreshPalette, 0u);
    EXPECT_EQ(h->ColourTableStale, 0u);

    h->FrameData += h->CurrentFrameSize;
    h->CurrentFrame = 1;
    zorb::ReadCurrentFrame(h);
    zorb::ParseFrame(h);
    EXPECT_EQ(h->FreshPalette, 0u);
    EXPECT_EQ(h->PaletteChunk, h->FrameData);
    EXPECT_EQ(h->VideoOffset, 0u);

    h->FrameData += h->CurrentFrameSize;
    h->CurrentFrame = 2;
    zorb::ReadCurrentFrame(h);
    zorb::ParseFrame(h);
    EXPECT_EQ(h->FreshPalette, 1u);
    EXPECT_EQ(h->Palette[0], 65);
    EXPECT_EQ(h->Palette[3], 255);
    ZorbClose(h);
}
