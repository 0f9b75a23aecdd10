// GFileCommandLine: the graphics input switches of the tools' command lines.
#include "vexutil/vexutil.h"

extern "C" VEXAPI void GFileCommandLine(char *commandLine, int32_t *x, int32_t *y, int32_t *w, int32_t *h, int32_t *s,
                                        int32_t *e, uint8_t *p, int32_t *u, int32_t *i, int32_t *q, uint8_t *d,
                                        uint8_t *t, char *text)
{
    if (!commandLine)
        return;
    struct {
        int32_t *out;
        char letter;
    } plain[] = {{s, 'S'}, {e, 'E'}, {x, 'X'}, {y, 'Y'}, {w, 'W'}, {h, 'H'}};
    for (const auto &sw : plain)
        if (sw.out)
            *sw.out = GetSwitchNum(commandLine, sw.letter, 0);
    int32_t count = 256;
    if (q) {
        count = GetSwitchNum(commandLine, 'Q', 256);
        if (count <= 0 || count > 256)
            count = 256;
        *q = count;
    }
    if (i) {
        int32_t first = GetSwitchNum(commandLine, 'I', (256 - count) / 2);
        if (first < 0)
            first = 0;
        if (first + count > 256)
            first = 256 - count;
        *i = first;
    }
    if (u) {
        int32_t limit = GetSwitchNum(commandLine, 'U', 65536);
        if (limit <= 0 || limit > 65536)
            limit = 65536;
        *u = limit;
    }
    struct {
        uint8_t *out;
        char letter;
    } bytes[] = {{p, 'P'}, {t, 'T'}, {d, 'D'}};
    for (const auto &sw : bytes)
        if (sw.out)
            *sw.out = static_cast<uint8_t>(GetSwitchNum(commandLine, sw.letter, 0));
    if (text)
        GetSwitchStr(commandLine, '&', text, "");
}
