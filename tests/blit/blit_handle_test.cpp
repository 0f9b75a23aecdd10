// Blitter handles: mode selection, tables, palette rules, descriptions, clear.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "codec/cpu.h"
#include "runtime/blit.h"
#include "runtime/sound_hook.h"

namespace {

struct BlitDeleter {
    void operator()(ZorbBlitter *h) const { ZorbBlitClose(h); }
};
using BlitPtr = std::unique_ptr<ZorbBlitter, BlitDeleter>;
BlitPtr Open(uint32_t flags)
{
    return BlitPtr(ZorbBlitOpen(flags));
}

std::array<uint8_t, 768> Grey()
{
    std::array<uint8_t, 768> p{};
    for (int i = 0; i < 256; ++i)
        p[i * 3] = p[i * 3 + 1] = p[i * 3 + 2] = static_cast<uint8_t>(i);
    return p;
}

std::string Text(ZorbBlitter *h)
{
    char buf[ZORB_BLIT_STRING_SIZE];
    return ZorbBlitString(h, buf);
}

// Restores the process-wide wide-loop switch after a test.
struct WideGuard {
    int was = ZorbSetMMX(2);
    ~WideGuard() { ZorbSetMMX(was ? 1 : 0); }
};

TEST(BlitMode, FromFlags)
{
    EXPECT_EQ(Open(0)->Mode, 0u);
    EXPECT_EQ(Open(0x2)->Mode, 1u);
    EXPECT_EQ(Open(0x0A)->Mode, 2u); // interlaced wins over double
    EXPECT_EQ(Open(0x0E)->Mode, 3u); // smoothing wins over both
    EXPECT_EQ(Open(ZORB_BLIT_16BIT_555)->Mode, 6u);
    EXPECT_EQ(Open(ZORB_BLIT_16BIT_565 | 0x2)->Mode, 7u);
    EXPECT_EQ(Open(ZORB_BLIT_16BIT_555 | 0xA)->Mode, 8u);
    EXPECT_EQ(Open(0x40000000u | 0x4)->Mode, 9u); // any value >= 0x40000000 is 16-bit
}

TEST(BlitMode, TablesFollowOpenFlags)
{
    auto plain = Open(0x2);
    EXPECT_EQ(plain->Palette, nullptr);
    EXPECT_EQ(plain->PairTable, nullptr);
    EXPECT_EQ(plain->ColourTable, nullptr);
    EXPECT_EQ(plain->Reserved, 0u);
    EXPECT_EQ(plain->PaletteNeverSet, 1u);
    auto wide = Open(ZORB_BLIT_16BIT_565);
    EXPECT_NE(wide->Palette, nullptr);
    EXPECT_NE(wide->ColourTable, nullptr);
    EXPECT_EQ(wide->PairTable, nullptr);
    auto smooth = Open(0x4);
    EXPECT_NE(smooth->Palette, nullptr);
    EXPECT_NE(smooth->PairTable, nullptr);
    EXPECT_EQ(smooth->ColourTable, nullptr);
}

TEST(BlitMode, SetFlagsNeedsTheTables)
{
    auto h = Open(0x4);
    EXPECT_EQ(ZorbBlitSetFlags(h.get(), 0xC0000004u), 0u); // no colour table
    EXPECT_EQ(h->Mode, 3u);
    EXPECT_EQ(h->Flags, 0x4u);
    EXPECT_EQ(ZorbBlitSetFlags(h.get(), 0x2), 1u);
    EXPECT_EQ(h->Mode, 1u);

    auto both = Open(0xC0000004u);
    EXPECT_EQ(ZorbBlitSetFlags(both.get(), 0), 1u);
    EXPECT_EQ(ZorbBlitSetFlags(both.get(), 0xC0000004u), 1u);
    EXPECT_EQ(Text(both.get()), "16-bit 2x Smoothing");

    auto noPair = Open(ZORB_BLIT_16BIT_565);
    EXPECT_EQ(ZorbBlitSetFlags(noPair.get(), 0xC0000004u), 0u);
    EXPECT_EQ(ZorbBlitSetFlags(nullptr, 0), 0u);
}

TEST(BlitMode, Descriptions)
{
    WideGuard guard;
    const int wide = ZorbSetMMX(1);
    const std::string mmx = wide ? " using MMX" : "";
    EXPECT_EQ(Text(Open(0).get()), "8-bit 1x");
    EXPECT_EQ(Text(Open(0x2).get()), "8-bit 2x" + mmx);
    EXPECT_EQ(Text(Open(0x8).get()), "8-bit 2x Interlaced" + mmx);
    EXPECT_EQ(Text(Open(0x4).get()), "8-bit 2x Smoothing");
    EXPECT_EQ(Text(Open(0x80000000u).get()), "16-bit 1x");
    EXPECT_EQ(Text(Open(0x80000002u).get()), "16-bit 2x" + mmx);
    EXPECT_EQ(Text(Open(0x80000008u).get()), "16-bit 2x Interlaced" + mmx);
    EXPECT_EQ(Text(Open(0x80000004u).get()), "16-bit 2x Smoothing");
    ZorbSetMMX(0);
    EXPECT_EQ(Text(Open(0x2).get()), "8-bit 2x");
    char buf[8];
    EXPECT_EQ(ZorbBlitString(nullptr, buf), nullptr);
}

TEST(WideSwitch, SetMMXRequests)
{
    WideGuard guard;
    const bool present = (ZorbCpuWord() & ZORB_CPU_HAS_WIDE) != 0;
    EXPECT_EQ(ZorbSetMMX(0), 0);
    EXPECT_EQ(ZorbMMXLevel(), 1);
    EXPECT_EQ(ZorbSetMMX(7), 0); // only asks
    EXPECT_EQ(ZorbSetMMX(1), present ? 1 : 0);
    EXPECT_EQ(ZorbMMXLevel(), present ? 2 : 1);
    EXPECT_EQ(ZorbSetMMX(0xFFFFFFFFu), present ? 1 : 0);
    EXPECT_TRUE(ZorbCpuWord() & ZORB_CPU_DETECTED);
}

TEST(BlitColourTable, Values)
{
    std::array<uint8_t, 768> pal{};
    pal[3] = 255;                               // index 1: (255, 0, 0)
    pal[7] = 4;                                 // index 2: (0, 4, 0)
    pal[9] = 255, pal[10] = 255, pal[11] = 255; // index 3: white
    auto h555 = Open(ZORB_BLIT_16BIT_555);
    auto h565 = Open(ZORB_BLIT_16BIT_565);
    EXPECT_EQ(ZorbBlitSetPalette(h555.get(), pal.data(), 0), 1u);
    EXPECT_EQ(ZorbBlitSetPalette(h565.get(), pal.data(), 0), 1u);
    EXPECT_EQ(h555->ColourTable[1], 0x7C00);
    EXPECT_EQ(h565->ColourTable[1], 0xF800);
    EXPECT_EQ(h555->ColourTable[2], 0);
    EXPECT_EQ(h565->ColourTable[2], 0x20);
    EXPECT_EQ(h555->ColourTable[3], 0x7FFF);
    EXPECT_EQ(h565->ColourTable[3], 0xFFFF);
}

TEST(BlitColourTable, FormatChangeRebuilds)
{
    std::array<uint8_t, 768> pal{};
    pal[3] = 255;
    auto h = Open(ZORB_BLIT_16BIT_555);
    ZorbBlitSetPalette(h.get(), pal.data(), 0);
    ASSERT_EQ(h->ColourTable[1], 0x7C00);
    ASSERT_EQ(ZorbBlitSetFlags(h.get(), ZORB_BLIT_16BIT_565), 1u);
    EXPECT_EQ(h->ColourTable[1], 0xF800);
}

TEST(BlitPalette, Formats)
{
    // The same colours in every palette layout.
    auto ref = Open(ZORB_BLIT_16BIT_565);
    std::array<uint8_t, 768> rgb{};
    for (int i = 0; i < 768; ++i)
        rgb[i] = static_cast<uint8_t>(i * 7 + 3);
    ZorbBlitSetPalette(ref.get(), rgb.data(), 0);
    for (uint32_t fmt = 0; fmt < 16; ++fmt) {
        const unsigned comp = (fmt & 1) ? 2 : 1;
        const unsigned entry = ((fmt & 4) ? 4 : 3) * comp;
        const unsigned first = ((fmt & 4) && (fmt & 8)) ? comp : 0;
        std::vector<uint8_t> raw(256 * entry, 0xEE);
        for (int i = 0; i < 256; ++i)
            for (int c = 0; c < 3; ++c) {
                const int slot = (fmt & 2) ? 2 - c : c;
                raw[i * entry + first + slot * comp] = rgb[i * 3 + c];
            }
        auto h = Open(ZORB_BLIT_16BIT_565);
        ZorbBlitSetPalette(h.get(), raw.data(), fmt);
        EXPECT_EQ(std::memcmp(h->Palette, rgb.data(), 768), 0) << "format " << fmt;
    }
}

TEST(BlitPalette, RebuildRules)
{
    auto h = Open(ZORB_BLIT_16BIT_555);
    std::array<uint8_t, 768> zero{};
    // The first palette always counts, even when it equals the initial zeros.
    EXPECT_EQ(ZorbBlitSetPalette(h.get(), zero.data(), 0), 1u);
    EXPECT_EQ(h->PaletteVersion, 1u);
    EXPECT_EQ(h->ColourTableVersion, 1u);
    EXPECT_EQ(h->PaletteNeverSet, 0u);
    // The same palette again changes nothing.
    EXPECT_EQ(ZorbBlitSetPalette(h.get(), zero.data(), 0), 0u);
    EXPECT_EQ(h->PaletteVersion, 1u);
    auto g = Grey();
    EXPECT_EQ(ZorbBlitSetPalette(h.get(), g.data(), 0), 1u);
    EXPECT_EQ(h->PaletteVersion, 2u);
    EXPECT_EQ(h->ColourTable[255], 0x7FFF);

    // No palette kept: refused.
    auto plain = Open(0x2);
    EXPECT_EQ(ZorbBlitSetPalette(plain.get(), g.data(), 0), 0u);
    // A palette in an 8-bit mode is stored; the colour table waits for a 16-bit mode.
    ASSERT_EQ(ZorbBlitSetFlags(h.get(), 0x2), 1u);
    std::array<uint8_t, 768> red{};
    red[3] = 255;
    EXPECT_EQ(ZorbBlitSetPalette(h.get(), red.data(), 0), 0u);
    EXPECT_EQ(h->PaletteVersion, 3u);
    EXPECT_EQ(h->ColourTableVersion, 2u);
    ASSERT_EQ(ZorbBlitSetFlags(h.get(), ZORB_BLIT_16BIT_555), 1u);
    EXPECT_EQ(h->ColourTableVersion, 3u);
    EXPECT_EQ(h->ColourTable[1], 0x7C00);
}

int g_serviceCalls = 0;
void CountService()
{
    ++g_serviceCalls;
}

TEST(BlitPalette, PairTableRebuildOnlyWhenNeededWithSoundService)
{
    zorb::RuntimeSetSoundService(&CountService);
    g_serviceCalls = 0;
    auto h = Open(0x4);
    auto g = Grey();
    ZorbBlitSetPalette(h.get(), g.data(), 0);
    EXPECT_EQ(g_serviceCalls, 2); // just before and just after the rebuild
    EXPECT_EQ(h->PairTableBits, 8u);
    EXPECT_EQ(h->PairTableVersion, 1u);
    ZorbBlitSetPalette(h.get(), g.data(), 0);
    EXPECT_EQ(g_serviceCalls, 2);
    ZorbBlitSetFlags(h.get(), 0x2); // no smoothing: no table work
    ZorbBlitSetFlags(h.get(), 0x4);
    EXPECT_EQ(g_serviceCalls, 2);
    zorb::RuntimeSetSoundService(nullptr);
}

TEST(BlitClear, Colours)
{
    auto h16 = Open(ZORB_BLIT_16BIT_555);
    auto g = Grey();
    ZorbBlitSetPalette(h16.get(), g.data(), 0);
    std::vector<uint16_t> d(4 * 3, 0x1111);
    ZorbBlitClear(h16.get(), d.data(), 8, 1, 1, 2, 2, -0x7C00);
    EXPECT_EQ(d[5], 0x7C00);
    EXPECT_EQ(d[10], 0x7C00);
    EXPECT_EQ(d[4], 0x1111);
    EXPECT_EQ(d[11], 0x1111);
    ZorbBlitClear(h16.get(), d.data(), 8, 0, 0, 4, 1, 255);
    EXPECT_EQ(d[0], 0x7FFF);
    ZorbBlitClear(h16.get(), d.data(), 8, 0, 0, 1, 1, 0x1FF); // index beyond the table: its low byte
    EXPECT_EQ(d[0], 0x7FFF);

    auto h8 = Open(0);
    std::vector<uint8_t> b(16, 9);
    ZorbBlitClear(h8.get(), b.data(), 4, 1, 1, 2, 2, -5);
    EXPECT_EQ(b[5], 5);
    EXPECT_EQ(b[10], 5);
    EXPECT_EQ(b[4], 9);
    ZorbBlitClear(h8.get(), b.data(), 4, 0, 0, 1, 1, 0x1234);
    EXPECT_EQ(b[0], 0x34);
    ZorbBlitClear(h8.get(), b.data(), 4, 0, 0, 1, 1, INT32_MIN); // no overflow
    EXPECT_EQ(b[0], 0);
}

} // namespace
