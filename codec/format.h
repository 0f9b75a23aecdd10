/* The container's layout in one place, for every reader and writer of
   Zorblax files (the codec, the encoder, the tools): the 104-byte header's
   field offsets and its parse and serialise, the frame tables, the tree ids,
   the run-length table of the block types, the frame-period arithmetic and
   little-endian numbers. Plain C; the flags are those of codec/zorb.h.

   File layout (little-endian): the header; N frame sizes (32-bit); N frame
   type bytes; the tree data (TreeDataSize bytes); the frames back to back. N
   is FrameCount, plus one when the header announces a ring frame. */
#ifndef ZORB_CODEC_FORMAT_H
#define ZORB_CODEC_FORMAT_H

#include <stddef.h>
#include <stdint.h>

#include "codec/zorb.h"
#include "platform/byte_order.h" /* ZbxGet16, ZbxGet32, ZbxPut16, ZbxPut32 */

#ifdef __cplusplus
extern "C" {
#endif

/* "ZBX2" read as a little-endian number. */
#define ZBX_MAGIC 0x3258425Au

/* Byte offsets of the header's fields. */
enum {
    ZBX_OFFSET_MAGIC = 0,
    ZBX_OFFSET_WIDTH = 4,
    ZBX_OFFSET_HEIGHT = 8,
    ZBX_OFFSET_FRAME_COUNT = 12,
    ZBX_OFFSET_FRAME_RATE = 16,
    ZBX_OFFSET_HEADER_FLAGS = 20,
    ZBX_OFFSET_AUDIO_MAX_SIZE = 24, /* ZBX_MAX_TRACKS numbers */
    ZBX_OFFSET_TREE_DATA_SIZE = 52,
    ZBX_OFFSET_TREE_SIZE = 56,    /* ZBX_TREE_COUNT numbers, in tree-id order */
    ZBX_OFFSET_AUDIO_FORMAT = 72, /* ZBX_MAX_TRACKS numbers */
    ZBX_OFFSET_RESERVED = 100
};

/* The four big trees, in the order of their sizes in the header and of their
   data in the file. */
enum {
    ZBX_TREE_BITMAP = 0,      /* 16-bit pixel bitmaps of two-colour blocks */
    ZBX_TREE_COLOUR_PAIR = 1, /* the two colours of a two-colour block */
    ZBX_TREE_PIXEL_PAIR = 2,  /* two neighbouring pixels */
    ZBX_TREE_BLOCK_TYPE = 3,  /* block type, run index, fill colour */
    ZBX_TREE_COUNT = 4
};

/* Block types: the low two bits of a value of the block-type tree. Bits 2-7
   are the run index, bits 8-15 a fill block's colour. */
enum {
    ZBX_BLOCK_TWO_COLOUR = 0, /* two colours and a 16-bit bitmap */
    ZBX_BLOCK_FULL = 1,       /* eight pixel pairs */
    ZBX_BLOCK_SKIP = 2,       /* unchanged */
    ZBX_BLOCK_FILL = 3,       /* one colour */
    ZBX_BLOCK_KINDS = 4,
    ZBX_BLOCK_TYPE_MASK = 3
};

/* Memory blocks (the handle's, the trees', the output descriptor's, the
   blitter's) are 16-byte aligned. */
#define ZBX_ALIGNMENT 16u
static inline size_t ZbxAlign16(size_t n)
{
    return (n + (ZBX_ALIGNMENT - 1u)) & ~(size_t)(ZBX_ALIGNMENT - 1u);
}

/* Frame type byte: bit 0 a palette chunk, bit 1 + n a sound chunk of track n;
   the video data follows the chunks. */
#define ZBX_FRAME_PALETTE 0x1u
#define ZBX_FRAME_TRACK(n) (0x2u << (n))

/* The header as numbers. */
typedef struct ZbxHeader {
    uint32_t Magic;
    uint32_t Width;
    uint32_t Height;
    uint32_t FrameCount;
    int32_t FrameRate; /* > 0 ms per frame, < 0 minus hundredths of a ms per frame */
    uint32_t HeaderFlags;
    uint32_t AudioMaxSize[ZBX_MAX_TRACKS];
    uint32_t TreeDataSize;
    uint32_t TreeSize[ZBX_TREE_COUNT];
    uint32_t AudioFormat[ZBX_MAX_TRACKS];
    uint32_t Reserved;
} ZbxHeader;

/* Header bytes to numbers and back. Parsing checks nothing: callers judge
   the values. */
void ZbxParseHeader(const uint8_t bytes[ZBX_HEADER_SIZE], ZbxHeader *header);
void ZbxSerializeHeader(const ZbxHeader *header, uint8_t bytes[ZBX_HEADER_SIZE]);

/* Entries of the frame tables: FrameCount, plus one for a ring frame
   (saturating at UINT32_MAX). */
uint32_t ZbxTableFrames(const ZbxHeader *header);

/* Bytes of the frame tables of n frames (5 n). */
static inline uint64_t ZbxTablesBytes(uint32_t frames)
{
    return (uint64_t)frames * 5u;
}

/* The tables: n sizes then n type bytes, read from or written to bytes
   (ZbxTablesBytes(n) of them). */
void ZbxParseFrameSizes(const uint8_t *bytes, uint32_t frames, uint32_t *sizes);
void ZbxSerializeFrameTables(const uint32_t *sizes, const uint8_t *types, uint32_t frames, uint8_t *bytes);

/* The frames that lie whole in a file of `available` bytes whose frame data
   starts at byte `start` (after the header, the tables and the tree data),
   by the table's sizes. A complete file gives all of them; a file cut short
   the frames before the cut, which can still be used. Returns 0 (refused)
   when not even the first frame is whole, or when the table claims more than
   256 MB beyond the file's end (a lying table rather than a cut: buffers are
   sized from it). One rule for every reader of the format. */
int ZbxWholeFrames(const uint32_t *sizes, uint32_t frames, uint64_t start, uint64_t available, uint32_t *whole);

/* Blocks covered by each run index of a block-type symbol. */
#define ZBX_RUN_INDEXES 64
extern const uint16_t ZbxRunLengths[ZBX_RUN_INDEXES];

/* The frame period in hundredths of a millisecond of a frame rate as stored
   (> 0: milliseconds per frame, saturating at UINT32_MAX; <= 0: minus the
   period). Inline, like the number helpers, so that programs that read
   headers without linking the codec (the front end) share it. */
static inline uint32_t ZbxFramePeriod(int32_t frameRate)
{
    if (frameRate >= 0) {
        const uint64_t p = (uint64_t)(uint32_t)frameRate * 100u;
        return p > UINT32_MAX ? UINT32_MAX : (uint32_t)p;
    }
    return 0u - (uint32_t)frameRate;
}

#ifdef __cplusplus
}
#endif

#endif
