// Palette chunks: the shortest sequence of keep, copy and set commands that
// turns the palette in force into the next one.
#include <algorithm>
#include <cstring>

#include "encoder/encoder_internal.h"

namespace zenc {

Palette8 ExpandPalette(const Palette6 &p)
{
    Palette8 out;
    for (size_t i = 0; i < 768; ++i)
        out[i] = Expand6(p[i] & 63);
    return out;
}

Palette6 ReducePalette(const uint8_t *rgb8)
{
    Palette6 out;
    for (size_t i = 0; i < 768; ++i)
        out[i] = static_cast<uint8_t>(rgb8[i] >> 2);
    return out;
}

namespace {

bool SameEntry(const Palette6 &a, int i, const Palette6 &b, int j)
{
    return a[i * 3] == b[j * 3] && a[i * 3 + 1] == b[j * 3 + 1] && a[i * 3 + 2] == b[j * 3 + 2];
}

enum Command : uint8_t { kKeep, kCopy, kSet };

} // namespace

std::vector<uint8_t> PaletteCommands(const Palette6 &old, const Palette6 &next)
{
    // match[i][s]: how many entries from next[i] on equal old[s] on.
    std::vector<uint16_t> match(257 * 257, 0);
    auto M = [&](int i, int s) -> uint16_t & { return match[static_cast<size_t>(i) * 257 + s]; };
    for (int i = 255; i >= 0; --i)
        for (int s = 255; s >= 0; --s)
            if (SameEntry(next, i, old, s))
                M(i, s) = static_cast<uint16_t>(1 + M(i + 1, s + 1));

    // best[i]: fewest bytes that produce entries i..255.
    int best[257];
    Command how[257];
    int count[257], source[257];
    best[256] = 0;
    for (int i = 255; i >= 0; --i) {
        best[i] = 3 + best[i + 1];
        how[i] = kSet;
        count[i] = 1;
        source[i] = 0;
        const int keepMax = std::min<int>(128, M(i, i));
        for (int k = keepMax; k >= 1; --k) {
            if (1 + best[i + k] < best[i]) {
                best[i] = 1 + best[i + k];
                how[i] = kKeep;
                count[i] = k;
            }
        }
        for (int s = 0; s < 256; ++s) {
            if (s == i)
                continue; // a keep does that for less
            const int copyMax = std::min<int>(64, M(i, s));
            for (int k = copyMax; k >= 1; --k) {
                if (2 + best[i + k] < best[i]) {
                    best[i] = 2 + best[i + k];
                    how[i] = kCopy;
                    count[i] = k;
                    source[i] = s;
                }
            }
        }
    }
    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(best[0]));
    for (int i = 0; i < 256; i += count[i]) {
        switch (how[i]) {
        case kKeep:
            out.push_back(static_cast<uint8_t>(0x80 | (count[i] - 1)));
            break;
        case kCopy:
            out.push_back(static_cast<uint8_t>(0x40 | (count[i] - 1)));
            out.push_back(static_cast<uint8_t>(source[i]));
            break;
        case kSet:
            out.push_back(next[i * 3] & 63);
            out.push_back(next[i * 3 + 1] & 63);
            out.push_back(next[i * 3 + 2] & 63);
            break;
        }
    }
    return out;
}

std::vector<uint8_t> PaletteChunk(const Palette6 &old, const Palette6 &next)
{
    std::vector<uint8_t> commands = PaletteCommands(old, next);
    const size_t units = (commands.size() + 1 + 3) / 4; // at most 193
    std::vector<uint8_t> chunk(units * 4, 0);
    chunk[0] = static_cast<uint8_t>(units);
    std::memcpy(chunk.data() + 1, commands.data(), commands.size());
    return chunk;
}

bool ApplyPaletteChunk(const uint8_t *chunk, size_t size, Palette6 &palette)
{
    if (size < 1)
        return false;
    const Palette6 old = palette;
    size_t at = 1;
    int index = 0;
    while (index <= 255) {
        if (at >= size)
            return false;
        const uint8_t c = chunk[at++];
        if (c & 0x80) {
            const int n = (c & 0x7F) + 1;
            for (int k = 0; k < n && index <= 255; ++k, ++index)
                std::memcpy(&palette[index * 3], &old[index * 3], 3);
        } else if (c & 0x40) {
            if (at >= size)
                return false;
            const int n = (c & 0x3F) + 1, s = chunk[at++];
            for (int k = 0; k < n && index <= 255 && s + k <= 255; ++k, ++index)
                std::memcpy(&palette[index * 3], &old[(s + k) * 3], 3);
        } else {
            if (at + 2 > size)
                return false;
            palette[index * 3] = c & 63;
            palette[index * 3 + 1] = chunk[at++] & 63;
            palette[index * 3 + 2] = chunk[at++] & 63;
            ++index;
        }
    }
    return true;
}

} // namespace zenc
