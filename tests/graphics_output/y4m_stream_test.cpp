// A y4m stream of the demo, piped out of zorbc with its sound through a named
// pipe, read back by a plain reader here: it decodes to the frames and the
// sound of zbxinfo's raw dump.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/gfx_samples.h"
#include "tests/support/run_tool.h"

using gfxsamples::Bytes;

namespace {

std::string Demo()
{
    return std::string(ZORB_BINARY_DIR) + "/demo/demo.zbx";
}

struct Stream {
    uint32_t width = 0, height = 0, rateNum = 0, rateDen = 0;
    std::string colourSpace;
    std::vector<Bytes> frames; // Y, Cb, Cr planes
    bool ok = false;
};

// Reads a YUV4MPEG2 stream of 4:4:4 frames.
Stream ParseY4m(const Bytes &b)
{
    Stream s;
    size_t end = 0;
    while (end < b.size() && b[end] != '\n')
        ++end;
    if (end == b.size())
        return s;
    std::istringstream header(std::string(b.begin(), b.begin() + long(end)));
    std::string word;
    header >> word;
    if (word != "YUV4MPEG2")
        return s;
    while (header >> word) {
        if (word[0] == 'W')
            s.width = uint32_t(std::stoul(word.substr(1)));
        else if (word[0] == 'H')
            s.height = uint32_t(std::stoul(word.substr(1)));
        else if (word[0] == 'F')
            std::sscanf(word.c_str(), "F%u:%u", &s.rateNum, &s.rateDen);
        else if (word[0] == 'C')
            s.colourSpace = word.substr(1);
    }
    const size_t frameBytes = size_t(s.width) * s.height * 3;
    size_t at = end + 1;
    while (at < b.size()) {
        if (b.size() - at < 6 + frameBytes || std::string(b.begin() + long(at), b.begin() + long(at) + 6) != "FRAME\n")
            return s;
        at += 6;
        s.frames.emplace_back(b.begin() + long(at), b.begin() + long(at + frameBytes));
        at += frameBytes;
    }
    s.ok = true;
    return s;
}

uint8_t Clip(int v)
{
    return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

// Limited-range BT.601 back to red, green and blue.
void ToRgb(int y, int cb, int cr, uint8_t *rgb)
{
    const int c = y - 16, d = cb - 128, e = cr - 128;
    rgb[0] = Clip((298 * c + 409 * e + 128) >> 8);
    rgb[1] = Clip((298 * c - 100 * d - 208 * e + 128) >> 8);
    rgb[2] = Clip((298 * c + 516 * d + 128) >> 8);
}

bool Exists(const std::string &p)
{
    struct stat st;
    return stat(p.c_str(), &st) == 0;
}

std::string Frame(const std::string &dir, size_t n)
{
    char name[32];
    std::snprintf(name, sizeof name, "/frame_%05zu.raw", n);
    return dir + name;
}

} // namespace

TEST(Y4mStream, TheDemoThroughPipesDecodesToTheDump)
{
    ASSERT_TRUE(Exists(Demo())) << "the demo is built with the tools";
    const std::string dir = gfxsamples::ScratchDir("y4m");
    const std::string dump = dir + "/dump", fifo = dir + "/sound.fifo";
    auto r = zorb::test::RunTool("zbxinfo", "--dump " + dump + " " + Demo());
    ASSERT_EQ(r.status, 0) << r.output;
    ::unlink(fifo.c_str());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    // The sound pipe is read beside the stream, as an encoder would.
    Bytes sound;
    std::thread reader([&] {
        const int fd = ::open(fifo.c_str(), O_RDONLY);
        if (fd < 0)
            return;
        uint8_t buf[65536];
        ssize_t n;
        while ((n = ::read(fd, buf, sizeof buf)) > 0)
            sound.insert(sound.end(), buf, buf + n);
        ::close(fd);
    });
    const std::string line =
        std::string(ZORB_BINARY_DIR) + "/bin/zorbc " + Demo() + " - --sound=" + fifo + " 2>/dev/null < /dev/null";
    FILE *p = popen(line.c_str(), "r");
    ASSERT_NE(p, nullptr);
    Bytes stream;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        stream.insert(stream.end(), buf, buf + n);
    const int status = pclose(p);
    reader.join();
    EXPECT_EQ(status, 0);

    const Stream s = ParseY4m(stream);
    ASSERT_TRUE(s.ok);
    EXPECT_EQ(s.colourSpace, "444");
    ASSERT_GT(s.width, 0u);
    ASSERT_GT(s.rateDen, 0u);
    ASSERT_FALSE(s.frames.empty());
    // Every frame of the file (the ring frame, which only closes the loop, not).
    EXPECT_TRUE(Exists(Frame(dump, s.frames.size())));
    EXPECT_FALSE(Exists(Frame(dump, s.frames.size() + 2)));
    const size_t plane = size_t(s.width) * s.height;
    int worst = 0;
    for (size_t f = 0; f < s.frames.size(); ++f) {
        const Bytes raw = gfxsamples::ReadFile(Frame(dump, f + 1));
        ASSERT_EQ(raw.size(), plane + 768) << f;
        for (size_t i = 0; i < plane; ++i) {
            uint8_t rgb[3];
            ToRgb(s.frames[f][i], s.frames[f][plane + i], s.frames[f][2 * plane + i], rgb);
            const uint8_t *want = &raw[plane + 3 * raw[i]];
            for (int c = 0; c < 3; ++c)
                worst = std::max(worst, std::abs(int(rgb[c]) - int(want[c])));
        }
    }
    EXPECT_LE(worst, 3); // the rounding of the colour conversion

    // The sound (the demo's track: 22050 Hz, 16-bit stereo): a wave header that
    // states its length, then the track's samples.
    const Bytes pcm = gfxsamples::ReadFile(dump + "/track_1.pcm");
    ASSERT_FALSE(pcm.empty());
    ASSERT_GE(sound.size(), 44u);
    EXPECT_EQ(std::string(sound.begin(), sound.begin() + 4), "RIFF");
    const uint32_t declared =
        uint32_t(sound[40]) | uint32_t(sound[41]) << 8 | uint32_t(sound[42]) << 16 | uint32_t(sound[43]) << 24;
    EXPECT_EQ(declared, sound.size() - 44);
    // The dump holds the ring frame's sound too; the stream stops with the last frame.
    const Bytes samples(sound.begin() + 44, sound.end());
    const size_t frameSound = size_t(22050 * 4 * s.rateDen / s.rateNum) + 4;
    ASSERT_LE(samples.size(), pcm.size());
    EXPECT_GE(samples.size() + frameSound, pcm.size());
    size_t same = 0;
    while (same < samples.size() && samples[same] == pcm[same])
        ++same;
    // The frames' chunks may end a few samples before the frames' time: silence.
    EXPECT_GE(same + 64, samples.size()) << "the samples differ from byte " << same << " of " << samples.size();
    for (size_t i = same; i < samples.size(); ++i)
        ASSERT_EQ(samples[i], 0) << i;
}

TEST(Y4mStream, AFileGetsItsSoundBesideIt)
{
    const std::string dir = gfxsamples::ScratchDir("y4mfile");
    const std::string out = dir + "/clip.y4m", wav = dir + "/clip.wav";
    auto r = zorb::test::RunTool("pictproc", Demo() + " " + out + " /S3 /E12 /O");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("clip.wav"), std::string::npos) << r.output;
    const Stream s = ParseY4m(gfxsamples::ReadFile(out));
    ASSERT_TRUE(s.ok);
    EXPECT_EQ(s.frames.size(), 10u);
    const Bytes sound = gfxsamples::ReadFile(wav);
    ASSERT_GT(sound.size(), 44u);
    // Ten frames' worth of sound, give or take a frame.
    const uint32_t perSecond = uint32_t(sound[28]) | uint32_t(sound[29]) << 8 | uint32_t(sound[30]) << 16;
    const double seconds = double(sound.size() - 44) / perSecond, frames = seconds * s.rateNum / s.rateDen;
    EXPECT_NEAR(frames, 10.0, 1.0);
    // --sound is for streams only.
    r = zorb::test::RunTool("pictproc", Demo() + " " + dir + "/x.flc --sound=" + dir + "/x.wav /O");
    EXPECT_NE(r.status, 0);
}
