// Command lines and script text through the switch, string and file-name
// utilities: nothing may read or write outside the 256-byte line.
#include "vexutil/vexutil.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

struct Line {
    char text[256];
    Line(const uint8_t *data, size_t size)
    {
        const size_t n = size < sizeof text - 1 ? size : sizeof text - 1;
        std::memcpy(text, data, n);
        text[n] = '\0';
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const char letter = static_cast<char>(data[0]);
    data += 1;
    size -= 1;
    {
        Line l(data, size);
        GetSwitchNum(l.text, letter, 0);
        GetSwitch(l.text, letter);
        char value[256];
        GetSwitchStr(l.text, letter, value, "d");
        GetSwitchStrN(l.text, letter, value, 8, "default");
    }
    {
        Line l(data, size);
        char word[256];
        while (l.text[0]) {
            const size_t before = std::strlen(l.text);
            GetAndRemoveFirstQuoted(word, l.text);
            if (std::strlen(l.text) >= before)
                break;
        }
    }
    {
        Line l(data, size);
        char word[256];
        GetAndRemoveFirst(word, l.text);
        RemoveQuotes(l.text);
        TrimL(l.text);
        Trim(l.text);
        HasExtension(l.text);
        findchar(l.text, letter);
        atou32(l.text);
    }
    {
        Line l(data, size);
        if (std::strlen(l.text) < 250)
            AddBackslash(l.text);
    }
    {
        Line l(data, size);
        ExpandFileName(l.text);
        Line m(data, size);
        GetFilePieces(m.text, 1, 1, 1, 1);
    }
    return 0;
}
