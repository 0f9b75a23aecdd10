// The sound a device still holds at the end (runtime/sound.h).
#include <algorithm>

#include "codec/sound_track.h"
#include "codec/zorb.h"
#include "runtime/sound.h"

extern "C" uint32_t ZorbSoundDeviceTailMs(const ZorbHandle *h)
{
    if (!h || h->PrimaryTrack < 0 || h->PrimaryTrack >= ZBX_MAX_TRACKS || !h->Track[h->PrimaryTrack])
        return 0;
    const ZorbTrack *t = h->Track[h->PrimaryTrack];
    if (t->BytesPerSecond == 0)
        return 0;
    return static_cast<uint32_t>(std::min<uint64_t>(uint64_t{t->LeadBytes} * 1000 / t->BytesPerSecond, 250));
}
