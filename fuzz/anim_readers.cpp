// Feeds arbitrary bytes to the animated GIF and WebP readers of graphics
// input through GFileOpen/GFileGet, in 8-bit and 32-bit delivery. The first
// byte chooses the file's extension (even ".gif", odd ".webp").
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "vexutil/vexutil.h"

namespace {

std::string TempPath(const char *ext)
{
    static std::string dir = [] {
        char tmpl[] = "/tmp/zorb_fuzz_anim_XXXXXX";
        const char *d = mkdtemp(tmpl);
        return std::string(d ? d : "/tmp");
    }();
    return dir + "/input" + ext;
}

void ThroughGFile(const std::string &path, uint32_t flags)
{
    GFILE *g = GFileOpen(path.c_str(), flags, 0, 0, 0, 0, 2, 0, 0, 0, 0, 256, 2, 2, nullptr, nullptr, nullptr);
    if (!g)
        return;
    for (uint32_t i = 0; i < g->frames && i < 16; i++)
        if (!GFileGet(g))
            break;
    GFileReset(g);
    GFileGet(g);
    GFileClose(g);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const std::string path = TempPath(data[0] & 1 ? ".webp" : ".gif");
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    const bool ok = std::fwrite(data + 1, 1, size - 1, f) == size - 1;
    if (std::fclose(f) != 0 || !ok)
        return 0;
    ThroughGFile(path, 0);
    ThroughGFile(path, GFILE_32BIT);
    unlink(path.c_str());
    return 0;
}
