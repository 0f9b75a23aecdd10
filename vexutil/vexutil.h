/* libvexutil: the utility library of the Zorblax toolkit's command-line tools.
   Bit-level buffered file I/O, the Huffman encoder, graphics, flic and sound
   input, graphics and flic output, palette reduction, the sound chunk encoder,
   the status window and string utilities. C interface; only the names declared
   here with VEXAPI are exported from libvexutil.so. */
#ifndef ZORB_VEXUTIL_VEXUTIL_H
#define ZORB_VEXUTIL_VEXUTIL_H

#include <stddef.h>
#include <stdint.h>

#define VEXAPI __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/* ==== Errors =============================================================== */

/* The last error text the library reported on this thread: what its progress
   functions receive at level 2, the errors shown by StatusMessage, and why
   VEXFileOpen or VEXFileCreate failed. VEXFileOpen, VEXFileCreate, GFileOpen,
   SFileOpen, CSFileOpen and OGFileCreate clear it first; read it after a call
   returned null or 0. */
VEXAPI const char *VEXLastError(void);

/* ==== Buffered bit-level file I/O (VEXFile) ================================ */

/* One file, one buffer, a logical position, reads and writes on the same
   handle, bit fields of 1 to 32 bits least significant bit first, numbers
   little-endian. Every call accepts a null or closed handle and then returns
   0 (VEXFileAtEnd returns true). Names accept '\\' and '/' as separators. */
typedef struct VEXFILE VEXFILE;

#define VEXFILE_READ 250      /* open mode: read only */
#define VEXFILE_READWRITE 251 /* open mode: read and write */

/* bufferSize: its magnitude is the buffer's size, 0 = unbuffered. */
VEXAPI VEXFILE *VEXFileOpen(int32_t bufferSize, const char *name, int32_t mode);
VEXAPI VEXFILE *VEXFileCreate(int32_t bufferSize, const char *name); /* truncates */
VEXAPI void VEXFileClose(VEXFILE *f);
VEXAPI uint32_t VEXFileBitPos(VEXFILE *f);
VEXAPI uint32_t VEXFileSize(VEXFILE *f);
VEXAPI uint32_t VEXFileGetPos(VEXFILE *f);
VEXAPI uint32_t VEXFileSetPos(VEXFILE *f, uint32_t position); /* returns the position before */
VEXAPI int VEXFileIsInBuffer(VEXFILE *f, uint32_t position);
VEXAPI int VEXFileAtEnd(VEXFILE *f);
VEXAPI void VEXFileByteAlign(VEXFILE *f);
VEXAPI void VEXFileFlush(VEXFILE *f);
VEXAPI uint32_t VEXFileGetNB(VEXFILE *f, void *destination, uint32_t count); /* ignores the bit state */
VEXAPI uint32_t VEXFileGet(VEXFILE *f, void *destination, uint32_t count);
VEXAPI uint32_t VEXFileGet8(VEXFILE *f);
VEXAPI uint32_t VEXFileGet16(VEXFILE *f);
VEXAPI uint32_t VEXFileGet32(VEXFILE *f);
VEXAPI uint32_t VEXFileGetBits(VEXFILE *f, uint32_t count);
VEXAPI uint32_t VEXFilePutNB(VEXFILE *f, const void *source, uint32_t count); /* ignores the bit state */
VEXAPI uint32_t VEXFilePut(VEXFILE *f, const void *source, uint32_t count);
VEXAPI uint32_t VEXFilePut8(VEXFILE *f, uint32_t value);
VEXAPI uint32_t VEXFilePut16(VEXFILE *f, uint32_t value);
VEXAPI uint32_t VEXFilePut32(VEXFILE *f, uint32_t value);
VEXAPI uint32_t VEXFilePutBits(VEXFILE *f, uint32_t value, uint32_t count);
/* Copies at most 127 characters and the NUL into destination (when given). */
VEXAPI char *VEXFileGetName(VEXFILE *f, char *destination);
VEXAPI char *VEXFileGetLine(VEXFILE *f, char *buffer, uint32_t size);
/* The modification time in units of 2^32 x 100 ns (about 7 minutes). */
VEXAPI uint32_t VEXFileGetTime(VEXFILE *f);
VEXAPI int VEXFileSetTime(VEXFILE *f, uint32_t time);
VEXAPI int VEXFileErase(const char *name);

/* ==== Status window, switches, strings, file names, memory ================== */

/* 16-byte aligned blocks. Size 0 or negative gives null silently; when memory
   runs out "Error: ran out of memory!" is shown and null returned. */
VEXAPI void *vexmalloc(int32_t size);
VEXAPI void vexfree(void *block);

/* The status "window": one live progress line on standard error (rewritten in
   place on a terminal, plain lines otherwise), questions on the terminal
   (default answer without one), Ctrl-C as the Cancel button, and the final
   report to the front end. owner is the front end's number from "/#N" (0 for
   none); see docs/vexutil.md. */
typedef void (*VEXCANCELPROC)(void);
VEXAPI void StatusInit(void *instance, uint32_t owner, int noWait);
VEXAPI int StatusOpen(const char *title, const char *secondLine, VEXCANCELPROC cancel);
VEXAPI int StatusSet(const char *text);
VEXAPI int StatusCheck(void);
VEXAPI int StatusAsk(const char *question, int defaultNo);
VEXAPI int StatusMessage(const char *text, int error);
VEXAPI int StatusMessageTitle(const char *text, const char *title, int error);
VEXAPI int StatusDoCancel(void);     /* the Cancel button: asks "Do you want to cancel?" */
VEXAPI uint32_t StatusGetHWND(void); /* the owner (there is no window number here) */
VEXAPI void StatusClose(int wait);
/* Quiet (the tools' /Q): no status line, no information messages and no
   final line; errors and questions as always. */
VEXAPI void StatusSetQuiet(int quiet);
/* Sends data to front end `window` with the message code `identifier`; the
   front end's answer, 0 when there is none. */
VEXAPI uint32_t CopyData(uint32_t window, uint32_t sender, uint32_t identifier, uint32_t size, const void *data);

/* Switches: a slash, a letter (either case), the value right after it. Each
   call removes the switch it reads from the line. */
VEXAPI int32_t GetSwitchNum(char *commandLine, char letter, int32_t defaultValue);
VEXAPI int GetSwitch(char *commandLine, char letter);
/* destination must hold the longer of the line and the default; the N form
   takes the destination's size and cuts the value to fit. */
VEXAPI int GetSwitchStr(char *commandLine, char letter, char *destination, const char *defaultValue);
VEXAPI int GetSwitchStrN(char *commandLine, char letter, char *destination, size_t size, const char *defaultValue);

/* Strings. Blanks are the bytes whose signed value is at most 32. */
VEXAPI char *Trim(char *text);
VEXAPI char *TrimAscii(char *text);
VEXAPI char *TrimL(char *text);
VEXAPI char *GetAndRemoveFirst(char *destination, char *text);
VEXAPI char *GetAndRemoveFirstQuoted(char *destination, char *text);
VEXAPI char *RemoveQuotes(char *text);
VEXAPI char *u32toa(char *destination, uint32_t value); /* returns the end of the text */
VEXAPI uint32_t atou32(const char *text);
VEXAPI char *findchar(const char *text, int character);
VEXAPI char *GetElapsedTime(char *destination, uint32_t milliseconds); /* e.g. "1 minute 1 second" */
VEXAPI int32_t MakeFrameRate(int32_t rate);                            /* frame time in 10-microsecond units */

/* File names: '\\' and '/' separate directories on input, '/' on output; a
   drive prefix "X:" is dropped. Buffers passed to be rewritten hold 256 bytes. */
VEXAPI char *HasExtension(const char *name);
VEXAPI uint32_t ExpandFileName(char *name);
VEXAPI int IsDirectory(char *path, int stay);
VEXAPI char *GetFilePieces(char *path, int keepDrive, int keepDirectory, int keepName, int keepExtension);
VEXAPI char GetDrive(const char *path);
VEXAPI char *GetTempName(char *destination, const char *directory, const char *prefix, uint32_t number);
VEXAPI char *AddBackslash(char *path); /* appends '/' */
VEXAPI uint32_t vexfilesize(const char *name);
VEXAPI int overwrite(const char *name);
VEXAPI int CheckForDup(const char *inputName, const char *outputName);

/* ==== Huffman statistics and encoder (Huff) ================================== */

/* A Huffman code builder and writer. A byte tree codes 256 symbols; a 16-bit
   tree codes 65536 symbols, sends its leaf values with two byte trees of its
   own (low byte, high byte) and has three escape symbols standing for the three
   most recent values, mirroring the decoder's cache.
   Use: HuffOpen, HuffSetOutput, then per tree HuffInitStats, HuffAddStat for
   every symbol to be coded (with HuffInitLasts where the decoder resets its
   cache), HuffStartEncode (writes the tree), HuffEncode for the same symbols
   (HuffInitLasts at the same points), and finally HuffClose. */
typedef struct HUFF {
    uint32_t encoded; /* bytes of symbol data coded since the last tree */
    uint32_t bits;    /* sum of the code lengths written since then */
    VEXFILE *output;
    struct HUFF *lowTree;  /* 16-bit tree only: byte tree of the low bytes */
    struct HUFF *highTree; /* 16-bit tree only: byte tree of the high bytes */
    uint32_t lasts[3];     /* three most recent values, most recent first */
    uint32_t escapes[3];   /* hits while gathering; escape symbols once started */
    uint32_t *codes;       /* counts while gathering; bit-reversed codes once started */
    uint8_t *lengths;      /* code length per symbol; 255 = escape without a code */
    uint8_t hasStats;
    uint8_t tooDeep;
} HUFF;

/* byteTree non-zero in its low 8 bits: a byte tree; zero: a 16-bit tree. */
VEXAPI HUFF *HuffOpen(uint32_t byteTree);
VEXAPI void HuffSetOutput(HUFF *huff, VEXFILE *output);
VEXAPI void HuffClose(HUFF *huff);
VEXAPI void HuffInitStats(HUFF *huff);
VEXAPI void HuffInitLasts(HUFF *huff);
VEXAPI void HuffAddStat(HUFF *huff, uint32_t value);
/* Writes the tree. Returns a size figure (12 for an empty tree, 20 for a
   single symbol, else 16 + 8 x inner nodes), or -1 when a code would need
   more than 30 bits, or when a 16-bit tree's values leave fewer than three
   unused symbols for its escapes (what was written of the tree stays in the
   output). */
VEXAPI int32_t HuffStartEncode(HUFF *huff);
VEXAPI void HuffEncode(HUFF *huff, uint32_t value);

/* ==== Flic reader (VEXFlic) =================================================== */

/* Reads FLI (magic 0xAF11) and FLC (0xAF12) animations frame by frame into
   an 8-bit buffer of pitch x rows bytes; frames after the first are changes
   to the buffer's contents, so the same buffer serves the whole sequence. */
typedef struct VEXFLIC {
    uint32_t size;     /* file size from the header */
    uint32_t pitch;    /* width rounded up to a multiple of 4: the buffer's row length */
    uint32_t rows;     /* height rounded up to a multiple of 4: the buffer's rows */
    uint32_t frames;   /* frame count from the header (the loop frame not counted) */
    int32_t frameTime; /* negative: minus the number of 10-microsecond units per frame */
    uint32_t width, height;
    struct VEXFILE *file;   /* read handle */
    uint32_t currentFrame;  /* frames decoded since the start (0 = at the start) */
    uint32_t frameDataSize; /* chunk data of the last frame (its size - 16) */
    uint32_t frame1Offset;  /* file offset of the first frame */
    uint8_t palette[768];   /* current palette, red, green, blue, 8 bits each */
} VEXFLIC;

/* Tries the name, then with ".flc" and with ".fli" appended when it has no
   extension. Null when no file opens, the header is short or the magic is
   unknown. */
VEXAPI VEXFLIC *VEXFlicOpen(const char *name);
VEXAPI void VEXFlicClose(VEXFLIC *flic);
/* 0 = no file; 1 = frame decoded; 2 = frame decoded and the palette changed.
   After the last frame the sequence starts again at the first. */
VEXAPI int VEXFlicGetNext(VEXFLIC *flic, uint8_t *buffer);
/* Decodes up to frame number frame (0 = the start; frames after the count are
   limited to it). 0 on failure, 2 if a frame passed changed the palette, else 1. */
VEXAPI int VEXFlicGoto(VEXFLIC *flic, uint32_t frame, uint8_t *buffer);
VEXAPI uint8_t *VEXFlicGetPalette(VEXFLIC *flic);
/* The name of the file opened (with any extension added), copied to
   destination when one is given; null without a file. */
VEXAPI char *VEXFlicGetName(VEXFLIC *flic, char *destination);

/* ==== Graphics input (GFile) and palette reduction ============================ */

/* Progress function of the library: a text and a level (0 progress, 1 the
   first message of a series, 2 error, 3 the user declined to overwrite). A
   non-zero answer to a progress message cancels. */
typedef int (*VEXPROGRESS)(const char *text, int level);

/* Source kinds (GFILE.kind). */
#define GFILE_BMP 3
#define GFILE_GIF 4 /* a GIF picture, or every frame of an animated GIF */
#define GFILE_TIFF 5
#define GFILE_JPEG 6
#define GFILE_TGA 7
#define GFILE_PCX 8
#define GFILE_PNG 9
#define GFILE_WEBP 10 /* WebP, animated or still */
#define GFILE_AVI 32
#define GFILE_FLIC 128
#define GFILE_ZORBLAX 129
#define GFILE_RAW 130
#define GFILE_LIST 256
#define GFILE_WAVE 512

#define GFILE_32BIT 1 /* flags bit 0: deliver 32-bit pixels 0x00RRGGBB */

struct GFilePrivate;

/* Any picture source as one sequence of frames of one size. The library
   fills these fields; callers read them. */
typedef struct GFILE {
    char name[128];         /* the file actually opened (with any extension added) */
    uint32_t flags;         /* GFILE_32BIT */
    uint32_t kind;          /* GFILE_BMP ... GFILE_WAVE */
    uint32_t frames;        /* frames in the selected range */
    uint32_t width, height; /* size of the delivered frames (the crop size) */
    uint32_t sourceWidth, sourceHeight;
    int32_t frameTime;                       /* > 0 ms per frame; < 0 minus 10-microsecond units per frame */
    uint32_t rateNumerator, rateDenominator; /* frames per second as a fraction */
    uint32_t depth;                          /* bits per pixel of the source (24 after a forced conversion) */
    uint32_t frameDepth;                     /* bits per pixel of the current source frame */
    uint32_t unconvertedDepth;               /* depth before a forced 24-bit conversion */
    uint8_t *pixels;                         /* the delivered frame, rows top to bottom, pitch apart */
    uint32_t pitch;                          /* width rounded up to a multiple of 4 (times 4 for 32-bit) */
    uint32_t frameIndex;                     /* frames delivered so far */
    uint32_t frameDataSize;                  /* bytes the source spends on the current frame */
    uint32_t totalSize;                      /* size of the input file(s) */
    uint8_t palette[768];                    /* palette of the delivered 8-bit frame */
    uint32_t lastFrame;                      /* non-zero once the last frame of the range was read */
    int32_t cropX, cropY;                    /* crop origin in the source */
    uint32_t visibleWidth, visibleHeight;    /* part of the crop inside the source */
    uint32_t rightPadding, bottomPadding;    /* part beyond the source: colour 0 */
    uint32_t paletteChanged;                 /* set when the delivered palette was rebuilt */
    uint8_t sourcePalette[768];              /* palette of the current source frame */
    uint32_t trackInfo[7];                   /* Zorblax sources: per-track information of the file */
    uint32_t damagedFrame;                   /* 1-based source frame that could not be read (0: none) */
    uint32_t sourceFrames;                   /* frames of the whole source; the range is clamped to them */
    struct GFilePrivate *priv;               /* the library's own state */
} GFILE;

/* width/height 0: the source size; first 0: 1; last 0: 16777215; analysisLimit
   0: 65536; progressText null: "Processing". Null on failure (reported through
   progress at level 2). */
VEXAPI GFILE *GFileOpen(const char *name, uint32_t flags, int32_t cropX, int32_t cropY, int32_t width, int32_t height,
                        int32_t firstFrame, int32_t lastFrame, int32_t paletteMode, int32_t analysisLimit,
                        int32_t firstIndex, int32_t paletteCount, int32_t systemColourMode, int32_t conversionMode,
                        const char *paletteFile, const char *progressText, VEXPROGRESS progress);
/* Delivers the next frame: non-zero on success, 0 when cancelled, when the
   palette file failed to open, past the last frame, or when the source frame
   is damaged or cut off (damagedFrame then names it; the frames before it
   were good). */
VEXAPI int GFileGet(GFILE *g);
VEXAPI void GFileReset(GFILE *g);
VEXAPI void GFileClose(GFILE *g);
/* Builds a palette from the frames of an analysis handle into palette (768
   bytes): the frames analysed, 65536 when the source's end was reached, 0 when
   cancelled. */
VEXAPI int32_t GFileBestPalette(GFILE *g, uint8_t *palette);
/* Reads and removes the switches /X /Y /W /H /S /E (default 0), /P /T /D (one
   byte, default 0), /U (65536), /Q (256), /I ((256 - Q) / 2) and /& (text).
   Null pointers among p, u, i, q, d, t and text leave their switch in place.
   text must hold the longer of the command line and an empty text. */
VEXAPI void GFileCommandLine(char *commandLine, int32_t *x, int32_t *y, int32_t *w, int32_t *h, int32_t *s, int32_t *e,
                             uint8_t *p, int32_t *u, int32_t *i, int32_t *q, uint8_t *d, uint8_t *t, char *text);

/* ==== Graphics output (OGFile) and flic writer (VEXOFlic) ====================== */

/* Writes FLC animations (magic 0xAF12): a 128-byte header, then per frame a
   palette chunk when the colours changed and the smallest pixel chunk
   (BYTE_RUN or COPY for the first frame; LC at 320 x 200, DELTA_FLC at other
   sizes, or the whole picture when a delta is not smaller; nothing for an
   unchanged frame), and at close a loop frame that shows the first frame
   again. Widths must be even. */
typedef struct VEXOFLIC VEXOFLIC;

/* frameTime: positive milliseconds, or minus 10-microsecond units (kept
   exactly at byte 26 of the header). ".flc" is added when the name has no
   extension. Null for an odd width, a picture beyond 65535 a side or 64 MB,
   or when the file cannot be created. */
VEXAPI VEXOFLIC *VEXOFlicCreate(const char *name, uint32_t width, uint32_t height, int32_t frameTime);
/* pixels: width x height bytes, rows top to bottom without padding; palette:
   768 bytes red, green, blue (8-bit), or null for unchanged. 1 on success;
   0 once any write failed (or after 65535 frames), and for every later call. */
VEXAPI int VEXOFlicPutNext(VEXOFLIC *flic, const uint8_t *pixels, const uint8_t *palette);
/* Writes the loop frame and the final header. The file's size, or 0 when a
   write failed (the file is then incomplete). */
VEXAPI uint32_t VEXOFlicClose(VEXOFLIC *flic);

/* Output kinds (OGFILE.kind), chosen by the output name's extension. */
#define OGFILE_FLIC 0
#define OGFILE_BMP 1
#define OGFILE_JPEG 2
#define OGFILE_TGA 3
#define OGFILE_TIFF 4
#define OGFILE_PCX 5
#define OGFILE_GIF 6 /* one animated GIF of all frames (8-bit frames) */
#define OGFILE_PNG 7
#define OGFILE_WEBP 8 /* animated lossless WebP */
#define OGFILE_Y4M 9  /* YUV4MPEG2 stream (4:4:4), to a file or to standard output ("-") */
#define OGFILE_AVI 128

#define OGFILE_QUIET 1     /* flags bit 0: no message for an unsupported type */
#define OGFILE_OVERWRITE 2 /* flags bit 1: do not ask before overwriting */

struct OGFilePrivate;

/* One output for a sequence of frames: a flic, an AVI file, or numbered still
   images (BMP, JPEG, TGA, TIFF, PCX, GIF, PNG). The library fills these
   fields; callers read them. */
typedef struct OGFILE {
    char name[1024];     /* output name (flic, AVI) or the pattern of the image names */
    char firstName[256]; /* name (without directory) of the first image written */
    char summary[1280];  /* the output name, or "FIRST to LAST" for images */
    uint32_t trueColour; /* frames arrive as 32-bit pixels (blue, green, red, unused) */
    uint32_t width, height;
    uint32_t inputPitch; /* bytes between input rows */
    uint32_t nextNumber; /* number of the next image or AVI frame */
    uint32_t kind;       /* OGFILE_FLIC ... OGFILE_AVI */
    uint32_t depth;      /* bits per output pixel: 8 or 24 */
    uint32_t total;      /* bytes written to image files so far */
    uint32_t error;      /* set when a write failed */
    VEXOFLIC *flic;      /* the flic writer of a flic output */
    struct OGFilePrivate *priv;
} OGFILE;

/* parent: unused (no dialogs here). name: the extension picks the kind (none
   or ".flc": flic, for 8-bit frames). frames: how many frames will come (it
   sets the digits of the image numbers). inputPitch: bytes between input rows
   (a pitch below the row's length means rows without padding). frameTime: as
   for VEXOFlicCreate. progress receives errors at level 2 and (null, 3) when
   the user declined to overwrite. Null on failure.
   Flic and AVI outputs are written under a temporary name beside the target
   and renamed into place by OGFileClose when complete. */
VEXAPI OGFILE *OGFileCreate(void *parent, const char *name, uint32_t trueColour, uint32_t frames, uint32_t width,
                            uint32_t height, uint32_t inputPitch, int32_t frameTime, VEXPROGRESS progress,
                            uint32_t flags);
/* pixels: rows top to bottom, inputPitch apart; palette: 768 bytes red, green,
   blue (8-bit frames; null keeps the last one). Failures set the error field. */
VEXAPI void OGFilePut(OGFILE *og, const uint8_t *pixels, const uint8_t *palette);
/* Finishes the output. Flic and AVI: the file's size; images: the bytes
   written. 0 when the output failed (or the error field was set by the
   caller to abandon it): a flic or AVI output is then removed and an older
   file of that name stays as it was; images already written stay. */
VEXAPI uint32_t OGFileClose(OGFILE *og);

/* ==== Sound input (SFile) and sound chunk encoder (CSFile) ==================== */

/* The sound families take the library's progress function (VEXPROGRESS). */
typedef VEXPROGRESS SFILEPROGRESS;

/* Sound input: wave files, headerless PCM, Zorblax sound tracks, AVI sound
   streams, wave list files (".LST") and numbered sequences ("name???*1-9"),
   trimmed to a start and end and delivered in the requested format. */
typedef struct SFILE {
    char name[128];               /* the file opened */
    int32_t done;                 /* set when no sound is left */
    int32_t rate, bits, channels; /* output format */
    int32_t outputFrameSize;      /* bytes per output sample frame */
    int32_t sourceRate, sourceBits, sourceChannels;
    int32_t sourceFrameSize; /* bytes per source sample frame */
    uint32_t trackMask;      /* Zorblax sources: 0x2000 << track index */
    int32_t kind;            /* SFILE_KIND_... */
    uint32_t remaining;      /* source bytes of the stretch not yet delivered */
    uint32_t total;          /* source bytes in the selected stretch */
    struct SFilePrivate *state;
} SFILE;

#define SFILE_KIND_WAVE 1 /* wave file or headerless PCM */
#define SFILE_KIND_ZORBLAX 2
#define SFILE_KIND_AVI 3
#define SFILE_KIND_LIST 4

/* rate, bits, channels: 0 = as the source. start, end: milliseconds, or -n
   for frame n of the video the sound belongs to (end 0 = to the end). track:
   Zorblax 1-7 (0 = the first track with sound), AVI sound stream number.
   rawFlags (headerless PCM, 0 = none): rate x 8 + type, type bit 0 stereo,
   bit 1 16-bit; rawOffset: bytes to skip at the start of the file. */
VEXAPI SFILE *SFileOpen(const char *name, int32_t rate, int32_t bits, int32_t channels, int32_t start, int32_t end,
                        int32_t track, uint32_t rawFlags, uint32_t rawOffset, SFILEPROGRESS progress);
/* Delivers up to count bytes (whole output frames); returns the bytes delivered. */
VEXAPI uint32_t SFileGet(SFILE *sf, void *dest, uint32_t count);
VEXAPI void SFileReset(SFILE *sf);
VEXAPI void SFileClose(SFILE *sf);
/* Reads and removes /R /B /C /S /E /T /Y /D /K; any out-pointer may be null. */
VEXAPI void SFileCommandLine(char *commandLine, int32_t *rate, int32_t *bits, int32_t *channels, int32_t *start,
                             int32_t *end, int32_t *track, uint32_t *rawFlags, uint32_t *rawOffset);

/* Sound chunk encoder: cuts the sound of an SFile into chunks, one per
   CSFilePut, and writes each as a size-prefixed block: raw PCM (store-raw) or
   the decoded size followed by delta-coded, Huffman-coded samples, lossy by a
   quality level 0 (exact) to 9. */
typedef struct CSFILE {
    SFILE *sound;
    int32_t storeRaw;                 /* chunks hold the bytes as they are */
    uint32_t silence;                 /* fill byte: 0x80 for 8-bit, 0 for 16-bit output */
    uint32_t leadInLeft, leadInStart; /* lead-in silence bytes left, and at each start */
    uint32_t soundLeft, soundStart;   /* sound bytes left, and at each start */
    uint32_t mask, threshold;         /* quantisation of the quality level */
    int32_t loop;                     /* read the source again when it ends early */
    int32_t repeat;                   /* start lead-in and sound again when the length is used up */
    VEXFILE *output;
    HUFF *trees[4];
    uint32_t lastSoundBytes, lastWrittenSize; /* of the last chunk written */
    uint32_t totalSoundBytes, totalWrittenSize;
    struct CSFilePrivate *state;
} CSFILE;

/* leadIn and length in milliseconds (length 0 = the whole source); the other
   arguments as for SFileOpen. rawFlags store the headerless sound raw, at its
   own rate and format. */
VEXAPI CSFILE *CSFileOpen(const char *name, int32_t level, int32_t loop, int32_t repeat, int32_t leadIn, int32_t length,
                          int32_t rate, int32_t bits, int32_t channels, int32_t start, int32_t end, int32_t track,
                          uint32_t rawFlags, uint32_t rawOffset, SFILEPROGRESS progress);
VEXAPI void CSFileSetOutput(CSFILE *cs, VEXFILE *output);
/* Writes one chunk of up to count bytes (whole output frames); nothing when no
   sound is produced. lastSoundBytes and lastWrittenSize tell what was written. */
VEXAPI void CSFilePut(CSFILE *cs, uint32_t count);
VEXAPI void CSFileClose(CSFILE *cs);
/* As SFileCommandLine, and /L (quality level) and /P (a flag). */
VEXAPI void CSFileCommandline(char *commandLine, int32_t *level, int32_t *p, int32_t *rate, int32_t *bits,
                              int32_t *channels, int32_t *start, int32_t *end, int32_t *track, uint32_t *rawFlags,
                              uint32_t *rawOffset);

#ifdef __cplusplus
}
#endif

#endif
