// Helpers for the command lines of the compressor tools.
#include "encoder/encoder.h"
#include "platform/platform.h"

extern "C" int ZencIsPathArgument(const char *text) {
    if (!text || !text[0]) return 0;
    return text[0] != '/' || PlatformNamesPath(text) ? 1 : 0;
}
