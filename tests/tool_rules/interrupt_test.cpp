// The interrupt rule of every program that writes: SIGINT, SIGTERM and SIGHUP
// at any moment of a run leave nothing in the output directory but what was
// there before (no partial output, no hidden temporary file, no image of an
// unfinished sequence), and the program ends by that signal.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "tests/tool_rules/fixtures.h"

namespace {

using rules::TempDir;
using rules::Tree;

pid_t Start(const std::vector<std::string> &args)
{
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        std::vector<char *> argv;
        for (const std::string &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        const std::string program = std::string(ZORB_BINARY_DIR) + "/bin/" + args[0];
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

enum class Moment { AtOnce, FirstOutput, Later };

struct Case {
    const char *name;
    std::vector<std::string> args; // "@IN" the input directory, "@OUT" the output directory
};

class InterruptTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        in_ = new TempDir;
        // Large enough that every tool is still busy a while after its first output appears.
        ASSERT_TRUE(rules::WriteClip(in_->path + "/in.zbx", 120));
        rules::WriteWave(in_->path + "/in.wav", 30); // half a minute
    }
    static void TearDownTestSuite()
    {
        delete in_;
        in_ = nullptr;
    }

    // Runs one case, interrupted by sig at the moment (sig 0: not at all);
    // checks what is left against `complete`, what a whole run leaves.
    // Returns what the run left.
    std::set<std::string> Interrupt(const Case &c, int sig, Moment moment, const std::set<std::string> &complete)
    {
        TempDir out;
        std::ofstream(out.path + "/already-there.txt") << "kept\n";
        const std::set<std::string> before = Tree(out.path);
        std::vector<std::string> args;
        for (std::string a : c.args) {
            for (const auto &[key, value] : {std::pair<std::string, std::string>{"@IN", in_->path},
                                             std::pair<std::string, std::string>{"@OUT", out.path}}) {
                const size_t at = a.find(key);
                if (at != std::string::npos)
                    a.replace(at, key.size(), value);
            }
            args.push_back(a);
        }
        const pid_t pid = Start(args);
        EXPECT_GT(pid, 0);
        int status = 0;
        if (sig == 0) {
            waitpid(pid, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << c.name << ": status " << status;
            return Tree(out.path);
        }
        bool ended = false;
        if (moment != Moment::AtOnce) {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            const auto wait = moment == Moment::Later ? std::chrono::milliseconds(150) : std::chrono::milliseconds(0);
            bool seen = false;
            auto seenAt = std::chrono::steady_clock::now();
            while (std::chrono::steady_clock::now() < deadline) {
                if (waitpid(pid, &status, WNOHANG) == pid) {
                    ended = true;
                    break;
                }
                if (!seen && Tree(out.path) != before) {
                    seen = true;
                    seenAt = std::chrono::steady_clock::now();
                }
                if (seen && std::chrono::steady_clock::now() - seenAt >= wait)
                    break;
                std::this_thread::sleep_for(std::chrono::microseconds(500));
            }
        }
        const std::string what = std::string(c.name) + " signal " + std::to_string(sig) + " moment " +
                                 std::to_string(static_cast<int>(moment));
        if (ended) {
            // Done before the moment came: a complete run, which must have worked.
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << what;
            ++finished_;
            return Tree(out.path);
        }
        kill(pid, sig);
        EXPECT_EQ(waitpid(pid, &status, 0), pid);
        const std::set<std::string> left = Tree(out.path);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
            ++finished_; // it had just finished
            return left;
        }
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << what << ": status " << status;
        // Nothing of the run, or (a signal after the last rename) its whole result.
        EXPECT_TRUE(left == before || left == complete) << what << ": " << ::testing::PrintToString(left);
        if (left == complete)
            ++finished_;
        return left;
    }

    static TempDir *in_;
    int finished_ = 0;
};

TempDir *InterruptTest::in_ = nullptr;

TEST_F(InterruptTest, EveryWriterLeavesOnlyWhatWasThereBefore)
{
    const std::string player = std::string(ZORB_BINARY_DIR) + "/bin/zorbplw";
    const std::vector<Case> cases = {
        {"zorbc", {"zorbc", "@IN/in.zbx", "@OUT/c.zbx", "/O"}},
        {"zorbc y4m", {"zorbc", "@IN/in.zbx", "@OUT/c.y4m"}}, // with its sound beside it, c.wav
        {"zorbmix", {"zorbmix", "@IN/in.zbx", "@IN/in.wav", "@OUT/m.zbx", "/L5"}},
        {"zorbfr", {"zorbfr", "@IN/in.zbx", "@OUT/f.zbx", "/F10"}},
        {"sndproc", {"sndproc", "@IN/in.wav", "@OUT/s.wav", "/R22050", "/C1"}},
        {"pictproc flc", {"pictproc", "@IN/in.zbx", "@OUT/p.flc"}},
        {"pictproc avi", {"pictproc", "@IN/in.zbx", "@OUT/p.avi"}},
        {"pictproc bmp", {"pictproc", "@IN/in.zbx", "@OUT/p.bmp"}},
        {"zbxcompi", {"zbxcompi", player, "@OUT/self", "@IN/in.zbx", "@IN/in.zbx", "@IN/in.zbx"}},
        {"zbxinfo --dump", {"zbxinfo", "--dump", "@OUT/dump", "@IN/in.zbx"}},
    };
    int runs = 0;
    for (const Case &c : cases) {
        const std::set<std::string> complete = Interrupt(c, 0, Moment::AtOnce, {});
        if (std::string(c.name) == "zorbc y4m") {
            EXPECT_EQ(complete, (std::set<std::string>{"already-there.txt", "c.wav", "c.y4m"}));
        }
        for (int sig : {SIGINT, SIGTERM, SIGHUP})
            for (Moment m : {Moment::AtOnce, Moment::FirstOutput, Moment::Later}) {
                Interrupt(c, sig, m, complete);
                ++runs;
            }
    }
    // Most runs were really interrupted in the middle.
    EXPECT_LT(finished_, runs / 3) << finished_ << " of " << runs << " runs ended before their signal";
}

} // namespace
