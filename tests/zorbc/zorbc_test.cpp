// The zorbc program, run headless on raw frame files written by the test:
// switches, the files it writes (decoded back) and its failures.
#include <sys/wait.h>

#include <cstdio>
#include <fstream>

#include "tests/encoder/encoder_helpers.h"
#include "tests/support/link_server.h"
#include "tests/support/run_tool.h"
#include "tools/common/demo_content.h"

using namespace enctest;

namespace {

using Result = zorb::test::ToolResult;

Result RunZorbc(const std::string &args)
{
    return zorb::test::RunTool("zorbc", args);
}

void Put32(std::string &s, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s.push_back(static_cast<char>(v >> (8 * i)));
}

// A raw frame file of the clip (frame time in 1/100 ms).
void WriteRaw(const Clip &c, const std::string &name, uint32_t frameTime = 6667)
{
    std::string s = "RAWB";
    Put32(s, static_cast<uint32_t>(c.pixels.size()));
    Put32(s, c.width);
    Put32(s, c.height);
    Put32(s, frameTime);
    for (size_t i = 0; i < c.pixels.size(); ++i) {
        if (i == 0 || c.palettes[i] != c.palettes[i - 1]) {
            Put32(s, 0);
            s.append(reinterpret_cast<const char *>(c.palettes[i].data()), 768);
        }
        Put32(s, 1);
        s.append(reinterpret_cast<const char *>(c.pixels[i].data()), c.pixels[i].size());
    }
    std::ofstream(name, std::ios::binary) << s;
}

// Frame f of the clip as the file should hold it: rows from y0 every `step`.
void ExpectFrame(const Clip &c, size_t f, const Decoded &d, size_t i, uint32_t x0, uint32_t y0, uint32_t step)
{
    const uint32_t w = d.file.header.Width, h = d.file.header.Height;
    ASSERT_LT(i, d.pictures.size());
    for (uint32_t y = 0; y < h; ++y)
        ASSERT_EQ(0, std::memcmp(&d.pictures[i][y * w], &c.pixels[f][(y0 + y * step) * c.width + x0], w))
            << "frame " << i << " row " << y;
    for (int k = 0; k < 768; ++k)
        ASSERT_EQ(d.palettes[i][k], c.palettes[f][k] >> 2);
}

bool Exists(const std::string &name)
{
    struct stat st;
    return stat(name.c_str(), &st) == 0;
}

} // namespace

TEST(Zorbc, LosslessRawInputDecodesExactly)
{
    TempDir dir;
    const Clip c = MakeClip(2, 64, 48, 8, 1);
    WriteRaw(c, dir.path + "/in.raw");
    const Result r = RunZorbc(dir.path + "/in.raw " + dir.path + "/out.zbx /N0/K0/L0 /O");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("8 frames"), std::string::npos) << r.output;
    Decoded d;
    ASSERT_TRUE(Decode(dir.path + "/out.zbx", d));
    EXPECT_EQ(d.file.header.FrameRate, -6667);
    ASSERT_EQ(d.pictures.size(), 8u);
    for (size_t i = 0; i < 8; ++i)
        ExpectFrame(c, i, d, i, 0, 0, 1);
}

TEST(Zorbc, EveryEffortIsExactAndOutOfRangeIsRefused)
{
    TempDir dir;
    const Clip c = MakeClip(3, 48, 32, 4, 2);
    WriteRaw(c, dir.path + "/in.raw");
    for (const char *effort : {"/+0", "/+5", "/+9"}) {
        SCOPED_TRACE(effort);
        const Result r = RunZorbc(dir.path + "/in.raw " + dir.path + "/out.zbx /N0/K0/L0 /O" + effort);
        ASSERT_EQ(r.status, 0) << r.output;
        Decoded d;
        ASSERT_TRUE(Decode(dir.path + "/out.zbx", d));
        ASSERT_EQ(d.pictures.size(), 4u);
        for (size_t i = 0; i < 4; ++i)
            ExpectFrame(c, i, d, i, 0, 0, 1);
    }
    const Result bad = RunZorbc(dir.path + "/in.raw " + dir.path + "/bad.zbx /+10");
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.output.find("/+ takes an effort from 0"), std::string::npos) << bad.output;
}

TEST(Zorbc, FrameRangeSkipRingAndRate)
{
    TempDir dir;
    const Clip c = MakeClip(2, 32, 32, 10, 2);
    WriteRaw(c, dir.path + "/in.raw", 10000);
    // Frames 3 to 8, every other one (3, 5, 7), with a ring frame, at 20 frames per second.
    ASSERT_EQ(RunZorbc(dir.path + "/in.raw " + dir.path + "/o.zbx /S3 /E8 /V /G /F20").status, 0);
    Decoded d;
    ASSERT_TRUE(Decode(dir.path + "/o.zbx", d));
    EXPECT_EQ(d.file.header.FrameCount, 3u);
    EXPECT_EQ(d.file.header.HeaderFlags & 1, 1u);
    EXPECT_EQ(d.file.header.FrameRate, -10000); // 20 per second, every other frame kept
    ExpectFrame(c, 2, d, 0, 0, 0, 1);
    ExpectFrame(c, 4, d, 1, 0, 0, 1);
    ExpectFrame(c, 6, d, 2, 0, 0, 1);
    ExpectFrame(c, 2, d, 3, 0, 0, 1); // the ring frame shows the first again
}

TEST(Zorbc, InterlacedDoubledAndCropped)
{
    TempDir dir;
    const Clip c = MakeClip(1, 64, 40, 3, 3);
    WriteRaw(c, dir.path + "/in.raw");
    ASSERT_EQ(RunZorbc(dir.path + "/in.raw " + dir.path + "/z1.zbx /Z1").status, 0);
    ASSERT_EQ(RunZorbc(dir.path + "/in.raw " + dir.path + "/z2.zbx /Z2").status, 0);
    ASSERT_EQ(RunZorbc(dir.path + "/in.raw " + dir.path + "/c.zbx /X4/Y6/W30/H22").status, 0);
    Decoded z1, z2, cr;
    ASSERT_TRUE(Decode(dir.path + "/z1.zbx", z1));
    ASSERT_TRUE(Decode(dir.path + "/z2.zbx", z2));
    ASSERT_TRUE(Decode(dir.path + "/c.zbx", cr));
    EXPECT_EQ(z1.file.header.HeaderFlags, 2u);
    EXPECT_EQ(z2.file.header.HeaderFlags, 4u);
    EXPECT_EQ(z1.file.header.Height, 20u);
    EXPECT_EQ(cr.file.header.Width, 28u); // cut to whole blocks
    EXPECT_EQ(cr.file.header.Height, 20u);
    for (size_t i = 0; i < 3; ++i) {
        ExpectFrame(c, i, z1, i, 0, 0, 2);
        ExpectFrame(c, i, z2, i, 0, 0, 2);
        ExpectFrame(c, i, cr, i, 4, 6, 1);
    }
}

TEST(Zorbc, FrameSpecificSettingsFile)
{
    TempDir dir;
    const Clip c = MakeClip(3, 64, 48, 6, 4);
    WriteRaw(c, dir.path + "/in.raw");
    std::ofstream(dir.path + "/settings") << "# frames 2 to 4 with errors under 5%\n2 4 5 5\n";
    ASSERT_EQ(RunZorbc(dir.path + "/in.raw " + dir.path + "/o.zbx /N0 /@*" + dir.path + "/settings").status, 0);
    Decoded d;
    ASSERT_TRUE(Decode(dir.path + "/o.zbx", d));
    ExpectFrame(c, 0, d, 0, 0, 0, 1);
    ExpectFrame(c, 5, d, 5, 0, 0, 1);
    EXPECT_NE(0, std::memcmp(d.pictures[2].data(), c.pixels[2].data(), c.pixels[2].size()));
    std::ofstream(dir.path + "/bad") << "2 x 5 5\n";
    const Result r = RunZorbc(dir.path + "/in.raw " + dir.path + "/p.zbx /@*" + dir.path + "/bad");
    EXPECT_NE(r.status, 0);
    EXPECT_FALSE(Exists(dir.path + "/p.zbx"));
}

TEST(Zorbc, FailuresAreClearAndLeaveNothing)
{
    TempDir dir;
    const Clip c = MakeClip(1, 32, 32, 2, 5);
    WriteRaw(c, dir.path + "/in.raw");
    Result r = RunZorbc(dir.path + "/in.raw " + dir.path + "/o.zbx /Z7");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("Usage: zorbc"), std::string::npos) << r.output;
    r = RunZorbc(dir.path + "/in.raw " + dir.path + "/o.zbx /Qx5 /bogus");
    EXPECT_EQ(r.status, 2);
    r = RunZorbc(dir.path + "/in.raw");
    EXPECT_EQ(r.status, 2);
    r = RunZorbc(dir.path + "/missing.raw " + dir.path + "/o.zbx");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("missing.raw"), std::string::npos) << r.output;
    // The output's directory is a file: nothing can be written there.
    std::ofstream(dir.path + "/afile") << "x";
    r = RunZorbc(dir.path + "/in.raw " + dir.path + "/afile/o.zbx");
    EXPECT_NE(r.status, 0);
    r = RunZorbc(dir.path + "/in.raw " + dir.path + "/in.raw");
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"afile", "in.raw"}));
}

TEST(Zorbc, ExistingOutputNeedsOverwrite)
{
    TempDir dir;
    const Clip c = MakeClip(1, 32, 32, 2, 6);
    WriteRaw(c, dir.path + "/in.raw");
    std::ofstream(dir.path + "/o.zbx") << "precious";
    // Without /O and without a terminal the question is answered with its default, No.
    Result r = RunZorbc(dir.path + "/in.raw " + dir.path + "/o.zbx");
    EXPECT_NE(r.status, 0);
    std::ifstream in(dir.path + "/o.zbx");
    std::string text;
    in >> text;
    EXPECT_EQ(text, "precious");
    r = RunZorbc(dir.path + "/in.raw " + dir.path + "/o.zbx /O");
    EXPECT_EQ(r.status, 0) << r.output;
    Decoded d;
    EXPECT_TRUE(Decode(dir.path + "/o.zbx", d));
}

TEST(Demo, TheBundledFileHoldsTheAnimationAndItsTune)
{
    const std::string name = std::string(ZORB_BINARY_DIR) + "/demo/demo.zbx";
    if (!Exists(name))
        GTEST_SKIP() << "the demo target was not built";
    Decoded d;
    ASSERT_TRUE(Decode(name, d));
    EXPECT_EQ(d.file.header.Width, 320u);
    EXPECT_EQ(d.file.header.Height, 240u);
    EXPECT_EQ(d.file.header.FrameCount, 150u);
    EXPECT_EQ(d.file.header.HeaderFlags & 1, 1u);
    EXPECT_EQ(d.file.header.AudioFormat[0] & 0xFFFFFF, 22050u);
    EXPECT_TRUE(d.file.header.AudioFormat[0] & ZBX_AUDIO_16BIT);
    EXPECT_TRUE(d.file.header.AudioFormat[0] & ZBX_AUDIO_STEREO);
    // The frames are exactly the material (lossless), the palette changes half way.
    std::vector<uint8_t> px(320 * 240);
    uint8_t pal[768];
    for (uint32_t t = 0; t < 150; t += 37) {
        tool::DemoFrame(t, 150, 320, 240, px.data(), pal);
        EXPECT_EQ(d.pictures[t], px) << t;
        for (int k = 0; k < 768; ++k)
            ASSERT_EQ(d.palettes[t][k], pal[k] >> 2) << t;
    }
    EXPECT_NE(d.palettes[10][0 * 3 + 2], d.palettes[140][0 * 3 + 2]);
    // The tune, sample for sample.
    std::vector<uint8_t> tune(tool::DemoTune(10.0, 22050, nullptr, 0));
    tool::DemoTune(10.0, 22050, tune.data(), tune.size());
    std::vector<uint8_t> sound;
    for (uint32_t i = 0; i < 150; ++i) {
        FrameChunks parts;
        ASSERT_TRUE(SplitFrame(d.file.frames[i], d.file.frameTypes[i], parts));
        ASSERT_TRUE(DecodeSoundChunk(parts.sound[0], true, sound));
    }
    ASSERT_EQ(sound.size(), tune.size());
    EXPECT_EQ(sound, tune);
}

TEST(Zorbc, ReportGoesToTheFrontEnd)
{
    TempDir dir;
    const Clip c = MakeClip(1, 32, 32, 2, 8);
    WriteRaw(c, dir.path + "/in.raw");
    zorb::test::LinkServer frontEnd;
    const Result r = RunZorbc(dir.path + "/in.raw " + dir.path + "/o.zbx /#" + std::to_string(frontEnd.frontEnd()));
    ASSERT_EQ(r.status, 0) << r.output;
    ASSERT_TRUE(frontEnd.waitForMessages(3, 2000));
    const auto messages = frontEnd.messages();
    bool hello = false, report = false;
    for (const auto &m : messages) {
        if (m.code == 10019)
            hello = true;
        if (m.code == 4660) {
            report = true;
            EXPECT_NE(m.text().find("ZorbC - "), std::string::npos) << m.text();
            EXPECT_NE(m.text().find("Compressed"), std::string::npos) << m.text();
            EXPECT_NE(m.text().find("2 frames"), std::string::npos) << m.text();
        }
    }
    EXPECT_TRUE(hello);
    EXPECT_TRUE(report);
}

TEST(Demo, DataRateWindowsOnTheDemoContent)
{
    // Every one-second window of the demo content at 120000 bytes per second
    // lands within 10% of the target.
    TempDir dir;
    const uint32_t w = 320, h = 240, frames = 150;
    ZencParams p{};
    p.width = w;
    p.height = h;
    p.frameRate = -6667;
    p.regular = 120000;
    p.key = 120000;
    p.keyEvery = 50;
    ZENC *enc = ZencOpen(&p);
    ASSERT_NE(enc, nullptr);
    std::vector<uint8_t> px(w * h);
    uint8_t pal[768];
    for (uint32_t t = 0; t < frames; ++t) {
        tool::DemoFrame(t, frames, w, h, px.data(), pal);
        ZencAddFrame(enc, px.data(), w, pal);
    }
    ASSERT_EQ(ZencWrite(enc, (dir.path + "/rate.zbx").c_str(), nullptr), 1);
    ZencReport r;
    ZencGetReport(enc, &r);
    ZencClose(enc);
    Decoded d;
    ASSERT_TRUE(Decode(dir.path + "/rate.zbx", d));
    const auto &sz = d.file.frameSizes;
    for (size_t i = 0; i + 15 <= frames; ++i) {
        uint64_t window = 0;
        for (size_t k = i; k < i + 15; ++k)
            window += sz[k];
        EXPECT_LE(window, 120000 * 1.1) << "window at " << i;
        EXPECT_GE(window, 120000 * 0.9) << "window at " << i;
    }
    EXPECT_NEAR(r.bytesPerSecond, 120000, 12000);
}

TEST(Zorbc, PaletteRangeOptionsReachTheGraphicsInput)
{
    TempDir dir;
    const Clip c = MakeClip(2, 32, 32, 3, 12);
    WriteRaw(c, dir.path + "/in.raw");
    const Result r = RunZorbc(dir.path + "/in.raw " + dir.path + "/q.zbx /Q16/I32");
    ASSERT_EQ(r.status, 0) << r.output;
    Decoded d;
    ASSERT_TRUE(Decode(dir.path + "/q.zbx", d));
    for (const auto &picture : d.pictures)
        for (uint8_t v : picture) {
            ASSERT_GE(v, 32);
            ASSERT_LT(v, 48);
        }
}

TEST(Zorbc, RawDumpOfTheOutputIsTheInput)
{
    // zorbc, then zorbmix, then zbxinfo --dump: the dumped pictures, palettes
    // and sound are the material that went in.
    TempDir dir;
    const Clip c = MakeClip(2, 40, 28, 7, 21);
    WriteRaw(c, dir.path + "/in.raw");
    ASSERT_EQ(RunZorbc(dir.path + "/in.raw " + dir.path + "/v.zbx /G").status, 0);
    const std::vector<uint8_t> pcm = WriteWave(dir.path + "/s.wav", 8000, 8, 2, 1.0, 5);
    const std::string bin = std::string(ZORB_BINARY_DIR) + "/bin/";
    ASSERT_EQ(std::system((bin + "zorbmix " + dir.path + "/v.zbx " + dir.path + "/s.wav " + dir.path +
                           "/m.zbx /M1 > /dev/null 2>&1")
                              .c_str()),
              0);
    const std::string dump = dir.path + "/dump";
    ASSERT_EQ(std::system((bin + "zbxinfo --dump " + dump + " " + dir.path + "/m.zbx > /dev/null 2>&1").c_str()), 0);
    for (size_t i = 0; i <= c.pixels.size(); ++i) {
        const size_t src = i == c.pixels.size() ? 0 : i; // the ring frame
        char name[32];
        std::snprintf(name, sizeof name, "/frame_%05zu.raw", i + 1);
        std::ifstream in(dump + name, std::ios::binary);
        std::vector<uint8_t> got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_EQ(got.size(), 40u * 28 + 768) << name;
        EXPECT_EQ(0, std::memcmp(got.data(), c.pixels[src].data(), 40 * 28)) << name;
        for (int k = 0; k < 768; ++k) {
            const uint8_t v = c.palettes[src][k] >> 2;
            ASSERT_EQ(got[40 * 28 + k], static_cast<uint8_t>((v << 2) | (v >> 4))) << name;
        }
    }
    std::ifstream in(dump + "/track_1.pcm", std::ios::binary);
    std::vector<uint8_t> sound((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // 7 frames at 15 per second of 8000 Hz stereo, and the ring frame's repeat of the first chunk.
    const size_t frames = SoundFramesBefore(7, 6667, 8000), first = SoundFramesBefore(1, 6667, 8000);
    ASSERT_EQ(sound.size(), (frames + first) * 2);
    EXPECT_EQ(0, std::memcmp(sound.data(), pcm.data(), frames * 2));
    EXPECT_EQ(0, std::memcmp(sound.data() + frames * 2, pcm.data(), first * 2));
    // Nothing else was left beside the outputs.
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"dump", "in.raw", "m.zbx", "s.wav", "v.zbx"}));
}

TEST(Zorbc, ZorblaxInputKeepsItsPicturesAndTracks)
{
    TempDir dir;
    const Clip c = MakeClip(2, 48, 32, 6, 14);
    ZencParams p{};
    p.width = c.width;
    p.height = c.height;
    p.frameRate = 100;
    ZENC *enc = ZencOpen(&p);
    ASSERT_NE(enc, nullptr);
    for (size_t i = 0; i < c.pixels.size(); ++i)
        ZencAddFrame(enc, c.pixels[i].data(), c.width, c.palettes[i].data());
    const std::vector<uint8_t> pcm = WriteWave(dir.path + "/a.wav", 11025, 16, 2, 1.0, 3);
    ZencAddTrack(enc, 2, CSFileOpen((dir.path + "/a.wav").c_str(), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr));
    ASSERT_EQ(ZencWrite(enc, (dir.path + "/in.zbx").c_str(), nullptr), 1);
    ZencClose(enc);

    const Result r = RunZorbc(dir.path + "/in.zbx " + dir.path + "/out.zbx /G");
    ASSERT_EQ(r.status, 0) << r.output;
    Decoded a, b;
    ASSERT_TRUE(Decode(dir.path + "/in.zbx", a));
    ASSERT_TRUE(Decode(dir.path + "/out.zbx", b));
    ASSERT_EQ(b.file.header.FrameCount, 6u);
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(a.pictures[i], b.pictures[i]) << i;
        EXPECT_EQ(a.palettes[i], b.palettes[i]) << i;
    }
    EXPECT_EQ(b.file.header.FrameRate, 100);
    EXPECT_EQ(b.file.header.AudioFormat[2], a.file.header.AudioFormat[2]);
    for (int t : {0, 1, 3, 4, 5, 6})
        EXPECT_EQ(b.file.header.AudioFormat[t], 0u) << t;
    for (size_t i = 0; i < 6; ++i) {
        FrameChunks x, y;
        ASSERT_TRUE(SplitFrame(a.file.frames[i], a.file.frameTypes[i], x));
        ASSERT_TRUE(SplitFrame(b.file.frames[i], b.file.frameTypes[i], y));
        std::vector<uint8_t> sx, sy;
        ASSERT_TRUE(DecodeSoundChunk(x.sound[2], true, sx));
        ASSERT_TRUE(DecodeSoundChunk(y.sound[2], true, sy));
        EXPECT_EQ(sx, sy) << i;
    }
}

TEST(Zorbc, ThePlayerShowsWhatWentIn)
{
    // zorbc's output played by zorbplw headless, every shown picture captured.
    TempDir dir;
    const Clip c = MakeClip(2, 64, 48, 8, 33);
    WriteRaw(c, dir.path + "/in.raw", 10000); // 10 frames per second
    ASSERT_EQ(RunZorbc(dir.path + "/in.raw " + dir.path + "/p.zbx /N0").status, 0);
    const std::string player = std::string(ZORB_BINARY_DIR) + "/bin/zorbplw";
    if (!Exists(player))
        GTEST_SKIP() << "no player built";
    const std::string capture = dir.path + "/cap";
    mkdir(capture.c_str(), 0755);
    const std::string line = "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy ZORB_CAPTURE=" + capture +
                             " timeout 60 " + player + " " + dir.path + "/p.zbx > /dev/null 2>&1";
    ASSERT_EQ(std::system(line.c_str()), 0);
    for (size_t i = 0; i < c.pixels.size(); ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/frame_%05zu.raw", i + 1);
        std::ifstream in(capture + name, std::ios::binary);
        std::vector<uint8_t> got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_EQ(got.size(), 64u * 48 + 768) << name;
        EXPECT_EQ(0, std::memcmp(got.data(), c.pixels[i].data(), 64 * 48)) << name;
        for (int k = 0; k < 768; ++k) {
            const uint8_t v = c.palettes[i][k] >> 2;
            ASSERT_EQ(got[64 * 48 + k], static_cast<uint8_t>((v << 2) | (v >> 4))) << name;
        }
    }
}
