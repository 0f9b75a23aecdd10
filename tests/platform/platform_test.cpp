// The OS layer: clock, debug value and log, INI reading, messages, the
// front-end link against an in-process front end, processes.
#include "platform/platform.h"
#include "tests/support/link_server.h"

#include <gtest/gtest.h>

#include <pty.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
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

// The box rule: someone at a terminal reads the text there, and unattended
// runs never get a box; the text is written in every case.
TEST(Message, NoBoxAtATerminalOrWhenUnattended)
{
    g_boxSeen.clear();
    PlatformSetMessageBox(recordBox);
    int master = -1, slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    const int saved = dup(STDERR_FILENO);
    dup2(slave, STDERR_FILENO);
    PlatformMessage("Error", "at a terminal");
    const int shown = PlatformShowBox("Zorblax Summary", "summary");
    dup2(saved, STDERR_FILENO);
    close(saved);
    close(slave);
    char text[256] = {};
    const ssize_t n = read(master, text, sizeof text - 1);
    close(master);
    EXPECT_GT(n, 0);
    EXPECT_NE(std::string(text).find("Error: at a terminal"), std::string::npos);
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(g_boxSeen, "");

    PlatformSetUnattended(1);
    testing::internal::CaptureStderr();
    PlatformMessage("Error", "unattended");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: unattended\n");
    EXPECT_EQ(PlatformShowBox("Zorblax Summary", "summary"), 0);
    EXPECT_EQ(g_boxSeen, "");
    PlatformSetUnattended(0);

    // Notices (banners, about texts) never open a box.
    testing::internal::CaptureStderr();
    PlatformNotice("ZorbPlay - V3.1n", "about");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "ZorbPlay - V3.1n: about\n");
    EXPECT_EQ(g_boxSeen, "");
    PlatformSetMessageBox(nullptr);
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

// The server on its own, driven the way an event loop drives it: stale
// socket replaced, partial messages never block, typed callbacks, socket
// removed at close.
TEST(LinkServerSide, StaleSocketPartialMessagesCallbacksAndCleanup)
{
    char dir[] = "/tmp/zlinksrvXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    EnvVar runtime("XDG_RUNTIME_DIR", dir);
    const uint32_t n = 4242;
    char path[108];
    ASSERT_GT(PlatformLinkPath(n, path, sizeof path), 0u);

    // A crashed run left its socket behind.
    ASSERT_EQ(mkdir((std::string(dir) + "/zorblax").c_str(), 0700), 0);
    {
        const int old = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strcpy(addr.sun_path, path);
        ASSERT_EQ(bind(old, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
        close(old);
    }

    struct Seen {
        std::string report;
        int restores = 0;
    } seen;
    PlatformLinkHandlers h{};
    h.title = [](void *, char *t, size_t size) {
        const std::string title = "Zorblax for Windows";
        std::memcpy(t, title.data(), std::min(size, title.size()));
        return title.size();
    };
    h.report = [](void *c, const char *text, size_t len) {
        static_cast<Seen *>(c)->report.assign(text, len);
        return 1u;
    };
    h.restore = [](void *c) {
        ++static_cast<Seen *>(c)->restores;
        return 0u;
    };
    PlatformLinkServer *server = PlatformLinkServerOpen(n, &h, &seen);
    ASSERT_NE(server, nullptr);
    EXPECT_STREQ(PlatformLinkServerPath(server), path);
    EXPECT_EQ(PlatformLinkServerFrontEnd(server), n);
    // A second server cannot take a live socket.
    EXPECT_EQ(PlatformLinkServerOpen(n, &h, &seen), nullptr);

    // A client that sent half a header: serving returns at once.
    const int slow = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strcpy(addr.sun_path, path);
    ASSERT_EQ(connect(slow, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
    ASSERT_EQ(write(slow, "\x00\x09\x00", 3), 3);
    EXPECT_EQ(PlatformLinkServerServe(server), 0);

    // Real clients on a thread while this thread serves like an event loop.
    int results[3] = {};
    std::thread client([&] {
        char title[64];
        results[0] = PlatformLinkTitle(n, title, sizeof title) && std::string(title) == "Zorblax for Windows";
        results[1] = PlatformLinkReport(n, "Done.\r\nAll well.");
        uint32_t answer = 9;
        results[2] = PlatformLinkSend(n, PLATFORM_LINK_RESTORE, nullptr, 0, &answer) && answer == 0;
    });
    int answered = 0;
    for (int i = 0; i < 500 && answered < 3; ++i) {
        pollfd pfd{PlatformLinkServerFd(server), POLLIN, 0};
        if (poll(&pfd, 1, 10) > 0)
            answered += PlatformLinkServerServe(server);
    }
    client.join();
    EXPECT_EQ(answered, 3);
    EXPECT_EQ(results[0] + results[1] + results[2], 3);
    EXPECT_EQ(seen.report, "Done.\r\nAll well.");
    EXPECT_EQ(seen.restores, 1);

    // The rest of the slow header finally arrives: answered like any other.
    ASSERT_EQ(write(slow, "\x00\x00\x00\x00\x00", 5), 5);
    shutdown(slow, SHUT_WR);
    EXPECT_EQ(PlatformLinkServerServe(server), 1);
    unsigned char reply[4] = {1, 1, 1, 1};
    EXPECT_EQ(read(slow, reply, 4), 4);
    EXPECT_EQ(reply[0] | reply[1] | reply[2] | reply[3], 0);
    EXPECT_EQ(seen.restores, 2); // code 0x900, sent in pieces
    close(slow);

    PlatformLinkServerClose(server);
    struct stat st {};
    EXPECT_NE(lstat(path, &st), 0);
    rmdir((std::string(dir) + "/zorblax").c_str());
    rmdir(dir);
}

// ---- Safe writing and RIFF ----------------------------------------------------

std::string Slurp(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(SafeFile, AppearsOnlyWhenCompleteAndNothingIsLeftOnFailure)
{
    char dir[] = "/tmp/zsafeXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string target = std::string(dir) + "/out.bin";
    std::string error;
    {
        std::ofstream(target) << "old";
        zorb::platform::SafeFile f;
        ASSERT_TRUE(f.Create(target, error));
        ASSERT_TRUE(f.Write("new data", 8));
        EXPECT_EQ(Slurp(target), "old"); // the target is untouched until the commit
        ASSERT_TRUE(f.Commit(8, error)) << error;
        EXPECT_EQ(Slurp(target), "new data");
    }
    {
        // Fewer bytes than promised (a full disk): refused, the old file stays.
        zorb::platform::SafeFile f;
        ASSERT_TRUE(f.Create(target, error));
        ASSERT_TRUE(f.Write("abc", 3));
        EXPECT_FALSE(f.Commit(10, error));
        EXPECT_NE(error.find("no space left on device"), std::string::npos);
        EXPECT_EQ(Slurp(target), "new data");
    }
    {
        // Dropped uncommitted: its temporary file goes.
        zorb::platform::SafeFile f;
        ASSERT_TRUE(f.Create(std::string(dir) + "/other.bin", error));
        ASSERT_TRUE(f.Write("x", 1));
    }
    EXPECT_FALSE(zorb::platform::SafeFile().Create(dir, error)); // a directory is not a file
    EXPECT_NE(error.find("is a directory"), std::string::npos);
    EXPECT_EQ(PlatformSafeCreate("/nonexistent-dir/x"), nullptr);
    EXPECT_STREQ(PlatformLastError(), "Error creating /nonexistent-dir/x: no such file or directory");
    EXPECT_EQ(unlink(target.c_str()), 0);
    EXPECT_EQ(rmdir(dir), 0); // empty: no temporary file left anywhere
}

TEST(Riff, NestedChunksPatchSizesAndPadOnlyBeforeMore)
{
    char name[] = "/tmp/zriffXXXXXX";
    const int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    PlatformRiffWriter w;
    PlatformRiffStart(&w, fd);
    ASSERT_TRUE(PlatformRiffBegin(&w, "RIFF", "AVI "));
    ASSERT_TRUE(PlatformRiffBegin(&w, "LIST", "movi"));
    ASSERT_TRUE(PlatformRiffBegin(&w, "00db", nullptr));
    ASSERT_TRUE(PlatformRiffWrite(&w, "abc", 3));
    ASSERT_TRUE(PlatformRiffEnd(&w));
    ASSERT_TRUE(PlatformRiffEnd(&w)); // the pad of 00db comes before the next chunk
    ASSERT_TRUE(PlatformRiffBegin(&w, "idx1", nullptr));
    ASSERT_TRUE(PlatformRiffEnd(&w));
    ASSERT_TRUE(PlatformRiffEnd(&w));
    EXPECT_FALSE(PlatformRiffEnd(&w));           // nothing open
    EXPECT_FALSE(PlatformRiffWrite(&w, "x", 1)); // failure sticks
    close(fd);
    const std::string expect = std::string("RIFF\x24\0\0\0AVI LIST\x10\0\0\0movi00db\3\0\0\0abc\0idx1\0\0\0\0", 44);
    EXPECT_EQ(Slurp(name), expect);

    // A wave file: 44-byte header; an odd data chunk at the end is not padded.
    const int wf = open(name, O_WRONLY | O_TRUNC);
    PlatformRiffStart(&w, wf);
    ASSERT_TRUE(PlatformWaveBegin(&w, 22050, 2, 16));
    ASSERT_TRUE(PlatformRiffWrite(&w, "12345", 5));
    ASSERT_TRUE(PlatformWaveEnd(&w));
    close(wf);
    const std::string wav = Slurp(name);
    ASSERT_EQ(wav.size(), 49u);
    const auto u32 = [&](size_t at) {
        return static_cast<uint32_t>(static_cast<unsigned char>(wav[at]) |
                                     static_cast<unsigned char>(wav[at + 1]) << 8 |
                                     static_cast<unsigned char>(wav[at + 2]) << 16);
    };
    EXPECT_EQ(wav.substr(0, 16), std::string("RIFF\x29\0\0\0WAVEfmt ", 16));
    EXPECT_EQ(u32(24), 22050u);
    EXPECT_EQ(u32(28), 88200u);
    EXPECT_EQ(wav[32], 4);
    EXPECT_EQ(wav[34], 16);
    EXPECT_EQ(wav.substr(36, 4), "data");
    EXPECT_EQ(u32(40), 5u);
    unlink(name);
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
    const int n =
        PlatformSplitCommandLine("  zorbc \"my file.flc\" out.zbx /Q'9 9' '' /#12 ", words, 8, storage, sizeof storage);
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
