#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "tests/support/gfx_samples.h"
#include "vexutil/graphics/flic_decode.h"

using namespace vex;
using gfxsamples::Bytes;
using gfxsamples::Put16;

namespace {

struct Pic {
    uint32_t w, h, pitch, rows;
    std::vector<uint8_t> px, pal;
    Pic(uint32_t w_, uint32_t h_)
        : w(w_), h(h_), pitch((w_ + 3) & ~3u), rows((h_ + 3) & ~3u), px(size_t(pitch) * rows, 0xEE), pal(768, 0)
    {}
    FlicPicture View() { return {px.data(), pitch, rows, w, h, pal.data()}; }
    uint8_t At(uint32_t x, uint32_t y) const { return px[size_t(y) * pitch + x]; }
};

Bytes ChunkBytes(const std::vector<gfxsamples::FlicChunk> &chunks)
{
    Bytes b;
    for (const auto &c : chunks) {
        gfxsamples::Put32(b, uint32_t(c.data.size() + 6));
        Put16(b, c.type);
        b.insert(b.end(), c.data.begin(), c.data.end());
    }
    return b;
}

} // namespace

TEST(FlicDecode, PalettesEightAndSixBit)
{
    Pic p(4, 4);
    Bytes rgb = {10, 20, 30, 40, 50, 60};
    Bytes d = ChunkBytes({gfxsamples::FlicBuilder::Color256(3, rgb)});
    EXPECT_TRUE(DecodeFlicChunks(d.data(), d.size(), 1, p.View()));
    EXPECT_EQ(p.pal[9], 10);
    EXPECT_EQ(p.pal[14], 60);
    Bytes six = {63, 0, 0x41}; // 0x41 keeps only its low 6 bits
    d = ChunkBytes({gfxsamples::FlicBuilder::Color64(0, six)});
    EXPECT_TRUE(DecodeFlicChunks(d.data(), d.size(), 1, p.View()));
    EXPECT_EQ(p.pal[0], 255);
    EXPECT_EQ(p.pal[1], 0);
    EXPECT_EQ(p.pal[2], 4);
    // Two packets: the skip counts from where the last one ended; a count of
    // 0 means 256 entries, cut at the chunk's end.
    Bytes two;
    Put16(two, 2);
    two.push_back(1);
    two.push_back(1);
    two.insert(two.end(), {1, 2, 3});
    two.push_back(2);
    two.push_back(0);
    two.insert(two.end(), {7, 8, 9});
    d = ChunkBytes({{4, two}});
    DecodeFlicChunks(d.data(), d.size(), 1, p.View());
    EXPECT_EQ(p.pal[3], 1);
    EXPECT_EQ(p.pal[12], 7); // entry 1 + 1 + 2 = 4
    // No palette chunk: false.
    d = ChunkBytes({gfxsamples::FlicBuilder::Black()});
    EXPECT_FALSE(DecodeFlicChunks(d.data(), d.size(), 1, p.View()));
}

TEST(FlicDecode, BlackCopyAndByteRunStayInsideTheWidth)
{
    Pic p(5, 3);
    Bytes d = ChunkBytes({gfxsamples::FlicBuilder::Black()});
    DecodeFlicChunks(d.data(), d.size(), 1, p.View());
    EXPECT_EQ(p.At(4, 2), 0);
    EXPECT_EQ(p.At(5, 2), 0xEE); // padding bytes are not touched
    Bytes px(15);
    for (size_t i = 0; i < px.size(); i++)
        px[i] = uint8_t(i + 1);
    d = ChunkBytes({gfxsamples::FlicBuilder::Copy(5, 3, px)});
    DecodeFlicChunks(d.data(), d.size(), 1, p.View());
    EXPECT_EQ(p.At(0, 0), 1);
    EXPECT_EQ(p.At(4, 2), 15);
    EXPECT_EQ(p.At(5, 0), 0xEE);

    Bytes runs = {9, 9, 9, 9, 1, 2, 3, 3, 3, 3, 4, 5, 5, 6, 7};
    d = ChunkBytes({gfxsamples::FlicBuilder::ByteRun(5, 3, runs)});
    DecodeFlicChunks(d.data(), d.size(), 1, p.View());
    for (uint32_t y = 0; y < 3; y++)
        for (uint32_t x = 0; x < 5; x++)
            EXPECT_EQ(p.At(x, y), runs[y * 5 + x]) << x << "," << y;
    // A run longer than the row is cut at the row's end.
    Bytes over = {0, 100, 42};
    d = ChunkBytes({{15, over}});
    DecodeFlicChunks(d.data(), d.size(), 1, p.View());
    EXPECT_EQ(p.At(4, 0), 42);
    EXPECT_EQ(p.At(5, 0), 0xEE);
}

TEST(FlicDecode, DeltaFliRowsAndPackets)
{
    Pic p(8, 4);
    std::fill(p.px.begin(), p.px.end(), 0);
    Bytes d;
    Put16(d, 1);                     // first row
    Put16(d, 2);                     // rows
    d.push_back(2);                  // row 1: two packets
    d.insert(d.end(), {1, 2, 7, 8}); // skip 1, copy 2
    d.insert(d.end(), {2, 0xFD, 5}); // skip 2, repeat 5 three times
    d.push_back(1);                  // row 2: one packet
    d.insert(d.end(), {6, 0xFC, 9}); // skip 6, repeat 9 four times: cut at the width
    Bytes c = ChunkBytes({{12, d}});
    DecodeFlicChunks(c.data(), c.size(), 1, p.View());
    uint8_t row1[8] = {0, 7, 8, 0, 0, 5, 5, 5};
    for (int x = 0; x < 8; x++)
        EXPECT_EQ(p.At(uint32_t(x), 1), row1[x]) << x;
    EXPECT_EQ(p.At(6, 2), 9);
    EXPECT_EQ(p.At(7, 2), 9);
    EXPECT_EQ(p.At(0, 0), 0);
    EXPECT_EQ(p.At(0, 3), 0);
}

TEST(FlicDecode, DeltaFlcSkipsLastByteAndWordPackets)
{
    Pic p(7, 5);
    std::fill(p.px.begin(), p.px.end(), 0);
    Bytes d;
    Put16(d, 2);                           // two lines
    Put16(d, 0xFFFF);                      // skip one row
    Put16(d, 0x8000 | 77);                 // last pixel of the odd-width row
    Put16(d, 1);                           // one packet
    d.insert(d.end(), {2, 2, 1, 2, 3, 4}); // skip 2, copy two words
    Put16(d, 0);                           // line 2 (row 2): no packets
    Bytes c = ChunkBytes({{7, d}});
    DecodeFlicChunks(c.data(), c.size(), 1, p.View());
    uint8_t row1[7] = {0, 0, 1, 2, 3, 4, 77};
    for (int x = 0; x < 7; x++)
        EXPECT_EQ(p.At(uint32_t(x), 1), row1[x]) << x;
    EXPECT_EQ(p.At(7, 1), 0); // not the padding byte
    Bytes d2;
    Put16(d2, 1);
    Put16(d2, 0xFFFC); // skip 4 rows
    Put16(d2, 1);
    d2.insert(d2.end(), {1, 0xFE, 6, 9}); // skip 1, repeat word (6,9) twice
    c = ChunkBytes({{7, d2}});
    DecodeFlicChunks(c.data(), c.size(), 1, p.View());
    uint8_t row4[7] = {0, 6, 9, 6, 9, 0, 0};
    for (int x = 0; x < 7; x++)
        EXPECT_EQ(p.At(uint32_t(x), 4), row4[x]) << x;
}

TEST(FlicDecode, ChunkSizesBoundTheData)
{
    Pic p(16, 16);
    // A copy chunk that claims more than the frame holds only copies what is there.
    Bytes c;
    gfxsamples::Put32(c, 1000);
    Put16(c, 16);
    for (int i = 0; i < 20; i++)
        c.push_back(uint8_t(i + 1));
    DecodeFlicChunks(c.data(), c.size(), 3, p.View());
    EXPECT_EQ(p.At(3, 1), 20);
    EXPECT_EQ(p.At(4, 1), 0xEE);
    // Random bytes never write outside the picture.
    std::mt19937 rng(5);
    for (int round = 0; round < 2000; round++) {
        Pic q(13, 7);
        Bytes junk(rng() % 200);
        for (auto &b : junk)
            b = uint8_t(rng());
        if (junk.size() >= 6) {
            junk[4] = uint8_t(std::vector<int>{4, 7, 11, 12, 13, 15, 16}[rng() % 7]);
            junk[5] = 0;
        }
        DecodeFlicChunks(junk.data(), junk.size(), rng() % 4, q.View());
        for (uint32_t y = 0; y < q.rows; y++)
            for (uint32_t x = 0; x < q.pitch; x++)
                if (x >= q.w || y >= q.h) {
                    ASSERT_EQ(q.At(x, y), 0xEE);
                }
    }
}
