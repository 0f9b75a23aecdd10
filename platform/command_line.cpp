// What every program of the toolkit does with its command line before its
// own switches: --help, -h and --version; the exit statuses; one way to say
// what went wrong with which file; a progress line that never cuts an error.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/fdio.h"
#include "platform/platform.h"

#ifndef ZORB_VERSION
#define ZORB_VERSION "0.0.0"
#endif

namespace {

std::mutex g_lineLock;
size_t g_lineLength = 0; // characters of the progress line on the terminal, 0 = none

void Write(int fd, const std::string &text)
{
    zorb::platform::writeAll(fd, text.data(), text.size());
}

// Ends the progress line in the making (the lock is held).
void EndLine()
{
    if (g_lineLength == 0)
        return;
    Write(STDERR_FILENO, "\n");
    g_lineLength = 0;
}

} // namespace

extern "C" const char *PlatformVersion(void)
{
    return ZORB_VERSION;
}

extern "C" char *PlatformVersionText(const char *program, char *buf, size_t size)
{
    if (size > 0)
        std::snprintf(buf, size, "%s (Zorblax toolkit) %s\nfile format %s\n", program ? program : "", ZORB_VERSION,
                      PLATFORM_FORMAT_VERSION);
    return buf;
}

extern "C" int PlatformStandardOptions(int argc, char **argv, const char *program, const char *usage)
{
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        if (std::strcmp(a, "--") == 0)
            break;
        if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
            std::string text = usage ? usage : "";
            if (text.empty() || text.back() != '\n')
                text += '\n';
            Write(STDOUT_FILENO, text);
            return PLATFORM_EXIT_DONE;
        }
        if (std::strcmp(a, "--version") == 0) {
            char text[256];
            Write(STDOUT_FILENO, PlatformVersionText(program, text, sizeof text));
            return PLATFORM_EXIT_DONE;
        }
    }
    return -1;
}

extern "C" void PlatformError(const char *program, const char *file, const char *reason)
{
    std::string line = std::string(program ? program : "") + ": ";
    if (file && *file)
        line += std::string(file) + ": ";
    line += reason ? reason : "failed";
    if (line.back() != '\n')
        line += '\n';
    std::lock_guard<std::mutex> lock(g_lineLock);
    EndLine();
    Write(STDERR_FILENO, line);
}

extern "C" const char *PlatformOpenFailure(const char *path, const char *otherwise)
{
    if (!path || !*path)
        return "no file name";
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        switch (errno) {
        case ENOENT:
            return "no such file or directory";
        case EACCES:
            return "permission denied";
        case ENOTDIR:
            return "a part of the path is not a directory";
        default:
            return "cannot be opened";
        }
    }
    struct stat st;
    const bool directory = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
    ::close(fd);
    if (directory)
        return "is a directory";
    return otherwise ? otherwise : "cannot be read";
}

extern "C" void PlatformProgressLine(const char *text)
{
    std::lock_guard<std::mutex> lock(g_lineLock);
    if (!text) {
        EndLine();
        return;
    }
    if (!::isatty(STDERR_FILENO))
        return;
    std::string line = "\r";
    line += text;
    size_t length = std::strlen(text);
    if (length < g_lineLength)
        line.append(g_lineLength - length, ' ');
    Write(STDERR_FILENO, line);
    g_lineLength = length;
}
