#include <gtest/gtest.h>

#include <cstring>
#include <deque>

#include "tests/support/gfx_samples.h"
#include "vexutil/graphics/avi_reader.h"

using namespace gfxsamples;
using vex::AviReader;

namespace {

// The reader reads its memory source while open: the bytes are kept here.
std::unique_ptr<AviReader> OpenBytes(const Bytes &b, std::string &error)
{
    static std::deque<Bytes> kept;
    kept.push_back(b);
    return AviReader::Open(vex::MemorySource(kept.back().data(), kept.back().size()), error);
}
std::unique_ptr<AviReader> OpenBytes(const Bytes &b)
{
    std::string error;
    return OpenBytes(b, error);
}

// An 8-bit bottom-up frame of width w (rows padded to 4) whose top row holds
// value v + x and whose other rows hold row numbers.
Bytes Frame8(int w, int h, uint8_t v)
{
    int stride = (w + 3) & ~3;
    Bytes f(static_cast<size_t>(stride * h), 0);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            int stored = h - 1 - y; // bottom-up
            f[static_cast<size_t>(stored * stride + x)] =
                y == 0 ? static_cast<uint8_t>(v + x) : static_cast<uint8_t>(y);
        }
    return f;
}

} // namespace

TEST(AviReader, EightBitFramesWithPaletteChanges)
{
    Bytes pal = TestPalette(3);
    AviBuilder b;
    b.SetVideo(6, 3, 8, 15, 1, pal);
    b.AddFrame(Frame8(6, 3, 10));
    b.AddPaletteChange(5, {1, 2, 3, 4, 5, 6});
    b.AddFrame(Frame8(6, 3, 20));
    b.AddFrame(Frame8(6, 3, 30));
    auto r = OpenBytes(b.Build());
    ASSERT_TRUE(r);
    const vex::AviVideoStream *v = r->Video();
    ASSERT_TRUE(v);
    EXPECT_EQ(v->width, 6);
    EXPECT_EQ(v->height, 3);
    EXPECT_EQ(v->bitCount, 8u);
    EXPECT_EQ(v->rate, 15u);
    EXPECT_EQ(v->scale, 1u);
    EXPECT_EQ(r->FrameCount(), 3u);
    EXPECT_EQ(r->StoredRowBytes(), 8u);
    EXPECT_EQ(r->FrameStoredSize(1), 24u);

    ASSERT_TRUE(r->ReadFrame(0));
    EXPECT_EQ(r->FramePitch(), -8);
    EXPECT_EQ(r->FrameTopRow()[0], 10);
    EXPECT_EQ(r->FrameTopRow()[5], 15);
    EXPECT_EQ(r->FrameTopRow()[2 * r->FramePitch()], 2);
    EXPECT_EQ(0, std::memcmp(r->FramePalette(), pal.data(), 768));

    ASSERT_TRUE(r->ReadFrame(2));
    EXPECT_EQ(r->FrameTopRow()[0], 30);
    EXPECT_EQ(r->FramePalette()[15], 1);
    EXPECT_EQ(r->FramePalette()[20], 6);
    EXPECT_EQ(0, std::memcmp(r->FramePalette(), pal.data(), 15));

    // Going back undoes the change.
    ASSERT_TRUE(r->ReadFrame(0));
    EXPECT_EQ(0, std::memcmp(r->FramePalette(), pal.data(), 768));
    EXPECT_FALSE(r->ReadFrame(3));
}

TEST(AviReader, TrueColourTopDownDroppedAndShortFrames)
{
    AviBuilder b;
    b.SetVideo(2, -2, 24, 25, 1);
    Bytes f0 = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    b.AddFrame(f0);
    b.AddFrame({});       // dropped: repeats frame 0
    b.AddFrame({99, 98}); // short: the rest is zero
    b.UseRecLists(2);
    auto r = OpenBytes(b.Build());
    ASSERT_TRUE(r);
    ASSERT_TRUE(r->Video());
    EXPECT_TRUE(r->Video()->topDown);
    EXPECT_EQ(r->FrameCount(), 3u);
    ASSERT_TRUE(r->ReadFrame(1));
    EXPECT_EQ(r->FramePitch(), 8);
    EXPECT_EQ(0, std::memcmp(r->FrameTopRow(), f0.data(), 16));
    EXPECT_EQ(r->FrameStoredSize(1), 0u);
    ASSERT_TRUE(r->ReadFrame(2));
    EXPECT_EQ(r->FrameTopRow()[0], 99);
    EXPECT_EQ(r->FrameTopRow()[1], 98);
    for (int i = 2; i < 16; i++)
        EXPECT_EQ(r->FrameTopRow()[i], 0) << i;
}

TEST(AviReader, SoundStreamsReadAcrossChunks)
{
    AviBuilder b;
    b.SetVideo(4, 4, 16, 10, 1);
    int s1 = b.AddSound(2, 22050, 16);
    int s2 = b.AddSound(1, 8000, 8, 18);
    Bytes a, c;
    for (int i = 0; i < 40; i++)
        a.push_back(static_cast<uint8_t>(i));
    for (int i = 0; i < 5; i++)
        c.push_back(static_cast<uint8_t>(200 + i));
    b.AddSoundChunk(s1, Bytes(a.begin(), a.begin() + 12));
    b.AddFrame(Bytes(32, 1));
    b.AddSoundChunk(s2, c);
    b.AddSoundChunk(s1, Bytes(a.begin() + 12, a.end()));
    b.AddFrame(Bytes(32, 2));
    auto r = OpenBytes(b.Build());
    ASSERT_TRUE(r);
    ASSERT_EQ(r->SoundCount(), 2u);
    const vex::AviSoundStream *s = r->Sound(0);
    EXPECT_EQ(s->formatTag, 1);
    EXPECT_EQ(s->channels, 2);
    EXPECT_EQ(s->samplesPerSec, 22050u);
    EXPECT_EQ(s->bitsPerSample, 16);
    EXPECT_EQ(s->formatSize, 16u);
    EXPECT_EQ(s->dataBytes, 40u);
    EXPECT_EQ(s->length, 10u);
    EXPECT_EQ(r->Sound(1)->formatSize, 18u);
    EXPECT_EQ(r->Sound(1)->dataBytes, 5u);

    uint8_t buf[64];
    ASSERT_EQ(r->ReadSound(0, 8, buf, 10), 10u); // straddles the two chunks
    for (int i = 0; i < 10; i++)
        EXPECT_EQ(buf[i], 8 + i);
    EXPECT_EQ(r->ReadSound(0, 35, buf, 64), 5u);
    EXPECT_EQ(buf[4], 39);
    EXPECT_EQ(r->ReadSound(0, 40, buf, 4), 0u);
    ASSERT_EQ(r->ReadSound(1, 0, buf, 64), 5u);
    EXPECT_EQ(buf[0], 200);
    EXPECT_EQ(r->ReadSound(2, 0, buf, 4), 0u);
    EXPECT_EQ(r->FrameCount(), 2u);
}

TEST(AviReader, RefusesOtherCodecsAndNonAvi)
{
    AviBuilder b;
    b.SetVideo(4, 4, 24, 10, 1, {}, 0x47504A4D); // a compressed format
    b.AddFrame(Bytes(48, 0));
    auto r = OpenBytes(b.Build());
    ASSERT_TRUE(r); // the file itself is readable (its sound could be used)
    EXPECT_EQ(r->Video(), nullptr);
    EXPECT_TRUE(r->VideoRefused());

    AviBuilder b4;
    b4.SetVideo(4, 4, 4, 10, 1);
    auto r4 = OpenBytes(b4.Build());
    ASSERT_TRUE(r4);
    EXPECT_TRUE(r4->VideoRefused());

    Bytes wave = BuildWave(1, 8000, 8, 10);
    std::string err;
    EXPECT_FALSE(OpenBytes(wave, err));
    EXPECT_FALSE(err.empty());
    EXPECT_FALSE(OpenBytes(Bytes{'R', 'I', 'F'}));
    err.clear();
    EXPECT_FALSE(AviReader::OpenFile("/nonexistent/x.avi", err));
    EXPECT_EQ(err, "cannot open the file");
}

TEST(AviReader, TruncatedFilesNeverReadPastTheirEnd)
{
    AviBuilder b;
    b.SetVideo(8, 8, 32, 10, 1);
    b.AddSound(1, 8000, 8);
    for (int i = 0; i < 4; i++) {
        b.AddFrame(Bytes(256, static_cast<uint8_t>(i + 1)));
        b.AddSoundChunk(1, Bytes(100, static_cast<uint8_t>(i)));
    }
    Bytes full = b.Build();
    for (size_t cut = 0; cut < full.size(); cut += 37) {
        Bytes part(full.begin(), full.begin() + static_cast<ptrdiff_t>(cut));
        auto r = OpenBytes(part);
        if (!r)
            continue;
        for (uint32_t f = 0; f < r->FrameCount(); f++)
            r->ReadFrame(f);
        uint8_t buf[512];
        if (r->SoundCount())
            r->ReadSound(0, 0, buf, sizeof buf);
    }
    // A cut inside the last frame keeps that frame, zero-filled.
    Bytes part(full.begin(), full.end() - 40);
    auto r = OpenBytes(part);
    ASSERT_TRUE(r);
    ASSERT_TRUE(r->Video());
    EXPECT_GE(r->FrameCount(), 3u);
}
