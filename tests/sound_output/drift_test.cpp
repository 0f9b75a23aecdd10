// Ten minutes of simulated playing on fake devices that run 1 % fast and 1 %
// slow against the system clock, with both back ends: the device must hear
// the file's sound whole and in order (silence only before and after), no
// underrun may be counted, and the pictures must follow the device's clock.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <tuple>

#include "codec/sound_track.h"
#include "codec/zorb.h"
#include "runtime/sound.h"
#include "runtime/sound_backends.h"
#include "tests/support/fake_sound.h"
#include "tests/support/zbxgen.h"

using namespace zorbtest;

namespace {

namespace fs = std::filesystem;

#if defined(__SANITIZE_ADDRESS__)
constexpr uint32_t kSeconds = 120; // the sanitizer pass plays a shorter file
#else
constexpr uint32_t kSeconds = 600;
#endif
constexpr uint32_t kRate = 8000;  // 8-bit mono
constexpr uint32_t kFrameMs = 50; // 20 frames per second
constexpr uint32_t kFrameBytes = kRate * kFrameMs / 1000;
constexpr uint32_t kPeriodFrames = 256; // the device takes 32 ms at a time

// A device that takes one period of sound every period of its own time,
// which runs `speed` times as fast as the system clock. What it takes (and
// the silence it plays when it finds too little) is what is heard.
class PacedDevice {
public:
    PacedDevice(FakeSoundDevice &dev, double speed) : dev_(dev), speed_(speed) {}
    void RunUntil(uint32_t now, uint32_t id, bool pull)
    {
        const double periodMs = 1000.0 * kPeriodFrames / kRate / speed_;
        if (next_ == 0)
            next_ = now + periodMs;
        while (next_ <= now) {
            next_ += periodMs;
            if (pull) {
                std::vector<uint8_t> part = dev_.PullBytes(id, kPeriodFrames);
                heard.insert(heard.end(), part.begin(), part.end());
                continue;
            }
            FakeSoundDevice::Device &d = dev_.Get(id);
            uint64_t k = std::min<uint64_t>(d.Received.size() - d.Consumed, kPeriodFrames);
            heard.insert(heard.end(), d.Received.begin() + d.Consumed, d.Received.begin() + d.Consumed + k);
            heard.insert(heard.end(), kPeriodFrames - k, 0x80);
            d.Consumed += k;
        }
    }
    std::vector<uint8_t> heard;

private:
    FakeSoundDevice &dev_;
    double speed_;
    double next_ = 0;
};

class Drift : public ::testing::TestWithParam<std::tuple<bool, double>> {
protected:
    void SetUp() override
    {
        ResetSoundState();
        zorb::SetPullTimerPassesEnabled(false); // every pass runs on this thread, by the hand-set clock
        if (std::get<0>(GetParam()))
            ASSERT_EQ(ZorbSelectDirectSound(nullptr), 1);
        else
            zorb::SoundSetDefaultBackend(zorb::QueueSoundBackend());
        path_ = (fs::temp_directory_path() / ("zorb_drift_" + std::to_string(::getpid()) + ".zbx")).string();
    }
    void TearDown() override
    {
        ResetSoundState();
        std::error_code ec;
        fs::remove(path_, ec);
    }
    std::string path_;
};

TEST_P(Drift, TenMinutesOnADeviceThatRunsFastOrSlow)
{
    const bool pull = std::get<0>(GetParam());
    const double speed = std::get<1>(GetParam());
    zbxgen::Description d;
    d.width = 8;
    d.height = 8;
    d.frameRate = kFrameMs;
    zbxgen::SoundFormat f;
    f.rate = kRate;
    d.tracks[0] = f;
    const uint32_t frames = kSeconds * 1000 / kFrameMs;
    std::vector<uint8_t> expect;
    expect.reserve(size_t(frames) * kFrameBytes);
    zbxgen::Rng rng(5);
    for (uint32_t i = 0; i < frames; ++i) {
        zbxgen::Frame fr;
        if (i == 0)
            fr.picture.assign(64, 3);
        zbxgen::SoundChunk c;
        c.pcm = zbxgen::RandomSound(f, kFrameBytes, rng);
        for (uint8_t &b : c.pcm)
            if (b == 0x80)
                b = 0x81; // silence stands out
        expect.insert(expect.end(), c.pcm.begin(), c.pcm.end());
        fr.sound[0] = std::move(c);
        d.frames.push_back(std::move(fr));
    }
    ASSERT_TRUE(zbxgen::WriteFile(d, path_));

    ManualClock clock(1000);
    FakeSoundDevice dev;
    dev.Period = kPeriodFrames;
    ZorbHandle *h = ZorbOpen(const_cast<char *>(path_.c_str()), ZORB_OPEN_TRACK(0), -1);
    ASSERT_NE(h, nullptr);
    ZorbTrack *t = h->Track[0];
    ASSERT_NE(t, nullptr);
    dev.AutoConsume = false; // from now on the device takes sound at its own pace
    const uint32_t id = pull ? t->Pull.Buffer->Device : t->Queue.Device;
    PacedDevice device(dev, speed);
    auto tick = [&] {
        clock.Advance(1);
        device.RunUntil(clock.Now(), id, pull);
    };

    const uint32_t start = clock.Now();
    uint32_t worstStep = 0; // frames between the picture and the sound's clock
    for (uint32_t i = 0; i < frames; ++i) {
        ZorbDecodeFrame(h);
        if (i + 1 == frames)
            break;
        ZorbAdvanceFrame(h);
        while (ZorbMustWait(h))
            tick();
        // The frame about to be shown against the frame the sound has reached
        // (the back end's lead ahead of what the device has played).
        uint32_t soundFrame = (zorb::SoundBackend()->PlayedPosition(t) + t->LeadBytes) / kFrameBytes;
        uint32_t gap = h->CurrentFrame > soundFrame ? h->CurrentFrame - soundFrame : soundFrame - h->CurrentFrame;
        worstStep = std::max(worstStep, gap);
    }
    const uint32_t elapsed = clock.Now() - start;
    while (ZorbSoundPending(h) > 0)
        tick();
    for (int i = 0; i < 200; ++i)
        tick(); // the device plays out
    ZorbStats s{};
    ZorbGetStats(h, &s);
    ZorbClose(h);

    EXPECT_LE(worstStep, 1u) << "pictures out of step with the sound";
    // The pictures followed the device's clock, not the system's.
    const double expected = (frames - 1) * double(kFrameMs) / speed;
    EXPECT_NEAR(elapsed, expected, expected * 0.002);
    EXPECT_EQ(s.SoundSkips, 0u);
    size_t lead = 0;
    while (lead < device.heard.size() && device.heard[lead] == 0x80)
        ++lead;
    ASSERT_GE(device.heard.size() - lead, expect.size()) << "sound lost";
    EXPECT_TRUE(std::equal(expect.begin(), expect.end(), device.heard.begin() + lead)) << "gap or loss in the sound";
    EXPECT_TRUE(std::all_of(device.heard.begin() + lead + expect.size(), device.heard.end(), [](uint8_t b) {
        return b == 0x80;
    })) << "something after the end";
}

INSTANTIATE_TEST_SUITE_P(BackEndsAndSpeeds, Drift,
                         ::testing::Combine(::testing::Values(false, true), ::testing::Values(1.01, 0.99)),
                         [](const ::testing::TestParamInfo<std::tuple<bool, double>> &info) {
                             return std::string(std::get<0>(info.param) ? "Pull" : "Queue") +
                                    (std::get<1>(info.param) > 1 ? "Fast" : "Slow");
                         });

} // namespace
