// The text commands: TEXT and TEXTNOCR at the text cursor (or into the print
// file), the text colours and cursor, TEXTBEGIN blocks and fonts cut from
// bitmaps. Text is drawn with the font of the text state; there is no
// scrolling, and nothing is drawn outside the screen.
#include "script/commands/screen_draw.h"
#include "script/core/commands.h"
#include "script/core/interp.h"

#include <algorithm>

namespace zscript {

namespace {

uint8_t Colour(int32_t value)
{
    return static_cast<uint8_t>(value & 0xFF);
}

// Cursor and origin sums wrap at 32 bits as the language's arithmetic does.
int32_t Wrap32(int64_t value)
{
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

} // namespace

void DrawAtCursor(Interp &in, std::string_view text)
{
    Screen &s = in.screen;
    if (!s.open || text.empty())
        return;
    const int64_t cw = s.font.cellWidth, ch = s.font.cellHeight;
    if (text[0] == '\n') { // a new line; at the bottom nothing happens (no scrolling)
        if (s.surface.height < int64_t{s.cursorY} + 2 * ch)
            return;
        s.cursorX = s.originX;
        s.cursorY += static_cast<int32_t>(ch);
        return;
    }
    if (text[0] == '\b') { // back one cell, which is cleared
        s.cursorX = s.cursorX < 9 ? 0 : static_cast<int32_t>(s.cursorX - cw);
        FillScreen(in, s.cursorX, s.cursorY, cw, ch, s.backColour);
        return;
    }
    const std::string codes = ToFontCodes(text);
    text = codes;
    // Cut to the whole cells that fit before the right edge.
    const int64_t room = (s.surface.width - int64_t{s.cursorX}) / cw;
    if (room <= 0)
        return;
    text = text.substr(0, static_cast<size_t>(std::min<int64_t>(room, static_cast<int64_t>(text.size()))));
    const int64_t width = cw * static_cast<int64_t>(text.size());
    {
        const ScreenChange change(in, s.cursorX, s.cursorY, width, ch);
        DrawText(s.surface, s.cursorX, s.cursorY, text, s.font, s.Colours());
    }
    s.cursorX = static_cast<int32_t>(s.cursorX + width);
}

void TextOut(Interp &in, std::string_view text, bool newline)
{
    if (in.printSlot != kNoSlot && in.slots[in.printSlot]) {
        std::string t(text);
        if (newline)
            t += "\r\n";
        VEXFilePut(in.slots[in.printSlot], t.data(), static_cast<uint32_t>(t.size()));
        return;
    }
    DrawAtCursor(in, text);
    if (newline)
        DrawAtCursor(in, "\n");
}

void CmdText(Interp &in)
{
    const std::string &text = ReadValue(in);
    NeedWindow(in);
    TextOut(in, text, true);
}

void CmdTextNoCr(Interp &in)
{
    const std::string &text = ReadValue(in);
    NeedWindow(in);
    TextOut(in, text, false);
}

void CmdTextBegin(Interp &in)
{
    // The block the file reader kept for the running line (none when the
    // command came from INTERPRET or a "TEXTBEGIN" inside a longer line).
    if (!in.file || in.position == 0)
        return;
    const auto it = in.file->textBlocks.find(in.position - 1);
    if (it == in.file->textBlocks.end())
        return;
    std::string line;
    for (const std::string &source : it->second.lines) {
        ExpandVariables(in, source, line);
        TextOut(in, line, true);
    }
    if (!it->second.ended) // no TEXTEND: the file ends with the block
        in.control = CTRL_LEAVE_SCRIPT;
}

// TEXTFONTFROMBITMAP bitmap cell-width cell-height first last; bitmap 0 is
// the built-in font again (the other values are read and ignored).
void CmdTextFontFromBitmap(Interp &in)
{
    const int32_t number = ReadNumber(in);
    if (number == 0) {
        for (int i = 0; i < 4; ++i)
            ReadValue(in, 1);
        in.screen.font = Font{};
        return;
    }
    ScriptBitmap &b = CheckBitmap(in, number);
    const auto cellWidth = static_cast<uint32_t>(ReadNumber(in, 1));
    const auto cellHeight = static_cast<uint32_t>(ReadNumber(in, 1));
    const auto first = static_cast<uint32_t>(ReadNumber(in, 1));
    const auto last = static_cast<uint32_t>(ReadNumber(in, 1));
    if (cellWidth < 1 || cellHeight < 1 || cellWidth > kMaxCell || cellHeight > kMaxCell)
        CommandError(in, "  Bad font cell size in command:\r\n    ");
    in.screen.font = FontFromPicture(AsSurface(b), cellWidth, cellHeight, first, last);
}

void CmdTextColor(Interp &in)
{
    in.screen.textColour = Colour(ReadNumber(in));
}
void CmdTextBackColor(Interp &in)
{
    in.screen.backColour = Colour(ReadNumber(in));
}
void CmdTextTransColor(Interp &in)
{
    in.screen.transColour = Colour(ReadNumber(in));
}

void CmdTextSetXY(Interp &in)
{
    Screen &s = in.screen;
    const int32_t x = ReadNumber(in), y = ReadNumber(in, 1);
    s.cursorX = Wrap32(int64_t{x} + s.originX);
    s.cursorY = Wrap32(int64_t{y} + s.originY);
}

void CmdTextX(Interp &in)
{
    const std::string &name = ReadName(in);
    SetVariableNumber(in, name, Wrap32(int64_t{in.screen.cursorX} - in.screen.originX));
}

void CmdTextY(Interp &in)
{
    const std::string &name = ReadName(in);
    SetVariableNumber(in, name, Wrap32(int64_t{in.screen.cursorY} - in.screen.originY));
}

} // namespace zscript
