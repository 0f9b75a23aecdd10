// Sound tracks: one chunk per track and frame, the byte counts following the
// frame period, every format, the header fields, and the mixer.
#include <fstream>

#include "encoder/sound_beside.h"
#include "tests/encoder/encoder_helpers.h"
#include "tests/support/run_tool.h"

using namespace zenc;
using namespace enctest;

namespace {

int RunMix(const std::string &args, std::string *output = nullptr)
{
    const zorb::test::ToolResult r = zorb::test::RunTool("zorbmix", args);
    if (output)
        *output = r.output;
    return r.status;
}

} // namespace

TEST(Sound, PerFrameBytesCarryTheRemainder)
{
    // 15 frames per second at 22050 Hz: 1470 sample frames each, exactly.
    EXPECT_EQ(SoundChunkBytes(0, 6667, 22050, 4), 1470u * 4);
    // 11025 Hz at 1/15 s: 735.07... sample frames; the fractions add up.
    uint64_t total = 0;
    for (uint64_t i = 0; i < 1500; ++i)
        total += SoundChunkBytes(i, 6667, 11025, 1);
    EXPECT_EQ(total, SoundFramesBefore(1500, 6667, 11025));
    EXPECT_EQ(total, 1500ull * 6667 * 11025 / 100000);
    const uint32_t a = SoundChunkBytes(0, 6667, 11025, 2), b = SoundChunkBytes(1, 6667, 11025, 2);
    EXPECT_TRUE(a == 1470 || a == 1472);
    EXPECT_LE(b > a ? b - a : a - b, 2u);
}

TEST(Sound, SevenTracksInAllFourFormats)
{
    TempDir dir;
    const Clip c = MakeClip(2, 32, 32, 12, 9);
    struct {
        uint32_t rate;
        int bits, channels, level;
    } formats[7] = {{11025, 8, 1, 0},  {22050, 16, 1, 0}, {8000, 8, 2, 0},  {22050, 16, 2, 0},
                    {11025, 16, 2, 3}, {44100, 8, 1, 0},  {16000, 16, 1, 0}};
    std::vector<std::vector<uint8_t>> pcm(7);
    ZencParams p{};
    p.width = c.width;
    p.height = c.height;
    p.frameRate = 67;
    p.headerFlags = ZBX_RING_FRAME;
    ZENC *enc = ZencOpen(&p);
    ASSERT_NE(enc, nullptr);
    for (size_t i = 0; i < c.pixels.size(); ++i)
        ZencAddFrame(enc, c.pixels[i].data(), c.width, c.palettes[i].data());
    for (int t = 0; t < 7; ++t) {
        const std::string wav = dir.path + "/t" + std::to_string(t) + ".wav";
        // Track 5 ends before the video does.
        pcm[t] = WriteWave(wav, formats[t].rate, formats[t].bits, formats[t].channels, t == 5 ? 0.3 : 1.2, 10 + t);
        CSFILE *cs = CSFileOpen(wav.c_str(), formats[t].level, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr);
        ASSERT_NE(cs, nullptr);
        ASSERT_EQ(ZencAddTrack(enc, static_cast<uint32_t>(t), cs), 1);
    }
    ASSERT_EQ(ZencWrite(enc, (dir.path + "/s.zbx").c_str(), nullptr), 1);
    ZencReport r;
    ZencGetReport(enc, &r);
    ZencClose(enc);

    Decoded d;
    ASSERT_TRUE(Decode(dir.path + "/s.zbx", d));
    for (int t = 0; t < 7; ++t) {
        SCOPED_TRACE(t);
        const uint32_t fmt = d.file.header.AudioFormat[t];
        EXPECT_TRUE(fmt & ZBX_AUDIO_PRESENT);
        EXPECT_TRUE(fmt & ZBX_AUDIO_COMPRESSED);
        EXPECT_EQ((fmt & ZBX_AUDIO_16BIT) != 0, formats[t].bits == 16);
        EXPECT_EQ((fmt & ZBX_AUDIO_STEREO) != 0, formats[t].channels == 2);
        EXPECT_EQ(fmt & 0xFFFFFF, formats[t].rate);
        std::vector<uint32_t> perFrame;
        const std::vector<uint8_t> sound = TrackSound(d, t, &perFrame);
        const uint32_t frameSize = static_cast<uint32_t>(formats[t].bits / 8 * formats[t].channels);
        uint32_t largest = 0;
        size_t offered = 0;
        for (size_t i = 0; i < perFrame.size(); ++i) {
            const uint32_t want = SoundChunkBytes(i, 6700, formats[t].rate, frameSize);
            const uint32_t left = static_cast<uint32_t>(pcm[t].size() - std::min(pcm[t].size(), offered));
            EXPECT_EQ(perFrame[i], std::min(want, left)) << "frame " << i;
            offered += want;
            largest = std::max(largest, perFrame[i]);
        }
        EXPECT_EQ(d.file.header.AudioMaxSize[t], largest);
        EXPECT_EQ(r.audioMaxSize[t], largest);
        ASSERT_LE(sound.size(), pcm[t].size());
        if (formats[t].level == 0) {
            EXPECT_EQ(0, std::memcmp(sound.data(), pcm[t].data(), sound.size()));
        }
        // The ring frame repeats the first frame's chunk.
        FrameChunks first, ring;
        ASSERT_TRUE(SplitFrame(d.file.frames[0], d.file.frameTypes[0], first));
        ASSERT_TRUE(SplitFrame(d.file.frames.back(), d.file.frameTypes.back(), ring));
        EXPECT_EQ(first.sound[t], ring.sound[t]);
    }
}

TEST(Mixer, NewTrackReplacesOnlyItsChunks)
{
    TempDir dir;
    const Clip c = MakeClip(2, 32, 32, 15, 11);
    // A file with a sound in track 2.
    ZencParams p{};
    p.width = c.width;
    p.height = c.height;
    p.frameRate = 100; // 10 frames per second
    ZENC *enc = ZencOpen(&p);
    for (size_t i = 0; i < c.pixels.size(); ++i)
        ZencAddFrame(enc, c.pixels[i].data(), c.width, c.palettes[i].data());
    WriteWave(dir.path + "/old.wav", 11025, 8, 1, 2.0, 1);
    ZencAddTrack(enc, 1, CSFileOpen((dir.path + "/old.wav").c_str(), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr));
    ASSERT_EQ(ZencWrite(enc, (dir.path + "/in.zbx").c_str(), nullptr), 1);
    ZencClose(enc);

    const std::vector<uint8_t> pcm = WriteWave(dir.path + "/new.wav", 22050, 16, 2, 0.5, 2);
    std::string text;
    // Into track 4, beginning at frame 3, looped.
    ASSERT_EQ(RunMix(dir.path + "/in.zbx " + dir.path + "/new.wav " + dir.path + "/out.zbx /M4 /G3 /P", &text), 0)
        << text;
    Decoded a, b;
    ASSERT_TRUE(Decode(dir.path + "/in.zbx", a));
    ASSERT_TRUE(Decode(dir.path + "/out.zbx", b));
    EXPECT_EQ(a.file.treeData, b.file.treeData);
    for (size_t i = 0; i < a.file.frames.size(); ++i) {
        FrameChunks x, y;
        ASSERT_TRUE(SplitFrame(a.file.frames[i], a.file.frameTypes[i], x));
        ASSERT_TRUE(SplitFrame(b.file.frames[i], b.file.frameTypes[i], y));
        EXPECT_EQ(x.palette, y.palette);
        EXPECT_EQ(x.video, y.video);
        EXPECT_EQ(x.sound[1], y.sound[1]) << "the other track stays byte for byte";
        EXPECT_FALSE(y.sound[3].empty());
    }
    EXPECT_EQ(b.file.header.AudioFormat[1], a.file.header.AudioFormat[1]);
    EXPECT_EQ(b.file.header.AudioFormat[3] & 0xFFFFFF, 22050u);
    EXPECT_TRUE(b.file.header.AudioFormat[3] & ZBX_AUDIO_STEREO);
    // Two frames of silence, then the sound, looped to the end.
    const std::vector<uint8_t> sound = TrackSound(b, 3);
    const size_t lead = 2 * 2205 * 4;
    ASSERT_EQ(sound.size(), 15u * 2205 * 4);
    for (size_t k = 0; k < lead; ++k)
        ASSERT_EQ(sound[k], 0) << k;
    for (size_t k = lead; k < sound.size(); ++k)
        ASSERT_EQ(sound[k], pcm[(k - lead) % pcm.size()]) << k;

    // Replacing again keeps the rest too; bad switches and missing files fail cleanly.
    EXPECT_EQ(RunMix(dir.path + "/out.zbx " + dir.path + "/new.wav " + dir.path + "/out2.zbx /M2 /L2 /O"), 0);
    Decoded c2;
    ASSERT_TRUE(Decode(dir.path + "/out2.zbx", c2));
    EXPECT_EQ(c2.file.header.AudioFormat[3], b.file.header.AudioFormat[3]);
    EXPECT_EQ(RunMix(dir.path + "/in.zbx " + dir.path + "/new.wav " + dir.path + "/x.zbx /M9"), 2);
    EXPECT_NE(RunMix(dir.path + "/in.zbx " + dir.path + "/none.wav " + dir.path + "/x.zbx"), 0);
    EXPECT_NE(RunMix(dir.path + "/new.wav " + dir.path + "/new.wav " + dir.path + "/x.zbx"), 0);
    struct stat st;
    EXPECT_NE(stat((dir.path + "/x.zbx").c_str(), &st), 0);
}

// The wave file beside a y4m stream stands only beside a complete stream:
// finished, it is the conversion's until kept; dropped before, it is gone
// (and an older file of the name was replaced only when kept or not at all).
TEST(SoundBeside, AFinishedFileStaysOnlyWhenKept)
{
    TempDir dir;
    const std::string input = dir.path + "/in.wav";
    WriteWave(input, 22050, 16, 2, 0.5, 3);
    for (const bool keep : {false, true}) {
        const std::string target = dir.path + (keep ? "/kept.wav" : "/dropped.wav");
        {
            zenc::SoundBeside sound;
            std::string error;
            bool declined = false;
            ASSERT_TRUE(sound.Open(input.c_str(), 0, 0, target, true, error, &declined)) << error;
            ASSERT_TRUE(sound.Until(5, 10000, error)) << error;
            ASSERT_TRUE(sound.Finish(error)) << error;
            struct stat st;
            EXPECT_EQ(stat(target.c_str(), &st), 0);
            EXPECT_EQ(st.st_size, 44 + 22050 / 2 * 4);
            if (keep)
                sound.Keep();
        }
        struct stat st;
        EXPECT_EQ(stat(target.c_str(), &st) == 0, keep) << target;
    }
    std::vector<std::string> files = dir.Files();
    EXPECT_EQ(files, (std::vector<std::string>{"in.wav", "kept.wav"}));
}
