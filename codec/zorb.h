/* The decode library's public interface: opening a .zbx file, its handle
   record, and the calls that decode, time and play it.

   A handle comes from ZorbOpen and is released by ZorbClose. Every call on a
   handle accepts a null handle and then does nothing (returning 0). Failures
   of ZorbOpen return null; ZorbLastOpenError and the debug log
   (ZORBLAX_DEBUG=1) say why. */
#ifndef ZORB_CODEC_ZORB_H
#define ZORB_CODEC_ZORB_H

#include <stddef.h>
#include <stdint.h>

/* The names the decode library (libzorblax.so) exports. */
#if defined(__GNUC__) || defined(__clang__)
#define ZORBAPI __attribute__((visibility("default")))
#else
#define ZORBAPI
#endif

#ifdef __cplusplus
namespace zorb {
struct TreeTable;
}
typedef zorb::TreeTable ZorbTreeTable;
extern "C" {
#else
typedef struct ZorbTreeTable ZorbTreeTable;
#endif

struct ZorbTrack;            /* a sound track (sound output) */
struct ZorbOutputDescriptor; /* where decoded video goes (ZorbSetOutput) */

/* ---- Header bits ------------------------------------------------------------ */

enum {
    ZBX_RING_FRAME = 0x1,        /* a ring frame follows the last frame */
    ZBX_HEIGHT_INTERLACED = 0x2, /* each coded row on every other display line */
    ZBX_HEIGHT_DOUBLED = 0x4     /* each coded row on two display lines (both bits: neither) */
};

#define ZBX_AUDIO_COMPRESSED 0x80000000u /* chunks are Huffman-coded deltas */
#define ZBX_AUDIO_PRESENT 0x40000000u    /* the track exists */
#define ZBX_AUDIO_16BIT 0x20000000u      /* 16-bit signed samples, else 8-bit unsigned */
#define ZBX_AUDIO_STEREO 0x10000000u     /* two channels, left first */
#define ZBX_AUDIO_RATE_MASK 0x00FFFFFFu  /* sample rate in Hz */

#define ZBX_HEADER_SIZE 104
#define ZBX_MAX_TRACKS 7

/* ---- Open flags ---------------------------------------------------------------- */

#define ZORB_OPEN_FRAMERATE_OVERRIDE 0x80u /* use the global frame-rate override */
#define ZORB_OPEN_FILL_BUFFER 0x100u       /* fill the read-ahead buffer before returning */
#define ZORB_OPEN_PRELOAD 0x200u           /* read all frame data at once, then close the file */
#define ZORB_OPEN_NEVER_SKIP 0x400u        /* never skip the video of a late frame */
#define ZORB_OPEN_SIMULATE_READ 0x800u     /* slow reads to the speed set by ZorbSetReadSpeed */
#define ZORB_OPEN_FILE_HANDLE                                                                                          \
    0x1000u                      /* first argument: an open file descriptor (cast to a pointer),
                                                positioned at the start of the data; never closed by the library */
#define ZORB_OPEN_TRACK0 0x2000u /* open sound track n: ZORB_OPEN_TRACK0 << n */
#define ZORB_OPEN_TRACK(n) (0x2000u << (n))
#define ZORB_OPEN_TRACKS_MASK 0xFE000u
#define ZORB_OPEN_HEIGHT_INTERLACE 0x100000u /* force interlaced height */
#define ZORB_OPEN_HEIGHT_DOUBLE 0x200000u    /* force doubled height */
#define ZORB_OPEN_HEIGHT_NONE 0x300000u      /* force neither */
#define ZORB_OPEN_CALLER_MEMORY                                                                                        \
    0x2000000u /* first argument: caller memory of sizeof(ZorbHandle) that becomes
                                                the handle; with ZORB_OPEN_FILE_HANDLE its first 32-bit word
                                                holds the file descriptor */

/* ---- The handle --------------------------------------------------------------------- */

/* One per open file, zero-filled at creation. Members marked "public" are for
   callers to read; the rest belong to the library. */
typedef struct ZorbHandle {
    /* The file header as read. Public: Width, Height (the display height:
       twice the coded height when interlaced or doubled height is in force),
       FrameCount (without the ring frame). FrameRate holds the override when
       one was applied. */
    uint32_t Magic;
    uint32_t Width;
    uint32_t Height;
    uint32_t FrameCount;
    int32_t FrameRate;                     /* > 0: ms per frame; < 0: -(1/100 ms per frame); 0: no pacing */
    uint32_t HeaderFlags;                  /* ZBX_RING_FRAME, ZBX_HEIGHT_* */
    uint32_t AudioMaxSize[ZBX_MAX_TRACKS]; /* largest decoded sound bytes of one frame, per track */
    uint32_t TreeDataSize;
    uint32_t BitmapTreeSize;
    uint32_t ColourPairTreeSize;
    uint32_t PixelPairTreeSize;
    uint32_t BlockTypeTreeSize;
    uint32_t AudioFormat[ZBX_MAX_TRACKS]; /* ZBX_AUDIO_* bits and the rate */
    uint32_t Reserved;

    uint32_t FreshPalette; /* public: the loaded frame brought a palette the caller has not seen */
    uint8_t Palette[768];  /* public: 256 x red, green, blue (8-bit range) */
    uint32_t CurrentFrame; /* public: 0-based index of the loaded frame */
    uint32_t CurrentFrameSize;
    uint32_t VideoOffset;                               /* offset of the video data inside the loaded frame */
    int32_t LastRectX, LastRectY, LastRectW, LastRectH; /* public: last rectangle from ZorbNextDirtyRect */
    uint32_t OpenFlags;
    uint32_t OutputX;
    int32_t OutputY;
    uint32_t LargestFrameSize;   /* public: largest frame in bytes */
    uint32_t LargestSecondBytes; /* public: largest sum of frame sizes over one second of frames */
    uint32_t LargestSecondFrame; /* public: 1-based first frame of that second */
    uint32_t ReadFailed;         /* a read came up short or a frame was malformed: decoding stops */
    int32_t FileHandle;          /* the open file descriptor; -1 after a preload */
    uint32_t FrameBufferSize;
    ZorbTreeTable *TreeTable;
    struct ZorbOutputDescriptor *OutputDescriptor;
    uint32_t OutputDescriptorSize;
    uint32_t ColourTableStale;
    uint16_t *ColourTable16;
    uint32_t DataStart;   /* file offset of frame 0 */
    uint8_t *FrameBuffer; /* FrameBufferSize + 8 bytes */
    uint8_t *FrameData;   /* the loaded frame inside FrameBuffer */
    uint32_t LastPaletteFrame;
    uint32_t *FrameSizes; /* N entries (N = FrameCount, plus the ring frame) */
    uint8_t *FrameTypes;  /* N entries: bit 0 palette chunk, bit n+1 sound chunk of track n */
    uint8_t *PaletteChunk;
    uint8_t *AudioChunk[ZBX_MAX_TRACKS]; /* null when the loaded frame has no chunk for the track */
    uint8_t *VideoChunk;
    uint32_t RectWalkState;
    int32_t RectCurrent[4];
    uint32_t FrameReleased;
    uint32_t NextDueTime;
    uint32_t FramePeriod; /* 1/100 ms per frame; 0 = as fast as possible */
    struct ZorbTrack *Track[ZBX_MAX_TRACKS];
    int32_t PrimaryTrack; /* -1 when no track is open */
    uint32_t WaitingForSound;
    uint32_t SoundPaused;

    /* Read-ahead */
    uint8_t *ReadBufferStart; /* null when preloaded */
    uint8_t *ReadBufferEnd;
    uint8_t *ReadPtr;
    uint8_t *WritePtr;
    uint32_t BufferedBytes;
    uint32_t ReadBufferSize;
    uint32_t ReadPosition;
    uint32_t ForegroundBytes;
    uint32_t ForegroundTime;
    uint32_t BackgroundBytes;
    uint32_t BackgroundTime;
    uint32_t PeakBuffered;

    uint32_t MemoryInUse; /* bytes allocated for the handle now */

    /* Timing and statistics */
    uint32_t FrameStartTime;
    uint32_t DecodeStartTime;
    uint32_t BlitStartTime;
    uint32_t FirstFrameTime;
    uint32_t OpenDuration;
    uint32_t ReadTimeAtOpen;
    uint32_t FramesDecoded;
    uint32_t FramesSkipped;
    uint32_t BlitTimeTotal;
    uint32_t DecodeTimeTotal;
    uint32_t WorstFrameMs;
    uint32_t WorstFrame;
    uint32_t SecondWorstFrameMs;
    uint32_t SecondWorstFrame;

    uint32_t MeanFrameBytes;    /* public: total frame bytes / N */
    uint32_t PeakMemory;        /* public: most bytes allocated for the handle at once */
    uint32_t SimulatedReadRate; /* bytes per second; 0 = full speed */
    uint32_t RectListCount;
    int32_t RectList[16];
    uint32_t PausedAtFrame;

    /* Library-private additions */
    uint32_t FramesPerSecond; /* 100000 / FramePeriod (100000 for no pacing), at least 1 */
    uint32_t TotalFrameBytes; /* T: sum of all N frame sizes */
    uint32_t StartOffset;     /* file offset of the header */
    uint32_t TreeTableSize;   /* bytes of the TreeTable block */
    uint32_t FramesTableSize; /* bytes of the frame table block */
    uint32_t ReadBufferAlloc; /* bytes of the read-ahead block */
} ZorbHandle;

/* ---- Opening and closing ---------------------------------------------------------------- */

/* Opens a .zbx file. first: a file name, or with ZORB_OPEN_FILE_HANDLE a file
   descriptor cast to a pointer, or with ZORB_OPEN_CALLER_MEMORY the memory
   that becomes the handle. extra: read-ahead size in bytes, -1 = automatic.
   Loads frame 0, decodes its palette and opens the requested sound tracks. */
ZORBAPI ZorbHandle *ZorbOpen(void *first, uint32_t flags, int32_t extra);

/* Why the last ZorbOpen of this thread failed, as a short lower-case text
   without a final stop ("cannot open the file: No such file or directory",
   "the file does not start with \"ZBX2\"", "out of memory", ...); "" after a
   successful open. The text stays valid until the next ZorbOpen. */
ZORBAPI const char *ZorbLastOpenError(void);

/* Closes the tracks and the file (unless the caller's), frees everything and
   zeroes the record (freeing it unless it is caller memory). */
ZORBAPI void ZorbClose(ZorbHandle *h);

/* Process-wide simulated read speed in bytes per second (0 = none), taken
   into a handle by an open with ZORB_OPEN_SIMULATE_READ. */
ZORBAPI void ZorbSetReadSpeed(uint32_t bytesPerSecond);

/* The process-wide choice between the plain and the wide inner loops of the
   decoder and the blitter (both give identical output): 0 forbids the wide
   loops, 1 allows them, any other value only asks. Returns 1 when the wide
   loops will be used, else 0. */
ZORBAPI int ZorbSetMMX(uint32_t request);

/* ---- Frame timing and playback control ------------------------------------------------- */

/* Playback statistics filled by ZorbGetStats; times in milliseconds. */
typedef struct ZorbStats {
    uint32_t PlayTimeMs;  /* since the first decoded frame (0 when none was decoded) */
    uint32_t FramePeriod; /* 1/100 ms per frame */
    uint32_t OpenTimeMs;  /* time spent in ZorbOpen */
    uint32_t FramesDecoded;
    uint32_t FramesSkipped;      /* video not decoded because playback was behind its sound */
    uint32_t SoundSkips;         /* times the clock track's device ran dry while sound was still to come */
    uint32_t BlitTimeMs;         /* first rectangle request to ZorbAdvanceFrame */
    uint32_t ReadTimeMs;         /* file reading while playing */
    uint32_t DecodeTimeMs;       /* ZorbDecodeFrame to the first rectangle request */
    uint32_t IdleReadTimeMs;     /* reading ahead while waiting */
    uint32_t DeviceBytesPerSec;  /* bytes read per second of reading; 0 when nothing was timed */
    uint32_t WorstFrameMs;       /* longest frame (1000 when none was timed) */
    uint32_t SecondWorstFrameMs; /* longest of any other frame (1000 when none) */
    uint32_t WorstFrame;         /* 1-based */
    uint32_t SecondWorstFrame;   /* 1-based */
    uint32_t MeanFrameBytes;
    uint32_t PeakMemory;
    uint32_t ExtraBufferBytes;    /* size of the read-ahead buffer */
    uint32_t PeakExtraBufferUsed; /* most bytes it held */
} ZorbStats;

/* 1 while the loaded frame must not be shown yet, 0 when it may. Call it in a
   loop between ZorbAdvanceFrame and the next ZorbDecodeFrame, handling your
   events between calls; every call that returns 1 reads ahead a little. The
   frame is due by the clock, or, when a sound track plays, when the sound
   device has played up to it (less the short lead of sound the back end
   keeps handed over ahead of the device, so the device never runs dry
   between two frames). */
ZORBAPI uint32_t ZorbMustWait(ZorbHandle *h);

/* Bytes of sound handed over and not yet played (the most over the open
   tracks; 0 without sound or while paused). A player that ends calls it until
   it is 0, so the last frames' sound is heard before ZorbClose. */
ZORBAPI uint32_t ZorbSoundPending(ZorbHandle *h);

/* on = 0 pauses every sound track of the handle; any other value resumes
   them, a negative value also silencing the last frame's sound that is
   handed to the device again (always silenced when the frame changed while
   paused). Returns 0 only when a track could not resume (sound then stays
   paused; try again later). */
ZORBAPI uint32_t ZorbSetSoundActive(ZorbHandle *h, int32_t on);

/* Books the running frame's times and fills the statistics. */
ZORBAPI void ZorbGetStats(ZorbHandle *h, ZorbStats *stats);

/* The frame rate used by later opens with ZORB_OPEN_FRAMERATE_OVERRIDE:
   fps > 0 frames per second, 0 as fast as possible. */
ZORBAPI void ZorbSetFrameRateOverride(int32_t fps);

/* ---- Video output and frame stepping ------------------------------------------------------ */

/* Where the video goes: the picture's top-left pixel at column x, line y of a
   buffer of bufferHeight lines of stride bytes. outputType: below 0x40000000
   8-bit palette indices; 0x80000000 16-bit 5-5-5; 0xC0000000 16-bit 5-6-5;
   plus 1 for a bottom-up buffer (its first line in memory is the bottom line).
   Blocks that would fall outside the buffer are not written. A null buffer
   stops video decoding (sound only). */
ZORBAPI void ZorbSetOutput(ZorbHandle *h, uint32_t x, int32_t y, uint32_t stride, uint32_t bufferHeight, void *buffer,
                           uint32_t outputType);

/* The next changed rectangle of the last decoded frame in LastRectX/Y/W/H
   (buffer coordinates); 0 when none is left. mode 0: runs merged while the
   box stays within 5/4 of their area; 1: one bounding box; 2: only
   rectangles already pending, none while a walk is pending. */
ZORBAPI uint32_t ZorbNextDirtyRect(ZorbHandle *h, int32_t mode);

/* Makes the decoder emit the nearest colours of another palette (count
   entries; layout bits: 1 two-byte components, 2 blue first, 4 four-byte
   entries, 8 with 4: components from the second byte). Applies to the
   handle's current palette; a second call maps the mapped colours again. */
ZORBAPI void ZorbRemapColors(ZorbHandle *h, const void *target, uint32_t count, uint32_t layout);

/* The decoded sound of the loaded frame for the lowest track whose bit
   (ZORB_OPEN_TRACK(n)) is set in trackFlags and that has a chunk in it.
   Writes at most AudioMaxSize[n] bytes to buffer and returns their count;
   0 when there is none. A compressed chunk that carries no sound gives
   silence. */
ZORBAPI uint32_t ZorbGetTrackSound(ZorbHandle *h, uint32_t trackFlags, void *buffer);

/* Decodes the loaded frame: feeds its sound to the tracks and, unless
   playback is behind its sound, its video into the output. Returns 1 when
   playback was found behind. */
ZORBAPI uint8_t ZorbDecodeFrame(ZorbHandle *h);

/* Makes the next frame current and parses its palette; after the last frame
   playing loops (to frame 0, or through the ring frame to frame 1). */
ZORBAPI void ZorbAdvanceFrame(ZorbHandle *h);

/* Makes frame `frame` (1-based; 0 is taken as 1; past the end: the last
   frame) current. */
ZORBAPI void ZorbSeekFrame(ZorbHandle *h, uint32_t frame);

#ifdef __cplusplus
}
#endif

#endif
