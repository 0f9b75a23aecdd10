// Sound output of the playback runtime: the choice of the sound back end.
//
// Tracks are opened by ZorbOpen and fed by ZorbDecodeFrame (codec/zorb.h);
// the default back end (one queued SDL2 audio device per track) is installed
// by the first track that opens. A program that wants the other back end
// selects it before opening any file.
#ifndef ZORB_RUNTIME_SOUND_H
#define ZORB_RUNTIME_SOUND_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Installs the pull back end (one SDL2 audio device per track pulling from a
   half-second buffer, serviced by a 75 ms timer thread as well) for the whole
   process. When a back end is installed already nothing changes and the
   result is 1 only if it is this one. A non-null object says that the caller
   has brought SDL's audio subsystem up itself; it is then used and never shut
   down by the library. */
uint8_t ZorbSelectDirectSound(void *object);

/* Remembers the window the sound output belongs to (kept for its callers;
   SDL audio needs no window). */
void ZorbSetSoundWindow(void *window);

struct ZorbHandle;
/* What the device took last is still playing when the played position
   reaches the end (the device holds a few periods): its milliseconds (at
   most 250; 0 without sound). A player that ends waits this long after
   ZorbSoundPending (codec/zorb.h) reached 0, so the end of the sound is heard. */
uint32_t ZorbSoundDeviceTailMs(const struct ZorbHandle *h);

#ifdef __cplusplus
}
#endif

#endif
