// The player's own self-play area (format: player/selfplay.h). A
// self-playing copy has it rewritten in the program file.
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
// content.
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

} // namespace player
