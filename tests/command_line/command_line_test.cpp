// The command-line rule every program follows, run on the real programs:
// --help and -h (usage on standard output, status 0), --version, status 1
// for missing and unreadable files with each error printed once naming the
// file and the reason, status 2 for usage errors.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/platform.h"
#include "tests/support/link_server.h"

namespace fs = std::filesystem;

namespace {

const std::string kBin = std::string(ZORB_BINARY_DIR) + "/bin/";
const std::string kDemo = std::string(ZORB_BINARY_DIR) + "/demo/demo.zbx";

struct Result {
    int status = -1;
    std::string out, err;
};

std::string Slurp(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

size_t Count(const std::string &text, const std::string &what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

class CommandLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("zorb_cli_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        std::ofstream(dir_ / "text.zbx") << "this is no Zorblax file, just text long enough to be read\n";
        fs::create_directories(dir_ / "folder.zbx");
        std::ofstream(dir_ / "text.bmp") << "this is no picture\n";
        std::ofstream(dir_ / "text.wav") << "this is no sound\n";
    }
    void TearDown() override { fs::remove_all(dir_); }

    // merged: standard error goes where standard output goes.
    Result Run(const std::string &program, const std::string &args, bool merged = false)
    {
        fs::path out = dir_ / "out.txt", err = dir_ / "err.txt";
        std::string cmd = "cd '" + dir_.string() + "' && QT_QPA_PLATFORM=offscreen timeout 60 " + kBin + program + " " +
                          args + " >'" + out.string() + "' 2>" + (merged ? "&1" : "'" + err.string() + "'") +
                          " </dev/null";
        Result r;
        int raw = std::system(cmd.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = Slurp(out);
        r.err = Slurp(err);
        return r;
    }
    fs::path dir_;
};

const char *const kPrograms[] = {"zorbplw",  "zorbscw", "zorbc",  "zorbmix", "zbxinfo", "zbxcompi",
                                 "pictproc", "sndproc", "zorbfr", "vexsiw",  "zorblaxw"};

TEST_F(CommandLine, HelpAndVersionOnEveryProgram)
{
    for (const char *p : kPrograms) {
        for (const char *help : {"--help", "-h"}) {
            Result r = Run(p, help);
            EXPECT_EQ(r.status, 0) << p << " " << help;
            std::string upper = r.out;
            for (char &ch : upper)
                ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            EXPECT_TRUE(upper.find("USAGE") != std::string::npos || upper.find("SYNTAX") != std::string::npos)
                << p << ": " << r.out;
            EXPECT_EQ(r.err, "") << p;
        }
        Result v = Run(p, "--version");
        EXPECT_EQ(v.status, 0) << p;
        EXPECT_EQ(v.out, std::string(p) + " (Zorblax toolkit) " + PlatformVersion() + "\nfile format ZBX2\n");
    }
}

TEST_F(CommandLine, FailuresNameTheFileAndTheReasonOnceAndExitOne)
{
    const std::string player = kBin + "zorbplw";
    const std::string missing = (dir_ / "missing.zbx").string();
    struct Case {
        const char *program;
        std::string args;
        std::string file;
        const char *reason;
    } cases[] = {
        {"zorbplw", missing, missing, "no such file"},
        {"zorbplw", "/tmp/no-such-dir-" + std::to_string(::getpid()) + "/film.zbx", "film.zbx", "no such file"},
        {"zorbplw", "text.zbx", "text.zbx", "not a Zorblax file"},
        {"zorbplw", "folder.zbx", "folder.zbx", "is a directory"},
        {"zorbc", missing + " out.zbx /O", missing, "no such file"},
        {"zorbc", "folder.zbx out.zbx /O", "folder.zbx", "is a directory"},
        {"zorbc", "/tmp/no-such-dir-" + std::to_string(::getpid()) + "/in.bmp out.zbx /O", "in.bmp", "no such file"},
        {"zorbc", "text.bmp out.zbx /O", "text.bmp", "not a graphics file"},
        {"zorbmix", missing + " text.zbx out.zbx /O", missing, "no such file"},
        {"zorbmix", kDemo + " text.wav out.zbx /O", "text.wav", "not a sound file"},
        {"sndproc", "text.wav out.wav /O", "text.wav", "not a sound file"},
        {"pictproc", "text.bmp out.bmp /O", "text.bmp", "not a graphics file"},
        {"zbxinfo", missing, missing, "no such file"},
        {"zbxcompi", player + " copy " + missing, missing, "no such file"},
        {"zbxcompi", player + " copy text.zbx", "text.zbx", "not a Zorblax file"},
    };
    for (const Case &c : cases) {
        Result r = Run(c.program, c.args);
        EXPECT_EQ(r.status, 1) << c.program << " " << c.args << ": " << r.err;
        EXPECT_EQ(Count(r.err, c.file), 1u) << c.program << " " << c.args << ": " << r.err;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << c.program << " " << c.args << ": " << r.err;
        EXPECT_LE(Count(r.err, "Error opening "), 1u) << c.program << " " << c.args << ": " << r.err;
    }
    EXPECT_FALSE(fs::exists(dir_ / "copy"));
}

TEST_F(CommandLine, UsageErrorsExitTwo)
{
    struct Case {
        const char *program;
        const char *args;
    } cases[] = {
        {"zorbplw", ""}, {"zorbplw", "/Pfoo text.zbx"}, {"zorbc", ""},     {"zorbc", "a.bmp"}, {"zorbmix", "a.zbx"},
        {"zbxinfo", ""}, {"zbxinfo", "--bogus x"},      {"zbxcompi", "x"},
    };
    for (const Case &c : cases) {
        Result r = Run(c.program, c.args);
        EXPECT_EQ(r.status, 2) << c.program << " " << c.args << ": " << r.err;
    }
}

// The final report is seen once: on standard output, and on the status line
// only when that is somewhere else (a terminal shows both streams in one).
TEST_F(CommandLine, TheFinalReportIsPrintedOnce)
{
    struct Case {
        const char *program, *args, *report;
    } cases[] = {
        {"zorbmix", " out.zbx /O /M2", "Mixed "},
        {"sndproc", " out.wav /O", "Converted "},
    };
    for (const Case &c : cases) {
        const std::string args = kDemo + " " + (std::string(c.program) == "zorbmix" ? kDemo : "") + c.args;
        Result apart = Run(c.program, args);
        ASSERT_EQ(apart.status, 0) << c.program << ": " << apart.err;
        EXPECT_EQ(Count(apart.out, c.report), 1u) << apart.out;
        Result together = Run(c.program, args, true);
        ASSERT_EQ(together.status, 0) << c.program << ": " << together.out;
        EXPECT_EQ(Count(together.out, c.report), 1u) << together.out;
    }
}

// Started by the front end (/#N), the tools not tested elsewhere report
// their final line to it through the link.
TEST_F(CommandLine, ToolsReportToTheFrontEnd)
{
    const std::string player = kBin + "zorbplw";
    struct Case {
        const char *program;
        std::string args;
        const char *report;
    } cases[] = {
        {"zbxinfo", kDemo, ": 150 frames"},
        {"zorbmix", kDemo + " " + kDemo + " out.zbx /O /M3", "Mixed "},
        {"zbxcompi", player + " selfplay " + kDemo, "selfplay"},
    };
    for (const Case &c : cases) {
        zorb::test::LinkServer frontEnd;
        Result r = Run(c.program, c.args + " /#" + std::to_string(frontEnd.frontEnd()));
        ASSERT_EQ(r.status, 0) << c.program << ": " << r.err;
        ASSERT_TRUE(frontEnd.waitForMessages(2, 5000)) << c.program;
        const auto messages = frontEnd.messages();
        EXPECT_EQ(messages.back().code, 4660u) << c.program;
        EXPECT_NE(messages.back().text().find(c.report), std::string::npos)
            << c.program << ": " << messages.back().text();
    }
}

} // namespace
