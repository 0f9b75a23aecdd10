#include <gtest/gtest.h>

#include <stdlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/gfx_images.h"
#include "tests/support/gfx_samples.h"
#include "tests/support/zbxgen.h"
#include "vexutil/vexutil.h"

using namespace gfxsamples;

namespace {

std::string Dir()
{
    return gfxsamples::ScratchDir("gfile");
}

std::string Path(const std::string &name)
{
    return Dir() + "/" + name;
}

struct Closer {
    void operator()(GFILE *g) const { GFileClose(g); }
};
using GPtr = std::unique_ptr<GFILE, Closer>;

// Progress messages seen, and an optional cancel on the n-th call.
struct ProgressLog {
    std::vector<std::pair<std::string, int>> messages;
    int cancelAt = -1;
};
ProgressLog *gLog = nullptr;
int Record(const char *text, int level)
{
    if (!gLog)
        return 0;
    gLog->messages.emplace_back(text ? text : "", level);
    return static_cast<int>(gLog->messages.size()) == gLog->cancelAt;
}

GPtr Open(const std::string &name, int32_t first = 0, int32_t last = 0, uint32_t flags = 0)
{
    return GPtr(GFileOpen(name.c_str(), flags, 0, 0, 0, 0, first, last, 0, 0, 0, 256, 0, 2, nullptr, nullptr, Record));
}

// An 8-bit raw frame file whose frame k has all pixels k + base.
std::string WriteRaw(const std::string &name, int frames, int base, int w = 8, int h = 4)
{
    std::vector<RawFrame> f;
    for (int k = 0; k < frames; k++) {
        RawFrame r;
        if (k == 0)
            r.palette = TestPalette(uint32_t(base));
        r.pixels.assign(size_t(w * h), uint8_t(base + k));
        f.push_back(r);
    }
    std::string path = Path(name);
    EXPECT_TRUE(WriteFile(path, BuildRaw(uint32_t(w), uint32_t(h), 6667, f)));
    return path;
}

std::string WriteBmp(const std::string &name, int w, int h, uint8_t value, const Bytes &pal)
{
    std::string path = Path(name);
    EXPECT_TRUE(WritePalettedImage("BMP3", path, w, h, Bytes(size_t(w * h), value), pal));
    return path;
}

} // namespace

class GFileTest : public ::testing::Test {
protected:
    void SetUp() override { gLog = &log; }
    void TearDown() override { gLog = nullptr; }
    bool Saw(const std::string &text, int level)
    {
        for (auto &m : log.messages)
            if (m.first == text && m.second == level)
                return true;
        return false;
    }
    ProgressLog log;
};

TEST_F(GFileTest, NumberedSequenceOpensAsOneSource)
{
    Bytes pal = TestPalette(2);
    for (int n = 7; n <= 11; n++)
        WriteBmp("pic" + std::string(n < 10 ? "00" : "0") + std::to_string(n) + ".bmp", 6, 5, uint8_t(n), pal);
    GPtr g = Open(Path("pic???.bmp*8-10"));
    ASSERT_TRUE(g);
    EXPECT_EQ(g->kind, uint32_t(GFILE_LIST));
    EXPECT_EQ(g->frames, 3u);
    EXPECT_EQ(g->width, 6u);
    EXPECT_EQ(g->pitch, 8u);
    for (int n = 8; n <= 10; n++) {
        ASSERT_TRUE(GFileGet(g.get()));
        EXPECT_EQ(g->pixels[0], n);
        EXPECT_EQ(g->pixels[5], n);
        EXPECT_EQ(g->pixels[6], 0); // row padding
        EXPECT_EQ(0, std::memcmp(g->palette, pal.data(), 768));
    }
    EXPECT_TRUE(g->lastFrame);
    EXPECT_FALSE(GFileGet(g.get())); // nothing after the last frame
    EXPECT_TRUE(Saw("Processing frame 1 of 3...", 0));
    // The same with the numbers from switches.
    GPtr s = Open(Path("pic???.bmp") + " /S9 /E11");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->frames, 3u);
    ASSERT_TRUE(GFileGet(s.get()));
    EXPECT_EQ(s->pixels[0], 9);
}

TEST_F(GFileTest, ListWithFirstFrameInsideTheSecondEntry)
{
    WriteRaw("a.raw", 5, 10);
    WriteRaw("b.raw", 5, 50);
    std::string list = Path("two.lst");
    ASSERT_TRUE(WriteFile(list, Bytes{}));
    {
        std::string text = "# a comment /S3\r\n\r\na.raw\n   \nb.raw\n";
        ASSERT_TRUE(WriteFile(list, Bytes(text.begin(), text.end())));
    }
    GPtr g = Open(list, 7);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->kind, uint32_t(GFILE_LIST));
    EXPECT_EQ(g->frames, 4u);
    EXPECT_EQ(g->frameTime, -6667);
    EXPECT_EQ(g->totalSize, 2 * uint32_t(20 + 4 + 768 + 5 * (4 + 32)));
    int expected[4] = {51, 52, 53, 54};
    for (int k = 0; k < 4; k++) {
        ASSERT_TRUE(GFileGet(g.get())) << k;
        EXPECT_EQ(g->pixels[0], expected[k]) << k;
    }
    EXPECT_TRUE(g->lastFrame);
    EXPECT_TRUE(Saw("Opening the files in the list...", 1));
    // Rewinding delivers the same frames again.
    GFileReset(g.get());
    ASSERT_TRUE(GFileGet(g.get()));
    EXPECT_EQ(g->pixels[0], 51);
    // Entries with their own ranges.
    std::string text = "a.raw /S2 /E3\nb.raw /E1\n";
    std::string list2 = Path("ranges.lst");
    ASSERT_TRUE(WriteFile(list2, Bytes(text.begin(), text.end())));
    GPtr r = Open(list2);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->frames, 3u);
    int exp2[3] = {11, 12, 50};
    for (int k = 0; k < 3; k++) {
        ASSERT_TRUE(GFileGet(r.get()));
        EXPECT_EQ(r->pixels[0], exp2[k]);
    }
}

TEST_F(GFileTest, ListFailures)
{
    std::string text = "# only comments\n\n";
    ASSERT_TRUE(WriteFile(Path("empty.lst"), Bytes(text.begin(), text.end())));
    EXPECT_FALSE(Open(Path("empty.lst")));
    EXPECT_TRUE(Saw("No files in the list file.", 2));
    text = "missing.raw\n";
    ASSERT_TRUE(WriteFile(Path("bad.lst"), Bytes(text.begin(), text.end())));
    EXPECT_FALSE(Open(Path("bad.lst")));
    // A list that names itself does not recurse for ever.
    text = "self.lst\n";
    ASSERT_TRUE(WriteFile(Path("self.lst"), Bytes(text.begin(), text.end())));
    EXPECT_FALSE(Open(Path("self.lst")));
}

TEST_F(GFileTest, CropBeyondTheSourceIsPadded)
{
    Bytes pal = TestPalette(4);
    WriteBmp("big.bmp", 120, 120, 77, pal);
    GPtr g(GFileOpen(Path("big.bmp").c_str(), 0, 50, 50, 100, 100, 0, 0, 0, 0, 0, 256, 0, 2, nullptr, nullptr, Record));
    ASSERT_TRUE(g);
    EXPECT_EQ(g->visibleWidth, 70u);
    EXPECT_EQ(g->visibleHeight, 70u);
    EXPECT_EQ(g->rightPadding, 30u);
    EXPECT_EQ(g->bottomPadding, 30u);
    EXPECT_EQ(g->sourceWidth, 120u);
    EXPECT_EQ(g->kind, uint32_t(GFILE_BMP));
    EXPECT_EQ(g->depth, 8u);
    EXPECT_EQ(g->frames, 1u);
    EXPECT_EQ(g->frameTime, 100);
    EXPECT_EQ(g->rateNumerator, 1000u);
    EXPECT_EQ(g->rateDenominator, 100u);
    ASSERT_TRUE(GFileGet(g.get()));
    EXPECT_EQ(g->pixels[69], 77);
    EXPECT_EQ(g->pixels[70], 0);
    EXPECT_EQ(g->pixels[69 * g->pitch], 77);
    EXPECT_EQ(g->pixels[70 * g->pitch], 0);
    EXPECT_EQ(g->frameDataSize, g->totalSize);
    // A crop origin outside the source leaves nothing visible.
    GPtr o(GFileOpen(Path("big.bmp").c_str(), 0, 200, 0, 10, 10, 0, 0, 0, 0, 0, 256, 0, 2, nullptr, nullptr, Record));
    ASSERT_TRUE(o);
    EXPECT_EQ(o->visibleWidth, 0u);
    EXPECT_EQ(o->rightPadding, 10u);
}

TEST_F(GFileTest, WaveFileGivesBlankFrames)
{
    ASSERT_TRUE(WriteFile(Path("s.wav"), BuildWave(2, 44100, 16, 176400)));
    GPtr g = Open(Path("s.wav"));
    ASSERT_TRUE(g);
    EXPECT_EQ(g->kind, uint32_t(GFILE_WAVE));
    EXPECT_EQ(g->frames, 11u);
    EXPECT_EQ(g->frameTime, 100);
    EXPECT_EQ(g->width, 4u);
    EXPECT_EQ(g->height, 4u);
    ASSERT_TRUE(GFileGet(g.get()));
    for (int i = 0; i < 16; i++)
        EXPECT_EQ(g->pixels[i], 0);
    // A non-PCM wave is not a wave source.
    ASSERT_TRUE(WriteFile(Path("adpcm.wav"), BuildWave(1, 8000, 4, 100, 2)));
    EXPECT_FALSE(Open(Path("adpcm.wav")));
    EXPECT_TRUE(Saw("Error opening: " + Path("adpcm.wav"), 2));
}

TEST_F(GFileTest, MissingExtensionIsProbed)
{
    WriteBmp("only.bmp", 4, 4, 3, TestPalette(1));
    GPtr g = Open(Path("only"));
    ASSERT_TRUE(g);
    EXPECT_EQ(std::string(g->name), Path("only.bmp"));
    EXPECT_EQ(g->kind, uint32_t(GFILE_BMP));
    EXPECT_FALSE(Open(Path("nothing")));
    EXPECT_FALSE(Open(Path("nothing.bmp")));
    EXPECT_TRUE(Saw("Error opening: " + Path("nothing.bmp"), 2));
}

TEST_F(GFileTest, FlicSourceSkipsToTheFirstFrame)
{
    FlicBuilder b(5, 3, 0xAF12, 66, -6667);
    Bytes pal = TestPalette(9);
    for (int k = 0; k < 6; k++) {
        std::vector<FlicChunk> chunks;
        if (k == 0)
            chunks.push_back(FlicBuilder::Color256(0, pal));
        chunks.push_back(FlicBuilder::Copy(5, 3, Bytes(15, uint8_t(k + 1))));
        b.AddFrame(chunks);
    }
    ASSERT_TRUE(WriteFile(Path("anim.flc"), b.Build()));
    GPtr g = Open(Path("anim"), 3, 5);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->kind, uint32_t(GFILE_FLIC));
    EXPECT_EQ(std::string(g->name), Path("anim.flc"));
    EXPECT_EQ(g->frames, 3u);
    EXPECT_EQ(g->frameTime, -6667);
    EXPECT_EQ(g->rateNumerator, 100000u);
    EXPECT_EQ(g->rateDenominator, 6667u);
    ASSERT_TRUE(GFileGet(g.get()));
    EXPECT_EQ(g->pixels[0], 3);
    EXPECT_TRUE(g->paletteChanged);
    EXPECT_EQ(0, std::memcmp(g->palette, pal.data(), 768));
    EXPECT_EQ(g->frameDataSize, 6u + 15u);
    EXPECT_TRUE(Saw("Skipping frame 1...", 1));
    EXPECT_TRUE(Saw("Skipping frame 2...", 0));
    EXPECT_TRUE(Saw("Processing frame 3 of 5...", 0));
    ASSERT_TRUE(GFileGet(g.get()));
    EXPECT_EQ(g->pixels[0], 4);
    EXPECT_FALSE(g->paletteChanged);
    GFileReset(g.get());
    ASSERT_TRUE(GFileGet(g.get()));
    EXPECT_EQ(g->pixels[0], 3);
}

TEST_F(GFileTest, ThirtyTwoBitDelivery)
{
    Bytes pal(768, 0);
    pal[3 * 5] = 0x12;
    pal[3 * 5 + 1] = 0x34;
    pal[3 * 5 + 2] = 0x56;
    WriteBmp("c.bmp", 3, 2, 5, pal);
    GPtr g(
        GFileOpen(Path("c.bmp").c_str(), GFILE_32BIT, 0, 0, 5, 0, 0, 0, 0, 0, 0, 256, 0, 2, nullptr, nullptr, Record));
    ASSERT_TRUE(g);
    EXPECT_EQ(g->pitch, 32u);
    ASSERT_TRUE(GFileGet(g.get()));
    uint32_t v;
    std::memcpy(&v, g->pixels, 4);
    EXPECT_EQ(v, 0x123456u);
    std::memcpy(&v, g->pixels + 12, 4);
    EXPECT_EQ(v, 0u); // padding
    // True colour to 32 bits.
    Bytes rgb(8 * 2 * 3);
    for (size_t i = 0; i < rgb.size(); i++)
        rgb[i] = uint8_t(i * 11);
    rgb[3] = 200, rgb[4] = 100, rgb[5] = 50;
    ASSERT_TRUE(WriteTrueColourImage("BMP3", Path("t.bmp"), 8, 2, rgb));
    GPtr t(
        GFileOpen(Path("t.bmp").c_str(), GFILE_32BIT, 0, 0, 0, 0, 0, 0, 0, 0, 0, 256, 0, 0, nullptr, nullptr, Record));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->depth, 24u);
    ASSERT_TRUE(GFileGet(t.get()));
    std::memcpy(&v, t->pixels + 4, 4);
    EXPECT_EQ(v, 0xC86432u);
}

TEST_F(GFileTest, AviSourceWithPaletteChangesAndSound)
{
    Bytes pal = TestPalette(5);
    AviBuilder b;
    b.SetVideo(4, 2, 8, 15, 1, pal);
    int snd = b.AddSound(1, 22050, 8);
    for (int k = 0; k < 3; k++) {
        if (k == 2)
            b.AddPaletteChange(0, {9, 9, 9});
        Bytes f(8, uint8_t(k + 1));
        f[4] = 100; // bottom-up: the second stored row is the top row
        b.AddFrame(f);
        b.AddSoundChunk(snd, Bytes(1470, 0));
    }
    ASSERT_TRUE(WriteFile(Path("v.avi"), b.Build()));
    GPtr g = Open(Path("v.avi"));
    ASSERT_TRUE(g);
    EXPECT_EQ(g->kind, uint32_t(GFILE_AVI));
    EXPECT_EQ(g->frames, 3u);
    EXPECT_EQ(g->frameTime, -6666);
    EXPECT_EQ(g->rateNumerator, 15u);
    EXPECT_EQ(g->rateDenominator, 1u);
    EXPECT_EQ(g->depth, 8u);
    ASSERT_TRUE(GFileGet(g.get()));
    EXPECT_EQ(g->pixels[0], 100);
    EXPECT_EQ(g->pixels[1], 1);
    EXPECT_EQ(g->pixels[g->pitch], 1);
    EXPECT_EQ(g->frameDataSize, 8u + 1470u);
    ASSERT_TRUE(GFileGet(g.get()));
    EXPECT_FALSE(g->paletteChanged);
    ASSERT_TRUE(GFileGet(g.get()));
    EXPECT_TRUE(g->paletteChanged);
    EXPECT_EQ(g->palette[0], 9);
    // Other codecs are refused.
    AviBuilder c;
    c.SetVideo(4, 2, 24, 15, 1, {}, 0x47504A4D);
    c.AddFrame(Bytes(24, 0));
    ASSERT_TRUE(WriteFile(Path("c.avi"), c.Build()));
    EXPECT_FALSE(Open(Path("c.avi")));
    EXPECT_TRUE(Saw("Error opening: " + Path("c.avi"), 2));
}

TEST_F(GFileTest, RawFramesWithPaletteChanges)
{
    std::vector<RawFrame> f(3);
    f[0].palette = TestPalette(1);
    f[0].pixels.assign(6, 1);
    f[1].pixels.assign(6, 2);
    f[2].palette = TestPalette(2);
    f[2].pixels = {1, 2, 3, 4, 5, 6};
    ASSERT_TRUE(WriteFile(Path("r.raw"), BuildRaw(3, 2, 5000, f)));
    GPtr g = Open(Path("r.raw"), 2);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->kind, uint32_t(GFILE_RAW));
    EXPECT_EQ(g->frames, 2u);
    EXPECT_EQ(g->frameTime, -5000);
    ASSERT_TRUE(GFileGet(g.get()));
    EXPECT_EQ(g->pixels[0], 2);
    EXPECT_EQ(g->frameDataSize, 6u);
    ASSERT_TRUE(GFileGet(g.get()));
    EXPECT_TRUE(g->paletteChanged);
    EXPECT_EQ(g->pixels[4], 4); // second row (pitch 4)
    EXPECT_EQ(0, std::memcmp(g->palette, TestPalette(2).data(), 768));
    // Not a raw file.
    ASSERT_TRUE(WriteFile(Path("x.raw"), Bytes(40, 1)));
    EXPECT_FALSE(Open(Path("x.raw")));
}

TEST_F(GFileTest, ProgressCancelsGet)
{
    WriteRaw("c.raw", 3, 0);
    GPtr g = Open(Path("c.raw"));
    ASSERT_TRUE(g);
    log.cancelAt = static_cast<int>(log.messages.size()) + 2;
    EXPECT_TRUE(GFileGet(g.get()));
    EXPECT_FALSE(GFileGet(g.get()));
}

TEST(GFileCommandLine, DefaultsLimitsAndNullPointers)
{
    char line[256] = "in.flc /X5 /y6 /W100 /H50 /S2 /E9 /Q300 /U0 /P1 /T2 /D3 /&\"a b\" out.zbx";
    int32_t x, y, w, h, s, e, u, i, q;
    uint8_t p, d, t;
    char text[256];
    GFileCommandLine(line, &x, &y, &w, &h, &s, &e, &p, &u, &i, &q, &d, &t, text);
    EXPECT_EQ(x, 5);
    EXPECT_EQ(y, 6);
    EXPECT_EQ(w, 100);
    EXPECT_EQ(h, 50);
    EXPECT_EQ(s, 2);
    EXPECT_EQ(e, 9);
    EXPECT_EQ(q, 256);
    EXPECT_EQ(i, 0);
    EXPECT_EQ(u, 65536);
    EXPECT_EQ(p, 1);
    EXPECT_EQ(t, 2);
    EXPECT_EQ(d, 3);
    EXPECT_STREQ(text, "a b");
    EXPECT_EQ(std::string(line).find('/'), std::string::npos) << line;

    char line2[64] = "a /Q100 /I200 /U7";
    GFileCommandLine(line2, &x, &y, &w, &h, &s, &e, nullptr, nullptr, &i, &q, nullptr, nullptr, nullptr);
    EXPECT_EQ(q, 100);
    EXPECT_EQ(i, 156); // lowered so that the range fits
    EXPECT_NE(std::string(line2).find("/U7"), std::string::npos);
    char line3[16] = "a /Q64";
    GFileCommandLine(line3, &x, &y, &w, &h, &s, &e, nullptr, nullptr, &i, &q, nullptr, nullptr, nullptr);
    EXPECT_EQ(i, 96);
}

TEST_F(GFileTest, SixteenBitAviToThirtyTwoAndEightBits)
{
    AviBuilder b;
    b.SetVideo(2, 1, 16, 10, 1);
    b.AddFrame({0x00, 0x7C, 0x1F, 0x00}); // red, blue (5-5-5)
    ASSERT_TRUE(WriteFile(Path("h.avi"), b.Build()));
    GPtr g = Open(Path("h.avi"), 0, 0, GFILE_32BIT);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->depth, 16u);
    ASSERT_TRUE(GFileGet(g.get()));
    uint32_t v[2];
    std::memcpy(v, g->pixels, 8);
    EXPECT_EQ(v[0], 0xF80000u);
    EXPECT_EQ(v[1], 0x0000F8u);
    // 8-bit delivery builds a palette from the two colours.
    GPtr e = Open(Path("h.avi"));
    ASSERT_TRUE(e);
    ASSERT_TRUE(GFileGet(e.get()));
    const uint8_t *p0 = e->palette + 3 * e->pixels[0], *p1 = e->palette + 3 * e->pixels[1];
    EXPECT_GT(p0[0], 240);
    EXPECT_EQ(p0[2], 0);
    EXPECT_GT(p1[2], 240);
    EXPECT_EQ(p1[0], 0);
}

TEST_F(GFileTest, ZorblaxSourceThroughTheDecodeLibrary)
{
    zbxgen::Description d;
    d.width = 32;
    d.height = 16;
    d.frameRate = -6667;
    zbxgen::Rng rng(4);
    std::vector<uint8_t> prev;
    for (int k = 0; k < 5; k++) {
        zbxgen::Frame f;
        f.picture = zbxgen::MakePicture(32, 16, zbxgen::Content::Random, rng, prev.empty() ? nullptr : &prev);
        prev = f.picture;
        if (k == 0 || k == 3)
            f.palette = zbxgen::RandomPalette(rng);
        d.frames.push_back(f);
    }
    d.tracks[0] = zbxgen::SoundFormat{};
    for (auto &f : d.frames)
        f.sound[0] = zbxgen::SoundChunk{std::vector<uint8_t>(1102, 128), false, {}};
    ASSERT_TRUE(zbxgen::WriteFile(d, Path("movie.zbx")));
    GPtr g = Open(Path("movie"), 2, 4);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->kind, uint32_t(GFILE_ZORBLAX));
    EXPECT_EQ(std::string(g->name), Path("movie.zbx"));
    EXPECT_EQ(g->frames, 3u);
    EXPECT_EQ(g->frameTime, -6667);
    EXPECT_EQ(g->trackInfo[0], zbxgen::FormatWord(*d.tracks[0]));
    for (int pass = 0; pass < 2; pass++) {
        for (size_t k = 1; k <= 3; k++) {
            ASSERT_TRUE(GFileGet(g.get())) << k;
            std::vector<uint8_t> want = zbxgen::PictureAt(d, k);
            for (uint32_t y = 0; y < 16; y++)
                ASSERT_EQ(0, std::memcmp(g->pixels + y * g->pitch, &want[y * 32], 32)) << "frame " << k << " row " << y;
            auto pal = zbxgen::PaletteAt(d, k);
            EXPECT_EQ(0, std::memcmp(g->palette, pal.data(), 768)) << k;
            EXPECT_EQ(bool(g->paletteChanged), k == 1 || k == 3) << k;
        }
        EXPECT_TRUE(g->lastFrame);
        GFileReset(g.get());
    }
    EXPECT_TRUE(Saw("Skipping frame 1...", 1));
}

TEST_F(GFileTest, ListEntryVanishingWhileReadingStopsThere)
{
    WriteRaw("keep.raw", 1, 30);
    WriteRaw("gone.raw", 1, 40);
    std::string text = "keep.raw\ngone.raw\n";
    ASSERT_TRUE(WriteFile(Path("vanish.lst"), Bytes(text.begin(), text.end())));
    GPtr g = Open(Path("vanish.lst"));
    ASSERT_TRUE(g);
    ASSERT_EQ(g->frames, 2u);
    ASSERT_TRUE(GFileGet(g.get()));
    EXPECT_EQ(g->pixels[0], 30);
    std::remove(Path("gone.raw").c_str());
    // The entry cannot be opened: no frame is delivered, and the first frame
    // that could not be read is named (the caller keeps what came before).
    EXPECT_FALSE(GFileGet(g.get()));
    EXPECT_EQ(g->damagedFrame, 2u);
}

TEST_F(GFileTest, ListEntriesWithoutFramesArePassedOver)
{
    WriteRaw("one.raw", 1, 60);
    WriteRaw("none.raw", 0, 70);
    WriteRaw("two.raw", 2, 80);
    std::string text = "one.raw\nnone.raw\ntwo.raw\n";
    ASSERT_TRUE(WriteFile(Path("holes.lst"), Bytes(text.begin(), text.end())));
    GPtr g = Open(Path("holes.lst"));
    ASSERT_TRUE(g);
    ASSERT_EQ(g->frames, 3u);
    int expected[3] = {60, 80, 81};
    for (int k = 0; k < 3; k++) {
        ASSERT_TRUE(GFileGet(g.get()));
        EXPECT_EQ(g->pixels[0], expected[k]) << k;
    }
}
