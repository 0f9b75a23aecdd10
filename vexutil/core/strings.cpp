// String utilities: trimming, first-word extraction, quotes, numbers,
// readable durations and frame rates.
#include "platform/text.h"
#include "vexutil/vexutil.h"

#include <cstring>
#include <string>

using zorb::platform::IsBlank;

namespace {

void trimLeft(char *text)
{
    size_t i = 0;
    while (IsBlank(text[i]))
        ++i;
    if (i)
        std::memmove(text, text + i, std::strlen(text + i) + 1);
}

void trimRight(char *text)
{
    size_t n = std::strlen(text);
    while (n > 0 && IsBlank(text[n - 1]))
        --n;
    text[n] = '\0';
}

char *firstWord(char *destination, char *text, bool quoted)
{
    if (!destination)
        return destination;
    if (!text) {
        destination[0] = '\0';
        return destination;
    }
    // The destination may be the text itself.
    trimLeft(text);
    if (quoted && text[0] == '"') {
        if (const char *close = std::strchr(text + 1, '"')) {
            const size_t len = static_cast<size_t>(close - (text + 1));
            std::string word(text + 1, len);
            std::memmove(text, close + 1, std::strlen(close + 1) + 1);
            std::memcpy(destination, word.c_str(), word.size() + 1);
            Trim(destination);
            Trim(text);
            return destination;
        }
    }
    size_t i = 0;
    while (text[i] && !IsBlank(text[i]))
        ++i;
    while (IsBlank(text[i]))
        ++i;
    if (text[i] == ',')
        ++i;
    std::string word(text, i);
    std::memmove(text, text + i, std::strlen(text + i) + 1);
    trimLeft(text);
    std::memcpy(destination, word.c_str(), word.size() + 1);
    Trim(destination);
    if (quoted)
        Trim(text);
    return destination;
}

} // namespace

extern "C" {

VEXAPI char *Trim(char *text)
{
    if (!text)
        return text;
    trimRight(text);
    trimLeft(text);
    return text;
}

VEXAPI char *TrimAscii(char *text)
{
    return Trim(text);
}

VEXAPI char *TrimL(char *text)
{
    if (text)
        trimLeft(text);
    return text;
}

VEXAPI char *GetAndRemoveFirst(char *destination, char *text)
{
    return firstWord(destination, text, false);
}

VEXAPI char *GetAndRemoveFirstQuoted(char *destination, char *text)
{
    return firstWord(destination, text, true);
}

VEXAPI char *RemoveQuotes(char *text)
{
    if (!text)
        return text;
    Trim(text);
    const size_t n = std::strlen(text);
    if (n >= 2 && text[0] == '"' && text[n - 1] == '"') {
        std::memmove(text, text + 1, n - 2);
        text[n - 2] = '\0';
    }
    return text;
}

VEXAPI char *u32toa(char *destination, uint32_t value)
{
    if (!destination)
        return destination;
    char digits[10];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value);
    char *p = destination;
    while (n > 0)
        *p++ = digits[--n];
    *p = '\0';
    return p;
}

VEXAPI uint32_t atou32(const char *text)
{
    uint32_t v = 0;
    if (!text)
        return 0;
    while (*text >= '0' && *text <= '9')
        v = v * 10 + static_cast<uint32_t>(*text++ - '0');
    return v;
}

VEXAPI char *findchar(const char *text, int character)
{
    if (!text || character == 0)
        return nullptr;
    return const_cast<char *>(std::strchr(text, character));
}

VEXAPI char *GetElapsedTime(char *destination, uint32_t milliseconds)
{
    if (!destination)
        return destination;
    char *p = destination;
    auto unit = [&p](uint32_t n, const char *name, bool last) {
        p = u32toa(p, n);
        std::strcpy(p, name);
        p += std::strlen(name);
        if (last) {
            if (n != 1)
                *p++ = 's';
            *p = '\0';
        } else {
            std::strcpy(p, n == 1 ? " " : "s ");
            p += std::strlen(p);
        }
    };
    const uint32_t ms = milliseconds;
    if (ms < 1000) {
        unit(ms, " millisecond", true);
    } else if (ms < 60000) {
        unit(ms / 1000, " second", true);
    } else if (ms < 3600000) {
        unit(ms / 60000, " minute", false);
        unit(ms % 60000 / 1000, " second", true);
    } else {
        unit(ms / 3600000, " hour", false);
        unit(ms % 3600000 / 60000, " minute", true);
    }
    return destination;
}

VEXAPI int32_t MakeFrameRate(int32_t rate)
{
    if (rate == 0)
        return 0;
    int64_t v;
    if (rate < -1500)
        v = -static_cast<int64_t>(rate); // already in 10-microsecond units
    else if (rate < 0)
        v = -static_cast<int64_t>(rate) * 100; // milliseconds
    else
        v = 100000 / rate; // frames per second
    if (v < 5)
        v = 5;
    if (v > INT32_MAX)
        v = INT32_MAX;
    return static_cast<int32_t>(v);
}

} // extern "C"
