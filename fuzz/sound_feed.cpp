// Plays arbitrary bytes as a .zbx file with every sound track open, on a back
// end that plays whatever it is handed: the sound feed (chunk lengths, the
// overflow cut, compressed chunks decoded into the ring),
// the sound clock, pausing and resuming, seeking and the loop to frame 0.
// The last input byte picks when to pause, resume and seek.
#include <algorithm>
#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

#include "codec/sound_track.h"
#include "codec/zorb.h"

namespace {

constexpr uint32_t kMaxSteps = 48;
uint8_t g_device[4096];

// The device takes up to 3000 bytes per pass and says so when it ran dry.
void Service()
{
    for (ZorbTrack *t = zorb::SoundChannelList(); t; t = t->NextChannel) {
        uint32_t n = std::min<uint32_t>(zorb::Pending(t).load(), 3000);
        zorb::RingRead(t, g_device, n);
        zorb::Pending(t).fetch_sub(n);
        t->Clock.Reported += n;
        if (n == 0)
            zorb::UnderrunFlag(t).store(1);
    }
}
int Open(ZorbTrack *t, uint32_t, uint32_t)
{
    zorb::SoundChannelAdd(t);
    return 1;
}
void Close(ZorbTrack *t)
{
    zorb::SoundChannelRemove(t);
}
uint32_t Played(ZorbTrack *t)
{
    Service();
    return t->Clock.Reported;
}
void Reset(ZorbTrack *t)
{
    t->Clock.Reported = 0;
}
void Pause(ZorbTrack *) {}
int Resume(ZorbTrack *)
{
    return 1;
}

const ZorbSoundBackend kBackend = {"fuzz", Service, Open, Close, Played, Reset, Pause, Resume};

void Check(ZorbHandle *h)
{
    for (ZorbTrack *t : h->Track) {
        if (!t)
            continue;
        uint32_t pending = zorb::Pending(t).load();
        if (pending > t->RingSize || t->MaxFrameBytes > t->RingSize)
            __builtin_trap();
        if (t->ReadPos < t->RingStart || t->ReadPos >= t->RingEnd)
            __builtin_trap();
        if (t->WritePos < t->RingStart || t->WritePos >= t->RingEnd)
            __builtin_trap();
        uint32_t gap = static_cast<uint32_t>((t->WritePos - t->ReadPos + t->RingSize) % t->RingSize);
        if (gap != pending % t->RingSize)
            __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool installed = zorb::SoundInstallBackend(&kBackend);
    (void)installed;
    int fd = ::memfd_create("zbx", MFD_CLOEXEC);
    if (fd < 0)
        return 0;
    for (size_t done = 0; done < size;) {
        const ssize_t w = ::write(fd, data + done, size - done);
        if (w <= 0)
            break;
        done += static_cast<size_t>(w);
    }
    ::lseek(fd, 0, SEEK_SET);
    const uint8_t mode = size > 104 ? data[size - 1] : 0;
    const uint32_t flags = ZORB_OPEN_FILE_HANDLE | ZORB_OPEN_TRACKS_MASK | (mode & 1 ? ZORB_OPEN_PRELOAD : 0u);
    ZorbHandle *h = ZorbOpen(reinterpret_cast<void *>(static_cast<intptr_t>(fd)), flags, -1);
    if (h) {
        for (uint32_t step = 0; step < kMaxSteps && h->FrameCount > 0; ++step) {
            ZorbDecodeFrame(h);
            Check(h);
            if (step == (mode >> 1 & 7u))
                ZorbSetSoundActive(h, 0);
            if (step == (mode >> 4 & 7u) + 1)
                ZorbSetSoundActive(h, mode & 0x80 ? -1 : 1);
            if (step == 20 && (mode & 2))
                ZorbSeekFrame(h, mode & 4 ? 0 : h->FrameCount / 2 + 1);
            ZorbAdvanceFrame(h);
            ZorbMustWait(h);
            Check(h);
        }
        ZorbStats stats;
        ZorbGetStats(h, &stats);
        ZorbClose(h);
    }
    ::close(fd);
    return 0;
}
