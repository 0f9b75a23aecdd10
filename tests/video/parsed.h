// Minimal reader of generated files for the decoder tests: header fields,
// trees and the chunk positions of every stored frame.
#ifndef ZORB_TESTS_VIDEO_PARSED_H
#define ZORB_TESTS_VIDEO_PARSED_H

#include <cstring>
#include <vector>

#include "codec/trees.h"

struct ParsedFile {
    std::vector<uint8_t> bytes;
    uint32_t width = 0, height = 0, frameCount = 0, flags = 0;
    uint32_t audioMax[7] = {}, audioFormat[7] = {};
    zorb::TreeTable *trees = nullptr;
    struct Frame {
        size_t offset, size;
        uint8_t type;
        size_t palette, video;
        size_t sound[7];
    };
    std::vector<Frame> frames;

    static uint32_t U32(const uint8_t *p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24; }

    explicit ParsedFile(std::vector<uint8_t> b) : bytes(std::move(b))
    {
        const uint8_t *p = bytes.data();
        width = U32(p + 4), height = U32(p + 8), frameCount = U32(p + 12), flags = U32(p + 20);
        for (int n = 0; n < 7; ++n)
            audioMax[n] = U32(p + 24 + 4 * n), audioFormat[n] = U32(p + 72 + 4 * n);
        const uint32_t N = frameCount + (flags & 1), treeSize = U32(p + 52);
        uint32_t nodeBytes[4];
        for (int t = 0; t < 4; ++t)
            nodeBytes[t] = U32(p + 56 + 4 * t);
        const size_t treeAt = 104 + 5 * size_t{N};
        std::string err;
        trees = zorb::NewTreeTable(p + treeAt, treeSize, nodeBytes, err);
        size_t at = treeAt + treeSize;
        for (uint32_t i = 0; i < N; ++i) {
            Frame f{};
            f.offset = at;
            f.size = U32(p + 104 + 4 * i);
            f.type = p[104 + 4 * N + i];
            size_t c = at;
            f.palette = (f.type & 1) ? at : 0;
            if (f.type & 1)
                c += 4 * p[at];
            for (int n = 0; n < 7; ++n) {
                f.sound[n] = 0;
                if (f.type & (2 << n)) {
                    f.sound[n] = c;
                    c += U32(p + c);
                }
            }
            f.video = c;
            frames.push_back(f);
            at += f.size;
        }
    }
    ~ParsedFile() { zorb::FreeTreeTable(trees); }
    ParsedFile(const ParsedFile &) = delete;
    ParsedFile &operator=(const ParsedFile &) = delete;

    // The video data of frame i as its own heap block of exact size, so that
    // a read past its end is caught by the address sanitizer.
    std::vector<uint8_t> Video(size_t i) const
    {
        const Frame &f = frames[i];
        return std::vector<uint8_t>(bytes.begin() + static_cast<long>(f.video),
                                    bytes.begin() + static_cast<long>(f.offset + f.size));
    }
};

#endif
