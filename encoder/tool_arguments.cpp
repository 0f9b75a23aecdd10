// Helpers for the command lines of the compressor tools.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>

#include "encoder/encoder.h"
#include "platform/platform.h"

extern "C" int ZencIsPathArgument(const char *text) {
    if (!text || !text[0]) return 0;
    return text[0] != '/' || PlatformNamesPath(text) ? 1 : 0;
}

extern "C" int ZencStandardOptions(int argc, char **argv, const char *program, const char *usage) {
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(usage, stdout);
            return 0;
        }
        if (!std::strcmp(argv[i], "--version")) {
            std::printf("%s (Zorblax toolkit) %s\n", program, ZORB_VERSION);
            return 0;
        }
    }
    return -1;
}

extern "C" int ZencSameFile(const char *a, const char *b) {
    struct stat sa, sb;
    if (!a || !b || stat(a, &sa) != 0 || stat(b, &sb) != 0) return 0;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino ? 1 : 0;
}
