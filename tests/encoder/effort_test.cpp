// The search levels of the compressor: every level writes files that the
// decoder reads back exactly (through the codec's trees and through the
// player's calls), higher levels do not write larger files, lossy levels keep
// their bounds; and the tuned tree writer on its own, symbol for symbol.
#include <cmath>

#include "codec/bitreader.h"
#include "codec/zorb.h"
#include "tests/encoder/encoder_helpers.h"
#include "tests/support/photo_source.h"
#include "tests/support/sanitized.h"

using namespace zenc;
using namespace enctest;

namespace {

bool EncodeAt(const Clip &c, const std::string &out, ZencParams p, int effort)
{
    return Encode(c, out, p, nullptr, effort);
}

uint64_t SizeOf(const std::string &name)
{
    struct stat st;
    return stat(name.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

// Plays the file with the player's calls and compares every picture.
::testing::AssertionResult PlaysExactly(const Clip &c, const std::string &name)
{
    ZorbHandle *h = ZorbOpen(const_cast<char *>(name.c_str()), ZORB_OPEN_PRELOAD | ZORB_OPEN_NEVER_SKIP, -1);
    if (!h)
        return ::testing::AssertionFailure() << "not opened";
    const uint32_t w = c.width & ~3u, ht = c.height & ~3u;
    std::vector<uint8_t> picture(static_cast<size_t>(w) * ht, 0);
    ZorbSetOutput(h, 0, 0, w, ht, picture.data(), 0);
    for (size_t i = 0; i < c.pixels.size(); ++i) {
        if (i)
            ZorbAdvanceFrame(h);
        ZorbDecodeFrame(h);
        for (uint32_t y = 0; y < ht; ++y) {
            if (std::memcmp(&picture[y * w], &c.pixels[i][y * c.width], w) != 0) {
                ZorbClose(h);
                return ::testing::AssertionFailure() << "frame " << i << " row " << y;
            }
        }
    }
    ZorbClose(h);
    return ::testing::AssertionSuccess();
}

Clip PhotoClip(uint32_t w, uint32_t frames, bool dithered)
{
    photo::Options o;
    o.width = w;
    o.height = w * 3 / 4;
    o.dithered = dithered;
    Clip c{o.width, o.height, {}, {}};
    const auto palette = photo::Palette8(o);
    for (uint32_t i = 0; i < frames; ++i) {
        c.pixels.push_back(photo::Frame(o, i));
        c.palettes.push_back(palette);
    }
    return c;
}

// A small sprite moving over a still background.
Clip SpriteClip(uint32_t frames)
{
    Clip c = MakeClip(1, 96, 64, 1, 9);
    for (uint32_t t = 1; t < frames; ++t) {
        std::vector<uint8_t> px = c.pixels[0];
        for (uint32_t y = 0; y < 12; ++y)
            for (uint32_t x = 0; x < 12; ++x)
                px[(8 + y + t) * 96 + 5 + x + 3 * t] = static_cast<uint8_t>(200 + (x ^ y) % 5);
        c.pixels.push_back(px);
        c.palettes.push_back(c.palettes[0]);
    }
    return c;
}

} // namespace

TEST(Effort, EveryLevelRoundTripsExactly)
{
    TempDir dir;
    const struct {
        int kind;
        uint32_t w, h;
        int frames;
        bool ring;
        uint32_t keyEvery;
    } cases[] = {{0, 64, 32, 3, false, 0}, {1, 80, 48, 4, true, 0}, {2, 96, 64, 9, true, 3},
                 {3, 37, 30, 5, false, 2}, {2, 4, 4, 3, false, 0},  {3, 320, 8, 3, true, 0}};
    // Sanitized: one level of each kind of search (none, tuned trees, one,
    // two and three passes, the lossy refining pass).
    std::vector<int> efforts = {0, 1, 2, 5, 6, 9};
    if (!zorb_test::kSanitized)
        efforts = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    for (int effort : efforts) {
        int n = 0;
        for (const auto &k : cases) {
            SCOPED_TRACE("effort " + std::to_string(effort) + " case " + std::to_string(n));
            const Clip c = MakeClip(k.kind, k.w, k.h, k.frames, 300 + n + 17 * effort);
            const std::string out = dir.path + "/e" + std::to_string(n++) + ".zbx";
            ZencParams p{};
            p.headerFlags = k.ring ? ZBX_RING_FRAME : 0;
            p.keyEvery = k.keyEvery;
            ASSERT_TRUE(EncodeAt(c, out, p, effort));
            Decoded d;
            ASSERT_TRUE(Decode(out, d));
            ASSERT_EQ(d.pictures.size(), c.pixels.size() + (k.ring ? 1 : 0));
            const uint32_t w = c.width & ~3u, h = c.height & ~3u;
            for (size_t i = 0; i < d.pictures.size(); ++i) {
                const size_t src = i == c.pixels.size() ? 0 : i;
                for (uint32_t y = 0; y < h; ++y)
                    ASSERT_EQ(0, std::memcmp(&d.pictures[i][y * w], &c.pixels[src][y * c.width], w))
                        << "frame " << i << " row " << y;
            }
            ASSERT_TRUE(PlaysExactly(c, out));
        }
    }
}

TEST(Effort, SearchShrinksFilesOfEveryKind)
{
    TempDir dir;
    const Clip clips[] = {PhotoClip(160, 4, false), PhotoClip(160, 4, true), SpriteClip(8), MakeClip(2, 96, 64, 8, 5)};
    int n = 0;
    for (const Clip &c : clips) {
        SCOPED_TRACE(n++);
        uint64_t size[10] = {};
        for (int effort : {0, ZENC_EFFORT_DEFAULT, 9}) {
            const std::string out = dir.path + "/s" + std::to_string(effort) + ".zbx";
            ASSERT_TRUE(EncodeAt(c, out, ZencParams{}, effort));
            ASSERT_TRUE(PlaysExactly(c, out));
            size[effort] = SizeOf(out);
        }
        EXPECT_LT(size[ZENC_EFFORT_DEFAULT], size[0]);
        EXPECT_LE(size[9], size[ZENC_EFFORT_DEFAULT] + size[0] / 200); // within half a percent or smaller
    }
}

TEST(Effort, LossyLevelsKeepTheirBounds)
{
    TempDir dir;
    const Clip c = PhotoClip(160, 6, false);
    std::vector<int> efforts = {0, 1, 9};
    if (!zorb_test::kSanitized)
        efforts = {0, 1, 5, 9};
    for (int effort : efforts) {
        SCOPED_TRACE(effort);
        // Error bound: every frame under 3%.
        ZencParams p{};
        p.regular = p.key = 3;
        const std::string out = dir.path + "/l.zbx";
        p.width = c.width;
        p.height = c.height;
        p.frameRate = 67;
        ZENC *enc = ZencOpen(&p);
        ASSERT_NE(enc, nullptr);
        ZencSetEffort(enc, effort);
        for (size_t i = 0; i < c.pixels.size(); ++i)
            ZencAddFrame(enc, c.pixels[i].data(), c.width, c.palettes[i].data());
        ASSERT_EQ(ZencWrite(enc, out.c_str(), nullptr), 1);
        ZencReport r;
        ZencGetReport(enc, &r);
        ZencClose(enc);
        EXPECT_LE(r.worstErrorPercent, 3.0);
        Decoded d;
        ASSERT_TRUE(Decode(out, d));
        // Data rate: the file is no larger than effort 0's at the same rate.
        ZencParams q{};
        q.regular = q.key = 150000;
        ASSERT_TRUE(EncodeAt(c, out, q, effort));
        const uint64_t size = SizeOf(out);
        ASSERT_TRUE(EncodeAt(c, out, q, 0));
        EXPECT_LT(static_cast<double>(size), SizeOf(out) * 1.05);
        ASSERT_TRUE(Decode(out, d));
    }
}

// PSNR of a decoded file against its source (RGB components as played).
double Psnr(const Clip &c, const Decoded &d)
{
    double sum = 0, n = 0;
    const Palette8 pal = ExpandPalette(ReducePalette(c.palettes[0].data()));
    for (size_t i = 0; i < c.pixels.size() && i < d.pictures.size(); ++i)
        for (size_t k = 0; k < d.pictures[i].size(); ++k)
            for (int ch = 0; ch < 3; ++ch) {
                const double diff = pal[d.pictures[i][k] * 3 + ch] - pal[c.pixels[i][k] * 3 + ch];
                sum += diff * diff;
                n += 1;
            }
    return sum > 0 ? 10 * std::log10(255.0 * 255.0 * n / sum) : 99;
}

TEST(Effort, LossyFilesMeetTheirDataRate)
{
    // The whole file (header, tables and trees included) at the default
    // effort stays within 2% of its data rate and uses at least 90% of it, on a
    // panned photograph and on sprites over a noisy still picture, where the
    // trees are a large part of a small file; the PSNR is no worse than
    // effort 0's at the size effort 0 reaches for the same request.
    TempDir dir;
    const Clip clips[] = {PhotoClip(160, 15, false), SpriteClip(15)};
    const int shares[] = {4, 2}; // of the lossless rate (the sprites' trees leave little below)
    int n = 0;
    for (const Clip &c : clips) {
        const int share = shares[n];
        SCOPED_TRACE(n++);
        const std::string out = dir.path + "/r.zbx";
        ASSERT_TRUE(EncodeAt(c, out, ZencParams{}, 0));
        const double seconds = c.pixels.size() / 15.0; // frame time 67 ms
        const int32_t rate = static_cast<int32_t>(SizeOf(out) / seconds / share);
        ZencParams p{};
        p.regular = p.key = rate;
        ASSERT_TRUE(EncodeAt(c, out, p, ZENC_EFFORT_DEFAULT));
        const double reached = SizeOf(out) / seconds;
        EXPECT_LE(reached, rate * 1.02);
        EXPECT_GE(reached, rate * 0.9);
        ASSERT_TRUE(EncodeAt(c, out, p, 0));
        const double today = SizeOf(out) / seconds;
        Decoded d0, d1;
        ASSERT_TRUE(Decode(out, d0));
        p.regular = p.key = static_cast<int32_t>(today);
        ASSERT_TRUE(EncodeAt(c, out, p, ZENC_EFFORT_DEFAULT));
        EXPECT_LE(SizeOf(out) / seconds, today * 1.02);
        ASSERT_TRUE(Decode(out, d1));
        EXPECT_GE(Psnr(c, d1), Psnr(c, d0) - 0.05);
    }
}

// The tree writer alone: symbol lists of four trees written and decoded with
// the codec's tree builder, value for value.
TEST(TreeWriter, CodesEverySymbolListBack)
{
    std::mt19937 rng(11);
    auto randomFrames = [&](uint32_t values, int repeats, int frames) {
        std::vector<std::vector<uint32_t>> out(static_cast<size_t>(frames));
        for (auto &f : out) {
            for (int i = 0; i < 600; ++i) {
                const uint32_t t = rng() % 4;
                const uint32_t v = (rng() % 100 < static_cast<uint32_t>(repeats)) ? 7 + t : rng() % values;
                f.push_back(MakeSymbol(t, v));
            }
        }
        return out;
    };
    std::vector<std::vector<std::vector<uint32_t>>> cases;
    cases.push_back({{MakeSymbol(3, 5), MakeSymbol(3, 5), MakeSymbol(3, 5)}, {MakeSymbol(3, 5)}}); // one leaf
    cases.push_back({{MakeSymbol(1, 0), MakeSymbol(1, 0)}, {MakeSymbol(1, 0)}}); // only the reset cache
    cases.push_back({{MakeSymbol(0, 4), MakeSymbol(0, 9), MakeSymbol(0, 4), MakeSymbol(0, 9), MakeSymbol(0, 4)}});
    cases.push_back(randomFrames(40, 50, 5));
    cases.push_back(randomFrames(60000, 20, 3));
    cases.push_back(randomFrames(65536, 5, 2));
    {
        // One tree that uses all values but two: its cache hits take escape 0 only.
        std::vector<uint32_t> crowded;
        for (uint32_t v = 0; v < 65536; ++v)
            if (v != 0x1234 && v != 0x4321)
                crowded.push_back(MakeSymbol(2, v));
        for (int i = 0; i < 500; ++i)
            crowded.push_back(MakeSymbol(2, crowded[static_cast<size_t>(rng() % 65534)] & 0xFFFF));
        crowded.push_back(MakeSymbol(2, 77));
        crowded.push_back(MakeSymbol(2, 77));
        cases.push_back({crowded, {MakeSymbol(0, 2), MakeSymbol(2, 9)}});
    }
    TempDir dir;
    int n = 0;
    for (const auto &frames : cases) {
        SCOPED_TRACE(n++);
        std::vector<FrameOut> out(frames.size());
        for (size_t i = 0; i < frames.size(); ++i)
            out[i].symbols = frames[i];
        const CodedSymbols coded{out, nullptr};
        TreeCode codes[4];
        PlanTrees(coded, codes, 3);
        const std::string name = dir.path + "/t.bin";
        VEXFILE *f = VEXFileCreate(65536, name.c_str());
        ASSERT_NE(f, nullptr);
        uint32_t sizes[4];
        for (int t = 0; t < 4; ++t) {
            sizes[t] = WriteTreeCode(f, codes[t]);
            codes[t].Finish();
        }
        VEXFileByteAlign(f);
        const uint32_t treeBytes = VEXFileGetPos(f);
        std::vector<uint32_t> starts;
        for (const auto &list : frames) {
            starts.push_back(VEXFileGetPos(f));
            ASSERT_TRUE(EncodeFrameSymbols(f, codes, list));
            VEXFileByteAlign(f);
        }
        starts.push_back(VEXFileGetPos(f));
        VEXFileClose(f);
        std::vector<uint8_t> bytes(starts.back() + 8, 0);
        FILE *in = std::fopen(name.c_str(), "rb");
        ASSERT_NE(in, nullptr);
        ASSERT_EQ(std::fread(bytes.data(), 1, starts.back(), in), starts.back());
        std::fclose(in);
        std::string why;
        zorb::TreeTable *table = zorb::NewTreeTable(bytes.data(), treeBytes, sizes, why);
        ASSERT_NE(table, nullptr) << why;
        for (size_t i = 0; i < frames.size(); ++i) {
            zorb::BitReader reader(bytes.data() + starts[i], starts[i + 1] - starts[i]);
            zorb::ResetCaches(table);
            for (size_t k = 0; k < frames[i].size(); ++k) {
                const uint32_t s = frames[i][k];
                ASSERT_EQ(zorb::DecodeBig(table->tree[SymbolTree(s)], reader), SymbolValue(s))
                    << "frame " << i << " symbol " << k;
            }
            ASSERT_FALSE(reader.Overrun());
        }
        zorb::FreeTreeTable(table);
    }
}
