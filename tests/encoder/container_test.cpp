// Whole files: written through the public interface, read back with the
// codec's tree builder and bit reader, and rebuilt picture by picture.
#include <fstream>
#include <set>

#include "codec/examine.h"

#include "tests/encoder/encoder_helpers.h"
#include "tests/support/photo_source.h"
#include "tools/common/tool_arguments.h"

using namespace zenc;
using namespace enctest;

namespace {

void ExpectLossless(const Clip &c, const Decoded &d, bool ring)
{
    const uint32_t w = c.width & ~3u, h = c.height & ~3u;
    ASSERT_EQ(d.pictures.size(), c.pixels.size() + (ring ? 1 : 0));
    for (size_t i = 0; i < d.pictures.size(); ++i) {
        const size_t src = i == c.pixels.size() ? 0 : i;
        for (uint32_t y = 0; y < h; ++y)
            ASSERT_EQ(0, std::memcmp(&d.pictures[i][y * w], &c.pixels[src][y * c.width], w))
                << "frame " << i << " row " << y;
        for (int k = 0; k < 768; ++k)
            ASSERT_EQ(d.palettes[i][k], c.palettes[src][k] >> 2) << "frame " << i;
    }
}

} // namespace

TEST(Container, LosslessContentOfEveryKind)
{
    TempDir dir;
    const struct {
        int kind;
        uint32_t w, h;
        int frames;
        bool ring;
    } cases[] = {{0, 64, 32, 4, false}, {1, 80, 48, 5, false}, {2, 96, 64, 12, true},
                 {3, 37, 30, 6, true},  {2, 4, 4, 3, false},   {1, 320, 8, 2, true}};
    int n = 0;
    for (const auto &k : cases) {
        SCOPED_TRACE(n);
        const Clip c = MakeClip(k.kind, k.w, k.h, k.frames, 100 + n);
        const std::string out = dir.path + "/c" + std::to_string(n++) + ".zbx";
        ZencParams p{};
        p.headerFlags = k.ring ? ZBX_RING_FRAME : 0;
        ASSERT_TRUE(Encode(c, out, p));
        Decoded d;
        ASSERT_TRUE(Decode(out, d));
        EXPECT_EQ(d.file.header.FrameCount, static_cast<uint32_t>(k.frames));
        EXPECT_EQ(d.file.header.Width, k.w & ~3u);
        EXPECT_EQ(d.file.header.HeaderFlags & 1, k.ring ? 1u : 0u);
        ExpectLossless(c, d, k.ring);
    }
}

TEST(Container, HeaderTablesAndPaletteFrames)
{
    TempDir dir;
    const Clip c = MakeClip(2, 48, 32, 9, 7);
    ZencParams p{};
    p.frameRate = -6667;
    p.headerFlags = ZBX_HEIGHT_DOUBLED;
    ASSERT_TRUE(Encode(c, dir.path + "/h.zbx", p));
    Decoded d;
    ASSERT_TRUE(Decode(dir.path + "/h.zbx", d));
    EXPECT_EQ(d.file.header.FrameRate, -6667);
    EXPECT_EQ(d.file.header.HeaderFlags, ZBX_HEIGHT_DOUBLED);
    struct stat st;
    ASSERT_EQ(stat((dir.path + "/h.zbx").c_str(), &st), 0);
    uint64_t total = 104 + 5 * 9 + d.file.header.TreeDataSize;
    for (size_t i = 0; i < 9; ++i) {
        total += d.file.frameSizes[i];
        const bool changed = i == 0 || c.palettes[i] != c.palettes[i - 1];
        EXPECT_EQ((d.file.frameTypes[i] & 1) != 0, changed) << i;
    }
    EXPECT_EQ(total, static_cast<uint64_t>(st.st_size));
    ExpectLossless(c, d, false);
}

TEST(Container, ErrorPercentStaysUnderTheBound)
{
    TempDir dir;
    const Clip c = MakeClip(3, 96, 64, 8, 21);
    ASSERT_TRUE(Encode(c, dir.path + "/exact.zbx", ZencParams{}));
    struct stat exact;
    ASSERT_EQ(stat((dir.path + "/exact.zbx").c_str(), &exact), 0);
    for (int bound : {2, 6}) {
        ZencParams p{};
        p.regular = bound;
        p.key = bound;
        const std::string out = dir.path + "/e" + std::to_string(bound) + ".zbx";
        ASSERT_TRUE(Encode(c, out, p));
        struct stat lossy;
        ASSERT_EQ(stat(out.c_str(), &lossy), 0);
        EXPECT_LT(lossy.st_size, exact.st_size * 0.9); // the bound is spent, not ignored
        Decoded d;
        ASSERT_TRUE(Decode(out, d));
        const Palette8 pal = ExpandPalette(ReducePalette(c.palettes[0].data()));
        for (size_t i = 0; i < c.pixels.size(); ++i) {
            uint64_t err = 0;
            for (size_t k = 0; k < c.pixels[i].size(); ++k)
                for (int ch = 0; ch < 3; ++ch) {
                    const int diff = pal[d.pictures[i][k] * 3 + ch] - pal[c.pixels[i][k] * 3 + ch];
                    err += static_cast<uint64_t>(diff * diff);
                }
            EXPECT_LE(ErrorPercent(err, c.pixels[i].size()), bound) << i;
        }
    }
}

TEST(Container, DataRateWindowsStayNearTheTarget)
{
    TempDir dir;
    const Clip c = MakeClip(3, 160, 120, 45, 5);
    ZencParams lossless{};
    ASSERT_TRUE(Encode(c, dir.path + "/l.zbx", lossless));
    Decoded full;
    ASSERT_TRUE(Decode(dir.path + "/l.zbx", full));
    uint64_t losslessBytes = 0;
    for (uint32_t s : full.file.frameSizes)
        losslessBytes += s;
    const int32_t rate = static_cast<int32_t>(losslessBytes / 3 / 3); // a third of the lossless rate (3 s)
    ZencParams p{};
    p.frameRate = 67; // 15 frames per second
    p.regular = rate;
    p.key = rate;
    ASSERT_TRUE(Encode(c, dir.path + "/r.zbx", p));
    Decoded d;
    ASSERT_TRUE(Decode(dir.path + "/r.zbx", d));
    const auto &sz = d.file.frameSizes;
    // The header, the tables and the trees count against the rate too: each
    // second carries its share of them (3 s of frames).
    struct stat st;
    ASSERT_EQ(stat((dir.path + "/r.zbx").c_str(), &st), 0);
    uint64_t frameBytes = 0;
    for (uint32_t s : sz)
        frameBytes += s;
    const double fixedShare = static_cast<double>(static_cast<uint64_t>(st.st_size) - frameBytes) / 3;
    EXPECT_LE(static_cast<double>(st.st_size), rate * 3 * 1.02);
    for (size_t i = 0; i + 15 <= sz.size(); ++i) {
        uint64_t window = 0;
        for (size_t k = i; k < i + 15; ++k)
            window += sz[k];
        EXPECT_LE(window, rate * 1.1) << "window at " << i;
        EXPECT_GE(window + fixedShare, rate * 0.9) << "window at " << i;
    }
}

TEST(Container, PercentModesShrinkFrames)
{
    TempDir dir;
    const Clip c = MakeClip(3, 96, 64, 10, 9);
    ZencParams p{};
    ASSERT_TRUE(Encode(c, dir.path + "/l.zbx", p));
    p.regular = -480; // 80% of each frame
    p.key = -480;
    ASSERT_TRUE(Encode(c, dir.path + "/f.zbx", p));
    p.regular = -50; // 50% of the average frame
    p.key = -50;
    ASSERT_TRUE(Encode(c, dir.path + "/a.zbx", p));
    Decoded l, f, a;
    ASSERT_TRUE(Decode(dir.path + "/l.zbx", l));
    ASSERT_TRUE(Decode(dir.path + "/f.zbx", f));
    ASSERT_TRUE(Decode(dir.path + "/a.zbx", a));
    uint64_t sl = 0, sf = 0, sa = 0;
    for (size_t i = 0; i < 10; ++i) {
        sl += l.file.frameSizes[i];
        sf += f.file.frameSizes[i];
        sa += a.file.frameSizes[i];
        EXPECT_LE(f.file.frameSizes[i], l.file.frameSizes[i] * 0.9) << i;
    }
    EXPECT_LT(sf, sl);
    EXPECT_LE(sa, sl * 0.6);
}

namespace {
int gCalls = 0;
int CancelLate(const char *text, int level)
{
    (void)text;
    return level == 2 ? 0 : ++gCalls > 3;
}
} // namespace

TEST(Container, FailureLeavesNothingAndKeepsTheOldFile)
{
    TempDir dir;
    const Clip c = MakeClip(2, 32, 32, 5, 1);
    const std::string out = dir.path + "/keep.zbx";
    {
        std::ofstream old(out);
        old << "old contents";
    }
    gCalls = 0;
    EXPECT_FALSE(Encode(c, out, ZencParams{}, CancelLate));
    std::ifstream in(out);
    std::string text;
    std::getline(in, text);
    EXPECT_EQ(text, "old contents");
    EXPECT_EQ(dir.Files(), std::vector<std::string>{"keep.zbx"});
    EXPECT_FALSE(Encode(c, dir.path + "/missing/dir/x.zbx", ZencParams{}));
    EXPECT_FALSE(Encode(c, dir.path, ZencParams{})); // a directory
    EXPECT_EQ(dir.Files(), std::vector<std::string>{"keep.zbx"});
}

TEST(Container, ReaderRefusesDamagedFiles)
{
    TempDir dir;
    const Clip c = MakeClip(1, 32, 32, 3, 1);
    const std::string out = dir.path + "/d.zbx";
    ASSERT_TRUE(Encode(c, out, ZencParams{}));
    struct stat st;
    ASSERT_EQ(stat(out.c_str(), &st), 0);
    ContainerFile f;
    std::string error;
    ASSERT_EQ(truncate(out.c_str(), st.st_size - 1), 0);
    EXPECT_FALSE(ReadContainer(out, f, error));
    EXPECT_FALSE(ReadContainer(dir.path + "/none.zbx", f, error));
    FrameChunks parts;
    EXPECT_FALSE(SplitFrame({9, 0, 0}, 1, parts));         // palette length beyond the frame
    EXPECT_FALSE(SplitFrame({200, 0, 0, 0, 1}, 2, parts)); // sound chunk longer than the frame
    EXPECT_TRUE(SplitFrame({4, 0, 0, 0, 7}, 2, parts));
    EXPECT_EQ(parts.video, std::vector<uint8_t>{7});
}

std::vector<std::string> gWarnings;
int KeepWarnings(const char *text, int level)
{
    if (level == 0 && std::strncmp(text, "Warning", 7) == 0)
        gWarnings.push_back(text);
    return 0;
}

// Encodes a clip losslessly and returns the pixels that came back changed.
size_t RoundTrip(const Clip &c, const std::string &out, ZencReport &report)
{
    gWarnings.clear();
    ZencParams p{};
    p.width = c.width;
    p.height = c.height;
    p.frameRate = 67;
    ZENC *enc = ZencOpen(&p);
    EXPECT_TRUE(enc);
    if (!enc)
        return SIZE_MAX;
    for (size_t i = 0; i < c.pixels.size(); ++i)
        ZencAddFrame(enc, c.pixels[i].data(), c.width, c.palettes[i].data());
    EXPECT_EQ(ZencWrite(enc, out.c_str(), KeepWarnings), 1);
    ZencGetReport(enc, &report);
    EXPECT_EQ(std::string(ZencWarning(enc)), gWarnings.empty() ? std::string() : gWarnings[0]);
    ZencClose(enc);
    Decoded d;
    EXPECT_TRUE(Decode(out, d)); // the trees leave an unused value and room for the escapes
    if (d.pictures.size() != c.pixels.size())
        return SIZE_MAX;
    size_t differing = 0;
    for (size_t i = 0; i < c.pixels.size(); ++i)
        for (size_t k = 0; k < c.pixels[i].size(); ++k)
            differing += d.pictures[i][k] != c.pixels[i][k];
    return differing;
}

TEST(Container, PhotographsWithAFullPaletteStayExact)
{
    // Smooth, grainy pictures quantised to 256 colours use the equal-colour
    // pairs but only a part of all pairs: the escapes find room among the rest.
    TempDir dir;
    for (uint32_t w : {320u, 640u}) {
        for (bool dithered : {false, true}) {
            SCOPED_TRACE(std::to_string(w) + (dithered ? " dithered" : " plain"));
            photo::Options o;
            o.width = w;
            o.height = w * 3 / 4;
            o.dithered = dithered;
            Clip c{o.width, o.height, {}, {}};
            const auto palette = photo::Palette8(o);
            std::vector<uint8_t> equalPairs(256, 0);
            for (uint32_t i = 0; i < (w == 320 ? 6u : 3u); ++i) {
                c.pixels.push_back(photo::Frame(o, i));
                c.palettes.push_back(palette);
                for (size_t k = 0; k + 1 < c.pixels.back().size(); k += 2)
                    if (c.pixels.back()[k] == c.pixels.back()[k + 1])
                        equalPairs[c.pixels.back()[k]] = 1;
            }
            int candidates = 0; // the equal pairs of colours 1, 5, 9, ... (once the only escape room)
            for (int b = 1; b < 256; b += 4)
                candidates += equalPairs[b];
            EXPECT_EQ(candidates, 64);
            ZencReport r;
            EXPECT_EQ(RoundTrip(c, dir.path + "/photo.zbx", r), 0u);
            EXPECT_EQ(r.changedPixels, 0u);
            EXPECT_EQ(r.worstErrorPercent, 0.0);
            EXPECT_TRUE(gWarnings.empty());
        }
    }
}

TEST(Container, NoiseThatLeavesSomePairsFreeStaysExact)
{
    TempDir dir;
    const Clip c = MakeClip(0, 256, 256, 14, 77);
    ZencReport r;
    EXPECT_EQ(RoundTrip(c, dir.path + "/noise.zbx", r), 0u);
    EXPECT_TRUE(gWarnings.empty());
}

TEST(Container, PicturesThatLeaveOneToThreePairsFreeStayExact)
{
    // 512 x 256 pixels whose neighbouring pairs (left pixel j, right pixel y)
    // run through all 65536 values but the free ones, then a picture of
    // repeated pairs (so the escapes earn codes), then the first again. With
    // one to three pairs free the file holds them all; with none it cannot, so
    // a few pixels change and the compressor says which frames hold them.
    const uint32_t freePairs[] = {0x1234, 0x2345, 0x3456};
    for (int free = 0; free <= 3; ++free) {
        SCOPED_TRACE(free);
        TempDir dir;
        Clip c{512, 256, {}, {}};
        std::vector<uint8_t> px(512 * 256), repeats(512 * 256);
        for (uint32_t y = 0; y < 256; ++y)
            for (uint32_t j = 0; j < 256; ++j) {
                const bool freed = std::find(freePairs, freePairs + free, j | y << 8) != freePairs + free;
                px[y * 512 + 2 * j] = static_cast<uint8_t>(j);
                px[y * 512 + 2 * j + 1] = static_cast<uint8_t>(freed ? y ^ 0x80 : y);
                repeats[y * 512 + 2 * j] = static_cast<uint8_t>(1 + 2 * (y % 4));
                repeats[y * 512 + 2 * j + 1] = static_cast<uint8_t>(2 + 2 * (y % 4));
            }
        std::mt19937 rng(5);
        c.pixels = {px, repeats, px};
        c.palettes.assign(3, Palette(rng, 1));
        ZencReport r;
        const size_t differing = RoundTrip(c, dir.path + "/pairs.zbx", r);
        EXPECT_EQ(differing, r.changedPixels);
        if (free > 0) {
            EXPECT_EQ(differing, 0u);
            EXPECT_EQ(r.worstErrorPercent, 0.0);
            EXPECT_TRUE(gWarnings.empty());
            continue;
        }
        EXPECT_GT(differing, 0u);
        EXPECT_LT(differing, 100u);
        EXPECT_EQ(r.changedFrames, 2u);
        EXPECT_GT(r.worstErrorPercent, 0.0);
        ASSERT_EQ(gWarnings.size(), 1u);
        EXPECT_NE(gWarnings[0].find("in frames 1, 3."), std::string::npos) << gWarnings[0];
    }
}

TEST(Container, PairsToAvoidOnlyWhenCrowded)
{
    std::vector<FrameOut> frames(1);
    auto avoided = [&] {
        const auto avoid = PairsToAvoid(CodedSymbols{frames});
        return avoid.empty() ? 0 : std::count(avoid.begin(), avoid.end(), 1);
    };
    for (uint32_t v = 0; v < 1000; ++v)
        frames[0].symbols.push_back(MakeSymbol(ZBX_TREE_PIXEL_PAIR, v * 7));
    for (uint32_t b = 1; b < 256; b += 4)
        frames[0].symbols.push_back(MakeSymbol(ZBX_TREE_PIXEL_PAIR, b * 0x101));
    EXPECT_EQ(avoided(), 0); // every equal pair taken, plenty of others free
    // All but three pairs: room enough while one of the three is free in
    // every tree, not when the other trees use all three.
    frames[0].symbols.clear();
    for (uint32_t v = 0; v < 65536; ++v)
        if (v != 0x1234 && v != 0x2468 && v != 0x3690)
            frames[0].symbols.push_back(MakeSymbol(ZBX_TREE_PIXEL_PAIR, v));
    frames[0].symbols.push_back(MakeSymbol(ZBX_TREE_COLOUR_PAIR, 0x1234));
    frames[0].symbols.push_back(MakeSymbol(ZBX_TREE_BITMAP, 0x2468));
    EXPECT_EQ(avoided(), 0);
    frames[0].symbols.push_back(MakeSymbol(ZBX_TREE_BLOCK_TYPE, 0x3690));
    EXPECT_EQ(avoided(), 1);
    frames[0].symbols.resize(frames[0].symbols.size() - 3);               // no other tree uses them now
    frames[0].symbols.push_back(MakeSymbol(ZBX_TREE_PIXEL_PAIR, 0x1234)); // two free pairs: enough
    frames[0].symbols.push_back(MakeSymbol(ZBX_TREE_PIXEL_PAIR, 0x2468)); // one: still enough
    EXPECT_EQ(avoided(), 0);
    frames[0].symbols.push_back(MakeSymbol(ZBX_TREE_PIXEL_PAIR, 0x3690)); // none
    EXPECT_EQ(avoided(), 1);
    for (uint32_t v = 0; v < 65536; ++v)
        frames[0].symbols.push_back(MakeSymbol(ZBX_TREE_PIXEL_PAIR, v));
    const auto avoid = PairsToAvoid(CodedSymbols{frames});
    ASSERT_EQ(avoid.size(), 65536u);
    uint32_t candidates = 0;
    for (uint32_t v = 0; v < 65536; ++v)
        if (avoid[v] && (v & 0xFF) == (v >> 8) && (v & 3) == 1)
            ++candidates;
    EXPECT_EQ(candidates, 1u);
    // Only the pair 0 free: escape leaves count as 0 where players look for
    // an unused value, so it does not serve.
    frames[0].symbols.clear();
    for (uint32_t v = 1; v < 65536; ++v)
        frames[0].symbols.push_back(MakeSymbol(ZBX_TREE_PIXEL_PAIR, v));
    EXPECT_EQ(avoided(), 1);
}

TEST(Container, FlattenedTreesStillCodeEverySymbol)
{
    // The path taken when a tree would be too deep: counts flattened and fed
    // again. Whatever the counts, every symbol must still decode.
    TempDir dir;
    for (int kind : {2, 3}) {
        const Clip c = MakeClip(kind, 64, 48, 6, 3 + kind);
        SequenceParams p;
        p.width = c.width;
        p.height = c.height;
        std::vector<SourceFrame> frames(c.pixels.size());
        for (size_t i = 0; i < frames.size(); ++i) {
            frames[i].pixels = c.pixels[i];
            frames[i].palette = ReducePalette(c.palettes[i].data());
        }
        std::vector<FrameOut> out;
        ASSERT_TRUE(CodeSequence(p, frames, {}, out, nullptr));
        for (int flatten : {1, 4, 9}) {
            const std::string name = dir.path + "/f.zbx";
            VEXFILE *f = VEXFileCreate(4096, name.c_str());
            ASSERT_NE(f, nullptr);
            ContainerHeader h;
            h.Width = c.width;
            h.Height = c.height;
            h.FrameCount = static_cast<uint32_t>(out.size());
            h.FrameRate = 67;
            std::vector<uint32_t> sizes;
            std::string error;
            std::vector<std::array<std::vector<uint8_t>, 7>> sound(out.size());
            ASSERT_TRUE(WriteZorblax(f, h, out, sound, sizes, nullptr, error, flatten)) << error;
            VEXFileClose(f);
            Decoded d;
            ASSERT_TRUE(Decode(name, d));
            ExpectLossless(c, d, false);
        }
    }
}

TEST(ToolArguments, FileNamesAndSwitchGroups)
{
    TempDir dir;
    EXPECT_TRUE(tool::IsPathArgument("in.bmp"));
    EXPECT_TRUE(tool::IsPathArgument("pic???.bmp*1-9"));
    EXPECT_TRUE(tool::IsPathArgument((dir.path + "/new.zbx").c_str())); // its directory exists
    EXPECT_TRUE(tool::IsPathArgument(dir.path.c_str()));
    EXPECT_FALSE(tool::IsPathArgument("/N0/K0/A95/L0"));
    EXPECT_FALSE(tool::IsPathArgument("/O"));
    EXPECT_FALSE(tool::IsPathArgument("/#1234"));
    EXPECT_FALSE(tool::IsPathArgument(""));
    EXPECT_FALSE(tool::IsPathArgument(nullptr));
}

// The mixer's reader and the decoder take a file cut short alike: at every
// length both refuse it, or both keep the same frames that lie whole in it.
TEST(Container, ReaderAndDecoderAgreeOnFilesCutShort)
{
    TempDir dir;
    const Clip c = MakeClip(2, 48, 32, 9, 4);
    const std::string whole = dir.path + "/whole.zbx", cut = dir.path + "/cut.zbx";
    ZencParams p{};
    p.headerFlags = ZBX_RING_FRAME;
    ASSERT_TRUE(Encode(c, whole, p));
    std::ifstream in(whole, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Lengths around every frame's end, and a spread of others.
    std::set<size_t> sizes;
    ZorbHandle *full = ZorbOpen(const_cast<char *>(whole.c_str()), 0, -1);
    ASSERT_NE(full, nullptr);
    uint64_t end = full->DataStart;
    for (uint32_t i = 0; i < ZorbTableFrames(full); ++i) {
        end += full->FrameSizes[i];
        for (uint64_t s : {end - 1, end, end + 1})
            sizes.insert(static_cast<size_t>(std::min<uint64_t>(s, bytes.size())));
    }
    ZorbClose(full);
    for (size_t s = 0; s <= bytes.size(); s += bytes.size() / 300 + 1)
        sizes.insert(s);
    int kept = 0;
    for (size_t size : sizes) {
        std::ofstream(cut, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(size));
        ZencFileInfo info{};
        const bool read = ZencReadInfo(cut.c_str(), &info) != 0;
        ZorbHandle *h = ZorbOpen(const_cast<char *>(cut.c_str()), 0, -1);
        ASSERT_EQ(read, h != nullptr) << "at " << size << " bytes";
        if (h) {
            EXPECT_EQ(info.wholeFrames, h->IntactFrames) << "at " << size << " bytes";
            kept += info.wholeFrames < 10 ? 1 : 0;
            ZorbClose(h);
        }
    }
    EXPECT_GT(kept, 0); // cut files were really read
}
