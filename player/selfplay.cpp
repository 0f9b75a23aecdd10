// The self-play area's format (player/selfplay.h): finding the area in a
// program image and reading the ":offset" names of its line.
#include "player/selfplay.h"

#include <cstring>

namespace player {

long FindSelfPlayArea(const unsigned char *data, size_t size)
{
    if (size < kSelfPlayAreaSize)
        return -1;
    for (size_t i = 0; i + kSelfPlayAreaSize <= size; ++i) {
        if (data[i] == 'S' && std::memcmp(data + i, kSelfPlayOpen, 8) == 0 &&
            std::memcmp(data + i + 8 + kSelfPlayLineSize, kSelfPlayClose, 8) == 0)
            return static_cast<long>(i);
    }
    return -1;
}

bool ParseEmbeddedName(const std::string &name, uint64_t &offset)
{
    if (name.size() < 2 || name[0] != ':')
        return false;
    uint64_t v = 0;
    for (size_t i = 1; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9' || v > (UINT64_MAX - 9) / 10)
            return false;
        v = v * 10 + static_cast<uint64_t>(name[i] - '0');
    }
    offset = v;
    return true;
}

} // namespace player
