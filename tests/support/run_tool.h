// Runs a program of the build headless, as a user would from a shell, and
// collects what it prints (standard output and standard error together); and
// any shell command line.
#ifndef ZORB_TESTS_SUPPORT_RUN_TOOL_H
#define ZORB_TESTS_SUPPORT_RUN_TOOL_H

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace zorb::test {

struct ToolResult {
    int status = -1;    // the exit status; -1 when it did not exit normally
    std::string output; // standard output and standard error
};

// Runs a shell command line: its exit status, -1 when it did not exit normally.
inline int Shell(const std::string &line)
{
    const int raw = std::system(line.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// What a shell command line prints on standard output.
inline std::string ShellOutput(const std::string &line)
{
    std::string text;
    if (FILE *p = popen(line.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
            text.append(buf, n);
        pclose(p);
    }
    return text;
}

inline ToolResult RunTool(const std::string &program, const std::string &args)
{
    const std::string line = std::string(ZORB_BINARY_DIR) + "/bin/" + program + " " + args + " 2>&1 < /dev/null";
    ToolResult r;
    FILE *p = popen(line.c_str(), "r");
    if (!p)
        return r;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        r.output.append(buf, n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

} // namespace zorb::test

#endif
