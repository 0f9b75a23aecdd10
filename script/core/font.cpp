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

namespace zscript {

namespace {

// Characters 128-175 of code page 437, the upper half the built-in font has.
constexpr uint16_t kCodePage437High[48] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB};

// The length and value of a well-formed UTF-8 sequence at s[i] (shortest
// form, no surrogates, at most U+10FFFF); 0 when there is none.
size_t DecodeUtf8(std::string_view s, size_t i, uint32_t &code)
{
    const auto b0 = static_cast<unsigned char>(s[i]);
    size_t length;
    uint32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2, min = 0x80, code = b0 & 0x1Fu;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3, min = 0x800, code = b0 & 0x0Fu;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4, min = 0x10000, code = b0 & 0x07u;
    } else {
        return 0;
    }
    if (s.size() - i < length)
        return 0;
    for (size_t k = 1; k < length; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (b & 0x3Fu);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

std::string ToFontCodes(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        uint32_t code = 0;
        const size_t length = static_cast<unsigned char>(text[i]) < 0x80 ? 0 : DecodeUtf8(text, i, code);
        if (length == 0) { // ASCII, or a byte of legacy 8-bit text
            out += text[i++];
            continue;
        }
        i += length;
        char mapped = '?';
        if (code == 0x2302)
            mapped = '\x7F';
        for (int k = 0; k < 48; ++k)
            if (kCodePage437High[k] == code)
                mapped = static_cast<char>(128 + k);
        out += mapped;
    }
    return out;
}

} // namespace zscript
