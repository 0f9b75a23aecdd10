// Helpers for the command lines of the tools (tools/common/tool_arguments.h).
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "tools/common/tool_arguments.h"

namespace tool {

bool IsPathArgument(const char *text)
{
    if (!text || !text[0])
        return false;
    return text[0] != '/' || PlatformNamesPath(text);
}

int SplitArguments(int argc, char **argv, int maxNames, const char **names, char **switches)
{
    if (switches)
        *switches = nullptr;
    if (!argv || !switches || (maxNames > 0 && !names))
        return -1;
    size_t size = 16; // room for what the switch readers may look at past the end
    for (int i = 1; i < argc; ++i)
        size += std::strlen(argv[i]) + 1;
    char *line = static_cast<char *>(std::calloc(size, 1));
    if (!line)
        return -1;
    int count = 0;
    size_t used = 0;
    for (int i = 1; i < argc; ++i) {
        if (count < maxNames && IsPathArgument(argv[i])) {
            names[count++] = argv[i];
            continue;
        }
        if (used)
            line[used++] = ' ';
        const size_t n = std::strlen(argv[i]);
        std::memcpy(line + used, argv[i], n);
        used += n;
    }
    *switches = line;
    return count;
}

bool SameFile(const char *a, const char *b)
{
    struct stat sa, sb;
    if (!a || !b || stat(a, &sa) != 0 || stat(b, &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

} // namespace tool
