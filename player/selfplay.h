// The self-play area's format: a fixed block in the player's data that a
// self-playing copy (made by tools/zbxcompi) fills with its own command line;
// its files are appended to the program file and named ":offset" on that line.
// The small library zselfplay holds it, so the tool need not link the player.
#ifndef ZORB_PLAYER_SELFPLAY_H
#define ZORB_PLAYER_SELFPLAY_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace player {

inline constexpr size_t kSelfPlayLineSize = 208;
inline constexpr size_t kSelfPlayAreaSize = 8 + kSelfPlayLineSize + 8;
// The marks around the line: "SELFPLAY" before, "ZORBLAX!" after.
inline constexpr char kSelfPlayOpen[8] = {'S', 'E', 'L', 'F', 'P', 'L', 'A', 'Y'};
inline constexpr char kSelfPlayClose[8] = {'Z', 'O', 'R', 'B', 'L', 'A', 'X', '!'};

// Finds the self-play area in a program image: the offset of its "SELFPLAY"
// marker, or -1.
long FindSelfPlayArea(const unsigned char *data, size_t size);

// Parses ":offset" names; returns false for other names.
bool ParseEmbeddedName(const std::string &name, uint64_t &offset);

} // namespace player

#endif
