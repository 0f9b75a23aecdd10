// Chunk encoders of the flic writer (see flic_encode.h).
#include "vexutil/graphics/flic_encode.h"
#include "codec/format.h"

#include <algorithm>
#include <cstring>

namespace vex {

void ChunkOutput::Bytes(const uint8_t *p, size_t n)
{
    if (n <= capacity_ - std::min(size_, capacity_) && !overflowed_) {
        std::memcpy(data_ + size_, p, n);
        size_ += n;
        return;
    }
    overflowed_ = true;
    size_ += n;
}

void ChunkOutput::PatchByte(size_t at, uint32_t v)
{
    if (at < capacity_ && at < size_)
        data_[at] = static_cast<uint8_t>(v & 0xFF);
}

void ChunkOutput::PatchWord(size_t at, uint32_t v)
{
    if (at + 2 <= capacity_ && at + 2 <= size_) {
        data_[at] = static_cast<uint8_t>(v & 0xFF);
        data_[at + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
    }
}

bool EncodeFlicPalette(const uint8_t *previous, const uint8_t *palette, ChunkOutput &out)
{
    auto differs = [&](int i) { return !previous || std::memcmp(previous + 3 * i, palette + 3 * i, 3) != 0; };
    const size_t countAt = out.Size();
    out.Word(0);
    uint32_t packets = 0;
    int next = 0; // first entry after the last packet
    for (int i = 0; i < 256;) {
        if (!differs(i)) {
            ++i;
            continue;
        }
        int end = i + 1;
        while (end < 256 && differs(end))
            ++end;
        out.Byte(static_cast<uint32_t>(i - next));
        out.Byte(static_cast<uint32_t>((end - i) & 0xFF)); // 256 is written as 0
        out.Bytes(palette + 3 * i, static_cast<size_t>(3 * (end - i)));
        ++packets;
        next = end;
        i = end;
    }
    out.PatchWord(countAt, packets);
    return packets > 0;
}

void EncodeFlicByteRun(const uint8_t *pixels, uint32_t width, uint32_t height, ChunkOutput &out)
{
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t *row = pixels + static_cast<size_t>(y) * width;
        out.Byte(0); // packet count: unused, rows end by their width
        uint32_t x = 0;
        while (x < width) {
            uint32_t run = 1;
            while (x + run < width && run < 127 && row[x + run] == row[x])
                ++run;
            if (run >= 2) {
                out.Byte(run);
                out.Byte(row[x]);
                x += run;
                continue;
            }
            // Literal bytes, ending before two equal bytes.
            uint32_t n = 1;
            while (x + n < width && n < 127 && !(x + n + 1 < width && row[x + n] == row[x + n + 1]))
                ++n;
            out.Byte(static_cast<uint32_t>(-static_cast<int32_t>(n)) & 0xFF);
            out.Bytes(row + x, n);
            x += n;
        }
    }
}

bool EncodeFlicLc(const uint8_t *previous, const uint8_t *current, uint32_t width, uint32_t height, ChunkOutput &out)
{
    const size_t w = width;
    auto rowChanged = [&](uint32_t y) { return std::memcmp(previous + y * w, current + y * w, w) != 0; };
    uint32_t first = 0;
    while (first < height && !rowChanged(first))
        ++first;
    if (first == height)
        return false;
    uint32_t last = height - 1;
    while (!rowChanged(last))
        --last;
    out.Word(first);
    out.Word(last - first + 1);
    for (uint32_t y = first; y <= last; ++y) {
        const uint8_t *p = previous + y * w, *c = current + y * w;
        const size_t countAt = out.Size();
        out.Byte(0);
        uint32_t end = width;
        while (end > 0 && p[end - 1] == c[end - 1])
            --end;
        uint32_t packets = 0, x = 0;
        while (x < end) {
            uint32_t skip = 0;
            while (c[x] == p[x])
                ++x, ++skip; // a changed byte lies before end
            while (skip > 255) {
                out.Byte(255);
                out.Byte(0);
                skip -= 255;
                ++packets;
            }
            out.Byte(skip);
            uint32_t run = 1;
            while (x + run < end && run < 127 && c[x + run] == c[x])
                ++run;
            if (run >= 4) {
                out.Byte(static_cast<uint32_t>(-static_cast<int32_t>(run)) & 0xFF);
                out.Byte(c[x]);
                x += run;
            } else {
                uint32_t n = 1;
                for (; x + n < end && n < 127; ++n) {
                    const uint32_t at = x + n;
                    if (at + 4 <= end && std::memcmp(c + at, p + at, 4) == 0)
                        break;
                    if (at + 4 <= end && c[at] == c[at + 1] && c[at] == c[at + 2] && c[at] == c[at + 3])
                        break;
                }
                out.Byte(n);
                out.Bytes(c + x, n);
                x += n;
            }
            ++packets;
        }
        if (packets > 255)
            out.Fail(); // the row's packet count is one byte
        out.PatchByte(countAt, packets);
    }
    return true;
}

bool EncodeFlicDeltaFlc(const uint8_t *previous, const uint8_t *current, uint32_t width, uint32_t height,
                        ChunkOutput &out)
{
    const size_t w = width;
    const uint32_t words = width / 2;
    const size_t linesAt = out.Size();
    out.Word(0);
    uint32_t lines = 0, skippedRows = 0;
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t *p = previous + y * w, *c = current + y * w;
        auto word = [&](uint32_t i) { return uint32_t{ZbxGet16(c + 2 * i)}; };
        auto changed = [&](uint32_t i) { return c[2 * i] != p[2 * i] || c[2 * i + 1] != p[2 * i + 1]; };
        uint32_t end = words; // one past the last changed word
        while (end > 0 && !changed(end - 1))
            --end;
        if (end == 0) {
            ++skippedRows;
            continue;
        }
        // Skipped rows: a word of minus their number (top bits 11, so at most
        // 16384 rows a word).
        while (skippedRows > 0) {
            const uint32_t n = std::min<uint32_t>(skippedRows, 16384);
            out.Word(0x10000u - n);
            skippedRows -= n;
        }
        ++lines;
        const size_t countAt = out.Size();
        out.Word(0);
        uint32_t packets = 0, i = 0;
        // Two words from at on that need no writing.
        auto unchangedPair = [&](uint32_t at) { return !changed(at) && at + 1 < end && !changed(at + 1); };
        while (i < end) {
            uint32_t skip = 0;
            while (!changed(i))
                ++i, ++skip; // a changed word lies before end
            while (skip > 127) {
                out.Byte(254);
                out.Byte(0);
                skip -= 127;
                ++packets;
            }
            out.Byte(2 * skip);
            if (i + 1 == end || word(i) == word(i + 1)) {
                uint32_t n = 1;
                while (i + n < end && n < 127 && word(i + n) == word(i) && !unchangedPair(i + n))
                    ++n;
                out.Byte(static_cast<uint32_t>(-static_cast<int32_t>(n)) & 0xFF);
                out.Word(word(i));
                i += n;
            } else {
                uint32_t n = 1;
                for (; i + n < end && n < 127; ++n) {
                    const uint32_t at = i + n;
                    if (unchangedPair(at))
                        break;
                    if (at + 2 < end && word(at) == word(at + 1) && word(at) == word(at + 2))
                        break;
                }
                out.Byte(n);
                out.Bytes(c + 2 * i, 2 * n);
                i += n;
            }
            ++packets;
        }
        if (packets > 0x3FFF)
            out.Fail(); // larger counts would read as row skips
        out.PatchWord(countAt, packets);
    }
    if (lines == 0) {
        return false;
    }
    if (lines > 0xFFFF)
        out.Fail();
    out.PatchWord(linesAt, lines);
    return true;
}

} // namespace vex
