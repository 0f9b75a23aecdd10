// Sound input and chunk encoder on arbitrary files: the first two bytes pick
// the container (wave, Zorblax, AVI, headerless, list) and the output format;
// the rest is the file. Everything delivered is encoded into chunks.
#include "vexutil/vexutil.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Dir()
{
    static const std::string dir = [] {
        char t[] = "/tmp/fuzz_sound_XXXXXX";
        const char *d = mkdtemp(t);
        return std::string(d ? d : "/tmp");
    }();
    return dir;
}

void Write(const std::string &path, const uint8_t *data, size_t size)
{
    if (FILE *f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const uint8_t mode = data[0], format = data[1];
    data += 2;
    size -= 2;
    static const char *const kExt[] = {".wav", ".zbx", ".avi", ".pcm", ".lst"};
    const std::string base = Dir() + "/in";
    for (const char *e : kExt)
        std::remove((base + e).c_str());
    const int kind = mode % 5;
    Write(base + kExt[kind], data, size);
    if (kind == 4) {
        // A list naming the other files, with the data as its own text too.
        const std::string text = base + ".wav /S" + std::to_string(format) + "\n" + base + "\n";
        Write(base + ".wav", data, size);
        Write(base + ".lst", reinterpret_cast<const uint8_t *>(text.data()), text.size());
    }
    static const int32_t kRates[] = {0, 8000, 11025, 22050, 44100, 3000, 1, 96000};
    const int32_t rate = kRates[format & 7];
    const int32_t bits = (format >> 3) & 1 ? 8 : ((format >> 4) & 1 ? 16 : 0);
    const int32_t channels = (format >> 5) & 3;
    const uint32_t raw = kind == 3 ? (static_cast<uint32_t>(kRates[(mode >> 3) & 7] | 1) << 3) | ((mode >> 6) & 3) : 0;
    const int32_t start = (mode & 0x80) ? -static_cast<int32_t>(format & 15) : (format & 0x40) * 3;
    const std::string name = kind == 4 ? base + ".lst" : kind == 3 ? base + ".pcm" : base;

    CSFILE *cs = CSFileOpen(name.c_str(), format % 10, mode & 8, mode & 16, format & 7, (mode & 0x20) ? 300 : 0, rate,
                            bits, channels, start, 0, (mode >> 5) & 7, raw, format, nullptr);
    if (!cs)
        return 0;
    VEXFILE *out = VEXFileCreate(4096, (Dir() + "/out.bin").c_str());
    CSFileSetOutput(cs, out);
    const uint32_t frame = static_cast<uint32_t>(cs->sound->outputFrameSize);
    for (int i = 0; i < 64 && !(cs->lastSoundBytes == 0 && i > 0); ++i)
        CSFilePut(cs, frame * (1 + (i * 37) % 700));
    SFileReset(cs->sound);
    std::vector<uint8_t> buf(4096);
    SFileGet(cs->sound, buf.data(), static_cast<uint32_t>(buf.size()));
    CSFileClose(cs);
    VEXFileClose(out);
    return 0;
}
