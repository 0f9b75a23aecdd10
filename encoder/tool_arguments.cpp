// Helpers for the command lines of the compressor tools.
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

#include "encoder/encoder.h"
#include "platform/platform.h"

extern "C" int ZencIsPathArgument(const char *text)
{
    if (!text || !text[0])
        return 0;
    return text[0] != '/' || PlatformNamesPath(text) ? 1 : 0;
}

extern "C" int ZencSplitArguments(int argc, char **argv, int maxNames, const char **names, char **switches)
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
        if (count < maxNames && ZencIsPathArgument(argv[i])) {
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

extern "C" int ZencSameFile(const char *a, const char *b)
{
    struct stat sa, sb;
    if (!a || !b || stat(a, &sa) != 0 || stat(b, &sb) != 0)
        return 0;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino ? 1 : 0;
}
