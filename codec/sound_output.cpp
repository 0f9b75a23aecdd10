// Process-wide sound output state: the back-end table, the open-track count,
// the channel list, the decompression work area and the busy counter; ring
// copies and track sizing.
#include "codec/sound_track.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <new>

namespace zorb {

namespace {

const ZorbSoundBackend *g_backend = nullptr;
const ZorbSoundBackend *g_defaultBackend = nullptr;
uint32_t g_openTrackCount = 0;
ZorbTrack *g_channelList = nullptr;
uint8_t *g_workArea = nullptr;
std::atomic<int> g_busy{0};
std::mutex g_passLock;

} // namespace

uint32_t FormatBytesPerSecond(uint32_t formatWord)
{
    uint32_t rate = formatWord & 0xFFFFFFu;
    uint32_t bytes = rate;
    if (formatWord & (1u << 29))
        bytes *= 2; // 16-bit
    if (formatWord & (1u << 28))
        bytes *= 2; // stereo
    return bytes;
}

TrackSizes ComputeTrackSizes(uint32_t bytesPerSecond, uint32_t framePeriod)
{
    TrackSizes s;
    s.FrameBytes1024 = static_cast<uint32_t>(uint64_t(bytesPerSecond) * 1024u * framePeriod / 100000u);
    s.SkipMark = bytesPerSecond * 512u;
    // One second of sound plus two frames, in 4 KB steps, at least 8 KB.
    uint64_t ring = (uint64_t(bytesPerSecond) + s.FrameBytes1024 / 512u + 4095u) & ~uint64_t(4095);
    s.RingSize = static_cast<uint32_t>(std::max<uint64_t>(ring, 8192));
    return s;
}

uint8_t *RingAdvance(const ZorbTrack *t, uint8_t *p, uint32_t n)
{
    uint32_t toEnd = static_cast<uint32_t>(t->RingEnd - p);
    return n < toEnd ? p + n : t->RingStart + (n - toEnd);
}

void RingWrite(ZorbTrack *t, const uint8_t *src, uint32_t n)
{
    while (n > 0) {
        uint32_t k = std::min<uint32_t>(n, static_cast<uint32_t>(t->RingEnd - t->WritePos));
        std::memcpy(t->WritePos, src, k);
        src += k;
        n -= k;
        t->WritePos += k;
        if (t->WritePos == t->RingEnd)
            t->WritePos = t->RingStart;
    }
}

void RingFill(ZorbTrack *t, uint8_t value, uint32_t n)
{
    while (n > 0) {
        uint32_t k = std::min<uint32_t>(n, static_cast<uint32_t>(t->RingEnd - t->WritePos));
        std::memset(t->WritePos, value, k);
        n -= k;
        t->WritePos += k;
        if (t->WritePos == t->RingEnd)
            t->WritePos = t->RingStart;
    }
}

void RingRead(ZorbTrack *t, uint8_t *dst, uint32_t n)
{
    while (n > 0) {
        uint32_t k = std::min<uint32_t>(n, static_cast<uint32_t>(t->RingEnd - t->ReadPos));
        std::memcpy(dst, t->ReadPos, k);
        dst += k;
        n -= k;
        t->ReadPos += k;
        if (t->ReadPos == t->RingEnd)
            t->ReadPos = t->RingStart;
    }
}

const ZorbSoundBackend *SoundBackend()
{
    return g_backend;
}

bool SoundInstallBackend(const ZorbSoundBackend *backend)
{
    if (g_backend || !backend)
        return false;
    g_backend = backend;
    return true;
}

void SoundSetDefaultBackend(const ZorbSoundBackend *backend)
{
    g_defaultBackend = backend;
}

const ZorbSoundBackend *SoundInstallDefault()
{
    if (!g_backend)
        g_backend = g_defaultBackend;
    return g_backend;
}

void SoundForgetBackendsForTests()
{
    g_backend = nullptr;
    g_defaultBackend = nullptr;
    g_channelList = nullptr;
    g_openTrackCount = 0;
}

uint32_t SoundOpenTrackCount()
{
    return g_openTrackCount;
}
void SoundTrackOpened()
{
    ++g_openTrackCount;
}
void SoundTrackClosed()
{
    if (g_openTrackCount > 0)
        --g_openTrackCount;
}

ZorbTrack *&SoundChannelList()
{
    return g_channelList;
}

void SoundChannelAdd(ZorbTrack *t)
{
    t->NextChannel = g_channelList;
    g_channelList = t;
}

void SoundChannelRemove(ZorbTrack *t)
{
    for (ZorbTrack **p = &g_channelList; *p; p = &(*p)->NextChannel) {
        if (*p == t) {
            *p = t->NextChannel;
            t->NextChannel = nullptr;
            return;
        }
    }
}

uint8_t *SoundWorkArea()
{
    return g_workArea;
}

bool SoundWorkAreaAcquire()
{
    if (!g_workArea)
        g_workArea = static_cast<uint8_t *>(::operator new(kSoundWorkAreaSize, std::align_val_t(16), std::nothrow));
    return g_workArea != nullptr;
}

void SoundWorkAreaRelease()
{
    if (g_openTrackCount == 0 && g_workArea) {
        ::operator delete(g_workArea, std::align_val_t(16));
        g_workArea = nullptr;
    }
}

void SoundServiceIfOpen()
{
    if (g_openTrackCount > 0 && g_backend && g_backend->Service)
        g_backend->Service();
}

SoundGuard::SoundGuard()
{
    g_busy.fetch_add(1, std::memory_order_acq_rel);
    g_passLock.lock();
}

SoundGuard::~SoundGuard()
{
    g_passLock.unlock();
    g_busy.fetch_sub(1, std::memory_order_acq_rel);
}

bool SoundTryEnterPass()
{
    if (g_busy.fetch_add(1, std::memory_order_acq_rel) != 0) {
        g_busy.fetch_sub(1, std::memory_order_acq_rel);
        return false;
    }
    g_passLock.lock();
    return true;
}

void SoundLeavePass()
{
    g_passLock.unlock();
    g_busy.fetch_sub(1, std::memory_order_acq_rel);
}

int SoundBusyCount()
{
    return g_busy.load(std::memory_order_acquire);
}

} // namespace zorb
