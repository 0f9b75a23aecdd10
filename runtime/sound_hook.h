// The sound back end's periodic service as a process-wide hook, so that long
// work elsewhere in the runtime (the blitter's pair-table rebuild) can keep
// sound flowing without knowing the back end.
#ifndef ZORB_RUNTIME_SOUND_HOOK_H
#define ZORB_RUNTIME_SOUND_HOOK_H

namespace zorb {

using SoundServiceFn = void (*)();

// Installs the service (null removes it). The sound output installs its back
// end's service while tracks are open.
void RuntimeSetSoundService(SoundServiceFn fn);

// Runs the installed service, if any.
void RuntimeSoundService();

} // namespace zorb

#endif
