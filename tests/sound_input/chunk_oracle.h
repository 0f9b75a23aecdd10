// An independent decoder of sound chunks, written from the chunk layout alone,
// for checking what the chunk encoder writes.
#ifndef ZORB_TESTS_SOUND_INPUT_CHUNK_ORACLE_H
#define ZORB_TESTS_SOUND_INPUT_CHUNK_ORACLE_H

#include "tests/huffman/tree_oracle.h"

#include <cstdint>
#include <vector>

namespace oracle {

inline uint32_t Le32(const std::vector<uint8_t> &b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

struct DecodedChunk {
    bool ok = false;
    uint32_t length = 0; // L
    uint32_t size = 0;   // U
    bool stereo = false, wide = false;
    std::vector<uint8_t> pcm;
    std::vector<std::vector<uint32_t>> deltas; // per tree
};

// Decodes the compressed chunk at offset `at` of `file`.
inline DecodedChunk DecodeChunk(const std::vector<uint8_t> &file, size_t at)
{
    DecodedChunk d;
    if (at + 8 > file.size())
        return d;
    d.length = Le32(file, at);
    d.size = Le32(file, at + 4);
    if (d.length < 8 || at + d.length > file.size())
        return d;
    const std::vector<uint8_t> stream(file.begin() + static_cast<long>(at + 8),
                                      file.begin() + static_cast<long>(at + d.length));
    BitReader br(stream);
    if (!br.bit()) {
        d.ok = true;
        return d;
    }
    d.stereo = br.bit();
    d.wide = br.bit();
    const int trees = (d.stereo ? 2 : 1) * (d.wide ? 2 : 1);
    std::vector<ByteTree> t(static_cast<size_t>(trees));
    d.deltas.resize(static_cast<size_t>(trees));
    for (auto &tree : t) {
        br.bit();
        if (!tree.read(br))
            return d;
    }
    if (d.size == 0) {
        d.ok = true;
        return d;
    }
    uint32_t s[2] = {0, 0}; // left, right
    if (d.wide) {
        for (int c = d.stereo ? 1 : 0; c >= 0; --c) {
            const uint32_t hi = br.bits(8);
            s[c] = hi << 8 | br.bits(8);
        }
    } else {
        for (int c = d.stereo ? 1 : 0; c >= 0; --c)
            s[c] = br.bits(8);
    }
    auto put = [&] {
        for (int c = 0; c < (d.stereo ? 2 : 1); ++c) {
            d.pcm.push_back(static_cast<uint8_t>(s[c]));
            if (d.wide)
                d.pcm.push_back(static_cast<uint8_t>(s[c] >> 8));
        }
    };
    put();
    while (d.pcm.size() < d.size) {
        for (int c = 0; c < (d.stereo ? 2 : 1); ++c) {
            if (d.wide) {
                const uint32_t lo = t[static_cast<size_t>(c * 2)].decode(br);
                const uint32_t hi = t[static_cast<size_t>(c * 2 + 1)].decode(br);
                d.deltas[static_cast<size_t>(c * 2)].push_back(lo);
                d.deltas[static_cast<size_t>(c * 2 + 1)].push_back(hi);
                s[c] = (s[c] + (hi << 8 | lo)) & 0xFFFF;
            } else {
                const uint32_t v = t[static_cast<size_t>(c)].decode(br);
                d.deltas[static_cast<size_t>(c)].push_back(v);
                s[c] = (s[c] + v) & 0xFF;
            }
        }
        put();
        if (br.overrun())
            return d;
    }
    d.ok = d.pcm.size() == d.size;
    return d;
}

} // namespace oracle

#endif
