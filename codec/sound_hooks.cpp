// Call points of the sound output in ZorbOpen, ZorbClose and the reader.
// Track opening and closing are still to be filled in by the sound output:
// until then no track opens and files play silently by the clock.
#include "codec/handle.h"
#include "codec/sound_track.h"

namespace zorb {

bool SoundHookOpenTrack(ZorbHandle *, unsigned) { return false; }

void SoundHookCloseTracks(ZorbHandle *h) { h->PrimaryTrack = -1; }

void SoundHookService(ZorbHandle *) { SoundServiceIfOpen(); }

} // namespace zorb
