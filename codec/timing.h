// Frame timing and the handle's sound tracks, as the rest of the codec
// calls them (internal).
//
// ZorbOpen opens the requested tracks in ascending order with
// SoundOpenTrack and ZorbClose closes them with SoundCloseTracks.
// ZorbDecodeFrame feeds the loaded frame's sound (SoundFeedFrame), asks
// the behind test (BehindTest) and services the back end; ZorbAdvanceFrame
// books the frame's times (BookFrameTimes); ZorbSeekFrame calls
// SoundRestartAtFrameZero when it jumps back to frame 0 (the loop at the end
// of the file lets the sound run on).
#ifndef ZORB_CODEC_TIMING_H
#define ZORB_CODEC_TIMING_H

#include <stdint.h>

#include "codec/zorb.h"

namespace zorb {

// Opens sound track n of the handle. On success the track's bit is set in
// OpenFlags, PrimaryTrack is set if it was -1, and true is returned; a track
// the file lacks, or one no device takes, is left out (false).
bool SoundOpenTrack(ZorbHandle *h, uint32_t n, uint32_t openFlags);
// Closes every track of the handle; PrimaryTrack becomes -1. The work area
// is freed when no track of any handle stays open.
void SoundCloseTracks(ZorbHandle *h);

// The loaded frame's sound into the tracks, and the sound clock one frame on.
void SoundFeedFrame(ZorbHandle *h);
// 1 when the video is behind its sound (more than half a second).
uint32_t BehindTest(ZorbHandle *h);
// Books the open frame, decode and blit intervals.
void BookFrameTimes(ZorbHandle *h);
// Playing went back to frame 0: when this handle is the only one playing
// sound, every track restarts (device reset, ring emptied, time line at 0).
void SoundRestartAtFrameZero(ZorbHandle *h);
// Bytes of a frame's chunk for track n once decoded (0 when absent or malformed).
uint32_t ChunkSoundBytes(const ZorbHandle *h, uint32_t n);

// Decodes a compressed sound chunk's stream (the bytes after its two length
// words) into the ring: n bytes at writePos, wrapping from ringEnd to
// ringStart, never reading past the stream's end.
void DecodeSoundIntoRing(const uint8_t *stream, uint32_t streamBytes, uint32_t n, uint8_t *scratch, uint8_t *ringStart,
                         uint8_t *ringEnd, uint8_t *writePos);

// The global frame-rate override (header encoding) set by ZorbSetFrameRateOverride.
int32_t FrameRateOverride();

} // namespace zorb

#endif
