// zbxinfo run as a program on generated files.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "tests/support/zbxgen.h"

namespace {

const std::string kProgram = std::string(ZORB_BINARY_DIR) + "/bin/zbxinfo";

struct Result {
    int status;
    std::string out;
};

Result RunInfo(const std::string &args)
{
    std::string cmd = kProgram + " " + args + " 2>&1";
    FILE *p = ::popen(cmd.c_str(), "r");
    Result r{-1, ""};
    if (!p)
        return r;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

// A temporary path, removed when the program ends.
std::string Temp(const std::string &name)
{
    struct Files {
        std::vector<std::string> paths;
        ~Files()
        {
            for (const auto &p : paths)
                std::remove(p.c_str());
        }
    };
    static Files files;
    files.paths.push_back(::testing::TempDir() + "zbxinfo_" + std::to_string(::getpid()) + "_" + name);
    return files.paths.back();
}

class ZbxInfo : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::access(kProgram.c_str(), X_OK) != 0)
            GTEST_SKIP() << "zbxinfo is not built";
    }
};

zbxgen::Description Movie()
{
    zbxgen::Description d;
    d.width = 32;
    d.height = 16;
    d.frameRate = -6667; // 66.67 ms per frame: 14.999 frames per second
    d.heightMode = zbxgen::HeightMode::Doubled;
    zbxgen::Rng rng(3);
    zbxgen::SoundFormat s;
    s.rate = 22050;
    s.sixteenBit = true;
    s.stereo = true;
    s.compressed = true;
    d.tracks[2] = s;
    for (int i = 0; i < 20; ++i) {
        zbxgen::Frame f;
        f.picture = zbxgen::MakePicture(32, 16, zbxgen::Content::Random, rng);
        if (i == 0)
            f.palette = zbxgen::RandomPalette(rng);
        zbxgen::SoundChunk c;
        c.pcm = zbxgen::RandomSound(s, 5880, rng);
        f.sound[2] = c;
        d.frames.push_back(f);
    }
    zbxgen::Frame ring;
    d.ringFrame = ring;
    return d;
}

} // namespace

TEST_F(ZbxInfo, SummaryOfAFile)
{
    std::string path = Temp("movie.zbx");
    ASSERT_TRUE(zbxgen::WriteFile(Movie(), path));
    Result r = RunInfo(path);
    EXPECT_EQ(r.status, 0) << r.out;
    for (const char *want : {"frames:          20 and a ring frame (frame 21)",
                             "14.999 frames per second (header: -6667 = 66.67 ms per frame)",
                             "picture:         32 x 32 (coded 32 x 16)", "height mode:     doubled",
                             "sound track 3:   22050 Hz, 16-bit, stereo, compressed, largest chunk 5880 bytes decoded",
                             "largest frame:", "largest second:", "mean frame:", "memory:", "trees:"})
        EXPECT_NE(r.out.find(want), std::string::npos) << want << "\n" << r.out;
    EXPECT_EQ(r.out.find("  frame       size"), std::string::npos);
}

TEST_F(ZbxInfo, FramesListing)
{
    std::string path = Temp("frames.zbx");
    ASSERT_TRUE(zbxgen::WriteFile(Movie(), path));
    Result r = RunInfo("--frames " + path);
    EXPECT_EQ(r.status, 0) << r.out;
    // Frames and tracks are numbered from 1, the ring frame after the last.
    size_t header = r.out.find("  frame       size  palette  sound1  sound2  sound3");
    ASSERT_NE(header, std::string::npos) << r.out;
    int lines = 0;
    for (size_t p = r.out.find('\n', header); p != std::string::npos && p + 1 < r.out.size();
         p = r.out.find('\n', p + 1))
        ++lines;
    EXPECT_EQ(lines, 21); // 20 frames and the ring frame
    EXPECT_NE(r.out.find("\n      1 "), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("\n      0 "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\n     21 "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("(ring)"), std::string::npos);
}

TEST_F(ZbxInfo, BadFilesAreNamedAndTheRestReported)
{
    std::string good = Temp("good.zbx"), bad = Temp("bad.zbx");
    ASSERT_TRUE(zbxgen::WriteFile(Movie(), good));
    ASSERT_TRUE(zbxgen::WriteBytes({'Z', 'B', 'X', '1', 0, 0}, bad));
    Result r = RunInfo(bad + " /nonexistent/x.zbx " + good);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("zbxinfo: " + bad + ": not a Zorblax file"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("zbxinfo: /nonexistent/x.zbx: no such file or directory"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(good + "\n  size:"), std::string::npos) << r.out;
}

TEST_F(ZbxInfo, Usage)
{
    Result r = RunInfo("");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("usage: zbxinfo"), std::string::npos);
    r = RunInfo("--bogus x");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("unknown option --bogus"), std::string::npos);
}
