// Decoding whole files through the handle: pictures, palettes and sound of
// generated files, frame stepping with the ring frame, seeking, output
// variants, dirty rectangles, remapping; and the sound chunk decoder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "codec/cpu.h"
#include "codec/soundchunk.h"
#include "codec/timing.h"
#include "codec/zorb.h"
#include "tests/support/zbxgen.h"

namespace {

using namespace zbxgen;

struct Opened {
    ZorbHandle *h = nullptr;
    std::string path;
    Opened(const Description &d, uint32_t flags = 0, const std::string &name = "f")
    {
        // Per process: other builds run these tests at the same time.
        path = testing::TempDir() + "/dec_" + name + "_" +
               testing::UnitTest::GetInstance()->current_test_info()->name() + "_" + std::to_string(::getpid()) +
               ".zbx";
        EXPECT_TRUE(WriteFile(d, path));
        h = ZorbOpen(const_cast<char *>(path.c_str()), flags, -1);
        EXPECT_NE(h, nullptr);
    }
    ~Opened()
    {
        ZorbClose(h);
        std::remove(path.c_str());
    }
};

// Every stored frame in file order through the handle; checks pictures,
// palettes and every track's sound against the description.
void ExpectFileDecodes(const Description &d, uint32_t openFlags)
{
    Opened f(d, openFlags | ZORB_OPEN_HEIGHT_NONE);
    ZorbHandle *h = f.h;
    ASSERT_NE(h, nullptr);
    std::vector<uint8_t> pic(size_t{d.width} * d.height, 0);
    ZorbSetOutput(h, 0, 0, d.width, d.height, pic.data(), 0);
    const size_t N = d.frames.size() + (d.ringFrame ? 1 : 0);
    for (size_t i = 0; i < N; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(h->CurrentFrame, i);
        ZorbDecodeFrame(h);
        EXPECT_EQ(pic, PictureAt(d, i));
        const auto pal = PaletteAt(d, i);
        EXPECT_EQ(0, std::memcmp(h->Palette, pal.data(), 768));
        const Frame &fr = i < d.frames.size() ? d.frames[i] : *d.ringFrame;
        for (int n = 0; n < 7; ++n) {
            std::vector<uint8_t> got(h->AudioMaxSize[n] + 64, 0xEE);
            const uint32_t bytes = ZorbGetTrackSound(h, ZORB_OPEN_TRACK(n), got.data());
            if (!fr.sound[n]) {
                EXPECT_EQ(bytes, 0u);
                continue;
            }
            const SoundFormat fmt = *d.tracks[n];
            std::vector<uint8_t> want = fr.sound[n]->pcm;
            if (fmt.compressed)
                want.resize(want.size() / SampleFrameBytes(fmt) * SampleFrameBytes(fmt));
            if (fmt.compressed && fr.sound[n]->noData)
                want.assign(want.size(), fmt.sixteenBit ? 0 : 0x80);
            got.resize(bytes);
            EXPECT_EQ(got, want) << "track " << n;
        }
        ZorbAdvanceFrame(h);
    }
    EXPECT_EQ(h->ReadFailed, 0u);
}

TEST(DecodeFile, GeneratedFilesDecodeToWhatTheGeneratorPutIn)
{
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        const Description d = RandomDescription(seed);
        ExpectFileDecodes(d, 0);
        ExpectFileDecodes(d, ZORB_OPEN_PRELOAD);
    }
}

TEST(DecodeFile, PlainAndWideLoopsGiveTheSamePicturesAndRectangles)
{
    const int before = ZorbSetMMX(2);
    for (uint32_t seed = 200; seed < 230; ++seed) {
        const Description d = RandomDescription(seed);
        std::vector<std::vector<uint8_t>> pics[2];
        std::vector<std::vector<int32_t>> rects[2];
        for (int wide = 0; wide < 2; ++wide) {
            ZorbSetMMX(static_cast<uint32_t>(wide));
            Opened f(d, 0, wide ? "wide" : "plain");
            ASSERT_NE(f.h, nullptr);
            const uint32_t lines = f.h->Height + 3;
            std::vector<uint8_t> buf(size_t{d.width * 2 + 8} * lines, 0);
            ZorbSetOutput(f.h, 4, 2, d.width * 2 + 8, lines, buf.data(), seed % 2 ? 0xC0000001u : 0x80000000u);
            for (size_t i = 0; i < d.frames.size() + 2; ++i) {
                ZorbDecodeFrame(f.h);
                pics[wide].push_back(buf);
                while (ZorbNextDirtyRect(f.h, static_cast<int32_t>(i % 2)))
                    rects[wide].push_back({f.h->LastRectX, f.h->LastRectY, f.h->LastRectW, f.h->LastRectH});
                ZorbAdvanceFrame(f.h);
            }
        }
        EXPECT_EQ(pics[0], pics[1]) << seed;
        EXPECT_EQ(rects[0], rects[1]) << seed;
    }
    ZorbSetMMX(static_cast<uint32_t>(before));
}

TEST(DecodeFile, RingFrameLoopAndReturnToFrameZero)
{
    Rng rng(2);
    Description d;
    d.width = 16;
    d.height = 8;
    for (int i = 0; i < 4; ++i) {
        Frame f;
        f.picture = MakePicture(16, 8, Content::Random, rng);
        f.palette = RandomPalette(rng);
        d.frames.push_back(f);
    }
    Frame ring;
    ring.picture = d.frames[0].picture;
    ring.palette = d.frames[0].palette;
    d.ringFrame = ring;
    for (uint32_t flags : {0u, uint32_t{ZORB_OPEN_PRELOAD}}) {
        Opened f(d, flags);
        std::vector<uint8_t> pic(16 * 8);
        ZorbSetOutput(f.h, 0, 0, 16, 8, pic.data(), 0);
        const uint32_t order[] = {0, 1, 2, 3, 4, 1, 2, 3, 4, 1, 2};
        for (uint32_t want : order) {
            ASSERT_EQ(f.h->CurrentFrame, want);
            ZorbDecodeFrame(f.h);
            EXPECT_EQ(pic, PictureAt(d, want)) << want;
            EXPECT_EQ(0, std::memcmp(f.h->Palette, PaletteAt(d, want).data(), 768));
            ZorbAdvanceFrame(f.h);
        }
    }
    // Without a ring frame: 0..3, then 0 again from a black palette.
    d.ringFrame.reset();
    d.frames[0].palette->fill(0);
    (*d.frames[0].palette)[0] = 63; // frame 0 sets only entry 0's red; the rest stays black
    Opened f(d);
    for (int loop = 0; loop < 2; ++loop)
        for (uint32_t i = 0; i < 4; ++i) {
            ASSERT_EQ(f.h->CurrentFrame, i);
            EXPECT_EQ(0, std::memcmp(f.h->Palette, PaletteAt(d, i).data(), 768)) << loop << "," << i;
            ZorbDecodeFrame(f.h);
            ZorbAdvanceFrame(f.h);
        }
}

TEST(DecodeFile, DoubledHeightWritesEveryLineOfTheDisplayHeight)
{
    Rng rng(3);
    Description d;
    d.width = 8;
    d.height = 100; // 25 block rows
    d.heightMode = HeightMode::Doubled;
    d.options.skipUnchanged = false;
    Frame f;
    f.picture = MakePicture(8, 100, Content::Full, rng);
    d.frames.push_back(f);
    Opened o(d);
    ASSERT_EQ(o.h->Height, 200u);
    std::vector<uint8_t> buf(8 * 200 + 16, 0xEE);
    ZorbSetOutput(o.h, 0, 0, 8, 200, buf.data(), 0);
    ZorbDecodeFrame(o.h);
    for (uint32_t line = 0; line < 200; ++line)
        ASSERT_EQ(0, std::memcmp(&buf[line * 8], &f.picture[line / 2 * 8], 8)) << line;
    EXPECT_EQ(std::vector<uint8_t>(buf.end() - 16, buf.end()), std::vector<uint8_t>(16, 0xEE));
}

TEST(DecodeFile, SeekingPositionsOnFramesAndDecodesOverTheOldPicture)
{
    Rng rng(9);
    Description d;
    d.width = 32;
    d.height = 16;
    for (int i = 0; i < 6; ++i) {
        Frame f;
        f.picture =
            MakePicture(32, 16, Content::MostlySkipped, rng, d.frames.empty() ? nullptr : &d.frames.back().picture);
        f.palette = RandomPalette(rng);
        d.frames.push_back(f);
    }
    for (uint32_t flags : {0u, uint32_t{ZORB_OPEN_PRELOAD}}) {
        Opened f(d, flags);
        ZorbSeekFrame(f.h, 4); // 1-based
        EXPECT_EQ(f.h->CurrentFrame, 3u);
        EXPECT_EQ(0, std::memcmp(f.h->Palette, PaletteAt(d, 3).data(), 768));
        ZorbSeekFrame(f.h, 1);
        EXPECT_EQ(f.h->CurrentFrame, 0u);
        EXPECT_EQ(0, std::memcmp(f.h->Palette, PaletteAt(d, 0).data(), 768));
        ZorbSeekFrame(f.h, 0);
        EXPECT_EQ(f.h->CurrentFrame, 0u);
        ZorbSeekFrame(f.h, 99);
        EXPECT_EQ(f.h->CurrentFrame, 5u);
        // Decoding frames 0..5 in order after a seek back gives the pictures.
        std::vector<uint8_t> pic(32 * 16, 0);
        ZorbSetOutput(f.h, 0, 0, 32, 16, pic.data(), 0);
        ZorbSeekFrame(f.h, 1);
        for (uint32_t i = 0; i < 6; ++i) {
            ZorbDecodeFrame(f.h);
            EXPECT_EQ(pic, PictureAt(d, i));
            ZorbAdvanceFrame(f.h);
        }
    }
}

TEST(DecodeFile, SixteenBitOutputFollowsPaletteChanges)
{
    Rng rng(5);
    Description d;
    d.width = 16;
    d.height = 8;
    d.options.skipUnchanged = false;
    for (int i = 0; i < 3; ++i) {
        Frame f;
        f.picture = MakePicture(16, 8, Content::Random, rng);
        f.palette = RandomPalette(rng);
        d.frames.push_back(f);
    }
    for (uint32_t type : {0x80000000u, 0xC0000000u}) {
        Opened f(d);
        std::vector<uint16_t> buf(16 * 8);
        ZorbSetOutput(f.h, 0, 0, 32, 8, buf.data(), type);
        for (uint32_t i = 0; i < 3; ++i) {
            ZorbDecodeFrame(f.h);
            const auto pal = PaletteAt(d, i);
            const auto pic = PictureAt(d, i);
            for (size_t p = 0; p < pic.size(); ++p) {
                const uint8_t *c = &pal[3 * pic[p]];
                const uint16_t want =
                    static_cast<uint16_t>(type == 0x80000000u ? (c[0] >> 3) << 10 | (c[1] >> 3) << 5 | c[2] >> 3
                                                              : (c[0] >> 3) << 11 | (c[1] >> 2) << 5 | c[2] >> 3);
                ASSERT_EQ(buf[p], want) << i << "," << p;
            }
            ZorbAdvanceFrame(f.h);
        }
    }
}

TEST(DecodeFile, DirtyRectanglesThroughTheHandle)
{
    Description d;
    d.width = 64;
    d.height = 8;
    Frame f0;
    f0.picture.assign(64 * 8, 3);
    f0.palette = std::array<uint8_t, 768>{};
    Frame f1; // only a palette
    f1.palette = std::array<uint8_t, 768>{};
    (*f1.palette)[0] = 5;
    Frame f2; // nothing
    Frame f3;
    f3.picture = f0.picture;
    std::fill(f3.picture.begin() + 64 * 4, f3.picture.end(), 9);
    d.frames = {f0, f1, f2, f3};
    Opened f(d);
    std::vector<uint8_t> pic(64 * 8);
    ZorbSetOutput(f.h, 0, 0, 64, 8, pic.data(), 0);
    auto rects = [&](int32_t mode) {
        std::vector<std::array<int32_t, 4>> v;
        while (ZorbNextDirtyRect(f.h, mode))
            v.push_back({f.h->LastRectX, f.h->LastRectY, f.h->LastRectW, f.h->LastRectH});
        return v;
    };
    using R = std::array<int32_t, 4>;
    ZorbDecodeFrame(f.h);
    EXPECT_EQ(ZorbNextDirtyRect(f.h, 2), 0u); // a walk is pending
    EXPECT_EQ(rects(0), (std::vector<R>{{0, 0, 64, 8}}));
    ZorbAdvanceFrame(f.h);
    ZorbDecodeFrame(f.h);
    EXPECT_EQ(rects(0), (std::vector<R>{{0, 0, 0, 0}})); // palette only
    ZorbAdvanceFrame(f.h);
    ZorbDecodeFrame(f.h);
    EXPECT_TRUE(rects(0).empty());
    ZorbAdvanceFrame(f.h);
    ZorbDecodeFrame(f.h);
    EXPECT_EQ(rects(1), (std::vector<R>{{0, 4, 64, 4}}));
    ZorbSetOutput(f.h, 0, 0, 0, 0, nullptr, 0);
    EXPECT_EQ(ZorbNextDirtyRect(f.h, 0), 0u);
    ZorbAdvanceFrame(f.h);
    ZorbDecodeFrame(f.h); // no output: nothing decoded, nothing counted as skipped
    EXPECT_EQ(f.h->FramesSkipped, 0u);
}

TEST(DecodeFile, RemapColorsThroughTheHandle)
{
    Rng rng(6);
    Description d;
    d.width = 16;
    d.height = 8;
    Frame f0;
    f0.picture = MakePicture(16, 8, Content::Random, rng);
    std::array<uint8_t, 768> pal{};
    for (int i = 0; i < 256; ++i)
        pal[3 * i] = static_cast<uint8_t>(i & 63), pal[3 * i + 1] = static_cast<uint8_t>(i >> 2);
    f0.palette = pal;
    d.frames.push_back(f0);
    Opened f(d);
    // Target: the same colours in reverse order, 4-byte entries with blue first.
    const auto p8 = Expand(pal);
    std::vector<uint8_t> target(256 * 4);
    for (int i = 0; i < 256; ++i) {
        const int src = 255 - i;
        target[4 * i] = p8[3 * src + 2], target[4 * i + 1] = p8[3 * src + 1], target[4 * i + 2] = p8[3 * src];
    }
    ZorbRemapColors(f.h, target.data(), 256, 4 | 2);
    std::vector<uint8_t> pic(16 * 8);
    ZorbSetOutput(f.h, 0, 0, 16, 8, pic.data(), 0);
    ZorbDecodeFrame(f.h);
    const auto want = PictureAt(d, 0);
    for (size_t p = 0; p < want.size(); ++p) {
        const uint8_t *a = &p8[3 * want[p]], *b = &target[4 * pic[p]];
        EXPECT_TRUE(a[0] == b[2] && a[1] == b[1] && a[2] == b[0]) << p;
    }
}

TEST(TrackSound, NeverWritesMoreThanTheHeaderAllows)
{
    Description d;
    d.width = 8;
    d.height = 4;
    d.tracks[0] = SoundFormat{11025, false, false, true, true, 16}; // compressed, max 16 bytes
    d.tracks[2] = SoundFormat{11025, true, true, false, true, 8};   // raw, max 8 bytes
    d.tracks[3] = SoundFormat{11025, false, true, true, true, 0};
    Frame f;
    Rng rng(1);
    f.sound[0] = SoundChunk{RandomSound(*d.tracks[0], 100, rng), false, {}};
    f.sound[2] = SoundChunk{RandomSound(*d.tracks[2], 40, rng), false, {}};
    f.sound[3] = SoundChunk{RandomSound(*d.tracks[3], 10, rng), false, 0xFFFFFFFFu};
    d.frames.push_back(f);
    Frame g;
    g.sound[3] = SoundChunk{std::vector<uint8_t>(10, 1), true, {}}; // no data: silence
    g.sound[0] = SoundChunk{{}, false, {}};                         // U = 0
    d.frames.push_back(g);
    Opened o(d);
    std::vector<uint8_t> buf(256, 0xEE);
    EXPECT_EQ(ZorbGetTrackSound(o.h, ZORB_OPEN_TRACK(0), buf.data()), 16u);
    EXPECT_EQ(0, std::memcmp(buf.data(), f.sound[0]->pcm.data(), 16));
    EXPECT_EQ(buf[16], 0xEE);
    std::fill(buf.begin(), buf.end(), 0xEE);
    EXPECT_EQ(ZorbGetTrackSound(o.h, ZORB_OPEN_TRACK(2) | ZORB_OPEN_TRACK(3), buf.data()), 8u);
    EXPECT_EQ(0, std::memcmp(buf.data(), f.sound[2]->pcm.data(), 8));
    EXPECT_EQ(buf[8], 0xEE);
    EXPECT_EQ(ZorbGetTrackSound(o.h, ZORB_OPEN_TRACK(3), buf.data()), 0u); // a size of all ones: nothing
    EXPECT_EQ(ZorbGetTrackSound(o.h, ZORB_OPEN_TRACK(1), buf.data()), 0u);
    EXPECT_EQ(ZorbGetTrackSound(nullptr, ZORB_OPEN_TRACK(0), buf.data()), 0u);
    ZorbAdvanceFrame(o.h);
    std::fill(buf.begin(), buf.end(), 0xEE);
    EXPECT_EQ(ZorbGetTrackSound(o.h, ZORB_OPEN_TRACK(3), buf.data()), 10u);
    EXPECT_EQ(std::vector<uint8_t>(buf.begin(), buf.begin() + 10), std::vector<uint8_t>(10, 0));
    EXPECT_EQ(ZorbGetTrackSound(o.h, ZORB_OPEN_TRACK(0), buf.data()), 0u);
}

// ---- The sound chunk decoder on its own ----------------------------------------------------

// The stream of a generated compressed chunk (after its two length words).
std::vector<uint8_t> Stream(const SoundFormat &fmt, const SoundChunk &c, uint32_t *decoded = nullptr)
{
    Description d;
    d.width = 4;
    d.height = 4;
    d.tracks[0] = fmt;
    Frame f;
    f.sound[0] = c;
    d.frames.push_back(f);
    const auto file = Build(d);
    // One frame, only a sound chunk before the video: find it after the tables and trees.
    const uint32_t treeSize = file[52] | file[53] << 8 | file[54] << 16 | uint32_t{file[55]} << 24;
    const size_t at = 104 + 5 + treeSize;
    const uint32_t L = file[at] | file[at + 1] << 8 | file[at + 2] << 16 | uint32_t{file[at + 3]} << 24;
    if (decoded)
        *decoded = file[at + 4] | file[at + 5] << 8 | file[at + 6] << 16 | uint32_t{file[at + 7]} << 24;
    return std::vector<uint8_t>(file.begin() + static_cast<long>(at + 8), file.begin() + static_cast<long>(at + L));
}

std::vector<uint8_t> Decode(const std::vector<uint8_t> &stream, uint32_t U, bool *hadData = nullptr)
{
    std::vector<uint8_t> out(U + 1, 0xEE);
    zorb::SoundRing ring{out.data(), out.data() + U + 1, out.data()};
    const bool r = zorb::DecodeSoundChunk(stream.data(), stream.size(), U, ring);
    if (hadData)
        *hadData = r;
    EXPECT_EQ(out[U], 0xEE);
    out.resize(U);
    return out;
}

TEST(SoundChunk, EveryVariantDecodesToItsSamples)
{
    Rng rng(12);
    for (int v = 0; v < 4; ++v) {
        const SoundFormat fmt{22050, (v & 1) != 0, (v & 2) != 0, true};
        for (uint32_t bytes : {0u, 4u, 4000u}) {
            const SoundChunk c{RandomSound(fmt, bytes, rng), false, {}};
            uint32_t U;
            const auto s = Stream(fmt, c, &U);
            EXPECT_EQ(U, c.pcm.size());
            EXPECT_EQ(Decode(s, U), c.pcm) << v;
        }
    }
}

TEST(SoundChunk, SmallCasesAsCoded)
{
    const SoundFormat m8{8000, false, false, true}, m16{8000, false, true, true}, s8{8000, true, false, true};
    EXPECT_EQ(Decode(Stream(m8, {{0x80, 0x81, 0x80}, false, {}}), 3), (std::vector<uint8_t>{0x80, 0x81, 0x80}));
    EXPECT_EQ(Decode(Stream(m16, {{0x34, 0x12}, false, {}}), 2), (std::vector<uint8_t>{0x34, 0x12}));
    EXPECT_EQ(Decode(Stream(m16, {{0x01, 0x00, 0x00, 0x01}, false, {}}), 4),
              (std::vector<uint8_t>{0x01, 0x00, 0x00, 0x01}));
    EXPECT_EQ(Decode(Stream(s8, {{0x20, 0x10}, false, {}}), 2), (std::vector<uint8_t>{0x20, 0x10}));
    bool had = true;
    EXPECT_EQ(Decode(Stream(m8, {{1, 2, 3}, true, {}}), 3, &had), std::vector<uint8_t>(3, 0xEE));
    EXPECT_FALSE(had); // first bit 0: nothing written
    EXPECT_EQ(Decode(Stream(m8, {{1, 2, 3}, false, 0u}), 0, &had), std::vector<uint8_t>{});
    EXPECT_TRUE(had);
    // A size that is not a whole number of sample frames: exactly that many bytes.
    EXPECT_EQ(Decode(Stream(m16, {{1, 2, 3, 4}, false, 3u}), 3), (std::vector<uint8_t>{1, 2, 3}));
}

TEST(SoundChunk, WrapsAroundTheRing)
{
    Rng rng(4);
    const SoundFormat fmt{8000, true, true, true};
    const SoundChunk c{RandomSound(fmt, 64, rng), false, {}};
    const auto s = Stream(fmt, c);
    std::vector<uint8_t> ring(80, 0);
    zorb::DecodeSoundIntoRing(s.data(), static_cast<uint32_t>(s.size()), 64, nullptr, ring.data(), ring.data() + 80,
                              ring.data() + 40);
    for (size_t i = 0; i < 64; ++i)
        EXPECT_EQ(ring[(40 + i) % 80], c.pcm[i]) << i;
    EXPECT_EQ(ring[24], 0);
}

TEST(SoundChunk, StreamsThatEndEarlyGiveSilenceAndStayInside)
{
    Rng rng(5);
    for (int v = 0; v < 4; ++v) {
        const SoundFormat fmt{8000, (v & 1) != 0, (v & 2) != 0, true};
        const SoundChunk c{RandomSound(fmt, 400, rng), false, {}};
        const auto full = Stream(fmt, c);
        for (size_t cut = 0; cut < full.size(); cut += 7) {
            const std::vector<uint8_t> part(full.begin(), full.begin() + static_cast<long>(cut));
            bool had = false;
            const auto got = Decode(part, 400, &had);
            if (!had) // the stream's first bit read as 0: nothing written
                continue;
            // What was decoded matches; after at most one partial sample frame comes silence.
            size_t k = 0;
            while (k < 400 && got[k] == c.pcm[k])
                ++k;
            for (size_t i = k + 4; i < 400; ++i)
                ASSERT_EQ(got[i], fmt.sixteenBit ? 0 : 0x80) << v << " cut " << cut << " at " << i;
        }
        // Junk as a stream: exactly U bytes, nothing outside.
        std::vector<uint8_t> junk(1 + rng.Below(40));
        for (uint8_t &b : junk)
            b = static_cast<uint8_t>(rng.Next());
        Decode(junk, 1000);
    }
}

} // namespace

namespace {

// Writes the fuzz corpus when ZORB_SEED_DIR is set (fuzz/zorb_decode.seeds.sh).
TEST(Corpus, WriteDecodeSeeds)
{
    const char *dir = std::getenv("ZORB_SEED_DIR");
    if (!dir)
        GTEST_SKIP() << "ZORB_SEED_DIR not set";
    const auto seeds = zbxgen::FuzzSeeds(17, 60);
    for (size_t i = 0; i < seeds.size(); ++i) {
        // The last byte picks the fuzz target's output variant.
        auto s = seeds[i];
        s.push_back(static_cast<uint8_t>(i * 37));
        ASSERT_TRUE(zbxgen::WriteBytes(s, std::string(dir) + "/seed_" + std::to_string(i) + ".zbx"));
    }
}

} // namespace
