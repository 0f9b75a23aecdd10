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

namespace fs = std::filesystem;

namespace {

const std::string kBin = std::string(ZORB_BINARY_DIR) + "/bin/";

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
    }
    void TearDown() override { fs::remove_all(dir_); }

    Result Run(const std::string &program, const std::string &args)
    {
        fs::path out = dir_ / "out.txt", err = dir_ / "err.txt";
        std::string cmd = "cd '" + dir_.string() + "' && timeout 60 " + kBin + program + " " + args + " >'" +
                          out.string() + "' 2>'" + err.string() + "' </dev/null";
        Result r;
        int raw = std::system(cmd.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = Slurp(out);
        r.err = Slurp(err);
        return r;
    }
    fs::path dir_;
};

const char *const kPrograms[] = {"zorbplw", "zorbc", "zorbmix", "zbxinfo", "zbxcompi"};

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
        EXPECT_EQ(v.out, std::string(p) + " (Zorblax toolkit) " + PlatformVersion() + "\n");
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
        {"zorbmix", missing + " text.zbx out.zbx /O", missing, "no such file"},
        {"zbxinfo", missing, missing, "No such file"},
        {"zbxcompi", player + " copy " + missing, missing, "no such file"},
        {"zbxcompi", player + " copy text.zbx", "text.zbx", "not a Zorblax file"},
    };
    for (const Case &c : cases) {
        Result r = Run(c.program, c.args);
        EXPECT_EQ(r.status, 1) << c.program << " " << c.args << ": " << r.err;
        EXPECT_EQ(Count(r.err, c.file), 1u) << c.program << " " << c.args << ": " << r.err;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << c.program << " " << c.args << ": " << r.err;
    }
    EXPECT_FALSE(fs::exists(dir_ / "copy"));
}

TEST_F(CommandLine, UsageErrorsExitTwo)
{
    struct Case {
        const char *program;
        const char *args;
    } cases[] = {
        {"zorbplw", ""},         {"zorbplw", "/Pfoo text.zbx"}, {"zorbc", ""},       {"zorbc", "a.bmp"},
        {"zorbmix", "a.zbx"},    {"zbxinfo", ""},               {"zbxinfo", "--bogus x"}, {"zbxcompi", "x"},
    };
    for (const Case &c : cases) {
        Result r = Run(c.program, c.args);
        EXPECT_EQ(r.status, 2) << c.program << " " << c.args << ": " << r.err;
    }
}

}  // namespace
