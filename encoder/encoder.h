/* The Zorblax compressor library: turns a sequence of 8-bit palettised
   pictures and up to seven sound tracks into a Zorblax file.

   Use: ZencOpen with the parameters, ZencAddFrame for every picture (in
   order), ZencAddTrack for every sound track, ZencWrite, ZencClose.

   Compression values (the regular and key frame settings, and the columns of
   frame-specific settings) are read like this:
     0              lossless
     1 .. 100       the frame's error stays under that percentage (root mean
                    square of the RGB component errors, relative to 255)
     above 100      a data rate in bytes per second
     -1 .. -400     -v percent of the average lossless frame
     below -400     (-v - 400) percent of the frame's own lossless size
   (The front end writes "-80" for 80% of the average frame and "-480" for 80%
   of each frame's size.) */
#ifndef ZORB_ENCODER_ENCODER_H
#define ZORB_ENCODER_ENCODER_H

#include <stddef.h>
#include <stdint.h>

#include "codec/zorb.h"
#include "vexutil/vexutil.h"

#ifdef __cplusplus
extern "C" {
#endif

/* CSFILE is the sound chunk encoder of libvexutil (vexutil/vexutil.h). */

/* Header flags and sound track format bits are the container's own:
   ZBX_RING_FRAME, ZBX_HEIGHT_*, ZBX_AUDIO_* of codec/zorb.h. */

/* Progress: a text and a level (0 progress, 1 first message of a series,
   2 error). A non-zero answer to a progress message cancels. */
typedef int (*ZencProgressFn)(const char *text, int level);

/* Errors: a call that fails returns 0 (or null) and ZencLastError gives the
   reason, the last error text it reported (or would have reported, with no
   progress function), "Cancelled." when the progress function cancelled.
   One text per thread; each call that can fail clears it first. */
const char *ZencLastError(void);

/* Frame-specific settings: frames first..last (1-based, inclusive) use these
   compression values instead of the general ones. */
typedef struct ZencFrameSetting {
    uint32_t first, last;
    int32_t regular, key;
} ZencFrameSetting;

typedef struct ZencParams {
    uint32_t width, height;  /* coded picture size, cut down to whole 4x4 blocks */
    int32_t frameRate;       /* the header's frame rate value: ms, or minus 1/100 ms */
    uint32_t headerFlags;    /* ZBX_RING_FRAME, ZBX_HEIGHT_INTERLACED, ZBX_HEIGHT_DOUBLED */
    int32_t regular;         /* compression value of regular frames */
    int32_t key;             /* compression value of key frames */
    uint32_t keyEvery;       /* a key frame at least every n frames (0: only the first) */
    uint32_t autoKeyPercent; /* a key frame when this percentage of blocks changes (0: never) */
    const ZencFrameSetting *settings;
    uint32_t settingCount;
} ZencParams;

typedef struct ZencReport {
    uint32_t frames; /* frames written, without the ring frame */
    uint32_t keyFrames;
    uint64_t fileBytes;
    uint32_t largestFrame;
    double bytesPerSecond;    /* mean data rate of the frames */
    uint32_t largestSecond;   /* largest sum of frame sizes over one second of frames */
    double worstErrorPercent; /* largest error of a frame */
    uint64_t changedPixels;   /* pixels changed because the pictures use every pixel pair (0: none) */
    uint32_t changedFrames;   /* frames holding such pixels */
    uint32_t audioMaxSize[ZBX_MAX_TRACKS];
    uint32_t damagedFrame; /* the frame-rate changer: the input's first damaged frame (1-based), 0 when none; the
                              frames before it were converted */
} ZencReport;

typedef struct ZENC ZENC;

/* Null when the parameters are unusable (no whole block), memory fails or no
   temporary file can be made (pictures and symbols wait in one, in $TMPDIR or
   /tmp). */
ZENC *ZencOpen(const ZencParams *params);
/* Adds the next picture: width x height bytes, rows pitch apart, and its
   palette (768 bytes, 8-bit components; the file keeps the top 6 bits).
   Returns 0 on bad arguments or when the temporary file fails. */
int ZencAddFrame(ZENC *enc, const uint8_t *pixels, uint32_t pitch, const uint8_t *palette);
/* Adds sound track 0-6, cut into chunks with the chunk encoder (which the
   library closes). Returns 0 when the track is taken or the arguments are bad. */
int ZencAddTrack(ZENC *enc, uint32_t track, CSFILE *chunks);
/* With on non-zero, sound that is left after the last frame's share goes
   into the last frame's chunk instead of being left out (every sample of the
   tracks is kept). Off by default. */
void ZencKeepTrailingSound(ZENC *enc, int on);
/* Effort of the search for the smallest coding, 0 to 9 (ZENC_EFFORT_DEFAULT
   unless set): 0 takes each block's first exact choice and builds the trees
   as the symbols come; higher levels choose codings by their cost under the
   trees that will be used and refine both over more passes. Every level
   writes the same format. Values outside 0-9 are clamped. */
#define ZENC_EFFORT_DEFAULT 1
void ZencSetEffort(ZENC *enc, int effort);
/* Compresses and writes the file. A picture is coded exactly unless its
   compression value allows errors, with one exception: when the frames use
   (nearly) all of the 65536 pixel pairs, the file has no room for them all
   and a few of the rarest are changed to the nearest colour; then a warning
   naming the frames (ZencWarning) goes to the progress function at level 0
   and the report counts them. The output appears only when complete: it
   is written beside the target under a temporary name and renamed into place;
   on failure or cancel nothing is left and an older file stays as it was.
   Returns 1 on success. */
int ZencWrite(ZENC *enc, const char *output, ZencProgressFn progress);
uint32_t ZencFrameCount(const ZENC *enc);
/* The warning of the last ZencWrite ("" when there was none). */
const char *ZencWarning(const ZENC *enc);
void ZencGetReport(const ZENC *enc, ZencReport *report);
/* Size of frame i of the written file (the ring frame is frame FrameCount). */
uint32_t ZencFrameSize(const ZENC *enc, uint32_t frame);
/* The error (percent) of frame i as coded. */
double ZencFrameError(const ZENC *enc, uint32_t frame);
void ZencClose(ZENC *enc);

/* ---- Rewriting a file's sound (the mixer) ---------------------------------- */

typedef struct ZencFileInfo {
    uint32_t width, height, frameCount, headerFlags;
    int32_t frameRate;
    uint32_t audioFormat[ZBX_MAX_TRACKS];
    uint32_t audioMaxSize[ZBX_MAX_TRACKS];
    uint32_t wholeFrames; /* frames lying whole in the file (the ring frame counted): fewer than frameCount (plus
                             the ring frame) when the file was cut short */
} ZencFileInfo;

/* Reads a Zorblax file's header. Returns 0 when it is no Zorblax file (a
   file cut short is one while its first frame lies whole in it). */
int ZencReadInfo(const char *name, ZencFileInfo *info);

/* Writes a copy of input to output with the sound of track 0-6 replaced by
   the chunks of the encoder (one per frame; closed by the call). frameRate,
   when not 0, replaces the file's frame rate value. Everything else is kept
   byte for byte. Of a file cut short, the frames that lie whole in it are
   written (ZencFileInfo's wholeFrames; a ring frame cut off is left out).
   Safe writing as with ZencWrite. Returns 1 on success. */
int ZencMixTrack(const char *input, const char *output, uint32_t track, int32_t frameRate, CSFILE *chunks,
                 ZencProgressFn progress);

/* ---- Graphics outputs (flic, AVI, still images) ------------------------------ */

/* A conversion of any graphics input into any output of libvexutil's
   OGFile (the extension of the output name picks the kind). The options
   mirror the compressor's switches of the same letters. */
typedef struct ZencConvertParams {
    const char *input, *output;
    uint32_t trueColour;                 /* /A: 32-bit frames, no palette work */
    int32_t cropX, cropY, width, height; /* /X /Y /W /H (0: the source's) */
    int32_t first, last;                 /* /S /E (0: all) */
    int32_t frameRate;                   /* /F: frames per second, -n milliseconds (0: the input's) */
    uint32_t skipOdd;                    /* /V: every other frame, at twice the frame time */
    int32_t paletteMode, analysisLimit, firstIndex, colours, systemColours, conversion; /* /P /U /I /Q /D /T */
    const char *paletteFile;                                                            /* /& or null */
    uint32_t overwrite;                                                                 /* /O: do not ask */
    const char *soundOutput; /* y4m streams: the sound's wave file or named pipe (null: NAME.wav beside a file) */
} ZencConvertParams;

typedef struct ZencConvertReport {
    uint32_t frames;       /* frames written */
    uint64_t bytes;        /* bytes of the output file(s) */
    char summary[1280];    /* the output's name, or "FIRST to LAST" for images */
    uint32_t declined;     /* the user declined to overwrite */
    uint32_t inputFailed;  /* the input could not be opened */
    uint32_t damagedFrame; /* the input's first damaged frame (1-based): the frames before it were converted */
    uint32_t sourceFrames; /* frames of the whole input (first and last are clamped to them) */
    uint32_t firstBeyond;  /* first lies past the input's last frame: nothing was written */
} ZencConvertReport;

/* Runs the conversion; progress gets each frame's text and errors (level 2).
   Outputs appear only when complete: a flic or AVI file, and numbered images
   (those written are removed when a later one fails). An input damaged after
   its first frame gives the frames before the damage and damagedFrame. A
   first frame past the input's end is refused (firstBeyond) before any
   output is made.
   Returns 1 on success. */
int ZencConvertGraphics(const ZencConvertParams *params, ZencProgressFn progress, ZencConvertReport *report);

/* The name an output without an extension gets: the input's kind when
   OGFile can write it (".flc" for flics, ".avi", the image's extension),
   otherwise the name unchanged (a flic). Writes at most size bytes. */
void ZencOutputLikeInput(const char *input, const char *output, char *result, size_t size);

/* True when the name's extension is an output kind of OGFile (flic, AVI or
   a still image), so the compressor writes it instead of a Zorblax file. */
int ZencIsGraphicsOutput(const char *name);

/* ---- Converting sound (the sound processor) ------------------------------------ */

typedef struct ZencSoundRequest {
    int32_t rate;       /* output sample rate; 0 = as the input */
    int32_t bits;       /* 8 or 16; 0 = as the input */
    int32_t channels;   /* 1 or 2; 0 = as the input */
    int32_t start, end; /* milliseconds, or -n for frame n (as SFileOpen); end 0 = to the end */
    int32_t track;      /* Zorblax track 1-7 or AVI sound stream; 0 = the first */
    uint32_t rawFlags;  /* headerless input: rate x 8 + type (bit 0 stereo, bit 1 16-bit); 0 = none */
    uint32_t rawOffset; /* headerless input: bytes to skip */
} ZencSoundRequest;

typedef struct ZencSoundResult {
    uint32_t sourceRate, sourceBits, sourceChannels;
    uint32_t rate, bits, channels;
    uint64_t dataBytes; /* sound bytes written */
} ZencSoundResult;

/* Writes the sound of input (anything SFileOpen reads) as a PCM wave file.
   Sample size and channel changes are exact (8-bit unsigned <-> 16-bit
   signed, stereo to mono by averaging, mono to stereo by duplicating); a rate
   change is band-limited (high-quality resampling). Without changes the
   samples are copied bit for bit. Safe writing as with ZencWrite. Returns 1
   on success; 0 on failure (reported through progress at level 2) or when
   progress cancelled. result may be null. */
int ZencConvertSound(const char *input, const char *output, const ZencSoundRequest *request, ZencSoundResult *result,
                     ZencProgressFn progress);

/* ---- New frame rates (the frame-rate changer) ------------------------------------ */

typedef struct ZencRetimeParams {
    int32_t frameRate;    /* the new header frame rate value: ms, or minus 1/100 ms (not 0) */
    int32_t regular, key; /* compression values of the pictures (0, 0: lossless) */
    uint32_t keyEvery, autoKeyPercent;
    int32_t soundQuality; /* 0 (exact) to 9; -1 leaves the sound out */
} ZencRetimeParams;

/* Gives a Zorblax file a new frame rate with the same running time: new
   frame j shows the picture the input shows at j new frame times; every
   sound track is decoded and cut again into one chunk per new frame, every
   sample kept. Header flags (ring frame, height modes) are kept. Safe
   writing as with ZencWrite. An input damaged or cut short after its first
   frame gives the new frames shown before the damage, and the damaged frame
   in report->damagedFrame. Returns 1 on success; report may be null. */
int ZencChangeFrameRate(const char *input, const char *output, const ZencRetimeParams *params, ZencReport *report,
                        ZencProgressFn progress);

#ifdef __cplusplus
}
#endif

#endif
