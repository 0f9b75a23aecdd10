// Video frame decoding: 4x4 blocks coded with the four big trees, written into
// the caller's buffer (8-bit, or 16-bit through a colour table), with the
// change map of the frame and the dirty-rectangle walk over it.
//
// Three equivalent decoders exist: the reference walk (plain bit reader, one
// tree bit per step, byte-wise pixel writes), the table-driven plain loop, and
// the wide loop (64-bit refills, word-wide pixel writes). All three give the
// same pixels, change map and bit consumption on any input.
#ifndef ZORB_CODEC_VIDEO_H
#define ZORB_CODEC_VIDEO_H

#include <cstddef>
#include <cstdint>

#include "codec/trees.h"

struct ZorbOutputDescriptor;

namespace zorb {

enum class DecodePath { Reference, Table, Wide };

enum : uint32_t { kPixel8 = 0, kPixel555 = 0x80, kPixel565 = 0xC0 };

struct DirtyRect {
    int32_t left, top, right, bottom;
};

} // namespace zorb

// Where and how decoded frames land; built by SetupOutput. The descriptor,
// its change map and its colour table live in one block.
struct ZorbOutputDescriptor {
    uint32_t doubled;     // each coded row goes to two lines
    uint32_t interlaced;  // each coded row goes to every other line
    uint32_t pixelFormat; // kPixel8, kPixel555, kPixel565
    uint32_t bytesPerPixel;
    uint32_t bottomUp;
    uint8_t *buffer; // the caller's buffer, stride x bufferHeight bytes
    uint32_t stride, bufferHeight;
    int64_t lineStep;  // byte distance between two consecutive display lines (negative: bottom-up)
    int64_t firstLine; // buffer line (in memory order) of the picture's top line (may lie outside when clipped)
    uint32_t blocksPerRow, blockRows;
    uint32_t width, codedHeight;
    // Blocks that lie wholly inside the buffer; the others are decoded but not written.
    uint32_t rowFirst, rowEnd, colEnd;
    uint32_t outputX;
    int32_t outputY;
    uint8_t *changeMap;
    uint32_t changeMapBytes;
    uint16_t *colourTable16; // 256 entries for 16-bit output, else null
    size_t blockBytes;       // size of the whole block (descriptor + map + table)
    // Dirty-rectangle walk.
    uint32_t walkBlock; // next block index the run scan looks at
    uint32_t walkDone;  // run scan exhausted
    uint32_t heldValid; // a run read ahead that starts the next rectangle
    zorb::DirtyRect held;
    uint32_t pendingCount;
    zorb::DirtyRect pending[4];
};

namespace zorb {

using OutputDescriptor = ::ZorbOutputDescriptor;

// Size of the block SetupOutput needs for a picture (0 when the picture is too large).
size_t OutputBlockSize(uint32_t width, uint32_t codedHeight, bool sixteenBit);

// Fills a descriptor in block (at least OutputBlockSize bytes, zero-filled by
// the caller when new). heightMode: 0 normal, 1 interlaced, 2 doubled.
// outputType as ZorbSetOutput takes it. Returns the descriptor.
OutputDescriptor *SetupOutput(void *block, size_t blockBytes, uint32_t width, uint32_t codedHeight, int heightMode,
                              uint32_t x, int32_t y, uint32_t stride, uint32_t bufferHeight, uint8_t *buffer,
                              uint32_t outputType);

// Rebuilds a 16-bit colour table from a 768-byte palette.
void BuildColourTable16(const uint8_t *palette, uint32_t pixelFormat, uint16_t *table);

struct VideoResult {
    uint64_t values; // big-tree values decoded
    uint32_t blocks; // blocks handled (all of the picture unless the data ran out)
    bool ranOut;     // the frame's data ended before the picture did
};

// Decodes one frame's video data into the output and its change map. Never
// reads outside [data, data + size) and never writes outside the buffer.
// Caches of the trees are reset first.
VideoResult DecodeVideo(TreeTable &trees, const uint8_t *data, size_t size, OutputDescriptor &out, DecodePath path);

// Starts the dirty-rectangle walk over the change map of the last decode.
void StartDirtyWalk(OutputDescriptor &out);

// Next rectangle of the walk (mode 0 merged, 1 one bounding box) in buffer
// coordinates as left, top, width, height. Returns false when none is left.
bool NextDirtyRect(OutputDescriptor &out, int mode, int32_t rect[4]);

// Hands out an already pending rectangle only (mode 2).
bool PopPendingRect(OutputDescriptor &out, int32_t rect[4]);

// Colour remapping: map[i] is the target entry nearest to palette entry i.
void BuildRemap(const uint8_t *palette, const uint8_t *target, uint32_t count, uint32_t layout, uint8_t map[256]);
void RemapTrees(TreeTable &trees, const uint8_t map[256]);

} // namespace zorb

#endif
