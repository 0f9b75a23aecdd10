// Sources of the sound input: the raw sample bytes of one file (wave or
// headerless PCM, a Zorblax sound track, an AVI sound stream), before
// trimming and format conversion. Internal to vexutil.
#ifndef ZORB_VEXUTIL_SOUND_SOUND_SOURCE_H
#define ZORB_VEXUTIL_SOUND_SOUND_SOURCE_H

#include "platform/platform.h"
#include "vexutil/core/last_error.h"
#include "vexutil/vexutil.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vex::sound {

struct Format {
    int32_t rate = 0;
    int32_t bits = 0;     // 8 or 16
    int32_t channels = 0; // 1 or 2
    int32_t frameBytes() const { return bits / 8 * channels; }
    uint64_t bytesPerSecond() const { return static_cast<uint64_t>(rate) * static_cast<uint32_t>(frameBytes()); }
};

class Source {
public:
    virtual ~Source() = default;
    // Reads the next bytes of sample data; short or 0 at the end.
    virtual size_t Read(uint8_t *dst, size_t n) = 0;
    // Moves to byte pos of the sample data (0 = its first byte).
    virtual bool Seek(uint64_t pos) = 0;
};

struct Opened {
    std::unique_ptr<Source> source;
    int32_t kind = 0;
    Format format;
    uint64_t bytes = 0;       // sample data bytes, whole frames
    uint32_t framePeriod = 0; // video frame time in 1/100 ms (Zorblax, AVI); 0 = none
    uint32_t trackMask = 0;
    std::string name; // the file actually opened
};

// Reports an error text through the progress function (level 2) and the
// debug log.
inline void ReportError(SFILEPROGRESS progress, const char *text)
{
    vex::SetLastError(text);
    if (PlatformDebugOn())
        PlatformDebugLog("%s", text);
    if (progress)
        progress(text, 2);
}

// What a probe of one kind found: not a file of its kind (the next probe
// goes on), a file of its kind that failed (reported), or an opened source.
enum class Probe { NotThisKind, Failed, Opened };

// Opens a single file (not a list): raw PCM when rawFlags is non-zero, else a
// wave file, then a Zorblax file, then an AVI file, each probe appending its
// extension to a name that has none. Errors are reported; false on failure.
bool OpenSource(const char *name, int32_t track, uint32_t rawFlags, uint32_t rawOffset, SFILEPROGRESS progress,
                Opened *out);

// Zorblax track probe (sound_zorb.cpp): fills *out when name is a Zorblax
// file with the requested sound; a Zorblax file without it is reported and
// Failed.
Probe OpenZorbSource(const std::string &name, int32_t track, SFILEPROGRESS progress, Opened *out);

} // namespace vex::sound

#endif
