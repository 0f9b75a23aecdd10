// The status family on a terminal and without one, Ctrl-C, questions, and
// the final report over the front-end link.
#include "platform/platform.h"
#include "tests/support/link_server.h"
#include "vexutil/core/status_io.h"
#include "vexutil/vexutil.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

uint32_t g_now = 0;
uint32_t fakeClock(void *)
{
    return g_now;
}

int g_cancelCalls = 0;
void onCancel()
{
    ++g_cancelCalls;
}

// Routes the status streams through pipes: what the user types, what the
// user sees.
class StatusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(pipe(in_), 0);
        ASSERT_EQ(pipe(out_), 0);
        fcntl(out_[0], F_SETFL, O_NONBLOCK);
        g_now = 1000;
        g_cancelCalls = 0;
        PlatformSetClock(fakeClock, nullptr);
        setTerminal(false, false);
        StatusInit(nullptr, 0, 1);
    }
    void TearDown() override
    {
        StatusClose(0);
        vex::statusSetIo(nullptr);
        PlatformSetClock(nullptr, nullptr);
        for (int fd : {in_[0], in_[1], out_[0], out_[1]})
            if (fd >= 0)
                close(fd);
    }
    void setTerminal(bool input, bool output, int columns = 40)
    {
        vex::StatusIo io;
        io.inFd = in_[0];
        io.outFd = out_[1];
        io.inIsTerminal = input;
        io.outIsTerminal = output;
        io.columns = columns;
        vex::statusSetIo(&io);
    }
    void type(const std::string &s) { ASSERT_EQ(write(in_[1], s.data(), s.size()), static_cast<ssize_t>(s.size())); }
    void endInput()
    {
        close(in_[1]);
        in_[1] = -1;
    }
    std::string seen()
    {
        std::string s;
        char buf[512];
        ssize_t n;
        while ((n = read(out_[0], buf, sizeof buf)) > 0)
            s.append(buf, static_cast<size_t>(n));
        return s;
    }

    int in_[2] = {-1, -1};
    int out_[2] = {-1, -1};
};

TEST_F(StatusTest, PlainLinesWhenNotATerminal)
{
    ASSERT_EQ(StatusOpen("ZorbC", "in.flc -> out.zbx", nullptr), 1);
    EXPECT_EQ(seen(), ""); // hidden until the first text
    EXPECT_EQ(StatusSet("Frame 1 of 3"), 1);
    EXPECT_EQ(seen(), "ZorbC: Frame 1 of 3\n");
    g_now += 200;
    StatusSet("Frame 2 of 3"); // too soon for another line
    EXPECT_EQ(seen(), "");
    g_now += 900;
    EXPECT_EQ(StatusCheck(), 1); // the held-back text comes out
    EXPECT_EQ(seen(), "ZorbC: Frame 2 of 3\n");
    g_now += 5000;
    StatusSet("Frame 2 of 3"); // unchanged: nothing
    EXPECT_EQ(seen(), "");
    StatusSet("Frame 3 of 3");
    StatusSet("Done.");
    StatusClose(0);
    EXPECT_EQ(seen(), "ZorbC: Frame 3 of 3\nZorbC: Done.\n");
    EXPECT_EQ(StatusSet("after close"), 0);
    EXPECT_EQ(StatusCheck(), 0);
}

TEST_F(StatusTest, LiveLineOnATerminal)
{
    setTerminal(false, true, 20);
    StatusOpen("T", "second", nullptr);
    StatusSet("Loading frames");
    EXPECT_EQ(seen(), "\rT: Loading frames\x1b[K");
    g_now += 10;
    StatusSet("x");
    EXPECT_EQ(seen(), ""); // redraws are limited
    g_now += 100;
    StatusSet("A rather long status text");
    EXPECT_EQ(seen(), "\rT: A rather long st\x1b[K"); // cut to the width
    testing::internal::CaptureStderr();
    EXPECT_EQ(StatusMessage("Something failed", 1), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "T: Something failed\n");
    // The live line ended; the error, printed whole, is the status text now
    // and is never redrawn cut to the width, nor printed twice.
    EXPECT_EQ(seen(), "\n");
    testing::internal::CaptureStderr();
    StatusMessage("Something failed", 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    StatusClose(1);
    EXPECT_EQ(seen(), "");
}

TEST_F(StatusTest, StatusTextIsCutAt255)
{
    auto server = std::make_unique<zorb::test::LinkServer>();
    StatusInit(nullptr, server->frontEnd(), 0);
    StatusOpen("T", "S", nullptr);
    StatusSet(std::string(400, 'q').c_str());
    StatusClose(0);
    ASSERT_TRUE(server->waitForMessages(1, 2000));
    EXPECT_EQ(server->messages()[0].text(), "T - S\r\n  " + std::string(255, 'q') + std::string(1, '\0'));
}

TEST_F(StatusTest, QuestionsTakeTheDefaultWithoutATerminal)
{
    StatusOpen("Q", "", nullptr);
    EXPECT_FALSE(StatusAsk("Proceed?", 1));
    EXPECT_EQ(seen(), "Q: Proceed? No.\n");
    EXPECT_TRUE(StatusAsk("Proceed?", 0));
    EXPECT_EQ(seen(), "Q: Proceed? Yes.\n");
    StatusSet("working");
    seen();
    g_now += 2000;
    EXPECT_FALSE(StatusAsk("Again?", 1));
    EXPECT_EQ(seen(), "Q: Again? No.\n"); // shown as the status text
}

TEST_F(StatusTest, QuestionsOnATerminal)
{
    setTerminal(true, true);
    StatusOpen("Q", "", nullptr);
    type("y\n");
    EXPECT_TRUE(StatusAsk("Overwrite?", 1));
    EXPECT_EQ(seen(), "Q: Overwrite? [y/N] ");
    type("\n");
    EXPECT_FALSE(StatusAsk("Overwrite?", 1));
    type("  No thanks\n");
    EXPECT_FALSE(StatusAsk("Keep going?", 0));
    type("\n");
    EXPECT_TRUE(StatusAsk("Keep going?", 0));
    seen();
    endInput();
    EXPECT_FALSE(StatusAsk("At end of input?", 1));
    EXPECT_EQ(seen(), "Q: At end of input? [y/N] \n");
}

TEST_F(StatusTest, OverwriteAsksOnlyForExistingFiles)
{
    char dir[] = "/tmp/zstatXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string existing = std::string(dir) + "/out.zbx";
    std::ofstream(existing) << "x";
    StatusOpen("O", "", nullptr);
    EXPECT_TRUE(overwrite((std::string(dir) + "/new.zbx").c_str()));
    EXPECT_EQ(seen(), "");
    EXPECT_FALSE(overwrite(existing.c_str())); // default No without a terminal
    EXPECT_EQ(seen(), "O: File " + existing + " exists, overwrite? No.\n");
    setTerminal(true, false);
    type("yes\n");
    EXPECT_TRUE(overwrite(existing.c_str()));
    unlink(existing.c_str());
    rmdir(dir);
}

TEST_F(StatusTest, CancelButtonAsksFirst)
{
    setTerminal(true, false);
    StatusOpen("C", "", onCancel);
    type("n\n");
    EXPECT_FALSE(StatusDoCancel());
    EXPECT_EQ(g_cancelCalls, 0);
    EXPECT_EQ(StatusCheck(), 1);
    type("y\n");
    EXPECT_TRUE(StatusDoCancel());
    EXPECT_EQ(g_cancelCalls, 1);
    EXPECT_TRUE(StatusDoCancel()); // asked once only
    EXPECT_EQ(g_cancelCalls, 1);
    EXPECT_NE(seen().find("C: Do you want to cancel? [y/N] "), std::string::npos);
}

TEST_F(StatusTest, CtrlCWithoutATerminalEndsTheRunAndRemovesPartialOutputs)
{
    char dir[] = "/tmp/zstatXXXXXX";
    ASSERT_TRUE(mkdtemp(dir));
    const std::string part = std::string(dir) + "/out.part";
    EXPECT_EXIT(
        {
            StatusOpen("Z", "", onCancel);
            StatusSet("busy");
            FILE *f = std::fopen(part.c_str(), "w");
            std::fclose(f);
            PlatformCleanupAdd(part.c_str(), 0);
            std::raise(SIGINT);
            std::_Exit(0);
        },
        testing::KilledBySignal(SIGINT), "");
    EXPECT_NE(access(part.c_str(), F_OK), 0);
    rmdir(dir);
}

TEST_F(StatusTest, CtrlCOnATerminalCanBeDeclined)
{
    setTerminal(true, true);
    StatusOpen("Z", "", onCancel);
    StatusSet("busy");
    seen();
    type("n\n");
    std::raise(SIGINT);
    EXPECT_EQ(StatusCheck(), 1);
    EXPECT_EQ(g_cancelCalls, 0);
    EXPECT_EQ(seen(), "\nZ: Do you want to cancel? [y/N] \rZ: Do you want to cancel? No.\x1b[K");
    // A second, confirmed press ends the run by the interrupt rule.
    type("y\n");
    EXPECT_EXIT(
        {
            std::raise(SIGINT);
            StatusCheck();
            std::_Exit(0);
        },
        testing::KilledBySignal(SIGINT), "");
}

TEST_F(StatusTest, CloseReportsToTheFrontEndExactlyAsComposed)
{
    zorb::test::LinkServer server;
    StatusInit(nullptr, server.frontEnd(), 1);
    StatusOpen("ZorbMix", "movie.zbx + sound.wav", nullptr);
    StatusSet("Mixed 120 frames in 2 seconds.");
    StatusClose(1);
    ASSERT_EQ(server.messages().size(), 1u);
    const zorb::test::LinkMessage m = server.messages()[0];
    EXPECT_EQ(m.code, 4660u);
    EXPECT_EQ(m.text(), std::string("ZorbMix - movie.zbx + sound.wav\r\n  Mixed 120 frames in 2 seconds.") +
                            std::string(1, '\0'));
    EXPECT_EQ(StatusGetHWND(), server.frontEnd());
}

TEST_F(StatusTest, NoFrontEndIsQuiet)
{
    char dir[] = "/tmp/zstatXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    setenv("XDG_RUNTIME_DIR", dir, 1);
    StatusInit(nullptr, 999999, 1);
    StatusOpen("T", "S", nullptr);
    testing::internal::CaptureStderr();
    StatusClose(0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    unsetenv("XDG_RUNTIME_DIR");
    rmdir(dir);
}

TEST_F(StatusTest, CopyDataGivesTheAnswer)
{
    zorb::test::LinkServer server;
    server.setAnswer(0x1234, 1);
    server.setAnswer(77, 5);
    EXPECT_EQ(CopyData(server.frontEnd(), 0, 77, 3, "abc"), 5u);
    EXPECT_EQ(CopyData(server.frontEnd(), 0, 0x1234, 0, nullptr), 1u);
    EXPECT_EQ(CopyData(0, 0, 77, 3, "abc"), 0u);
    ASSERT_EQ(server.messages().size(), 2u);
    EXPECT_EQ(server.messages()[0].text(), "abc");
}

#if defined(__SANITIZE_ADDRESS__)
#define ZORB_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZORB_ASAN 1
#endif
#endif

[[maybe_unused]] void allocateInSmallSpace()
{
    rlimit lim{};
    lim.rlim_cur = lim.rlim_max = 256u << 20;
    setrlimit(RLIMIT_AS, &lim);
    void *p = vexmalloc(512 << 20);
    std::_Exit(p == nullptr ? 0 : 1);
}

TEST(StatusFree, RunningOutOfMemoryIsShown)
{
#ifdef ZORB_ASAN
    GTEST_SKIP() << "address space limits and the sanitizer's shadow memory do not mix";
#else
    // In a child limited to a small address space, a large block fails.
    EXPECT_EXIT(allocateInSmallSpace(), ::testing::ExitedWithCode(0), "Memory Error: Error: ran out of memory!");
#endif
}

TEST(StatusFree, MemoryRefusalIsSilentForZero)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(vexmalloc(0), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

} // namespace
