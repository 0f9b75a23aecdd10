// The self-play area: a fixed block in the program's data that a self-playing
// copy fills with its own command line (see tools/zbxcompi). Its files are
// appended to the program file and named ":offset" on that line.
#include <cstring>

#include "player/player.h"

namespace player {
namespace {

struct SelfPlayArea {
    char open[8];
    char line[kSelfPlayLineSize];
    char close[8];
};
static_assert(sizeof(SelfPlayArea) == kSelfPlayAreaSize);

// "SELFPLAY", the command line (all zero in the plain player), "ZORBLAX!".
// Volatile and used, so the compiler keeps it whole and never assumes its
// content: a self-playing copy has it rewritten in the program file.
__attribute__((used)) volatile SelfPlayArea g_selfPlayArea = {
    {'S', 'E', 'L', 'F', 'P', 'L', 'A', 'Y'}, {}, {'Z', 'O', 'R', 'B', 'L', 'A', 'X', '!'}};

} // namespace

std::string EmbeddedCommandLine()
{
    std::string line;
    for (size_t i = 0; i < kSelfPlayLineSize; ++i) {
        char c = g_selfPlayArea.line[i];
        if (c == 0)
            break;
        line.push_back(c);
    }
    return line;
}

long FindSelfPlayArea(const unsigned char *data, size_t size)
{
    static const char open[8] = {'S', 'E', 'L', 'F', 'P', 'L', 'A', 'Y'};
    static const char close[8] = {'Z', 'O', 'R', 'B', 'L', 'A', 'X', '!'};
    if (size < kSelfPlayAreaSize)
        return -1;
    for (size_t i = 0; i + kSelfPlayAreaSize <= size; ++i) {
        if (data[i] == 'S' && std::memcmp(data + i, open, 8) == 0 &&
            std::memcmp(data + i + 8 + kSelfPlayLineSize, close, 8) == 0)
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
