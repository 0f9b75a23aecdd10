// Internal: the toolkit's one rule for blanks and letter case, shared by the
// string utilities, the script player, the players' command lines and the
// list files.
//
// Blanks are the bytes whose value as a signed 8-bit number is at most 32:
// control characters, the space and the bytes 128-255 (the rule of
// vexutil.h's Trim), but never the terminating NUL. The cast makes the
// rule the same whether plain char is signed or not.
//
// Case: only the ASCII letters a-z and A-Z change; every other byte (the
// bytes 128-255 included) stays as it is, whatever the locale, and no
// negative char ever reaches the C library's ctype functions.
#ifndef ZORB_PLATFORM_TEXT_H
#define ZORB_PLATFORM_TEXT_H

#include <string>

namespace zorb::platform {

constexpr bool IsBlank(char c)
{
    return c != '\0' && static_cast<signed char>(c) <= 32;
}

constexpr char ToUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

constexpr char ToLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline void UpperCase(std::string &text)
{
    for (char &c : text)
        c = ToUpper(c);
}

inline void UpperCase(char *text)
{
    for (; *text; ++text)
        *text = ToUpper(*text);
}

inline void LowerCase(std::string &text)
{
    for (char &c : text)
        c = ToLower(c);
}

} // namespace zorb::platform

#endif
