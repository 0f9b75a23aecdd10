// What the tools say and do when something is wrong, as a user meets it: the
// same words for a damaged Zorblax file in every tool, the output's name and
// the system's reason when an output cannot be made, damaged inputs used up
// to the damage, impossible requests refused, and the conventions of inputs
// and outputs (the name as given first, content over extension, /O, /Q, "-").
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "codec/zorb.h"
#include "tests/support/gfx_images.h"
#include "tests/support/run_tool.h"
#include "tests/tool_rules/fixtures.h"

namespace {

using rules::Bin;
using rules::TempDir;
using zorb::test::RunTool;

constexpr int kFrames = 30;

class MessagesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = new TempDir;
        const std::string d = dir_->path;
        ASSERT_TRUE(rules::WriteClip(d + "/clip.zbx", kFrames));
        rules::WriteWave(d + "/in.wav", 1);
        rules::WriteWave(d + "/long.wav", 3); // longer than the clip's 1.2 seconds
        const std::vector<uint8_t> clip = rules::ReadAll(d + "/clip.zbx");
        // Cut short by 410 bytes: only the last frame is touched.
        rules::WriteAll(d + "/cut.zbx", std::vector<uint8_t>(clip.begin(), clip.end() - 410));
        // The magic and six bytes more: too short for the header.
        rules::WriteAll(d + "/ten.zbx", std::vector<uint8_t>(clip.begin(), clip.begin() + 10));
        // The same file without an extension, and with a misleading one.
        rules::WriteAll(d + "/clip", clip);
        rules::WriteAll(d + "/clip.avi", clip);
        mkdir((d + "/sub").c_str(), 0777);
        mkdir((d + "/isdir.wav").c_str(), 0777);
        std::system(("cp '" + Bin("zorbplw") + "' '" + d + "/myplayer'").c_str());
    }
    static void TearDownTestSuite()
    {
        delete dir_;
        dir_ = nullptr;
    }
    static std::string D() { return dir_->path; }

    static TempDir *dir_;
};

TempDir *MessagesTest::dir_ = nullptr;

struct Expect {
    const char *program;
    std::string args;
    int status;
    std::vector<std::string> says; // each appears exactly once
};

void Check(const Expect &e)
{
    const auto r = RunTool(e.program, e.args);
    EXPECT_EQ(r.status, e.status) << e.program << " " << e.args << "\n" << r.output;
    for (const std::string &s : e.says) {
        size_t count = 0;
        for (size_t at = r.output.find(s); at != std::string::npos; at = r.output.find(s, at + 1))
            ++count;
        EXPECT_EQ(count, 1u) << e.program << " " << e.args << ": \"" << s << "\" in\n" << r.output;
    }
}

TEST_F(MessagesTest, ADamagedZorblaxFileGetsTheDecodersReasonInEveryTool)
{
    const std::string ten = D() + "/ten.zbx", o = D() + "/sub/";
    const std::string why = "ten.zbx: not a Zorblax file, or damaged: the file is too short for its header";
    for (const Expect &e : std::vector<Expect>{
             {"zbxinfo", ten, 1, {why}},
             {"zorbc", ten + " " + o + "a.zbx", 1, {why}},
             {"pictproc", ten + " " + o + "a.flc", 1, {why}},
             {"zorbfr", ten + " " + o + "b.zbx /F10", 1, {why}},
             {"zorbmix", ten + " " + D() + "/in.wav " + o + "c.zbx", 1, {why}},
             {"zbxcompi", Bin("zorbplw") + " " + o + "self " + ten, 1, {why}},
             {"zbxinfo", "--dump " + o + "dump " + ten, 1, {why}},
         })
        Check(e);
    EXPECT_TRUE(rules::Listing(D() + "/sub").empty());
}

TEST_F(MessagesTest, AFileCutShortIsUsedUpToTheDamage)
{
    const std::string cut = D() + "/cut.zbx";
    const std::string bad = "frame 30 is damaged or cut off";
    Check({"zbxinfo", cut, 1, {bad + "; the 29 frames before it are whole"}});
    Check({"zorbc", cut + " " + D() + "/fromcut.zbx /O", 1, {bad + "; the 29 frames before it were converted."}});
    ZorbHandle *h = ZorbOpen(const_cast<char *>((D() + "/fromcut.zbx").c_str()), 0, -1);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->FrameCount, 29u);
    ZorbClose(h);
    Check({"pictproc", cut + " " + D() + "/fromcut.flc /O", 1, {bad + "; the 29 frames before it were converted."}});
    struct stat st {};
    EXPECT_EQ(stat((D() + "/fromcut.flc").c_str(), &st), 0);
    // Retimed and mixed up to the damage as well.
    const std::string fr = D() + "/fromcut-fr.zbx", mix = D() + "/fromcut-mix.zbx";
    Check({"zorbfr", cut + " " + fr + " /F25 /O", 1, {bad + "; the 29 frames before it were converted."}});
    Check({"zorbmix", cut + " " + D() + "/in.wav " + mix + " /O", 1, {bad + "; the 29 frames before it were mixed."}});
    for (const std::string &name : {fr, mix}) {
        h = ZorbOpen(const_cast<char *>(name.c_str()), 0, -1);
        ASSERT_NE(h, nullptr) << name;
        EXPECT_EQ(h->FrameCount, 29u) << name;
        EXPECT_EQ(h->IntactFrames, 29u) << name;
        ZorbClose(h);
    }
}

TEST_F(MessagesTest, ASoundLongerThanTheVideoIsCutWithAWarning)
{
    const std::string clip = D() + "/clip.zbx", o = D() + "/mixed.zbx";
    const std::string said = "long.wav: the last 1.80 seconds of the sound run past the video's end and were cut.";
    Check({"zorbmix", clip + " " + D() + "/long.wav " + o + " /O /Q", 0, {said}});
    // Starting at frame 11 puts 0.4 seconds of lead-in before it.
    Check({"zorbmix",
           clip + " " + D() + "/long.wav " + o + " /O /Q /G11",
           0,
           {"long.wav: the last 2.20 seconds of the sound run past the video's end and were cut."}});
    // Asked for: a loop cut at the end, a sound that fits.
    for (const std::string &args : {D() + "/long.wav " + o + " /O /Q /P", D() + "/in.wav " + o + " /O /Q"}) {
        const auto r = RunTool("zorbmix", clip + " " + args);
        EXPECT_EQ(r.status, 0) << args;
        EXPECT_EQ(r.output, "") << args;
    }
    std::remove(o.c_str());
}

TEST_F(MessagesTest, ThePlayerShowsEveryIntactFrameOfAFileCutShort)
{
    TempDir capture;
    const std::string cmd = "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy ZORBLAX_NO_BOX=1 ZORB_CAPTURE='" +
                            capture.path + "' timeout 60 " + Bin("zorbplw") + " /F '" + D() +
                            "/cut.zbx' </dev/null >'" + capture.path + ".out' 2>&1";
    const int raw = std::system(cmd.c_str());
    const std::vector<uint8_t> said = rules::ReadAll(capture.path + ".out");
    std::remove((capture.path + ".out").c_str());
    const std::string text(said.begin(), said.end());
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 1) << text;
    EXPECT_NE(text.find("cut.zbx: frame 30 is damaged or cut off; the 29 frames before it were played."),
              std::string::npos)
        << text;
    EXPECT_EQ(rules::Listing(capture.path).size(), 29u);
}

TEST_F(MessagesTest, OutputsThatCannotBeMadeAreNamedWithTheReason)
{
    const std::string clip = D() + "/clip.zbx";
    for (const Expect &e : std::vector<Expect>{
             {"pictproc",
              clip + " " + D() + "/nodir/x.flc",
              1,
              {"Error creating " + D() + "/nodir/x.flc: no such file or directory"}},
             {"pictproc",
              clip + " " + D() + "/nodir/x.avi",
              1,
              {"Error creating " + D() + "/nodir/x.avi: no such file or directory"}},
             {"pictproc",
              clip + " " + D() + "/sub/odd.flc /W63",
              1,
              {"Error creating " + D() + "/sub/odd.flc: a flic needs an even width"}},
             {"sndproc",
              D() + "/in.wav " + D() + "/isdir.wav /O",
              1,
              {"Error creating " + D() + "/isdir.wav: is a directory"}},
         })
        Check(e);
}

TEST_F(MessagesTest, AnImageThatCannotBeReadGetsItsReason)
{
    const std::string o = D() + "/sub/";
    const std::string too = ": the picture is 20000 x 4 pixels: too large (at most 16384 pixels a side)";
    const std::vector<uint8_t> palette(768, 200);
    for (const char *kind : {"PNG8", "BMP3", "GIF"}) {
        std::string ext = kind;
        ext = ext == "PNG8" ? ".png" : ext == "BMP3" ? ".bmp" : ".gif";
        const std::string wide = D() + "/wide" + ext;
        ASSERT_TRUE(gfxsamples::WritePalettedImage(kind, wide, 20000, 4, std::vector<uint8_t>(80000, 1), palette));
        for (const Expect &e : std::vector<Expect>{
                 {"zorbc", wide + " " + o + "w.zbx", 1, {"Error opening " + wide + too}},
                 {"zorbc", wide + " " + o + "w.flc", 1, {"Error opening " + wide + too}},
                 {"pictproc", wide + " " + o + "w.bmp", 1, {"Error opening " + wide + too}},
             })
            Check(e);
    }
    // A file that is no picture at all keeps the general words.
    rules::WriteAll(D() + "/junk.png", {'n', 'o', 'p', 'e'});
    Check({"zorbc", D() + "/junk.png " + o + "w.zbx", 1, {"junk.png: not a graphics file it can read"}});
    EXPECT_TRUE(rules::Listing(D() + "/sub").empty());
}

TEST_F(MessagesTest, SelfPlayingCopiesFollowTheWritersRules)
{
    const std::string clip = D() + "/clip.zbx", player = Bin("zorbplw"), out = D() + "/sub/self";
    for (const Expect &e : std::vector<Expect>{
             {"zbxcompi", D() + "/sub " + out + " " + clip, 1, {"sub: is a directory"}},
             {"zbxcompi", player + " " + out + " " + D() + "/sub", 1, {"sub: is a directory"}},
             {"zbxcompi",
              player + " " + clip + " " + clip,
              1,
              {"clip.zbx: the output file must be different from the input file"}},
             {"zbxcompi",
              D() + "/myplayer " + D() + "/myplayer " + clip,
              1,
              {"myplayer: the output file must be different from the player"}},
             {"zbxcompi", player + " " + out + " " + clip, 0, {}},
             {"zbxcompi", player + " " + out + " " + clip, 1, {"self: exists and was not overwritten (use /O)"}},
             {"zbxcompi", player + " " + out + " " + clip + " /O /Q", 0, {}},
         })
        Check(e);
    EXPECT_EQ(rules::ReadAll(clip).size() + 0, rules::ReadAll(D() + "/clip").size());
    std::remove(out.c_str());
}

TEST_F(MessagesTest, ImpossibleRequestsAreRefused)
{
    const std::string clip = D() + "/clip.zbx", o = D() + "/sub/x.zbx";
    for (const Expect &e : std::vector<Expect>{
             {"zorbc", clip + " " + o + " /B12", 2, {"/B takes 8 or 16 bits."}},
             {"zorbc", clip + " " + o + " /F100000", 2, {"/F takes at most 1000 frames per second"}},
             {"zorbc", clip + " " + o + " /S20 /E10", 2, {"/S (the first frame) must not come after /E"}},
             {"zorbfr", clip + " " + o + " /F100000", 2, {"/F takes at most 1000 frames per second"}},
             {"zorbmix", clip + " " + D() + "/in.wav " + o + " /G500", 2, {"/G500: " + clip + " has only 30 frames."}},
             {"zorbmix", clip + " " + D() + "/in.wav " + o + " /B12", 2, {"/B takes 8 or 16 bits."}},
             // A first frame past the end, into every kind of output.
             {"zorbc", clip + " " + o + " /S31", 2, {"zorbc: /S31: " + clip + " has only 30 frames."}},
             {"zorbc", clip + " " + D() + "/sub/x.flc /S31 /E40", 2, {"/S31: " + clip + " has only 30 frames."}},
             {"zorbc", clip + " " + D() + "/sub/x.y4m /S200", 2, {"/S200: " + clip + " has only 30 frames."}},
             {"pictproc",
              clip + " " + D() + "/sub/x.bmp /S31",
              2,
              {"pictproc: /S31: " + clip + " has only 30 frames."}},
         })
        Check(e);
    EXPECT_TRUE(rules::Listing(D() + "/sub").empty());
    // A last frame past the end runs to the end, and says so.
    const std::string to = "/E40: " + clip + " has only 30 frames, so /E30 is used.";
    for (const Expect &e : std::vector<Expect>{
             {"zorbc", clip + " " + o + " /S29 /E40 /Q", 0, {to}},
             {"zorbc", clip + " " + D() + "/sub/x.flc /S29 /E40 /Q", 0, {to}},
         })
        Check(e);
    ZorbHandle *h = ZorbOpen(const_cast<char *>(o.c_str()), 0, -1);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->FrameCount, 2u);
    ZorbClose(h);
    std::remove(o.c_str());
    std::remove((D() + "/sub/x.flc").c_str());
}

TEST_F(MessagesTest, NamesAreOpenedAsGivenFirstAndContentDecidesTheKind)
{
    Check({"zbxinfo", D() + "/clip", 0, {"frames:          30"}});
    Check({"pictproc", D() + "/clip " + D() + "/fromplain.flc /O /Q", 0, {}});
    Check({"pictproc", D() + "/clip.avi " + D() + "/fromavi.flc /O /Q", 0, {}});
    EXPECT_EQ(rules::ReadAll(D() + "/fromplain.flc"), rules::ReadAll(D() + "/fromavi.flc"));
}

TEST_F(MessagesTest, OverwritingKeepsModeAndFollowsSymbolicLinks)
{
    const std::string out = D() + "/kept.wav", link = D() + "/link.wav";
    Check({"sndproc", D() + "/in.wav " + out + " /Q", 0, {}});
    ASSERT_EQ(chmod(out.c_str(), 0640), 0);
    ASSERT_EQ(symlink(out.c_str(), link.c_str()), 0);
    Check({"sndproc", D() + "/in.wav " + link + " /C1 /O /Q", 0, {}});
    struct stat st {};
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(stat(out.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(rules::ReadAll(out)[22], 1); // mono now: the target was rewritten
    std::remove(link.c_str());
    std::remove(out.c_str());
}

TEST_F(MessagesTest, QuietKeepsErrorsOnly)
{
    const auto quiet = RunTool("sndproc", D() + "/in.wav " + D() + "/sub/q.wav /Q");
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.output, "");
    std::remove((D() + "/sub/q.wav").c_str());
    Check({"sndproc", D() + "/missing.wav " + D() + "/sub/q.wav /Q", 1, {"missing.wav: no such file or directory"}});
    const auto dump = RunTool("zbxinfo", "--dump " + D() + "/sub/qd " + D() + "/clip.zbx /Q");
    EXPECT_EQ(dump.status, 0);
    EXPECT_EQ(dump.output, "");
    std::system(("rm -rf '" + D() + "/sub/qd'").c_str());
}

TEST_F(MessagesTest, StandardInputAndOutput)
{
    const std::string out = D() + "/piped.wav";
    const std::string cmd = "cat '" + D() + "/in.wav' | " + Bin("sndproc") + " - - /C1 2>/dev/null | " +
                            Bin("sndproc") + " - '" + out + "' /O /Q";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const std::vector<uint8_t> w = rules::ReadAll(out);
    ASSERT_GE(w.size(), 44u);
    EXPECT_EQ(w[22], 1);                      // mono
    EXPECT_EQ(w.size() - 44, 44100u * 2 * 1); // one second of 16-bit mono
    std::remove(out.c_str());
    const std::string info = D() + "/info.txt";
    ASSERT_EQ(std::system((Bin("zbxinfo") + " - < '" + D() + "/clip.zbx' > '" + info + "'").c_str()), 0);
    const std::vector<uint8_t> text = rules::ReadAll(info);
    EXPECT_NE(std::string(text.begin(), text.end()).find("frames:          30"), std::string::npos);
    std::remove(info.c_str());
}

TEST_F(MessagesTest, DumpWritesIntoAFreshDirectory)
{
    const std::string dump = D() + "/sub/dump", clip = D() + "/clip.zbx";
    Check({"zbxinfo", "--dump " + dump + " " + clip + " /Q", 0, {}});
    EXPECT_EQ(rules::Listing(dump).size(), kFrames + 2u);
    Check({"zbxinfo", "--dump " + dump + " " + clip, 1, {"the directory is not empty (use /O"}});
    Check({"zbxinfo", "--dump " + dump + " " + clip + " /O /Q", 0, {}});
    EXPECT_EQ(rules::Listing(dump).size(), kFrames + 2u);
    rules::WriteAll(dump + "/notes.txt", {'x'});
    Check({"zbxinfo", "--dump " + dump + " " + clip + " /O", 1, {"the directory is not empty"}});
    EXPECT_EQ(rules::Listing(dump).size(), kFrames + 3u); // nothing of the user's removed
    std::system(("rm -rf '" + dump + "'").c_str());
}

TEST_F(MessagesTest, EveryToolAnswersHelpAndVersion)
{
    for (const char *program : {"zbxdemo", "zbxcompi", "zbxinfo", "zorbc", "sndproc"}) {
        EXPECT_EQ(RunTool(program, "--help").status, 0) << program;
        const auto v = RunTool(program, "--version");
        EXPECT_EQ(v.status, 0) << program;
        EXPECT_NE(v.output.find(std::string(program) + " (Zorblax toolkit)"), std::string::npos) << v.output;
    }
}

} // namespace

namespace {

TEST_F(MessagesTest, DumpAsAStreamHoldsWhatTheDirectoryHolds)
{
    const std::string dump = D() + "/sub/streamed", clip = D() + "/clip.zbx", stream = D() + "/dump.bin";
    ASSERT_EQ(std::system((Bin("zbxinfo") + " --dump " + dump + " " + clip + " /Q").c_str()), 0);
    ASSERT_EQ(std::system((Bin("zbxinfo") + " --dump - " + clip + " /Q > " + stream).c_str()), 0);
    std::vector<uint8_t> expected;
    const std::string header = "ZBXDUMP 1 160 120 30 1\n";
    expected.insert(expected.end(), header.begin(), header.end());
    char name[32];
    for (int i = 1; i <= kFrames; ++i) {
        std::snprintf(name, sizeof name, "/frame_%05d.raw", i);
        const std::vector<uint8_t> frame = rules::ReadAll(dump + name);
        expected.insert(expected.end(), frame.begin(), frame.end());
    }
    const std::vector<uint8_t> wave = rules::ReadAll(dump + "/track_1.wav");
    const std::string track = "TRACK 1 " + std::to_string(wave.size()) + "\n";
    expected.insert(expected.end(), track.begin(), track.end());
    expected.insert(expected.end(), wave.begin(), wave.end());
    EXPECT_TRUE(rules::ReadAll(stream) == expected);
    std::system(("rm -rf '" + dump + "' '" + stream + "'").c_str());
}

} // namespace
