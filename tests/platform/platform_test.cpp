// The OS layer: clock, debug value and log, INI reading, messages, the
// front-end link against an in-process front end, processes.
#include "platform/platform.h"
#include "tests/support/link_server.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using zorb::test::LinkServer;

// Sets or clears an environment variable for one scope.
class EnvVar {
public:
    EnvVar(const char *name, const char *value) : name_(name)
    {
        if (const char *old = std::getenv(name)) {
            had_ = true;
            old_ = old;
        }
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~EnvVar()
    {
        if (had_)
            setenv(name_.c_str(), old_.c_str(), 1);
        else
            unsetenv(name_.c_str());
    }

private:
    std::string name_, old_;
    bool had_ = false;
};

class TempDir {
public:
    TempDir()
    {
        std::string t = "/tmp/zplatXXXXXX";
        path_ = mkdtemp(t.data());
    }
    ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    const std::string &path() const { return path_; }
    std::string write(const std::string &rel, const std::string &content) const
    {
        const std::string full = path_ + "/" + rel;
        std::system(("mkdir -p \"$(dirname '" + full + "')\"").c_str());
        std::ofstream(full, std::ios::binary) << content;
        return full;
    }

private:
    std::string path_;
};

// ---- Clock -----------------------------------------------------------------

uint32_t fakeClock(void *context)
{
    return *static_cast<uint32_t *>(context);
}

TEST(Clock, RealClockAdvancesAndSleepWaits)
{
    const uint32_t a = PlatformTimeMs();
    PlatformSleepMs(30);
    const uint32_t b = PlatformTimeMs();
    EXPECT_GE(static_cast<uint32_t>(b - a), 29u);
    EXPECT_LT(static_cast<uint32_t>(b - a), 5000u);
    PlatformSleepMs(0); // only yields
}

TEST(Clock, ReplacedClockWrapsAndIsRestored)
{
    uint32_t now = 0xFFFFFFF0u;
    PlatformSetClock(fakeClock, &now);
    const uint32_t before = PlatformTimeMs();
    EXPECT_EQ(before, 0xFFFFFFF0u);
    now = 0x10;
    EXPECT_EQ(static_cast<uint32_t>(PlatformTimeMs() - before), 0x20u);
    // Replacing again takes the new context.
    uint32_t other = 1234;
    PlatformSetClock(fakeClock, &other);
    EXPECT_EQ(PlatformTimeMs(), 1234u);
    PlatformSetClock(nullptr, nullptr);
    const uint32_t a = PlatformTimeMs();
    PlatformSleepMs(2);
    EXPECT_NE(PlatformTimeMs(), 1234u);
    EXPECT_LT(static_cast<uint32_t>(PlatformTimeMs() - a), 5000u);
}

// ---- INI files and the debug value ----------------------------------------------

TEST(Ini, ReadsSectionsKeysAndValues)
{
    TempDir dir;
    const std::string file = dir.write("a.ini", "; comment\n"
                                                "[Other]\n"
                                                "Debug=7\n"
                                                "\n"
                                                "  [ zorblax ]  \r\n"
                                                "# another comment\n"
                                                "  debug =  1  \r\n"
                                                "Hex=0x1F\n"
                                                "Neg=-3\n"
                                                "Word=abc\n"
                                                "Name = Some Text \n");
    EXPECT_EQ(PlatformIniInt(file.c_str(), "Zorblax", "Debug", 99), 1);
    EXPECT_EQ(PlatformIniInt(file.c_str(), "Other", "Debug", 99), 7);
    EXPECT_EQ(PlatformIniInt(file.c_str(), "Zorblax", "Hex", 0), 31);
    EXPECT_EQ(PlatformIniInt(file.c_str(), "Zorblax", "Neg", 0), -3);
    EXPECT_EQ(PlatformIniInt(file.c_str(), "Zorblax", "Word", 5), 0);
    EXPECT_EQ(PlatformIniInt(file.c_str(), "Zorblax", "Missing", 5), 5);
    EXPECT_EQ(PlatformIniInt(file.c_str(), "Nope", "Debug", 5), 5);
    EXPECT_EQ(PlatformIniInt((dir.path() + "/none.ini").c_str(), "Zorblax", "Debug", 5), 5);

    char value[8];
    EXPECT_EQ(PlatformIniString(file.c_str(), "zorblax", "name", "x", value, sizeof value), 7u);
    EXPECT_STREQ(value, "Some Te");
    EXPECT_EQ(PlatformIniString(file.c_str(), "zorblax", "absent", "dflt", value, sizeof value), 4u);
    EXPECT_STREQ(value, "dflt");
}

TEST(Ini, ConfigPathFollowsXdgThenHome)
{
    char path[256];
    {
        EnvVar x("XDG_CONFIG_HOME", "/cfg");
        ASSERT_GT(PlatformConfigPath("zorblax.ini", path, sizeof path), 0u);
        EXPECT_STREQ(path, "/cfg/zorblax/zorblax.ini");
        ASSERT_GT(PlatformConfigPath(nullptr, path, sizeof path), 0u);
        EXPECT_STREQ(path, "/cfg/zorblax");
        EXPECT_EQ(PlatformConfigPath("zorblax.ini", path, 10), 0u);
    }
    {
        EnvVar x("XDG_CONFIG_HOME", nullptr);
        EnvVar h("HOME", "/home/someone");
        ASSERT_GT(PlatformConfigPath("zorblax.ini", path, sizeof path), 0u);
        EXPECT_STREQ(path, "/home/someone/.config/zorblax/zorblax.ini");
    }
}

TEST(Debug, EnvironmentFirstThenConfigFile)
{
    TempDir dir;
    dir.write("zorblax/zorblax.ini", "[Zorblax]\nDebug=1\n");
    EnvVar x("XDG_CONFIG_HOME", dir.path().c_str());
    {
        EnvVar d("ZORBLAX_DEBUG", nullptr);
        PlatformDebugReload();
        EXPECT_EQ(PlatformDebugValue(), 1);
        EXPECT_TRUE(PlatformDebugOn());
    }
    {
        EnvVar d("ZORBLAX_DEBUG", "2");
        PlatformDebugReload();
        EXPECT_EQ(PlatformDebugValue(), 2);
        EXPECT_FALSE(PlatformDebugOn());
    }
    {
        // Only the low 8 bits decide.
        EnvVar d("ZORBLAX_DEBUG", "257");
        PlatformDebugReload();
        EXPECT_TRUE(PlatformDebugOn());
    }
    {
        EnvVar d("ZORBLAX_DEBUG", nullptr);
        EnvVar x2("XDG_CONFIG_HOME", (dir.path() + "/elsewhere").c_str());
        PlatformDebugReload();
        EXPECT_EQ(PlatformDebugValue(), 0);
    }
    PlatformDebugReload();
}

TEST(Debug, LogWritesLinesOnlyWhenOn)
{
    {
        EnvVar d("ZORBLAX_DEBUG", "1");
        PlatformDebugReload();
        testing::internal::CaptureStderr();
        PlatformDebugLog("frame %d of %u", 3, 10u);
        PlatformDebugLog("ends with newline\n");
        std::string big(3000, 'x');
        PlatformDebugLog("%s", big.c_str());
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "frame 3 of 10\nends with newline\n" + big + "\n");
    }
    {
        EnvVar d("ZORBLAX_DEBUG", "0");
        PlatformDebugReload();
        testing::internal::CaptureStderr();
        PlatformDebugLog("hidden");
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    }
    PlatformDebugReload();
}

// ---- Messages ---------------------------------------------------------------

std::string g_boxSeen;
void recordBox(const char *caption, const char *text)
{
    g_boxSeen = std::string(caption) + "|" + text;
}

TEST(Message, AlwaysStandardErrorAndTheInstalledBox)
{
    testing::internal::CaptureStderr();
    PlatformMessage("Memory Error", "Error: ran out of memory!");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Memory Error: Error: ran out of memory!\n");

    g_boxSeen.clear();
    PlatformSetMessageBox(recordBox);
    testing::internal::CaptureStderr();
    PlatformMessage("Error", "bad\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: bad\n");
    EXPECT_EQ(g_boxSeen, "Error|bad\n");

    // The box alone, for texts already written elsewhere.
    g_boxSeen.clear();
    testing::internal::CaptureStderr();
    EXPECT_EQ(PlatformShowBox("Note", "only boxed"), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(g_boxSeen, "Note|only boxed");
    PlatformSetMessageBox(nullptr);
    EXPECT_EQ(PlatformShowBox("Note", "nowhere"), 0);
}

// ---- Front-end link ---------------------------------------------------------------

TEST(Link, PathUsesRuntimeDirOrTmp)
{
    char path[256];
    {
        EnvVar r("XDG_RUNTIME_DIR", "/run/user/1000");
        ASSERT_GT(PlatformLinkPath(42, path, sizeof path), 0u);
        EXPECT_STREQ(path, "/run/user/1000/zorblax/link-42.sock");
        EXPECT_EQ(PlatformLinkPath(42, path, 12), 0u);
    }
    {
        EnvVar r("XDG_RUNTIME_DIR", nullptr);
        ASSERT_GT(PlatformLinkPath(7, path, sizeof path), 0u);
        EXPECT_EQ(std::string(path), "/tmp/zorblax-" + std::to_string(getuid()) + "/link-7.sock");
    }
}

TEST(Link, AbsentFrontEndIsSilent)
{
    TempDir dir;
    EnvVar r("XDG_RUNTIME_DIR", dir.path().c_str());
    testing::internal::CaptureStderr();
    uint32_t answer = 77;
    EXPECT_EQ(PlatformLinkSend(12345, PLATFORM_LINK_RESTORE, nullptr, 0, &answer), 0);
    EXPECT_EQ(answer, 77u);
    char title[32] = "junk";
    EXPECT_EQ(PlatformLinkTitle(12345, title, sizeof title), 0);
    EXPECT_STREQ(title, "");
    int matched = 5;
    EXPECT_EQ(PlatformLinkAttach(12345, &matched), 12345u);
    EXPECT_EQ(matched, 0);
    EXPECT_EQ(PlatformLinkReport(12345, "text"), 0);
    EXPECT_EQ(PlatformLinkAttach(0, &matched), 0u);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(Link, TitleHelloAndForget)
{
    LinkServer server;
    server.setTitle("Zorblax for Windows - main window with a long caption");
    server.setAnswer(PLATFORM_LINK_HELLO, PLATFORM_LINK_FORGET);

    char title[64];
    ASSERT_EQ(PlatformLinkTitle(server.frontEnd(), title, sizeof title), 1);
    EXPECT_STREQ(title, "Zorblax for Windows - main window with a long caption");
    char small[8];
    ASSERT_EQ(PlatformLinkTitle(server.frontEnd(), small, sizeof small), 1);
    EXPECT_STREQ(small, "Zorblax");

    int matched = 0;
    EXPECT_EQ(PlatformLinkAttach(server.frontEnd(), &matched), 0u);
    EXPECT_EQ(matched, 1);
    const auto msgs = server.messages();
    ASSERT_EQ(msgs.size(), 4u);
    EXPECT_EQ(msgs[2].code, static_cast<uint32_t>(PLATFORM_LINK_TITLE));
    EXPECT_EQ(msgs[3].code, static_cast<uint32_t>(PLATFORM_LINK_HELLO));
    EXPECT_TRUE(msgs[3].data.empty());
}

TEST(Link, HelloWithOtherAnswerKeepsLink)
{
    LinkServer server;
    int matched = 0;
    EXPECT_EQ(PlatformLinkAttach(server.frontEnd(), &matched), server.frontEnd());
    EXPECT_EQ(matched, 1);
    ASSERT_EQ(server.messages().size(), 2u);
    EXPECT_EQ(server.messages()[1].code, static_cast<uint32_t>(PLATFORM_LINK_HELLO));
}

TEST(Link, ForeignTitleKeepsLinkWithoutHello)
{
    LinkServer server;
    server.setTitle("Zorblax for Window"); // one character short of the prefix
    int matched = 1;
    EXPECT_EQ(PlatformLinkAttach(server.frontEnd(), &matched), server.frontEnd());
    EXPECT_EQ(matched, 0);
    ASSERT_EQ(server.messages().size(), 1u);
    EXPECT_EQ(server.messages()[0].code, static_cast<uint32_t>(PLATFORM_LINK_TITLE));
}

TEST(Link, ReportCarriesTextWithTerminatorAndRestoreHasNoData)
{
    LinkServer server;
    EXPECT_EQ(PlatformLinkReport(server.frontEnd(), "ZorbC - file.zbx\r\n  Done."), 1);
    uint32_t answer = 99;
    EXPECT_EQ(PlatformLinkSend(server.frontEnd(), PLATFORM_LINK_RESTORE, nullptr, 0, &answer), 1);
    EXPECT_EQ(answer, 0u);
    // A large block arrives whole.
    std::string big(1 << 20, 'q');
    EXPECT_EQ(PlatformLinkSend(server.frontEnd(), 77, big.data(), static_cast<uint32_t>(big.size()), &answer), 1);
    const auto msgs = server.messages();
    ASSERT_EQ(msgs.size(), 3u);
    EXPECT_EQ(msgs[0].code, static_cast<uint32_t>(PLATFORM_LINK_REPORT));
    EXPECT_EQ(msgs[0].text(), std::string("ZorbC - file.zbx\r\n  Done.", 26));
    EXPECT_EQ(msgs[1].code, static_cast<uint32_t>(PLATFORM_LINK_RESTORE));
    EXPECT_TRUE(msgs[1].data.empty());
    EXPECT_EQ(msgs[2].text(), big);
}

TEST(Link, ReportNotAcknowledgedIsNotSuccess)
{
    LinkServer server;
    server.setAnswer(PLATFORM_LINK_REPORT, 0);
    EXPECT_EQ(PlatformLinkReport(server.frontEnd(), "x"), 0);
    EXPECT_EQ(server.messages().size(), 1u);
}

TEST(Link, UnansweringFrontEndTimesOut)
{
    LinkServer server;
    server.setSilent(true);
    PlatformLinkSetTimeout(1);
    const uint32_t start = PlatformTimeMs();
    uint32_t answer = 0;
    EXPECT_EQ(PlatformLinkSend(server.frontEnd(), PLATFORM_LINK_HELLO, nullptr, 0, &answer), 0);
    EXPECT_LT(static_cast<uint32_t>(PlatformTimeMs() - start), 5000u);
    PlatformLinkSetTimeout(10);
}

// ---- Processes --------------------------------------------------------------

TEST(Process, SelfPathIsThisProgram)
{
    char path[4096];
    const size_t n = PlatformSelfPath(path, sizeof path);
    ASSERT_GT(n, 0u);
    EXPECT_EQ(std::string(path).substr(std::string(path).rfind('/') + 1), "test_platform");
    struct stat st {};
    EXPECT_EQ(stat(path, &st), 0);
    char tiny[4];
    EXPECT_EQ(PlatformSelfPath(tiny, sizeof tiny), 0u);
}

TEST(Process, SplitHonoursQuotes)
{
    char *words[8];
    char storage[128];
    const int n = PlatformSplitCommandLine("  zorbc \"my file.flc\" out.zbx /Q'9 9' '' /#12 ", words, 8, storage,
                                           sizeof storage);
    ASSERT_EQ(n, 6);
    EXPECT_STREQ(words[0], "zorbc");
    EXPECT_STREQ(words[1], "my file.flc");
    EXPECT_STREQ(words[2], "out.zbx");
    EXPECT_STREQ(words[3], "/Q9 9");
    EXPECT_STREQ(words[4], "");
    EXPECT_STREQ(words[5], "/#12");
    EXPECT_EQ(PlatformSplitCommandLine("a b c", words, 2, storage, sizeof storage), -1);
    EXPECT_EQ(PlatformSplitCommandLine("abcdef", words, 2, storage, 4), -1);
    EXPECT_EQ(PlatformSplitCommandLine("   ", words, 2, storage, sizeof storage), 0);
}

TEST(Process, StartsWithoutShellAndReportsStatus)
{
    const long pid = PlatformStartProcess("sh -c \"exit 3\"");
    ASSERT_GT(pid, 0);
    EXPECT_EQ(PlatformWaitProcess(pid), 3);
    EXPECT_EQ(PlatformStartProcess("/nonexistent/program arg"), -1);
    EXPECT_EQ(PlatformStartProcess("   "), -1);
    EXPECT_EQ(PlatformStartProcess(nullptr), -1);
    EXPECT_EQ(PlatformWaitProcess(-1), -1);
}

} // namespace
