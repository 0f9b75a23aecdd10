// Bitmap commands: allocating and freeing the numbered bitmaps, their sizes,
// the listing, and drawing into them (clear, colour change, pixels, lines,
// boxes, text). Nothing is written or read outside a bitmap: such pixels are
// skipped, and reads of an empty bitmap give 0.
#include "script/commands/line.h"
#include "script/core/bitmap_store.h"
#include "script/core/commands.h"
#include "script/core/interp.h"

#include <algorithm>
#include <cstring>

namespace zscript {

namespace {

uint8_t Colour(int32_t value)
{
    return static_cast<uint8_t>(value & 0xFF);
}

// A coordinate above the last column or row (unsigned compare) is the last one.
uint32_t Limit(int32_t value, uint32_t size)
{
    return std::min(static_cast<uint32_t>(value), size - 1);
}

void Line(ScriptBitmap &b, int64_t x1, int64_t y1, int64_t x2, int64_t y2, uint8_t colour)
{
    uint8_t *const pixels = b.pixels.data();
    const int64_t pitch = b.width;
    DrawLine(x1, y1, x2, y2, b.width, b.height,
             [pixels, pitch, colour](int64_t x, int64_t y) { pixels[y * pitch + x] = colour; });
}

} // namespace

void CmdBitmapAlloc(Interp &in)
{
    const std::string name = ReadName(in);
    const auto width = static_cast<uint32_t>(ReadNumber(in, 1));
    const auto height = static_cast<uint32_t>(ReadNumber(in, 1));
    SetVariableNumber(in, name, AllocBitmap(in, width, height));
}

// The parameter is a variable holding the number; the variable is deleted.
void CmdBitmapFree(Interp &in)
{
    const std::string name = ReadName(in);
    std::string key = name;
    FreeBitmap(in, ToNumber(GetVariable(in, key)));
    SetVariable(in, name, "");
}

void CmdBitmapWidth(Interp &in)
{
    const std::string name = ReadName(in);
    SetVariableNumber(in, name, static_cast<int32_t>(CheckBitmap(in, ReadNumber(in, 1)).width));
}

void CmdBitmapHeight(Interp &in)
{
    const std::string name = ReadName(in);
    SetVariableNumber(in, name, static_cast<int32_t>(CheckBitmap(in, ReadNumber(in, 1)).height));
}

void CmdBitmapList(Interp &in)
{
    NeedWindow(in);
    for (int i = 0; i < kBitmapSlots; ++i) {
        const ScriptBitmap *b = in.bitmaps.slots[i].get();
        if (b)
            ListLine(in, "Number: " + std::to_string(kBitmapBase + i) +
                             "  Width: " + std::to_string(static_cast<int32_t>(b->width)) +
                             "  Height: " + std::to_string(static_cast<int32_t>(b->height)));
    }
}

void CmdBitmapClear(Interp &in)
{
    ScriptBitmap &b = CheckBitmap(in, ReadNumber(in));
    std::fill(b.pixels.begin(), b.pixels.end(), Colour(ReadNumber(in)));
}

void CmdBitmapChangeColor(Interp &in)
{
    ScriptBitmap &b = CheckBitmap(in, ReadNumber(in));
    const uint8_t from = Colour(ReadNumber(in)), to = Colour(ReadNumber(in));
    std::replace(b.pixels.begin(), b.pixels.end(), from, to);
}

void CmdBitmapGetPixel(Interp &in)
{
    const std::string name = ReadName(in);
    const ScriptBitmap &b = CheckBitmap(in, ReadNumber(in, 1));
    const int32_t x = ReadNumber(in, 1), y = ReadNumber(in, 1);
    SetVariableNumber(in, name, b.pixels.empty() ? 0 : b.Row(Limit(y, b.height))[Limit(x, b.width)]);
}

void CmdBitmapSetPixel(Interp &in)
{
    ScriptBitmap &b = CheckBitmap(in, ReadNumber(in));
    const int32_t x = ReadNumber(in), y = ReadNumber(in);
    const uint8_t colour = Colour(ReadNumber(in));
    if (!b.pixels.empty())
        b.Row(Limit(y, b.height))[Limit(x, b.width)] = colour;
}

void CmdBitmapLine(Interp &in)
{
    ScriptBitmap &b = CheckBitmap(in, ReadNumber(in));
    const int32_t x1 = ReadNumber(in), y1 = ReadNumber(in), x2 = ReadNumber(in), y2 = ReadNumber(in);
    Line(b, x1, y1, x2, y2, Colour(ReadNumber(in)));
}

// The outline through (x, y) and (x + w, y + h): w + 1 by h + 1 pixels.
void CmdBitmapBox(Interp &in)
{
    ScriptBitmap &b = CheckBitmap(in, ReadNumber(in));
    const int64_t x = ReadNumber(in), y = ReadNumber(in);
    const int64_t w = ReadNumber(in), h = ReadNumber(in);
    const uint8_t colour = Colour(ReadNumber(in));
    Line(b, x, y, x + w, y, colour);
    Line(b, x + w, y, x + w, y + h, colour);
    Line(b, x + w, y + h, x, y + h, colour);
    Line(b, x, y + h, x, y, colour);
}

// Rows y to y + h - 1, columns x to x + w - 1, as far as they lie in the bitmap.
void CmdBitmapFilledBox(Interp &in)
{
    ScriptBitmap &b = CheckBitmap(in, ReadNumber(in));
    const int64_t x = ReadNumber(in), y = ReadNumber(in);
    const int64_t w = ReadNumber(in), h = ReadNumber(in);
    const uint8_t colour = Colour(ReadNumber(in));
    const int64_t x0 = std::max<int64_t>(x, 0), x1 = std::min<int64_t>(x + w, b.width);
    const int64_t y0 = std::max<int64_t>(y, 0), y1 = std::min<int64_t>(y + h, b.height);
    for (int64_t row = y0; row < y1 && x0 < x1; ++row)
        std::memset(b.Row(static_cast<uint32_t>(row)) + x0, colour, static_cast<size_t>(x1 - x0));
}

// The text with the current font and text colours at (x, y) of the bitmap.
void CmdBitmapText(Interp &in)
{
    ScriptBitmap &b = CheckBitmap(in, ReadNumber(in));
    const int32_t x = ReadNumber(in), y = ReadNumber(in);
    const std::string &text = ReadValue(in);
    DrawText(AsSurface(b), x, y, ToFontCodes(text), in.screen.font, in.screen.Colours());
}

} // namespace zscript
