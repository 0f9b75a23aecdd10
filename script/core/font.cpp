// The text font and drawing text onto 8-bit surfaces (see font.h).
#include "script/core/font.h"

#include <algorithm>

namespace zscript {

const uint8_t *Font::Glyph(uint8_t code) const
{
    const uint32_t index = code >= first && code <= last ? code - first : 0;
    if (glyphs.empty())
        return kBuiltinGlyphs + index * 16;
    return glyphs.data() + static_cast<size_t>(index) * RowBytes() * cellHeight;
}

Font FontFromPicture(const ScreenSurface &picture, uint32_t cellWidth, uint32_t cellHeight, uint32_t first,
                     uint32_t last)
{
    Font font;
    font.cellWidth = std::clamp<uint32_t>(cellWidth, 1, kMaxCell);
    font.cellHeight = std::clamp<uint32_t>(cellHeight, 1, kMaxCell);
    font.first = first;
    // Codes are bytes: glyphs past 255 are never drawn, and a range that ends
    // before it starts holds the first glyph only.
    font.last = std::max(first, std::min<uint32_t>(last, 255));
    const uint32_t count = first > 255 ? 1 : font.last - first + 1;
    const uint32_t rowBytes = font.RowBytes();
    font.glyphs.assign(static_cast<size_t>(count) * rowBytes * font.cellHeight, 0);
    const int64_t perRow = std::max<int64_t>(1, picture.width / static_cast<int64_t>(font.cellWidth));
    for (uint32_t g = 0; g < count; ++g) {
        const int64_t left = (g % perRow) * font.cellWidth, top = (g / perRow) * font.cellHeight;
        uint8_t *out = font.glyphs.data() + static_cast<size_t>(g) * rowBytes * font.cellHeight;
        for (uint32_t r = 0; r < font.cellHeight; ++r, out += rowBytes) {
            const int64_t py = top + r;
            if (py >= picture.height)
                break;
            const uint8_t *src = picture.Row(static_cast<int32_t>(py));
            const int64_t end = std::min<int64_t>(font.cellWidth, picture.width - left);
            for (int64_t c = 0; c < end; ++c)
                if (src[left + c] != 0)
                    out[c >> 3] |= static_cast<uint8_t>(0x80 >> (c & 7));
        }
    }
    return font;
}

int64_t DrawText(const ScreenSurface &dst, int64_t x, int64_t y, std::string_view text, const Font &font,
                 const TextColours &colours)
{
    const int64_t cw = font.cellWidth, ch = font.cellHeight;
    const int64_t width = cw * static_cast<int64_t>(text.size());
    const int64_t r0 = std::max<int64_t>(0, -y), r1 = std::min<int64_t>(ch, dst.height - y);
    if (!dst.pixels || r0 >= r1)
        return width;
    enum {
        kBackOnly,
        kTextOnly,
        kBoth
    } rule = colours.text == colours.trans   ? kBackOnly
             : colours.back == colours.trans ? kTextOnly
                                             : kBoth;
    const uint32_t rowBytes = font.RowBytes();
    for (size_t i = 0; i < text.size(); ++i) {
        const int64_t cx = x + static_cast<int64_t>(i) * cw;
        if (cx >= dst.width)
            break;
        if (cx + cw <= 0)
            continue;
        const int64_t c0 = std::max<int64_t>(0, -cx), c1 = std::min<int64_t>(cw, dst.width - cx);
        const uint8_t *glyph = font.Glyph(static_cast<uint8_t>(text[i]));
        for (int64_t r = r0; r < r1; ++r) {
            const uint8_t *bits = glyph + r * rowBytes;
            uint8_t *out = dst.Row(static_cast<int32_t>(y + r)) + cx;
            for (int64_t c = c0; c < c1; ++c) {
                const bool set = (bits[c >> 3] & (0x80 >> (c & 7))) != 0;
                if (set && rule != kBackOnly)
                    out[c] = colours.text;
                else if (!set && rule != kTextOnly)
                    out[c] = colours.back;
            }
        }
    }
    return width;
}

} // namespace zscript
