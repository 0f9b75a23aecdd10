// On an 80-column terminal the final line of a run is printed whole, on a
// line of its own, after the status line is cleared: never cut to the
// terminal's width, never lost because standard output is the same terminal.
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/tool_rules/fixtures.h"

namespace {

// Runs a program on a new terminal of the given width; returns all it printed.
std::string OnTerminal(const std::vector<std::string> &args, unsigned short columns, int *status)
{
    winsize ws{};
    ws.ws_col = columns;
    ws.ws_row = 24;
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, &ws);
    if (pid == 0) {
        std::vector<char *> argv;
        for (const std::string &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    std::string seen;
    char buf[4096];
    for (;;) {
        const ssize_t n = read(master, buf, sizeof buf);
        if (n <= 0)
            break; // EIO once the program has ended
        seen.append(buf, static_cast<size_t>(n));
    }
    waitpid(pid, status, 0);
    close(master);
    return seen;
}

TEST(Terminal, TheFinalLineIsWholeAtEightyColumns)
{
    rules::TempDir dir;
    // Long names make the report far wider than the terminal.
    const std::string in = dir.path + "/a-sound-file-with-a-rather-long-name-for-the-report.wav";
    const std::string out = dir.path + "/the-converted-sound-file-with-an-even-longer-name.wav";
    rules::WriteWave(in, 1);
    int status = 0;
    const std::string seen = OnTerminal({rules::Bin("sndproc"), in, out, "/C1"}, 80, &status);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << seen;
    // The last line, as the terminal shows it: after the last carriage return.
    std::string last = seen;
    while (!last.empty() && (last.back() == '\n' || last.back() == '\r'))
        last.pop_back();
    last = last.substr(last.find_last_of("\r\n") + 1);
    if (last.rfind("\x1b[K", 0) == 0) // the status line cleared first
        last = last.substr(3);
    EXPECT_EQ(last.rfind("SndProc: Converted " + in + " (44100 Hz, 16-bit, stereo) into " + out, 0), 0u) << seen;
    EXPECT_NE(last.find(" of sound, in "), std::string::npos) << last;
    EXPECT_GT(last.size(), 160u);
    EXPECT_EQ(last.find('\x1b'), std::string::npos) << last; // nothing clears or cuts it
}

} // namespace
