// Call points of the sound output in ZorbOpen, ZorbClose and the reader.
#include "codec/handle.h"
#include "codec/sound_track.h"
#include "codec/timing.h"

namespace zorb {

bool SoundHookOpenTrack(ZorbHandle *h, unsigned n)
{
    return SoundOpenTrack(h, n, h->OpenFlags);
}

void SoundHookCloseTracks(ZorbHandle *h)
{
    SoundCloseTracks(h);
}

void SoundHookService(ZorbHandle *)
{
    SoundServiceIfOpen();
}

} // namespace zorb
