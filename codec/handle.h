// Internal interface of the decode library around a ZorbHandle: memory
// booking, the reader and read-ahead ring, the frame parser and the palette
// decoder, and the call points of the sound output.
#ifndef ZORB_CODEC_HANDLE_H
#define ZORB_CODEC_HANDLE_H

#include <cstddef>
#include <cstdint>

#include "codec/zorb.h"

namespace zorb {

// ---- Memory ---------------------------------------------------------------------
// Every block of a handle is 16-byte aligned, zero-filled, and its requested
// size is booked in MemoryInUse (raising PeakMemory). Free with the same size.

void *HandleAlloc(ZorbHandle *h, size_t size);
// The same without booking (the handle record itself, blocks that outlive no
// handle); FreeBlock(nullptr) does nothing.
void *AllocateBlock(size_t size);
void FreeBlock(void *p);
void HandleFree(ZorbHandle *h, void *p, size_t size);
void BookMemory(ZorbHandle *h, size_t size);
void UnbookMemory(ZorbHandle *h, size_t size);

// Test hook: called with the size of every block before it is allocated; an
// answer of false makes that allocation fail. Null (the default) allocates
// normally.
using AllocationHook = bool (*)(size_t size);
void SetAllocationHook(AllocationHook hook);
// Blocks allocated by the library and not yet freed, over the process.
size_t LiveBlocks();

// ---- Process-wide settings --------------------------------------------------------

// The frame-rate override used by opens with ZORB_OPEN_FRAMERATE_OVERRIDE
// (set by ZorbSetFrameRateOverride), in the header's frame-rate encoding.
extern int32_t g_frameRateOverride;
// The simulated read speed set by ZorbSetReadSpeed (bytes per second).
extern uint32_t g_simulatedReadSpeed;

// ---- Frame table facts --------------------------------------------------------------

// Frames in the tables: FrameCount plus the ring frame.
inline uint32_t TableFrames(const ZorbHandle *h)
{
    return h->FrameCount + (h->HeaderFlags & ZBX_RING_FRAME ? 1u : 0u);
}

struct FrameStats {
    uint32_t largestFrame;
    uint32_t largestSecondBytes;
    uint32_t largestSecondFrame; // 1-based
    uint32_t meanFrameBytes;
    uint64_t total;
};
// Statistics over n > 0 frame sizes with f frames per second: the largest
// frame, the total and mean, and the largest window of f frames among those
// starting at frames 1 .. n - 1 - f (all frames when n - 1 < f).
FrameStats ComputeFrameStats(const uint32_t *sizes, uint32_t n, uint32_t framesPerSecond);

// Frames per second of a frame period (1/100 ms); the period of a header
// frame rate is ZbxFramePeriod (codec/format.h).
uint32_t FramesPerSecondOf(uint32_t framePeriod);

// ---- Reading ------------------------------------------------------------------------

struct BufferChoice {
    bool preload;
    uint32_t ringSize; // nominal read-ahead size R (multiple of 4096) when not preloading
};
// Preload or read-ahead, from the open flags, the extra argument (-1 or any
// negative = automatic), the total frame bytes, LargestSecondBytes and the
// frame period.
BufferChoice ChooseBuffering(uint32_t flags, int32_t extra, uint64_t total, uint32_t largestSecondBytes,
                             uint32_t framePeriod);

// The reader: n bytes to dst, through the ring when there is one (setting
// ReadFailed on a short read), else straight from the file. Counts foreground
// bytes and time and honours the simulated read speed. Returns the bytes delivered.
uint32_t ReadBytes(ZorbHandle *h, void *dst, uint32_t n);

// One background read step of 4096 bytes into the ring; 0 when nothing was
// done (no ring, at or past the ring frame, less than 4096 bytes free).
uint32_t BackgroundReadStep(ZorbHandle *h);

// Sets up the ring at file offset `target` (emptying it and reading up to the
// next 4096-byte boundary into its start). The file must be positioned at target.
void AlignReadBuffer(ZorbHandle *h, uint32_t target);

// Loads CurrentFrame: sets CurrentFrameSize, and with read-ahead reads the
// frame into FrameBuffer (FrameData = FrameBuffer).
void ReadCurrentFrame(ZorbHandle *h);

// Positions the data on CurrentFrame (seeks, loops): with preload FrameData
// moves to the frame; with read-ahead buffered bytes are skipped or the ring
// refilled at the frame's offset; then the frame is loaded.
void PositionOnCurrentFrame(ZorbHandle *h);

// Byte offset of frame i from frame 0 (sum of the sizes before it).
uint64_t FrameOffset(const ZorbHandle *h, uint32_t frame);

// ---- Frames and palettes -------------------------------------------------------------------

// Parses the loaded frame: chunk pointers (PaletteChunk, AudioChunk[],
// VideoChunk, VideoOffset) and the palette. A chunk that does not fit inside
// the frame sets ReadFailed; the chunks from it on are dropped (null audio,
// empty video).
void ParseFrame(ZorbHandle *h);

// Decodes the palette chunk of the loaded frame (chunkLength bytes at
// PaletteChunk, length byte included) into Palette and sets FreshPalette
// and ColourTableStale.
void DecodePalette(ZorbHandle *h, uint32_t chunkLength);

// The palette command decoder on its own: applies the commands in
// cmds[0..size) to palette (256 x RGB) relative to its old contents.
void ApplyPaletteCommands(uint8_t palette[768], const uint8_t *cmds, size_t size);

// The sound chunk of track n in the loaded frame, its length checked against
// the frame.
struct SoundChunk {
    enum Status { kAbsent, kPresent, kDamaged } status;
    const uint8_t *data;   // the chunk, its length word first
    uint32_t length;       // the whole chunk
    uint32_t decodedBytes; // sound it holds (a compressed chunk's second word)
    bool compressed;
};
SoundChunk FindSoundChunk(const ZorbHandle *h, unsigned n);

// Writes `bytes` bytes (at most chunk.decodedBytes) of a present chunk's sound
// to out: copied when raw, decoded when compressed (silence when it carries none).
void ExtractSound(const ZorbHandle *h, unsigned n, const SoundChunk &chunk, uint8_t *out, uint32_t bytes);

// ---- Call points of the sound output ------------------------------------------------------------
// Implemented by the sound output in codec/sound_hooks.cpp.

// ZorbOpen, for each requested track n whose format has ZBX_AUDIO_PRESENT
// and a non-zero rate, in ascending order, after frame 0 is parsed and
// PrimaryTrack is -1: allocates the track record and ring (HandleAlloc),
// opens it, sets Track[n] and PrimaryTrack. Returns false when the track
// could not be opened (everything it took released).
bool SoundHookOpenTrack(ZorbHandle *h, unsigned n);

// ZorbClose: closes every open track of h, frees records and rings, lowers
// the process-wide track count (freeing the sound work area when it reaches
// 0) and sets PrimaryTrack to -1.
void SoundHookCloseTracks(ZorbHandle *h);

// The reader, before and during long reads: services the sound back end
// when any track of the process is open.
void SoundHookService(ZorbHandle *h);

} // namespace zorb

#endif
