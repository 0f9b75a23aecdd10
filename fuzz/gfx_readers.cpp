// Feeds arbitrary bytes to the picture readers of graphics input: the flic
// reader (FLI and FLC), raw frame files and AVI files, both directly and
// through GFileOpen/GFileGet. The input's first bytes choose the reader
// ("RIFF" AVI, "RAWB" raw frames, anything else a flic).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "vexutil/graphics/avi_reader.h"
#include "vexutil/vexutil.h"

namespace {

std::string TempPath(const char *ext)
{
    static std::string dir = [] {
        char tmpl[] = "/tmp/zorb_fuzz_gfx_XXXXXX";
        const char *d = mkdtemp(tmpl);
        return std::string(d ? d : "/tmp");
    }();
    return dir + "/input" + ext;
}

bool WriteAll(const std::string &path, const uint8_t *data, size_t size)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

void ThroughGFile(const std::string &path, uint32_t flags)
{
    GFILE *g = GFileOpen(path.c_str(), flags, 1, 1, 0, 0, 0, 0, 0, 0, 0, 256, 2, 2, nullptr, nullptr, nullptr);
    if (!g)
        return;
    for (uint32_t i = 0; i < g->frames && i < 12; i++)
        if (!GFileGet(g))
            break;
    GFileReset(g);
    GFileGet(g);
    GFileClose(g);
}

void Avi(const uint8_t *data, size_t size)
{
    std::string error;
    auto r = vex::AviReader::Open(vex::MemorySource(data, size), error);
    if (!r)
        return;
    if (r->Video() && uint64_t(r->StoredRowBytes()) * r->Video()->height <= (4u << 20)) {
        for (uint32_t f = 0; f < r->FrameCount() && f < 32; f++) {
            r->ReadFrame(f);
            volatile uint8_t sink = r->FrameTopRow()[0];
            (void)sink;
        }
        if (r->FrameCount() > 1)
            r->ReadFrame(0);
    }
    uint8_t buf[4096];
    for (size_t s = 0; s < r->SoundCount(); s++)
        r->ReadSound(s, 3, buf, sizeof buf);
    std::string path = TempPath(".avi");
    if (WriteAll(path, data, size))
        ThroughGFile(path, GFILE_32BIT);
}

void Flic(const uint8_t *data, size_t size)
{
    std::string path = TempPath(".flc");
    if (!WriteAll(path, data, size))
        return;
    VEXFLIC *f = VEXFlicOpen(path.c_str());
    if (!f)
        return;
    if (uint64_t(f->pitch) * f->rows <= (4u << 20)) {
        std::vector<uint8_t> buf(size_t(f->pitch) * f->rows);
        for (uint32_t i = 0; i < f->frames + 2 && i < 40; i++)
            VEXFlicGetNext(f, buf.data());
        VEXFlicGoto(f, 2, buf.data());
        ThroughGFile(path, 0);
    }
    VEXFlicClose(f);
}

void Raw(const uint8_t *data, size_t size)
{
    std::string path = TempPath(".raw");
    if (WriteAll(path, data, size))
        ThroughGFile(path, 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size >= 4 && std::memcmp(data, "RIFF", 4) == 0)
        Avi(data, size);
    else if (size >= 4 && std::memcmp(data, "RAWB", 4) == 0)
        Raw(data, size);
    else
        Flic(data, size);
    return 0;
}
