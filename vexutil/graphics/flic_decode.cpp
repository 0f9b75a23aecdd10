// Flic frame chunks: palettes, the two delta codings, byte runs, copies and
// black frames. Every read is checked against the chunk's data and every write
// against the picture's width and height.
#include "vexutil/graphics/flic_decode.h"
#include "codec/format.h"

#include <algorithm>
#include <cstring>

namespace vex {
namespace {

// A bounded cursor over one chunk's data.
class Cursor {
public:
    Cursor(const uint8_t *d, size_t n) : d_(d), n_(n) {}
    bool Has(size_t k) const { return n_ - pos_ >= k; }
    size_t Left() const { return n_ - pos_; }
    uint8_t U8() { return Has(1) ? d_[pos_++] : (pos_ = n_, 0); }
    int8_t S8() { return static_cast<int8_t>(U8()); }
    uint16_t U16()
    {
        if (!Has(2)) {
            pos_ = n_;
            return 0;
        }
        const uint16_t v = ZbxGet16(&d_[pos_]);
        pos_ += 2;
        return v;
    }
    const uint8_t *Take(size_t k)
    {
        if (!Has(k))
            return nullptr;
        const uint8_t *p = d_ + pos_;
        pos_ += k;
        return p;
    }
    bool AtEnd() const { return pos_ >= n_; }

private:
    const uint8_t *d_;
    size_t n_;
    size_t pos_ = 0;
};

inline void PutPixel(const FlicPicture &pic, int64_t x, int64_t y, uint8_t v)
{
    if (x >= 0 && y >= 0 && x < pic.width && y < pic.height)
        pic.pixels[static_cast<size_t>(y) * pic.pitch + static_cast<size_t>(x)] = v;
}

} // namespace

bool DecodeFlicPalette(const uint8_t *d, size_t n, bool sixBit, uint8_t *palette)
{
    Cursor c(d, n);
    uint32_t packets = c.U16();
    uint32_t index = 0;
    for (uint32_t p = 0; p < packets && !c.AtEnd(); p++) {
        index += c.U8();
        uint32_t count = c.U8();
        if (count == 0)
            count = 256;
        for (uint32_t i = 0; i < count; i++, index++) {
            const uint8_t *rgb = c.Take(3);
            if (!rgb)
                break; // literal data only from inside the chunk
            if (index >= 256)
                continue;
            for (int k = 0; k < 3; k++) {
                uint8_t v = rgb[k];
                if (sixBit) {
                    v &= 63;
                    v = static_cast<uint8_t>(4 * v + (v >> 4));
                }
                palette[3 * index + static_cast<uint32_t>(k)] = v;
            }
        }
    }
    return true;
}

void DecodeFlicDeltaFlc(const uint8_t *d, size_t n, const FlicPicture &pic)
{
    Cursor c(d, n);
    uint32_t lines = c.U16();
    int64_t y = 0;
    for (uint32_t line = 0; line < lines && !c.AtEnd(); line++) {
        // Words up to the packet count: row skips and the odd last byte.
        uint16_t w;
        uint32_t packets = 0;
        for (;;) {
            if (!c.Has(2))
                return;
            w = c.U16();
            if ((w & 0xC000) == 0xC000) {
                y += -static_cast<int16_t>(w);
            } else if ((w & 0xC000) == 0x8000) {
                // The last pixel of a row of odd width.
                PutPixel(pic, static_cast<int64_t>(pic.width) - 1, y, static_cast<uint8_t>(w & 0xFF));
                if (!c.Has(2))
                    return;
                packets = c.U16();
                break;
            } else {
                packets = w;
                break;
            }
        }
        int64_t x = 0;
        for (uint32_t p = 0; p < packets && !c.AtEnd(); p++) {
            x += c.U8();
            int count = c.S8();
            if (count < 0) {
                const uint8_t *word = c.Take(2);
                if (!word)
                    return;
                for (int i = 0; i < -count; i++, x += 2) {
                    PutPixel(pic, x, y, word[0]);
                    PutPixel(pic, x + 1, y, word[1]);
                }
            } else {
                for (int i = 0; i < count; i++, x += 2) {
                    const uint8_t *word = c.Take(2);
                    if (!word)
                        return;
                    PutPixel(pic, x, y, word[0]);
                    PutPixel(pic, x + 1, y, word[1]);
                }
            }
        }
        y++;
    }
}

void DecodeFlicDeltaFli(const uint8_t *d, size_t n, const FlicPicture &pic)
{
    Cursor c(d, n);
    int64_t y = c.U16();
    uint32_t rowCount = c.U16();
    for (uint32_t r = 0; r < rowCount && !c.AtEnd(); r++, y++) {
        uint32_t packets = c.U8();
        int64_t x = 0;
        for (uint32_t p = 0; p < packets && !c.AtEnd(); p++) {
            x += c.U8();
            int size = c.S8();
            if (size < 0) {
                if (!c.Has(1))
                    return;
                uint8_t v = c.U8();
                for (int i = 0; i < -size; i++)
                    PutPixel(pic, x++, y, v);
            } else {
                const uint8_t *lit = c.Take(static_cast<size_t>(size));
                if (!lit)
                    return;
                for (int i = 0; i < size; i++)
                    PutPixel(pic, x++, y, lit[i]);
            }
        }
    }
}

void DecodeFlicByteRun(const uint8_t *d, size_t n, const FlicPicture &pic)
{
    Cursor c(d, n);
    for (uint32_t y = 0; y < pic.height && !c.AtEnd(); y++) {
        c.U8(); // the packet count is not relied on
        uint32_t x = 0;
        while (x < pic.width && !c.AtEnd()) {
            int size = c.S8();
            if (size > 0) {
                if (!c.Has(1))
                    return;
                uint8_t v = c.U8();
                for (int i = 0; i < size; i++)
                    PutPixel(pic, x++, y, v);
            } else if (size < 0) {
                const uint8_t *lit = c.Take(static_cast<size_t>(-size));
                if (!lit)
                    return;
                for (int i = 0; i < -size; i++)
                    PutPixel(pic, x++, y, lit[i]);
            }
        }
    }
}

void DecodeFlicCopy(const uint8_t *d, size_t n, const FlicPicture &pic)
{
    for (uint32_t y = 0; y < pic.height; y++) {
        size_t at = static_cast<size_t>(y) * pic.width;
        if (at >= n)
            break;
        size_t k = std::min<size_t>(pic.width, n - at);
        std::memcpy(pic.pixels + static_cast<size_t>(y) * pic.pitch, d + at, k);
    }
}

void DecodeFlicBlack(const FlicPicture &pic)
{
    for (uint32_t y = 0; y < pic.height; y++)
        std::memset(pic.pixels + static_cast<size_t>(y) * pic.pitch, 0, pic.width);
}

bool DecodeFlicChunks(const uint8_t *data, size_t size, uint32_t chunkCount, const FlicPicture &pic)
{
    bool paletteChanged = false;
    size_t pos = 0;
    for (uint32_t i = 0; i < chunkCount && size - pos >= 6; i++) {
        const uint8_t *h = data + pos;
        uint32_t chunkSize = ZbxGet32(h);
        uint16_t type = ZbxGet16(h + 4);
        if (chunkSize < 6)
            break;
        size_t avail = std::min<size_t>(chunkSize, size - pos) - 6;
        const uint8_t *d = h + 6;
        switch (type) {
        case kFlicColor256:
            paletteChanged |= DecodeFlicPalette(d, avail, false, pic.palette);
            break;
        case kFlicColor64:
            paletteChanged |= DecodeFlicPalette(d, avail, true, pic.palette);
            break;
        case kFlicDeltaFlc:
            DecodeFlicDeltaFlc(d, avail, pic);
            break;
        case kFlicDeltaFli:
            DecodeFlicDeltaFli(d, avail, pic);
            break;
        case kFlicBlack:
            DecodeFlicBlack(pic);
            break;
        case kFlicByteRun:
            DecodeFlicByteRun(d, avail, pic);
            break;
        case kFlicCopy:
            DecodeFlicCopy(d, avail, pic);
            break;
        default:
            break;
        }
        if (chunkSize >= size - pos)
            break;
        pos += chunkSize;
    }
    return paletteChanged;
}

} // namespace vex
