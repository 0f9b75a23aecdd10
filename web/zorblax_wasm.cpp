// The decode library as the browser module sees it: a file given as bytes,
// its pictures as 8-bit indices with the palette in force, and its sound as
// 16-bit samples. zorblax.js wraps these calls; every pointer they hand out
// points into the module's memory and stays valid until the next call on the
// same file.
//
// The bytes are kept as a file in the module's in-memory file system, so the
// decoder opens them exactly as it opens a file on disk (preloaded: all frame
// data read at once), and a rewind opens them again from the start.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "codec/examine.h"
#include "codec/format.h"
#include "codec/zorb.h"

#ifdef __EMSCRIPTEN__
#include <emscripten/emscripten.h>
#define ZW_EXPORT extern "C" EMSCRIPTEN_KEEPALIVE
#else
#define ZW_EXPORT extern "C"
#endif

namespace {

// Largest decoded sound of one frame we accept (a damaged size field would
// otherwise ask for gigabytes); the same bound as the raw dump's.
constexpr uint32_t kMaxChunkSound = 64u << 20;
// Largest picture we decode into (width x height indices).
constexpr uint64_t kMaxPixels = uint64_t{1} << 28;

std::string g_error; // the reason of the last failure, for zw_error

struct WebFile {
    std::string path; // the bytes, as a file of the in-memory file system
    ZorbHandle *h = nullptr;
    uint32_t tableFrames = 0; // FrameCount plus the ring frame
    uint32_t next = 0;        // the frame nextFrame decodes next
    std::vector<uint8_t> picture;
    std::vector<int16_t> sound;    // one frame's or one whole track's samples
    std::vector<uint32_t> offsets; // sample-frame offsets of each frame in a whole track
    std::vector<uint8_t> chunk;    // one chunk's bytes as stored
    bool damaged = false;
};

bool Fail(const std::string &why)
{
    g_error = why;
    return false;
}

// Opens (or opens again) the decoder on the file: frame 0 loaded, nothing decoded.
bool Reopen(WebFile &f)
{
    ZorbClose(f.h);
    f.h = ZorbOpen(const_cast<char *>(f.path.c_str()), ZORB_OPEN_PRELOAD, -1);
    if (!f.h)
        return Fail(ZorbLastOpenError());
    f.tableFrames = ZorbTableFrames(f.h);
    f.next = 0;
    f.damaged = false;
    const uint64_t pixels = uint64_t{f.h->Width} * f.h->Height;
    if (pixels > kMaxPixels)
        return Fail("the picture is too large");
    f.picture.assign(static_cast<size_t>(pixels), 0);
    if (pixels)
        ZorbSetOutput(f.h, 0, 0, f.h->Width, f.h->Height, f.picture.data(), 0);
    return true;
}

bool WriteWhole(const std::string &path, const uint8_t *data, uint32_t size)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0)
        return false;
    uint32_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n <= 0)
            break;
        done += static_cast<uint32_t>(n);
    }
    return ::close(fd) == 0 && done == size;
}

// Stored samples of a track (8-bit unsigned or 16-bit little-endian signed)
// appended as 16-bit signed samples.
void AppendSamples(std::vector<int16_t> &out, const uint8_t *bytes, size_t size, bool sixteenBit)
{
    if (sixteenBit) {
        for (size_t i = 0; i + 1 < size; i += 2)
            out.push_back(static_cast<int16_t>(ZbxGet16(bytes + i)));
    } else {
        for (size_t i = 0; i < size; ++i)
            out.push_back(static_cast<int16_t>((bytes[i] - 128) * 256));
    }
}

// The loaded frame's sound of track n as stored; -1 when damaged.
int64_t FrameSound(const ZorbHandle *h, unsigned n, std::vector<uint8_t> &out)
{
    out.clear();
    const int64_t size = ZorbInspectSound(h, n, nullptr, 0);
    if (size < 0 || size > kMaxChunkSound)
        return -1;
    out.resize(static_cast<size_t>(size));
    if (size > 0 && ZorbInspectSound(h, n, out.data(), static_cast<uint32_t>(size)) != size)
        return -1;
    return size;
}

bool TrackUsable(const ZorbHandle *h, unsigned n)
{
    const uint32_t f = n < ZBX_MAX_TRACKS ? h->AudioFormat[n] : 0;
    return (f & ZBX_AUDIO_PRESENT) && (f & ZBX_AUDIO_RATE_MASK);
}

} // namespace

// Opens the size bytes at data (which the caller allocated with malloc and
// which this call frees). Returns a file or null; zw_error says why.
ZW_EXPORT WebFile *zw_open(uint8_t *data, uint32_t size)
{
    static unsigned serial = 0;
    g_error.clear();
    auto *f = new (std::nothrow) WebFile;
    if (!f) {
        std::free(data);
        Fail("out of memory");
        return nullptr;
    }
    f->path = "/zorblax-" + std::to_string(++serial) + ".zbx";
    const bool written = WriteWhole(f->path, data, size);
    std::free(data);
    if (!written) {
        Fail("out of memory");
    } else if (Reopen(*f)) {
        return f;
    }
    ZorbClose(f->h);
    ::unlink(f->path.c_str());
    delete f;
    return nullptr;
}

ZW_EXPORT const char *zw_error()
{
    return g_error.c_str();
}

ZW_EXPORT void zw_close(WebFile *f)
{
    if (!f)
        return;
    ZorbClose(f->h);
    ::unlink(f->path.c_str());
    delete f;
}

// 0 width, 1 height, 2 frame count, 3 frame period (1/100 ms, 0 = no pacing),
// 4 header flags, 5 frames stored (with the ring frame).
ZW_EXPORT uint32_t zw_info(const WebFile *f, int what)
{
    if (!f || !f->h)
        return 0;
    switch (what) {
    case 0:
        return f->h->Width;
    case 1:
        return f->h->Height;
    case 2:
        return f->h->FrameCount;
    case 3:
        return f->h->FramePeriod;
    case 4:
        return f->h->HeaderFlags;
    case 5:
        return f->tableFrames;
    default:
        return 0;
    }
}

// The format word of track n (0-6) when it can be played, else 0.
ZW_EXPORT uint32_t zw_track_format(const WebFile *f, unsigned n)
{
    return f && f->h && TrackUsable(f->h, n) ? f->h->AudioFormat[n] : 0;
}

// Decodes the next stored frame into zw_picture: 1 done, 0 no frame left,
// -1 damaged (zw_error says where; the file decodes nothing more).
ZW_EXPORT int zw_next(WebFile *f)
{
    if (!f || !f->h)
        return -1;
    if (f->damaged)
        return -1;
    if (f->next >= f->tableFrames)
        return 0;
    ZorbHandle *h = f->h;
    if (f->next > 0)
        ZorbAdvanceFrame(h);
    if (h->ReadFailed || h->CurrentFrame != f->next) {
        f->damaged = true;
        Fail("damaged or unreadable at frame " + std::to_string(f->next + 1));
        return -1;
    }
    ZorbDecodeFrame(h);
    ++f->next;
    return 1;
}

ZW_EXPORT uint8_t *zw_picture(WebFile *f)
{
    return f ? f->picture.data() : nullptr;
}

ZW_EXPORT const uint8_t *zw_palette(const WebFile *f)
{
    return f && f->h ? f->h->Palette : nullptr;
}

// Makes `frame` (0-based) the frame the next zw_next decodes. Pictures build
// on the frames before them, so the frames up to it are decoded again from
// the start when it lies behind. Returns 1, or -1 when a damaged frame stops
// the way there.
ZW_EXPORT int zw_seek(WebFile *f, uint32_t frame)
{
    if (!f)
        return -1;
    if (frame > f->tableFrames)
        frame = f->tableFrames;
    if (frame < f->next || f->damaged) {
        if (!Reopen(*f))
            return -1;
    }
    while (f->next < frame)
        if (zw_next(f) != 1)
            return -1;
    return 1;
}

// The last decoded frame's sound of track n as 16-bit samples in zw_samples:
// the number of samples (0: the frame has none for the track), -1 damaged.
ZW_EXPORT int32_t zw_sound(WebFile *f, unsigned n)
{
    if (!f || !f->h || f->next == 0 || !TrackUsable(f->h, n))
        return 0;
    f->sound.clear();
    const int64_t size = FrameSound(f->h, n, f->chunk);
    if (size < 0) {
        Fail("damaged sound at frame " + std::to_string(f->next));
        return -1;
    }
    AppendSamples(f->sound, f->chunk.data(), f->chunk.size(), f->h->AudioFormat[n] & ZBX_AUDIO_16BIT);
    return static_cast<int32_t>(f->sound.size());
}

ZW_EXPORT const int16_t *zw_samples(const WebFile *f)
{
    return f ? f->sound.data() : nullptr;
}

// The whole of track n, frames 0 .. FrameCount - 1, in zw_samples (returns
// the number of samples, -1 when a frame is damaged), and in zw_offsets the
// sample where each frame's sound starts (FrameCount + 1 entries, counted in
// single samples, both channels of a stereo frame included). Reads the file
// with a second decoder, so the pictures are not disturbed.
ZW_EXPORT int32_t zw_track(WebFile *f, unsigned n)
{
    if (!f || !f->h || !TrackUsable(f->h, n))
        return 0;
    f->sound.clear();
    f->offsets.clear();
    ZorbHandle *h = ZorbOpen(const_cast<char *>(f->path.c_str()), ZORB_OPEN_PRELOAD, -1);
    if (!h) {
        Fail(ZorbLastOpenError());
        return -1;
    }
    const bool sixteenBit = h->AudioFormat[n] & ZBX_AUDIO_16BIT;
    ZorbFrameLayout layout;
    for (uint32_t i = 0; i < h->FrameCount; ++i) {
        f->offsets.push_back(static_cast<uint32_t>(f->sound.size()));
        const bool readable = ZorbInspectFrame(h, i, &layout);
        if (!readable || FrameSound(h, n, f->chunk) < 0 || f->sound.size() + f->chunk.size() > 0x7FFFFFFFu) {
            ZorbClose(h);
            f->sound.clear();
            f->offsets.clear();
            Fail((readable ? "damaged sound at frame " : "damaged or unreadable at frame ") + std::to_string(i + 1));
            return -1;
        }
        AppendSamples(f->sound, f->chunk.data(), f->chunk.size(), sixteenBit);
    }
    f->offsets.push_back(static_cast<uint32_t>(f->sound.size()));
    ZorbClose(h);
    return static_cast<int32_t>(f->sound.size());
}

ZW_EXPORT const uint32_t *zw_offsets(const WebFile *f)
{
    return f ? f->offsets.data() : nullptr;
}

ZW_EXPORT void *zw_alloc(uint32_t size)
{
    return std::malloc(size ? size : 1);
}

// Decodes every frame of the file once from the start and returns how many
// were decoded (for the speed measurement; -1 when damaged).
ZW_EXPORT int32_t zw_decode_all(WebFile *f)
{
    if (!f || !Reopen(*f))
        return -1;
    int32_t frames = 0;
    for (int r; (r = zw_next(f)) == 1;)
        ++frames;
    return f->damaged ? -1 : frames;
}
