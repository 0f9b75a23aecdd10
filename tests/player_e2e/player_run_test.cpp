// End-to-end: zorbplw runs headless on generated files; what it showed (its
// picture capture) is compared with what the decoder produces.
#include <gtest/gtest.h>

#include <unistd.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/link_server.h"
#include "tests/support/zbxgen.h"

namespace fs = std::filesystem;

namespace {

const std::string kBin = std::string(ZORB_BINARY_DIR) + "/bin/";

std::string Slurp(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Result {
    int status = -1;
    std::string out, err;
    std::vector<std::string> frames; // captured pictures, in order
};

class PlayerRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("zorbplw_e2e_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Make(const std::string &name, const zbxgen::Description &d)
    {
        std::string path = (dir_ / name).string();
        EXPECT_TRUE(zbxgen::WriteFile(d, path));
        return path;
    }

    // Runs a program with the headless environment, a capture directory and
    // extra environment settings; collects its output and captures.
    Result Run(const std::string &program, const std::string &args, const std::string &env = "")
    {
        static int runs = 0;
        fs::path capture = dir_ / ("capture" + std::to_string(++runs));
        fs::create_directories(capture);
        fs::path out = dir_ / "out.txt", err = dir_ / "err.txt";
        std::string cmd = "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy ZORB_CAPTURE='" + capture.string() + "' " +
                          env + " timeout 120 " + program + " " + args + " >'" + out.string() + "' 2>'" + err.string() +
                          "' </dev/null";
        Result r;
        int raw = std::system(cmd.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = Slurp(out);
        r.err = Slurp(err);
        std::vector<fs::path> files;
        for (auto &e : fs::directory_iterator(capture))
            files.push_back(e.path());
        std::sort(files.begin(), files.end());
        for (auto &f : files)
            r.frames.push_back(Slurp(f));
        return r;
    }

    Result Play(const std::string &args, const std::string &env = "") { return Run(kBin + "zorbplw", args, env); }

    // The frames zbxinfo --dump writes for a file, in order.
    std::vector<std::string> Dump(const std::string &file)
    {
        fs::path out = dir_ / "dump";
        fs::remove_all(out);
        std::string cmd = kBin + "zbxinfo --dump '" + out.string() + "' '" + file + "' >/dev/null 2>&1";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
        std::vector<fs::path> files;
        for (auto &e : fs::directory_iterator(out))
            if (e.path().filename().string().rfind("frame_", 0) == 0)
                files.push_back(e.path());
        std::sort(files.begin(), files.end());
        std::vector<std::string> frames;
        for (auto &f : files)
            frames.push_back(Slurp(f));
        return frames;
    }

    fs::path dir_;
};

// A small animation whose frames all differ, with a palette change.
// Frames carry no skipped blocks, so a frame looks the same whatever was
// shown before it (looping, several files).
zbxgen::Description Movie(uint32_t seed, size_t frames = 6, uint32_t w = 64, uint32_t h = 32)
{
    zbxgen::Description d;
    d.options.skipUnchanged = false;
    d.width = w;
    d.height = h;
    d.frameRate = 10;
    d.options.seed = seed;
    zbxgen::Rng rng(seed);
    std::vector<uint8_t> previous;
    for (size_t i = 0; i < frames; ++i) {
        zbxgen::Frame f;
        f.picture = zbxgen::MakePicture(w, h, zbxgen::Content::MostlySkipped, rng, i ? &previous : nullptr);
        // Mark the frame so every frame differs from the others.
        f.picture[0] = static_cast<uint8_t>(seed * 16 + i);
        if (i == 0 || i == frames / 2)
            f.palette = zbxgen::RandomPalette(rng);
        previous = f.picture;
        d.frames.push_back(std::move(f));
    }
    return d;
}

// Where two captures first differ (for failure messages).
std::string FirstDifference(const std::string &a, const std::string &b)
{
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i])
        ++i;
    return "sizes " + std::to_string(a.size()) + "/" + std::to_string(b.size()) + ", first difference at " +
           std::to_string(i);
}

// A file's frames as the player captures them: picture then the palette.
std::vector<std::string> Expected(const zbxgen::Description &d)
{
    std::vector<std::string> frames;
    for (size_t i = 0; i < d.frames.size(); ++i) {
        std::vector<uint8_t> pic = zbxgen::PictureAt(d, i);
        auto pal = zbxgen::PaletteAt(d, i);
        std::string s(pic.begin(), pic.end());
        s.append(pal.begin(), pal.end());
        frames.push_back(s);
    }
    return frames;
}

} // namespace

TEST_F(PlayerRun, CapturedFramesEqualTheRawDump)
{
    for (uint32_t seed : {1u, 2u, 3u}) {
        zbxgen::Description d = zbxgen::RandomDescription(seed);
        std::string file = Make("random" + std::to_string(seed) + ".zbx", d);
        Result r = Play("'" + file + "' /F /T0");
        ASSERT_EQ(r.status, 0) << r.err;
        std::vector<std::string> dump = Dump(file);
        // The dump lists each stored frame once (the ring frame last); the
        // player shows the frames in playing order, which is the same order
        // for a single pass without looping.
        ASSERT_GE(dump.size(), r.frames.size()) << "seed " << seed;
        ASSERT_EQ(r.frames.size(), d.frames.size()) << "seed " << seed;
        for (size_t i = 0; i < r.frames.size(); ++i)
            EXPECT_TRUE(r.frames[i] == dump[i]) << "seed " << seed << " frame " << i;
    }
}

// /L counts passes of the file. A file with a ring frame shows frames
// 0..N-1 on its first pass and the ring frame (back to frame 0's picture),
// then 1..N-1 on every further pass: each pass shows every picture once.
TEST_F(PlayerRun, LoopCountsPassesWithAndWithoutTheRingFrame)
{
    for (bool ring : {false, true}) {
        zbxgen::Description d = Movie(1, 4);
        if (ring) {
            zbxgen::Frame back;
            back.picture = d.frames[0].picture;
            back.palette = d.frames[0].palette;
            d.ringFrame = back;
        }
        const std::string file = Make(ring ? "ring.zbx" : "plain.zbx", d);
        const auto frames = Expected(d);
        for (int passes : {1, 2, 3}) {
            Result r = Play(file + " /F /L" + std::to_string(passes));
            ASSERT_EQ(r.status, 0) << r.err;
            ASSERT_EQ(r.frames.size(), 4u * passes) << (ring ? "ring" : "plain") << " /L" << passes;
            for (size_t i = 0; i < r.frames.size(); ++i)
                EXPECT_TRUE(r.frames[i] == frames[i % 4]) << (ring ? "ring" : "plain") << " /L" << passes << " frame "
                                                          << i << ": " << FirstDifference(r.frames[i], frames[i % 4]);
        }
        EXPECT_EQ(Play(file + " /F /L0").frames.size(), 4u) << "/L0 leaves one pass";
    }
}

TEST_F(PlayerRun, SeveralFilesLoopAsAList)
{
    zbxgen::Description a = Movie(1, 3), b = Movie(2, 2);
    std::string fa = Make("a.zbx", a), fb = Make("b.zbx", b);
    Result r = Play(fa + " , " + fb + " /F /L2");
    ASSERT_EQ(r.status, 0) << r.err;
    auto ea = Expected(a), eb = Expected(b);
    std::vector<std::string> want;
    for (int pass = 0; pass < 2; ++pass) {
        want.insert(want.end(), ea.begin(), ea.end());
        want.insert(want.end(), eb.begin(), eb.end());
    }
    EXPECT_TRUE(r.frames == want) << r.frames.size() << " frames";
}

TEST_F(PlayerRun, FrameRatesInTheSummary)
{
    std::string file = Make("a.zbx", Movie(1, 3));
    Result fast = Play(file + " /F /S");
    EXPECT_NE(fast.out.find("  Frame rate: As fast as possible.\n"), std::string::npos);
    EXPECT_NE(fast.out.find(file + ": 3 frames in "), std::string::npos) << fast.out; // the rate reached
    EXPECT_NE(fast.out.find(" frames per second"), std::string::npos);
    EXPECT_EQ(Play(file + " /F15").out.find("frames per second"), std::string::npos);
    EXPECT_NE(Play(file + " /F15 /S").out.find("  Frame rate: 15.0\n"), std::string::npos);
    EXPECT_NE(Play(file + " /F-66 /S").out.find("  Frame rate: 15.1\n"), std::string::npos);
    Result r = Play(file + " /F-1 /S"); // the file's own 10 ms per frame
    EXPECT_NE(r.out.find("  Frame rate: 100.0\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  Total frames played: 3\n"), std::string::npos);
    EXPECT_NE(r.out.find("Second slowest"), std::string::npos);
    EXPECT_EQ(r.out.find('\r'), std::string::npos) << "the summary's lines end in \\n alone";
}

TEST_F(PlayerRun, SummaryOfASingleFrameFile)
{
    std::string file = Make("one.zbx", Movie(3, 1));
    Result r = Play(file + " /S");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("  Total frames played: 1\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  Slowest frame: 1  Frame rate: "), std::string::npos);
    EXPECT_EQ(r.out.find("Second slowest"), std::string::npos);
    EXPECT_NE(r.out.find("  Display blitter: "), std::string::npos);
}

TEST_F(PlayerRun, TrackMaskChoosesTheSound)
{
    zbxgen::Description d = Movie(4, 6);
    zbxgen::SoundFormat fmt;
    fmt.rate = 8000;
    d.tracks[0] = fmt;
    zbxgen::Rng rng(9);
    for (auto &f : d.frames) {
        zbxgen::SoundChunk chunk;
        chunk.pcm = zbxgen::RandomSound(fmt, 80, rng);
        f.sound[0] = chunk;
    }
    std::string file = Make("s.zbx", d);
    fs::path wav = dir_ / "audio.raw";
    std::string disk = "SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE='" + wav.string() + "'";
    Play(file + " /T0", disk);
    EXPECT_TRUE(!fs::exists(wav) || fs::file_size(wav) == 0);
    Result r = Play(file + " /T1 /S", disk);
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(fs::exists(wav));
    EXPECT_GT(fs::file_size(wav), 0u);
}

TEST_F(PlayerRun, SoundOnlyShowsAProgressBar)
{
    zbxgen::Description d = Movie(5, 4);
    Result r = Play(Make("a.zbx", d) + " /F /O");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.frames.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        ASSERT_EQ(r.frames[i].size(), 160u + 768u);
        size_t lit = i * 160 / 4 + 1;
        EXPECT_EQ(static_cast<uint8_t>(r.frames[i][lit - 1]), 9);
        EXPECT_EQ(static_cast<uint8_t>(r.frames[i][lit]), 0);
    }
}

TEST_F(PlayerRun, DifferencesOnly)
{
    zbxgen::Description d = Movie(6, 3);
    d.options.skipUnchanged = true;
    d.options.variety = false;
    Result r = Play(Make("a.zbx", d) + " /F /K");
    ASSERT_EQ(r.frames.size(), 3u);
    auto full = Expected(d);
    // The first frame is all new; later ones show only their changed blocks.
    EXPECT_TRUE(r.frames[0] == full[0]);
    EXPECT_TRUE(r.frames[1] != full[1]);
    const size_t pixels = 64 * 32;
    size_t zeros = 0;
    for (size_t i = 0; i < pixels; ++i)
        zeros += r.frames[1][i] == 0;
    EXPECT_GT(zeros, pixels / 4);
}

TEST_F(PlayerRun, HeightScalingSwitches)
{
    zbxgen::Description d = Movie(7, 2, 64, 16);
    d.heightMode = zbxgen::HeightMode::Doubled;
    std::string file = Make("dbl.zbx", d);
    EXPECT_EQ(Play(file + " /F").frames.at(0).size(), 64u * 32 + 768);
    EXPECT_EQ(Play(file + " /F /A3").frames.at(0).size(), 64u * 16 + 768);
    // A typed /A0 gives a self-playing copy's embedded /A3 back to the file.
    std::string copy = (dir_ / "selfplay").string();
    ASSERT_EQ(Run(kBin + "zbxcompi", "-s '/F /A3' " + kBin + "zorbplw " + copy + " " + file).status, 0);
    EXPECT_EQ(Run(copy, "").frames.at(0).size(), 64u * 16 + 768);
    EXPECT_EQ(Run(copy, "/A0").frames.at(0).size(), 64u * 32 + 768);
    d.heightMode = zbxgen::HeightMode::Normal;
    std::string plain = Make("plain.zbx", d);
    EXPECT_EQ(Play(plain + " /F /A2").frames.at(0).size(), 64u * 32 + 768);
    EXPECT_EQ(Play(plain + " /F /A1").frames.at(0).size(), 64u * 32 + 768);
}

TEST_F(PlayerRun, KeysEscSkipPauseAndStep)
{
    zbxgen::Description a = Movie(1, 3), b = Movie(2, 4), c = Movie(3, 2);
    std::string files = Make("a.zbx", a) + " " + Make("b.zbx", b) + " " + Make("c.zbx", c);
    // Esc after the second frame of the second file ends everything.
    Result r = Play(files + " /F", "ZORBPLW_TEST_KEYS=5:27");
    EXPECT_EQ(r.frames.size(), 5u);
    // "." there moves on to the third file.
    r = Play(files + " /F", "ZORBPLW_TEST_KEYS=5:46");
    ASSERT_EQ(r.frames.size(), 7u);
    EXPECT_TRUE(r.frames[5] == Expected(c)[0]);
    // /U2 disables the skip key, /U4 the quit key.
    EXPECT_EQ(Play(files + " /F /U2", "ZORBPLW_TEST_KEYS=5:46").frames.size(), 9u);
    EXPECT_EQ(Play(files + " /F /U4", "ZORBPLW_TEST_KEYS=5:27").frames.size(), 9u);
    // Space pauses; each Enter shows one more frame; Space again resumes.
    r = Play(files + " /F", "ZORBPLW_TEST_KEYS=1:32,1:13,2:13,3:32");
    EXPECT_EQ(r.frames.size(), 9u);
    // Closing the window stops like Esc, also when /U4 disables Esc.
    EXPECT_EQ(Play(files + " /F", "ZORBPLW_TEST_KEYS=2:241").frames.size(), 2u);
    EXPECT_EQ(Play(files + " /F /U4", "ZORBPLW_TEST_KEYS=2:241").frames.size(), 2u);
}

TEST_F(PlayerRun, UsageAndOpenErrors)
{
    std::string file = Make("a.zbx", Movie(1, 2));
    // An unknown switch is named in one line, with the way to the usage.
    Result r = Play(file + " /Pfoo");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "zorbplw: unknown switch \"/Pfoo\" (zorbplw --help lists the switches)\n");
    EXPECT_TRUE(r.frames.empty());
    r = Play(file + " /S /Q7x");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("\"/Q7x\""), std::string::npos) << r.err;
    // No file: the usage text, every line ending in "\n" alone.
    r = Play("");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("SYNTAX: ZorbPly <Zorb1 Zorb2...> [/Switches]\n"), std::string::npos);
    EXPECT_EQ(r.err.find('\r'), std::string::npos);
    r = Play("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("    /L##\t- Loop the animation (/L for infinite).\n"), std::string::npos);
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
    r = Play((dir_ / "missing").string());
    EXPECT_NE(r.err.find("Error opening file: " + (dir_ / "missing").string() + ".Zbx."), std::string::npos) << r.err;
    // A name without extension finds "a.zbx" (".Zbx" added, case ignored).
    r = Play((dir_ / "a").string() + " /F");
    EXPECT_EQ(r.frames.size(), 2u) << r.err;
}

TEST_F(PlayerRun, SelfPlayingCopyPlaysItsEmbeddedFile)
{
    zbxgen::Description d = Movie(8, 3);
    std::string file = Make("a.zbx", d);
    std::string copy = (dir_ / "selfplay").string();
    Result made = Run(kBin + "zbxcompi", "-s '/F /L2' " + kBin + "zorbplw " + copy + " " + file);
    ASSERT_EQ(made.status, 0) << made.err;
    Result r = Run(copy, "");
    ASSERT_EQ(r.status, 0) << r.err;
    auto want = Expected(d);
    ASSERT_EQ(r.frames.size(), 6u);
    for (size_t i = 0; i < 6; ++i)
        EXPECT_TRUE(r.frames[i] == want[i % 3]) << i;
    // Typed switches override the embedded ones.
    EXPECT_EQ(Run(copy, "/L1").frames.size(), 3u);
    // A command line that does not fit is refused.
    std::string longSwitches(300, 'x');
    EXPECT_NE(Run(kBin + "zbxcompi", "-s '/F" + longSwitches + "' " + kBin + "zorbplw " + copy + "2 " + file).status,
              0);
    EXPECT_FALSE(fs::exists(copy + "2"));
}

TEST_F(PlayerRun, ReportsToTheFrontEnd)
{
    std::string file = Make("a.zbx", Movie(9, 2));
    {
        zorb::test::LinkServer frontEnd;
        Result r = Play(file + " /F /#" + std::to_string(frontEnd.frontEnd()));
        ASSERT_EQ(r.status, 0) << r.err;
        ASSERT_TRUE(frontEnd.waitForMessages(3, 5000));
        auto messages = frontEnd.messages();
        EXPECT_EQ(messages[0].code, 1u);     // title query
        EXPECT_EQ(messages[1].code, 10019u); // hello
        EXPECT_EQ(messages.back().code, 4660u);
        EXPECT_EQ(messages.back().text().rfind("ZorbPlay - V3.1n  ", 0), 0u);
        // Started by the front end: no closing information box.
        EXPECT_EQ(r.err.find("ZorbPlay - V3.1n:"), std::string::npos);
    }
    {
        // Answer 8995 to the hello: the player forgets the front end.
        zorb::test::LinkServer frontEnd;
        frontEnd.setAnswer(10019, 8995);
        Result r = Play(file + " /F /#" + std::to_string(frontEnd.frontEnd()));
        ASSERT_EQ(r.status, 0) << r.err;
        for (const auto &m : frontEnd.messages())
            EXPECT_NE(m.code, 4660u);
    }
}
