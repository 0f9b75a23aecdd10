// Blits by mode, smoothing, pair tables, keyed copies and the wide loops
// checked against the plain ones.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "codec/cpu.h"
#include "runtime/blit.h"
#include "runtime/blit_loops.h"
#include "runtime/blit_tables.h"

namespace {

struct BlitDeleter {
    void operator()(ZorbBlitter *h) const { ZorbBlitClose(h); }
};
using BlitPtr = std::unique_ptr<ZorbBlitter, BlitDeleter>;

struct WideGuard {
    int was = ZorbSetMMX(2);
    ~WideGuard() { ZorbSetMMX(was ? 1 : 0); }
};

std::array<uint8_t, 768> RandomPalette(std::mt19937 &rng)
{
    std::array<uint8_t, 768> p{};
    for (auto &v : p)
        v = static_cast<uint8_t>(rng());
    return p;
}

TEST(BlitModes, DoublingAndInterlacing)
{
    const uint8_t src[2 * 2] = {1, 2, 3, 4};
    BlitPtr h(ZorbBlitOpen(0x2));
    std::vector<uint8_t> d(4 * 4, 0xEE);
    ZorbBlit(h.get(), d.data(), 4, 0, 0, src, 2, 0, 0, 2, 2);
    EXPECT_EQ(d, (std::vector<uint8_t>{1, 1, 2, 2, 1, 1, 2, 2, 3, 3, 4, 4, 3, 3, 4, 4}));
    ZorbBlitSetFlags(h.get(), 0x8);
    std::fill(d.begin(), d.end(), 0xEE);
    ZorbBlit(h.get(), d.data(), 4, 0, 0, src, 2, 0, 0, 2, 2);
    EXPECT_EQ(d, (std::vector<uint8_t>{1, 1, 2, 2, 0xEE, 0xEE, 0xEE, 0xEE, 3, 3, 4, 4, 0xEE, 0xEE, 0xEE, 0xEE}));
}

TEST(BlitModes, SixteenBitAndDestinationAddress)
{
    std::array<uint8_t, 768> pal{};
    pal[3] = 255; // index 1 red
    BlitPtr h(ZorbBlitOpen(ZORB_BLIT_16BIT_565));
    ZorbBlitSetPalette(h.get(), pal.data(), 0);
    const uint8_t src[3] = {0, 1, 0};
    std::vector<uint16_t> d(4 * 3, 0xAAAA);
    // Destination (1, 1) of a pitch of 8 bytes: two bytes per pixel.
    ZorbBlit(h.get(), d.data(), 8, 1, 1, src, 3, 1, 0, 2, 1);
    EXPECT_EQ(d[5], 0xF800);
    EXPECT_EQ(d[6], 0x0000);
    EXPECT_EQ(d[4], 0xAAAA);
    EXPECT_EQ(d[7], 0xAAAA);
    // Width or height 0 does nothing.
    ZorbBlit(h.get(), d.data(), 8, 0, 0, src, 3, 0, 0, 0, 5);
    EXPECT_EQ(d[0], 0xAAAA);
}

TEST(BlitSmoothing, SinglePixelGivesItsOwnBlock)
{
    std::mt19937 rng(5);
    auto pal = RandomPalette(rng);
    for (uint32_t flags : {0x4u, 0x80000004u, 0xC0000004u}) {
        BlitPtr h(ZorbBlitOpen(flags));
        ZorbBlitSetPalette(h.get(), pal.data(), 0);
        const uint8_t p = 77;
        if (flags == 0x4u) {
            uint8_t d[4] = {};
            ZorbBlit(h.get(), d, 2, 0, 0, &p, 1, 0, 0, 1, 1);
            EXPECT_EQ(d[0], p);
            EXPECT_EQ(d[1], p);
            EXPECT_EQ(d[2], p);
            EXPECT_EQ(d[3], p);
        } else {
            uint16_t d[4] = {};
            ZorbBlit(h.get(), d, 4, 0, 0, &p, 1, 0, 0, 1, 1);
            const uint16_t own = h->ColourTable[p];
            for (uint16_t v : d)
                EXPECT_EQ(v, own);
        }
    }
}

TEST(BlitSmoothing, BlockUsesLeftAndAboveNeighbours)
{
    std::mt19937 rng(9);
    auto pal = RandomPalette(rng);
    BlitPtr h(ZorbBlitOpen(0x4));
    ZorbBlitSetPalette(h.get(), pal.data(), 0);
    const auto *T = static_cast<const uint8_t *>(h->PairTable);
    const uint8_t src[2 * 2] = {10, 20, 30, 40};
    // Only the bottom-right pixel, from the source position (1, 1).
    uint8_t d[4] = {};
    ZorbBlit(h.get(), d, 2, 0, 0, src, 2, 1, 1, 1, 1);
    const unsigned P = 40, L = 30, A = 20;
    EXPECT_EQ(d[0], T[L * 256 + A]);
    EXPECT_EQ(d[1], T[P * 256 + A]);
    EXPECT_EQ(d[2], T[P * 256 + L]);
    EXPECT_EQ(d[3], P);
    // The same pixel drawn as part of the whole picture gives the same block.
    uint8_t all[4 * 4] = {};
    ZorbBlit(h.get(), all, 4, 0, 0, src, 2, 0, 0, 2, 2);
    EXPECT_EQ(all[10], d[0]);
    EXPECT_EQ(all[11], d[1]);
    EXPECT_EQ(all[14], d[2]);
    EXPECT_EQ(all[15], d[3]);
    // Top-left pixel: no neighbours, its own colour everywhere.
    EXPECT_EQ(all[0], 10);
    EXPECT_EQ(all[1], 10);
    EXPECT_EQ(all[4], 10);
    EXPECT_EQ(all[5], 10);
}

TEST(BlitPairTable, EightBitIsNearestFirstInRedOrder)
{
    std::mt19937 rng(1234);
    for (int round = 0; round < 3; ++round) {
        auto pal = RandomPalette(rng);
        if (round == 1) // many duplicates and ties
            for (int i = 0; i < 768; ++i)
                pal[i] = static_cast<uint8_t>((pal[i] & 0xC0));
        std::vector<uint8_t> table(65536);
        zorb::blit::BuildPairTable8(pal.data(), table.data());
        uint8_t order[256];
        zorb::blit::SortByRed(pal.data(), order);
        for (int a = 0; a < 256; a += 3) {
            for (int b = 0; b < 256; b += 5) {
                const uint8_t got = table[a * 256 + b];
                EXPECT_EQ(got, table[b * 256 + a]);
                if (a == b) {
                    EXPECT_EQ(got, a);
                    continue;
                }
                int r = (pal[a * 3] + pal[b * 3]) >> 1, g = (pal[a * 3 + 1] + pal[b * 3 + 1]) >> 1,
                    bl = (pal[a * 3 + 2] + pal[b * 3 + 2]) >> 1;
                auto dist = [&](int i) {
                    int dr = pal[i * 3] - r, dg = pal[i * 3 + 1] - g, db = pal[i * 3 + 2] - bl;
                    return dr * dr + dg * dg + db * db;
                };
                int bestK = 0;
                for (int k = 1; k < 256; ++k)
                    if (dist(order[k]) < dist(order[bestK]))
                        bestK = k;
                ASSERT_EQ(got, order[bestK]) << "pair " << a << "," << b;
            }
        }
    }
}

TEST(BlitPairTable, SixteenBitAveragesDropTheLowBit)
{
    std::array<uint8_t, 768> pal{};
    pal[0] = 255, pal[1] = 255, pal[2] = 255; // index 0 white
    pal[3] = 1, pal[4] = 9, pal[5] = 17;      // index 1
    std::vector<uint16_t> t(65536);
    zorb::blit::BuildPairTable16(pal.data(), false, t.data());
    // ((254 + 0) / 2, (254 + 8) / 2, (254 + 16) / 2) = (127, 131, 135)
    EXPECT_EQ(t[0 * 256 + 1], (127 >> 3) << 10 | (131 >> 3) << 5 | (135 >> 3));
    EXPECT_EQ(t[1 * 256 + 0], t[0 * 256 + 1]);
    zorb::blit::BuildPairTable16(pal.data(), true, t.data());
    EXPECT_EQ(t[0], 0xFFFF);
}

TEST(BlitKeyed, TransMaskMerge)
{
    BlitPtr h(ZorbBlitOpen(0));
    const uint8_t src[4] = {5, 0, 7, 0};
    const uint8_t mask[4] = {0, 1, 0, 1};
    const uint8_t two[4] = {21, 22, 23, 24};
    uint8_t d[4] = {9, 9, 9, 9};
    ZorbBlitTrans(h.get(), d, 4, 0, 0, src, 4, 0, 0, 4, 1, 0);
    EXPECT_EQ(std::vector<uint8_t>(d, d + 4), (std::vector<uint8_t>{5, 9, 7, 9}));
    std::fill(d, d + 4, 9);
    ZorbBlitMask(h.get(), d, 4, 0, 0, src, 4, 0, 0, 4, 1, 0, mask);
    EXPECT_EQ(std::vector<uint8_t>(d, d + 4), (std::vector<uint8_t>{9, 0, 9, 0}));
    ZorbBlitMerge(h.get(), d, 4, 0, 0, src, 4, 0, 0, 4, 1, 0, two);
    EXPECT_EQ(std::vector<uint8_t>(d, d + 4), (std::vector<uint8_t>{5, 22, 7, 24}));
    // Other modes do nothing.
    ZorbBlitSetFlags(h.get(), 0x2);
    std::fill(d, d + 4, 9);
    ZorbBlitTrans(h.get(), d, 4, 0, 0, src, 4, 0, 0, 4, 1, 0);
    ZorbBlitMask(h.get(), d, 4, 0, 0, src, 4, 0, 0, 4, 1, 0, mask);
    ZorbBlitMerge(h.get(), d, 4, 0, 0, src, 4, 0, 0, 4, 1, 0, two);
    EXPECT_EQ(std::vector<uint8_t>(d, d + 4), (std::vector<uint8_t>{9, 9, 9, 9}));
}

// ---- Wide loops against plain loops ----------------------------------------------

// A destination with guard bytes all around the area a blit may touch.
struct Surface {
    std::vector<uint8_t> bytes;
    int pitch;
    Surface(int rowBytes, int rows, std::mt19937 &rng) : pitch(rowBytes + static_cast<int>(rng() % 40))
    {
        bytes.resize(static_cast<size_t>(pitch) * rows);
        for (auto &b : bytes)
            b = static_cast<uint8_t>(rng());
    }
};

TEST(BlitWide, RandomRectanglesMatchPlainThroughTheInterface)
{
    WideGuard guard;
    if (!(ZorbCpuWord() & ZORB_CPU_HAS_WIDE))
        GTEST_SKIP() << "no wide loops on this processor";
    std::mt19937 rng(42);
    const uint32_t flagsList[] = {0x2, 0x8, 0x4, 0x80000002u, 0xC0000008u, 0xC0000000u, 0x80000004u};
    for (int round = 0; round < 300; ++round) {
        const uint32_t flags = flagsList[round % 7];
        const bool is16 = flags >= 0x40000000u;
        const bool doubled = (flags & 0xE) != 0;
        BlitPtr h(ZorbBlitOpen(flags));
        auto pal = RandomPalette(rng);
        ZorbBlitSetPalette(h.get(), pal.data(), 0);
        const int w = 1 + static_cast<int>(rng() % 70), hgt = 1 + static_cast<int>(rng() % 9);
        const int sx = static_cast<int>(rng() % 5), sy = static_cast<int>(rng() % 3);
        const int scale = doubled ? 2 : 1, bpp = is16 ? 2 : 1;
        const int dx = static_cast<int>(rng() % 6), dy = static_cast<int>(rng() % 3);
        Surface src((sx + w) + 3, sy + hgt + 1, rng);
        if (rng() % 4 == 0) // long runs of one colour
            std::fill(src.bytes.begin(), src.bytes.begin() + src.bytes.size() / 2, static_cast<uint8_t>(rng()));
        Surface dst((dx + scale * w) * bpp + 2, dy + scale * hgt + 1, rng);
        Surface dst2 = dst;
        // Every third round walks both surfaces bottom-up: last row first, negative pitches.
        const bool up = round % 3 == 2;
        const int dRows = static_cast<int>(dst.bytes.size()) / dst.pitch,
                  sRows = static_cast<int>(src.bytes.size()) / src.pitch;
        auto base = [up](std::vector<uint8_t> &b, int pitch, int rows) {
            return up ? b.data() + static_cast<size_t>(rows - 1) * pitch : b.data();
        };
        const int dp = up ? -dst.pitch : dst.pitch, sp = up ? -src.pitch : src.pitch;
        ZorbSetMMX(0);
        ZorbBlit(h.get(), base(dst.bytes, dst.pitch, dRows), dp, dx, dy, base(src.bytes, src.pitch, sRows), sp, sx, sy,
                 w, hgt);
        ZorbSetMMX(1);
        ZorbBlit(h.get(), base(dst2.bytes, dst2.pitch, dRows), dp, dx, dy, base(src.bytes, src.pitch, sRows), sp, sx,
                 sy, w, hgt);
        ASSERT_EQ(dst.bytes, dst2.bytes) << "flags " << std::hex << flags << " w " << std::dec << w;
    }
}

TEST(BlitWide, KeyedCopiesMatchPlain)
{
    WideGuard guard;
    if (!(ZorbCpuWord() & ZORB_CPU_HAS_WIDE))
        GTEST_SKIP() << "no wide loops on this processor";
    std::mt19937 rng(7);
    BlitPtr h(ZorbBlitOpen(0));
    for (int round = 0; round < 600; ++round) {
        const int kind = round % 3;
        const int w = 1 + static_cast<int>(rng() % 60), hgt = 1 + static_cast<int>(rng() % 6);
        const uint8_t key = static_cast<uint8_t>(rng() % 4);
        Surface src(w + 4, hgt + 2, rng), extra = src;
        for (auto &b : src.bytes)
            b = static_cast<uint8_t>(rng() % 6); // many keyed pixels
        for (auto &b : extra.bytes)
            b = static_cast<uint8_t>(rng() % 6);
        Surface dst(w + 5, hgt + 2, rng);
        Surface dst2 = dst;
        const int sx = static_cast<int>(rng() % 3), sy = 1, dx = static_cast<int>(rng() % 4), dy = 1;
        for (int pass = 0; pass < 2; ++pass) {
            ZorbSetMMX(pass);
            auto &d = pass ? dst2 : dst;
            if (kind == 0)
                ZorbBlitTrans(h.get(), d.bytes.data(), d.pitch, dx, dy, src.bytes.data(), src.pitch, sx, sy, w, hgt,
                              key);
            else if (kind == 1)
                ZorbBlitMask(h.get(), d.bytes.data(), d.pitch, dx, dy, src.bytes.data(), src.pitch, sx, sy, w, hgt, key,
                             extra.bytes.data());
            else
                ZorbBlitMerge(h.get(), d.bytes.data(), d.pitch, dx, dy, src.bytes.data(), src.pitch, sx, sy, w, hgt,
                              key, extra.bytes.data());
        }
        ASSERT_EQ(dst.bytes, dst2.bytes) << "kind " << kind << " width " << w;
    }
}

TEST(BlitWide, LoopsMatchDirectly)
{
    // The wide loops themselves, whatever the process-wide switch says.
    std::mt19937 rng(99);
    std::vector<uint16_t> colours(256);
    for (auto &c : colours)
        c = static_cast<uint16_t>(rng());
    for (int round = 0; round < 200; ++round) {
        const int w = 1 + static_cast<int>(rng() % 100), hgt = 1 + static_cast<int>(rng() % 4);
        const bool both = rng() & 1;
        Surface src(w, hgt, rng);
        Surface a(4 * w, 2 * hgt, rng), b = a;
        zorb::blit::Walk wa{a.bytes.data(), a.pitch, src.bytes.data(), src.pitch, w, hgt};
        zorb::blit::Walk wb{b.bytes.data(), b.pitch, src.bytes.data(), src.pitch, w, hgt};
        if (round & 1) {
            zorb::blit::Double8Plain(wa, both);
            zorb::blit::Double8Wide(wb, both);
        } else {
            zorb::blit::Double16Plain(wa, both, colours.data());
            zorb::blit::Double16Wide(wb, both, colours.data());
        }
        ASSERT_EQ(a.bytes, b.bytes) << "width " << w;
    }
}

} // namespace
