// Pacing by the sound: the feed and its clock, the lead, overflow, rebase, the behind test, pause and resume, and the restart at frame 0;
// with a fake back end whose played position the test sets.
#include <gtest/gtest.h>

#include "codec/sound_track.h"
#include "codec/timing.h"
#include "tests/support/fake_sound.h"
#include "tests/timing/handle_box.h"

using namespace zorbtest;

namespace {

class SoundClock : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetSoundState();
        zorb::SoundSetDefaultBackend(FakeBackend::Table());
    }
    void TearDown() override { ResetSoundState(); }
    static void Play(ZorbTrack *t, uint32_t bytes) { FakeBackend::Played[t] = bytes; }
    ManualClock clock{1000};
};

// 22050 Hz 8-bit mono at 15 frames per second: 1469.85 bytes per frame.
constexpr uint32_t kFormat = kPresent | 22050;
constexpr uint32_t kPeriod = 6666;

TEST_F(SoundClock, TracksOpenInOrderAndTheFirstDrivesTheClock)
{
    HandleBox box(kPeriod);
    EXPECT_FALSE(box.Open(0, 22050, 1472));    // no present bit: never opened
    EXPECT_FALSE(box.Open(1, kPresent, 1472)); // no rate
    EXPECT_TRUE(FakeBackend::Calls.empty());
    EXPECT_TRUE(box.Open(2, kFormat | ZBX_AUDIO_16BIT, 2942));
    EXPECT_TRUE(box.Open(4, kFormat, 1473));
    EXPECT_EQ(box.h.PrimaryTrack, 2);
    EXPECT_EQ(box.h.OpenFlags, ZORB_OPEN_TRACK(2) | ZORB_OPEN_TRACK(4));
    EXPECT_EQ(zorb::SoundOpenTrackCount(), 2u);
    EXPECT_NE(zorb::SoundWorkArea(), nullptr);
    EXPECT_EQ(box.T(4)->MaxFrameBytes, 1472u);
    EXPECT_EQ(box.T(4)->FrameBytes1024, 1505129u);
    EXPECT_EQ(box.T(4)->RingSize, 28672u);
    EXPECT_EQ(box.T(2)->Is16Bit, 1u);
    EXPECT_GT(box.h.MemoryInUse, 2u * 28672u);
    zorb::SoundCloseTracks(&box.h);
    EXPECT_EQ(box.h.PrimaryTrack, -1);
    EXPECT_EQ(zorb::SoundOpenTrackCount(), 0u);
    EXPECT_EQ(zorb::SoundWorkArea(), nullptr);
    EXPECT_EQ(box.h.MemoryInUse, 0u);
}

TEST_F(SoundClock, AFailedDeviceOrNoBackEndLeavesTheTrackOut)
{
    HandleBox box(kPeriod);
    FakeBackend::FailOpen = true;
    EXPECT_FALSE(box.Open(0, kFormat, 1472));
    EXPECT_EQ(box.h.Track[0], nullptr);
    EXPECT_EQ(box.h.PrimaryTrack, -1);
    EXPECT_EQ(box.h.MemoryInUse, 0u);
    ResetSoundState(); // no back end at all (the utility library)
    EXPECT_FALSE(box.Open(0, kFormat, 1472));
    EXPECT_EQ(zorb::SoundOpenTrackCount(), 0u);
}

TEST_F(SoundClock, AHeaderClaimingHugeChunksIsHeldToTheRing)
{
    HandleBox box(kPeriod);
    ASSERT_TRUE(box.Open(0, kFormat, 0xFFFFFFFFu));
    EXPECT_EQ(box.T(0)->MaxFrameBytes, box.T(0)->RingSize);
}

TEST_F(SoundClock, TheFrameIsDueWhenTheDeviceHasPlayedUpToIt)
{
    HandleBox box(kPeriod);
    ASSERT_TRUE(box.Open(0, kFormat, 1472));
    ZorbTrack *t = box.T(0);
    box.Feed({{0, Bytes(1470, 1)}});
    EXPECT_EQ(box.h.WaitingForSound, 1u);
    EXPECT_EQ(t->ExpectedFrac, 1505129u);
    EXPECT_EQ(zorb::DuePosition(t), 1469u);
    EXPECT_EQ(t->BytesQueued, 1470u);
    Play(t, 1460);
    EXPECT_EQ(ZorbMustWait(&box.h), 1u);
    Play(t, 1461); // within 8 bytes
    EXPECT_EQ(ZorbMustWait(&box.h), 0u);
    EXPECT_EQ(box.h.WaitingForSound, 0u);
    Play(t, 0);
    EXPECT_EQ(ZorbMustWait(&box.h), 0u); // once released, released
    box.Feed({{0, Bytes(1470, 1)}});
    EXPECT_EQ(zorb::DuePosition(t), 2939u);
    EXPECT_EQ(ZorbMustWait(&box.h), 1u);
}

TEST_F(SoundClock, BehindMeansHalfASecondPastTheFramesStart)
{
    HandleBox box(kPeriod);
    ASSERT_TRUE(box.Open(0, kFormat, 1472));
    ZorbTrack *t = box.T(0);
    box.Feed({{0, Bytes(1470, 1)}});
    uint32_t skipAt = zorb::SkipPosition(t);
    EXPECT_EQ(skipAt, 11025u + 1469u);
    Play(t, skipAt - 1);
    EXPECT_EQ(zorb::BehindTest(&box.h), 0u);
    Play(t, skipAt);
    EXPECT_EQ(zorb::BehindTest(&box.h), 1u);
    EXPECT_EQ(box.h.WaitingForSound, 0u); // and the frame need not wait
    EXPECT_EQ(ZorbMustWait(&box.h), 0u);
    // A frame without sound for the clock track is never behind.
    box.Feed({});
    EXPECT_EQ(t->NoSoundThisFrame, 1u);
    Play(t, 1u << 30);
    EXPECT_EQ(zorb::BehindTest(&box.h), 0u);
}

TEST_F(SoundClock, AsFastAsPossibleNeverWaitsForSound)
{
    HandleBox box(0);
    ASSERT_TRUE(box.Open(0, kFormat, 1472));
    box.Feed({{0, Bytes(1470, 1)}});
    EXPECT_EQ(box.h.WaitingForSound, 0u);
    EXPECT_EQ(ZorbMustWait(&box.h), 0u);
    EXPECT_EQ(box.T(0)->FrameBytes1024, 0u);
}

TEST_F(SoundClock, NoSoundOnTheClockTrackMeansNoTrackIsFed)
{
    HandleBox box(kPeriod);
    ASSERT_TRUE(box.Open(0, kFormat, 1472));
    ASSERT_TRUE(box.Open(3, kFormat, 1472));
    box.Feed({{3, Bytes(1000, 1)}});
    EXPECT_EQ(box.T(3)->BytesQueued, 0u);
    box.Feed({{0, Bytes(1000, 1)}});
    EXPECT_EQ(box.T(0)->BytesQueued, 1000u);
    EXPECT_EQ(box.T(3)->NoSoundThisFrame, 1u);
    box.Feed({{0, Bytes(500, 1)}, {3, Bytes(700, 9)}});
    EXPECT_EQ(PendingBytes(box.T(3)), Bytes(700, 9));
}

TEST_F(SoundClock, AfterAnUnderrunTheSoundGoesOnWithoutPaddingOrMovingTheTimeLine)
{
    HandleBox box(kPeriod);
    ASSERT_TRUE(box.Open(0, kFormat, 1472));
    ZorbTrack *t = box.T(0);
    box.Feed({{0, Bytes(1470, 1)}});
    zorb::TrackDropPending(t, 1470); // as if the device had played it
    t->Underrun = 1;
    t->SoundSkips = 2; // counted by the back end
    uint32_t baseBefore = t->ExpectedBase;
    box.Feed({{0, Bytes(1470, 5)}});
    EXPECT_EQ(PendingBytes(t), Bytes(1470, 5));
    EXPECT_EQ(t->ExpectedBase, baseBefore);
    EXPECT_EQ(t->BytesQueued, 2940u);
    ZorbStats s{};
    ZorbGetStats(&box.h, &s);
    EXPECT_EQ(s.SoundSkips, 2u);
}

TEST_F(SoundClock, FramesAreReleasedTheBackEndsLeadAheadOfThePlayedPosition)
{
    HandleBox box(kPeriod);
    ASSERT_TRUE(box.Open(0, kFormat, 1472));
    ZorbTrack *t = box.T(0);
    t->LeadBytes = 2205;
    for (int i = 0; i < 4; ++i)
        box.Feed({{0, Bytes(1470, 1)}}); // due at 5879
    Play(t, 5879 - 2205 - 9);
    EXPECT_EQ(ZorbMustWait(&box.h), 1u);
    Play(t, 5879 - 2205 - 8);
    EXPECT_EQ(ZorbMustWait(&box.h), 0u);
    // The handed-over sound not yet played, for a player that lets it end.
    EXPECT_EQ(ZorbSoundPending(&box.h), 4u * 1470u - (5879u - 2205u - 8u));
    Play(t, 4 * 1470);
    EXPECT_EQ(ZorbSoundPending(&box.h), 0u);
}

TEST_F(SoundClock, MoreSoundThanFreeSpaceIsCutAndCounted)
{
    HandleBox box(kPeriod);
    ASSERT_TRUE(box.Open(0, kFormat, 1472));
    ZorbTrack *t = box.T(0);
    box.Feed({{0, Bytes(28000, 1)}});
    box.Feed({{0, Bytes(1000, 1)}});
    EXPECT_EQ(t->Overflows, 1u);
    EXPECT_EQ(zorb::Pending(t).load(), 28672u);
    EXPECT_EQ(t->BytesQueued, 28672u);
}

TEST_F(SoundClock, SoundNeverWrittenIsRebasedAway)
{
    HandleBox box(kPeriod);
    ASSERT_TRUE(box.Open(0, kFormat, 1472));
    ZorbTrack *t = box.T(0);
    box.Feed({{0, Bytes(1000, 1)}}); // less than a frame's worth
    EXPECT_EQ(t->ExpectedFrac, 0u);
    EXPECT_EQ(t->ExpectedBase, 1000u);
    EXPECT_EQ(t->SkipMark, 11025u * 1024u);
    Play(t, 995);
    EXPECT_EQ(ZorbMustWait(&box.h), 0u); // the video is never held by sound that does not exist
}

TEST_F(SoundClock, LongPlayKeepsTheSumsInsideThirtyTwoBits)
{
    HandleBox box(kPeriod);
    ASSERT_TRUE(box.Open(0, kFormat, 1472));
    ZorbTrack *t = box.T(0);
    uint64_t exact = 0; // bytes x 1024 since the start
    for (int i = 0; i < 400; ++i) {
        box.Feed({{0, Bytes(1470, 1)}});
        exact += 1505129u;
        zorb::TrackDropPending(t, static_cast<uint32_t>(i + 1) * 1470u); // played
        ASSERT_EQ(uint64_t(t->ExpectedBase) * 1024u + t->ExpectedFrac, exact) << i;
        ASSERT_LE(t->ExpectedFrac, 262144000u + 1505129u);
    }
    EXPECT_GT(t->ExpectedBase, 0u);
}

TEST_F(SoundClock, PausedSoundNeverHoldsOrSkipsTheVideo)
{
    HandleBox box(kPeriod);
    ASSERT_TRUE(box.Open(0, kFormat, 1472));
    box.Feed({{0, Bytes(1470, 1)}});
    EXPECT_EQ(ZorbSetSoundActive(&box.h, 0), 1u);
    EXPECT_EQ(FakeBackend::Calls.back(), "pause 0");
    EXPECT_EQ(ZorbMustWait(&box.h), 0u);
    Play(box.T(0), 1u << 30);
    EXPECT_EQ(zorb::BehindTest(&box.h), 0u);
    uint32_t queued = box.T(0)->BytesQueued;
    box.Feed({{0, Bytes(1470, 1)}});
    EXPECT_EQ(box.T(0)->BytesQueued, queued); // nothing fed while paused
}

TEST_F(SoundClock, PauseDropsPendingSoundAndResumeReplaysTheLastFrame)
{
    HandleBox box(kPeriod);
    ASSERT_TRUE(box.Open(0, kFormat, 1472));
    ZorbTrack *t = box.T(0);
    box.h.CurrentFrame = 5;
    box.Feed({{0, Bytes(1470, 1)}});
    box.Feed({{0, Bytes(1470, 7)}});
    std::vector<uint8_t> last = PendingBytes(t);
    last.erase(last.begin(), last.end() - 1472);
    ASSERT_EQ(ZorbSetSoundActive(&box.h, 0), 1u);
    EXPECT_EQ(box.h.SoundPaused, 1u);
    EXPECT_EQ(box.h.PausedAtFrame, 5u);
    EXPECT_EQ(zorb::Pending(t).load(), 0u);
    EXPECT_EQ(t->BytesQueued, 0u);                // handed over = played: the device dropped the rest
    EXPECT_EQ(ZorbSetSoundActive(&box.h, 0), 1u); // already paused: nothing
    EXPECT_EQ(FakeBackend::Calls.size(), 2u);

    Play(t, 2000);
    ASSERT_EQ(ZorbSetSoundActive(&box.h, 0xFF), 1u);
    EXPECT_EQ(FakeBackend::Calls.back(), "resume 0");
    EXPECT_EQ(box.h.SoundPaused, 0u);
    EXPECT_EQ(PendingBytes(t), last); // same frame: the stretch is heard again
    EXPECT_EQ(t->BytesQueued, 1472u);
    EXPECT_EQ(t->ExpectedBase, 2000u);
    EXPECT_EQ(t->ExpectedFrac, 0u);
    EXPECT_EQ(t->SkipMark, 11025u * 1024u);
}

TEST_F(SoundClock, ResumeAfterAJumpOrWhenAskedSilencesTheReplayedStretch)
{
    for (int32_t on : {1, -1}) {
        HandleBox box(kPeriod);
        ASSERT_TRUE(box.Open(0, kFormat, 1472));
        ZorbTrack *t = box.T(0);
        box.h.CurrentFrame = 5;
        box.Feed({{0, Bytes(1470, 1)}});
        ZorbSetSoundActive(&box.h, 0);
        if (on > 0)
            box.h.CurrentFrame = 9; // moved while paused
        ASSERT_EQ(ZorbSetSoundActive(&box.h, on), 1u);
        EXPECT_EQ(PendingBytes(t), std::vector<uint8_t>(1472, 0x80)) << on;
    }
}

TEST_F(SoundClock, AtFrameZeroNothingIsReplayed)
{
    HandleBox box(kPeriod);
    ASSERT_TRUE(box.Open(0, kFormat, 1472));
    box.Feed({{0, Bytes(1470, 1)}});
    ZorbSetSoundActive(&box.h, 0);
    ASSERT_EQ(ZorbSetSoundActive(&box.h, 1), 1u);
    EXPECT_EQ(zorb::Pending(box.T(0)).load(), 0u);
}

TEST_F(SoundClock, AResumeThatFailsKeepsSoundPausedAndMayBeRetried)
{
    HandleBox box(kPeriod);
    ASSERT_TRUE(box.Open(0, kFormat, 1472));
    EXPECT_EQ(ZorbSetSoundActive(&box.h, 1), 1u); // not paused: nothing to do
    ZorbSetSoundActive(&box.h, 0);
    FakeBackend::FailResume = true;
    EXPECT_EQ(ZorbSetSoundActive(&box.h, 1), 0u);
    EXPECT_EQ(box.h.SoundPaused, 1u);
    FakeBackend::FailResume = false;
    EXPECT_EQ(ZorbSetSoundActive(&box.h, 1), 1u);
    EXPECT_EQ(box.h.SoundPaused, 0u);
}

TEST_F(SoundClock, WithoutSoundPauseAndResumeSucceed)
{
    HandleBox box(kPeriod);
    EXPECT_EQ(ZorbSetSoundActive(&box.h, 0), 1u);
    EXPECT_EQ(ZorbSetSoundActive(&box.h, 1), 1u);
    EXPECT_EQ(box.h.SoundPaused, 0u);
}

TEST_F(SoundClock, ReturningToFrameZeroRestartsEveryTrack)
{
    HandleBox box(kPeriod);
    ASSERT_TRUE(box.Open(0, kFormat, 1472));
    ASSERT_TRUE(box.Open(1, kFormat, 1472));
    zorb::SoundRestartAtFrameZero(&box.h); // nothing queued yet: nothing to do
    EXPECT_EQ(FakeBackend::Calls.size(), 2u);
    box.Feed({{0, Bytes(1470, 1)}, {1, Bytes(1470, 1)}});
    box.Feed({{0, Bytes(1470, 1)}, {1, Bytes(1470, 1)}});
    zorb::SoundRestartAtFrameZero(&box.h);
    EXPECT_EQ(FakeBackend::Calls[2], "reset 0");
    EXPECT_EQ(FakeBackend::Calls[3], "reset 1");
    for (ZorbTrack *t : {box.T(0), box.T(1)}) {
        EXPECT_EQ(zorb::Pending(t).load(), 0u);
        EXPECT_EQ(t->ReadPos, t->WritePos);
        EXPECT_EQ(t->BytesQueued, 0u);
        EXPECT_EQ(t->ExpectedBase, 0u);
        EXPECT_EQ(t->ExpectedFrac, 0u);
        EXPECT_EQ(t->SkipMark, 11025u * 1024u);
    }
}

TEST_F(SoundClock, AnotherHandlePlayingSoundKeepsTheTimeLineRunning)
{
    HandleBox box(kPeriod), other(kPeriod);
    ASSERT_TRUE(box.Open(0, kFormat, 1472));
    ASSERT_TRUE(other.Open(0, kFormat, 1472));
    box.Feed({{0, Bytes(1470, 1)}});
    zorb::SoundRestartAtFrameZero(&box.h);
    EXPECT_EQ(box.T(0)->BytesQueued, 1470u);
    EXPECT_EQ(FakeBackend::Calls.size(), 2u);
}

TEST_F(SoundClock, MalformedChunksGiveNoSound)
{
    HandleBox box(kPeriod);
    ASSERT_TRUE(box.Open(0, kFormat, 1472));
    box.Load({{0, Bytes(100, 1)}});
    box.frame[0] = 0xFF; // length far past the frame's end
    box.frame[1] = 0xFF;
    EXPECT_EQ(zorb::ChunkSoundBytes(&box.h, 0), 0u);
    box.frame[0] = 3; // shorter than its own length word
    box.frame[1] = 0;
    EXPECT_EQ(zorb::ChunkSoundBytes(&box.h, 0), 0u);
    box.frame[0] = 4; // an empty chunk
    EXPECT_EQ(zorb::ChunkSoundBytes(&box.h, 0), 0u);
    box.frame[0] = 104;
    EXPECT_EQ(zorb::ChunkSoundBytes(&box.h, 0), 100u);
}

TEST_F(SoundClock, SixteenBitTracksOnlyEverGetWholeSamples)
{
    HandleBox box(kPeriod);
    ASSERT_TRUE(box.Open(0, kFormat | ZBX_AUDIO_16BIT | ZBX_AUDIO_STEREO, 5880));
    box.Feed({{0, Bytes(1003, 1)}});
    EXPECT_EQ(box.T(0)->BytesQueued, 1000u);
}

} // namespace
