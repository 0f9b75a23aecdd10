// String commands: STRLENGTH, STRUCASE, STRLCASE, STRTRIM, STRADDBACKSLASH,
// STRISNUMERIC, STRISLABEL, STRFIND, STRPIECE, STRLPAD, STRLPADZERO,
// STRRPAD, STRREPEAT, STRFIRST. Results are texts of at most 767 characters.
#include "platform/text.h"
#include "script/core/commands.h"
#include "script/core/interp.h"

#include <algorithm>
#include <cstring>

namespace zscript {

namespace {

using zorb::platform::IsBlank;

std::string Trimmed(const std::string &s)
{
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

void Pad(Interp &in, char fill, bool left)
{
    const std::string name = ReadName(in);
    int32_t width = ReadNumber(in, 1);
    std::string text = ReadValue(in, 1);
    width = std::min<int32_t>(width, static_cast<int32_t>(kTextMax));
    if (width > 0 && text.size() < static_cast<size_t>(width)) {
        const std::string padding(static_cast<size_t>(width) - text.size(), fill);
        text = left ? padding + text : text + padding;
    }
    SetVariable(in, name, text);
}

void Case(Interp &in, bool upper)
{
    const std::string name = ReadName(in);
    std::string text = ReadValue(in, 1);
    if (upper)
        zorb::platform::UpperCase(text);
    else
        zorb::platform::LowerCase(text);
    SetVariable(in, name, text);
}

} // namespace

void CmdStrLength(Interp &in)
{
    const std::string name = ReadName(in);
    SetVariableNumber(in, name, static_cast<int32_t>(ReadValue(in, 1).size()));
}

void CmdStrUcase(Interp &in)
{
    Case(in, true);
}
void CmdStrLcase(Interp &in)
{
    Case(in, false);
}

void CmdStrTrim(Interp &in)
{
    const std::string name = ReadName(in);
    SetVariable(in, name, Trimmed(ReadValue(in, 1)));
}

void CmdStrAddBackslash(Interp &in)
{
    const std::string name = ReadName(in);
    char text[kTextMax + 2];
    const std::string &value = ReadValue(in, 1);
    std::memcpy(text, value.c_str(), value.size() + 1);
    SetVariable(in, name, AddBackslash(text));
}

void CmdStrIsNumeric(Interp &in)
{
    const std::string name = ReadName(in);
    SetVariableNumber(in, name, IsNumber(ReadValue(in, 1)) ? 1 : 0);
}

void CmdStrIsLabel(Interp &in)
{
    const std::string name = ReadName(in);
    SetVariableNumber(in, name, FindLabel(in, ReadValue(in, 1)) >= 0 ? 1 : 0);
}

void CmdStrFind(Interp &in)
{
    const std::string name = ReadName(in);
    const int32_t ignoreCase = ReadNumber(in, 1);
    std::string needle = ReadValue(in, 1);
    std::string text = ReadValue(in, 2);
    if (ignoreCase) {
        zorb::platform::UpperCase(needle);
        zorb::platform::UpperCase(text);
    }
    const size_t at = text.find(needle);
    SetVariableNumber(in, name, at == std::string::npos ? 0 : static_cast<int32_t>(at + 1));
}

void CmdStrPiece(Interp &in)
{
    const std::string name = ReadName(in);
    int32_t start = ReadNumber(in, 1);
    const int32_t length = ReadNumber(in, 1);
    const std::string &text = ReadValue(in, 1);
    if (start < 1)
        start = 1;
    std::string piece;
    if (static_cast<size_t>(start) <= text.size() && length > 0)
        piece = text.substr(static_cast<size_t>(start) - 1, static_cast<size_t>(length));
    SetVariable(in, name, piece);
}

void CmdStrLpad(Interp &in)
{
    Pad(in, ' ', true);
}
void CmdStrLpadZero(Interp &in)
{
    Pad(in, '0', true);
}
void CmdStrRpad(Interp &in)
{
    Pad(in, ' ', false);
}

void CmdStrRepeat(Interp &in)
{
    const std::string name = ReadName(in);
    const std::string character = ReadText(in, 1);
    const int32_t count = ReadNumber(in, 2);
    const char c = IsNumber(character) ? static_cast<char>(ToNumber(character)) : character[0];
    const size_t n = count > 0 && c != '\0' ? std::min(static_cast<size_t>(count), kTextMax) : 0;
    SetVariable(in, name, std::string(n, c));
}

void CmdStrFirst(Interp &in)
{
    const std::string first = ReadName(in);
    std::string rest = ReadName(in, 1);
    const std::string separators = ReadValue(in, 2);
    const std::string value(GetVariable(in, rest));
    const size_t at = value.find_first_of(separators);
    if (at == std::string::npos) {
        SetVariable(in, first, value);
        SetVariable(in, rest, {});
    } else {
        SetVariable(in, first, value.substr(0, at));
        SetVariable(in, rest, value.substr(at + 1));
    }
}

} // namespace zscript
