// The queued back end (the default one) against a fake device and a hand-set
// clock: open test, buffer refill, underrun, interpolated position, reset,
// pause and resume.
#include <gtest/gtest.h>

#include "codec/sound_track.h"
#include "runtime/sound_backends.h"
#include "runtime/sound_hook.h"
#include "tests/sound_output/track_box.h"
#include "tests/support/fake_sound.h"

using namespace zorbtest;

namespace {

class QueueBackend : public ::testing::Test {
protected:
    void SetUp() override { ResetSoundState(); }
    void TearDown() override { ResetSoundState(); }
    const ZorbSoundBackend *b = zorb::QueueSoundBackend();
    FakeSoundDevice dev;
};

TEST(TrackSizes, TheWorkedExampleAndTheMinimumRing)
{
    zorb::TrackSizes s = zorb::ComputeTrackSizes(22050, 6666);
    EXPECT_EQ(s.FrameBytes1024, 1505129u);
    EXPECT_EQ(s.RingSize, 28672u);
    EXPECT_EQ(s.SkipMark, 22050u * 512u);
    EXPECT_EQ(zorb::ComputeTrackSizes(2000, 6666).RingSize, 8192u);
    // 16-bit stereo at 44100 Hz and 10 frames per second.
    uint32_t bps = zorb::FormatBytesPerSecond(kPresent | k16Bit | kStereo | 44100);
    EXPECT_EQ(bps, 176400u);
    zorb::TrackSizes big = zorb::ComputeTrackSizes(bps, 10000);
    EXPECT_EQ(big.FrameBytes1024, 17640u * 1024u);
    EXPECT_EQ(big.RingSize % 4096u, 0u);
    EXPECT_GE(big.RingSize, bps + 2 * 17640u - 4095u);
}

TEST_F(QueueBackend, OpenPlaysFourSilentBytesAndJoinsTheList)
{
    ManualClock clock;
    TrackBox box(kPresent | 22050);
    ASSERT_EQ(b->OpenChannel(&box.t, 0, 0), 1);
    EXPECT_EQ(box.t.Queue.HalfBuffer, 8192u);
    uint32_t id = box.t.Queue.Device;
    ASSERT_NE(id, 0u);
    EXPECT_EQ(dev.Get(id).Format.Rate, 22050u);
    EXPECT_EQ(dev.Get(id).Format.Channels, 1u);
    EXPECT_EQ(dev.Get(id).Format.Bits, 8u);
    EXPECT_EQ(dev.Get(id).Received, std::vector<uint8_t>(4, 0x80));
    EXPECT_EQ(zorb::SoundChannelList(), &box.t);
    b->CloseChannel(&box.t);
    EXPECT_EQ(zorb::SoundChannelList(), nullptr);
    EXPECT_FALSE(dev.Get(id).Open);
    EXPECT_EQ(dev.InitCount, 0);
}

TEST_F(QueueBackend, SixteenBitSilenceIsZero)
{
    ManualClock clock;
    TrackBox box(kPresent | k16Bit | kStereo | 11025);
    ASSERT_EQ(b->OpenChannel(&box.t, 1, 0), 1);
    EXPECT_EQ(dev.Get(box.t.Queue.Device).Received, std::vector<uint8_t>(4, 0));
    EXPECT_EQ(dev.Get(box.t.Queue.Device).Format.Channels, 2u);
    b->CloseChannel(&box.t);
}

TEST_F(QueueBackend, ADeviceThatDoesNotPlayFailsTheOpenAfterOneSecond)
{
    ManualClock clock(1000, 7); // every reading moves 7 ms on
    dev.AutoConsume = false;
    TrackBox box;
    EXPECT_EQ(b->OpenChannel(&box.t, 0, 0), 0);
    EXPECT_GE(clock.Now(), 2000u);
    EXPECT_LT(clock.Now(), 2100u);
    EXPECT_EQ(dev.OpenDevices(), 0u);
    EXPECT_EQ(dev.InitCount, 0);
    EXPECT_EQ(zorb::SoundChannelList(), nullptr);
}

TEST_F(QueueBackend, NoDeviceOrNoAudioSystemFailsTheOpen)
{
    ManualClock clock;
    TrackBox box;
    dev.FailOpens = 1;
    EXPECT_EQ(b->OpenChannel(&box.t, 0, 0), 0);
    EXPECT_EQ(dev.InitCount, 0);
    dev.FailInit = true;
    EXPECT_EQ(b->OpenChannel(&box.t, 0, 0), 0);
    EXPECT_EQ(zorb::SoundChannelList(), nullptr);
}

TEST_F(QueueBackend, ServiceSendsPendingBytesInTwoBuffersAndCountsRealUnderruns)
{
    ManualClock clock;
    TrackBox box;
    ASSERT_EQ(b->OpenChannel(&box.t, 0, 0), 1);
    EXPECT_EQ(box.t.LeadBytes, 2205u); // a tenth of a second
    dev.AutoConsume = false;
    uint32_t id = box.t.Queue.Device;
    auto &d = dev.Get(id);

    std::vector<uint8_t> sound = Ramp(20000);
    box.Feed(sound);
    b->Service(); // buffer 1: 8192 bytes
    b->Service(); // buffer 2: 8192 bytes
    b->Service(); // both in flight: nothing
    ASSERT_EQ(d.QueueCalls.size(), 3u);
    EXPECT_EQ(d.QueueCalls[1], 8192u);
    EXPECT_EQ(d.QueueCalls[2], 8192u);
    EXPECT_EQ(zorb::Pending(&box.t).load(), 20000u - 16384u);
    EXPECT_EQ(box.t.SoundSkips, 0u); // the start is no underrun

    dev.Consume(id, 8192); // first buffer done, the second still playing
    b->Service();
    ASSERT_EQ(d.QueueCalls.size(), 4u);
    EXPECT_EQ(d.QueueCalls[3], 20000u - 16384u);
    EXPECT_EQ(zorb::Pending(&box.t).load(), 0u);
    EXPECT_EQ(std::vector<uint8_t>(d.Received.begin() + 4, d.Received.end()), sound);
    EXPECT_EQ(box.t.SoundSkips, 0u);

    dev.Consume(id, 1u << 20); // everything played: the end of the sound, no underrun yet
    b->Service();
    EXPECT_EQ(box.t.Underrun, 1u);
    EXPECT_EQ(box.t.SoundSkips, 0u);
    box.Feed(Ramp(100)); // sound after the device ran dry: one underrun
    b->Service();
    EXPECT_EQ(box.t.SoundSkips, 1u);
    EXPECT_EQ(box.t.Underrun, 0u);
    box.Feed(Ramp(100));
    dev.Consume(id, 50);
    b->Service();
    EXPECT_EQ(box.t.SoundSkips, 1u);
    b->CloseChannel(&box.t);
}

TEST_F(QueueBackend, TheLastFewBytesAreSentInWholeSampleFrames)
{
    ManualClock clock;
    TrackBox box;
    ASSERT_EQ(b->OpenChannel(&box.t, 0, 0), 1);
    box.Feed(Ramp(3));
    b->Service();
    EXPECT_EQ(dev.Get(box.t.Queue.Device).QueueCalls.size(), 2u);
    EXPECT_EQ(dev.Get(box.t.Queue.Device).QueueCalls.back(), 3u);
    b->CloseChannel(&box.t);

    TrackBox stereo(kPresent | k16Bit | kStereo | 8000);
    ASSERT_EQ(b->OpenChannel(&stereo.t, 0, 0), 1);
    stereo.Feed(Ramp(4002));
    b->Service();
    EXPECT_EQ(dev.Get(stereo.t.Queue.Device).QueueCalls.back(), 4000u);
    b->CloseChannel(&stereo.t);
}

TEST_F(QueueBackend, PlayedPositionIsWhatTheDeviceTookRunOnByTimeNeverPastIt)
{
    ManualClock clock(5000);
    TrackBox box(kPresent | 22050);
    ASSERT_EQ(b->OpenChannel(&box.t, 0, 0), 1);
    dev.AutoConsume = false;
    uint32_t id = box.t.Queue.Device;
    EXPECT_EQ(b->PlayedPosition(&box.t), 0u); // nothing sent yet
    box.Feed(Ramp(8820));
    clock.Advance(500);
    EXPECT_EQ(b->PlayedPosition(&box.t), 0u); // sent, but the device took nothing
    dev.Consume(id, 2205);
    EXPECT_EQ(b->PlayedPosition(&box.t), 0u); // taken now: it plays from here
    clock.Advance(50);
    EXPECT_EQ(b->PlayedPosition(&box.t), 2205u / 2);
    clock.Advance(500);
    EXPECT_EQ(b->PlayedPosition(&box.t), 2205u); // never past what it took
    dev.Consume(id, 2205);
    clock.Advance(20);
    EXPECT_EQ(b->PlayedPosition(&box.t), 2205u); // the new stretch starts when it is seen
    clock.Advance(20);
    EXPECT_EQ(b->PlayedPosition(&box.t), 2205u + 441u);
    // A device that took several stretches unseen: the position is at least
    // at the start of the last one.
    dev.Consume(id, 2205);
    EXPECT_EQ(b->PlayedPosition(&box.t), 4410u);

    b->Reset(&box.t); // what the device had not taken is dropped
    EXPECT_EQ(b->PlayedPosition(&box.t), 0u);
    EXPECT_EQ(dev.QueuedBytes(id), 0u);
    box.Feed(Ramp(441));
    b->Service();
    dev.Consume(id, 441);
    EXPECT_EQ(b->PlayedPosition(&box.t), 0u);
    clock.Advance(1000);
    EXPECT_EQ(b->PlayedPosition(&box.t), 441u);
    b->CloseChannel(&box.t);
}

TEST_F(QueueBackend, PauseKeepsTheDeviceOpenAndResumePlaysOn)
{
    ManualClock clock(1000, 1);
    TrackBox box;
    ASSERT_EQ(b->OpenChannel(&box.t, 0, 0), 1);
    const uint32_t id = box.t.Queue.Device;
    const size_t probe = dev.Get(id).Received.size(); // the 4-byte proof that it plays
    b->Pause(&box.t);
    EXPECT_EQ(box.t.Queue.Device, id);
    EXPECT_TRUE(dev.Get(id).Open);
    EXPECT_TRUE(dev.Get(id).Paused);
    const uint32_t before = b->PlayedPosition(&box.t);
    box.Feed(Ramp(100));
    b->Service(); // nothing goes anywhere while paused
    EXPECT_EQ(zorb::Pending(&box.t).load(), 100u);
    EXPECT_EQ(dev.Get(id).Received.size(), probe);

    ASSERT_EQ(b->Resume(&box.t), 1);
    EXPECT_EQ(box.t.Queue.Device, id); // the same device, not opened again
    EXPECT_FALSE(dev.Get(id).Paused);
    b->Service();
    EXPECT_EQ(dev.Get(id).Received.size(), probe + 100u);
    clock.Advance(1000);
    EXPECT_GE(b->PlayedPosition(&box.t), before); // the clock carries over
    b->CloseChannel(&box.t);
    EXPECT_EQ(dev.OpenDevices(), 0u);
    EXPECT_EQ(dev.InitCount, 0);
}

TEST_F(QueueBackend, EveryChannelInTheListIsServiced)
{
    ManualClock clock;
    TrackBox a(kPresent | 22050, 6666, 0), c(kPresent | 11025, 6666, 3);
    ASSERT_EQ(b->OpenChannel(&a.t, 0, 0), 1);
    ASSERT_EQ(b->OpenChannel(&c.t, 0, 0), 1);
    EXPECT_EQ(zorb::SoundChannelList(), &c.t); // newest first
    a.Feed(Ramp(1000, 1));
    c.Feed(Ramp(500, 7));
    b->Service();
    EXPECT_EQ(dev.Get(a.t.Queue.Device).Received.size(), 1004u);
    EXPECT_EQ(dev.Get(c.t.Queue.Device).Received.size(), 504u);
    EXPECT_EQ(dev.Get(c.t.Queue.Device).Track, 3u);
    b->CloseChannel(&a.t);
    EXPECT_EQ(zorb::SoundChannelList(), &c.t);
    b->CloseChannel(&c.t);
}

TEST_F(QueueBackend, AVerySlowRateStillMovesData)
{
    ManualClock clock;
    TrackBox box(kPresent | 2, 10000, 0, 4);
    ASSERT_EQ(b->OpenChannel(&box.t, 0, 0), 1);
    EXPECT_EQ(box.t.Queue.HalfBuffer, 4096u);
    box.Feed(Ramp(8));
    b->Service();
    EXPECT_EQ(zorb::Pending(&box.t).load(), 0u);
    b->CloseChannel(&box.t);
}

} // namespace

namespace {

TEST(RuntimeSoundHook, ServicesTheBackEndWhileATrackIsOpen)
{
    ResetSoundState();
    ASSERT_TRUE(zorb::SoundInstallBackend(FakeBackend::Table()));
    zorb::RuntimeSoundService();
    EXPECT_EQ(FakeBackend::Services, 0); // no track open
    zorb::SoundTrackOpened();
    zorb::RuntimeSoundService();
    EXPECT_EQ(FakeBackend::Services, 1);
    zorb::SoundTrackClosed();
    ResetSoundState();
}

} // namespace
