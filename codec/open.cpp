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
#include <cstdarg>
#include <cstdio>
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

// Why the last open failed ("" after a success).
thread_local char g_lastOpenError[256] = "";

void SetOpenError(const char *format, ...) __attribute__((format(printf, 1, 2)));
void SetOpenError(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    std::vsnprintf(g_lastOpenError, sizeof g_lastOpenError, format, args);
    va_end(args);
}

// An open in progress: the handle being built and what the steps hand on.
struct Opening {
    ZorbHandle *h = nullptr;
    uint32_t flags = 0;
    int32_t extra = -1;
    bool ownFile = false; // the library opened the file (and closes it)
    bool callerMemory = false;
    int fd = -1;
    uint64_t startOffset = 0;        // file offset of the header
    uint64_t available = UINT64_MAX; // bytes from the start offset on (unknown for pipes)
    uint32_t frames = 0;             // entries of the frame tables
    uint64_t totalFrameBytes = 0;
    uint8_t *scratch = nullptr; // the tree data while the trees are built
    size_t scratchSize = 0;
};

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

// Releases everything an open or a handle holds except the tracks.
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

// Undoes a failed open: the blocks, the file the library opened, the record.
ZorbHandle *Abandon(Opening &o)
{
    ZorbHandle *h = o.h;
    if (o.scratch)
        HandleFree(h, o.scratch, o.scratchSize);
    o.scratch = nullptr;
    ReleaseBlocks(h);
    if (o.ownFile && h->FileHandle >= 0)
        ::close(h->FileHandle);
    std::memset(h, 0, sizeof *h);
    if (!o.callerMemory)
        FreeBlock(h);
    return nullptr;
}

bool FrameCanHoldChunks(uint8_t type, uint32_t size)
{
    // Every chunk takes at least 4 bytes (a palette chunk's length is 4 x L
    // with L >= 1; a sound chunk starts with a 4-byte length).
    return uint32_t{static_cast<uint32_t>(__builtin_popcount(type))} * 4 <= size;
}

// The file: the caller's descriptor (ZORB_OPEN_FILE_HANDLE), whose position
// is the start of the data, or the named file opened here.
bool OpenSource(Opening &o, void *first)
{
    if (o.flags & ZORB_OPEN_FILE_HANDLE) {
        int32_t given;
        if (o.callerMemory)
            std::memcpy(&given, first, sizeof given);
        else
            given = static_cast<int32_t>(reinterpret_cast<intptr_t>(first));
        if (given >= 0 && ::fcntl(given, F_GETFD) != -1) {
            o.fd = given;
            PlatformDebugLog("ZorbOpen - file handle: %d\n", o.fd);
            off_t pos = ::lseek(o.fd, 0, SEEK_CUR);
            o.startOffset = pos > 0 ? static_cast<uint64_t>(pos) : 0;
        } else {
            SetOpenError("the file handle is not open");
        }
    } else {
        // With caller memory the memory holds the file name until the record is set up.
        const char *name = static_cast<const char *>(first);
        PlatformDebugLog("ZorbOpen - file: %s\n", name);
        o.fd = ::open(name, O_RDONLY | O_CLOEXEC);
        if (o.fd >= 0) {
            o.ownFile = true;
            ::posix_fadvise(o.fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        } else {
            SetOpenError("cannot open the file: %s", std::strerror(errno));
        }
    }
    if (o.fd < 0) {
        PlatformDebugLog("Couldn't open the Zorblax file\n");
        return false;
    }
    struct stat st;
    if (::fstat(o.fd, &st) == 0 && S_ISREG(st.st_mode))
        o.available =
            static_cast<uint64_t>(st.st_size) > o.startOffset ? static_cast<uint64_t>(st.st_size) - o.startOffset : 0;
    return true;
}

// The record: the caller's memory or a new block, zeroed and booked.
bool CreateRecord(Opening &o, void *first)
{
    ZorbHandle *h = o.callerMemory ? static_cast<ZorbHandle *>(first)
                                   : static_cast<ZorbHandle *>(AllocateBlock(sizeof(ZorbHandle)));
    if (!h) {
        PlatformDebugLog("Couldn't allocate Zorb structure\n");
        SetOpenError("out of memory");
        if (o.ownFile)
            ::close(o.fd);
        return false;
    }
    std::memset(h, 0, sizeof *h);
    BookMemory(h, sizeof *h);
    h->FileHandle = o.fd;
    h->StartOffset = static_cast<uint32_t>(o.startOffset);
    h->DataStart = h->StartOffset;
    h->PrimaryTrack = -1;
    if (o.flags & ZORB_OPEN_SIMULATE_READ)
        h->SimulatedReadRate = g_simulatedReadSpeed;
    o.h = h;
    if (o.startOffset > UINT32_MAX) {
        PlatformDebugLog("Zorblax data starts beyond 4 GB\n");
        SetOpenError("the Zorblax data starts beyond 4 GB");
        return false;
    }
    return true;
}

// The 104-byte header, the picture size and the frame period.
bool ReadHeader(Opening &o)
{
    ZorbHandle *h = o.h;
    uint8_t header[ZBX_HEADER_SIZE] = {};
    const uint32_t got = ReadBytes(h, header, ZBX_HEADER_SIZE);
    if (got >= 4 && got < ZBX_HEADER_SIZE && ZbxGet32(header) == ZBX_MAGIC) {
        PlatformDebugLog("Zorblax file too short for its header\n");
        SetOpenError("the file is too short for its header");
        return false;
    }
    if (got < ZBX_HEADER_SIZE || ZbxGet32(header) != ZBX_MAGIC) {
        PlatformDebugLog("Wasn't a Zorblax file\n");
        SetOpenError("the file does not start with \"ZBX2\"");
        return false;
    }
    DecodeHeader(h, header);
    if (h->Width > kMaxDimension || h->Height > kMaxDimension) {
        PlatformDebugLog("Zorblax picture size out of range: %" PRIu32 " x %" PRIu32 "\n", h->Width, h->Height);
        SetOpenError("picture size out of range: %" PRIu32 " x %" PRIu32, h->Width, h->Height);
        return false;
    }
    if (o.flags & ZORB_OPEN_FRAMERATE_OVERRIDE)
        h->FrameRate = g_frameRateOverride;
    h->FramePeriod = ZbxFramePeriod(h->FrameRate);
    h->FramesPerSecond = FramesPerSecondOf(h->FramePeriod);
    return true;
}

// The frame tables: sizes first (aligned), then the type bytes, in one block.
bool ReadFrameTables(Opening &o)
{
    ZorbHandle *h = o.h;
    const uint64_t n = uint64_t{h->FrameCount} + (h->HeaderFlags & ZBX_RING_FRAME ? 1 : 0);
    if (n == 0 || n > UINT32_MAX) {
        PlatformDebugLog("Zorblax file has no frames\n");
        SetOpenError("the file has no frames");
        return false;
    }
    o.frames = static_cast<uint32_t>(n);
    auto tooShort = [] {
        PlatformDebugLog("Zorblax file too short for its frame tables\n");
        SetOpenError("the file is too short for its frame tables");
        return false;
    };
    if (ZBX_HEADER_SIZE + ZbxTablesBytes(o.frames) > o.available)
        return tooShort();
    const uint64_t tableBytes = ZbxTablesBytes(o.frames) + 4;
    void *tables = tableBytes <= UINT32_MAX ? HandleAlloc(h, tableBytes) : nullptr;
    if (!tables) {
        PlatformDebugLog("Couldn't allocate track table\n");
        SetOpenError("out of memory");
        return false;
    }
    h->FramesTableSize = static_cast<uint32_t>(tableBytes);
    h->FrameSizes = static_cast<uint32_t *>(tables);
    h->FrameTypes = static_cast<uint8_t *>(tables) + 4 * n;
    if (ReadBytes(h, h->FrameSizes, 4 * o.frames) < 4 * o.frames || ReadBytes(h, h->FrameTypes, o.frames) < o.frames)
        return tooShort();
    for (uint32_t i = 0; i < o.frames; ++i)
        h->FrameSizes[i] = ZbxGet32(reinterpret_cast<const uint8_t *>(h->FrameSizes + i));
    h->DataStart += 5 * o.frames;
    return true;
}

// The tree data, read into a scratch block, measured against the header's
// node memory and built into the tree table.
bool BuildHandleTrees(Opening &o)
{
    ZorbHandle *h = o.h;
    auto tooShort = [] {
        PlatformDebugLog("Zorblax file too short for its tree data\n");
        SetOpenError("the file is too short for its tree data");
        return false;
    };
    if (ZBX_HEADER_SIZE + ZbxTablesBytes(o.frames) + h->TreeDataSize > o.available)
        return tooShort();
    uint64_t scratchSize = (uint64_t{h->TreeDataSize} + 4099) & ~uint64_t{3};
    if (scratchSize < 8192)
        scratchSize = 8192;
    o.scratch = static_cast<uint8_t *>(HandleAlloc(h, scratchSize));
    if (!o.scratch) {
        PlatformDebugLog("Couldn't allocate input buffer\n");
        SetOpenError("out of memory");
        return false;
    }
    o.scratchSize = scratchSize;
    uint8_t *treeData = o.scratch + 4096;
    if (ReadBytes(h, treeData, h->TreeDataSize) < h->TreeDataSize)
        return tooShort();
    const uint32_t nodeBytes[ZBX_TREE_COUNT] = {h->BitmapTreeSize, h->ColourPairTreeSize, h->PixelPairTreeSize,
                                                h->BlockTypeTreeSize};
    TreeLayout layout;
    std::string treeError;
    auto badTrees = [&treeError] {
        PlatformDebugLog("Bad Zorblax tree data: %s\n", treeError.c_str());
        SetOpenError("bad tree data: %s", treeError.c_str());
        return false;
    };
    if (!MeasureTrees(treeData, h->TreeDataSize, nodeBytes, &layout, treeError))
        return badTrees();
    void *treeBlock = layout.bytes <= UINT32_MAX ? HandleAlloc(h, layout.bytes) : nullptr;
    if (!treeBlock) {
        SetOpenError("out of memory");
        return false;
    }
    h->TreeTable = reinterpret_cast<ZorbTreeTable *>(treeBlock);
    h->TreeTableSize = static_cast<uint32_t>(layout.bytes);
    if (!BuildTrees(treeBlock, layout, treeData, h->TreeDataSize, treeError))
        return badTrees();
    HandleFree(h, o.scratch, o.scratchSize);
    o.scratch = nullptr;
    h->DataStart += h->TreeDataSize + ZBX_HEADER_SIZE;
    return true;
}

// Frame statistics, and the frames' place in the file: inside it, each large
// enough for the chunks its type byte claims.
bool CheckFrames(Opening &o)
{
    ZorbHandle *h = o.h;
    FrameStats stats = ComputeFrameStats(h->FrameSizes, o.frames, h->FramesPerSecond);
    h->LargestFrameSize = stats.largestFrame;
    h->LargestSecondBytes = stats.largestSecondBytes;
    h->LargestSecondFrame = stats.largestSecondFrame;
    h->MeanFrameBytes = stats.meanFrameBytes;
    if (uint64_t{h->DataStart} + stats.total > UINT32_MAX) {
        PlatformDebugLog("Zorblax file larger than 4 GB\n");
        SetOpenError("the file is larger than 4 GB");
        return false;
    }
    h->TotalFrameBytes = static_cast<uint32_t>(stats.total);
    o.totalFrameBytes = stats.total;
    // A file cut short: the frames that lie whole in it can still be played;
    // reading the first one that does not marks the handle failed.
    const uint64_t before = ZBX_HEADER_SIZE + ZbxTablesBytes(o.frames) + h->TreeDataSize;
    if (!ZbxWholeFrames(h->FrameSizes, o.frames, before, o.available, &h->IntactFrames)) {
        PlatformDebugLog("Frame sizes run past the end of the Zorblax file\n");
        SetOpenError("the frame sizes run past the end of the file");
        return false;
    }
    if (h->IntactFrames < o.frames)
        PlatformDebugLog("The Zorblax file is cut short after frame %" PRIu32 "\n", h->IntactFrames);
    for (uint32_t i = 0; i < o.frames; ++i) {
        if (!FrameCanHoldChunks(h->FrameTypes[i], h->FrameSizes[i])) {
            PlatformDebugLog("Frame %" PRIu32 " of the Zorblax file cannot hold the chunks its type claims\n", i + 1);
            SetOpenError("frame %" PRIu32 " cannot hold the chunks its type claims", i + 1);
            return false;
        }
    }
    return true;
}

// Preload or read-ahead; frame 0 loaded and parsed.
bool SetUpBuffering(Opening &o)
{
    ZorbHandle *h = o.h;
    BufferChoice choice = ChooseBuffering(o.flags, o.extra, o.totalFrameBytes, h->LargestSecondBytes, h->FramePeriod);
    if (choice.preload)
        o.flags |= ZORB_OPEN_PRELOAD;
    h->FrameBufferSize = choice.preload ? h->TotalFrameBytes : h->LargestFrameSize;
    h->FrameBuffer = static_cast<uint8_t *>(HandleAlloc(h, size_t{h->FrameBufferSize} + 8));
    if (!h->FrameBuffer) {
        PlatformDebugLog("Couldn't allocate I/O buffer\n");
        SetOpenError("out of memory");
        return false;
    }
    if (choice.preload) {
        // A file cut short holds its whole frames: the cut one fails when it is reached.
        const uint64_t whole = FrameOffset(h, h->IntactFrames);
        if (ReadBytes(h, h->FrameBuffer, h->TotalFrameBytes) < whole)
            h->ReadFailed = 1;
        if (o.ownFile)
            ::close(h->FileHandle);
        h->FileHandle = -1;
        h->FrameData = h->FrameBuffer;
    } else {
        h->ReadBufferAlloc = choice.ringSize + 4096;
        h->ReadBufferStart = static_cast<uint8_t *>(HandleAlloc(h, h->ReadBufferAlloc));
        if (!h->ReadBufferStart) {
            SetOpenError("out of memory");
            return false;
        }
        h->ReadBufferSize = choice.ringSize;
        AlignReadBuffer(h, h->DataStart);
    }
    ReadCurrentFrame(h);
    h->LastPaletteFrame = UINT32_MAX;
    ParseFrame(h);
    h->PrimaryTrack = -1;
    return true;
}

// The requested tracks that exist and have a rate; one that cannot be
// opened is left out without failing the open.
void OpenTracks(Opening &o)
{
    ZorbHandle *h = o.h;
    h->OpenFlags = o.flags & ~(ZORB_OPEN_TRACKS_MASK | ZORB_OPEN_HEIGHT_NONE);
    for (unsigned t = 0; t < ZBX_MAX_TRACKS; ++t) {
        if (!(o.flags & ZORB_OPEN_TRACK(t)))
            continue;
        if (!(h->AudioFormat[t] & ZBX_AUDIO_PRESENT) || !(h->AudioFormat[t] & ZBX_AUDIO_RATE_MASK))
            continue;
        if (SoundHookOpenTrack(h, t))
            h->OpenFlags |= ZORB_OPEN_TRACK(t);
    }
}

// The height mode: the open flags override the header's; interlaced or
// doubled height doubles Height.
void ApplyHeightMode(Opening &o)
{
    ZorbHandle *h = o.h;
    switch (o.flags & ZORB_OPEN_HEIGHT_NONE) {
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
    switch (h->HeaderFlags & (ZBX_HEIGHT_INTERLACED | ZBX_HEIGHT_DOUBLED)) {
    case ZBX_HEIGHT_INTERLACED:
        h->OpenFlags |= ZORB_OPEN_HEIGHT_INTERLACE;
        h->Height *= 2;
        break;
    case ZBX_HEIGHT_DOUBLED:
        h->OpenFlags |= ZORB_OPEN_HEIGHT_DOUBLE;
        h->Height *= 2;
        break;
    default:
        break;
    }
}

} // namespace

} // namespace zorb

using namespace zorb;

extern "C" ZorbHandle *ZorbOpen(void *first, uint32_t flags, int32_t extra)
{
    g_lastOpenError[0] = '\0';
    if (!first) {
        SetOpenError("no file given");
        return nullptr;
    }
    PlatformDebugValue(); // read the debug switch once
    const uint32_t startTime = PlatformTimeMs();
    Opening o;
    o.flags = flags;
    o.extra = extra;
    o.callerMemory = flags & ZORB_OPEN_CALLER_MEMORY;
    if (!OpenSource(o, first) || !CreateRecord(o, first))
        return o.h ? Abandon(o) : nullptr;
    if (!ReadHeader(o) || !ReadFrameTables(o) || !BuildHandleTrees(o) || !CheckFrames(o) || !SetUpBuffering(o))
        return Abandon(o);
    OpenTracks(o);
    ZorbHandle *h = o.h;
    h->NextDueTime = UINT32_MAX;
    if (o.flags & ZORB_OPEN_FILL_BUFFER)
        while (BackgroundReadStep(h))
            ;
    ApplyHeightMode(o);

    h->OpenDuration = PlatformTimeMs() - startTime;
    h->ForegroundTime += h->BackgroundTime;
    h->ForegroundBytes += h->BackgroundBytes;
    h->BackgroundTime = 0;
    h->BackgroundBytes = 0;
    h->ReadTimeAtOpen = h->ForegroundTime;

    PlatformDebugLog("ZorbOpen returned: %" PRIuPTR "\n", reinterpret_cast<uintptr_t>(h));
    return h;
}

extern "C" const char *ZorbLastOpenError(void)
{
    return g_lastOpenError;
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
        FreeBlock(h);
}
