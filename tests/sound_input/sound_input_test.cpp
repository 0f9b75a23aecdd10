// Sound input: formats, trimming, conversion, lists and sequences, progress
// and the command line.

#include "tests/sound_input/sound_files.h"
#include "tests/support/gfx_samples.h"
#include "vexutil/vexutil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace soundtest;

namespace {

struct SFileDeleter {
    void operator()(SFILE *s) const { SFileClose(s); }
};
using SFilePtr = std::unique_ptr<SFILE, SFileDeleter>;

SFilePtr Open(const std::string &name, int32_t rate = 0, int32_t bits = 0, int32_t channels = 0, int32_t start = 0,
              int32_t end = 0, int32_t track = 0, uint32_t rawFlags = 0, uint32_t rawOffset = 0,
              SFILEPROGRESS progress = nullptr)
{
    return SFilePtr(SFileOpen(name.c_str(), rate, bits, channels, start, end, track, rawFlags, rawOffset, progress));
}

Bytes ReadAll(SFILE *s, uint32_t step = 1000)
{
    Bytes out;
    std::vector<uint8_t> buf(step);
    for (;;) {
        const uint32_t n = SFileGet(s, buf.data(), step);
        out.insert(out.end(), buf.begin(), buf.begin() + n);
        if (n < step - step % static_cast<uint32_t>(s->outputFrameSize) || n == 0)
            break;
    }
    return out;
}

Bytes Ramp8(size_t n)
{
    Bytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = static_cast<uint8_t>(i * 7 + i / 256);
    return b;
}

// Messages sent to the progress function.
struct Message {
    std::string text;
    int32_t level;
};
std::vector<Message> gMessages;
int32_t gCancelAfter = -1;
int32_t Progress(const char *text, int32_t level)
{
    gMessages.push_back({text, level});
    return gCancelAfter >= 0 && static_cast<int32_t>(gMessages.size()) > gCancelAfter;
}

class SoundInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        gMessages.clear();
        gCancelAfter = -1;
    }
    TempDir dir;
};

// ---- Formats ---------------------------------------------------------------------

TEST_F(SoundInput, WaveIsDeliveredAsStoredWithOddChunksSkipped)
{
    const Bytes pcm = Ramp8(1001);
    const std::string name = dir.Write("a.wav", Wave(1, 11025, 8, pcm, true));
    SFilePtr s = Open(name);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->kind, 1);
    EXPECT_EQ(s->rate, 11025);
    EXPECT_EQ(s->bits, 8);
    EXPECT_EQ(s->channels, 1);
    EXPECT_EQ(s->total, 1001u);
    EXPECT_EQ(ReadAll(s.get()), pcm);
    EXPECT_EQ(s->done, 1);
    EXPECT_EQ(s->remaining, 0u);
}

TEST_F(SoundInput, NameWithoutExtensionFindsTheWave)
{
    const Bytes pcm = Ramp8(64);
    dir.Write("b.wav", Wave(1, 8000, 8, pcm));
    SFilePtr s = Open(dir.File("b"));
    ASSERT_TRUE(s);
    EXPECT_EQ(std::string(s->name), dir.File("b.wav"));
    EXPECT_EQ(ReadAll(s.get()), pcm);
}

TEST_F(SoundInput, CutWaveKeepsWhatItHas)
{
    Bytes file = Wave(2, 11025, 16, Samples16({1, 2, 3, 4, 5, 6, 7, 8}));
    for (int i = 0; i < 5; ++i)
        file.pop_back(); // the data chunk claims more than the file holds
    SFilePtr s = Open(dir.Write("cut.wav", file));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->total, 8u); // whole frames only
    EXPECT_EQ(ReadAll(s.get()), Samples16({1, 2, 3, 4}));
}

TEST_F(SoundInput, NonPcmWaveIsRefusedWithAMessage)
{
    SFilePtr s =
        Open(dir.Write("adpcm.wav", Wave(1, 11025, 4, Bytes(100), false, 2)), 0, 0, 0, 0, 0, 0, 0, 0, Progress);
    EXPECT_FALSE(s);
    ASSERT_EQ(gMessages.size(), 1u);
    EXPECT_EQ(gMessages[0].level, 2);
}

TEST_F(SoundInput, HeadlessPcmUsesRawFlagsAndOffset)
{
    Bytes file(10, 0xEE);
    const Bytes pcm = Samples16({100, -100, 200, -200, 300, -300});
    file.insert(file.end(), pcm.begin(), pcm.end());
    const std::string name = dir.Write("raw.pcm", file);
    // 22050 Hz, 16-bit stereo.
    SFilePtr s = Open(name, 0, 0, 0, 0, 0, 0, 22050 * 8 + 3, 10);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->rate, 22050);
    EXPECT_EQ(s->bits, 16);
    EXPECT_EQ(s->channels, 2);
    EXPECT_EQ(ReadAll(s.get()), pcm);
    // An offset past the end is limited to the last byte.
    SFilePtr t = Open(name, 0, 0, 0, 0, 0, 0, 8000 * 8, 1000);
    ASSERT_TRUE(t);
    EXPECT_EQ(ReadAll(t.get()), Bytes{pcm.back()});
}

TEST_F(SoundInput, MissingFileIsReported)
{
    EXPECT_FALSE(Open(dir.File("none"), 0, 0, 0, 0, 0, 0, 0, 0, Progress));
    ASSERT_EQ(gMessages.size(), 1u);
    EXPECT_EQ(gMessages[0].text, "Error opening the input file.");
    EXPECT_EQ(gMessages[0].level, 2);
}

// ---- Conversion -------------------------------------------------------------------

TEST_F(SoundInput, HalfRateMonoEightBitAveragesFramesAndChannels)
{
    // 22050 Hz stereo 16-bit to 11025 Hz mono 8-bit.
    const std::vector<int16_t> v{1000, 3000, 2000, 5000, -1000, -3000, -2000, -5001, 32767, 32767, 32767, 32767};
    SFilePtr s = Open(dir.Write("st.wav", Wave(2, 22050, 16, Samples16(v))), 11025, 8, 1);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->outputFrameSize, 1);
    EXPECT_EQ(s->sourceFrameSize, 4);
    // Pair 1: L 1500, R 4000 -> 2750 -> 10 + 128. Pair 2: L -1500, R -4000
    // (truncated -4000.5) -> -2750 -> -10 + 128. Pair 3: 32767 -> 127 + 128.
    EXPECT_EQ(ReadAll(s.get()), (Bytes{138, 118, 255}));
}

TEST_F(SoundInput, EightBitOutputTruncatesTowardsZero)
{
    const std::vector<int16_t> v{-1, -255, -256, -257, 255, 256, -32768, 32767};
    SFilePtr s = Open(dir.Write("m.wav", Wave(1, 8000, 16, Samples16(v))), 0, 8, 0);
    ASSERT_TRUE(s);
    EXPECT_EQ(ReadAll(s.get()), (Bytes{128, 128, 127, 127, 128, 129, 0, 255}));
}

TEST_F(SoundInput, EightBitSourceBecomesSixteenBitAndStereo)
{
    SFilePtr s = Open(dir.Write("e.wav", Wave(1, 8000, 8, Bytes{0x80, 0x81, 0x7F, 0x00, 0xFF})), 0, 16, 2);
    ASSERT_TRUE(s);
    EXPECT_EQ(ReadAll(s.get()), Samples16({0, 0, 256, 256, -256, -256, -32768, -32768, 32512, 32512}));
}

TEST_F(SoundInput, DoubleRateInterpolatesMidpoints)
{
    SFilePtr s = Open(dir.Write("u.wav", Wave(1, 11025, 16, Samples16({0, 1000, -1000, 7}))), 22050);
    ASSERT_TRUE(s);
    // Midpoints with 10 fractional bits; the last frame is held.
    EXPECT_EQ(ReadAll(s.get()), Samples16({0, 500, 1000, 0, -1000, -497, 7, 7}));
}

TEST_F(SoundInput, ThreeQuarterRateInterpolates)
{
    // 8000 -> 6000 is a lower rate: frames are grouped, never interpolated.
    std::vector<int16_t> v;
    for (int i = 0; i < 8; ++i)
        v.push_back(static_cast<int16_t>(i * 100));
    SFilePtr s = Open(dir.Write("d.wav", Wave(1, 8000, 16, Samples16(v))), 6000);
    ASSERT_TRUE(s);
    // Output o takes the source frames i with i * 6000 / 8000 == o:
    // {0,1}, {2}, {3}, {4,5}, {6}, {7}.
    EXPECT_EQ(ReadAll(s.get()), Samples16({50, 200, 300, 450, 600, 700}));
}

TEST_F(SoundInput, ThirdRateUpInterpolatesWithTenBitFractions)
{
    SFilePtr s = Open(dir.Write("t.wav", Wave(1, 1000, 16, Samples16({0, 3000}))), 3000);
    ASSERT_TRUE(s);
    // Fractions 341/1024 and 682/1024 of the step.
    EXPECT_EQ(ReadAll(s.get()), Samples16({0, 999, 1998, 3000, 3000, 3000}));
}

// ---- Trimming ------------------------------------------------------------------

TEST_F(SoundInput, StartAndEndInMilliseconds)
{
    const Bytes pcm = Ramp8(11025 * 3);
    SFilePtr s = Open(dir.Write("long.wav", Wave(1, 11025, 8, pcm)), 0, 0, 0, 500, 1500);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->total, 11025u);
    const Bytes got = ReadAll(s.get(), 4096);
    ASSERT_EQ(got.size(), 11025u);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), pcm.begin() + 5512));
}

TEST_F(SoundInput, StartIsRoundedToWholeFramesAndEndZeroMeansToTheEnd)
{
    std::vector<int16_t> v(2 * 1000);
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = static_cast<int16_t>(i);
    // 1000 Hz stereo 16-bit: 4000 bytes a second; 3 ms = 12 bytes = 3 frames.
    SFilePtr s = Open(dir.Write("s.wav", Wave(2, 1000, 16, Samples16(v))), 0, 0, 0, 3, 0);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->total, 4000u - 12);
    const Bytes got = ReadAll(s.get());
    ASSERT_EQ(got.size(), 4000u - 12);
    EXPECT_EQ(got[0], 6);
}

TEST_F(SoundInput, StartPastTheEndDeliversNothing)
{
    SFilePtr s = Open(dir.Write("short.wav", Wave(1, 1000, 8, Ramp8(100))), 0, 0, 0, 200, 0);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->total, 0u);
    uint8_t buf[16];
    EXPECT_EQ(SFileGet(s.get(), buf, sizeof buf), 0u);
    EXPECT_EQ(s->done, 1);
}

TEST_F(SoundInput, FrameNumbersCountInMillisecondsForWaves)
{
    // Frame -n on a source without video is n milliseconds.
    SFilePtr s = Open(dir.Write("f.wav", Wave(1, 1000, 8, Ramp8(100))), 0, 0, 0, -10, -30);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->total, 20u);
}

TEST_F(SoundInput, ResetStartsTheStretchAgain)
{
    const Bytes pcm = Ramp8(3000);
    SFilePtr s = Open(dir.Write("r.wav", Wave(1, 1000, 8, pcm)), 1500, 0, 0, 1000, 2500);
    ASSERT_TRUE(s);
    const Bytes first = ReadAll(s.get(), 333);
    SFileReset(s.get());
    EXPECT_EQ(s->done, 0);
    EXPECT_EQ(s->remaining, s->total);
    EXPECT_EQ(ReadAll(s.get(), 100), first);
    EXPECT_EQ(first.size(), 2250u);
}

// ---- AVI sound ----------------------------------------------------------------------

TEST_F(SoundInput, AviSoundStreamWithFrameNumberStart)
{
    gfxsamples::AviBuilder avi;
    avi.SetVideo(4, 4, 8, 10, 1, gfxsamples::TestPalette()); // 10 frames a second
    const int stream = avi.AddSound(1, 1000, 8);
    const Bytes pcm = Ramp8(3000);
    for (int f = 0; f < 30; ++f) {
        avi.AddFrame(Bytes(16, 0));
        avi.AddSoundChunk(stream, Bytes(pcm.begin() + f * 100, pcm.begin() + f * 100 + 100));
    }
    const std::string name = dir.Write("clip.avi", avi.Build());
    SFilePtr s = Open(name, 0, 0, 0, -10, -20);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->kind, 3);
    EXPECT_EQ(s->rate, 1000);
    // Frame 10 starts at 900 ms; frame 20 ends at 2000 ms.
    EXPECT_EQ(s->total, 1100u);
    const Bytes got = ReadAll(s.get());
    ASSERT_EQ(got.size(), 1100u);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), pcm.begin() + 900));
}

TEST_F(SoundInput, AviWithoutPcmSoundIsRefused)
{
    gfxsamples::AviBuilder avi;
    avi.SetVideo(4, 4, 8, 10, 1, gfxsamples::TestPalette());
    const int stream = avi.AddSound(1, 1000, 8, 16, 2);
    avi.AddFrame(Bytes(16, 0));
    avi.AddSoundChunk(stream, Bytes(10, 1));
    const std::string name = dir.Write("adpcm.avi", avi.Build());
    EXPECT_FALSE(Open(name, 0, 0, 0, 0, 0, 0, 0, 0, Progress));
    ASSERT_EQ(gMessages.size(), 1u);
    EXPECT_EQ(gMessages[0].text, "Error reading AVI file.");
    gMessages.clear();
    EXPECT_FALSE(Open(name, 0, 0, 0, 0, 0, 1, 0, 0, Progress)); // no second stream
    ASSERT_EQ(gMessages.size(), 1u);
    EXPECT_EQ(gMessages[0].text, "Error opening the input file.");
}

// ---- Lists and numbered sequences ---------------------------------------------------------

TEST_F(SoundInput, ListJoinsEntriesInTheFirstEntrysFormat)
{
    const Bytes a = Ramp8(1000);
    dir.Write("one.wav", Wave(1, 1000, 8, a));
    // The second entry is 16-bit stereo at twice the rate: delivered as the first.
    std::vector<int16_t> v;
    for (int i = 0; i < 400; ++i)
        v.push_back(static_cast<int16_t>((i / 4) * 256));
    dir.Write("two.wav", Wave(2, 2000, 16, Samples16(v)));
    const std::string list =
        dir.WriteText("l.lst", "# comment\n\n" + dir.File("one.wav") + " /S100 /E600\r\n" + dir.File("two.wav") + "\n");
    SFilePtr s = Open(list);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->kind, 4);
    EXPECT_EQ(s->rate, 1000);
    EXPECT_EQ(s->bits, 8);
    EXPECT_EQ(s->channels, 1);
    EXPECT_EQ(s->total, 500u + 100u);
    const Bytes got = ReadAll(s.get(), 64);
    ASSERT_EQ(got.size(), 600u);
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + 500, a.begin() + 100));
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(got[500 + i], static_cast<uint8_t>(128 + i)) << i;
}

TEST_F(SoundInput, ListStartSkipsWholeEntriesAndReopensTheOneItFallsIn)
{
    const Bytes a = Ramp8(1000), b = Ramp8(2000);
    dir.Write("a.wav", Wave(1, 1000, 8, a));
    dir.Write("b.wav", Wave(1, 1000, 8, Bytes(b.rbegin(), b.rend())));
    const std::string list = dir.WriteText("s.lst", dir.File("a.wav") + "\n" + dir.File("b.wav") + "\n");
    SFilePtr s = Open(list, 0, 0, 0, 1250, 2000);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->total, 750u);
    const Bytes got = ReadAll(s.get(), 100);
    ASSERT_EQ(got.size(), 750u);
    const Bytes rb(b.rbegin(), b.rend());
    EXPECT_TRUE(std::equal(got.begin(), got.end(), rb.begin() + 250));
    SFileReset(s.get());
    EXPECT_EQ(ReadAll(s.get(), 77), got);
}

TEST_F(SoundInput, ListLinesKeepSlashesInsidePaths)
{
    std::filesystem::create_directories(dir.File("s1"));
    std::filesystem::create_directories(dir.File("s1/e2"));
    const Bytes pcm = Ramp8(1000);
    const std::string wave = dir.Write("s1/e2/x.wav", Wave(1, 1000, 8, pcm));
    const std::string list = dir.WriteText("p.lst", wave + " /s100 /E300\n");
    SFilePtr s = Open(list);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->total, 200u);
    const Bytes got = ReadAll(s.get());
    ASSERT_EQ(got.size(), 200u);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), pcm.begin() + 100));
}

TEST_F(SoundInput, ListWithoutSoundIsReported)
{
    const std::string list = dir.WriteText("e.lst", "# nothing here\n\n");
    EXPECT_FALSE(Open(list, 0, 0, 0, 0, 0, 0, 0, 0, Progress));
    ASSERT_EQ(gMessages.size(), 1u);
    EXPECT_EQ(gMessages[0].text, "No files in the wave list file.");
}

TEST_F(SoundInput, ListThatNamesItselfIsRefused)
{
    const std::string list = dir.File("self.lst");
    dir.WriteText("self.lst", list + "\n");
    EXPECT_FALSE(Open(list));
}

TEST_F(SoundInput, NumberedSequenceWithRange)
{
    Bytes want;
    for (int i = 1; i <= 4; ++i) {
        const Bytes pcm(10, static_cast<uint8_t>(i));
        char name[32];
        std::snprintf(name, sizeof name, "snd%03i.wav", i);
        dir.Write(name, Wave(1, 1000, 8, pcm));
        if (i >= 2)
            want.insert(want.end(), pcm.begin(), pcm.end());
    }
    SFilePtr s = Open(dir.File("snd???.wav*2-4"));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->kind, 4);
    EXPECT_EQ(ReadAll(s.get()), want);
    // Without a range the numbers run while files exist (from 1 when there is no 0).
    SFilePtr t = Open(dir.File("snd???.wav"));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->total, 40u);
}

// ---- Progress and the command line -------------------------------------------------------

TEST_F(SoundInput, ProgressTextsAndCancel)
{
    SFilePtr s = Open(dir.Write("p.wav", Wave(1, 1000, 8, Ramp8(400))), 0, 0, 0, 0, 0, 0, 0, 0, Progress);
    ASSERT_TRUE(s);
    uint8_t buf[100];
    EXPECT_EQ(SFileGet(s.get(), buf, 100), 100u);
    EXPECT_EQ(SFileGet(s.get(), buf, 100), 100u);
    ASSERT_EQ(gMessages.size(), 2u);
    EXPECT_EQ(gMessages[0].text, "Processing sound data (0%)...");
    EXPECT_EQ(gMessages[0].level, 1);
    EXPECT_EQ(gMessages[1].text, "Processing sound data (25%)...");
    EXPECT_EQ(gMessages[1].level, 0);
    gCancelAfter = 0;
    EXPECT_EQ(SFileGet(s.get(), buf, 100), 0u);
    EXPECT_EQ(s->done, 1);
    gCancelAfter = -1;
    EXPECT_EQ(SFileGet(s.get(), buf, 100), 0u); // stays cancelled
}

TEST(SoundCommandLine, ReadsAndRemovesItsSwitches)
{
    char line[] = "in.wav /R22050 /b8 /C1 /S-10 /E2000 /T2 /Y4 /D8000 /K44 /X3";
    int32_t r = -1, b = -1, c = -1, s = -1, e = -1, t = -1;
    uint32_t raw = 1, k = 1;
    SFileCommandLine(line, &r, &b, &c, &s, &e, &t, &raw, &k);
    EXPECT_EQ(r, 22050);
    EXPECT_EQ(b, 8);
    EXPECT_EQ(c, 1);
    EXPECT_EQ(s, -10);
    EXPECT_EQ(e, 2000);
    EXPECT_EQ(t, 2);
    EXPECT_EQ(raw, 3u + 8u * 8000u);
    EXPECT_EQ(k, 44u);
    EXPECT_EQ(std::string(line).find("/R"), std::string::npos);
    EXPECT_NE(std::string(line).find("/X3"), std::string::npos);

    char plain[] = "in.wav /K12";
    SFileCommandLine(plain, &r, &b, &c, &s, &e, &t, &raw, &k);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(raw, 0u);
    EXPECT_EQ(k, 0u);

    char deflt[] = "x /Y1";
    SFileCommandLine(deflt, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &raw, &k);
    EXPECT_EQ(raw, 8u * 11025u);
}

TEST(SoundNullHandles, AreIgnored)
{
    uint8_t b[4];
    EXPECT_EQ(SFileGet(nullptr, b, 4), 0u);
    SFileReset(nullptr);
    SFileClose(nullptr);
    EXPECT_EQ(SFileOpen(nullptr, 0, 0, 0, 0, 0, 0, 0, 0, nullptr), nullptr);
}

} // namespace
