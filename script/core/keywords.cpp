// The keyword table: every command of the language, sorted by its bytes, with
// its handler (script/core/keyword_table.h, which also holds the command
// reference). A record stores the index of its keyword here.
#include "script/core/commands.h"
#include "script/core/interp.h"

namespace zscript {

const Keyword kKeywords[kKeywordCount] = {
#define ZS_KEYWORD(name, handler, ...) {#name, handler},
#include "script/core/keyword_table.h"
};

namespace {

// The binary search of FindKeyword needs the table in the order of its bytes.
constexpr bool SortedByBytes()
{
    constexpr const char *names[] = {
#define ZS_KEYWORD(name, ...) #name,
#include "script/core/keyword_table.h"
    };
    static_assert(sizeof(names) / sizeof(names[0]) == kKeywordCount, "one entry per keyword");
    for (int k = 1; k < kKeywordCount; ++k) {
        const char *a = names[k - 1], *b = names[k];
        while (*a != '\0' && *a == *b) {
            ++a;
            ++b;
        }
        if (static_cast<unsigned char>(*a) >= static_cast<unsigned char>(*b))
            return false;
    }
    return true;
}
static_assert(SortedByBytes(), "the keyword table must be sorted by its bytes");

// Handlers are named "Cmd" and the keyword split into words, each word
// capitalised (ANIMATIONADVANCENOPALETTE: CmdAnimationAdvanceNoPalette). The
// check sees the letters and catches words left run together.
constexpr bool HandlersNamedByWords()
{
    constexpr const char *pairs[][2] = {
#define ZS_KEYWORD(name, handler, ...) {#name, #handler},
#include "script/core/keyword_table.h"
    };
    for (const auto &pair : pairs) {
        const char *name = pair[0], *handler = pair[1];
        if (handler[0] != 'C' || handler[1] != 'm' || handler[2] != 'd')
            return false;
        int lowerRun = 0;
        for (handler += 3; *handler != '\0'; ++handler, ++name) {
            const char c = *handler;
            const bool lower = c >= 'a' && c <= 'z';
            lowerRun = lower ? lowerRun + 1 : 0;
            if (lowerRun > 9 || (lower ? c - 'a' + 'A' : c) != *name)
                return false;
        }
        if (*name != '\0')
            return false;
    }
    return true;
}
static_assert(HandlersNamedByWords(), "a handler is named Cmd and its keyword's words, each capitalised");

} // namespace

namespace {

// Byte order of two NUL-terminated texts (as strcmp, inline: the lookup runs
// for every command taken from a line).
inline int Order(const char *a, const char *b)
{
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return static_cast<unsigned char>(*a) - static_cast<unsigned char>(*b);
}

} // namespace

int FindKeyword(const char *candidate)
{
    // The range of keywords starting with each letter narrows the search.
    struct Ranges {
        int16_t first[27], last[27];
        Ranges()
        {
            for (int i = 0; i < 27; ++i) {
                first[i] = 0;
                last[i] = -1;
            }
            for (int k = 0; k < kKeywordCount; ++k) {
                const int c = kKeywords[k].name[0] - 'A';
                if (last[c] < 0)
                    first[c] = static_cast<int16_t>(k);
                last[c] = static_cast<int16_t>(k);
            }
        }
    };
    static const Ranges ranges;
    const int c = candidate[0] - 'A';
    if (c < 0 || c >= 26)
        return -1;
    int low = ranges.first[c], high = ranges.last[c];
    while (low <= high) {
        const int middle = (low + high) / 2;
        const int order = Order(candidate, kKeywords[middle].name);
        if (order == 0)
            return middle;
        if (order < 0)
            high = middle - 1;
        else
            low = middle + 1;
    }
    return -1;
}

} // namespace zscript
