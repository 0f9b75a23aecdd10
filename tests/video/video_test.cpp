// Video decoding: generated files decode to the generator's pictures on every
// path, output variants, the change map, dirty rectangles and remapping.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>

#include "codec/format.h"
#include "codec/video.h"
#include "tests/support/photo_source.h"
#include "tests/support/treestream.h"
#include "tests/support/zbxgen.h"
#include "tests/video/parsed.h"

namespace {

using namespace zbxgen;
using zorb::DecodePath;

constexpr DecodePath kPaths[] = {DecodePath::Reference, DecodePath::Table, DecodePath::Wide};

// An output descriptor and a caller buffer with guard bytes around it.
struct Output {
    std::vector<uint64_t> block;
    zorb::OutputDescriptor *od = nullptr;
    std::vector<uint8_t> mem;
    static constexpr size_t kGuard = 64;
    uint32_t stride, lines;

    Output(uint32_t w, uint32_t ch, int mode, uint32_t x, int32_t y, uint32_t stride_, uint32_t lines_, uint32_t type)
        : stride(stride_), lines(lines_)
    {
        const bool sixteen = type >= 0x80000000u;
        const size_t n = zorb::OutputBlockSize(w, ch, sixteen);
        block.assign(n / 8 + 1, 0);
        mem.assign(size_t{stride} * lines + 2 * kGuard, 0xEE);
        od = zorb::SetupOutput(block.data(), n, w, ch, mode, x, y, stride, lines, mem.data() + kGuard, type);
    }
    uint8_t *Buffer() { return mem.data() + kGuard; }
    bool GuardsIntact() const
    {
        for (size_t i = 0; i < kGuard; ++i)
            if (mem[i] != 0xEE || mem[mem.size() - 1 - i] != 0xEE)
                return false;
        return true;
    }
    std::vector<uint8_t> Map() const { return std::vector<uint8_t>(od->changeMap, od->changeMap + od->changeMapBytes); }
};

int ModeOf(HeightMode m)
{
    return m == HeightMode::Interlaced ? 1 : m == HeightMode::Doubled ? 2 : 0;
}

// Decodes every stored frame of a description into a buffer of exactly the
// coded picture; returns the picture after each frame (and the maps).
std::vector<std::vector<uint8_t>> DecodeAll(const Description &d, DecodePath path,
                                            std::vector<std::vector<uint8_t>> *maps = nullptr)
{
    ParsedFile pf(Build(d));
    EXPECT_NE(pf.trees, nullptr);
    if (!pf.trees)
        return {};
    Output out(d.width, d.height, 0, 0, 0, d.width, d.height, 0);
    std::fill(out.Buffer(), out.Buffer() + size_t{d.width} * d.height, 0);
    std::vector<std::vector<uint8_t>> pics;
    for (size_t i = 0; i < pf.frames.size(); ++i) {
        const auto video = pf.Video(i);
        const zorb::VideoResult r = zorb::DecodeVideo(*pf.trees, video.data(), video.size(), *out.od, path);
        EXPECT_FALSE(r.ranOut) << "frame " << i;
        pics.emplace_back(out.Buffer(), out.Buffer() + size_t{d.width} * d.height);
        if (maps)
            maps->push_back(out.Map());
    }
    EXPECT_TRUE(out.GuardsIntact());
    return pics;
}

TEST(VideoDecode, GeneratedFilesDecodeToTheirPicturesOnEveryPath)
{
    for (uint32_t seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE(seed);
        Description d = RandomDescription(seed);
        std::vector<std::vector<uint8_t>> maps[3];
        std::vector<std::vector<uint8_t>> pics[3];
        for (int p = 0; p < 3; ++p)
            pics[p] = DecodeAll(d, kPaths[p], &maps[p]);
        ASSERT_EQ(pics[0].size(), d.frames.size() + (d.ringFrame ? 1 : 0));
        for (size_t i = 0; i < pics[0].size(); ++i)
            EXPECT_EQ(pics[0][i], PictureAt(d, i)) << "frame " << i;
        EXPECT_EQ(pics[1], pics[0]);
        EXPECT_EQ(pics[2], pics[0]);
        EXPECT_EQ(maps[1], maps[0]);
        EXPECT_EQ(maps[2], maps[0]);
    }
}

TEST(VideoDecode, LargePicturesWithLongRunsOnEveryPath)
{
    Rng rng(11);
    Description d;
    d.width = 320;
    d.height = 240; // 4800 blocks: runs of 2048, runs cut at the end
    for (Content c : {Content::Full, Content::TwoColour, Content::Fill, Content::MostlySkipped, Content::Random}) {
        Frame f;
        f.picture = MakePicture(d.width, d.height, c, rng, d.frames.empty() ? nullptr : &d.frames.back().picture);
        d.frames.push_back(f);
    }
    d.frames.push_back(Frame{}); // nothing changes
    for (DecodePath p : kPaths) {
        const auto pics = DecodeAll(d, p);
        for (size_t i = 0; i < pics.size(); ++i)
            EXPECT_EQ(pics[i], PictureAt(d, i)) << "frame " << i;
    }
}

TEST(VideoDecode, PhotographsAlikeOnEveryPathAndOutput)
{
    // Long codes (full palettes, thousands of pixel pairs), escapes, 8 and
    // 16-bit output, doubled height, then remapped colours.
    for (bool dithered : {false, true}) {
        photo::Options o;
        o.width = 160;
        o.height = 120;
        o.dithered = dithered;
        Description d;
        d.width = o.width;
        d.height = o.height;
        for (uint32_t i = 0; i < 3; ++i) {
            Frame f;
            f.picture = photo::Frame(o, i * 3);
            if (i == 0)
                f.palette = photo::Palette6(o);
            d.frames.push_back(f);
        }
        ParsedFile pf(Build(d));
        ASSERT_NE(pf.trees, nullptr);
        uint8_t map[256];
        for (int i = 0; i < 256; ++i)
            map[i] = static_cast<uint8_t>(255 - i);
        for (int round = 0; round < 2; ++round) {
            if (round == 1)
                zorb::RemapTrees(*pf.trees, map);
            for (uint32_t type : {0u, 0xC0000001u}) {
                for (int mode : {0, 2}) {
                    const uint32_t lines = d.height * (mode ? 2 : 1), stride = d.width * (type ? 2 : 1);
                    std::vector<uint8_t> pics[3];
                    for (int p = 0; p < 3; ++p) {
                        Output out(d.width, d.height, mode, 0, 0, stride, lines, type);
                        for (size_t i = 0; i < pf.frames.size(); ++i) {
                            const auto video = pf.Video(i);
                            EXPECT_FALSE(
                                zorb::DecodeVideo(*pf.trees, video.data(), video.size(), *out.od, kPaths[p]).ranOut);
                            if (p == 0 && round == 0 && type == 0 && mode == 0) {
                                EXPECT_EQ(std::vector<uint8_t>(out.Buffer(), out.Buffer() + size_t{stride} * lines),
                                          PictureAt(d, i));
                            }
                        }
                        pics[p].assign(out.Buffer(), out.Buffer() + size_t{stride} * lines);
                        EXPECT_TRUE(out.GuardsIntact());
                    }
                    EXPECT_EQ(pics[1], pics[0]);
                    EXPECT_EQ(pics[2], pics[0]);
                }
            }
        }
    }
}

// One frame of hand-made tree values on a small picture.
std::vector<uint8_t> DecodeValues(uint32_t w, uint32_t h, std::vector<std::pair<Tree, uint16_t>> values,
                                  DecodePath path, uint8_t background = 0xAA)
{
    Description d;
    d.width = w;
    d.height = h;
    Frame f;
    f.values = std::move(values);
    d.frames.push_back(f);
    ParsedFile pf(Build(d));
    Output out(w, h, 0, 0, 0, w, h, 0);
    std::fill(out.Buffer(), out.Buffer() + size_t{w} * h, background);
    const auto video = pf.Video(0);
    zorb::DecodeVideo(*pf.trees, video.data(), video.size(), *out.od, path);
    EXPECT_TRUE(out.GuardsIntact());
    return std::vector<uint8_t>(out.Buffer(), out.Buffer() + size_t{w} * h);
}

TEST(VideoDecode, BlockTypesAsCoded)
{
    for (DecodePath p : kPaths) {
        // 0x0007: fill, run index 1 -> two blocks of colour 0; 0xFF03: one block of 255.
        auto pic = DecodeValues(12, 4, {{BlockTypeTree, 0x0007}, {BlockTypeTree, 0xFF03}}, p);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 12; ++x)
                EXPECT_EQ(pic[y * 12 + x], x < 8 ? 0 : 255);
        // Two-colour 0x2211 with bitmap 0x0001: top-left 0x22, the rest 0x11.
        pic = DecodeValues(4, 4, {{BlockTypeTree, 0x0000}, {ColourPairTree, 0x2211}, {BitmapTree, 0x0001}}, p);
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(pic[i], i == 0 ? 0x22 : 0x11);
        // Full block rows a = 0x4433, b = 0x2211 -> 11 22 33 44.
        std::vector<std::pair<Tree, uint16_t>> v{{BlockTypeTree, 0x0001}};
        for (int y = 0; y < 4; ++y)
            v.push_back({PixelPairTree, 0x4433}), v.push_back({PixelPairTree, 0x2211});
        pic = DecodeValues(4, 4, v, p);
        for (int y = 0; y < 4; ++y)
            EXPECT_EQ(std::vector<uint8_t>(pic.begin() + 4 * y, pic.begin() + 4 * y + 4),
                      (std::vector<uint8_t>{0x11, 0x22, 0x33, 0x44}));
        // Skip keeps the buffer; unused high bytes of non-fill types are ignored.
        pic = DecodeValues(
            8, 4, {{BlockTypeTree, 0x5502}, {BlockTypeTree, 0x3300}, {ColourPairTree, 0x0201}, {BitmapTree, 0xFFFF}},
            p);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 8; ++x)
                EXPECT_EQ(pic[y * 8 + x], x < 4 ? 0xAA : 0x02);
    }
}

TEST(VideoDecode, RunIndex63CoversAtMost2048BlocksAndIsCutAtTheEnd)
{
    for (DecodePath p : kPaths) {
        // 64 x 132: 16 x 33 = 528 blocks; one fill run of 2048 covers all, nothing more is read.
        auto pic = DecodeValues(64, 132, {{BlockTypeTree, 0x7703 | 63 << 2}}, p);
        EXPECT_EQ(std::count(pic.begin(), pic.end(), 0x77), 64 * 132);
        // 256 x 132: 64 x 33 = 2112 blocks: 2048 filled, then 64 more.
        pic = DecodeValues(256, 132, {{BlockTypeTree, 0x0103 | 63 << 2}, {BlockTypeTree, 0x0203 | 63 << 2}}, p);
        for (uint32_t b = 0; b < 2112; ++b)
            EXPECT_EQ(pic[(b / 64) * 4 * 256 + (b % 64) * 4], b < 2048 ? 1 : 2) << b;
    }
}

TEST(VideoDecode, ChangeMapOf64x8Picture)
{
    for (DecodePath p : kPaths) {
        Description d;
        d.width = 64;
        d.height = 8;
        Frame f;
        f.values = std::vector<std::pair<Tree, uint16_t>>{{BlockTypeTree, 0x0002 | 15 << 2},
                                                          {BlockTypeTree, 0x0903 | 15 << 2}};
        d.frames.push_back(f);
        ParsedFile pf(Build(d));
        Output out(64, 8, 0, 0, 0, 64, 8, 0);
        std::memset(out.od->changeMap, 0x55, out.od->changeMapBytes);
        const auto video = pf.Video(0);
        zorb::DecodeVideo(*pf.trees, video.data(), video.size(), *out.od, p);
        EXPECT_EQ(out.od->changeMap[0], 0);
        EXPECT_EQ(out.od->changeMap[1], 1);
        EXPECT_EQ(out.od->changeMap[2], 0); // end of the map
    }
}

TEST(VideoDecode, SixteenBitOutputUsesTheColourTable)
{
    Rng rng(3);
    Description d = RandomDescription(21);
    d.heightMode = HeightMode::Normal;
    ParsedFile pf(Build(d));
    for (uint32_t type : {0x80000000u, 0xC0000000u})
        for (DecodePath p : kPaths) {
            Output out(d.width, d.height, 0, 0, 0, d.width * 2, d.height, type);
            ASSERT_NE(out.od->colourTable16, nullptr);
            const auto pal = Expand(RandomPalette(rng));
            zorb::BuildColourTable16(pal.data(), type >> 24, out.od->colourTable16);
            const uint16_t expect5 =
                static_cast<uint16_t>(type == 0x80000000u ? (pal[3] >> 3) << 10 | (pal[4] >> 3) << 5 | pal[5] >> 3
                                                          : (pal[3] >> 3) << 11 | (pal[4] >> 2) << 5 | pal[5] >> 3);
            EXPECT_EQ(out.od->colourTable16[1], expect5);
            const auto video = pf.Video(0);
            zorb::DecodeVideo(*pf.trees, video.data(), video.size(), *out.od, p);
            const auto want = PictureAt(d, 0);
            const uint32_t cw = d.width / 4 * 4, ch = d.height / 4 * 4;
            for (uint32_t y = 0; y < ch; ++y)
                for (uint32_t x = 0; x < cw; ++x) {
                    uint16_t got;
                    std::memcpy(&got, out.Buffer() + y * d.width * 2 + x * 2, 2);
                    ASSERT_EQ(got, out.od->colourTable16[want[y * d.width + x]]) << x << "," << y;
                }
            EXPECT_TRUE(out.GuardsIntact());
        }
}

TEST(VideoDecode, HeightModesAndBottomUpBuffers)
{
    Rng rng(8);
    Description d;
    d.width = 32;
    d.height = 16;
    d.options.skipUnchanged = false; // every block written
    Frame f;
    f.picture = MakePicture(32, 16, Content::Random, rng);
    d.frames.push_back(f);
    ParsedFile pf(Build(d));
    const auto want = PictureAt(d, 0);
    const auto video = pf.Video(0);
    for (int mode = 0; mode < 3; ++mode)
        for (int bottomUp = 0; bottomUp < 2; ++bottomUp)
            for (DecodePath p : kPaths) {
                SCOPED_TRACE(mode * 10 + bottomUp);
                // The picture at column 3, line 5 of a 48 x 40 buffer.
                const uint32_t lines = 40;
                Output out(32, 16, mode, 3, 5, 48, lines, bottomUp ? 1 : 0);
                std::memset(out.Buffer(), 0xCC, 48 * lines);
                zorb::DecodeVideo(*pf.trees, video.data(), video.size(), *out.od, p);
                for (uint32_t L = 0; L < lines; ++L) {
                    const uint8_t *line = out.Buffer() + 48 * (bottomUp ? lines - 1 - L : L);
                    const int32_t dl = static_cast<int32_t>(L) - 5; // display line of the picture
                    int32_t coded = -1;
                    if (dl >= 0 && dl < 32 && mode == 2)
                        coded = dl / 2;
                    if (dl >= 0 && dl < 32 && mode == 1 && dl % 2 == 0)
                        coded = dl / 2;
                    if (dl >= 0 && dl < 16 && mode == 0)
                        coded = dl;
                    for (uint32_t x = 0; x < 48; ++x) {
                        const bool in = coded >= 0 && x >= 3 && x < 35;
                        ASSERT_EQ(line[x], in ? want[coded * 32 + x - 3] : 0xCC) << L << "," << x;
                    }
                }
                EXPECT_TRUE(out.GuardsIntact());
            }
}

TEST(VideoDecode, BottomUpBufferGetsTheTopRowInItsLastLine)
{
    auto pic = DecodeValues(4, 4,
                            {{BlockTypeTree, 0x0001},
                             {PixelPairTree, 1},
                             {PixelPairTree, 2},
                             {PixelPairTree, 3},
                             {PixelPairTree, 4},
                             {PixelPairTree, 5},
                             {PixelPairTree, 6},
                             {PixelPairTree, 7},
                             {PixelPairTree, 8}},
                            DecodePath::Table);
    Description d;
    d.width = 4;
    d.height = 4;
    Frame f;
    f.picture = pic;
    d.frames.push_back(f);
    ParsedFile pf(Build(d));
    Output out(4, 4, 0, 0, 0, 4, 240, 1);
    const auto video = pf.Video(0);
    zorb::DecodeVideo(*pf.trees, video.data(), video.size(), *out.od, DecodePath::Wide);
    EXPECT_EQ(0, std::memcmp(out.Buffer() + 239 * 4, pic.data(), 4));
    EXPECT_EQ(0, std::memcmp(out.Buffer() + 236 * 4, pic.data() + 12, 4));
}

TEST(VideoDecode, PicturesLargerThanTheBufferAreClipped)
{
    Rng rng(4);
    Description d;
    d.width = 64;
    d.height = 32;
    d.options.skipUnchanged = false; // every block written
    Frame f;
    f.picture = MakePicture(64, 32, Content::Random, rng);
    d.frames.push_back(f);
    ParsedFile pf(Build(d));
    const auto want = PictureAt(d, 0);
    const auto video = pf.Video(0);
    struct Case {
        uint32_t x;
        int32_t y;
        uint32_t stride, lines, type;
        int mode;
    } cases[] = {{10, 3, 40, 20, 0, 0},  {0, -6, 64, 32, 0, 0},
                 {60, 0, 64, 32, 0, 0},  {0, 0, 64, 30, 0, 2},
                 {5, 7, 50, 33, 1, 1},   {0, 0, 100, 9, 0x80000000u, 0},
                 {200, 0, 64, 32, 0, 0}, {0, 1000, 64, 32, 0xC0000001u, 2}};
    for (const Case &c : cases)
        for (DecodePath p : kPaths) {
            Output out(64, 32, c.mode, c.x, c.y, c.stride, c.lines, c.type);
            if (out.od->colourTable16)
                for (int i = 0; i < 256; ++i)
                    out.od->colourTable16[i] = static_cast<uint16_t>(i * 257);
            zorb::DecodeVideo(*pf.trees, video.data(), video.size(), *out.od, p);
            EXPECT_TRUE(out.GuardsIntact()) << c.x << "," << c.y;
        }
    // Whole blocks inside the buffer are written: a 40-pixel stride at x = 10 holds 7 block columns.
    Output out(64, 32, 0, 10, 0, 40, 32, 0);
    std::memset(out.Buffer(), 0xCC, 40 * 32);
    zorb::DecodeVideo(*pf.trees, video.data(), video.size(), *out.od, DecodePath::Table);
    for (uint32_t y = 0; y < 32; ++y)
        for (uint32_t x = 0; x < 40; ++x)
            ASSERT_EQ(out.Buffer()[y * 40 + x], x >= 10 && x < 38 ? want[y * 64 + x - 10] : 0xCC);
}

TEST(VideoDecode, ExtremePlacementsWriteNothingOutside)
{
    Rng rng(5);
    Description d;
    d.width = 16;
    d.height = 8;
    d.options.skipUnchanged = false;
    Frame f;
    f.picture = MakePicture(16, 8, Content::Full, rng);
    d.frames.push_back(f);
    ParsedFile pf(Build(d));
    const auto video = pf.Video(0);
    // Positions and strides at the ends of their ranges, on a small real buffer
    // (the declared size is never reached: no block lies inside it).
    struct Case {
        uint32_t x;
        int32_t y;
        uint32_t stride, lines, type;
        int mode;
    } cases[] = {{0xFFFFFFF0u, INT32_MIN, 0xFFFFFFFFu, 4, 0x80000001u, 0},
                 {3, INT32_MAX, 0x80000000u, 6, 0, 1},
                 {0, INT32_MIN, 16, 0xFFFFFFFFu, 1, 2},
                 {0xFFFFFFFFu, 0, 16, 8, 0, 0}};
    for (const Case &c : cases)
        for (DecodePath p : kPaths) {
            std::vector<uint8_t> small(512, 0xEE);
            const size_t n = zorb::OutputBlockSize(16, 8, c.type >= 0x80000000u);
            std::vector<uint64_t> block(n / 8 + 1, 0);
            auto *od =
                zorb::SetupOutput(block.data(), n, 16, 8, c.mode, c.x, c.y, c.stride, c.lines, small.data(), c.type);
            EXPECT_EQ(od->rowEnd - od->rowFirst == 0 || od->colEnd == 0, true);
            zorb::DecodeVideo(*pf.trees, video.data(), video.size(), *od, p);
            EXPECT_EQ(small, std::vector<uint8_t>(512, 0xEE));
        }
}

TEST(VideoDecode, DataThatEndsEarlyStopsSafelyAndAlikeOnEveryPath)
{
    for (uint32_t seed = 1; seed <= 25; ++seed) {
        Description d = RandomDescription(seed + 100);
        ParsedFile pf(Build(d));
        for (size_t i = 0; i < pf.frames.size(); ++i) {
            const auto full = pf.Video(i);
            for (size_t cut : {size_t{0}, full.size() / 3, full.size() / 2, full.size() > 0 ? full.size() - 1 : 0}) {
                if (cut >= full.size() && cut != 0)
                    continue;
                std::vector<uint8_t> pics[3], maps[3];
                zorb::VideoResult res[3];
                for (int p = 0; p < 3; ++p) {
                    const std::vector<uint8_t> part(full.begin(), full.begin() + static_cast<long>(cut));
                    Output out(d.width, d.height, 0, 0, 0, d.width, d.height, 0);
                    res[p] = zorb::DecodeVideo(*pf.trees, part.data(), part.size(), *out.od, kPaths[p]);
                    pics[p].assign(out.Buffer(), out.Buffer() + size_t{d.width} * d.height);
                    maps[p] = out.Map();
                    EXPECT_TRUE(out.GuardsIntact());
                }
                EXPECT_EQ(pics[1], pics[0]);
                EXPECT_EQ(pics[2], pics[0]);
                EXPECT_EQ(maps[1], maps[0]);
                EXPECT_EQ(maps[2], maps[0]);
                EXPECT_EQ(res[1].blocks, res[0].blocks);
                EXPECT_EQ(res[2].blocks, res[0].blocks);
            }
        }
    }
}

TEST(VideoDecode, RandomBytesAsVideoNeverEscapeTheBuffers)
{
    Rng rng(77);
    for (int round = 0; round < 40; ++round) {
        Description d = RandomDescription(500 + static_cast<uint32_t>(round));
        ParsedFile pf(Build(d));
        std::vector<uint8_t> junk(rng.Below(64));
        for (uint8_t &b : junk)
            b = static_cast<uint8_t>(rng.Next());
        std::vector<uint8_t> pics[3];
        for (int p = 0; p < 3; ++p) {
            Output out(d.width, d.height, ModeOf(d.heightMode), 0, 0, d.width, d.height, round % 2);
            zorb::DecodeVideo(*pf.trees, junk.data(), junk.size(), *out.od, kPaths[p]);
            pics[p].assign(out.Buffer(), out.Buffer() + size_t{d.width} * d.height);
            EXPECT_TRUE(out.GuardsIntact());
        }
        EXPECT_EQ(pics[1], pics[0]);
        EXPECT_EQ(pics[2], pics[0]);
    }
    // Codes far longer than a table step: chain-shaped trees (codes of up to
    // 150 bits) with cache slots, read from runs of equal bits between random
    // bytes, so that long codes fall on every position of a full-block row.
    std::vector<uint16_t> pairs, bitmaps;
    for (uint16_t v = 0; v < 150; ++v) {
        pairs.push_back(static_cast<uint16_t>(v * 0x0301 + 7));
        bitmaps.push_back(static_cast<uint16_t>(v * 0x1357));
    }
    const zbxtest::CodeTree trees[4] = {zbxtest::CodeTree::Chain(bitmaps), zbxtest::CodeTree::Chain(pairs),
                                        zbxtest::CodeTree::Chain(pairs),
                                        zbxtest::CodeTree::Balanced({0x0001, 0x00FD, 0x0000, 0x0F03, 0x0006})};
    zbxtest::BigTreeWriter w;
    uint32_t nodeBytes[4];
    for (int i = 0; i < 4; ++i) {
        w.Present(trees[i], {trees[i].nodes.back().value, pairs[60], bitmaps[1]});
        nodeBytes[i] = trees[i].NodeBytes() + 12;
    }
    std::string error;
    std::unique_ptr<zorb::TreeTable, void (*)(zorb::TreeTable *)> table(
        zorb::NewTreeTable(w.Bytes().data(), w.Bytes().size(), nodeBytes, error), zorb::FreeTreeTable);
    ASSERT_TRUE(table) << error;
    for (int round = 0; round < 20; ++round) {
        std::vector<uint8_t> data;
        while (data.size() < 20000) {
            const uint8_t fill = rng.Below(2) ? 0xFF : 0x00;
            data.insert(data.end(), rng.Below(24), fill);
            for (uint32_t n = rng.Below(8); n > 0; --n)
                data.push_back(static_cast<uint8_t>(rng.Next()));
        }
        std::vector<uint8_t> pics[3];
        zorb::VideoResult res[3];
        for (int p = 0; p < 3; ++p) {
            Output out(256, 64, 0, 0, 0, 256, 64, 0);
            res[p] = zorb::DecodeVideo(*table, data.data(), data.size(), *out.od, kPaths[p]);
            pics[p].assign(out.Buffer(), out.Buffer() + 256 * 64);
            EXPECT_TRUE(out.GuardsIntact());
        }
        EXPECT_EQ(pics[1], pics[0]) << "round " << round;
        EXPECT_EQ(pics[2], pics[0]) << "round " << round;
        EXPECT_EQ(res[1].values, res[0].values);
        EXPECT_EQ(res[2].values, res[0].values);
    }
}

// ---- Dirty rectangles --------------------------------------------------------------

std::vector<std::array<int32_t, 4>> Rects(zorb::OutputDescriptor &od, int mode)
{
    std::vector<std::array<int32_t, 4>> v;
    zorb::StartDirtyWalk(od);
    std::array<int32_t, 4> r;
    while (zorb::NextDirtyRect(od, mode, r.data()))
        v.push_back(r);
    return v;
}

// Decodes hand-made values and walks the map.
std::vector<std::array<int32_t, 4>> RectsFor(uint32_t w, uint32_t h, std::vector<std::pair<Tree, uint16_t>> values,
                                             int mode, int heightMode = 0, uint32_t x = 0, int32_t y = 0)
{
    Description d;
    d.width = w;
    d.height = h;
    Frame f;
    f.values = std::move(values);
    d.frames.push_back(f);
    ParsedFile pf(Build(d));
    Output out(w, h, heightMode, x, y, w + x + 16, (h + 8) * 2 + static_cast<uint32_t>(y), 0);
    const auto video = pf.Video(0);
    zorb::DecodeVideo(*pf.trees, video.data(), video.size(), *out.od, DecodePath::Table);
    return Rects(*out.od, mode);
}

uint16_t TypeRun(uint16_t type, uint32_t n, uint8_t colour = 0)
{
    int r = 0;
    while (ZbxRunLengths[r] != n)
        ++r;
    return static_cast<uint16_t>(type | r << 2 | colour << 8);
}

TEST(DirtyRects, SixtyFourByEight)
{
    using R = std::array<int32_t, 4>;
    // Skip the first block row, fill the second: one rectangle of the second row.
    EXPECT_EQ(RectsFor(64, 8, {{BlockTypeTree, TypeRun(2, 16)}, {BlockTypeTree, TypeRun(3, 16, 5)}}, 0),
              (std::vector<R>{{0, 4, 64, 4}}));
    // Both rows filled: the runs share a whole edge and become one.
    EXPECT_EQ(RectsFor(64, 8, {{BlockTypeTree, TypeRun(3, 32, 5)}}, 0), (std::vector<R>{{0, 0, 64, 8}}));
    // Only skips: nothing.
    EXPECT_TRUE(RectsFor(64, 8, {{BlockTypeTree, TypeRun(2, 32)}}, 0).empty());
    // Doubled height with the picture at (8, 3): rows doubled, then offset.
    EXPECT_EQ(RectsFor(64, 8, {{BlockTypeTree, TypeRun(2, 16)}, {BlockTypeTree, TypeRun(3, 16, 5)}}, 0, 2, 8, 3),
              (std::vector<R>{{8, 11, 64, 8}}));
}

TEST(DirtyRects, MergeRuleAlignmentAndModeOne)
{
    using R = std::array<int32_t, 4>;
    // 256 x 12: 64 blocks per row, groups of 16 blocks. Row 0: group 0 and group 3 changed;
    // row 1: nothing; row 2: group 0 changed.
    std::vector<std::pair<Tree, uint16_t>> v{{BlockTypeTree, TypeRun(3, 16, 1)}, {BlockTypeTree, TypeRun(2, 32)},
                                             {BlockTypeTree, TypeRun(3, 16, 1)}, {BlockTypeTree, TypeRun(2, 32)},
                                             {BlockTypeTree, TypeRun(2, 32)},    {BlockTypeTree, TypeRun(3, 16, 1)},
                                             {BlockTypeTree, TypeRun(2, 48)}};
    // Mode 0: group 0 and group 3 of row 0 would give a box of 256x4 for 2 x 64x4 of runs: split.
    // Row 2's run shares no whole edge with row 0's (a gap of one row).
    EXPECT_EQ(RectsFor(256, 12, v, 0), (std::vector<R>{{0, 0, 64, 4}, {192, 0, 64, 4}, {0, 8, 64, 4}}));
    // Mode 1: one bounding box.
    EXPECT_EQ(RectsFor(256, 12, v, 1), (std::vector<R>{{0, 0, 256, 12}}));
    // A picture at x = 5: the left edge moves down to 0 only when that stays right of x; widths round to 8.
    EXPECT_EQ(RectsFor(256, 12, v, 1, 0, 5), (std::vector<R>{{5, 0, 256, 12}}));
    EXPECT_EQ(RectsFor(256, 12, v, 0, 0, 13), (std::vector<R>{{13, 0, 64, 4}, {200, 0, 69, 4}, {13, 8, 64, 4}}));
}

TEST(DirtyRects, GroupsStraddlingRowsContinueAtColumnZero)
{
    using R = std::array<int32_t, 4>;
    // 40 x 8: 10 blocks per row; group 0 = blocks 0-15 (row 0 and 6 blocks of row 1), group 1 = 16-19.
    // Changing only block 2 marks group 0: runs are row 0 (0..40) and row 1 (0..24).
    EXPECT_EQ(
        RectsFor(40, 8,
                 {{BlockTypeTree, TypeRun(2, 2)}, {BlockTypeTree, TypeRun(3, 1, 9)}, {BlockTypeTree, TypeRun(2, 17)}},
                 1),
        (std::vector<R>{{0, 0, 40, 8}}));
    const auto rects = RectsFor(
        40, 8, {{BlockTypeTree, TypeRun(2, 2)}, {BlockTypeTree, TypeRun(3, 1, 9)}, {BlockTypeTree, TypeRun(2, 17)}}, 0);
    // Together 40x4 + 24x4 = 256 px, x 5/4 = 320 >= the 320 px box: one rectangle.
    EXPECT_EQ(rects, (std::vector<R>{{0, 0, 40, 8}}));
}

// ---- Remapping ---------------------------------------------------------------------

TEST(Remap, NearestEntryStartsAtOwnIndexAndWraps)
{
    uint8_t pal[768] = {}, map[256];
    for (int i = 0; i < 256; ++i)
        pal[3 * i] = pal[3 * i + 1] = pal[3 * i + 2] = static_cast<uint8_t>(i);
    // Target: 4 entries, all the same grey; every index takes itself when below the count, else entry 0.
    uint8_t target[12] = {9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9};
    zorb::BuildRemap(pal, target, 4, 0, map);
    EXPECT_EQ(map[2], 2);
    EXPECT_EQ(map[200], 0);
    // Four-byte entries, components from the second byte, blue first.
    uint8_t t4[8] = {0, 30, 20, 10, 0, 10, 20, 30};
    pal[0] = 10, pal[1] = 20, pal[2] = 30;
    zorb::BuildRemap(pal, t4, 2, 4 | 8 | 2, map);
    EXPECT_EQ(map[0], 0);
    // Two-byte components.
    uint16_t t16[6] = {100, 100, 100, 10, 20, 30};
    zorb::BuildRemap(pal, reinterpret_cast<uint8_t *>(t16), 2, 1, map);
    EXPECT_EQ(map[0], 1);
}

TEST(Remap, ASecondRemapMapsTheMappedColoursAgain)
{
    Description d = RandomDescription(77);
    d.options.escapePercent = 80;
    const auto wantPics = DecodeAll(d, DecodePath::Table);
    ParsedFile pf(Build(d));
    uint8_t a[256], b[256];
    for (int i = 0; i < 256; ++i)
        a[i] = static_cast<uint8_t>(i * 7 + 3), b[i] = static_cast<uint8_t>(255 - i);
    zorb::RemapTrees(*pf.trees, a);
    zorb::RemapTrees(*pf.trees, b);
    Output out(d.width, d.height, 0, 0, 0, d.width, d.height, 0);
    std::fill(out.Buffer(), out.Buffer() + size_t{d.width} * d.height, b[a[0]]);
    for (size_t i = 0; i < pf.frames.size(); ++i) {
        const auto video = pf.Video(i);
        zorb::DecodeVideo(*pf.trees, video.data(), video.size(), *out.od, DecodePath::Wide);
        const uint32_t cw = d.width / 4 * 4, ch = d.height / 4 * 4;
        for (uint32_t y = 0; y < ch; ++y)
            for (uint32_t x = 0; x < cw; ++x)
                ASSERT_EQ(out.Buffer()[y * d.width + x], b[a[wantPics[i][y * d.width + x]]]) << "frame " << i;
    }
}

TEST(Remap, DecodedColoursPassThroughTheMap)
{
    for (uint32_t seed = 1; seed <= 10; ++seed) {
        Description d = RandomDescription(seed + 40);
        d.options.escapePercent = 60;
        const auto wantPics = DecodeAll(d, DecodePath::Table);
        ParsedFile pf(Build(d));
        Rng rng(seed);
        uint8_t map[256];
        for (uint8_t &m : map)
            m = static_cast<uint8_t>(rng.Next());
        zorb::RemapTrees(*pf.trees, map);
        for (DecodePath p : kPaths) {
            Output out(d.width, d.height, 0, 0, 0, d.width, d.height, 0);
            std::fill(out.Buffer(), out.Buffer() + size_t{d.width} * d.height, map[0]);
            for (size_t i = 0; i < pf.frames.size(); ++i) {
                const auto video = pf.Video(i);
                zorb::DecodeVideo(*pf.trees, video.data(), video.size(), *out.od, p);
                std::vector<uint8_t> want = wantPics[i];
                for (uint8_t &v : want)
                    v = map[v];
                const uint32_t cw = d.width / 4 * 4, ch = d.height / 4 * 4;
                for (uint32_t y = 0; y < ch; ++y)
                    for (uint32_t x = 0; x < cw; ++x)
                        ASSERT_EQ(out.Buffer()[y * d.width + x], want[y * d.width + x]) << seed << " frame " << i;
            }
        }
    }
}

} // namespace
