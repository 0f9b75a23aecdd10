// The sndproc program, run headless on wave, headerless and Zorblax files
// written by the test: exact copies and conversions, resampling measured,
// cuts, tracks, failures and the report to the front end.
#include <cmath>
#include <random>

#include "tests/encoder/encoder_helpers.h"
#include "tests/sndtools/tool_run.h"
#include "tests/support/link_server.h"

using namespace sndtest;
using enctest::TempDir;

namespace {

std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> b(n);
    for (uint8_t &v : b)
        v = static_cast<uint8_t>(rng());
    return b;
}

// Frequency from the rising zero crossings, and the RMS level, of the middle
// of a mono signal (the ends of a resampled signal ring).
void Measure(const std::vector<int16_t> &s, uint32_t rate, double &hz, double &rms)
{
    const size_t from = s.size() / 8, to = s.size() - s.size() / 8;
    double first = -1, last = -1, sum = 0;
    int crossings = 0;
    for (size_t i = from; i < to; ++i) {
        sum += static_cast<double>(s[i]) * s[i];
        if (s[i - 1] < 0 && s[i] >= 0) {
            const double at = static_cast<double>(i - 1) + s[i - 1] / static_cast<double>(s[i - 1] - s[i]);
            if (first < 0)
                first = at;
            last = at;
            ++crossings;
        }
    }
    hz = crossings > 1 ? (crossings - 1) * rate / (last - first) : 0;
    rms = std::sqrt(sum / static_cast<double>(to - from));
}

} // namespace

TEST(Sndproc, WithoutSwitchesTheSamplesAreCopiedExactly)
{
    TempDir dir;
    struct Case {
        uint32_t rate, bits, channels;
        size_t frames;
    };
    for (const Case &c :
         {Case{11025, 8, 1, 12345}, Case{22050, 8, 2, 5000}, Case{44100, 16, 1, 7777}, Case{8000, 16, 2, 3001}}) {
        SCOPED_TRACE(std::to_string(c.bits) + "-bit, " + std::to_string(c.channels) + " channels");
        const std::vector<uint8_t> pcm = RandomBytes(c.frames * c.channels * c.bits / 8, c.rate + c.bits);
        WriteWaveBytes(dir.path + "/in.wav", c.rate, c.bits, c.channels, pcm);
        const Result r = RunTool("sndproc", dir.path + "/in.wav " + dir.path + "/out /O");
        ASSERT_EQ(r.status, 0) << r.output;
        Wave w;
        ASSERT_TRUE(ReadWave(dir.path + "/out.wav", w)); // .wav was added
        EXPECT_EQ(w.rate, c.rate);
        EXPECT_EQ(w.bits, c.bits);
        EXPECT_EQ(w.channels, c.channels);
        EXPECT_TRUE(w.data == pcm);
    }
}

TEST(Sndproc, SampleSizeAndChannelChangesAreExact)
{
    TempDir dir;
    const std::vector<int16_t> left = {-32768, -32767, -257, -256, -255, -1, 0, 1, 255, 256, 32767};
    const std::vector<int16_t> right = {32767, -32768, 1, -256, 0, 0, -1, 1, 0, 0, 32767};
    std::vector<int16_t> stereo;
    for (size_t i = 0; i < left.size(); ++i)
        stereo.insert(stereo.end(), {left[i], right[i]});
    WriteWaveBytes(dir.path + "/s16.wav", 22050, 16, 2, Bytes16(stereo));
    const std::vector<uint8_t> mono8 = {0, 1, 127, 128, 129, 255};
    WriteWaveBytes(dir.path + "/m8.wav", 11025, 8, 1, mono8);

    auto narrow = [](int v) { return static_cast<uint8_t>(v / 256 + 128); };
    std::vector<uint8_t> s8, m16bytes, m8, m16to8, wide, dup, wideDup;
    std::vector<int16_t> m16;
    for (size_t i = 0; i < left.size(); ++i) {
        s8.insert(s8.end(), {narrow(left[i]), narrow(right[i])});
        const int mid = (left[i] + right[i]) / 2;
        m16.push_back(static_cast<int16_t>(mid));
        m16to8.push_back(narrow(mid));
    }
    std::vector<int16_t> w16, w16dup;
    for (uint8_t v : mono8) {
        w16.push_back(static_cast<int16_t>((v - 128) * 256));
        w16dup.insert(w16dup.end(), {w16.back(), w16.back()});
        dup.insert(dup.end(), {v, v});
    }
    struct Case {
        std::string input, switches;
        uint32_t bits, channels;
        std::vector<uint8_t> expected;
    };
    const Case cases[] = {
        {"s16.wav", "/B8", 8, 2, s8},         {"s16.wav", "/C1", 16, 1, Bytes16(m16)},
        {"s16.wav", "/B8 /C1", 8, 1, m16to8}, {"m8.wav", "/B16", 16, 1, Bytes16(w16)},
        {"m8.wav", "/C2", 8, 2, dup},         {"m8.wav", "/B16/C2", 16, 2, Bytes16(w16dup)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.input + " " + c.switches);
        const Result r = RunTool("sndproc", dir.path + "/" + c.input + " " + dir.path + "/out.wav /O " + c.switches);
        ASSERT_EQ(r.status, 0) << r.output;
        Wave w;
        ASSERT_TRUE(ReadWave(dir.path + "/out.wav", w));
        EXPECT_EQ(w.bits, c.bits);
        EXPECT_EQ(w.channels, c.channels);
        EXPECT_TRUE(w.data == c.expected);
    }
}

TEST(Sndproc, RateConversionThereAndBackKeepsFrequencyAndLevel)
{
    TempDir dir;
    const double kHz = 1000, kAmplitude = 16000;
    std::vector<int16_t> sine(22050);
    for (size_t i = 0; i < sine.size(); ++i)
        sine[i] =
            static_cast<int16_t>(std::lround(kAmplitude * std::sin(2 * M_PI * kHz * static_cast<double>(i) / 22050)));
    WriteWaveBytes(dir.path + "/sine.wav", 22050, 16, 1, Bytes16(sine));
    double hz, rms;
    Measure(sine, 22050, hz, rms);
    const double sourceRms = rms;

    Result r = RunTool("sndproc", dir.path + "/sine.wav " + dir.path + "/up.wav /R44100");
    ASSERT_EQ(r.status, 0) << r.output;
    Wave up;
    ASSERT_TRUE(ReadWave(dir.path + "/up.wav", up));
    EXPECT_EQ(up.rate, 44100u);
    EXPECT_NEAR(static_cast<double>(up.data.size()), 2.0 * 2 * sine.size(), 8);
    Measure(Samples16(up.data), 44100, hz, rms);
    EXPECT_NEAR(hz, kHz, 0.5);
    EXPECT_NEAR(rms / sourceRms, 1.0, 0.005);

    r = RunTool("sndproc", dir.path + "/up.wav " + dir.path + "/back.wav /R22050");
    ASSERT_EQ(r.status, 0) << r.output;
    Wave back;
    ASSERT_TRUE(ReadWave(dir.path + "/back.wav", back));
    EXPECT_EQ(back.rate, 22050u);
    const std::vector<int16_t> b = Samples16(back.data);
    EXPECT_NEAR(static_cast<double>(b.size()), static_cast<double>(sine.size()), 4);
    Measure(b, 22050, hz, rms);
    EXPECT_NEAR(hz, kHz, 0.5);
    EXPECT_NEAR(rms / sourceRms, 1.0, 0.005);
    // In step with the source, sample by sample, away from the ends.
    int worst = 0;
    for (size_t i = b.size() / 8; i < b.size() - b.size() / 8; ++i)
        worst = std::max(worst, std::abs(b[i] - sine[i]));
    EXPECT_LT(worst, 80); // 0.5% of the amplitude
}

TEST(Sndproc, StartAndEndCutOnTheRightSample)
{
    TempDir dir;
    const std::vector<uint8_t> pcm = RandomBytes(22050, 7);
    WriteWaveBytes(dir.path + "/in.wav", 11025, 8, 1, pcm);
    const Result r = RunTool("sndproc", dir.path + "/in.wav " + dir.path + "/cut.wav /S500 /E1500");
    ASSERT_EQ(r.status, 0) << r.output;
    Wave w;
    ASSERT_TRUE(ReadWave(dir.path + "/cut.wav", w));
    ASSERT_EQ(w.data.size(), 11025u);
    EXPECT_TRUE(std::equal(w.data.begin(), w.data.end(), pcm.begin() + 5512));
}

TEST(Sndproc, ForcedHeaderlessInputWithSkip)
{
    TempDir dir;
    std::vector<uint8_t> file = RandomBytes(37 + 4 * 1001, 3);
    WriteAll(dir.path + "/in.pcm", file);
    struct Case {
        std::string switches;
        uint32_t rate, bits, channels;
        size_t skip;
    };
    for (const Case &c : {Case{"/Y4 /D22050 /K37", 22050, 16, 2, 37}, Case{"/Y1 /K3", 11025, 8, 1, 3},
                          Case{"/Y3/D8000/K0", 8000, 16, 1, 0}}) {
        SCOPED_TRACE(c.switches);
        const Result r = RunTool("sndproc", dir.path + "/in.pcm " + dir.path + "/out.wav /O " + c.switches);
        ASSERT_EQ(r.status, 0) << r.output;
        Wave w;
        ASSERT_TRUE(ReadWave(dir.path + "/out.wav", w));
        EXPECT_EQ(w.rate, c.rate);
        EXPECT_EQ(w.bits, c.bits);
        EXPECT_EQ(w.channels, c.channels);
        const size_t frame = c.bits / 8 * c.channels, whole = (file.size() - c.skip) / frame * frame;
        ASSERT_EQ(w.data.size(), whole);
        EXPECT_TRUE(std::equal(w.data.begin(), w.data.end(), file.begin() + static_cast<long>(c.skip)));
    }
}

TEST(Sndproc, ZorblaxTracksEqualTheRawDump)
{
    TempDir dir;
    // Ten frames of 100 ms, two tracks: 8-bit mono at 22050 Hz (2205 bytes a
    // frame) and lossy 16-bit stereo at 11025 Hz.
    enctest::WriteWave(dir.path + "/a.wav", 22050, 8, 1, 1.0, 1);
    enctest::WriteWave(dir.path + "/b.wav", 11025, 16, 2, 1.0, 2);
    const enctest::Clip clip = enctest::MakeClip(1, 32, 16, 10, 4);
    ZencParams p{};
    p.width = clip.width;
    p.height = clip.height;
    p.frameRate = 100;
    ZENC *enc = ZencOpen(&p);
    ASSERT_NE(enc, nullptr);
    for (const auto &px : clip.pixels)
        ZencAddFrame(enc, px.data(), clip.width, clip.palettes[0].data());
    ZencAddTrack(enc, 0, CSFileOpen((dir.path + "/a.wav").c_str(), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr));
    ZencAddTrack(enc, 1, CSFileOpen((dir.path + "/b.wav").c_str(), 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr));
    ASSERT_EQ(ZencWrite(enc, (dir.path + "/in.zbx").c_str(), nullptr), 1);
    ZencClose(enc);

    const Result dump = RunTool("zbxinfo", "--dump " + dir.path + "/dump " + dir.path + "/in.zbx");
    ASSERT_EQ(dump.status, 0) << dump.output;
    for (int t = 1; t <= 2; ++t) {
        SCOPED_TRACE("track " + std::to_string(t));
        const Result r = RunTool("sndproc", dir.path + "/in.zbx " + dir.path + "/t.wav /O /T" + std::to_string(t));
        ASSERT_EQ(r.status, 0) << r.output;
        Wave w;
        ASSERT_TRUE(ReadWave(dir.path + "/t.wav", w));
        const std::vector<uint8_t> expected = ReadAll(dir.path + "/dump/track_" + std::to_string(t) + ".pcm");
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(w.data.size(), expected.size());
        EXPECT_TRUE(w.data == expected);
    }
    std::system(("rm -rf " + dir.path + "/dump").c_str());
}

TEST(Sndproc, FailuresSayWhyOnceAndLeaveNothingBehind)
{
    TempDir dir;
    WriteWaveBytes(dir.path + "/in.wav", 11025, 8, 1, RandomBytes(100, 1));
    WriteAll(dir.path + "/old.wav", {1, 2, 3});
    mkdir((dir.path + "/sub.wav").c_str(), 0755);
    struct Case {
        std::string args;
        int status;
        std::string says;
    };
    const Case cases[] = {
        {"", 2, "Usage: sndproc"},
        {dir.path + "/in.wav " + dir.path + "/o.wav /B12", 2, "/B takes 8 or 16"},
        {dir.path + "/in.wav " + dir.path + "/o.wav /Y5", 2, "/Y takes"},
        {dir.path + "/in.wav " + dir.path + "/o.wav /Z", 2, "unknown switch"},
        {dir.path + "/in.wav " + dir.path + "/o.wav /S60000", 1, "in.wav: no sound between the start and the end"},
        {dir.path + "/missing.wav " + dir.path + "/o.wav", 1, dir.path + "/missing.wav: "},
        {dir.path + "/in.wav " + dir.path + "/old.wav", 1, "was not overwritten"},
        {dir.path + "/in.wav " + dir.path + "/in.wav /O", 1, "must be different"},
        {dir.path + "/in.wav " + dir.path + "/sub.wav /O", 1, "sub.wav: is a directory"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.args);
        const Result r = RunTool("sndproc", c.args);
        EXPECT_EQ(r.status, c.status) << r.output;
        const size_t at = r.output.find(c.says);
        ASSERT_NE(at, std::string::npos) << r.output;
        if (c.status == 1) {
            EXPECT_EQ(r.output.find(c.says, at + 1), std::string::npos) << "said twice: " << r.output;
        }
    }
    rmdir((dir.path + "/sub.wav").c_str());
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"in.wav", "old.wav"}));
    EXPECT_EQ(ReadAll(dir.path + "/old.wav"), (std::vector<uint8_t>{1, 2, 3}));
    const Result help = RunTool("sndproc", "--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.output.rfind("Usage: sndproc", 0), 0u);
}

TEST(Sndproc, ReportsToTheFrontEnd)
{
    TempDir dir;
    WriteWaveBytes(dir.path + "/in.wav", 11025, 8, 1, RandomBytes(1000, 1));
    zorb::test::LinkServer frontEnd;
    const Result r =
        RunTool("sndproc", dir.path + "/in.wav " + dir.path + "/o.wav /C2 /#" + std::to_string(frontEnd.frontEnd()));
    ASSERT_EQ(r.status, 0) << r.output;
    ASSERT_TRUE(frontEnd.waitForMessages(3, 2000));
    bool report = false;
    for (const auto &m : frontEnd.messages())
        if (m.code == 4660) {
            report = true;
            EXPECT_NE(m.text().find("SndProc - "), std::string::npos) << m.text();
            EXPECT_NE(m.text().find("1000 samples"), std::string::npos) << m.text();
        }
    EXPECT_TRUE(report);
}
