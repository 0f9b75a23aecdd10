// The zorbfr program, run headless on Zorblax files made by the test: new
// frame rates keep the running time, the pictures shown at each time and
// every sample of every track.
#include "codec/format.h"
#include "tests/encoder/encoder_helpers.h"
#include "tests/sndtools/tool_run.h"
#include "tests/support/link_server.h"
#include "tests/support/zbxgen.h"

using namespace sndtest;
using namespace enctest;

namespace {

// dst is src at another frame rate: same running time within one new
// frame, new frame j shows what src shows at j new frame times (when
// pictures is set), the same header flags and every sample of every track.
void ExpectRetimed(const std::string &srcName, const std::string &dstName, bool pictures = true)
{
    SCOPED_TRACE(srcName + " -> " + dstName);
    Decoded src, dst;
    ASSERT_TRUE(Decode(srcName, src));
    ASSERT_TRUE(Decode(dstName, dst));
    const ContainerHeader &a = src.file.header, &b = dst.file.header;
    const uint64_t p = ZbxFramePeriod(a.FrameRate), q = ZbxFramePeriod(b.FrameRate);
    const uint64_t before = a.FrameCount * p, after = b.FrameCount * q;
    EXPECT_LE(after > before ? after - before : before - after, q) << "running time " << before << " -> " << after;
    EXPECT_EQ(a.HeaderFlags, b.HeaderFlags);
    EXPECT_EQ(a.Width, b.Width);
    EXPECT_EQ(a.Height, b.Height);
    for (uint32_t j = 0; j < b.FrameCount && pictures; ++j) {
        const size_t shown = std::min<uint64_t>(a.FrameCount - 1, j * q / p); // src's frame at time j * q
        ASSERT_TRUE(dst.pictures[j] == src.pictures[shown]) << "new frame " << j << " should show frame " << shown;
        ASSERT_TRUE(dst.palettes[j] == src.palettes[shown]) << "palette of new frame " << j;
    }
    if (b.HeaderFlags & ZBX_RING_FRAME) {
        EXPECT_TRUE(dst.pictures[b.FrameCount] == dst.pictures[0]);
    }
    for (int t = 0; t < 7; ++t) {
        SCOPED_TRACE("track " + std::to_string(t));
        EXPECT_EQ(a.AudioFormat[t] & 0x7FFFFFFFu, b.AudioFormat[t] & 0x7FFFFFFFu);
        const std::vector<uint8_t> before_ = TrackSound(src, t), after_ = TrackSound(dst, t);
        EXPECT_EQ(before_.size(), after_.size());
        EXPECT_TRUE(before_ == after_);
    }
}

} // namespace

TEST(Zorbfr, FifteenToTenToFifteenKeepsTimePicturesAndSound)
{
    TempDir dir;
    const Clip clip = MakeClip(2, 48, 32, 12, 5); // moving, with palette changes
    WriteWave(dir.path + "/a.wav", 11025, 8, 1, 0.8, 1);
    WriteWave(dir.path + "/b.wav", 22050, 16, 2, 0.8, 2);
    ZencParams p{};
    p.width = clip.width;
    p.height = clip.height;
    p.frameRate = -6667;
    p.headerFlags = ZBX_RING_FRAME;
    ZENC *enc = ZencOpen(&p);
    ASSERT_NE(enc, nullptr);
    for (size_t i = 0; i < clip.pixels.size(); ++i)
        ZencAddFrame(enc, clip.pixels[i].data(), clip.width, clip.palettes[i].data());
    ZencAddTrack(enc, 0, CSFileOpen((dir.path + "/a.wav").c_str(), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr));
    ZencAddTrack(enc, 3, CSFileOpen((dir.path + "/b.wav").c_str(), 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr));
    ASSERT_EQ(ZencWrite(enc, (dir.path + "/in.zbx").c_str(), nullptr), 1);
    ZencClose(enc);

    Result r = RunTool("zorbfr", dir.path + "/in.zbx " + dir.path + "/ten.zbx /F10");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("8 frames at 10 per second"), std::string::npos) << r.output;
    r = RunTool("zorbfr", dir.path + "/ten " + dir.path + "/back /F15"); // .zbx added to both
    ASSERT_EQ(r.status, 0) << r.output;
    ExpectRetimed(dir.path + "/in.zbx", dir.path + "/ten.zbx");
    ExpectRetimed(dir.path + "/ten.zbx", dir.path + "/back.zbx");
    // Round trip: time and sound as they were (the pictures went through 10 fps).
    ExpectRetimed(dir.path + "/in.zbx", dir.path + "/back.zbx", false);
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"a.wav", "b.wav", "back.zbx", "in.zbx", "ten.zbx"}));
}

TEST(Zorbfr, SoundPastTheLastFrameIsKeptAndTheFrontEndHearsOfIt)
{
    // Interlaced pictures and a raw track whose chunks hold more sound than
    // the frame period (1500 bytes a frame at 11025 Hz, 100 ms frames).
    TempDir dir;
    zbxgen::Description d;
    d.width = 32;
    d.height = 16;
    d.heightMode = zbxgen::HeightMode::Interlaced;
    d.frameRate = 100;
    zbxgen::SoundFormat raw;
    raw.rate = 11025;
    d.tracks[0] = raw;
    zbxgen::Rng rng(9);
    for (int i = 0; i < 5; ++i) {
        zbxgen::Frame f;
        f.picture = zbxgen::MakePicture(d.width, d.height, zbxgen::Content::Random, rng);
        if (i == 0)
            f.palette = zbxgen::RandomPalette(rng);
        f.sound[0] = zbxgen::SoundChunk{zbxgen::RandomSound(raw, 1500, rng), false, std::nullopt};
        d.frames.push_back(std::move(f));
    }
    ASSERT_TRUE(zbxgen::WriteFile(d, dir.path + "/in.zbx"));
    zorb::test::LinkServer frontEnd;
    const Result r =
        RunTool("zorbfr", dir.path + "/in.zbx " + dir.path + "/out.zbx /F-40 /#" + std::to_string(frontEnd.frontEnd()));
    ASSERT_EQ(r.status, 0) << r.output;
    ExpectRetimed(dir.path + "/in.zbx", dir.path + "/out.zbx");
    ASSERT_TRUE(frontEnd.waitForMessages(3, 2000));
    bool report = false;
    for (const auto &m : frontEnd.messages())
        if (m.code == 4660) {
            report = true;
            EXPECT_NE(m.text().find("ZorbFR - "), std::string::npos) << m.text();
            EXPECT_NE(m.text().find("13 frames at 25 per second"), std::string::npos) << m.text();
        }
    EXPECT_TRUE(report);
}

TEST(Zorbfr, FailuresSayWhyAndLeaveNothingBehind)
{
    TempDir dir;
    WriteAll(dir.path + "/junk.zbx", {'n', 'o', 't', ' ', 'a', ' ', 'f', 'i', 'l', 'e'});
    struct Case {
        std::string args;
        int status;
        std::string says;
    };
    const Case cases[] = {
        {dir.path + "/junk.zbx " + dir.path + "/o.zbx", 2, "/F must give"},
        {dir.path + "/junk.zbx " + dir.path + "/o.zbx /F10 /L12", 2, "/L takes"},
        {dir.path + "/junk.zbx " + dir.path + "/o.zbx /F10", 1,
         "Error opening " + dir.path + "/junk.zbx: not a Zorblax file, or damaged"},
        {dir.path + "/none.zbx " + dir.path + "/o.zbx /F10", 1, dir.path + "/none.zbx: "},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.args);
        const Result r = RunTool("zorbfr", c.args);
        EXPECT_EQ(r.status, c.status) << r.output;
        EXPECT_NE(r.output.find(c.says), std::string::npos) << r.output;
    }
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"junk.zbx"}));
}
