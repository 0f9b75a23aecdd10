// The pull back end against a fake device and a hand-set clock: buffer
// flags and retry, refill, what the device hears when it runs dry and the
// count of those underruns, the position, the 10 ms gate, the busy counter,
// pause and resume; and once with the real timer thread.
#include <gtest/gtest.h>

#include <thread>

#include "codec/sound_track.h"
#include "runtime/sound.h"
#include "runtime/sound_backends.h"
#include "tests/sound_output/track_box.h"
#include "tests/support/fake_sound.h"

using namespace zorbtest;

namespace {

class PullBackend : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetSoundState();
        zorb::SetPullTimerPassesEnabled(false);
    }
    void TearDown() override { ResetSoundState(); }
    // Runs the service past the 10 ms gate.
    void Pass(ManualClock &clock)
    {
        clock.Advance(10);
        b->Service();
    }
    const ZorbSoundBackend *b = zorb::PullSoundBackend();
    FakeSoundDevice dev;
};

TEST_F(PullBackend, OpenCreatesTheObjectABufferAndTheTimer)
{
    ManualClock clock;
    TrackBox box(kPresent | 22050);
    ASSERT_EQ(b->OpenChannel(&box.t, 0, 0x20 | 0x40), 1);
    EXPECT_EQ(box.t.Pull.BufferBytes, 12288u);
    ASSERT_NE(box.t.Pull.Buffer, nullptr);
    EXPECT_EQ(box.t.LeadBytes, 2205u); // a tenth of a second (three 256-sample periods are less)
    zorb::PullBackendState s = zorb::PullBackendStateForTests();
    EXPECT_TRUE(s.ObjectExists);
    EXPECT_TRUE(s.CreatedHere);
    EXPECT_EQ(s.BufferCount, 1u);
    EXPECT_TRUE(s.TimerRunning);
    EXPECT_EQ(dev.InitCount, 1);

    b->CloseChannel(&box.t);
    s = zorb::PullBackendStateForTests();
    EXPECT_FALSE(s.TimerRunning);
    EXPECT_FALSE(s.ObjectExists);
    EXPECT_EQ(s.BufferCount, 0u);
    EXPECT_EQ(dev.InitCount, 0);
    EXPECT_EQ(dev.OpenDevices(), 0u);
}

TEST_F(PullBackend, BufferCreationIsRetriedOnce)
{
    ManualClock clock;
    TrackBox box;
    dev.FailOpens = 1;
    ASSERT_EQ(b->OpenChannel(&box.t, 0, 0), 1);
    b->CloseChannel(&box.t);

    TrackBox other;
    dev.FailOpens = 2;
    EXPECT_EQ(b->OpenChannel(&other.t, 0, 0), 0);
    EXPECT_EQ(zorb::SoundChannelList(), nullptr);
    EXPECT_FALSE(zorb::PullBackendStateForTests().ObjectExists); // released again
    EXPECT_EQ(dev.InitCount, 0);
    dev.FailInit = true;
    EXPECT_EQ(b->OpenChannel(&other.t, 0, 0), 0);
}

TEST_F(PullBackend, ServiceFillsTheBufferAndTheDeviceTakesItInOrder)
{
    ManualClock clock;
    TrackBox box(kPresent | 22050);
    ASSERT_EQ(b->OpenChannel(&box.t, 0, 0), 1);
    uint32_t id = box.t.Pull.Buffer->Device;
    EXPECT_EQ(dev.PullBytes(id, 64), std::vector<uint8_t>(64, 0x80)); // nothing yet: silence, no underrun

    std::vector<uint8_t> sound = Ramp(25000);
    box.Feed(sound);
    Pass(clock);
    EXPECT_EQ(box.t.Pull.Buffer->Written.load(), 12288u);
    EXPECT_EQ(zorb::Pending(&box.t).load(), 25000u - 12288u);

    // Every pass refills what the device took.
    std::vector<uint8_t> heard;
    for (int i = 0; i < 40 && heard.size() < sound.size(); ++i) {
        std::vector<uint8_t> part = dev.PullBytes(id, 1000);
        heard.insert(heard.end(), part.begin(), part.end());
        Pass(clock);
    }
    heard.resize(sound.size());
    EXPECT_EQ(heard, sound);
    EXPECT_EQ(zorb::Pending(&box.t).load(), 0u);
    EXPECT_EQ(box.t.SoundSkips, 0u);
    b->CloseChannel(&box.t);
}

TEST_F(PullBackend, ARunDryIsHeardAsSilenceAndCountedOnceWhenSoundComesAgain)
{
    ManualClock clock;
    TrackBox box(kPresent | 22050);
    ASSERT_EQ(b->OpenChannel(&box.t, 0, 0), 1);
    uint32_t id = box.t.Pull.Buffer->Device;
    std::vector<uint8_t> sound = Ramp(1000);
    box.Feed(sound);
    Pass(clock);
    std::vector<uint8_t> heard = dev.PullBytes(id, 1500);
    EXPECT_EQ(std::vector<uint8_t>(heard.begin(), heard.begin() + 1000), sound);
    EXPECT_EQ(std::vector<uint8_t>(heard.begin() + 1000, heard.end()), std::vector<uint8_t>(500, 0x80));
    dev.PullBytes(id, 500);
    Pass(clock);
    EXPECT_EQ(box.t.SoundSkips, 0u); // the end of the sound is no underrun by itself

    // More sound: the device ran dry in between, once.
    std::vector<uint8_t> more = Ramp(800, 50);
    box.Feed(more);
    Pass(clock);
    EXPECT_EQ(box.t.SoundSkips, 1u);
    EXPECT_EQ(box.t.Underrun, 1u);
    EXPECT_EQ(dev.PullBytes(id, 800), more); // the next sound is the next thing heard
    box.Feed(Ramp(40));
    Pass(clock);
    EXPECT_EQ(box.t.SoundSkips, 1u);
    EXPECT_EQ(box.t.Underrun, 0u);
    b->CloseChannel(&box.t);
}

TEST_F(PullBackend, OnlyWholeSampleFramesReachTheDevice)
{
    ManualClock clock;
    TrackBox box(kPresent | k16Bit | kStereo | 11025);
    ASSERT_EQ(b->OpenChannel(&box.t, 0, 0), 1);
    box.Feed(Ramp(4000));
    Pass(clock);
    uint32_t id = box.t.Pull.Buffer->Device;
    dev.PullBytes(id, 4000 - 4096 % 4000); // leaves room that is no multiple of 4 bytes... in a 4096 buffer
    box.Feed(Ramp(4003, 3));
    Pass(clock);
    EXPECT_EQ(box.t.Pull.Buffer->Written.load() % 4, 0u);
    b->CloseChannel(&box.t);
}

TEST_F(PullBackend, TheServiceRunsAtMostEveryTenMilliseconds)
{
    ManualClock clock;
    TrackBox box;
    ASSERT_EQ(b->OpenChannel(&box.t, 0, 0), 1);
    b->Service(); // the first call always runs
    box.Feed(Ramp(400));
    clock.Advance(9);
    b->Service();
    EXPECT_EQ(box.t.Pull.Buffer->Written.load(), 0u);
    clock.Advance(1);
    b->Service();
    EXPECT_EQ(box.t.Pull.Buffer->Written.load(), 400u);
    b->CloseChannel(&box.t);
}

TEST_F(PullBackend, APassIsSkippedWhileTheBusyCounterIsRaised)
{
    ManualClock clock;
    TrackBox box;
    ASSERT_EQ(b->OpenChannel(&box.t, 0, 0), 1);
    box.Feed(Ramp(400));
    {
        zorb::SoundGuard guard;
        EXPECT_EQ(zorb::SoundBusyCount(), 1);
        Pass(clock);
        EXPECT_EQ(box.t.Pull.Buffer->Written.load(), 0u);
    }
    EXPECT_EQ(zorb::SoundBusyCount(), 0);
    Pass(clock);
    EXPECT_EQ(box.t.Pull.Buffer->Written.load(), 400u);
    b->CloseChannel(&box.t);
}

TEST_F(PullBackend, PlayedPositionIsWhatTheDeviceTookRunOnByTimeNeverPastIt)
{
    ManualClock clock;
    TrackBox box(kPresent | 22050);
    ASSERT_EQ(b->OpenChannel(&box.t, 0, 0), 1);
    uint32_t id = box.t.Pull.Buffer->Device;
    box.Feed(Ramp(20000));
    clock.Advance(10);
    EXPECT_EQ(b->PlayedPosition(&box.t), 0u); // 12288 written, none taken
    dev.PullBytes(id, 2000);
    clock.Advance(10);
    EXPECT_EQ(b->PlayedPosition(&box.t), 0u); // taken just now: it plays from here
    clock.Advance(50);
    EXPECT_EQ(b->PlayedPosition(&box.t), 50u * 22050u / 1000u);
    clock.Advance(1000);
    EXPECT_EQ(b->PlayedPosition(&box.t), 2000u); // never past what the device took
    dev.PullBytes(id, 500);
    EXPECT_EQ(b->PlayedPosition(&box.t), 2000u);
    clock.Advance(10);
    EXPECT_EQ(b->PlayedPosition(&box.t), 2000u + 220u);

    b->Reset(&box.t); // what was written and not taken is dropped
    EXPECT_EQ(b->PlayedPosition(&box.t), 0u);
    EXPECT_EQ(box.t.Pull.Buffer->Written.load(), box.t.Pull.Buffer->Taken.load());
    b->CloseChannel(&box.t);
}

TEST_F(PullBackend, PauseReleasesTheBufferAndTheObjectResumeCreatesThemAgain)
{
    ManualClock clock;
    TrackBox box;
    ASSERT_EQ(b->OpenChannel(&box.t, 0, 0), 1);
    b->Pause(&box.t);
    EXPECT_EQ(box.t.Pull.Buffer, nullptr);
    EXPECT_FALSE(zorb::PullBackendStateForTests().ObjectExists);
    EXPECT_EQ(dev.InitCount, 0);
    box.Feed(Ramp(400));
    Pass(clock); // no buffer: nothing happens
    EXPECT_EQ(zorb::Pending(&box.t).load(), 400u);

    dev.FailOpens = 2;
    EXPECT_EQ(b->Resume(&box.t), 0);
    EXPECT_FALSE(zorb::PullBackendStateForTests().ObjectExists);
    ASSERT_EQ(b->Resume(&box.t), 1);
    EXPECT_NE(box.t.Pull.Buffer, nullptr);
    EXPECT_EQ(b->Resume(&box.t), 1); // a buffer exists: nothing to do
    Pass(clock);
    EXPECT_EQ(box.t.Pull.Buffer->Written.load(), 400u);
    b->CloseChannel(&box.t);
    EXPECT_EQ(dev.InitCount, 0);
}

TEST_F(PullBackend, ACallersAudioSystemIsNeverTakenDown)
{
    ManualClock clock;
    int token = 0;
    ASSERT_EQ(ZorbSelectDirectSound(&token), 1);
    EXPECT_EQ(ZorbSelectDirectSound(nullptr), 1); // already installed: this one
    TrackBox box;
    ASSERT_EQ(b->OpenChannel(&box.t, 0, 0), 1);
    EXPECT_EQ(dev.InitCount, 0);
    b->CloseChannel(&box.t);
    EXPECT_TRUE(zorb::PullBackendStateForTests().ObjectExists);
}

TEST(SelectBackend, TheFirstChoiceStaysForTheProcess)
{
    ResetSoundState();
    ASSERT_TRUE(zorb::SoundInstallBackend(zorb::QueueSoundBackend()));
    EXPECT_EQ(ZorbSelectDirectSound(nullptr), 0);
    EXPECT_EQ(zorb::SoundBackend(), zorb::QueueSoundBackend());
    ResetSoundState();
    EXPECT_EQ(ZorbSelectDirectSound(nullptr), 1);
    EXPECT_EQ(zorb::SoundBackend(), zorb::PullSoundBackend());
    EXPECT_FALSE(zorb::SoundInstallBackend(zorb::QueueSoundBackend()));
    ZorbSetSoundWindow(reinterpret_cast<void *>(uintptr_t(77)));
    EXPECT_EQ(zorb::PullBackendStateForTests().Window, 77u);
    ResetSoundState();
}

TEST_F(PullBackend, TheTimerThreadKeepsTheDeviceFed)
{
    zorb::SetPullTimerPassesEnabled(true); // real clock, real timer
    TrackBox box(kPresent | 22050);
    ASSERT_EQ(b->OpenChannel(&box.t, 0, 0), 1);
    uint32_t id = box.t.Pull.Buffer->Device;
    std::vector<uint8_t> sound = Ramp(20000);
    box.Feed(sound);
    std::vector<uint8_t> heard;
    // Only the timer services; the device takes 2000 bytes every 100 ms.
    for (int i = 0; i < 200 && heard.size() < sound.size(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (box.t.Pull.Buffer->Written.load() > 0) {
            std::vector<uint8_t> part = dev.PullBytes(id, 2000);
            heard.insert(heard.end(), part.begin(), part.end());
        }
    }
    ASSERT_GE(heard.size(), sound.size());
    heard.resize(sound.size());
    EXPECT_EQ(heard, sound);
    b->CloseChannel(&box.t);
    EXPECT_FALSE(zorb::PullBackendStateForTests().TimerRunning);
}

} // namespace
