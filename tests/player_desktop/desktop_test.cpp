// The player on a desktop: a real X server (Xvfb) with a window manager
// (openbox). Runs with standard error redirected never wait for anybody; an
// error box closes by itself; a box never outlives the player; a file that
// cannot be opened first still says so in a box. Skipped without xvfb-run,
// openbox or xdotool.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/xvfb.h"
#include "tests/support/zbxgen.h"

namespace fs = std::filesystem;
using zorb::xvfb::Inside;

namespace {

const std::string kPlayer = std::string(ZORB_BINARY_DIR) + "/bin/zorbplw";

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The message boxes on the screen (their X windows), by their class.
std::vector<std::string> Boxes()
{
    std::vector<std::string> ids;
    std::string out = zorb::xvfb::Output("xdotool search --classname zorblax-box 2>/dev/null");
    size_t at = 0;
    while (at < out.size()) {
        size_t end = out.find('\n', at);
        if (end == std::string::npos)
            end = out.size();
        if (end > at)
            ids.push_back(out.substr(at, end - at));
        at = end + 1;
    }
    return ids;
}

bool WaitForBox(double seconds)
{
    const auto start = Clock::now();
    while (Since(start) < seconds) {
        if (!Boxes().empty())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

// A process that has ended (gone, or a zombie nobody reaped yet).
bool Ended(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    if (text.empty())
        return true;
    const size_t paren = text.rfind(')');
    return paren != std::string::npos && paren + 2 < text.size() && text[paren + 2] == 'Z';
}

class Desktop {
public:
    Desktop()
    {
        char dir[] = "/tmp/zorbdesktopXXXXXX";
        if (mkdtemp(dir))
            dir_ = dir;
        wm_ = zorb::xvfb::Start("exec openbox --sm-disable >/dev/null 2>&1");
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    ~Desktop()
    {
        if (wm_ > 0) {
            kill(wm_, SIGTERM);
            zorb::xvfb::Finish(wm_, 5);
        }
        if (!dir_.empty())
            fs::remove_all(dir_);
    }
    std::string Path(const std::string &name) const { return dir_ + "/" + name; }

    // Starts the player on the X server, standard error into a file.
    pid_t Play(const std::string &args, const std::string &env = "")
    {
        return zorb::xvfb::Start("exec env SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy " + env + " '" + kPlayer + "' " +
                                 args + " >'" + Path("out.txt") + "' 2>'" + Path("err.txt") + "' </dev/null");
    }
    std::string Err() const
    {
        std::ifstream in(Path("err.txt"));
        return std::string((std::istreambuf_iterator<char>(in)), {});
    }

private:
    std::string dir_;
    pid_t wm_ = -1;
};

TEST(PlayerDesktop, UnderXvfb)
{
    if (Inside())
        GTEST_SKIP() << "runs the child below";
    for (const char *tool : {"xvfb-run", "openbox", "xdotool"})
        if (!zorb::xvfb::Have(tool))
            GTEST_SKIP() << tool << " is missing";
    const std::string out = zorb::xvfb::RunSelf("PlayerDesktop.InXvfb");
    EXPECT_NE(out.find("[  PASSED  ] 1 test"), std::string::npos) << out;
}

TEST(PlayerDesktop, InXvfb)
{
    if (!Inside())
        GTEST_SKIP() << "only inside xvfb-run";
    Desktop desk;
    zbxgen::Rng rng(5);
    zbxgen::Description d;
    d.frameRate = 20;
    for (int i = 0; i < 4; ++i) {
        zbxgen::Frame f;
        f.picture = zbxgen::MakePicture(d.width, d.height, zbxgen::Content::Random, rng);
        if (i == 0)
            f.palette = zbxgen::RandomPalette(rng);
        d.frames.push_back(f);
    }
    const std::string movie = desk.Path("movie.zbx");
    ASSERT_TRUE(zbxgen::WriteFile(d, movie));
    std::vector<uint8_t> damaged = {'Z', 'B', 'X', '2'};
    for (int i = 0; i < 300; ++i)
        damaged.push_back(static_cast<uint8_t>(rng.Next()));
    const std::string broken = desk.Path("broken.zbx");
    ASSERT_TRUE(zbxgen::WriteBytes(damaged, broken));
    const std::string missing = desk.Path("missing.zbx");

    {
        // A run with standard error redirected plays and ends by itself: no
        // box at the end.
        const auto start = Clock::now();
        pid_t p = desk.Play("'" + movie + "'");
        int status = zorb::xvfb::Finish(p, 20);
        ASSERT_NE(status, -1) << "the player waited for somebody";
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << desk.Err();
        EXPECT_LT(Since(start), 6.0);
        EXPECT_EQ(desk.Err().find("Error"), std::string::npos) << desk.Err();
    }
    {
        // The asked-for summary: on standard output, and in a box that
        // closes by itself.
        const auto start = Clock::now();
        pid_t p = desk.Play("'" + movie + "' /S");
        EXPECT_TRUE(WaitForBox(10)) << "no box for the summary";
        int status = zorb::xvfb::Finish(p, 25);
        ASSERT_NE(status, -1) << "the summary box never closed";
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_LT(Since(start), 18.0);
        EXPECT_TRUE(Boxes().empty());
    }
    {
        // An error box closes by itself after about ten seconds; the text is
        // on standard error as well.
        const auto start = Clock::now();
        pid_t p = desk.Play("'" + missing + "'");
        EXPECT_TRUE(WaitForBox(5)) << "no box for the error";
        int status = zorb::xvfb::Finish(p, 25);
        ASSERT_NE(status, -1) << "the box never closed";
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
        EXPECT_GT(Since(start), 8.0);
        EXPECT_LT(Since(start), 16.0);
        EXPECT_NE(desk.Err().find("Error opening file: " + missing + "."), std::string::npos) << desk.Err();
        EXPECT_TRUE(Boxes().empty());
    }
    {
        // SIGTERM while a box is up: the player and the box both go.
        pid_t p = desk.Play("'" + missing + "'");
        ASSERT_TRUE(WaitForBox(5));
        const std::string box = Boxes().front();
        const pid_t boxPid = std::atoi(zorb::xvfb::Output("xdotool getwindowpid " + box + " 2>/dev/null").c_str());
        ASSERT_GT(boxPid, 0);
        EXPECT_NE(boxPid, p); // a child draws it
        kill(p, SIGTERM);
        int status = zorb::xvfb::Finish(p, 5);
        ASSERT_NE(status, -1);
        EXPECT_TRUE(WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) == 128 + SIGTERM));
        bool gone = false;
        for (int i = 0; i < 30 && !gone; ++i) {
            gone = Ended(boxPid) && Boxes().empty();
            if (!gone)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        EXPECT_TRUE(gone) << "the box outlived the player";
    }
    {
        // A damaged file first on the list: its error in a box, once.
        pid_t p = desk.Play("'" + broken + "' '" + movie + "'");
        EXPECT_TRUE(WaitForBox(5)) << "no box for the damaged file";
        EXPECT_EQ(Boxes().size(), 1u);
        kill(p, SIGTERM);
        zorb::xvfb::Finish(p, 5);
        EXPECT_NE(desk.Err().find("Error opening file: " + broken + "."), std::string::npos) << desk.Err();
    }
    {
        // A failure second in the list, with /S: its box, and none after it
        // (the summary goes to standard output only).
        const auto start = Clock::now();
        pid_t p = desk.Play("'" + movie + "' '" + missing + "' /S");
        EXPECT_TRUE(WaitForBox(10));
        int status = zorb::xvfb::Finish(p, 30);
        ASSERT_NE(status, -1);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
        EXPECT_LT(Since(start), 16.0) << "more than one box";
    }
    {
        // Unattended: the error on standard error only, at once.
        const auto start = Clock::now();
        pid_t p = desk.Play("'" + missing + "'", "ZORBLAX_NO_BOX=1");
        int status = zorb::xvfb::Finish(p, 10);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
        EXPECT_LT(Since(start), 4.0);
        EXPECT_NE(desk.Err().find("Error opening file: "), std::string::npos);
    }
}

} // namespace
