// Processes: the program's own file, starting programs, waiting for them.
#include "platform/platform.h"

#include <cerrno>
#include <cstring>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

std::vector<std::string> splitWords(const char *line)
{
    std::vector<std::string> words;
    if (!line)
        return words;
    const char *p = line;
    for (;;) {
        while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')
            ++p;
        if (!*p)
            break;
        std::string word;
        while (*p && *p != ' ' && *p != '\t' && *p != '\r' && *p != '\n') {
            if (*p == '"' || *p == '\'') {
                const char quote = *p++;
                while (*p && *p != quote)
                    word += *p++;
                if (*p == quote)
                    ++p;
            } else {
                word += *p++;
            }
        }
        words.push_back(std::move(word));
    }
    return words;
}

} // namespace

extern "C" size_t PlatformSelfPath(char *path, size_t size)
{
    if (!path || size == 0)
        return 0;
    const ssize_t n = ::readlink("/proc/self/exe", path, size);
    if (n <= 0 || static_cast<size_t>(n) >= size) {
        path[0] = '\0';
        return 0;
    }
    path[n] = '\0';
    return static_cast<size_t>(n);
}

extern "C" int PlatformSplitCommandLine(const char *commandLine, char **words, int maxWords, char *storage, size_t size)
{
    const std::vector<std::string> w = splitWords(commandLine);
    if (static_cast<long>(w.size()) > maxWords)
        return -1;
    size_t used = 0;
    for (size_t i = 0; i < w.size(); ++i) {
        if (!storage || used + w[i].size() + 1 > size)
            return -1;
        std::memcpy(storage + used, w[i].c_str(), w[i].size() + 1);
        if (words)
            words[i] = storage + used;
        used += w[i].size() + 1;
    }
    return static_cast<int>(w.size());
}

extern "C" long PlatformStartProcess(const char *commandLine)
{
    std::vector<std::string> w = splitWords(commandLine);
    if (w.empty())
        return -1;
    std::vector<char *> argv;
    argv.reserve(w.size() + 1);
    for (std::string &s : w)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    return static_cast<long>(pid);
}

extern "C" int PlatformWaitProcess(long pid)
{
    if (pid <= 0)
        return -1;
    int status = 0;
    pid_t r;
    do
        r = ::waitpid(static_cast<pid_t>(pid), &status, 0);
    while (r < 0 && errno == EINTR);
    if (r < 0)
        return -1;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}
