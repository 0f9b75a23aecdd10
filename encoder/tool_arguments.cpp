// Helpers for the command lines of the compressor tools.
#include <sys/stat.h>

#include <string>

#include "encoder/encoder.h"

namespace {

bool Exists(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

}  // namespace

extern "C" int ZencIsPathArgument(const char *text) {
    if (!text || !text[0]) return 0;
    const std::string arg = text;
    if (arg[0] != '/') return 1;
    if (Exists(arg)) return 1;
    const size_t slash = arg.find_last_of('/');
    return slash > 0 && Exists(arg.substr(0, slash)) ? 1 : 0;
}
