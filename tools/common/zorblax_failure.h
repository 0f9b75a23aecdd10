// Why a Zorblax file cannot be used, in the words every tool gives: what the
// system says when the file cannot be read, else the decode library's reason
// after "not a Zorblax file, or damaged".
#ifndef ZORB_TOOLS_COMMON_ZORBLAX_FAILURE_H
#define ZORB_TOOLS_COMMON_ZORBLAX_FAILURE_H

#include <cstdio>
#include <cstring>
#include <string>

#include "codec/examine.h"
#include "codec/zorb.h"
#include "platform/platform.h"

namespace tool {

// True when the file starts with the Zorblax magic.
inline bool StartsAsZorblax(const std::string &name)
{
    char magic[4] = {};
    FILE *f = std::fopen(name.c_str(), "rb");
    if (!f)
        return false;
    const bool yes = std::fread(magic, 1, 4, f) == 4 && std::memcmp(magic, "ZBX2", 4) == 0;
    std::fclose(f);
    return yes;
}

inline std::string ZorblaxFailure(const std::string &name)
{
    const std::string system = PlatformOpenFailure(name.c_str(), "");
    if (!system.empty())
        return system;
    std::string why;
    if (ZorbHandle *h = ZorbOpen(const_cast<char *>(name.c_str()), 0, -1)) {
        if (h->IntactFrames < ZorbTableFrames(h))
            why = "frame " + std::to_string(h->IntactFrames + 1) + " is damaged or cut off";
        ZorbClose(h);
    } else {
        why = ZorbLastOpenError();
    }
    return "not a Zorblax file, or damaged" + (why.empty() ? std::string() : ": " + why);
}

} // namespace tool

#endif
