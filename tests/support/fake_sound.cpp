#include "tests/support/fake_sound.h"

#include "codec/sound_track.h"
#include "platform/platform.h"
#include "runtime/sound_backends.h"

namespace zorbtest {

ManualClock::ManualClock(uint32_t start, uint32_t stepPerRead) : now_(start), step_(stepPerRead)
{
    PlatformSetClock(&ManualClock::Read, this);
}

ManualClock::~ManualClock()
{
    PlatformSetClock(nullptr, nullptr);
}

uint32_t ManualClock::Read(void *self)
{
    auto *c = static_cast<ManualClock *>(self);
    return c->now_.fetch_add(c->step_.load());
}

FakeSoundDevice::FakeSoundDevice()
{
    zorb::SetSoundDevice(this);
}
FakeSoundDevice::~FakeSoundDevice()
{
    zorb::SetSoundDevice(nullptr);
}

bool FakeSoundDevice::Init()
{
    if (FailInit)
        return false;
    ++InitCount;
    return true;
}

void FakeSoundDevice::Quit()
{
    --InitCount;
}

uint32_t FakeSoundDevice::Open(const zorb::SoundFormat &format, uint32_t track, bool pull, zorb::SoundPullFn fn,
                               void *context)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (FailOpens > 0) {
        --FailOpens;
        return 0;
    }
    uint32_t id = nextId_++;
    Device d;
    d.Pull = pull;
    d.Track = track;
    d.Format = format;
    d.Fn = fn;
    d.Context = context;
    devices_[id] = d;
    return id;
}

uint32_t FakeSoundDevice::OpenQueued(const zorb::SoundFormat &format, uint32_t track)
{
    return Open(format, track, false, nullptr, nullptr);
}

uint32_t FakeSoundDevice::OpenPull(const zorb::SoundFormat &format, uint32_t track, zorb::SoundPullFn fn, void *context)
{
    return Open(format, track, true, fn, context);
}

void FakeSoundDevice::Close(uint32_t device)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    devices_.at(device).Open = false;
}

bool FakeSoundDevice::Queue(uint32_t device, const uint8_t *data, uint32_t bytes)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Device &d = devices_.at(device);
    d.Received.insert(d.Received.end(), data, data + bytes);
    d.QueueCalls.push_back(bytes);
    if (AutoConsume)
        d.Consumed = d.Received.size();
    return true;
}

uint32_t FakeSoundDevice::QueuedBytes(uint32_t device)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Device &d = devices_.at(device);
    return static_cast<uint32_t>(d.Received.size() - d.Consumed);
}

void FakeSoundDevice::ClearQueue(uint32_t device)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Device &d = devices_.at(device);
    d.Consumed = d.Received.size();
}

void FakeSoundDevice::Consume(uint32_t device, uint64_t n)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Device &d = devices_.at(device);
    d.Consumed = std::min<uint64_t>(d.Received.size(), d.Consumed + n);
}

void FakeSoundDevice::Lock(uint32_t)
{
    mutex_.lock();
    ++LockDepth;
}

void FakeSoundDevice::Unlock(uint32_t)
{
    --LockDepth;
    mutex_.unlock();
}

std::vector<uint8_t> FakeSoundDevice::PullBytes(uint32_t device, uint32_t n)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Device &d = devices_.at(device);
    std::vector<uint8_t> out(n);
    if (d.Open && d.Fn)
        d.Fn(d.Context, out.data(), n);
    d.Received.insert(d.Received.end(), out.begin(), out.end());
    return out;
}

uint32_t FakeSoundDevice::LastFor(uint32_t track) const
{
    uint32_t last = 0;
    for (const auto &[id, d] : devices_)
        if (d.Track == track)
            last = id;
    return last;
}

size_t FakeSoundDevice::OpenDevices() const
{
    size_t n = 0;
    for (const auto &[id, d] : devices_)
        n += d.Open ? 1 : 0;
    return n;
}

// ---- Fake back end --------------------------------------------------------------

bool FakeBackend::FailOpen = false;
bool FakeBackend::FailResume = false;
std::map<const ZorbTrack *, uint32_t> FakeBackend::Played;
std::vector<std::string> FakeBackend::Calls;
int FakeBackend::Services = 0;

namespace {

std::string Name(const char *op, const ZorbTrack *t)
{
    return std::string(op) + " " + std::to_string(t->TrackIndex);
}

void FbService()
{
    ++FakeBackend::Services;
}
int FbOpen(ZorbTrack *t, uint32_t, uint32_t)
{
    FakeBackend::Calls.push_back(Name("open", t));
    if (FakeBackend::FailOpen)
        return 0;
    FakeBackend::Played[t] = 0;
    return 1;
}
void FbClose(ZorbTrack *t)
{
    FakeBackend::Calls.push_back(Name("close", t));
    FakeBackend::Played.erase(t);
}
uint32_t FbPlayed(ZorbTrack *t)
{
    return FakeBackend::Played[t];
}
void FbReset(ZorbTrack *t)
{
    FakeBackend::Calls.push_back(Name("reset", t));
    FakeBackend::Played[t] = 0;
}
void FbPause(ZorbTrack *t)
{
    FakeBackend::Calls.push_back(Name("pause", t));
}
int FbResume(ZorbTrack *t)
{
    FakeBackend::Calls.push_back(Name("resume", t));
    return FakeBackend::FailResume ? 0 : 1;
}

const ZorbSoundBackend kFake = {"fake", FbService, FbOpen, FbClose, FbPlayed, FbReset, FbPause, FbResume};

} // namespace

const ZorbSoundBackend *FakeBackend::Table()
{
    return &kFake;
}

void FakeBackend::Clear()
{
    FailOpen = FailResume = false;
    Played.clear();
    Calls.clear();
    Services = 0;
}

void ResetSoundState()
{
    zorb::ResetSoundBackendsForTests();
    zorb::SoundForgetBackendsForTests();
    FakeBackend::Clear();
}

} // namespace zorbtest
