// Running commands: substitution, the Shift rule, the tool table and where
// tools are found, "Command not found.", the link server's answers, and the
// batch runner waiting for reports (or for a tool that ends without one).
#include "frontend/core/batchrunner.h"
#include "frontend/core/commandrunner.h"
#include "frontend/core/commandtext.h"
#include "frontend/core/interpreter.h"
#include "frontend/core/linkserver.h"
#include "frontend/core/tooltable.h"
#include "platform/platform.h"
#include "tests/support/frontend_testing.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace zorb::test;

struct Host : zfront::InterpreterHost {
    QStringList lines;
    void print(const QString &line) override { lines << line; }
};

void WriteScript(const QString &path, const QByteArray &body)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\n" + body);
    f.close();
    f.setPermissions(f.permissions() | QFile::ExeOwner);
}

class RunnerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FrontEndApp();
        ASSERT_TRUE(tools.isValid() && work.isValid());
        interp.setDirectory(work.path());
        runner.setOwnDirectory(tools.path());
        runner.setLinkNumber(4242);
    }
    QTemporaryDir tools, work;
    Host host;
    zfront::CommandInterpreter interp{host};
    zfront::CommandRunner runner{interp, host};
};

TEST(CommandText, SubstitutionAndWords)
{
    EXPECT_EQ(zfront::SubstituteArguments("echo %1-%2-%3", "one \"two words\""), "echo one-two words-");
    EXPECT_EQ(zfront::SubstituteArguments("echo %9 100%", ""), "echo  100%");
    QString word, rest;
    zfront::SplitFirstWord("  \"my tool\"  a  b ", word, rest);
    EXPECT_EQ(word, "my tool");
    EXPECT_EQ(rest, "a  b");
    EXPECT_EQ(zfront::ReportLines("first\r\nsecond\r\n\r\n"), (QStringList{"  first", "second"}));
}

TEST(ToolTable, WordsMapToOurPrograms)
{
    const char *table[][2] = {{"zorbc", "zorbc"},
                              {"ZorbCW.exe", "zorbc"},
                              {"zorbmiw", "zorbmix"},
                              {"ZorbPly.EXE", "zorbplw"},
                              {"zorbscr", "zorbscw"},
                              {"pictconvw6", "pictproc"},
                              {"sndconv", "sndproc"},
                              {"avinfow", "zbxinfo"},
                              {"vexsi", "vexsiw"},
                              {"zorbfrw", "zorbfr"},
                              {"zbxcompi", "zbxcompi"},
                              {"notatool", ""},
                              {".exe", ""}};
    for (auto &row : table)
        EXPECT_EQ(zfront::ToolProgram(row[0]), row[1]) << row[0];
}

TEST_F(RunnerTest, KnownToolStartsFromOwnDirectoryWithLinkNumber)
{
    WriteScript(tools.filePath("zorbplw"), "exit 0\n");
    const zfront::Launch l = runner.prepare("zorbplw.exe movie.zbx");
    EXPECT_TRUE(l.knownTool);
    EXPECT_EQ(l.program, tools.filePath("zorbplw"));
    EXPECT_EQ(l.arguments, (QStringList{"movie.zbx", "/#4242"}));
    const zfront::RunResult r = runner.run(QString(), "zorbplw.exe movie.zbx");
    EXPECT_TRUE(r.knownTool);
    ASSERT_GT(r.pid, 0);
    EXPECT_EQ(host.lines, QStringList{"zorbplw.exe movie.zbx"});
    EXPECT_TRUE(WaitFor([&] { return !zfront::ProcessAlive(r.pid); }));
}

TEST_F(RunnerTest, ShiftMakesARemark)
{
    WriteScript(tools.filePath("zorbplw"), "exit 0\n");
    QStringList recent;
    runner.setRecentCommands(&recent);
    runner.setShiftQuery([] { return true; });
    const zfront::RunResult r = runner.run(QString(), "zorbplw movie.zbx");
    EXPECT_TRUE(r.builtin);
    EXPECT_EQ(r.pid, 0);
    EXPECT_EQ(host.lines, QStringList{"Rem zorbplw movie.zbx"});
    EXPECT_EQ(recent, QStringList{"Rem zorbplw movie.zbx"});
}

TEST_F(RunnerTest, CommandNotFound)
{
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", work.path().toLocal8Bit());
    EXPECT_TRUE(runner.run(QString(), "zorbfr in.zbx out.zbx").failed); // a tool that is not built
    EXPECT_TRUE(runner.run(QString(), "no-such-program-here").failed);
    qputenv("PATH", oldPath);
    EXPECT_EQ(host.lines, (QStringList{"zorbfr in.zbx out.zbx", "  Command not found.", "no-such-program-here",
                                       "  Command not found."}));
}

TEST_F(RunnerTest, DirectoryArgumentChangesTheCommandDirectory)
{
    QDir(work.path()).mkdir("sub");
    runner.run(QDir(work.path()).filePath("sub"), "echo here");
    EXPECT_EQ(interp.directory(), QDir(work.path()).filePath("sub"));
    EXPECT_EQ(host.lines, (QStringList{"echo here", "here"}));
}

TEST(LinkServer, AnswersAndSignals)
{
    FrontEndApp();
    QTemporaryDir runtime;
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    {
        // A socket left behind by a crashed run with our number is replaced.
        char path[256];
        ASSERT_GT(PlatformLinkPath(static_cast<uint32_t>(getpid()), path, sizeof path), 0u);
        QDir().mkpath(QFileInfo(QString::fromLocal8Bit(path)).absolutePath());
        {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un addr{};
            addr.sun_family = AF_UNIX;
            ASSERT_LT(std::strlen(path), sizeof addr.sun_path);
            std::memcpy(addr.sun_path, path, std::strlen(path) + 1);
            ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
            ::close(fd); // bound and gone without removing the socket
        }

        zfront::LinkServer server("Zorblax for Windows");
        ASSERT_TRUE(server.listen());
        QStringList reports;
        int restores = 0;
        QObject::connect(&server, &zfront::LinkServer::reportReceived, [&](const QString &t) { reports << t; });
        QObject::connect(&server, &zfront::LinkServer::restoreRequested, [&] { ++restores; });

        std::atomic<bool> done{false};
        char title[64] = {};
        uint32_t attached = 0, restoreAnswer = 99;
        int reported = 0;
        std::thread client([&] {
            PlatformLinkTitle(server.number(), title, sizeof title);
            attached = PlatformLinkAttach(server.number(), nullptr);
            reported = PlatformLinkReport(server.number(), "Done.\r\nSecond line");
            PlatformLinkSend(server.number(), PLATFORM_LINK_RESTORE, nullptr, 0, &restoreAnswer);
            done = true;
        });
        EXPECT_TRUE(WaitFor([&] { return done.load(); }));
        client.join();
        EXPECT_STREQ(title, "Zorblax for Windows");
        EXPECT_EQ(attached, server.number()); // no forget answer: the tool reports back
        EXPECT_EQ(reported, 1);
        EXPECT_EQ(reports, QStringList{"Done.\r\nSecond line"});
        EXPECT_EQ(restores, 1);
        EXPECT_EQ(restoreAnswer, 0u);
        EXPECT_TRUE(QFile::exists(server.socketPath()));
    }
    // The socket is removed when the server goes.
    char path[256];
    PlatformLinkPath(static_cast<uint32_t>(getpid()), path, sizeof path);
    EXPECT_FALSE(QFile::exists(QString::fromLocal8Bit(path)));
    qputenv("XDG_RUNTIME_DIR", oldRuntime);
}

TEST_F(RunnerTest, BatchGoesOnWhenAToolEndsWithoutReporting)
{
    // vexsiw here is a stand-in that ends at once without a report.
    WriteScript(tools.filePath("vexsiw"), "exit 3\n");
    QFile batch(QDir(work.path()).filePath("job.zbt"));
    ASSERT_TRUE(batch.open(QIODevice::WriteOnly));
    batch.write("echo start %1\r\nvexsiw\r\n\r\necho after %2\n");
    batch.close();

    zfront::BatchRunner b(runner, host);
    ASSERT_TRUE(b.load(batch.fileName(), "one two"));
    EXPECT_EQ(b.lines().size(), 3);
    bool finished = false, allRan = true;
    QList<int> started;
    QObject::connect(&b, &zfront::BatchRunner::lineStarted, [&](int i) { started << i; });
    QObject::connect(&b, &zfront::BatchRunner::finished, [&](bool ok) {
        finished = true;
        allRan = ok;
    });
    b.start();
    ASSERT_TRUE(WaitFor([&] { return finished; }));
    EXPECT_FALSE(allRan);
    EXPECT_EQ(started, (QList<int>{0, 1, 2}));
    EXPECT_EQ(host.lines, (QStringList{"echo start one", "start one", "vexsiw", "vexsiw: ended with status 3",
                                       "  vexsiw ended without a report.", "echo after two", "after two"}));
    EXPECT_FALSE(b.load(QDir(work.path()).filePath("missing.zbt"), QString()));
}

TEST_F(RunnerTest, BatchWaitsForTheReport)
{
    // A stand-in tool that reports late: the next line waits for it.
    WriteScript(tools.filePath("vexsiw"), "sleep 0.3; exit 0\n");
    QFile batch(QDir(work.path()).filePath("wait.zbt"));
    ASSERT_TRUE(batch.open(QIODevice::WriteOnly));
    batch.write("vexsiw\necho next\n");
    batch.close();
    zfront::BatchRunner b(runner, host);
    ASSERT_TRUE(b.load(batch.fileName(), QString()));
    bool finished = false, allRan = false;
    QObject::connect(&b, &zfront::BatchRunner::finished, [&](bool ok) {
        finished = true;
        allRan = ok;
    });
    b.start();
    ASSERT_TRUE(WaitFor([&] { return b.current() == 0; }));
    QTimer::singleShot(100, [&] {
        host.print("  report");
        b.noteReport();
    });
    ASSERT_TRUE(WaitFor([&] { return finished; }));
    EXPECT_TRUE(allRan);
    EXPECT_EQ(host.lines, (QStringList{"vexsiw", "  report", "echo next", "next"}));
}

} // namespace
