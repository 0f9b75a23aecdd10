// The container's header and frame tables as bytes and as numbers.
#include "codec/format.h"

extern "C" {

const uint16_t ZbxRunLengths[ZBX_RUN_INDEXES] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,  13,  14,  15,   16,
                                                 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28,  29,  30,  31,   32,
                                                 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44,  45,  46,  47,   48,
                                                 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 128, 256, 512, 1024, 2048};

void ZbxParseHeader(const uint8_t bytes[ZBX_HEADER_SIZE], ZbxHeader *h)
{
    h->Magic = ZbxGet32(bytes + ZBX_OFFSET_MAGIC);
    h->Width = ZbxGet32(bytes + ZBX_OFFSET_WIDTH);
    h->Height = ZbxGet32(bytes + ZBX_OFFSET_HEIGHT);
    h->FrameCount = ZbxGet32(bytes + ZBX_OFFSET_FRAME_COUNT);
    h->FrameRate = static_cast<int32_t>(ZbxGet32(bytes + ZBX_OFFSET_FRAME_RATE));
    h->HeaderFlags = ZbxGet32(bytes + ZBX_OFFSET_HEADER_FLAGS);
    for (int t = 0; t < ZBX_MAX_TRACKS; ++t) {
        h->AudioMaxSize[t] = ZbxGet32(bytes + ZBX_OFFSET_AUDIO_MAX_SIZE + 4 * t);
        h->AudioFormat[t] = ZbxGet32(bytes + ZBX_OFFSET_AUDIO_FORMAT + 4 * t);
    }
    h->TreeDataSize = ZbxGet32(bytes + ZBX_OFFSET_TREE_DATA_SIZE);
    for (int t = 0; t < ZBX_TREE_COUNT; ++t)
        h->TreeSize[t] = ZbxGet32(bytes + ZBX_OFFSET_TREE_SIZE + 4 * t);
    h->Reserved = ZbxGet32(bytes + ZBX_OFFSET_RESERVED);
}

void ZbxSerializeHeader(const ZbxHeader *h, uint8_t bytes[ZBX_HEADER_SIZE])
{
    ZbxPut32(bytes + ZBX_OFFSET_MAGIC, h->Magic);
    ZbxPut32(bytes + ZBX_OFFSET_WIDTH, h->Width);
    ZbxPut32(bytes + ZBX_OFFSET_HEIGHT, h->Height);
    ZbxPut32(bytes + ZBX_OFFSET_FRAME_COUNT, h->FrameCount);
    ZbxPut32(bytes + ZBX_OFFSET_FRAME_RATE, static_cast<uint32_t>(h->FrameRate));
    ZbxPut32(bytes + ZBX_OFFSET_HEADER_FLAGS, h->HeaderFlags);
    for (int t = 0; t < ZBX_MAX_TRACKS; ++t) {
        ZbxPut32(bytes + ZBX_OFFSET_AUDIO_MAX_SIZE + 4 * t, h->AudioMaxSize[t]);
        ZbxPut32(bytes + ZBX_OFFSET_AUDIO_FORMAT + 4 * t, h->AudioFormat[t]);
    }
    ZbxPut32(bytes + ZBX_OFFSET_TREE_DATA_SIZE, h->TreeDataSize);
    for (int t = 0; t < ZBX_TREE_COUNT; ++t)
        ZbxPut32(bytes + ZBX_OFFSET_TREE_SIZE + 4 * t, h->TreeSize[t]);
    ZbxPut32(bytes + ZBX_OFFSET_RESERVED, h->Reserved);
}

uint32_t ZbxTableFrames(const ZbxHeader *h)
{
    if (!(h->HeaderFlags & ZBX_RING_FRAME))
        return h->FrameCount;
    return h->FrameCount == UINT32_MAX ? UINT32_MAX : h->FrameCount + 1;
}

int ZbxWholeFrames(const uint32_t *sizes, uint32_t frames, uint64_t start, uint64_t available, uint32_t *whole)
{
    constexpr uint64_t kMostMissing = uint64_t{1} << 28;
    uint64_t total = start;
    uint32_t n = 0;
    for (uint32_t i = 0; i < frames; ++i) {
        total += sizes[i];
        if (n == i && total <= available)
            n = i + 1;
    }
    *whole = n;
    return total <= available || (n > 0 && total - available <= kMostMissing);
}

void ZbxParseFrameSizes(const uint8_t *bytes, uint32_t frames, uint32_t *sizes)
{
    for (uint32_t i = 0; i < frames; ++i)
        sizes[i] = ZbxGet32(bytes + 4 * size_t{i});
}

void ZbxSerializeFrameTables(const uint32_t *sizes, const uint8_t *types, uint32_t frames, uint8_t *bytes)
{
    for (uint32_t i = 0; i < frames; ++i) {
        ZbxPut32(bytes + 4 * size_t{i}, sizes[i]);
        bytes[4 * size_t{frames} + i] = types[i];
    }
}

} // extern "C"
