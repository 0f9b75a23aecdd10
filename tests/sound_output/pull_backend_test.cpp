// The pull back end against a fake device and a hand-set clock: buffer
// flags and retry, refill, start and stop, the end of the data, the
// never-decreasing position, the 10 ms gate, the busy counter, pause and
// resume; and once with the real timer thread.
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
    void SetUp() override {
        ResetSoundState();
        zorb::SetPullTimerPassesEnabled(false);
    }
    void TearDown() override { ResetSoundState(); }
    // Runs the service past the 10 ms gate.
    void Pass(ManualClock &clock) {
        clock.Advance(10);
        b->Service();
    }
    const ZorbSoundBackend *b = zorb::PullSoundBackend();
    FakeSoundDevice dev;
};

TEST_F(PullBackend, OpenCreatesTheObjectAStoppedBufferAndTheTimer) {
    ManualClock clock;
    TrackBox box(kPresent | 22050);
    ASSERT_EQ(b->OpenChannel(&box.t, 0, 0x20 | 0x40), 1);
    EXPECT_EQ(box.t.Pull.BufferBytes, 12288u);
    EXPECT_EQ(box.t.Pull.BufferFlags, 0x18000u | 0x40u | 0x80u);
    EXPECT_EQ(box.t.Pull.Stopped, 1u);
    EXPECT_EQ(box.t.Pull.DataEnd, -1);
    ASSERT_NE(box.t.Pull.Buffer, nullptr);
    zorb::PullBackendState s = zorb::PullBackendStateForTests();
    EXPECT_TRUE(s.ObjectExists);
    EXPECT_TRUE(s.CreatedHere);
    EXPECT_TRUE(s.PrimaryFormatPending);
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

TEST_F(PullBackend, BufferCreationIsRetriedOnceWithoutGlobalFocus) {
    ManualClock clock;
    TrackBox box;
    dev.FailOpens = 1;
    ASSERT_EQ(b->OpenChannel(&box.t, 0, 0), 1);
    EXPECT_EQ(box.t.Pull.BufferFlags, 0x10000u);
    b->CloseChannel(&box.t);

    TrackBox other;
    dev.FailOpens = 2;
    EXPECT_EQ(b->OpenChannel(&other.t, 0, 0), 0);
    EXPECT_EQ(zorb::SoundChannelList(), nullptr);
    EXPECT_FALSE(zorb::PullBackendStateForTests().ObjectExists);  // released again
    EXPECT_EQ(dev.InitCount, 0);
    dev.FailInit = true;
    EXPECT_EQ(b->OpenChannel(&other.t, 0, 0), 0);
}

TEST_F(PullBackend, ServiceFillsTheBufferStartsItAndFollowsTheCursor) {
    ManualClock clock;
    TrackBox box(kPresent | 22050);
    ASSERT_EQ(b->OpenChannel(&box.t, 0, 0), 1);
    uint32_t id = box.t.Pull.Buffer->Device;
    EXPECT_EQ(dev.PullBytes(id, 64), std::vector<uint8_t>(64, 0x80));  // stopped: silence

    std::vector<uint8_t> sound = Ramp(25000);
    box.Feed(sound);
    Pass(clock);
    EXPECT_EQ(box.t.Pull.Stopped, 0u);
    EXPECT_FALSE(zorb::PullBackendStateForTests().PrimaryFormatPending);
    EXPECT_EQ(box.t.Pull.WrittenTotal, 12288u);
    EXPECT_EQ(box.t.Pull.FreeBytes, 0u);
    EXPECT_EQ(zorb::Pending(&box.t).load(), 25000u - 12288u);

    // The device plays round and round; every pass refills what it took.
    std::vector<uint8_t> heard;
    for (int i = 0; i < 40 && heard.size() < sound.size(); ++i) {
        std::vector<uint8_t> part = dev.PullBytes(id, 1000);
        heard.insert(heard.end(), part.begin(), part.end());
        Pass(clock);
    }
    heard.resize(sound.size());
    EXPECT_EQ(heard, sound);
    EXPECT_EQ(zorb::Pending(&box.t).load(), 0u);
    b->CloseChannel(&box.t);
}

TEST_F(PullBackend, RunningOutWritesSilenceThenStopsAndRewinds) {
    ManualClock clock;
    TrackBox box(kPresent | 22050);
    ASSERT_EQ(b->OpenChannel(&box.t, 0, 0), 1);
    uint32_t id = box.t.Pull.Buffer->Device;
    std::vector<uint8_t> sound = Ramp(1000);
    box.Feed(sound);
    Pass(clock);
    EXPECT_EQ(box.t.Pull.WrittenTotal, 1000u);
    // Free is above four fifths and nothing is pending: the end is marked.
    Pass(clock);
    EXPECT_EQ(box.t.Pull.DataEnd, 1000);
    EXPECT_EQ(box.t.Pull.SilenceEnd, 1000u + 3072u);
    EXPECT_EQ(box.t.Underrun, 1u);
    box.t.Underrun = 0;

    std::vector<uint8_t> heard = dev.PullBytes(id, 1500);
    EXPECT_EQ(std::vector<uint8_t>(heard.begin(), heard.begin() + 1000), sound);
    EXPECT_EQ(std::vector<uint8_t>(heard.begin() + 1000, heard.end()), std::vector<uint8_t>(500, 0x80));
    Pass(clock);  // the cursor is inside the silence: the sound has run out
    EXPECT_EQ(box.t.Pull.Stopped, 1u);
    EXPECT_EQ(box.t.Pull.DataEnd, -1);
    EXPECT_EQ(box.t.Underrun, 1u);
    EXPECT_EQ(box.t.Pull.Buffer->Cursor.load(), 0u);
    EXPECT_EQ(dev.PullBytes(id, 16), std::vector<uint8_t>(16, 0x80));

    // New sound starts the buffer again from its start (the feed's answer
    // to the underrun is not part of this test).
    box.t.Underrun = 0;
    std::vector<uint8_t> more = Ramp(800, 50);
    box.Feed(more);
    Pass(clock);
    EXPECT_EQ(box.t.Pull.Stopped, 0u);
    EXPECT_EQ(dev.PullBytes(id, 800), more);
    b->CloseChannel(&box.t);
}

TEST_F(PullBackend, AnUnderrunMidStreamRestartsCleanly) {
    ManualClock clock;
    TrackBox box(kPresent | 22050);
    ASSERT_EQ(b->OpenChannel(&box.t, 0, 0), 1);
    uint32_t id = box.t.Pull.Buffer->Device;
    box.Feed(Ramp(6000));
    Pass(clock);
    // The device plays everything and more before the next pass.
    dev.PullBytes(id, 9000);
    Pass(clock);
    EXPECT_EQ(box.t.Pull.Stopped, 1u);
    EXPECT_EQ(box.t.Underrun, 1u);
    // The next data must be the next thing heard.
    box.t.Underrun = 0;
    std::vector<uint8_t> next = Ramp(2000, 9);
    box.Feed(next);
    Pass(clock);
    EXPECT_EQ(dev.PullBytes(id, 2000), next);
    b->CloseChannel(&box.t);
}

TEST_F(PullBackend, TheServiceRunsAtMostEveryTenMilliseconds) {
    ManualClock clock;
    TrackBox box;
    ASSERT_EQ(b->OpenChannel(&box.t, 0, 0), 1);
    b->Service();  // the first call always runs
    box.Feed(Ramp(400));
    clock.Advance(9);
    b->Service();
    EXPECT_EQ(box.t.Pull.WrittenTotal, 0u);
    clock.Advance(1);
    b->Service();
    EXPECT_EQ(box.t.Pull.WrittenTotal, 400u);
    b->CloseChannel(&box.t);
}

TEST_F(PullBackend, APassIsSkippedWhileTheBusyCounterIsRaised) {
    ManualClock clock;
    TrackBox box;
    ASSERT_EQ(b->OpenChannel(&box.t, 0, 0), 1);
    box.Feed(Ramp(400));
    {
        zorb::SoundGuard guard;
        EXPECT_EQ(zorb::SoundBusyCount(), 1);
        Pass(clock);
        EXPECT_EQ(box.t.Pull.WrittenTotal, 0u);
    }
    EXPECT_EQ(zorb::SoundBusyCount(), 0);
    Pass(clock);
    EXPECT_EQ(box.t.Pull.WrittenTotal, 400u);
    b->CloseChannel(&box.t);
}

TEST_F(PullBackend, PlayedPositionNeverDecreasesAndGoesOnByTimeWhenTheCursorStands) {
    ManualClock clock;
    TrackBox box(kPresent | 22050);
    ASSERT_EQ(b->OpenChannel(&box.t, 0, 0), 1);
    uint32_t id = box.t.Pull.Buffer->Device;
    box.Feed(Ramp(20000));
    clock.Advance(10);
    EXPECT_EQ(b->PlayedPosition(&box.t), 0u);  // 12288 written, none played
    dev.PullBytes(id, 2000);
    clock.Advance(10);
    EXPECT_EQ(b->PlayedPosition(&box.t), 2000u);
    // The cursor stands: the position runs on by time, at most to the bytes written.
    clock.Advance(5);
    EXPECT_EQ(b->PlayedPosition(&box.t), 2000u + 5u * 22050u / 1000u);
    clock.Advance(1000);
    EXPECT_EQ(b->PlayedPosition(&box.t), box.t.Pull.WrittenTotal);
    // A device that reports an earlier value never moves the position back.
    box.t.Pull.LastReported = 50000;
    EXPECT_EQ(b->PlayedPosition(&box.t), 50000u);

    b->Reset(&box.t);
    EXPECT_EQ(box.t.Pull.Stopped, 1u);
    EXPECT_EQ(box.t.Pull.WrittenTotal, 0u);
    EXPECT_EQ(box.t.Pull.LastReported, 0u);
    b->CloseChannel(&box.t);
}

TEST_F(PullBackend, PauseReleasesTheBufferAndTheObjectResumeCreatesThemAgain) {
    ManualClock clock;
    TrackBox box;
    ASSERT_EQ(b->OpenChannel(&box.t, 0, 0), 1);
    b->Pause(&box.t);
    EXPECT_EQ(box.t.Pull.Buffer, nullptr);
    EXPECT_FALSE(zorb::PullBackendStateForTests().ObjectExists);
    EXPECT_EQ(dev.InitCount, 0);
    box.Feed(Ramp(400));
    Pass(clock);  // no buffer: nothing happens
    EXPECT_EQ(zorb::Pending(&box.t).load(), 400u);

    dev.FailOpens = 2;
    EXPECT_EQ(b->Resume(&box.t), 0);
    EXPECT_FALSE(zorb::PullBackendStateForTests().ObjectExists);
    ASSERT_EQ(b->Resume(&box.t), 1);
    EXPECT_NE(box.t.Pull.Buffer, nullptr);
    EXPECT_EQ(b->Resume(&box.t), 1);  // a buffer exists: nothing to do
    Pass(clock);
    EXPECT_EQ(box.t.Pull.WrittenTotal, 400u);
    b->CloseChannel(&box.t);
    EXPECT_EQ(dev.InitCount, 0);
}

TEST_F(PullBackend, ACallersAudioSystemIsNeverTakenDown) {
    ManualClock clock;
    int token = 0;
    ASSERT_EQ(ZorbSelectDirectSound(&token), 1);
    EXPECT_EQ(ZorbSelectDirectSound(nullptr), 1);  // already installed: this one
    TrackBox box;
    ASSERT_EQ(b->OpenChannel(&box.t, 0, 0), 1);
    EXPECT_EQ(dev.InitCount, 0);
    b->CloseChannel(&box.t);
    EXPECT_TRUE(zorb::PullBackendStateForTests().ObjectExists);
}

TEST(SelectBackend, TheFirstChoiceStaysForTheProcess) {
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

TEST_F(PullBackend, TheTimerThreadKeepsTheDeviceFed) {
    zorb::SetPullTimerPassesEnabled(true);  // real clock, real timer
    TrackBox box(kPresent | 22050);
    ASSERT_EQ(b->OpenChannel(&box.t, 0, 0), 1);
    uint32_t id = box.t.Pull.Buffer->Device;
    std::vector<uint8_t> sound = Ramp(20000);
    box.Feed(sound);
    std::vector<uint8_t> heard;
    // Only the timer services; the device takes 2000 bytes every 100 ms.
    for (int i = 0; i < 200 && heard.size() < sound.size(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (box.t.Pull.Buffer->Playing.load()) {
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

}  // namespace
