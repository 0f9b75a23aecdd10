// Internal: the text font (the built-in 8 x 16 one, or one cut from a bitmap)
// and drawing text with the three colours onto any 8-bit surface, the screen
// or a bitmap.
#ifndef ZORB_SCRIPT_CORE_FONT_H
#define ZORB_SCRIPT_CORE_FONT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "script/core/host.h"

namespace zscript {

// The built-in font: 8 x 16 cells for the codes 32 to 175 in code-page-437
// order, 16 bytes a glyph (generated at build time from a console font).
constexpr uint32_t kBuiltinFirst = 32, kBuiltinLast = 175;
constexpr size_t kBuiltinGlyphCount = kBuiltinLast - kBuiltinFirst + 1;
extern const uint8_t kBuiltinGlyphs[kBuiltinGlyphCount * 16];

// Largest cell a font cut from a bitmap may have.
constexpr uint32_t kMaxCell = 1024;

struct Font {
    uint32_t cellWidth = 8, cellHeight = 16;
    uint32_t first = kBuiltinFirst, last = kBuiltinLast;
    std::vector<uint8_t> glyphs; // empty: the built-in glyphs

    // Bytes of one glyph row: the most significant bit is the leftmost pixel.
    uint32_t RowBytes() const { return (cellWidth + 7) / 8; }
    // The glyph of a code; codes outside first..last get the first glyph.
    const uint8_t *Glyph(uint8_t code) const;
};

// Font cut from an 8-bit picture: cells taken left to right along each cell
// row, then the next cell row below; a pixel other than 0 is set. Parts of
// cells beyond the picture are clear. Cell sizes are 1 to kMaxCell.
Font FontFromPicture(const ScreenSurface &picture, uint32_t cellWidth, uint32_t cellHeight, uint32_t first,
                     uint32_t last);

struct TextColours {
    uint8_t text = 7, back = 0, trans = 128;
};

// Draws the characters side by side from (x, y), one cell each:
// - text colour = transparent colour: clear pixels get the background, set ones stay;
// - else background = transparent colour: set pixels get the text colour, clear ones stay;
// - else set pixels get the text colour, clear ones the background.
// Only pixels on the surface are written. Returns the text's width in pixels.
int64_t DrawText(const ScreenSurface &dst, int64_t x, int64_t y, std::string_view text, const Font &font,
                 const TextColours &colours);

// Text as codes of the built-in font (code page 437): UTF-8 characters the
// font has become their code, other UTF-8 characters "?"; bytes that are not
// part of a well-formed UTF-8 sequence (legacy 8-bit text) stay as they are.
std::string ToFontCodes(std::string_view text);

} // namespace zscript

#endif
