// Opening and closing a .zbx file.
//
// File layout (little-endian): a 104-byte header; N frame sizes (u32); N frame
// type bytes; the tree data; the frames back to back. N is FrameCount plus
// one when the header announces a ring frame.
//
// Nothing read from the file is trusted: the header, tables and tree data
// must be complete, the trees must fit their node memory, the frames must lie
// inside the file and each frame must be large enough for the chunks its type
// byte claims. Any of these failing fails the open with a debug log line.
#include <cerrno>
#include <cinttypes>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "codec/format.h"
#include "codec/handle.h"
#include "codec/trees.h"
#include "platform/platform.h"

namespace zorb {

int32_t g_frameRateOverride = 0;

uint32_t FramesPerSecondOf(uint32_t framePeriod)
{
    if (framePeriod == 0)
        return 100000;
    uint32_t f = 100000 / framePeriod;
    return f ? f : 1;
}

FrameStats ComputeFrameStats(const uint32_t *sizes, uint32_t n, uint32_t f)
{
    FrameStats s{0, 0, 1, 0, 0};
    for (uint32_t i = 0; i < n; ++i) {
        s.total += sizes[i];
        if (sizes[i] > s.largestFrame)
            s.largestFrame = sizes[i];
    }
    s.meanFrameBytes = n ? static_cast<uint32_t>(s.total / n) : 0;
    if (n == 0)
        return s;
    if (n - 1 < f) {
        s.largestSecondBytes = static_cast<uint32_t>(s.total > UINT32_MAX ? UINT32_MAX : s.total);
        s.largestSecondFrame = 1;
        return s;
    }
    // Windows of f frames starting at 1 .. n - 1 - f; the first strictly
    // larger sum wins.
    uint64_t sum = 0;
    for (uint32_t i = 0; i < f; ++i)
        sum += sizes[i];
    bool any = false;
    uint64_t best = 0;
    for (uint32_t start = 1; start + f <= n - 1; ++start) {
        sum += uint64_t{sizes[start + f - 1]} - sizes[start - 1];
        if (!any || sum > best) {
            any = true;
            best = sum;
            s.largestSecondFrame = start + 1;
        }
    }
    s.largestSecondBytes = static_cast<uint32_t>(best > UINT32_MAX ? UINT32_MAX : best);
    return s;
}

namespace {

constexpr uint32_t kMaxDimension = 65535;

void DecodeHeader(ZorbHandle *h, const uint8_t *b)
{
    ZbxHeader z;
    ZbxParseHeader(b, &z);
    h->Magic = z.Magic;
    h->Width = z.Width;
    h->Height = z.Height;
    h->FrameCount = z.FrameCount;
    h->FrameRate = z.FrameRate;
    h->HeaderFlags = z.HeaderFlags;
    for (int i = 0; i < ZBX_MAX_TRACKS; ++i) {
        h->AudioMaxSize[i] = z.AudioMaxSize[i];
        h->AudioFormat[i] = z.AudioFormat[i];
    }
    h->TreeDataSize = z.TreeDataSize;
    h->BitmapTreeSize = z.TreeSize[ZBX_TREE_BITMAP];
    h->ColourPairTreeSize = z.TreeSize[ZBX_TREE_COLOUR_PAIR];
    h->PixelPairTreeSize = z.TreeSize[ZBX_TREE_PIXEL_PAIR];
    h->BlockTypeTreeSize = z.TreeSize[ZBX_TREE_BLOCK_TYPE];
    h->Reserved = z.Reserved;
}

// Releases everything an open or a handle holds except the tracks; closes
// the file when the library opened it.
void ReleaseBlocks(ZorbHandle *h)
{
    if (h->ReadBufferStart)
        HandleFree(h, h->ReadBufferStart, h->ReadBufferAlloc);
    h->ReadBufferStart = nullptr;
    if (h->OutputDescriptor)
        HandleFree(h, h->OutputDescriptor, h->OutputDescriptorSize);
    h->OutputDescriptor = nullptr;
    if (h->TreeTable)
        HandleFree(h, h->TreeTable, h->TreeTableSize);
    h->TreeTable = nullptr;
    if (h->FrameSizes)
        HandleFree(h, h->FrameSizes, h->FramesTableSize);
    h->FrameSizes = nullptr;
    h->FrameTypes = nullptr;
    if (h->FrameBuffer)
        HandleFree(h, h->FrameBuffer, size_t{h->FrameBufferSize} + 8);
    h->FrameBuffer = nullptr;
}

ZorbHandle *FailOpen(ZorbHandle *h, void *scratch, size_t scratchSize, bool ownFile, bool callerMemory)
{
    if (scratch)
        HandleFree(h, scratch, scratchSize);
    ReleaseBlocks(h);
    if (ownFile && h->FileHandle >= 0)
        ::close(h->FileHandle);
    std::memset(h, 0, sizeof *h);
    if (!callerMemory)
        std::free(h);
    return nullptr;
}

bool FrameCanHoldChunks(uint8_t type, uint32_t size)
{
    // Every chunk takes at least 4 bytes (a palette chunk's length is 4 x L
    // with L >= 1; a sound chunk starts with a 4-byte length).
    return uint32_t{static_cast<uint32_t>(__builtin_popcount(type))} * 4 <= size;
}

} // namespace

} // namespace zorb

using namespace zorb;

extern "C" ZorbHandle *ZorbOpen(void *first, uint32_t flags, int32_t extra)
{
    if (!first)
        return nullptr;
    PlatformDebugValue(); // read the debug switch once
    const uint32_t startTime = PlatformTimeMs();
    const bool callerMemory = flags & ZORB_OPEN_CALLER_MEMORY;

    int fd = -1;
    bool ownFile = false;
    uint64_t startOffset = 0;
    if (flags & ZORB_OPEN_FILE_HANDLE) {
        int32_t given;
        if (callerMemory)
            std::memcpy(&given, first, sizeof given);
        else
            given = static_cast<int32_t>(reinterpret_cast<intptr_t>(first));
        if (given >= 0 && ::fcntl(given, F_GETFD) != -1) {
            fd = given;
            PlatformDebugLog("ZorbOpen - file handle: %d\n", fd);
            off_t pos = ::lseek(fd, 0, SEEK_CUR);
            startOffset = pos > 0 ? static_cast<uint64_t>(pos) : 0;
        }
    } else {
        // With caller memory the memory holds the file name until the record is set up.
        const char *name = static_cast<const char *>(first);
        PlatformDebugLog("ZorbOpen - file: %s\n", name);
        fd = ::open(name, O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            ownFile = true;
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        }
    }
    if (fd < 0) {
        PlatformDebugLog("Couldn't open the Zorblax file\n");
        return nullptr;
    }
    // Bytes available from the start offset on (unknown for pipes and the like).
    uint64_t available = UINT64_MAX;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
        available = static_cast<uint64_t>(st.st_size) > startOffset ? static_cast<uint64_t>(st.st_size) - startOffset
                                                                      : 0;

    ZorbHandle *h = callerMemory ? static_cast<ZorbHandle *>(first)
                                 : static_cast<ZorbHandle *>(std::aligned_alloc(16, (sizeof(ZorbHandle) + 15) & ~size_t{15}));
    if (!h) {
        PlatformDebugLog("Couldn't allocate Zorb structure\n");
        if (ownFile)
            ::close(fd);
        return nullptr;
    }
    std::memset(h, 0, sizeof *h);
    BookMemory(h, sizeof *h);
    h->FileHandle = fd;
    h->StartOffset = static_cast<uint32_t>(startOffset);
    h->DataStart = h->StartOffset;
    h->PrimaryTrack = -1;
    if (flags & ZORB_OPEN_SIMULATE_READ)
        h->SimulatedReadRate = g_simulatedReadSpeed;
    auto fail = [&](void *scratch = nullptr, size_t scratchSize = 0) {
        return FailOpen(h, scratch, scratchSize, ownFile, callerMemory);
    };
    if (startOffset > UINT32_MAX) {
        PlatformDebugLog("Zorblax data starts beyond 4 GB\n");
        return fail();
    }

    // Header.
    uint8_t header[ZBX_HEADER_SIZE];
    if (ReadBytes(h, header, ZBX_HEADER_SIZE) < ZBX_HEADER_SIZE || std::memcmp(header, "ZBX2", 4) != 0) {
        PlatformDebugLog("Wasn't a Zorblax file\n");
        return fail();
    }
    DecodeHeader(h, header);
    if (h->Width > kMaxDimension || h->Height > kMaxDimension) {
        PlatformDebugLog("Zorblax picture size out of range: %" PRIu32 " x %" PRIu32 "\n", h->Width, h->Height);
        return fail();
    }

    // Frame rate.
    if (flags & ZORB_OPEN_FRAMERATE_OVERRIDE)
        h->FrameRate = g_frameRateOverride;
    h->FramePeriod = ZbxFramePeriod(h->FrameRate);
    h->FramesPerSecond = FramesPerSecondOf(h->FramePeriod);

    // Frame tables: sizes first (aligned), then the type bytes.
    const uint64_t n = uint64_t{h->FrameCount} + (h->HeaderFlags & ZBX_RING_FRAME ? 1 : 0);
    if (n == 0 || n > UINT32_MAX) {
        PlatformDebugLog("Zorblax file has no frames\n");
        return fail();
    }
    const uint32_t frames = static_cast<uint32_t>(n);
    if (ZBX_HEADER_SIZE + 5 * n > available) {
        PlatformDebugLog("Zorblax file too short for its frame tables\n");
        return fail();
    }
    const uint64_t tableBytes = 5 * n + 4;
    void *tables = tableBytes <= UINT32_MAX ? HandleAlloc(h, tableBytes) : nullptr;
    if (!tables) {
        PlatformDebugLog("Couldn't allocate track table\n");
        return fail();
    }
    h->FramesTableSize = static_cast<uint32_t>(tableBytes);
    h->FrameSizes = static_cast<uint32_t *>(tables);
    h->FrameTypes = static_cast<uint8_t *>(tables) + 4 * n;
    if (ReadBytes(h, h->FrameSizes, 4 * frames) < 4 * frames || ReadBytes(h, h->FrameTypes, frames) < frames) {
        PlatformDebugLog("Zorblax file too short for its frame tables\n");
        return fail();
    }
    for (uint32_t i = 0; i < frames; ++i)
        h->FrameSizes[i] = ZbxGet32(reinterpret_cast<const uint8_t *>(h->FrameSizes + i));
    h->DataStart += 5 * frames;

    // Trees.
    const uint64_t headAndTables = ZBX_HEADER_SIZE + 5 * n;
    if (headAndTables + h->TreeDataSize > available) {
        PlatformDebugLog("Zorblax file too short for its tree data\n");
        return fail();
    }
    uint64_t scratchSize = (uint64_t{h->TreeDataSize} + 4099) & ~uint64_t{3};
    if (scratchSize < 8192)
        scratchSize = 8192;
    auto *scratch = static_cast<uint8_t *>(HandleAlloc(h, scratchSize));
    if (!scratch) {
        PlatformDebugLog("Couldn't allocate input buffer\n");
        return fail();
    }
    uint8_t *treeData = scratch + 4096;
    if (ReadBytes(h, treeData, h->TreeDataSize) < h->TreeDataSize) {
        PlatformDebugLog("Zorblax file too short for its tree data\n");
        return fail(scratch, scratchSize);
    }
    const uint32_t nodeBytes[kBigTreeCount] = {h->BitmapTreeSize, h->ColourPairTreeSize, h->PixelPairTreeSize,
                                               h->BlockTypeTreeSize};
    TreeLayout layout;
    const char *treeError = nullptr;
    if (!MeasureTrees(treeData, h->TreeDataSize, nodeBytes, &layout, &treeError)) {
        PlatformDebugLog("Bad Zorblax tree data: %s\n", treeError);
        return fail(scratch, scratchSize);
    }
    void *treeBlock = layout.bytes <= UINT32_MAX ? HandleAlloc(h, layout.bytes) : nullptr;
    if (!treeBlock)
        return fail(scratch, scratchSize);
    h->TreeTable = reinterpret_cast<ZorbTreeTable *>(treeBlock);
    h->TreeTableSize = static_cast<uint32_t>(layout.bytes);
    if (!BuildTrees(treeBlock, layout, treeData, h->TreeDataSize, &treeError)) {
        PlatformDebugLog("Bad Zorblax tree data: %s\n", treeError);
        return fail(scratch, scratchSize);
    }
    HandleFree(h, scratch, scratchSize);
    scratch = nullptr;
    h->DataStart += h->TreeDataSize + ZBX_HEADER_SIZE;

    // Frame statistics and the frames' place in the file.
    FrameStats stats = ComputeFrameStats(h->FrameSizes, frames, h->FramesPerSecond);
    h->LargestFrameSize = stats.largestFrame;
    h->LargestSecondBytes = stats.largestSecondBytes;
    h->LargestSecondFrame = stats.largestSecondFrame;
    h->MeanFrameBytes = stats.meanFrameBytes;
    if (uint64_t{h->DataStart} + stats.total > UINT32_MAX) {
        PlatformDebugLog("Zorblax file larger than 4 GB\n");
        return fail();
    }
    h->TotalFrameBytes = static_cast<uint32_t>(stats.total);
    if (headAndTables + h->TreeDataSize + stats.total > available) {
        PlatformDebugLog("Frame sizes run past the end of the Zorblax file\n");
        return fail();
    }
    for (uint32_t i = 0; i < frames; ++i) {
        if (!FrameCanHoldChunks(h->FrameTypes[i], h->FrameSizes[i])) {
            PlatformDebugLog("Frame %" PRIu32 " of the Zorblax file cannot hold the chunks its type claims\n", i + 1);
            return fail();
        }
    }

    // Buffering.
    BufferChoice choice = ChooseBuffering(flags, extra, stats.total, h->LargestSecondBytes, h->FramePeriod);
    if (choice.preload)
        flags |= ZORB_OPEN_PRELOAD;
    h->FrameBufferSize = choice.preload ? h->TotalFrameBytes : h->LargestFrameSize;
    h->FrameBuffer = static_cast<uint8_t *>(HandleAlloc(h, size_t{h->FrameBufferSize} + 8));
    if (!h->FrameBuffer) {
        PlatformDebugLog("Couldn't allocate I/O buffer\n");
        return fail();
    }
    if (choice.preload) {
        if (ReadBytes(h, h->FrameBuffer, h->TotalFrameBytes) < h->TotalFrameBytes)
            h->ReadFailed = 1;
        if (ownFile)
            ::close(h->FileHandle);
        h->FileHandle = -1;
        h->FrameData = h->FrameBuffer;
        ReadCurrentFrame(h);
    } else {
        h->ReadBufferAlloc = choice.ringSize + 4096;
        h->ReadBufferStart = static_cast<uint8_t *>(HandleAlloc(h, h->ReadBufferAlloc));
        if (!h->ReadBufferStart)
            return fail();
        h->ReadBufferSize = choice.ringSize;
        AlignReadBuffer(h, h->DataStart);
        ReadCurrentFrame(h);
    }

    // Frame 0.
    h->LastPaletteFrame = UINT32_MAX;
    ParseFrame(h);
    h->PrimaryTrack = -1;

    // Sound tracks.
    h->OpenFlags = flags & 0xFFC01FFFu;
    for (unsigned t = 0; t < ZBX_MAX_TRACKS; ++t) {
        if (!(flags & ZORB_OPEN_TRACK(t)))
            continue;
        if (!(h->AudioFormat[t] & ZBX_AUDIO_PRESENT) || !(h->AudioFormat[t] & ZBX_AUDIO_RATE_MASK))
            continue;
        if (SoundHookOpenTrack(h, t))
            h->OpenFlags |= ZORB_OPEN_TRACK(t);
    }

    h->NextDueTime = UINT32_MAX;
    if (flags & ZORB_OPEN_FILL_BUFFER)
        while (BackgroundReadStep(h))
            ;

    // Height mode.
    switch (flags & ZORB_OPEN_HEIGHT_NONE) {
    case ZORB_OPEN_HEIGHT_INTERLACE:
        h->HeaderFlags = (h->HeaderFlags | ZBX_HEIGHT_INTERLACED) & ~uint32_t{ZBX_HEIGHT_DOUBLED};
        break;
    case ZORB_OPEN_HEIGHT_DOUBLE:
        h->HeaderFlags = (h->HeaderFlags | ZBX_HEIGHT_DOUBLED) & ~uint32_t{ZBX_HEIGHT_INTERLACED};
        break;
    case ZORB_OPEN_HEIGHT_NONE:
        h->HeaderFlags &= ~uint32_t{ZBX_HEIGHT_INTERLACED | ZBX_HEIGHT_DOUBLED};
        break;
    default:
        break;
    }
    switch ((h->HeaderFlags >> 1) & 3) {
    case 1:
        h->OpenFlags |= ZORB_OPEN_HEIGHT_INTERLACE;
        h->Height *= 2;
        break;
    case 2:
        h->OpenFlags |= ZORB_OPEN_HEIGHT_DOUBLE;
        h->Height *= 2;
        break;
    default:
        break;
    }

    h->OpenDuration = PlatformTimeMs() - startTime;
    h->ForegroundTime += h->BackgroundTime;
    h->ForegroundBytes += h->BackgroundBytes;
    h->BackgroundTime = 0;
    h->BackgroundBytes = 0;
    h->ReadTimeAtOpen = h->ForegroundTime;

    PlatformDebugLog("ZorbOpen returned: %" PRIuPTR "\n", reinterpret_cast<uintptr_t>(h));
    return h;
}

extern "C" void ZorbClose(ZorbHandle *h)
{
    if (!h)
        return;
    PlatformDebugLog("ZorbClose: %" PRIuPTR "\n", reinterpret_cast<uintptr_t>(h));
    SoundHookCloseTracks(h);
    h->PrimaryTrack = -1;
    if (h->FileHandle >= 0 && !(h->OpenFlags & ZORB_OPEN_FILE_HANDLE))
        ::close(h->FileHandle);
    h->FileHandle = -1;
    ReleaseBlocks(h);
    const bool callerMemory = h->OpenFlags & ZORB_OPEN_CALLER_MEMORY;
    std::memset(h, 0, sizeof *h);
    if (!callerMemory)
        std::free(h);
}
